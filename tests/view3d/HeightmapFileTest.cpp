#include "view3d/HeightmapFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using view3d::HeightmapImage;

std::vector<uint8_t> Header(uint8_t type, uint16_t w, uint16_t h, uint8_t depth,
                            uint8_t descriptor = 0) {
    std::vector<uint8_t> out(18, 0);
    out[2] = type;
    out[12] = static_cast<uint8_t>(w & 0xFF);
    out[13] = static_cast<uint8_t>(w >> 8);
    out[14] = static_cast<uint8_t>(h & 0xFF);
    out[15] = static_cast<uint8_t>(h >> 8);
    out[16] = depth;
    out[17] = descriptor;
    return out;
}

std::vector<uint8_t> With(std::vector<uint8_t> bytes, std::initializer_list<uint8_t> more) {
    bytes.insert(bytes.end(), more);
    return bytes;
}

std::string Failure(const std::vector<uint8_t>& bytes) {
    HeightmapImage image;
    image.width = 77;
    std::string error;
    EXPECT_FALSE(view3d::ReadHeightmapBytes(bytes, image, error));
    EXPECT_EQ(image.width, 77u); // left untouched
    EXPECT_TRUE(image.heights.empty());
    return error;
}

HeightmapImage MustRead(const std::vector<uint8_t>& bytes) {
    HeightmapImage image;
    std::string error;
    EXPECT_TRUE(view3d::ReadHeightmapBytes(bytes, image, error)) << error;
    return image;
}

TEST(HeightmapFileTest, RowsRunUpTheMapWhicheverWayTheFileStoresThem) {
    // Stored bottom row first: 1 2 3 / 4 5 6.
    HeightmapImage up = MustRead(With(Header(3, 3, 2, 8), {1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(up.width, 3u);
    EXPECT_EQ(up.height, 2u);
    EXPECT_EQ(up.heights, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
    HeightmapImage down = MustRead(With(Header(3, 3, 2, 8, 0x20), {1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(down.heights, (std::vector<uint8_t>{4, 5, 6, 1, 2, 3}));
    HeightmapImage mirrored = MustRead(With(Header(3, 3, 1, 8, 0x10), {1, 2, 3}));
    EXPECT_EQ(mirrored.heights, (std::vector<uint8_t>{3, 2, 1}));
}

TEST(HeightmapFileTest, ColourAndRunLengthPicturesGiveTheSameHeights) {
    // 24-bit colour: the mean of the channels; 32-bit skips alpha.
    HeightmapImage colour = MustRead(With(Header(2, 2, 1, 24), {10, 20, 30, 9, 9, 9}));
    EXPECT_EQ(colour.heights, (std::vector<uint8_t>{20, 9}));
    HeightmapImage alpha = MustRead(With(Header(2, 1, 1, 32), {3, 6, 9, 255}));
    EXPECT_EQ(alpha.heights, (std::vector<uint8_t>{6}));
    // A repeat packet of three, then a raw packet of two.
    HeightmapImage runs = MustRead(With(Header(11, 5, 1, 8), {0x82, 7, 0x01, 1, 2}));
    EXPECT_EQ(runs.heights, (std::vector<uint8_t>{7, 7, 7, 1, 2}));
    // A run longer than the picture is cut at its end.
    HeightmapImage clipped = MustRead(With(Header(10, 2, 1, 24), {0xFF, 3, 3, 3}));
    EXPECT_EQ(clipped.heights, (std::vector<uint8_t>{3, 3}));
    // An identification field and a colour map are skipped.
    std::vector<uint8_t> skipped = Header(3, 1, 1, 8);
    skipped[0] = 2;
    skipped[1] = 1;
    skipped[5] = 1; // one entry
    skipped[7] = 24;
    EXPECT_EQ(MustRead(With(skipped, {'i', 'd', 0, 0, 0, 42})).heights, (std::vector<uint8_t>{42}));
}

TEST(HeightmapFileTest, BrokenFilesFailWithAReason) {
    EXPECT_EQ(Failure({0, 0, 3}), "file ends inside the header");
    EXPECT_EQ(Failure(With(Header(3, 3, 2, 8), {1, 2, 3, 4, 5})),
              "file ends before its last pixel");
    EXPECT_EQ(Failure(With(Header(2, 2, 1, 24), {1, 2, 3, 4, 5})),
              "file ends before its last pixel");
    // Run-length data that stops inside a packet, or before the last run.
    EXPECT_EQ(Failure(With(Header(11, 5, 1, 8), {0x82, 7, 0x01, 1})),
              "file ends before its last pixel");
    EXPECT_EQ(Failure(With(Header(11, 5, 1, 8), {0x82, 7})), "file ends before its last pixel");
    EXPECT_EQ(Failure(With(Header(10, 1, 1, 24), {0x80, 1, 2})), "file ends before its last pixel");
    // An identification field longer than the file.
    std::vector<uint8_t> longId = With(Header(3, 1, 1, 8), {5});
    longId[0] = 200;
    EXPECT_EQ(Failure(longId), "file ends before its last pixel");
    // A colour map that claims 65535 entries of 4 bytes.
    std::vector<uint8_t> bigMap = With(Header(2, 1, 1, 24), {1, 2, 3});
    bigMap[1] = 1;
    bigMap[5] = bigMap[6] = 0xFF;
    bigMap[7] = 32;
    EXPECT_EQ(Failure(bigMap), "file ends before its last pixel");

    EXPECT_EQ(Failure(With(Header(1, 1, 1, 8), {0})),
              "not a grey or true-colour TGA picture (type 1)");
    EXPECT_EQ(Failure(With(Header(3, 1, 1, 16), {0, 0})), "unsupported pixel depth 16");
    EXPECT_EQ(Failure(With(Header(2, 1, 1, 8), {0})), "unsupported pixel depth 8");
    EXPECT_EQ(Failure(Header(3, 0, 5, 8)), "unsupported picture size 0 x 5");
    // Absurd sizes are refused from the header alone, before any pixel is
    // looked for or any room made for them.
    EXPECT_EQ(Failure(Header(3, 65535, 65535, 8)), "unsupported picture size 65535 x 65535");
    EXPECT_EQ(Failure(Header(10, 8193, 1, 24)), "unsupported picture size 8193 x 1");
}

TEST(HeightmapFileTest, LoaderKeepsTheLastHeightmapThatLoaded) {
    testing_support::TempDir tmp;
    const auto good = tmp.path() / "good.tga";
    const auto bad = tmp.path() / "bad.tga";
    const std::vector<uint8_t> bytes = With(Header(3, 2, 1, 8), {4, 8});
    std::ofstream(good, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    std::ofstream(bad, std::ios::binary) << "TGA?";

    view3d::FileHeightmapLoader loader;
    EXPECT_FALSE(loader.LoadHeightmap((tmp.path() / "missing.tga").string()));
    EXPECT_EQ(loader.LastError(), "cannot read the file");
    EXPECT_FALSE(loader.LoadHeightmap(""));
    EXPECT_TRUE(loader.LoadHeightmap(good.string()));
    EXPECT_TRUE(loader.LastError().empty());
    EXPECT_FALSE(loader.LoadHeightmap(bad.string()));
    EXPECT_EQ(loader.LastError(), "file ends inside the header");
    ASSERT_TRUE(loader.Loaded());
    EXPECT_EQ(loader.Image().heights, (std::vector<uint8_t>{4, 8}));
    EXPECT_FALSE(loader.LoadHeightmap(tmp.path().string())); // a folder
}

} // namespace
