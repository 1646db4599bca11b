#include "view3d/TextureImage.h"

#include "platform/Files.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace view3d {

uint64_t LevelByteSize(TexelFormat format, uint32_t width, uint32_t height) {
    if (format == TexelFormat::Rgba8) return uint64_t{width} * height * 4;
    uint64_t blocks = uint64_t{std::max(1u, (width + 3) / 4)} * std::max(1u, (height + 3) / 4);
    return blocks * (format == TexelFormat::Dxt1 ? 8 : 16);
}

uint32_t FullMipCount(uint32_t width, uint32_t height) {
    uint32_t count = 1;
    for (uint32_t side = std::max(width, height); side > 1; side /= 2)
        ++count;
    return count;
}

bool DecodeTexture(std::span<const uint8_t> bytes, TextureImage& out, std::string* error) {
    if (bytes.size() >= 4 && std::memcmp(bytes.data(), "DDS ", 4) == 0)
        return DecodeDds(bytes, out, error);
    return DecodePicture(bytes, out, error);
}

bool LoadTextureFile(const std::filesystem::path& path, TextureImage& out, std::string* error) {
    std::optional<std::string> bytes = platform::ReadWholeFile(path);
    if (!bytes) {
        out = TextureImage{};
        if (error) *error = "cannot read " + path.string();
        return false;
    }
    return DecodeTexture(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()),
        out, error);
}

namespace {

// The next level down: each texel the mean of the 2 x 2 texels above it
// (or of the 2 x 1 edge where one side is already a single texel).
TextureLevel HalveLevel(const TextureLevel& src) {
    TextureLevel dst;
    dst.width = std::max(1u, src.width / 2);
    dst.height = std::max(1u, src.height / 2);
    dst.data.resize(static_cast<size_t>(dst.width) * dst.height * 4);
    for (uint32_t y = 0; y < dst.height; ++y) {
        uint32_t y0 = std::min(2 * y, src.height - 1), y1 = std::min(2 * y + 1, src.height - 1);
        for (uint32_t x = 0; x < dst.width; ++x) {
            uint32_t x0 = std::min(2 * x, src.width - 1), x1 = std::min(2 * x + 1, src.width - 1);
            const uint8_t* p[4] = {&src.data[(size_t{y0} * src.width + x0) * 4],
                                   &src.data[(size_t{y0} * src.width + x1) * 4],
                                   &src.data[(size_t{y1} * src.width + x0) * 4],
                                   &src.data[(size_t{y1} * src.width + x1) * 4]};
            uint8_t* d = &dst.data[(size_t{y} * dst.width + x) * 4];
            for (int c = 0; c < 4; ++c)
                d[c] = static_cast<uint8_t>((p[0][c] + p[1][c] + p[2][c] + p[3][c] + 2) / 4);
        }
    }
    return dst;
}

} // namespace

void PrepareMipLevels(TextureImage& image, bool mipmaps) {
    if (image.levels.empty()) return;
    if (!mipmaps) {
        image.levels.resize(1);
        return;
    }
    uint32_t full = FullMipCount(image.Width(), image.Height());
    if (image.levels.size() >= full) return;
    // Compressed levels cannot be averaged; a file that brings only part of
    // its chain is rebuilt from level 0 rather than mixing the two.
    image.levels.resize(1);
    DecompressImage(image);
    while (image.levels.size() < full)
        image.levels.push_back(HalveLevel(image.levels.back()));
}

} // namespace view3d
