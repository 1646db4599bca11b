#include "view3d/TextureImage.h"

#include <algorithm>
#include <cassert>

namespace view3d {

namespace {

struct Rgb {
    uint8_t r, g, b;
};

Rgb Expand565(uint16_t v) {
    uint8_t r = static_cast<uint8_t>((v >> 11) & 31);
    uint8_t g = static_cast<uint8_t>((v >> 5) & 63);
    uint8_t b = static_cast<uint8_t>(v & 31);
    return {static_cast<uint8_t>(r << 3 | r >> 2), static_cast<uint8_t>(g << 2 | g >> 4),
            static_cast<uint8_t>(b << 3 | b >> 2)};
}

uint8_t Mix(uint8_t a, uint8_t b, int wa, int wb, int total) {
    return static_cast<uint8_t>((a * wa + b * wb) / total);
}

// The colour half of every block. Only a DXT1 block whose first end point is
// not above the second uses the three-colour mode with transparent black;
// the colour halves of DXT3 and DXT5 blocks always use four colours.
void DecodeColours(const uint8_t* block, bool threeColourMode, uint8_t rgba[64]) {
    uint16_t c0 = static_cast<uint16_t>(block[0] | block[1] << 8);
    uint16_t c1 = static_cast<uint16_t>(block[2] | block[3] << 8);
    Rgb e0 = Expand565(c0), e1 = Expand565(c1);
    uint8_t palette[4][4] = {{e0.r, e0.g, e0.b, 255}, {e1.r, e1.g, e1.b, 255}, {}, {}};
    if (!threeColourMode || c0 > c1) {
        for (int k = 0; k < 3; ++k) {
            palette[2][k] = Mix(palette[0][k], palette[1][k], 2, 1, 3);
            palette[3][k] = Mix(palette[0][k], palette[1][k], 1, 2, 3);
        }
        palette[2][3] = palette[3][3] = 255;
    } else {
        for (int k = 0; k < 3; ++k)
            palette[2][k] = Mix(palette[0][k], palette[1][k], 1, 1, 2);
        palette[2][3] = 255;
        // palette[3] stays transparent black
    }
    uint32_t bits = static_cast<uint32_t>(block[4] | block[5] << 8 | block[6] << 16) |
                    static_cast<uint32_t>(block[7]) << 24;
    for (int i = 0; i < 16; ++i) {
        const uint8_t* c = palette[(bits >> (2 * i)) & 3];
        std::copy(c, c + 4, rgba + 4 * i);
    }
}

void DecodeExplicitAlpha(const uint8_t* block, uint8_t rgba[64]) {
    for (int i = 0; i < 16; ++i) {
        uint8_t nibble = static_cast<uint8_t>((block[i / 2] >> (4 * (i % 2))) & 15);
        rgba[4 * i + 3] = static_cast<uint8_t>(nibble * 17);
    }
}

void DecodeInterpolatedAlpha(const uint8_t* block, uint8_t rgba[64]) {
    uint8_t a0 = block[0], a1 = block[1];
    uint8_t ramp[8] = {a0, a1};
    if (a0 > a1) {
        for (int k = 1; k <= 6; ++k)
            ramp[k + 1] = Mix(a0, a1, 7 - k, k, 7);
    } else {
        for (int k = 1; k <= 4; ++k)
            ramp[k + 1] = Mix(a0, a1, 5 - k, k, 5);
        ramp[6] = 0;
        ramp[7] = 255;
    }
    uint64_t bits = 0;
    for (int k = 0; k < 6; ++k)
        bits |= static_cast<uint64_t>(block[2 + k]) << (8 * k);
    for (int i = 0; i < 16; ++i)
        rgba[4 * i + 3] = ramp[(bits >> (3 * i)) & 7];
}

} // namespace

void DecodeDxtBlock(TexelFormat format, const uint8_t* block, uint8_t rgba[64]) {
    switch (format) {
    case TexelFormat::Dxt1:
        DecodeColours(block, true, rgba);
        break;
    case TexelFormat::Dxt3:
        DecodeColours(block + 8, false, rgba);
        DecodeExplicitAlpha(block, rgba);
        break;
    case TexelFormat::Dxt5:
        DecodeColours(block + 8, false, rgba);
        DecodeInterpolatedAlpha(block, rgba);
        break;
    case TexelFormat::Rgba8:
        assert(false && "not a compressed format");
        break;
    }
}

void DecompressImage(TextureImage& image) {
    if (!image.Compressed()) return;
    size_t blockBytes = image.format == TexelFormat::Dxt1 ? 8 : 16;
    for (TextureLevel& level : image.levels) {
        std::vector<uint8_t> rgba(static_cast<size_t>(level.width) * level.height * 4);
        uint32_t blocksX = std::max(1u, (level.width + 3) / 4);
        uint32_t blocksY = std::max(1u, (level.height + 3) / 4);
        assert(level.data.size() >= size_t{blocksX} * blocksY * blockBytes);
        uint8_t texels[64];
        const uint8_t* block = level.data.data();
        for (uint32_t by = 0; by < blocksY; ++by) {
            for (uint32_t bx = 0; bx < blocksX; ++bx, block += blockBytes) {
                DecodeDxtBlock(image.format, block, texels);
                // Blocks of levels smaller than 4 x 4 hang over the edge.
                for (uint32_t y = 0; y < 4 && by * 4 + y < level.height; ++y) {
                    for (uint32_t x = 0; x < 4 && bx * 4 + x < level.width; ++x) {
                        size_t to =
                            (static_cast<size_t>(by * 4 + y) * level.width + bx * 4 + x) * 4;
                        std::copy(texels + (y * 4 + x) * 4, texels + (y * 4 + x) * 4 + 4,
                                  rgba.begin() + static_cast<ptrdiff_t>(to));
                    }
                }
            }
        }
        level.data = std::move(rgba);
    }
    image.format = TexelFormat::Rgba8;
}

} // namespace view3d
