// The 3D view's scene without a window, on the recording device: start-up on
// the demo missions and its failures, the frame's drawing order, loss and
// reset, the filters and toggles, the camera stored into the document, the
// minimap, and the scene following the document's edits and undo.

#include "view3d/MapScene.h"
#include "document/VarnholtMapEditorDoc.h"
#include "format/DefNode.h"
#include "pak/PakArchive.h"
#include "platform/Progress.h"
#include "resources/ResourceCatalogue.h"
#include "support/TestSupport.h"
#include "view3d/DemoSceneSupport.h"
#include "view3d/ModelCache.h"
#include "view3d/RecordingDevice.h"
#include "view3d/SceneObject.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace view3d;

namespace {

class RecordingProgress : public platform::Progress {
  public:
    void Start(int range) override { this->range = range; }
    void Step() override { ++steps; }
    void SetText(std::string_view text) override { texts.emplace_back(text); }
    void Close() override { ++closes; }
    int range = 0, steps = 0, closes = 0;
    std::vector<std::string> texts;
};

class MapSceneTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (scene_test::DemoGame* game = scene_test::LoadDemoGame()) {
            s_res = game->Resources();
            s_catalogue = game->catalogue.get();
            s_models = game->models.get();
        }
    }
    void SetUp() override {
        if (!s_catalogue) GTEST_SKIP() << "demo game not generated";
    }

    std::unique_ptr<CVarnholtMapEditorDoc> Open(const std::string& member) {
        document::DocumentServices services;
        services.prompts = &prompts;
        services.catalogue = s_catalogue;
        auto doc = std::make_unique<CVarnholtMapEditorDoc>(services);
        EXPECT_TRUE(doc->OnOpenDocument((s_res / member).string()));
        doc->ClearHistory();
        return doc;
    }
    std::unique_ptr<MapScene> Start(CVarnholtMapEditorDoc& doc, scene_test::ScriptedWindow& window,
                                    bool expectStart = true) {
        auto scene = std::make_unique<MapScene>(
            doc, MapScene::Services{s_catalogue, s_models, &prompts, &progress, nullptr});
        EXPECT_EQ(scene->StartUp(window), expectStart);
        if (expectStart) {
            EXPECT_TRUE(scene->SizeChanged(640, 480));
        }
        return scene;
    }
    static size_t Draws(const RecordingDevice& device) {
        return device.LogLines("DrawIndexedPrimitive").size() +
               device.LogLines("DrawPrimitive").size();
    }

    testing_support::RecordingPrompts prompts;
    RecordingProgress progress;
    static inline fs::path s_res;
    static inline resources::CResourceCatalogue* s_catalogue = nullptr;
    static inline CModelCache* s_models = nullptr;
};

constexpr const char* kCrossroads = "map/single/crossroads/crossroads.mi";

TEST_F(MapSceneTest, TheCrossroadsMissionStartsWithItsMapFirstAndEveryElementLoaded) {
    auto doc = Open(kCrossroads);
    scene_test::ScriptedWindow window;
    auto scene = Start(*doc, window);
    ASSERT_TRUE(scene->Started());
    EXPECT_EQ(window.closed, 0);
    EXPECT_EQ(window.adopted, 1);
    EXPECT_TRUE(prompts.messages.empty()) << prompts.messages.front();
    ASSERT_NE(scene->MapEntity(), nullptr);
    EXPECT_EQ(scene->MapEntity()->Kind(), KindMap);
    EXPECT_NE(scene->GroundMesh(), nullptr);
    EXPECT_GE(scene->EntityCount(), 10u);
    EXPECT_FALSE(scene->Lists().ground.empty());
    EXPECT_FALSE(scene->Lists().objects.empty());
    // The progress names each element, and counts every child of every root.
    EXPECT_EQ(progress.range, static_cast<int>(doc->Roots().size()));
    ASSERT_FALSE(progress.texts.empty());
    EXPECT_EQ(progress.texts.front().rfind("Loading Mesh \"", 0), 0u) << progress.texts.front();
    size_t children = 0;
    for (const auto& root : doc->Roots())
        children += root->ChildCount();
    EXPECT_EQ(progress.steps, static_cast<int>(children));
    EXPECT_GE(progress.closes, 1);
    // The mission's waypoints are links, and new ones are numbered after them.
    EXPECT_GT(scene->WaypointCount(), 0u);
    EXPECT_GT(scene->NextWaypointNumber(), 0u);
    // The camera takes the map's world bound.
    const document::BoundsRect& world = doc->WorldRect();
    EXPECT_FLOAT_EQ(scene->GetCamera().MapSize(),
                    std::max(world.right - world.left, world.bottom - world.top) / 2.0f);
    // Loading changed nothing in the document.
    EXPECT_FALSE(doc->CanUndo());
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(MapSceneTest, FailuresShowTheirMessageCloseTheFrameAndLeaveNothingBehind) {
    {
        auto doc = Open(kCrossroads);
        scene_test::ScriptedWindow window;
        window.failDevice = true;
        auto scene = Start(*doc, window, false);
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0], kDeviceFailedMessage);
        EXPECT_EQ(window.closed, 1);
        EXPECT_EQ(scene->RenderFrame(), DeviceResult::InvalidCall);
    }
    prompts.messages.clear();
    {
        // A mission whose first element is not a map: a second mission file.
        CVarnholtMapEditorDoc doc(document::DocumentServices{&prompts, nullptr, s_catalogue});
        ASSERT_TRUE(doc.LoadFromText("mission {\n Entity \"t34\" {\n  Position 1 2 0\n }\n}\n"
                                     "mission {\n}\n"));
        scene_test::ScriptedWindow window;
        auto scene = Start(doc, window, false);
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0], kNoMapMessage);
        EXPECT_EQ(window.closed, 1);
        EXPECT_EQ(scene->EntityCount(), 0u);
        EXPECT_EQ(window.device.LiveVertexBuffers(), 0u);
        EXPECT_EQ(window.device.LiveTextures(), 0u);
        EXPECT_EQ(scene->RenderFrame(), DeviceResult::InvalidCall);
    }
}

TEST_F(MapSceneTest, AFrameDrawsGroundDecalsObjectsAndLinksAndFullscreenAddsTheBackdrop) {
    auto doc = Open(kCrossroads);
    scene_test::ScriptedWindow window;
    auto scene = Start(*doc, window);
    RecordingDevice& d = window.device;
    d.ClearLog();
    ASSERT_EQ(scene->RenderFrame(), DeviceResult::Ok);
    const std::vector<std::string>& log = d.Log();
    ASSERT_FALSE(log.empty());
    auto at = [&](std::string_view prefix) {
        return std::find_if(log.begin(), log.end(),
                            [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
    };
    EXPECT_LT(at("Clear"), at("BeginScene"));
    EXPECT_LT(at("BeginScene"), at("DrawIndexedPrimitive"));
    EXPECT_LT(at("EndScene"), at("Present"));
    EXPECT_NE(at("Present"), log.end());
    const size_t windowed = Draws(d);
    EXPECT_GT(windowed, scene->Lists().ground.size());
    EXPECT_EQ(scene->LastFrame().links, scene->Lists().links.size());
    // The ground's second stage blends by the vertex alpha; after it the
    // second stage is off for everything else.
    EXPECT_EQ(d.TextureStageValue(1, TextureStageState::ColorOp), uint32_t(OpDisable));
    EXPECT_EQ(d.RenderStateValue(RenderState::ZEnable), 1u);

    // The sky and the ground plane are made for every map.
    ASSERT_NE(scene->Sky(), nullptr);
    ASSERT_NE(scene->Sky()->Object(), nullptr);
    EXPECT_TRUE(scene->Sky()->Object()->VertexBuffer());
    ASSERT_NE(scene->GroundPlane(), nullptr);
    scene->SetFullscreen(true);
    d.ClearLog();
    ASSERT_EQ(scene->RenderFrame(), DeviceResult::Ok);
    EXPECT_GT(Draws(d), windowed) << "fullscreen draws the ground plane and the sky as well";

    // Hiding waypoints and trees leaves them out of the frame.
    SceneOptions options = scene->Options();
    const size_t objects = scene->Lists().objects.size();
    options.show.showWaypoints = 0;
    options.show.showVegetation = 0;
    scene->SetOptions(options);
    EXPECT_LT(scene->Lists().objects.size(), objects);
    ASSERT_EQ(scene->RenderFrame(), DeviceResult::Ok);
    EXPECT_EQ(scene->LastFrame().links, 0u);
}

TEST_F(MapSceneTest, ALostDeviceSkipsFramesAndComesBackWithEveryObject) {
    auto doc = Open(kCrossroads);
    scene_test::ScriptedWindow window;
    auto scene = Start(*doc, window);
    RecordingDevice& d = window.device;
    const size_t buffers = d.LiveVertexBuffers();
    ASSERT_GT(buffers, 0u);
    d.SetLost(true);
    ASSERT_EQ(scene->RenderFrame(), DeviceResult::Ok); // the present finds it lost
    EXPECT_TRUE(scene->DeviceLost());
    d.ClearLog();
    EXPECT_EQ(scene->RenderFrame(), DeviceResult::Ok);
    EXPECT_EQ(Draws(d), 0u) << "nothing is drawn while the device is lost";
    d.SetLost(false);
    ASSERT_EQ(scene->RenderFrame(), DeviceResult::Ok);
    EXPECT_FALSE(scene->DeviceLost());
    EXPECT_TRUE(scene->DeviceObjectsValid());
    EXPECT_EQ(d.LiveVertexBuffers(), buffers);
    EXPECT_GT(Draws(d), 0u);

    // A reset that fails leaves the objects released, never half made; the
    // size change reports it so the window can close the document.
    d.FailCall("Reset", DeviceResult::Fail);
    EXPECT_FALSE(scene->SizeChanged(800, 600));
    EXPECT_FALSE(scene->DeviceObjectsValid());
    EXPECT_EQ(d.LiveDefaultPoolResources(), 0u);
    // Out of video memory is not fatal.
    d.FailCall("Reset", DeviceResult::OutOfVideoMemory);
    EXPECT_TRUE(scene->SizeChanged(1024, 768));
    EXPECT_TRUE(scene->SizeChanged(1024, 700));
    EXPECT_EQ(d.BackBuffer().backBufferHeight, 700u);
    EXPECT_TRUE(scene->DeviceObjectsValid());
}

TEST_F(MapSceneTest, TextureFilterSettingsGoToBothStages) {
    auto doc = Open(kCrossroads);
    scene_test::ScriptedWindow window;
    auto scene = Start(*doc, window);
    RecordingDevice& d = window.device;
    SceneOptions options = scene->Options();
    for (uint32_t filter : {1u, 2u, 3u}) {
        options.textureFilter = filter;
        scene->SetOptions(options);
        for (uint32_t stage : {0u, 1u}) {
            EXPECT_EQ(d.SamplerValue(stage, SamplerState::MinFilter), filter == 1 ? 0u : filter);
            EXPECT_EQ(d.SamplerValue(stage, SamplerState::MagFilter), filter);
            EXPECT_EQ(d.SamplerValue(stage, SamplerState::MipFilter), filter);
        }
    }
}

TEST_F(MapSceneTest, TheCameraIsStoredAsOneStepOnlyWhenItMoved) {
    auto doc = Open(kCrossroads);
    scene_test::ScriptedWindow window;
    auto scene = Start(*doc, window);
    // The demo mission's camera has no yaw yet: the first store adds it, a
    // second one of the unmoved camera writes nothing.
    scene->OnUpdate(document::UpdateHint::AboutToSave, 0);
    EXPECT_NE(doc->Roots()[1]->FindChild("Camera")->FindChild("YawAngle"), nullptr);
    doc->ClearHistory();
    scene->OnUpdate(document::UpdateHint::AboutToSave, 0);
    EXPECT_FALSE(doc->CanUndo()) << "an unmoved camera writes nothing";

    const CDefNode* block = doc->Roots()[1]->FindChild("Camera");
    ASSERT_NE(block, nullptr);
    const std::string before = block->FindChild("Distance")->GetValue(0);
    ASSERT_TRUE(scene->GetCamera().Wheel(-2000));
    scene->OnUpdate(document::UpdateHint::AboutToSave, 0);
    EXPECT_EQ(doc->UndoSteps(), 1u);
    EXPECT_NE(std::string(block->FindChild("Distance")->GetValue(0)), before);
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(std::string(block->FindChild("Distance")->GetValue(0)), before);
}

TEST_F(MapSceneTest, TheSceneFollowsDeletionsInsertionsMovesAndUndo) {
    auto doc = Open(kCrossroads);
    scene_test::ScriptedWindow window;
    auto scene = Start(*doc, window);
    // The first tank of the mission.
    CDefNode* tank = nullptr;
    for (CDefNode* element : doc->Roots()[1]->Children())
        if (element->Name() == "Entity" && scene->EntityOf(element) &&
            scene->EntityOf(element)->Kind() == KindTanks) {
            tank = element;
            break;
        }

    ASSERT_NE(tank, nullptr);
    const size_t count = scene->EntityCount();
    ASSERT_TRUE(doc->DeleteNode(tank));
    EXPECT_EQ(scene->EntityCount(), count - 1);
    EXPECT_EQ(scene->EntityOf(tank), nullptr);
    ASSERT_EQ(scene->RenderFrame(), DeviceResult::Ok);
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(scene->EntityCount(), count);
    ASSERT_NE(scene->EntityOf(tank), nullptr);
    EXPECT_TRUE(scene->EntityOf(tank)->Object()->VertexBuffer() ||
                scene->EntityOf(tank)->Object()->PartCount() > 1);

    // A position typed in the tree moves the entity.
    {
        CVarnholtMapEditorDoc::Edit edit(*doc, "Move");
        tank->FindChild("Position")->SetFloat(0, 77.0);
    }
    EXPECT_FLOAT_EQ(scene->EntityOf(tank)->RequestedPosition().x, 77.0f);
    ASSERT_TRUE(doc->Undo());
    EXPECT_NE(scene->EntityOf(tank)->RequestedPosition().x, 77.0f);
    ASSERT_EQ(scene->RenderFrame(), DeviceResult::Ok);
}

TEST_F(MapSceneTest, FocusingOnAnElementBringsItToTheMiddleOfTheView) {
    auto doc = Open(kCrossroads);
    scene_test::ScriptedWindow window;
    auto scene = Start(*doc, window);
    CDefNode* far = nullptr;
    for (CDefNode* element : doc->Roots()[1]->Children())
        if (SceneEntity* entity = scene->EntityOf(element))
            if (!far || std::fabs(entity->RequestedPosition().x) >
                            std::fabs(scene->EntityOf(far)->RequestedPosition().x))
                far = element;
    ASSERT_NE(far, nullptr);
    const glm::vec3 at = scene->EntityOf(far)->RequestedPosition();
    ASSERT_TRUE(scene->FocusOn(far));
    std::optional<glm::vec3> centre = scene->UpdateGroundPoint(320.0f, 240.0f);
    ASSERT_TRUE(centre);
    EXPECT_NEAR(centre->x, at.x, 20.0f);
    EXPECT_NEAR(centre->y, at.y, 20.0f);
    EXPECT_GE(scene->GetCamera().Translation().z, Camera::kFocusZoom);
    // A node that is not an element of the view does nothing.
    CDefNode stranger("Environment");
    EXPECT_FALSE(scene->FocusOn(&stranger));
}

TEST_F(MapSceneTest, TheMinimapIsTheMapFromAboveTwoHundredFiftyPixelsAlongItsLongerSide) {
    auto doc = Open(kCrossroads);
    scene_test::ScriptedWindow window;
    auto scene = Start(*doc, window);
    std::optional<document::BoundsPicture> picture = scene->CaptureMinimap();
    ASSERT_TRUE(picture);
    EXPECT_EQ(std::max(picture->width, picture->height), kMinimapSide);
    EXPECT_EQ(picture->pixels.size(), size_t(picture->width) * size_t(picture->height));
    // The view draws as before afterwards.
    EXPECT_EQ(scene->RenderFrame(), DeviceResult::Ok);
}

TEST(MinimapFitTest, TheExtentIsCentredInTheTargetAndScaledToTheLongerSide) {
    // A wide map in a square target: full width, a centred band of rows.
    MinimapFit wide = FitMinimap(2000.0f, 1000.0f, 800, 800);
    EXPECT_FLOAT_EQ(wide.halfWidth, 1000.0f);
    EXPECT_FLOAT_EQ(wide.halfHeight, 1000.0f);
    EXPECT_EQ(wide.sourceWidth, 800);
    EXPECT_EQ(wide.sourceHeight, 400);
    EXPECT_EQ(wide.sourceY, 200);
    EXPECT_EQ(wide.width, 250);
    EXPECT_EQ(wide.height, 125);
    // A tall map in a wide target.
    MinimapFit tall = FitMinimap(500.0f, 1000.0f, 1000, 500);
    EXPECT_EQ(tall.sourceHeight, 500);
    EXPECT_EQ(tall.sourceWidth, 250);
    EXPECT_EQ(tall.sourceX, 375);
    EXPECT_EQ(tall.width, 125);
    EXPECT_EQ(tall.height, 250);
    // Nothing to fit.
    EXPECT_EQ(FitMinimap(0.0f, 10.0f, 100, 100).width, 0);

    // Stretching averages: a 2 x 1 source of black and white gives grey.
    std::vector<uint8_t> rgba = {0, 0, 0, 255, 255, 255, 255, 255};
    MinimapFit one;
    one.sourceWidth = 2;
    one.sourceHeight = 1;
    one.width = 1;
    one.height = 1;
    document::BoundsPicture grey = StretchToMinimap(rgba, 2, one);
    ASSERT_EQ(grey.pixels.size(), 1u);
    EXPECT_EQ(grey.pixels[0], 0xFF7F7F7Fu);
    // A source rectangle outside the pixels gives no picture.
    one.sourceY = 3;
    EXPECT_TRUE(StretchToMinimap(rgba, 2, one).pixels.empty());
}

TEST(KindShownTest, EachToggleHidesItsCategoriesAndMapElementsHidesTheBaseMap) {
    platform::ViewFlags show;
    EXPECT_TRUE(KindShown(KindBuildings, false, show));
    show.showBuildings = 0;
    EXPECT_FALSE(KindShown(KindBuildings, false, show));
    EXPECT_FALSE(KindShown(KindBridges, false, show));
    EXPECT_TRUE(KindShown(KindTanks, false, show));
    show.showMapElements = 0;
    EXPECT_FALSE(KindShown(KindTanks, true, show));
    EXPECT_TRUE(KindShown(KindTanks, false, show));
    EXPECT_TRUE(KindShown(KindMap, true, show)) << "the ground always stays";
}

} // namespace
