// Building the 3D scene of the big demo mission (20,000 entities) on the
// recording device: an entity and scene object for every element, their
// textures, their device buffers moved into place, and the draw lists.
//
// The big demo game is VM_BIG_GAME when set, otherwise /tmp/biggame when it
// exists, otherwise it is generated into a temporary folder (about 1 GB,
// removed at the end). The models stay cached between builds, as they do
// for the editor's whole run; textures and the device are made afresh for
// every build, as for every new view. The first build, which also loads
// every model, is reported as the counter "cold_ms".

#include "format/DefParser.h"
#include "pak/PakArchive.h"
#include "platform/Progress.h"
#include "platform/Prompts.h"
#include "resources/ResourceCatalogue.h"
#include "view3d/ModelCache.h"
#include "view3d/RecordingDevice.h"
#include "view3d/SceneEntityFactory.h"
#include "view3d/StandardMeshes.h"
#include "view3d/TextureCache.h"
#include "view3d/TextureResolver.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace view3d;

namespace {

constexpr const char* kMissionMember = "map/single/big_battle/big_battle.mi";

class QuietPrompts : public platform::Prompts {
  public:
    void Message(std::string_view text, platform::Icon) override {
        std::fprintf(stderr, "message: %.*s\n", static_cast<int>(text.size()), text.data());
    }
    bool AskYesNo(std::string_view) override { return true; }
};

fs::path g_work;

struct Setup {
    fs::path game;
    QuietPrompts prompts;
    platform::NullProgress progress;
    std::unique_ptr<resources::CResourceCatalogue> catalogue;
    std::unique_ptr<CModelCache> models;
    std::unique_ptr<CDefFile> mission;
    StandardMeshes meshes;
    std::string error;
};

Setup& GetSetup() {
    static Setup s;
    static bool ready = [](Setup& c) {
        g_work = fs::temp_directory_path() / ("vm_scene_bench_" + std::to_string(::getpid()));
        fs::create_directories(g_work);
        if (const char* env = std::getenv("VM_BIG_GAME")) {
            c.game = env;
        } else if (fs::exists("/tmp/biggame/game.pak")) {
            c.game = "/tmp/biggame";
        } else {
            c.game = g_work / "game";
            fs::path generator = fs::path(VM_SOURCE_DIR) / "tools" / "demo-game" / "vm-demo-game";
            std::string cmd =
                "python3 '" + generator.string() + "' '" + c.game.string() + "' --big >/dev/null";
            if (std::system(cmd.c_str()) != 0) {
                c.error = "generating the big demo game failed";
                return false;
            }
        }
        c.catalogue =
            std::make_unique<resources::CResourceCatalogue>(&c.prompts, &c.progress, nullptr);
        c.catalogue->SetGamePath(c.game.string());
        c.catalogue->SetResourceDir((g_work / "resource").string());
        if (!c.catalogue->LoadResources()) {
            c.error = "loading the catalogue failed";
            return false;
        }
        pak::CPakArchive pak;
        if (!pak.Open(c.game / "game.pak") || !pak.List() ||
            !pak.Extract({}, {kMissionMember}, g_work / "extracted")) {
            c.error = "extracting the big mission failed";
            return false;
        }
        c.mission = std::make_unique<CDefFile>(g_work / "extracted" / kMissionMember);
        if (c.mission->Empty()) c.error = "the big mission is empty";
        if (!BuildStandardMeshes(c.meshes)) c.error = "the standard meshes failed";
        c.models = std::make_unique<CModelCache>(*c.catalogue);
        return true;
    }(s);
    (void)ready;
    return s;
}

struct SceneCounts {
    size_t entities = 0;
    size_t skipped = 0;
    size_t objects = 0;
    size_t decals = 0;
    size_t textures = 0;
    size_t buffers = 0;
};

// One view's scene: made, restored onto the device, and listed.
SceneCounts BuildScene(Setup& s) {
    RecordingDevice device;
    device.SetLogging(false);
    TextureCache textures;
    CatalogueTextureResolver resolver(*s.catalogue);
    CSceneEntityFactory factory({device, textures, resolver, *s.models, s.meshes, *s.catalogue});
    std::vector<std::unique_ptr<SceneEntity>> entities;
    SceneCounts counts;
    for (const auto& root : s.mission->Nodes()) {
        for (CDefNode* element : root->Children()) {
            double position[3];
            if (element->Name() != "Entity" || !element->ReadDoubles("Position", position, 3))
                continue;
            const int kind = factory.KindOf(*element);
            if (kind < 0 || kind == KindMap) {
                ++counts.skipped;
                continue;
            }
            auto entity =
                factory.Create(*element, kind,
                               {static_cast<float>(position[0]), static_cast<float>(position[1]),
                                static_cast<float>(position[2])});
            if (!entity) {
                ++counts.skipped;
                continue;
            }
            entity->RestoreDeviceObjects(device);
            entities.push_back(std::move(entity));
        }
    }
    std::vector<SceneEntity*> list;
    for (auto& e : entities)
        list.push_back(e.get());
    RenderLists lists;
    lists.Build(list, {});
    lists.SortObjects({0.0f, 0.0f, 2000.0f});
    counts.entities = entities.size();
    counts.objects = lists.objects.size();
    counts.decals = lists.decals.size();
    counts.textures = textures.Size();
    counts.buffers = device.LiveVertexBuffers() + device.LiveIndexBuffers();
    entities.clear();
    textures.Clear(device);
    return counts;
}

void BM_BuildScene(benchmark::State& state) {
    Setup& s = GetSetup();
    if (!s.error.empty()) {
        state.SkipWithError(s.error.c_str());
        return;
    }
    static double coldMs = -1.0;
    if (coldMs < 0.0) {
        auto start = std::chrono::steady_clock::now();
        BuildScene(s);
        coldMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count();
    }
    SceneCounts counts;
    for (auto _ : state)
        counts = BuildScene(s);
    state.counters["cold_ms"] = coldMs;
    state.counters["entities"] = static_cast<double>(counts.entities);
    state.counters["skipped"] = static_cast<double>(counts.skipped);
    state.counters["objects"] = static_cast<double>(counts.objects);
    state.counters["decals"] = static_cast<double>(counts.decals);
    state.counters["textures"] = static_cast<double>(counts.textures);
    state.counters["buffers"] = static_cast<double>(counts.buffers);
}
BENCHMARK(BM_BuildScene)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!g_work.empty()) {
        std::error_code ignored;
        fs::remove_all(g_work, ignored);
    }
    return 0;
}
