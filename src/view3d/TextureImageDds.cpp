#include "view3d/TextureImage.h"

#include <bit>
#include <cstring>

namespace view3d {

namespace {

constexpr size_t kHeaderSize = 128; // "DDS " and the 124-byte header

// Header flags and pixel-format flags the reader looks at.
constexpr uint32_t kFlagMipCount = 0x20000;
constexpr uint32_t kCapsMipmap = 0x400000;
constexpr uint32_t kCaps2Cubemap = 0x200;
constexpr uint32_t kCaps2Volume = 0x200000;
constexpr uint32_t kPixelAlphaPixels = 0x1;
constexpr uint32_t kPixelAlpha = 0x2;
constexpr uint32_t kPixelFourCc = 0x4;
constexpr uint32_t kPixelRgb = 0x40;
constexpr uint32_t kPixelLuminance = 0x20000;

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

bool Fail(std::string* error, const char* reason, TextureImage& out) {
    out = TextureImage{};
    if (error) *error = reason;
    return false;
}

// One channel of an uncompressed layout: where its bits sit in a texel and
// how to widen them to 8 bits.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t top = 0; // the largest value the channel holds

    explicit Channel(uint32_t m) : mask(m) {
        if (mask == 0) return;
        shift = std::countr_zero(mask);
        top = mask >> shift;
    }
    uint8_t Get(uint32_t texel, uint8_t absent) const {
        if (mask == 0) return absent;
        uint32_t v = (texel & mask) >> shift;
        return static_cast<uint8_t>((static_cast<uint64_t>(v) * 255 + top / 2) / top);
    }
};

// The uncompressed layouts: RGB(A) by masks, luminance (its mask in the red
// slot) with or without alpha, and alpha alone.
struct MaskLayout {
    uint32_t bytesPerTexel = 0;
    bool luminance = false;
    Channel r{0}, g{0}, b{0}, a{0};

    void Convert(const uint8_t* src, size_t texels, uint8_t* dst) const {
        for (size_t i = 0; i < texels; ++i, src += bytesPerTexel, dst += 4) {
            uint32_t texel = 0;
            for (uint32_t k = 0; k < bytesPerTexel; ++k)
                texel |= static_cast<uint32_t>(src[k]) << (8 * k);
            uint8_t red = r.Get(texel, 0);
            dst[0] = red;
            dst[1] = luminance ? red : g.Get(texel, 0);
            dst[2] = luminance ? red : b.Get(texel, 0);
            dst[3] = a.Get(texel, 255);
        }
    }
};

bool ReadPixelFormat(const uint8_t* pf, TextureImage& image, MaskLayout& layout,
                     std::string* error) {
    uint32_t flags = Le32(pf + 4);
    if (flags & kPixelFourCc) {
        const uint8_t* code = pf + 8;
        // DXT2 and DXT4 store the same blocks as DXT3 and DXT5, only with
        // colour already multiplied by alpha.
        if (std::memcmp(code, "DXT1", 4) == 0) {
            image.format = TexelFormat::Dxt1;
        } else if (std::memcmp(code, "DXT2", 4) == 0 || std::memcmp(code, "DXT3", 4) == 0) {
            image.format = TexelFormat::Dxt3;
        } else if (std::memcmp(code, "DXT4", 4) == 0 || std::memcmp(code, "DXT5", 4) == 0) {
            image.format = TexelFormat::Dxt5;
        } else {
            if (error) *error = "unsupported compressed layout";
            return false;
        }
        return true;
    }
    uint32_t bits = Le32(pf + 12);
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        if (error) *error = "unsupported texel size";
        return false;
    }
    if (!(flags & (kPixelRgb | kPixelLuminance | kPixelAlpha))) {
        if (error) *error = "unsupported texel layout";
        return false;
    }
    layout.bytesPerTexel = bits / 8;
    layout.luminance = (flags & kPixelLuminance) && !(flags & kPixelRgb);
    if (flags & (kPixelRgb | kPixelLuminance)) {
        layout.r = Channel(Le32(pf + 16));
        if (!layout.luminance) {
            layout.g = Channel(Le32(pf + 20));
            layout.b = Channel(Le32(pf + 24));
        }
    }
    uint32_t alphaMask = (flags & (kPixelAlphaPixels | kPixelAlpha)) ? Le32(pf + 28) : 0;
    layout.a = Channel(alphaMask);
    image.format = TexelFormat::Rgba8;
    image.alphaChannel = bits == 32 && std::popcount(alphaMask) == 8;
    return true;
}

} // namespace

bool DecodeDds(std::span<const uint8_t> bytes, TextureImage& out, std::string* error) {
    out = TextureImage{};
    if (bytes.size() < kHeaderSize || std::memcmp(bytes.data(), "DDS ", 4) != 0)
        return Fail(error, "not a DDS file or its header is cut short", out);
    const uint8_t* h = bytes.data();
    if (Le32(h + 4) != 124 || Le32(h + 76) != 32) return Fail(error, "damaged DDS header", out);
    uint32_t flags = Le32(h + 8);
    uint32_t height = Le32(h + 12);
    uint32_t width = Le32(h + 16);
    uint32_t caps = Le32(h + 108);
    uint32_t caps2 = Le32(h + 112);
    if (width == 0 || height == 0 || width > kMaxTextureSide || height > kMaxTextureSide)
        return Fail(error, "impossible texture size", out);
    if (caps2 & (kCaps2Cubemap | kCaps2Volume))
        return Fail(error, "cube and volume textures are not supported", out);

    TextureImage image;
    MaskLayout layout;
    if (!ReadPixelFormat(h + 76, image, layout, error)) {
        out = TextureImage{};
        return false;
    }

    // The claimed level count never exceeds a full chain, and every level is
    // checked against the bytes the file really holds before it is copied.
    uint32_t claimed = 1;
    if ((flags & kFlagMipCount) || (caps & kCapsMipmap)) claimed = std::max(1u, Le32(h + 28));
    uint32_t count = std::min(claimed, FullMipCount(width, height));

    size_t offset = kHeaderSize;
    uint32_t w = width, h2 = height;
    for (uint32_t level = 0; level < count; ++level) {
        uint64_t size = image.Compressed() ? LevelByteSize(image.format, w, h2)
                                           : static_cast<uint64_t>(w) * h2 * layout.bytesPerTexel;
        if (size > bytes.size() - offset) break;
        TextureLevel out2;
        out2.width = w;
        out2.height = h2;
        if (image.Compressed()) {
            out2.data.assign(bytes.begin() + static_cast<ptrdiff_t>(offset),
                             bytes.begin() + static_cast<ptrdiff_t>(offset + size));
        } else {
            out2.data.resize(static_cast<size_t>(w) * h2 * 4);
            layout.Convert(bytes.data() + offset, static_cast<size_t>(w) * h2, out2.data.data());
        }
        image.levels.push_back(std::move(out2));
        offset += static_cast<size_t>(size);
        w = std::max(1u, w / 2);
        h2 = std::max(1u, h2 / 2);
    }
    if (image.levels.empty()) return Fail(error, "DDS file is cut short", out);
    out = std::move(image);
    return true;
}

} // namespace view3d
