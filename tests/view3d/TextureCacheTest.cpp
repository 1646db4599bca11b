#include "view3d/TextureCache.h"
#include "ModelTestSupport.h"
#include "view3d/RecordingDevice.h"
#include "view3d/TextureResolver.h"

using namespace view3d;
using model_test::ModelFixture;

namespace {

// A 1x1 DDS of one A8R8G8B8 texel.
std::string ArgbDds() {
    std::string out = "DDS ";
    auto put = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    put(124);
    put(0x100F);
    put(1); // height
    put(1); // width
    out.append(4 * 3 + 44, '\0');
    put(32);
    put(0x41);
    put(0);
    put(32);
    for (uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u})
        put(mask);
    put(0x1000);
    out.resize(128);
    put(0x80FF0000);
    return out;
}

class TextureCacheTest : public ModelFixture {
  protected:
    RecordingDevice m_device;
    TextureCache m_cache;
    CatalogueTextureResolver m_resolver{m_catalogue};

    void TearDown() override { m_cache.Clear(m_device); }
};

} // namespace

TEST_F(TextureCacheTest, AVariantResolvesToItsOwnPictureAndIsCachedApart) {
    std::string mesh = Write("model/tank/body.msh", "");
    Write("texture/tank.tex", "{texture {Frame \"tank.tga\"} {Mipmap 1}}");
    Write("texture/tank#winter.tex", "{texture {Frame \"tank_w.tga\"} {Blend alpha}}");
    std::string plain = Write("texture/tank.tga", model_test::Tga(4, 4));
    std::string winter = Write("texture/tank_w.tga", model_test::Tga(8, 8));

    ResolvedTexture summer = m_resolver.Resolve(mesh, "/texture/tank.tex", "");
    ResolvedTexture snow = m_resolver.Resolve(mesh, "/texture/tank.tex", "winter");
    ResolvedTexture unknown = m_resolver.Resolve(mesh, "/texture/tank.tex", "desert");
    EXPECT_EQ(summer.path, plain);
    EXPECT_EQ(snow.path, winter);
    EXPECT_TRUE(m_resolver.IsAlphaBlended(snow.description));
    EXPECT_FALSE(m_resolver.HasMipmaps(snow.description));
    EXPECT_TRUE(m_resolver.HasMipmaps(summer.description));
    EXPECT_EQ(unknown.path, plain); // no desert picture: the plain one stands in

    TextureHandle a = m_cache.LoadFile(m_device, summer.path, true);
    TextureHandle b = m_cache.LoadFile(m_device, snow.path, false);
    TextureHandle c = m_cache.LoadFile(m_device, unknown.path, true);
    ASSERT_TRUE(a);
    ASSERT_TRUE(b);
    EXPECT_NE(a, b);
    EXPECT_EQ(a, c);
    EXPECT_EQ(m_cache.Find(winter), b);
    EXPECT_EQ(m_device.LogLines("CreateTexture").size(), 2u);
}

TEST_F(TextureCacheTest, LevelsAndFormatFollowTheFileAndTheMipMapFlag) {
    // The fixture's pictures carry an alpha channel; an opaque one has 24 bits.
    std::string rgb = model_test::Tga(8, 4);
    rgb[16] = 24;
    rgb[17] = 0;
    rgb.resize(18 + 8 * 4 * 3);
    std::string opaque = Write("texture/opaque.tga", rgb);
    std::string argb = Write("texture/glass.dds", ArgbDds());

    TextureHandle withMips = m_cache.LoadFile(m_device, opaque, true);
    TextureHandle glass = m_cache.LoadFile(m_device, argb, false);
    TextureDesc desc;
    ASSERT_TRUE(m_device.GetTextureDesc(withMips, desc));
    EXPECT_EQ(desc.format, TextureFormat::Rgbx8);
    EXPECT_EQ(desc.levels, 4u); // 8x4, 4x2, 2x1, 1x1
    EXPECT_TRUE(desc.fullMipChain);
    ASSERT_TRUE(m_device.GetTextureDesc(glass, desc));
    EXPECT_EQ(desc.format, TextureFormat::Rgba8);
    EXPECT_EQ(desc.levels, 1u);
}

TEST_F(TextureCacheTest, AFileThatFailsIsNotRememberedAndClearReleasesEverything) {
    std::string broken = Write("texture/broken.dds", "DDS garbage");
    EXPECT_FALSE(m_cache.LoadFile(m_device, broken, true));
    EXPECT_FALSE(m_cache.LoadFile(m_device, "", true));
    EXPECT_FALSE(m_cache.LoadFile(m_device, (m_res / "texture/missing.tga").string(), true));
    EXPECT_EQ(m_cache.Size(), 0u);

    // Fixed once on disk, the next object that names it gets it.
    Write("texture/broken.dds", ArgbDds());
    EXPECT_TRUE(m_cache.LoadFile(m_device, broken, true));

    // A device failure is not remembered either.
    std::string tga = Write("texture/a.tga", model_test::Tga(2, 2));
    m_device.FailCall("CreateTexture", DeviceResult::OutOfVideoMemory);
    EXPECT_FALSE(m_cache.LoadFile(m_device, tga, false));
    EXPECT_TRUE(m_cache.LoadFile(m_device, tga, false));

    std::vector<uint8_t> pixels(4, 255);
    EXPECT_TRUE(
        m_cache.Create(m_device, "$Player1$", TextureDesc{TextureFormat::Rgbx8, 1, 1}, pixels));
    EXPECT_EQ(m_device.LiveTextures(), 3u);
    m_cache.Clear(m_device);
    EXPECT_EQ(m_device.LiveTextures(), 0u);
    EXPECT_FALSE(m_cache.Find("$Player1$"));
}
