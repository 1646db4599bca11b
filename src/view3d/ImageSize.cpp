#include "view3d/ImageSize.h"

#include "platform/Files.h"

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace view3d {

namespace {

uint32_t Le16(const uint8_t* p) {
    return static_cast<uint32_t>(p[0] | p[1] << 8);
}
uint32_t Le32(const uint8_t* p) {
    return Le16(p) | Le16(p + 2) << 16;
}
uint32_t Be16(const uint8_t* p) {
    return static_cast<uint32_t>(p[0] << 8 | p[1]);
}
uint32_t Be32(const uint8_t* p) {
    return Be16(p) << 16 | Be16(p + 2);
}

bool Dds(std::span<const uint8_t> b, uint32_t& w, uint32_t& h) {
    if (b.size() < 20) return false;
    h = Le32(&b[12]);
    w = Le32(&b[16]);
    return true;
}

bool Png(std::span<const uint8_t> b, uint32_t& w, uint32_t& h) {
    if (b.size() < 24 || std::memcmp(&b[12], "IHDR", 4) != 0) return false;
    w = Be32(&b[16]);
    h = Be32(&b[20]);
    return true;
}

bool Bmp(std::span<const uint8_t> b, uint32_t& w, uint32_t& h) {
    if (b.size() < 26) return false;
    if (Le32(&b[14]) == 12) { // the old OS/2 header keeps 16-bit sizes
        w = Le16(&b[18]);
        h = Le16(&b[20]);
        return true;
    }
    // A negative height marks rows stored top to bottom.
    int32_t sw = static_cast<int32_t>(Le32(&b[18]));
    int32_t sh = static_cast<int32_t>(Le32(&b[22]));
    if (sw < 0 || sh == INT32_MIN) return false;
    w = static_cast<uint32_t>(sw);
    h = static_cast<uint32_t>(std::abs(sh));
    return true;
}

// Walks the marker segments up to the first start-of-frame.
bool Jpeg(std::span<const uint8_t> b, uint32_t& w, uint32_t& h) {
    size_t pos = 2;
    while (pos + 4 <= b.size()) {
        if (b[pos] != 0xFF) return false;
        uint8_t marker = b[pos + 1];
        if (marker == 0xFF) {
            ++pos; // fill byte
            continue;
        }
        size_t length = Be16(&b[pos + 2]);
        bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (pos + 9 > b.size()) return false;
            h = Be16(&b[pos + 5]);
            w = Be16(&b[pos + 7]);
            return true;
        }
        if (length < 2) return false;
        pos += 2 + length;
    }
    return false;
}

bool Tga(std::span<const uint8_t> b, uint32_t& w, uint32_t& h) {
    if (b.size() < 18) return false;
    uint8_t type = b[2];
    bool known = type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
    if (!known || b[1] > 1) return false;
    w = Le16(&b[12]);
    h = Le16(&b[14]);
    return true;
}

} // namespace

bool ReadImageSize(std::span<const uint8_t> bytes, uint32_t& width, uint32_t& height) {
    width = height = 0;
    bool ok;
    if (bytes.size() >= 4 && std::memcmp(bytes.data(), "DDS ", 4) == 0)
        ok = Dds(bytes, width, height);
    else if (bytes.size() >= 8 && std::memcmp(bytes.data(), "\x89PNG\r\n\x1a\n", 8) == 0)
        ok = Png(bytes, width, height);
    else if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
        ok = Bmp(bytes, width, height);
    else if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF)
        ok = Jpeg(bytes, width, height);
    else // TGA has no signature: it is what remains when its header makes sense
        ok = Tga(bytes, width, height);
    return ok && width > 0 && height > 0;
}

bool ReadImageSize(const std::filesystem::path& path, uint32_t& width, uint32_t& height) {
    std::optional<std::string> bytes = platform::ReadWholeFile(path);
    if (!bytes) {
        width = height = 0;
        return false;
    }
    return ReadImageSize(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()),
        width, height);
}

} // namespace view3d
