#include "view3d/HeightmapFile.h"

#include <algorithm>
#include <fstream>
#include <system_error>

namespace view3d {

namespace {

constexpr size_t kHeaderSize = 18;

uint32_t Get16(const std::vector<uint8_t>& bytes, size_t at) {
    return bytes[at] | (static_cast<uint32_t>(bytes[at + 1]) << 8);
}

uint8_t Sample(const uint8_t* pixel, size_t pixelSize) {
    if (pixelSize == 1) return pixel[0];
    return static_cast<uint8_t>((pixel[0] + pixel[1] + pixel[2]) / 3);
}

// Every byte a file can need for the largest picture: run-length coding
// spends at most one count byte per pixel, plus the header, the longest
// identification field and a colour map of 65535 four-byte entries.
constexpr uintmax_t kMaxHeightmapFileSize =
    static_cast<uintmax_t>(kMaxHeightmapSide) * kMaxHeightmapSide * 5 + kHeaderSize + 255 +
    65535u * 4;

} // namespace

bool ReadHeightmapBytes(const std::vector<uint8_t>& bytes, HeightmapImage& out,
                        std::string& error) {
    if (bytes.size() < kHeaderSize) {
        error = "file ends inside the header";
        return false;
    }
    const uint8_t type = bytes[2];
    const bool runLength = type == 10 || type == 11;
    if (type != 2 && type != 3 && !runLength) {
        error = "not a grey or true-colour TGA picture (type " + std::to_string(type) + ")";
        return false;
    }
    const uint32_t width = Get16(bytes, 12), height = Get16(bytes, 14);
    if (width == 0 || height == 0 || width > kMaxHeightmapSide || height > kMaxHeightmapSide) {
        error =
            "unsupported picture size " + std::to_string(width) + " x " + std::to_string(height);
        return false;
    }
    const uint8_t depth = bytes[16];
    const bool grey = type == 3 || type == 11;
    if (grey ? depth != 8 : (depth != 24 && depth != 32)) {
        error = "unsupported pixel depth " + std::to_string(depth);
        return false;
    }
    const size_t pixelSize = depth / 8u;
    // A colour map, where a true-colour file carries one, is skipped.
    const size_t mapBytes = bytes[1] ? Get16(bytes, 5) * ((bytes[7] + 7u) / 8u) : 0;
    size_t at = kHeaderSize + bytes[0] + mapBytes;
    const size_t pixels = static_cast<size_t>(width) * height;
    if (!runLength && (at > bytes.size() || (bytes.size() - at) / pixelSize < pixels)) {
        error = "file ends before its last pixel";
        return false;
    }

    std::vector<uint8_t> samples(pixels);
    size_t done = 0;
    while (done < pixels) {
        size_t count = 1;
        bool repeat = false;
        if (runLength) {
            if (at >= bytes.size()) break;
            const uint8_t packet = bytes[at++];
            count = std::min<size_t>((packet & 0x7Fu) + 1u, pixels - done);
            repeat = (packet & 0x80u) != 0;
        }
        const size_t need = repeat ? pixelSize : count * pixelSize;
        if (at > bytes.size() || bytes.size() - at < need) break;
        for (size_t i = 0; i < count; ++i)
            samples[done + i] = Sample(&bytes[at + (repeat ? 0 : i * pixelSize)], pixelSize);
        at += need;
        done += count;
    }
    if (done < pixels) {
        error = "file ends before its last pixel";
        return false;
    }

    // Bit 5 of the descriptor puts the first row at the top, bit 4 the first
    // column at the right.
    const bool topFirst = (bytes[17] & 0x20u) != 0;
    const bool rightFirst = (bytes[17] & 0x10u) != 0;
    out.width = width;
    out.height = height;
    out.heights.resize(pixels);
    for (uint32_t row = 0; row < height; ++row) {
        const uint32_t targetRow = topFirst ? height - 1 - row : row;
        for (uint32_t column = 0; column < width; ++column) {
            const uint32_t targetColumn = rightFirst ? width - 1 - column : column;
            out.heights[static_cast<size_t>(targetRow) * width + targetColumn] =
                samples[static_cast<size_t>(row) * width + column];
        }
    }
    return true;
}

bool ReadHeightmapFile(const std::filesystem::path& path, HeightmapImage& out, std::string& error) {
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) {
        error = "cannot read the file";
        return false;
    }
    if (size > kMaxHeightmapFileSize) {
        error = "file too large for a heightmap";
        return false;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    std::ifstream in(path, std::ios::binary);
    if (!in || !in.read(reinterpret_cast<char*>(bytes.data()),
                        static_cast<std::streamsize>(bytes.size()))) {
        error = "cannot read the file";
        return false;
    }
    return ReadHeightmapBytes(bytes, out, error);
}

bool FileHeightmapLoader::LoadHeightmap(const std::string& path) {
    HeightmapImage image;
    std::string error;
    if (path.empty() || !ReadHeightmapFile(path, image, error)) {
        m_error = path.empty() ? "no file named" : error;
        return false;
    }
    m_image = std::move(image);
    m_loaded = true;
    m_error.clear();
    return true;
}

} // namespace view3d
