#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace view3d {

// How the texels of a level are stored: plain 8-bit RGBA (bytes in that
// order, rows top to bottom), or one of the three block-compressed layouts
// the game's DDS files use (4 x 4 texel blocks of 8 or 16 bytes).
enum class TexelFormat : uint8_t { Rgba8, Dxt1, Dxt3, Dxt5 };

// One mip level: its size in texels and its bytes as the format lays them out.
struct TextureLevel {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> data;
};

// A decoded texture file, ready to hand to the render device: level 0 first,
// each further level half the size of the one before (at least 1).
struct TextureImage {
    TexelFormat format = TexelFormat::Rgba8;
    std::vector<TextureLevel> levels;
    // The file stored a full 8-bit alpha channel with its colour (32-bit
    // ARGB in a DDS, a PNG or TGA with alpha). Such textures count as
    // see-through when the scene sorts its objects.
    bool alphaChannel = false;

    uint32_t Width() const { return levels.empty() ? 0 : levels.front().width; }
    uint32_t Height() const { return levels.empty() ? 0 : levels.front().height; }
    bool Compressed() const { return format != TexelFormat::Rgba8; }
};

// The largest side a texture may have. Larger claims in a file header are
// refused before anything is allocated for them.
constexpr uint32_t kMaxTextureSide = 16384;

// Bytes a level of that size takes in that format (64-bit, so hostile sizes
// cannot wrap).
uint64_t LevelByteSize(TexelFormat format, uint32_t width, uint32_t height);
// The number of levels of a full chain down to 1 x 1.
uint32_t FullMipCount(uint32_t width, uint32_t height);

// Reads a DDS file: DXT1, DXT3, DXT5 or an uncompressed RGB, RGBA,
// luminance or alpha layout, with the mip levels it holds. Levels that the
// file claims but does not hold completely are dropped; a file without a
// complete level 0, with an unknown layout or with an impossible header is
// refused. False (with a reason in error, when given) on failure; out is
// then empty.
bool DecodeDds(std::span<const uint8_t> bytes, TextureImage& out, std::string* error = nullptr);

// Reads a TGA, BMP, PNG or JPEG picture into one RGBA level. False (with a
// reason) when the bytes are none of these or are damaged.
bool DecodePicture(std::span<const uint8_t> bytes, TextureImage& out, std::string* error = nullptr);

// Either of the above, chosen by the file's signature.
bool DecodeTexture(std::span<const uint8_t> bytes, TextureImage& out, std::string* error = nullptr);
bool LoadTextureFile(const std::filesystem::path& path, TextureImage& out,
                     std::string* error = nullptr);

// Decodes one compressed 4 x 4 block into 16 RGBA texels (64 bytes, rows top
// to bottom). format must be one of the DXT formats.
void DecodeDxtBlock(TexelFormat format, const uint8_t* block, uint8_t rgba[64]);

// Turns every level of a compressed image into RGBA, for devices that
// cannot sample the compressed layouts. An RGBA image is left as it is.
void DecompressImage(TextureImage& image);

// Shapes the level chain the way the scene asks for it: without mip-maps
// only level 0 is kept; with mip-maps a file that brings no complete chain
// gets one made by averaging 2 x 2 texels (decompressing a compressed file
// first).
void PrepareMipLevels(TextureImage& image, bool mipmaps);

} // namespace view3d
