#pragma once

#include "view3d/MapGround.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace view3d {

// The largest heightmap side the editor accepts. The game's maps are a few
// hundred samples across; anything far beyond is a broken file, and refusing
// it keeps a bad header from asking for gigabytes.
inline constexpr uint32_t kMaxHeightmapSide = 8192;

// A map template's heightmap: one 8-bit height sample per picture pixel.
// heights[row * width + column]; row 0 is the picture's bottom row, so rows
// run the same way as the map's y axis.
struct HeightmapImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> heights;

    uint8_t At(uint32_t column, uint32_t row) const {
        return heights[static_cast<size_t>(row) * width + column];
    }
};

// Reads a heightmap picture: a TGA of image type 2 or 3 (uncompressed) or 10
// or 11 (run-length coded), 8-bit grey or 24/32-bit colour (a colour pixel
// gives the mean of its three channels). False, with the reason in error and
// out untouched, for anything else, for a side of 0 or above
// kMaxHeightmapSide, and for a file that ends before its last pixel.
bool ReadHeightmapFile(const std::filesystem::path& path, HeightmapImage& out, std::string& error);
// The same over the bytes of a file.
bool ReadHeightmapBytes(const std::vector<uint8_t>& bytes, HeightmapImage& out, std::string& error);

// The heightmap loader that reads files with ReadHeightmapFile and keeps the
// last one that loaded, with the reason of the last failure.
class FileHeightmapLoader : public HeightmapLoader {
  public:
    bool LoadHeightmap(const std::string& path) override;

    const HeightmapImage& Image() const { return m_image; }
    bool Loaded() const { return m_loaded; }
    const std::string& LastError() const { return m_error; }

  private:
    HeightmapImage m_image;
    bool m_loaded = false;
    std::string m_error;
};

} // namespace view3d
