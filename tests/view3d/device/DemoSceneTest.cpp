// The scene of a demo mission, made by the same factory the 3D view uses, on
// the OpenGL device: every element's buffers and textures are created
// without an OpenGL error, and a frame draws them.

#include "OffscreenGl.h"

#include "format/DefParser.h"
#include "pak/PakArchive.h"
#include "platform/Progress.h"
#include "platform/Prompts.h"
#include "resources/ResourceCatalogue.h"
#include "view3d/ModelCache.h"
#include "view3d/SceneEntity.h"
#include "view3d/SceneEntityFactory.h"
#include "view3d/StandardMeshes.h"
#include "view3d/TextureCache.h"
#include "view3d/TextureResolver.h"
#include "view3d/device/GlRenderDevice.h"

#include <glm/ext/matrix_clip_space.hpp>
#include <glm/ext/matrix_transform.hpp>
#include <gtest/gtest.h>
#include <stb/stb_image_write.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <memory>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;
using namespace view3d;

namespace {

constexpr uint32_t kWidth = 320, kHeight = 240;
constexpr uint32_t kClearArgb = 0xFF102030;
constexpr const char* kMissionMember = "map/single/crossroads/crossroads.mi";

class SilentPrompts : public platform::Prompts {
  public:
    void Message(std::string_view, platform::Icon) override {}
    bool AskYesNo(std::string_view) override { return true; }
};

TEST(DemoSceneTest, TheCrossroadsMissionIsBuiltAndDrawnOnTheOpenGlDevice) {
    device_test::OffscreenGl gl(kWidth, kHeight);
    if (!gl.Ready()) GTEST_SKIP() << "no OpenGL context: " << gl.Why();
    std::string error;
    std::unique_ptr<GlRenderDevice> device =
        GlRenderDevice::Create(PresentParameters{kWidth, kHeight, true}, &error);
    if (!device) GTEST_SKIP() << "no OpenGL 3.3 device: " << error;
    device->SetBackBufferFramebuffer(gl.Framebuffer());

    const fs::path work =
        fs::temp_directory_path() / ("vm_demo_scene_" + std::to_string(::getpid()));
    fs::remove_all(work);
    SilentPrompts prompts;
    platform::NullProgress progress;
    resources::CResourceCatalogue catalogue(&prompts, &progress, nullptr);
    catalogue.SetGamePath(VM_DEMO_GAME);
    catalogue.SetResourceDir((work / "resource").string());
    ASSERT_TRUE(catalogue.LoadResources());
    pak::CPakArchive pak;
    ASSERT_TRUE(pak.Open(fs::path(VM_DEMO_GAME) / "game.pak") && pak.List() &&
                pak.Extract({}, {kMissionMember}, work / "extracted"));
    CDefFile mission(work / "extracted" / kMissionMember);
    ASSERT_FALSE(mission.Empty());

    StandardMeshes meshes;
    ASSERT_TRUE(BuildStandardMeshes(meshes));
    CModelCache models(catalogue);
    TextureCache textures;
    CatalogueTextureResolver resolver(catalogue);
    CSceneEntityFactory factory({*device, textures, resolver, models, meshes, catalogue});

    std::vector<std::unique_ptr<SceneEntity>> entities;
    glm::vec2 low(std::numeric_limits<float>::max()), high(std::numeric_limits<float>::lowest());
    for (const auto& root : mission.Nodes()) {
        for (CDefNode* element : root->Children()) {
            double position[3];
            if (element->Name() != "Entity" || !element->ReadDoubles("Position", position, 3))
                continue;
            const int kind = factory.KindOf(*element);
            if (kind < 0 || kind == KindMap) continue;
            const glm::vec3 at(static_cast<float>(position[0]), static_cast<float>(position[1]),
                               static_cast<float>(position[2]));
            std::unique_ptr<SceneEntity> entity = factory.Create(*element, kind, at);
            if (!entity) continue;
            EXPECT_EQ(entity->RestoreDeviceObjects(*device), DeviceResult::Ok)
                << element->GetValue(0);
            low = glm::min(low, glm::vec2(at));
            high = glm::max(high, glm::vec2(at));
            entities.push_back(std::move(entity));
        }
    }
    // The crossroads mission holds tanks, guns, soldiers, a train, boxes and trees.
    ASSERT_GE(entities.size(), 10u);
    EXPECT_GT(textures.Size(), 0u);

    std::vector<SceneEntity*> list;
    for (auto& e : entities)
        list.push_back(e.get());
    RenderLists lists;
    lists.Build(list, {});
    ASSERT_FALSE(lists.objects.empty());

    // Straight down on the area the elements stand in, from both sides, so
    // that no winding or height convention can hide them.
    const glm::vec2 centre = (low + high) * 0.5f;
    const float half = std::max(high.x - low.x, high.y - low.y) * 0.5f + 40.0f;
    RenderDevice& d = *device;
    d.SetRenderState(RenderState::CullMode, CullNone);
    // Full ambient light: every surface shows its own colour and texture.
    d.SetRenderState(RenderState::Ambient, 0xFFFFFFFF);
    d.SetTransform(TransformType::View,
                   glm::translate(glm::mat4(1.0f), glm::vec3(-centre.x, -centre.y, 0.0f)));
    d.SetTransform(TransformType::Projection,
                   glm::orthoLH_ZO(-half, half, -half, half, -5000.0f, 5000.0f));
    ASSERT_EQ(d.Clear(ClearTarget | ClearZBuffer, kClearArgb, 1.0f), DeviceResult::Ok);
    ASSERT_EQ(d.BeginScene(), DeviceResult::Ok);
    for (SceneObject* object : lists.objects)
        object->Render(d);
    for (SceneObject* decal : lists.decals)
        decal->Render(d);
    ASSERT_EQ(d.EndScene(), DeviceResult::Ok);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    std::vector<uint8_t> pixels;
    ASSERT_EQ(device->ReadBackBuffer(pixels), DeviceResult::Ok);
    ASSERT_EQ(pixels.size(), size_t(kWidth) * kHeight * 4);
    size_t drawn = 0, coloured = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) {
        if (pixels[i] == 0x10 && pixels[i + 1] == 0x20 && pixels[i + 2] == 0x30) continue;
        ++drawn;
        if (pixels[i] + pixels[i + 1] + pixels[i + 2] > 60) ++coloured;
    }
    EXPECT_GT(drawn, size_t(50)) << "the elements left the frame empty";
    // Lit by the ambient light and textured, they are not black shapes.
    EXPECT_GT(coloured, drawn / 2);
    // The picture, for a person to look at.
    fs::create_directories(VM_PIXEL_OUTPUT);
    stbi_write_png((fs::path(VM_PIXEL_OUTPUT) / "demo-scene.png").string().c_str(), kWidth, kHeight,
                   4, pixels.data(), kWidth * 4);

    entities.clear();
    textures.Clear(d);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    fs::remove_all(work);
}

} // namespace
