// The document on the big demo mission (20,000 entities): opening it with its
// base map, saving it with the copy of the map, and placing and deleting
// entities one by one as the 3D view does.
//
// The big demo game is VM_BIG_GAME when set, otherwise it is generated into a
// temporary folder (about 1 GB, removed at the end). The catalogue is loaded
// once into a temporary resource folder, and the mission and its map are
// extracted there from game.pak.

#include "document/EntityProps.h"
#include "document/VarnholtMapEditorDoc.h"
#include "pak/PakArchive.h"
#include "platform/Progress.h"
#include "platform/Prompts.h"
#include "resources/ResourceCatalogue.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using document::CVarnholtMapEditorDoc;

namespace {

constexpr const char* kMissionMember = "map/single/big_battle/big_battle.mi";
constexpr const char* kMapMember = "map/single/big_battle/map";
// A tank (a unit: gets a MID) and a house (a static object of the map's kind).
constexpr const char* kUnitType = "m4a2";
constexpr const char* kStaticType = "house_small";
constexpr int kEdits = 1000;

// Questions are answered Yes (the save overwrites the map beside the mission
// from the second save on); messages would mean the input is not what the
// figures assume, so they are shown.
class YesPrompts : public platform::Prompts {
  public:
    void Message(std::string_view text, platform::Icon) override {
        std::fprintf(stderr, "message: %.*s\n", static_cast<int>(text.size()), text.data());
    }
    bool AskYesNo(std::string_view) override { return true; }
};

// The temporary folder once the setup has made it; removed at the end.
fs::path g_work;

std::string Quoted(const fs::path& p) {
    return "'" + p.string() + "'";
}

struct Setup {
    fs::path work; // temporary folder of everything made here
    fs::path game;
    fs::path mission; // the extracted .mi, its map beside it
    YesPrompts prompts;
    platform::NullProgress progress;
    std::unique_ptr<resources::CResourceCatalogue> catalogue;
    std::string error; // why the benchmarks cannot run; empty when ready
};

Setup& GetSetup() {
    static Setup s = [] {
        Setup c;
        c.work = fs::temp_directory_path() / ("vm_document_bench_" + std::to_string(::getpid()));
        fs::create_directories(c.work);
        g_work = c.work;
        if (const char* env = std::getenv("VM_BIG_GAME")) {
            c.game = env;
        } else {
            c.game = c.work / "game";
            fs::path generator = fs::path(VM_SOURCE_DIR) / "tools" / "demo-game" / "vm-demo-game";
            std::string cmd =
                "python3 " + Quoted(generator) + " " + Quoted(c.game) + " --big >/dev/null";
            if (std::system(cmd.c_str()) != 0) {
                c.error = "generating the big demo game failed";
                return c;
            }
        }
        fs::path resourceDir = c.work / "resource";
        c.catalogue =
            std::make_unique<resources::CResourceCatalogue>(&c.prompts, &c.progress, nullptr);
        c.catalogue->SetGamePath(c.game.string());
        c.catalogue->SetResourceDir(resourceDir.string());
        if (!c.catalogue->LoadResources()) {
            c.error = "loading the catalogue failed";
            return c;
        }
        pak::CPakArchive pak;
        if (!pak.Open(c.game / "game.pak") || !pak.List() ||
            !pak.Extract({}, {kMissionMember, kMapMember}, c.work / "extracted")) {
            c.error = "extracting the big mission failed";
            return c;
        }
        c.mission = c.work / "extracted" / kMissionMember;
        if (!fs::exists(c.mission) || !fs::exists(c.mission.parent_path() / "map")) {
            c.error = "the big mission or its map is missing from game.pak";
            return c;
        }
        if (!c.catalogue->FindEntity(kUnitType) || !c.catalogue->FindEntity(kStaticType)) {
            c.error = "the catalogue lacks the placed types";
            return c;
        }
        return c;
    }();
    return s;
}

document::DocumentServices Services(Setup& s) {
    document::DocumentServices services;
    services.prompts = &s.prompts;
    services.progress = &s.progress;
    services.catalogue = s.catalogue.get();
    return services;
}

// Opens the mission into doc; an error message, or nullptr.
const char* OpenMission(Setup& s, CVarnholtMapEditorDoc& doc) {
    if (!s.error.empty()) return s.error.c_str();
    if (!doc.OnOpenDocument(s.mission.string())) return "opening the big mission failed";
    if (doc.Roots().size() != 2 || !doc.WorkingRoot())
        return "the big mission did not open as a mission";
    return nullptr;
}

void BM_OpenMission(benchmark::State& state) {
    Setup& s = GetSetup();
    if (!s.error.empty()) {
        state.SkipWithError(s.error.c_str());
        return;
    }
    size_t nodes = 0;
    for (auto _ : state) {
        auto doc = std::make_unique<CVarnholtMapEditorDoc>(Services(s));
        if (!doc->OnOpenDocument(s.mission.string())) {
            state.SkipWithError("opening the big mission failed");
            break;
        }
        // Tearing the tree down belongs to closing, not to opening.
        state.PauseTiming();
        nodes = 0;
        for (const auto& root : doc->Roots())
            nodes += root->CountNodes();
        doc.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fs::file_size(s.mission)));
    state.counters["nodes"] = static_cast<double>(nodes);
}
BENCHMARK(BM_OpenMission)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

void BM_SaveMission(benchmark::State& state) {
    Setup& s = GetSetup();
    CVarnholtMapEditorDoc doc(Services(s));
    if (const char* error = OpenMission(s, doc)) {
        state.SkipWithError(error);
        return;
    }
    fs::path folder = s.work / "saved";
    fs::create_directories(folder);
    fs::path target = folder / "big_battle.mi";
    for (auto _ : state) {
        if (!doc.OnSaveDocument(target.string())) {
            state.SkipWithError("saving the big mission failed");
            break;
        }
    }
    if (!fs::exists(folder / "map")) state.SkipWithError("the save did not copy the base map");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fs::file_size(target)));
}
BENCHMARK(BM_SaveMission)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

// Building the entity the user places: the node from the type's definition file.
void BM_PlaceNewEntity(benchmark::State& state) {
    Setup& s = GetSetup();
    if (!s.error.empty()) {
        state.SkipWithError(s.error.c_str());
        return;
    }
    int n = 0;
    for (auto _ : state) {
        document::NewEntity entity =
            document::PlaceNewEntity(n++ % 2 ? kStaticType : kUnitType, *s.catalogue);
        benchmark::DoNotOptimize(entity.node.get());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PlaceNewEntity)->Unit(benchmark::kMicrosecond)->UseRealTime();

// kEdits placements and then the deletion of the same entities, tank and
// house alternating. The entities are built with the timer stopped; the
// counters give the mean time of one AddEntity and of one DeleteElement.
void BM_AddThenDeleteEntities(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    Setup& s = GetSetup();
    CVarnholtMapEditorDoc doc(Services(s));
    if (const char* error = OpenMission(s, doc)) {
        state.SkipWithError(error);
        return;
    }
    const size_t childrenBefore = doc.WorkingRoot()->ChildCount();
    std::vector<document::NewEntity> entities(kEdits);
    std::vector<CDefNode*> added(kEdits);
    double addSeconds = 0, deleteSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < kEdits; ++i)
            entities[i] = document::PlaceNewEntity(i % 2 ? kStaticType : kUnitType, *s.catalogue);
        state.ResumeTiming();

        auto t0 = Clock::now();
        for (int i = 0; i < kEdits; ++i)
            added[i] = doc.AddEntity(entities[i]);
        auto t1 = Clock::now();
        bool deleted = true;
        for (int i = 0; i < kEdits; ++i)
            deleted = doc.DeleteElement(added[i]) && deleted;
        auto t2 = Clock::now();

        addSeconds += std::chrono::duration<double>(t1 - t0).count();
        deleteSeconds += std::chrono::duration<double>(t2 - t1).count();
        // Every edit must have happened, and undone itself, for the figures to mean anything.
        if (std::find(added.begin(), added.end(), nullptr) != added.end() || !deleted ||
            doc.WorkingRoot()->ChildCount() != childrenBefore) {
            state.SkipWithError("an edit failed or the mission did not return to its size");
            break;
        }
    }
    const double edits = static_cast<double>(state.iterations()) * kEdits;
    state.SetItemsProcessed(static_cast<int64_t>(2 * edits));
    // Seconds per call, printed with SI prefixes (u = microseconds, m = milliseconds).
    state.counters["s_per_add"] = edits > 0 ? addSeconds / edits : 0;
    state.counters["s_per_delete"] = edits > 0 ? deleteSeconds / edits : 0;
}
BENCHMARK(BM_AddThenDeleteEntities)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // The generated game, the resource folder and the saves go; a game given
    // through VM_BIG_GAME lies elsewhere and stays.
    if (!g_work.empty()) {
        std::error_code ec;
        fs::remove_all(g_work, ec);
    }
    return 0;
}
