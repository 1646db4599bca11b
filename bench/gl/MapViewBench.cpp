// The 3D view on the OpenGL device at 1280 x 800, in an offscreen context
// (Mesa's software renderer on machines without a GPU): opening a mission
// in its view (document, start-up, device objects, first frame) and drawing
// one frame, for the demo mission and the big 20,000-element mission.
//
// Each frame's draw calls and state changes are counted on the recording
// device with the same scene, reported as counters. The editing figures:
// a click that selects (a pick over every element), one step of a drag,
// and placing a new element. The big demo game is
// VM_BIG_GAME when set, otherwise /tmp/biggame when it exists; without it
// the big benchmarks are skipped with a message.

#include "document/VarnholtMapEditorDoc.h"
#include "pak/PakArchive.h"
#include "platform/Progress.h"
#include "platform/Prompts.h"
#include "resources/ResourceCatalogue.h"
#include "view3d/MapEditor.h"
#include "view3d/MapScene.h"
#include "view3d/ModelCache.h"
#include "view3d/RecordingDevice.h"
#include "view3d/SceneEntity.h"
#include "view3d/SceneObject.h"
#include "view3d/device/GlRenderDevice.h"
#include "view3d/device/OffscreenContext.h"

#include <benchmark/benchmark.h>
#include <epoxy/gl.h>
#include <glm/mat4x4.hpp>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace fs = std::filesystem;
using namespace view3d;

namespace {

constexpr uint32_t kWidth = 1280, kHeight = 800;

fs::path Work() {
    static fs::path work =
        fs::temp_directory_path() / ("vm_map_view_bench_" + std::to_string(::getpid()));
    return work;
}

view3d::OffscreenContext& Context() {
    static view3d::OffscreenContext context(kWidth, kHeight);
    return context;
}

// One game: its catalogue and models, loaded once as in the editor's run.
struct Game {
    fs::path folder;
    platform::SilentPrompts prompts;
    platform::NullProgress progress;
    std::unique_ptr<resources::CResourceCatalogue> catalogue;
    std::unique_ptr<CModelCache> models;
    std::string mission; // the extracted mission file
    std::string error;
};

Game* LoadGame(const fs::path& folder, const std::string& member, const std::string& key) {
    static std::map<std::string, std::unique_ptr<Game>> games;
    auto& slot = games[key];
    if (slot) return slot.get();
    slot = std::make_unique<Game>();
    Game& g = *slot;
    g.folder = folder;
    if (!fs::exists(folder / "game.pak")) {
        g.error = "no game at " + folder.string();
        return &g;
    }
    const fs::path res = Work() / key;
    g.catalogue = std::make_unique<resources::CResourceCatalogue>(&g.prompts, &g.progress, nullptr);
    g.catalogue->SetGamePath(folder.string());
    g.catalogue->SetResourceDir(res.string());
    pak::CPakArchive pak;
    if (!g.catalogue->LoadResources() || !pak.Open(folder / "game.pak") || !pak.List() ||
        !pak.Extract({}, {member, fs::path(member).parent_path().string() + "/map"}, res)) {
        g.error = "the game's resources could not be read";
        return &g;
    }
    g.models = std::make_unique<CModelCache>(*g.catalogue);
    g.mission = (res / member).string();
    return &g;
}

Game* DemoGame() {
    return LoadGame(VM_DEMO_GAME, "map/single/crossroads/crossroads.mi", "demo");
}

Game* BigGame() {
    const char* env = std::getenv("VM_BIG_GAME");
    return LoadGame(env ? env : "/tmp/biggame", "map/single/big_battle/big_battle.mi", "big");
}

class GlWindow : public SceneWindow {
  public:
    RenderDevice* CreateDevice() override {
        device = GlRenderDevice::Create(view3d::PresentParameters{kWidth, kHeight, true});
        if (device) device->SetBackBufferFramebuffer(Context().Framebuffer());
        return device.get();
    }
    bool CreateFullscreenWindow() override { return false; }
    bool AttachDevice() override { return true; }
    void CloseFrame() override {}
    void SetWaitCursor(bool) override {}
    void AdoptWindowSize() override {}
    std::unique_ptr<GlRenderDevice> device;
};

class RecordingWindow : public SceneWindow {
  public:
    RenderDevice* CreateDevice() override { return &device; }
    bool CreateFullscreenWindow() override { return false; }
    bool AttachDevice() override { return true; }
    void CloseFrame() override {}
    void SetWaitCursor(bool) override {}
    void AdoptWindowSize() override {}
    RecordingDevice device;
};

// An open document with its view, on one of the two devices.
template <class Window> struct OpenView {
    std::unique_ptr<CVarnholtMapEditorDoc> doc;
    Window window;
    std::unique_ptr<MapScene> scene;

    bool Open(Game& g) {
        using Clock = std::chrono::steady_clock;
        const auto t0 = Clock::now();
        doc = std::make_unique<CVarnholtMapEditorDoc>(
            document::DocumentServices{&g.prompts, nullptr, g.catalogue.get()});
        if (!doc->OnOpenDocument(g.mission)) return false;
        const auto t1 = Clock::now();
        scene =
            std::make_unique<MapScene>(*doc, MapScene::Services{g.catalogue.get(), g.models.get(),
                                                                &g.prompts, &g.progress, nullptr});
        if (!scene->StartUp(window)) return false;
        const auto t2 = Clock::now();
        if (!scene->SizeChanged(kWidth, kHeight)) return false;
        const auto t3 = Clock::now();
        auto ms = [](Clock::duration d) {
            return std::chrono::duration<double, std::milli>(d).count();
        };
        documentMs = ms(t1 - t0);
        startMs = ms(t2 - t1);
        restoreMs = ms(t3 - t2);
        return true;
    }
    // Where the time of an open went: reading the document, making the
    // scene's entities, making their device objects.
    double documentMs = 0, startMs = 0, restoreMs = 0;
    ~OpenView() {
        if (scene) scene->DeleteDeviceObjects();
        scene.reset();
    }
};

bool Ready(benchmark::State& state, Game* g) {
    if (!Context().Ready()) {
        state.SkipWithError(("no OpenGL context: " + Context().Why()).c_str());
        return false;
    }
    if (!g || !g->error.empty()) {
        state.SkipWithError(g ? g->error.c_str() : "no game");
        return false;
    }
    return true;
}

void BM_OpenInView(benchmark::State& state, Game* (*game)()) {
    Game* g = game();
    if (!Ready(state, g)) return;
    size_t entities = 0;
    for (auto _ : state) {
        auto view = std::make_unique<OpenView<GlWindow>>();
        if (!view->Open(*g) || !Succeeded(view->scene->RenderFrame())) {
            state.SkipWithError("the view did not start");
            return;
        }
        glFinish();
        entities = view->scene->EntityCount();
        state.counters["document_ms"] = view->documentMs;
        state.counters["entities_ms"] = view->startMs;
        state.counters["device_ms"] = view->restoreMs;
        // Closing is not opening.
        state.PauseTiming();
        view.reset();
        state.ResumeTiming();
    }
    state.counters["entities"] = static_cast<double>(entities);
}

void BM_DrawFrame(benchmark::State& state, Game* (*game)()) {
    Game* g = game();
    if (!Ready(state, g)) return;
    // What one frame asks of the device, counted on the recording device.
    size_t draws = 0, states = 0;
    {
        OpenView<RecordingWindow> counted;
        if (!counted.Open(*g)) {
            state.SkipWithError("the view did not start");
            return;
        }
        counted.window.device.ClearLog();
        counted.scene->RenderFrame();
        for (const std::string& line : counted.window.device.Log()) {
            if (line.rfind("Draw", 0) == 0) ++draws;
            if (line.rfind("Set", 0) == 0) ++states;
        }
    }
    OpenView<GlWindow> view;
    if (!view.Open(*g)) {
        state.SkipWithError("the view did not start");
        return;
    }
    Camera& camera = view.scene->GetCamera();
    for (auto _ : state) {
        // Each frame from a slightly turned camera, so the sort has work.
        camera.KeyDown(CameraKey::Left);
        if (!Succeeded(view.scene->RenderFrame())) {
            state.SkipWithError("a frame failed");
            return;
        }
        glFinish();
    }
    state.counters["draw_calls"] = static_cast<double>(draws);
    state.counters["state_changes"] = static_cast<double>(states);
    state.counters["objects"] = static_cast<double>(view.scene->Lists().objects.size());
}

// The window pixel where a point of the map is seen.
PointerState ScreenOf(const Camera& camera, const glm::vec3& point, bool left) {
    const glm::vec4 clip = camera.ProjectionMatrix() * camera.ViewMatrix() * camera.WorldMatrix() *
                           glm::vec4(point, 1.0f);
    PointerState pointer;
    pointer.x = (clip.x / clip.w + 1.0f) * 0.5f * float(kWidth);
    pointer.y = (1.0f - clip.y / clip.w) * 0.5f * float(kHeight);
    pointer.left = left;
    return pointer;
}

// A mission element that a click where it stands selects, in the middle
// of the view.
SceneEntity* ClickableUnit(MapScene& scene, CVarnholtMapEditorDoc& doc) {
    CDefNode* root = doc.WorkingRoot();
    if (!root) return nullptr;
    for (CDefNode* child : root->Children()) {
        SceneEntity* e = scene.EntityOf(child);
        if (!e || child->locked || e->Kind() > KindHumans) continue;
        scene.FocusOn(child);
        if (scene.Editor().PickAt(ScreenOf(scene.GetCamera(), e->RequestedPosition(), false)) == e)
            return e;
    }
    return nullptr;
}

// The view of the game's mission, ready for editing; none (with the
// benchmark skipped) when it cannot be opened.
std::unique_ptr<OpenView<GlWindow>> OpenForEditing(benchmark::State& state, Game* (*game)()) {
    Game* g = game();
    if (!Ready(state, g)) return nullptr;
    auto view = std::make_unique<OpenView<GlWindow>>();
    if (view->Open(*g)) return view;
    state.SkipWithError("the view did not start");
    return nullptr;
}

void BM_ClickSelect(benchmark::State& state, Game* (*game)()) {
    auto view = OpenForEditing(state, game);
    if (!view) return;
    MapScene& scene = *view->scene;
    SceneEntity* unit = ClickableUnit(scene, *view->doc);
    if (!unit) return state.SkipWithError("no element to click");
    const PointerState on = ScreenOf(scene.GetCamera(), unit->RequestedPosition(), true);
    PointerState beside = on;
    beside.x += 300.0f;
    bool hit = true;
    for (auto _ : state) {
        // On the element, then beside it: every click picks over all elements.
        const PointerState& at = hit ? on : beside;
        scene.Editor().LeftDown(at);
        PointerState up = at;
        up.left = false;
        scene.Editor().LeftUp(up);
        hit = !hit;
    }
    state.counters["entities"] = static_cast<double>(scene.EntityCount());
}

void BM_DragStep(benchmark::State& state, Game* (*game)()) {
    auto view = OpenForEditing(state, game);
    if (!view) return;
    MapScene& scene = *view->scene;
    SceneEntity* unit = ClickableUnit(scene, *view->doc);
    if (!unit) return state.SkipWithError("no element to drag");
    PointerState at = ScreenOf(scene.GetCamera(), unit->RequestedPosition(), true);
    scene.Editor().MouseMove(at);
    scene.Editor().LeftDown(at);
    float dx = 8.0f;
    for (auto _ : state) {
        // One mouse move of a drag: the ground point, the hover pick and
        // the element's vertices moved on the device.
        at.x += dx;
        dx = -dx;
        scene.Editor().MouseMove(at);
    }
    if (!scene.Editor().Dragging()) state.SkipWithError("no drag ran");
    at.left = false;
    scene.Editor().LeftUp(at);
    state.counters["undo_steps"] = static_cast<double>(view->doc->UndoSteps());
}

void BM_PlaceElement(benchmark::State& state, Game* (*game)()) {
    auto view = OpenForEditing(state, game);
    if (!view) return;
    MapScene& scene = *view->scene;
    std::string type;
    for (const auto& entry : game()->catalogue->Entries())
        if (entry.category == KindTanks) {
            type = entry.name;
            break;
        }
    PointerState at;
    at.x = kWidth / 2.0f;
    at.y = kHeight / 2.0f;
    for (auto _ : state) {
        // Choosing the type, the element following the mouse, the click
        // that adds it to the mission and the view.
        if (!scene.Editor().PlaceEntity(type)) return state.SkipWithError("cannot place");
        scene.Editor().MouseMove(at);
        at.left = true;
        scene.Editor().LeftDown(at);
        at.left = false;
        scene.Editor().LeftUp(at);
        state.PauseTiming();
        view->doc->Undo();
        state.ResumeTiming();
    }
    state.counters["entities"] = static_cast<double>(scene.EntityCount());
}

BENCHMARK_CAPTURE(BM_OpenInView, demo, &DemoGame)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(BM_DrawFrame, demo, &DemoGame)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(BM_OpenInView, big, &BigGame)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_DrawFrame, big, &BigGame)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_CAPTURE(BM_ClickSelect, demo, &DemoGame)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DragStep, demo, &DemoGame)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PlaceElement, demo, &DemoGame)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ClickSelect, big, &BigGame)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_CAPTURE(BM_DragStep, big, &BigGame)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_CAPTURE(BM_PlaceElement, big, &BigGame)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(Work(), ec);
    return 0;
}
