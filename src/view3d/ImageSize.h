#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

namespace view3d {

// The size in pixels of a picture the game uses (DDS, TGA, BMP, PNG or
// JPEG), read from its header alone. False when the file cannot be read,
// is none of these or claims no pixels.
bool ReadImageSize(std::span<const uint8_t> bytes, uint32_t& width, uint32_t& height);
bool ReadImageSize(const std::filesystem::path& path, uint32_t& width, uint32_t& height);

} // namespace view3d
