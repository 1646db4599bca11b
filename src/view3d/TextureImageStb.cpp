// The one place the picture decoder is compiled. Only the four picture kinds
// the game uses are built in, and sides above the texture limit are refused
// inside the decoder, before it allocates for them.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_ONLY_JPEG
#define STBI_MAX_DIMENSIONS 16384
#include <stb/stb_image.h>

#include "view3d/TextureImage.h"

#include <climits>
#include <memory>

namespace view3d {

static_assert(STBI_MAX_DIMENSIONS == kMaxTextureSide);

bool DecodePicture(std::span<const uint8_t> bytes, TextureImage& out, std::string* error) {
    out = TextureImage{};
    if (bytes.empty() || bytes.size() > static_cast<size_t>(INT_MAX)) {
        if (error) *error = "empty or oversized picture file";
        return false;
    }
    int length = static_cast<int>(bytes.size());
    int width = 0, height = 0, channels = 0;
    std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
        stbi_load_from_memory(bytes.data(), length, &width, &height, &channels, 4),
        stbi_image_free);
    if (!pixels || width <= 0 || height <= 0) {
        if (error) *error = std::string("unreadable picture: ") + stbi_failure_reason();
        return false;
    }
    TextureLevel level;
    level.width = static_cast<uint32_t>(width);
    level.height = static_cast<uint32_t>(height);
    level.data.assign(pixels.get(), pixels.get() + static_cast<size_t>(width) * height * 4);
    out.format = TexelFormat::Rgba8;
    out.alphaChannel = channels == 4;
    out.levels.push_back(std::move(level));
    return true;
}

} // namespace view3d
