// Sprites: the flat quad, the description's flags, where the picture comes
// from, and the picture sizes the quad is made from.
#include "ModelTestSupport.h"

#include "resources/CatalogueTestSupport.h"
#include "view3d/ImageSize.h"

using namespace model_test;

namespace {

class SpriteLoaderTest : public ModelFixture {
  protected:
    view3d::CModelLoader m_loader{m_catalogue};
};

struct QuadVertex {
    float x, y, z, nx, ny, nz, u, v;
};

QuadVertex VertexOf(const view3d::MeshData& mesh, size_t i) {
    QuadVertex q;
    std::memcpy(&q, mesh.vertices.data() + i * 32, 32);
    return q;
}

TEST_F(SpriteLoaderTest, SpriteIsAFlatQuadAnchoredAtItsAxis) {
    Write("fx/pic.tga", Tga(64, 32));
    std::string ebm = Write("fx/smoke.ebm", R"({bitmap
	{Filtering 1}
	{Frame "pic.tga"}
	{Blend ALPHA}
	{Mipmap 0}
	{Axis 16 8}
}
)");
    CDefNode sprite("Sprite", "/fx/smoke.ebm");
    sprite.AddChild("Scale", "3.0");
    sprite.AddChild("PreScaleX", "2.0");
    sprite.AddChild("Visibility", "0.8");
    std::string error;
    auto data = m_loader.LoadSprite(ebm, &sprite, error);
    ASSERT_TRUE(data) << error;
    EXPECT_EQ(data->format, 274u);
    EXPECT_EQ(data->stride, 32u);
    EXPECT_EQ(data->vertexCount, 4u);
    EXPECT_EQ(data->faceCount, 2u);
    EXPECT_EQ(data->indices, (std::vector<uint16_t>{1, 2, 0, 2, 3, 0}));
    const float expected[4][4] = {{-16, 24, 0, 1}, {-16, -8, 0, 0}, {48, -8, 1, 0}, {48, 24, 1, 1}};
    for (size_t i = 0; i < 4; ++i) {
        QuadVertex q = VertexOf(*data, i);
        EXPECT_EQ(q.x, expected[i][0]) << i;
        EXPECT_EQ(q.y, expected[i][1]) << i;
        EXPECT_EQ(q.z, 0.0f);
        EXPECT_EQ(q.nz, -1.0f);
        EXPECT_EQ(q.u, expected[i][2]) << i;
        EXPECT_EQ(q.v, expected[i][3]) << i;
    }
    EXPECT_EQ(data->box.min, glm::vec3(-16, -8, 0));
    EXPECT_EQ(data->box.max, glm::vec3(48, 24, 0));
    ASSERT_EQ(data->textures.size(), 1u);
    EXPECT_EQ(fs::path(data->textures[0].name).filename(), "pic.tga");
    EXPECT_EQ(data->textures[0].hasAlpha, 1u);
    EXPECT_EQ(data->textures[0].mipMap, 0u);
    EXPECT_EQ(data->preScaleX, 2.0f);
    EXPECT_EQ(data->preScaleY, 3.0f);
    EXPECT_FLOAT_EQ(data->visibility, 0.8f);
}

TEST_F(SpriteLoaderTest, DescriptionsWithoutAUsableFrameGiveNoSprite) {
    std::string error = "stale";
    std::string noFrame = Write("fx/none.ebm", "{bitmap {Axis 1 1}}");
    EXPECT_FALSE(m_loader.LoadSprite(noFrame, nullptr, error));
    EXPECT_EQ(error, ""); // nothing to show, no failure
    std::string empty = Write("fx/empty.ebm", "{bitmap {Frame \"\"}}");
    EXPECT_FALSE(m_loader.LoadSprite(empty, nullptr, error));
    EXPECT_NE(error.find("names no frame"), std::string::npos);
    std::string missing = Write("fx/missing.ebm", "{bitmap {Frame \"gone.tga\"}}");
    EXPECT_FALSE(m_loader.LoadSprite(missing, nullptr, error));
    EXPECT_NE(error.find("cannot read the picture"), std::string::npos);
}

TEST_F(SpriteLoaderTest, MissingPictureIsUnpackedFromThePatchBeforeTheGame) {
    fs::path game = m_tmp.path() / "game";
    catalogue_test::MakePak(game / "game.pak", {{"fx/pic.tga", Tga(8, 8)}});
    std::string ebm = Write("fx/a.ebm", "{bitmap {Frame \"pic.tga\"}}");
    std::string error;
    auto fromGame = m_loader.LoadSprite(ebm, nullptr, error);
    ASSERT_TRUE(fromGame) << error;
    EXPECT_EQ(fromGame->box.max, glm::vec3(8, 8, 0));

    catalogue_test::MakePak(game / "resource" / "Patch" / "2.pat", {{"fx/pic2.tga", Tga(2, 4)}});
    catalogue_test::MakePak(game / "game.pak", {{"fx/pic2.tga", Tga(8, 8)}});
    std::string patched = Write("fx/b.ebm", "{bitmap {Frame \"pic2.tga\"}}");
    auto fromPatch = m_loader.LoadSprite(patched, nullptr, error);
    ASSERT_TRUE(fromPatch) << error;
    EXPECT_EQ(fromPatch->box.max, glm::vec3(2, 4, 0));
}

std::span<const uint8_t> Bytes(const std::string& s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

TEST(ImageSizeTest, SizesOfEveryPictureFormatTheGameUses) {
    uint32_t w = 0, h = 0;
    EXPECT_TRUE(view3d::ReadImageSize(Bytes(Tga(300, 2)), w, h));
    EXPECT_EQ(w, 300u);
    EXPECT_EQ(h, 2u);

    std::string dds = "DDS " + std::string(16, '\0');
    dds[12] = 64;  // height
    dds[16] = 127; // width
    EXPECT_TRUE(view3d::ReadImageSize(Bytes(dds), w, h));
    EXPECT_EQ(w, 127u);
    EXPECT_EQ(h, 64u);

    std::string bmp = "BM" + std::string(24, '\0');
    bmp[14] = 40;
    bmp[18] = 10;
    for (int i = 22; i < 26; ++i) // a height of -1: rows top to bottom
        bmp[static_cast<size_t>(i)] = '\xff';
    EXPECT_TRUE(view3d::ReadImageSize(Bytes(bmp), w, h));
    EXPECT_EQ(w, 10u);
    EXPECT_EQ(h, 1u);

    std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + std::string("\0\0\0\x0dIHDR", 8) +
                      std::string("\0\0\x01\0\0\0\0\x20", 8);
    EXPECT_TRUE(view3d::ReadImageSize(Bytes(png), w, h));
    EXPECT_EQ(w, 256u);
    EXPECT_EQ(h, 32u);

    // start of image, an APP0 segment of 4 bytes, then a baseline frame of 3 x 5
    std::string jpeg("\xff\xd8\xff\xe0\x00\x04\x00\x00\xff\xc0\x00\x0b\x08\x00\x05\x00\x03", 17);
    EXPECT_TRUE(view3d::ReadImageSize(Bytes(jpeg), w, h));
    EXPECT_EQ(w, 3u);
    EXPECT_EQ(h, 5u);

    EXPECT_FALSE(view3d::ReadImageSize(Bytes(Tga(0, 4)), w, h));
    EXPECT_FALSE(view3d::ReadImageSize(Bytes("DDS "), w, h));
    EXPECT_FALSE(view3d::ReadImageSize(Bytes(std::string("\xff\xd8\xff\xe0\x00\x01", 6)), w, h));
    EXPECT_FALSE(view3d::ReadImageSize(Bytes("not a picture at all, just text"), w, h));
}

} // namespace
