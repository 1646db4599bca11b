#include "view3d/TextureImage.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

using namespace view3d;

namespace {

using Bytes = std::vector<uint8_t>;

void Put32(Bytes& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put16(Bytes& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

// A DDS header written field by field, so each test can break one field.
struct DdsHeader {
    uint32_t size = 124;
    uint32_t flags = 0x1007;
    uint32_t height = 4;
    uint32_t width = 4;
    uint32_t mipCount = 0;
    uint32_t pfSize = 32;
    uint32_t pfFlags = 0x4;
    const char* fourCc = "DXT1";
    uint32_t bits = 0;
    std::array<uint32_t, 4> masks{}; // r, g, b, a
    uint32_t caps = 0x1000;
    uint32_t caps2 = 0;

    Bytes Write() const {
        Bytes out = {'D', 'D', 'S', ' '};
        Put32(out, size);
        Put32(out, flags);
        Put32(out, height);
        Put32(out, width);
        Put32(out, 0); // pitch: never trusted
        Put32(out, 0); // depth
        Put32(out, mipCount);
        out.resize(out.size() + 44);
        Put32(out, pfSize);
        Put32(out, pfFlags);
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<uint8_t>(fourCc[i]));
        Put32(out, bits);
        for (uint32_t m : masks)
            Put32(out, m);
        Put32(out, caps);
        Put32(out, caps2);
        out.resize(128);
        return out;
    }
};

DdsHeader Uncompressed(uint32_t bits, std::array<uint32_t, 4> masks, uint32_t pfFlags) {
    DdsHeader h;
    h.pfFlags = pfFlags;
    h.fourCc = "\0\0\0\0";
    h.bits = bits;
    h.masks = masks;
    return h;
}

// An 8-byte colour block: two 5:6:5 end points and sixteen 2-bit indices.
Bytes ColourBlock(uint16_t c0, uint16_t c1, uint32_t indices) {
    Bytes b;
    Put16(b, c0);
    Put16(b, c1);
    Put32(b, indices);
    return b;
}

std::array<uint8_t, 4> Texel(const uint8_t* rgba, int i) {
    return {rgba[4 * i], rgba[4 * i + 1], rgba[4 * i + 2], rgba[4 * i + 3]};
}
using Rgba = std::array<uint8_t, 4>;

bool Decode(const Bytes& bytes, TextureImage& image, std::string* error = nullptr) {
    return DecodeTexture(std::span<const uint8_t>(bytes), image, error);
}

constexpr uint16_t kRed565 = 0xF800, kBlue565 = 0x001F;

} // namespace

// --- block decoding --------------------------------------------------------------

TEST(DxtBlockTest, FourColourBlockInterpolatesTwoThirdsBetweenEndPoints) {
    uint8_t rgba[64];
    Bytes block = ColourBlock(kRed565, kBlue565, 0b11100100); // texels 0..3 use indices 0..3
    DecodeDxtBlock(TexelFormat::Dxt1, block.data(), rgba);
    EXPECT_EQ(Texel(rgba, 0), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(Texel(rgba, 1), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(Texel(rgba, 2), (Rgba{170, 0, 85, 255}));
    EXPECT_EQ(Texel(rgba, 3), (Rgba{85, 0, 170, 255}));
    EXPECT_EQ(Texel(rgba, 15), (Rgba{255, 0, 0, 255}));
}

TEST(DxtBlockTest, Dxt1WithEndPointsInRisingOrderHasAMidColourAndTransparentBlack) {
    uint8_t rgba[64];
    Bytes block = ColourBlock(kBlue565, kRed565, 0b11100100);
    DecodeDxtBlock(TexelFormat::Dxt1, block.data(), rgba);
    EXPECT_EQ(Texel(rgba, 2), (Rgba{127, 0, 127, 255}));
    EXPECT_EQ(Texel(rgba, 3), (Rgba{0, 0, 0, 0}));

    // The colour half of a DXT3 or DXT5 block never has a transparent entry.
    Bytes dxt3(8, 0xFF);
    dxt3.insert(dxt3.end(), block.begin(), block.end());
    DecodeDxtBlock(TexelFormat::Dxt3, dxt3.data(), rgba);
    EXPECT_EQ(Texel(rgba, 3), (Rgba{170, 0, 85, 255}));
}

TEST(DxtBlockTest, Dxt3AlphaIsFourBitsPerTexelWidened) {
    uint8_t rgba[64];
    Bytes block = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE}; // texel i has alpha i
    Bytes colour = ColourBlock(kRed565, kRed565, 0);
    block.insert(block.end(), colour.begin(), colour.end());
    DecodeDxtBlock(TexelFormat::Dxt3, block.data(), rgba);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(rgba[4 * i + 3], i * 17) << "texel " << i;
    EXPECT_EQ(rgba[0], 255);
}

TEST(DxtBlockTest, Dxt5AlphaUsesEightOrSixStepRampByEndPointOrder) {
    auto alphaBlock = [](uint8_t a0, uint8_t a1) {
        // texel i takes index i % 8
        uint64_t bits = 0;
        for (int i = 0; i < 16; ++i)
            bits |= uint64_t(i % 8) << (3 * i);
        Bytes b = {a0, a1};
        for (int k = 0; k < 6; ++k)
            b.push_back(static_cast<uint8_t>(bits >> (8 * k)));
        Bytes colour = ColourBlock(0, 0, 0);
        b.insert(b.end(), colour.begin(), colour.end());
        return b;
    };
    uint8_t rgba[64];
    Bytes falling = alphaBlock(255, 0);
    DecodeDxtBlock(TexelFormat::Dxt5, falling.data(), rgba);
    const int eight[8] = {255, 0, 218, 182, 145, 109, 72, 36};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(rgba[4 * i + 3], eight[i]) << "index " << i;

    Bytes rising = alphaBlock(0, 255);
    DecodeDxtBlock(TexelFormat::Dxt5, rising.data(), rgba);
    const int six[8] = {0, 255, 51, 102, 153, 204, 0, 255};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(rgba[4 * i + 3], six[i]) << "index " << i;
}

TEST(DxtBlockTest, DecompressingALevelSmallerThanABlockKeepsOnlyItsTexels) {
    TextureImage image;
    image.format = TexelFormat::Dxt1;
    Bytes block = ColourBlock(kRed565, kBlue565, 0x00000010); // texel 2 blue, others red
    image.levels.push_back(TextureLevel{2, 1, block});
    DecompressImage(image);
    EXPECT_EQ(image.format, TexelFormat::Rgba8);
    ASSERT_EQ(image.levels[0].data.size(), 8u);
    EXPECT_EQ(Texel(image.levels[0].data.data(), 0), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(Texel(image.levels[0].data.data(), 1), (Rgba{255, 0, 0, 255}));
}

// --- DDS files -----------------------------------------------------------------

TEST(DdsReaderTest, ReadsArgbTexelsIntoRgbaOrderWithTheirMipLevels) {
    DdsHeader h = Uncompressed(32, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}, 0x41);
    h.width = 2;
    h.height = 2;
    h.flags |= 0x20000;
    h.mipCount = 2;
    Bytes file = h.Write();
    for (uint32_t texel : {0x80102030u, 0xFF405060u, 0x00708090u, 0x10A0B0C0u, 0xFFFFFFFFu})
        Put32(file, texel);
    TextureImage image;
    ASSERT_TRUE(Decode(file, image));
    EXPECT_EQ(image.format, TexelFormat::Rgba8);
    EXPECT_TRUE(image.alphaChannel);
    ASSERT_EQ(image.levels.size(), 2u);
    EXPECT_EQ(Texel(image.levels[0].data.data(), 0), (Rgba{0x10, 0x20, 0x30, 0x80}));
    EXPECT_EQ(Texel(image.levels[0].data.data(), 3), (Rgba{0xA0, 0xB0, 0xC0, 0x10}));
    EXPECT_EQ(image.levels[1].width, 1u);
    EXPECT_EQ(Texel(image.levels[1].data.data(), 0), (Rgba{255, 255, 255, 255}));
}

TEST(DdsReaderTest, WidensNarrowChannelsAndFillsMissingOnes) {
    // 5:6:5 without alpha: full-scale channels become 255, alpha is opaque.
    DdsHeader rgb565 = Uncompressed(16, {0xF800, 0x07E0, 0x001F, 0}, 0x40);
    rgb565.width = rgb565.height = 1;
    Bytes file = rgb565.Write();
    Put16(file, 0xF81F); // full red and blue, no green
    TextureImage image;
    ASSERT_TRUE(Decode(file, image));
    EXPECT_FALSE(image.alphaChannel);
    EXPECT_EQ(Texel(image.levels[0].data.data(), 0), (Rgba{255, 0, 255, 255}));

    // 8-bit luminance becomes grey.
    DdsHeader lum = Uncompressed(8, {0xFF, 0, 0, 0}, 0x20000);
    lum.width = lum.height = 1;
    file = lum.Write();
    file.push_back(0x40);
    ASSERT_TRUE(Decode(file, image));
    EXPECT_EQ(Texel(image.levels[0].data.data(), 0), (Rgba{0x40, 0x40, 0x40, 255}));

    // 24-bit RGB with 4-bit alpha elsewhere is no 8-bit alpha channel.
    DdsHeader argb4 = Uncompressed(16, {0x0F00, 0x00F0, 0x000F, 0xF000}, 0x41);
    argb4.width = argb4.height = 1;
    file = argb4.Write();
    Put16(file, 0x8F00);
    ASSERT_TRUE(Decode(file, image));
    EXPECT_FALSE(image.alphaChannel);
    EXPECT_EQ(Texel(image.levels[0].data.data(), 0), (Rgba{255, 0, 0, 136}));
}

TEST(DdsReaderTest, KeepsCompressedBlocksAndCapsTheLevelCountAtAFullChain) {
    DdsHeader h;
    h.width = h.height = 8;
    h.flags |= 0x20000;
    h.mipCount = 1000;
    h.fourCc = "DXT5";
    Bytes file = h.Write();
    // 8x8 is 4 blocks, then 1, 1, 1 for 4x4, 2x2 and 1x1.
    for (int block = 0; block < 7; ++block)
        file.insert(file.end(), 16, static_cast<uint8_t>(block));
    TextureImage image;
    ASSERT_TRUE(Decode(file, image));
    EXPECT_EQ(image.format, TexelFormat::Dxt5);
    ASSERT_EQ(image.levels.size(), 4u);
    EXPECT_EQ(image.levels[0].data.size(), 64u);
    EXPECT_EQ(image.levels[3].width, 1u);
    EXPECT_EQ(image.levels[3].data, Bytes(16, 6));
}

TEST(DdsReaderTest, DropsMipLevelsTheFileDoesNotHoldCompletely) {
    DdsHeader h;
    h.width = h.height = 8;
    h.flags |= 0x20000;
    h.mipCount = 4;
    Bytes file = h.Write();
    file.insert(file.end(), 4 * 8 + 8 + 3, 0); // level 0, level 1 and a piece of level 2
    TextureImage image;
    ASSERT_TRUE(Decode(file, image));
    EXPECT_EQ(image.levels.size(), 2u);
}

TEST(DdsReaderTest, RefusesDamagedAndHostileHeadersWithoutReadingBeyondTheFile) {
    struct Case {
        const char* what;
        Bytes bytes;
    };
    std::vector<Case> cases;
    auto with = [&](const char* what, auto change, size_t extra = 64) {
        DdsHeader h;
        change(h);
        Bytes file = h.Write();
        file.resize(file.size() + extra);
        cases.push_back({what, file});
    };
    with("zero width", [](DdsHeader& h) { h.width = 0; });
    with("huge size", [](DdsHeader& h) { h.width = h.height = 0x40000000; });
    with("wrong header size", [](DdsHeader& h) { h.size = 100; });
    with("wrong pixel-format size", [](DdsHeader& h) { h.pfSize = 0; });
    with("unknown compression", [](DdsHeader& h) { h.fourCc = "ATI2"; });
    with("cube map", [](DdsHeader& h) { h.caps2 = 0x200 | 0xFC00; });
    with("odd texel size", [](DdsHeader& h) { h = Uncompressed(7, {0x7F, 0, 0, 0}, 0x40); });
    with("no layout flags", [](DdsHeader& h) { h = Uncompressed(32, {}, 0); });
    with(
        "level 0 cut short", [](DdsHeader& h) { h.width = h.height = 64; }, 100);
    Bytes header = DdsHeader{}.Write();
    cases.push_back({"header only half there", Bytes(header.begin(), header.begin() + 60)});
    cases.push_back({"empty", {}});

    for (const Case& c : cases) {
        TextureImage image;
        std::string error;
        EXPECT_FALSE(DecodeDds(c.bytes, image, &error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
        EXPECT_TRUE(image.levels.empty()) << c.what;
    }
}

// --- pictures ------------------------------------------------------------------

TEST(PictureReaderTest, ReadsTgaAndBmpTopRowFirstAndNotesAnAlphaChannel) {
    // 2x2 TGA, 32-bit, rows stored bottom to top, BGRA.
    Bytes tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 32, 8};
    for (Rgba bgra : {Rgba{0, 0, 255, 128}, Rgba{0, 255, 0, 128}, // bottom row: red, green
                      Rgba{255, 0, 0, 255}, Rgba{255, 255, 255, 255}})
        tga.insert(tga.end(), bgra.begin(), bgra.end());
    TextureImage image;
    ASSERT_TRUE(Decode(tga, image));
    EXPECT_TRUE(image.alphaChannel);
    EXPECT_EQ(Texel(image.levels[0].data.data(), 0), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(Texel(image.levels[0].data.data(), 2), (Rgba{255, 0, 0, 128}));

    // 1x2 BMP, 24-bit, each row padded to four bytes.
    Bytes bmp = {'B', 'M'};
    Put32(bmp, 14 + 40 + 8);
    Put32(bmp, 0);
    Put32(bmp, 14 + 40);
    Put32(bmp, 40);
    Put32(bmp, 1);
    Put32(bmp, 2);
    Put16(bmp, 1);
    Put16(bmp, 24);
    for (int i = 0; i < 6; ++i)
        Put32(bmp, 0);
    bmp.insert(bmp.end(), {0, 255, 0, 0, 255, 0, 0, 0}); // bottom green, top blue
    ASSERT_TRUE(Decode(bmp, image));
    EXPECT_FALSE(image.alphaChannel);
    EXPECT_EQ(Texel(image.levels[0].data.data(), 0), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(Texel(image.levels[0].data.data(), 1), (Rgba{0, 255, 0, 255}));
}

TEST(PictureReaderTest, RefusesDamagedPictures) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    Bytes tgaTooLarge = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 32, 8, 1, 2};
    for (const Bytes& bytes : {png, tgaTooLarge, Bytes{'B', 'M', 1}, Bytes{0xFF, 0xD8, 0xFF}}) {
        TextureImage image;
        std::string error;
        EXPECT_FALSE(Decode(bytes, image, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(image.levels.empty());
    }
}

// --- level chains --------------------------------------------------------------

TEST(MipLevelTest, AFullChainIsAveragedDownToOneTexel) {
    TextureImage image;
    image.levels.push_back(TextureLevel{4, 2, {}});
    // Left half black, right half white, opaque.
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            uint8_t v = x < 2 ? 0 : 255;
            image.levels[0].data.insert(image.levels[0].data.end(), {v, v, v, 255});
        }
    PrepareMipLevels(image, true);
    ASSERT_EQ(image.levels.size(), 3u);
    EXPECT_EQ(image.levels[1].width, 2u);
    EXPECT_EQ(image.levels[1].height, 1u);
    EXPECT_EQ(Texel(image.levels[1].data.data(), 0), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(Texel(image.levels[1].data.data(), 1), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(Texel(image.levels[2].data.data(), 0), (Rgba{128, 128, 128, 255}));

    PrepareMipLevels(image, false);
    EXPECT_EQ(image.levels.size(), 1u);
}

TEST(MipLevelTest, ACompressedFileWithoutItsChainIsDecodedToMakeOne) {
    DdsHeader h;
    h.width = h.height = 4;
    Bytes file = h.Write();
    Bytes block = ColourBlock(kRed565, kRed565, 0);
    file.insert(file.end(), block.begin(), block.end());
    TextureImage image;
    ASSERT_TRUE(Decode(file, image));
    PrepareMipLevels(image, true);
    EXPECT_EQ(image.format, TexelFormat::Rgba8);
    ASSERT_EQ(image.levels.size(), 3u);
    EXPECT_EQ(Texel(image.levels[2].data.data(), 0), (Rgba{255, 0, 0, 255}));
}
