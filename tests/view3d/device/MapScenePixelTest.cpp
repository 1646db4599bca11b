// The 3D view's scene drawn on the OpenGL device in an offscreen context:
// the crossroads mission opens with its ground and units where the camera
// says, a turn and a zoom change the picture, fullscreen adds the sky, a
// lost context comes back with the same picture, and the minimap is the map
// from above. The pictures are written for a person to look at.

#include "OffscreenGl.h"

#include "document/VarnholtMapEditorDoc.h"
#include "pak/PakArchive.h"
#include "platform/Progress.h"
#include "platform/Prompts.h"
#include "resources/ResourceCatalogue.h"
#include "view3d/MapScene.h"
#include "view3d/ModelCache.h"
#include "view3d/device/GlRenderDevice.h"

#include <gtest/gtest.h>
#include <stb/stb_image_write.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;
using namespace view3d;

namespace {

constexpr uint32_t kWidth = 640, kHeight = 400;

class OffscreenWindow : public SceneWindow {
  public:
    explicit OffscreenWindow(device_test::OffscreenGl& gl) : m_gl(gl) {}
    RenderDevice* CreateDevice() override {
        device = GlRenderDevice::Create(view3d::PresentParameters{kWidth, kHeight, true});
        if (device) device->SetBackBufferFramebuffer(m_gl.Framebuffer());
        return device.get();
    }
    bool CreateFullscreenWindow() override { return true; }
    bool AttachDevice() override { return true; }
    void CloseFrame() override { closed = true; }
    void SetWaitCursor(bool) override {}
    void AdoptWindowSize() override {}

    std::unique_ptr<GlRenderDevice> device;
    bool closed = false;

  private:
    device_test::OffscreenGl& m_gl;
};

struct Picture {
    std::vector<uint8_t> rgba;
    // Pixels of the white clear colour, and pixels close to a colour.
    size_t Clear() const { return Near(255, 255, 255, 0); }
    size_t Near(int r, int g, int b, int tolerance) const {
        size_t n = 0;
        for (size_t i = 0; i + 3 < rgba.size(); i += 4)
            if (std::abs(rgba[i] - r) <= tolerance && std::abs(rgba[i + 1] - g) <= tolerance &&
                std::abs(rgba[i + 2] - b) <= tolerance)
                ++n;
        return n;
    }
    size_t Differing(const Picture& other) const {
        size_t n = 0;
        for (size_t i = 0; i + 3 < rgba.size() && i + 3 < other.rgba.size(); i += 4)
            if (std::abs(rgba[i] - other.rgba[i]) + std::abs(rgba[i + 1] - other.rgba[i + 1]) +
                    std::abs(rgba[i + 2] - other.rgba[i + 2]) >
                30)
                ++n;
        return n;
    }
};

Picture Draw(MapScene& scene, GlRenderDevice& device, const char* name) {
    EXPECT_EQ(scene.RenderFrame(), DeviceResult::Ok);
    Picture picture;
    EXPECT_EQ(device.ReadBackBuffer(picture.rgba), DeviceResult::Ok);
    fs::create_directories(VM_PIXEL_OUTPUT);
    stbi_write_png((fs::path(VM_PIXEL_OUTPUT) / name).string().c_str(), kWidth, kHeight, 4,
                   picture.rgba.data(), kWidth * 4);
    return picture;
}

TEST(MapScenePixelTest, TheCrossroadsMissionIsShownTurnedZoomedFullscreenAndAfterALostContext) {
    device_test::OffscreenGl gl(kWidth, kHeight);
    if (!gl.Ready()) GTEST_SKIP() << "no OpenGL context: " << gl.Why();
    const fs::path work =
        fs::temp_directory_path() / ("vm_map_scene_pixels_" + std::to_string(::getpid()));
    fs::remove_all(work);
    platform::SilentPrompts prompts;
    platform::NullProgress progress;
    resources::CResourceCatalogue catalogue(&prompts, &progress, nullptr);
    catalogue.SetGamePath(VM_DEMO_GAME);
    catalogue.SetResourceDir((work / "res").string());
    ASSERT_TRUE(catalogue.LoadResources());
    pak::CPakArchive pak;
    ASSERT_TRUE(pak.Open(fs::path(VM_DEMO_GAME) / "game.pak") && pak.List() &&
                pak.Extract({},
                            {"map/single/crossroads/crossroads.mi", "map/single/crossroads/map"},
                            work / "res"));
    CModelCache models(catalogue);
    {
        CVarnholtMapEditorDoc doc(document::DocumentServices{&prompts, nullptr, &catalogue});
        ASSERT_TRUE(
            doc.OnOpenDocument((work / "res/map/single/crossroads/crossroads.mi").string()));
        OffscreenWindow window(gl);
        MapScene scene(doc, {&catalogue, &models, &prompts, &progress, nullptr});
        ASSERT_TRUE(scene.StartUp(window));
        ASSERT_TRUE(window.device);
        ASSERT_TRUE(scene.SizeChanged(kWidth, kHeight));

        // The stored camera looks down on the crossroads: ground and units
        // fill most of the picture, and the white sky shows above them.
        const Picture first = Draw(scene, *window.device, "map-scene-start.png");
        const size_t total = size_t(kWidth) * kHeight;
        EXPECT_LT(first.Clear(), total / 2) << "the ground covers most of the view";
        EXPECT_GT(first.Clear(), size_t(0)) << "the stored camera sees the horizon";
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

        // The centre of the view is the stored target (0, -60), or the hill
        // in front of it on the line of sight.
        std::optional<glm::vec3> centre = scene.UpdateGroundPoint(kWidth / 2.0f, kHeight / 2.0f);
        ASSERT_TRUE(centre);
        EXPECT_NEAR(centre->x, 0.0f, 50.0f);
        EXPECT_NEAR(centre->y, -60.0f, 50.0f);
        EXPECT_NEAR(centre->x - 0.0f, centre->y + 60.0f, 2.0f) << "on the line from the north-east";

        // A quarter turn and a zoom change the picture.
        Camera& camera = scene.GetCamera();
        ASSERT_TRUE(camera.KeyDown(CameraKey::Left));
        const Picture turned = Draw(scene, *window.device, "map-scene-turned.png");
        EXPECT_GT(turned.Differing(first), total / 10);
        ASSERT_TRUE(camera.Wheel(1200));
        const Picture zoomed = Draw(scene, *window.device, "map-scene-zoomed.png");
        EXPECT_GT(zoomed.Differing(turned), total / 10);

        // Leaving out what lies outside the view changes no pixel.
        scene.SetFrustumCulling(false);
        const Picture everything = Draw(scene, *window.device, "map-scene-unculled.png");
        scene.SetFrustumCulling(true);
        EXPECT_EQ(everything.Differing(zoomed), 0u);

        // Fullscreen shows the sky instead of the white clear colour.
        scene.SetFullscreen(true);
        const Picture full = Draw(scene, *window.device, "map-scene-fullscreen.png");
        EXPECT_LT(full.Clear(), zoomed.Clear() / 4 + 1);
        scene.SetFullscreen(false);

        // The context goes and comes back: the same picture again.
        scene.InvalidateDeviceObjects();
        window.device->ContextLost();
        scene.MarkDeviceLost();
        window.device->ContextRestored();
        const Picture restored = Draw(scene, *window.device, "map-scene-restored.png");
        EXPECT_LT(restored.Differing(zoomed), total / 100);

        // The minimap: the map from above on black, 250 pixels along its
        // longer side.
        std::optional<document::BoundsPicture> minimap = scene.CaptureMinimap();
        ASSERT_TRUE(minimap);
        EXPECT_EQ(std::max(minimap->width, minimap->height), kMinimapSide);
        size_t black = 0;
        std::vector<uint8_t> rgba;
        for (uint32_t p : minimap->pixels) {
            if ((p & 0xFFFFFF) == 0) ++black;
            rgba.insert(rgba.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), 255});
        }
        EXPECT_LT(black, minimap->pixels.size() / 2) << "the ground fills the minimap";
        stbi_write_png((fs::path(VM_PIXEL_OUTPUT) / "map-scene-minimap.png").string().c_str(),
                       minimap->width, minimap->height, 4, rgba.data(), minimap->width * 4);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        scene.DeleteDeviceObjects();
    }
    fs::remove_all(work);
}

} // namespace
