// Undo and redo on the big demo mission (20,000 entities): one step back and
// forth for a deletion, a paste of 100 entities and an entry edit, and the
// memory the history holds after 1,000 single-entity steps.
//
// The big demo game is VM_BIG_GAME when set, otherwise it is generated into a
// temporary folder (about 1 GB, removed at the end). The mission and its map
// are extracted from game.pak.

#include "document/EntryEdit.h"
#include "document/VarnholtMapEditorDoc.h"
#include "format/DefNode.h"
#include "format/DefParser.h"
#include "pak/PakArchive.h"
#include "platform/Progress.h"
#include "platform/Prompts.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using document::CVarnholtMapEditorDoc;

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kMissionMember = "map/single/big_battle/big_battle.mi";
constexpr const char* kMapMember = "map/single/big_battle/map";
constexpr size_t kPasted = 100;
constexpr size_t kSteps = 1000;

// Messages would mean the input is not what the figures assume: they are
// shown. Questions are answered No.
class QuietPrompts : public platform::Prompts {
  public:
    void Message(std::string_view text, platform::Icon) override {
        std::fprintf(stderr, "message: %.*s\n", static_cast<int>(text.size()), text.data());
    }
    bool AskYesNo(std::string_view) override { return false; }
};

fs::path g_work; // the temporary folder once the setup has made it; removed at the end

struct Setup {
    fs::path work;
    fs::path game;
    fs::path mission;
    QuietPrompts prompts;
    platform::NullProgress progress;
    std::string error; // why the benchmarks cannot run; empty when ready
};

Setup& GetSetup() {
    static Setup s = [] {
        Setup c;
        c.work = fs::temp_directory_path() / ("vm_history_bench_" + std::to_string(::getpid()));
        fs::create_directories(c.work);
        g_work = c.work;
        if (const char* env = std::getenv("VM_BIG_GAME")) {
            c.game = env;
        } else {
            c.game = c.work / "game";
            fs::path generator = fs::path(VM_SOURCE_DIR) / "tools" / "demo-game" / "vm-demo-game";
            std::string cmd =
                "python3 '" + generator.string() + "' '" + c.game.string() + "' --big >/dev/null";
            if (std::system(cmd.c_str()) != 0) {
                c.error = "generating the big demo game failed";
                return c;
            }
        }
        pak::CPakArchive pak;
        if (!pak.Open(c.game / "game.pak") || !pak.List() ||
            !pak.Extract({}, {kMissionMember, kMapMember}, c.work / "extracted")) {
            c.error = "extracting the big mission failed";
            return c;
        }
        c.mission = c.work / "extracted" / kMissionMember;
        if (!fs::exists(c.mission) || !fs::exists(c.mission.parent_path() / "map"))
            c.error = "the big mission or its map is missing from game.pak";
        return c;
    }();
    return s;
}

// The big mission, opened; nullptr (and the benchmark skipped) on failure.
std::unique_ptr<CVarnholtMapEditorDoc> OpenBig(benchmark::State& state) {
    Setup& s = GetSetup();
    if (!s.error.empty()) {
        state.SkipWithError(s.error.c_str());
        return nullptr;
    }
    document::DocumentServices services;
    services.prompts = &s.prompts;
    services.progress = &s.progress;
    auto doc = std::make_unique<CVarnholtMapEditorDoc>(services);
    if (!doc->OnOpenDocument(s.mission.string()) || !doc->WorkingRoot()) {
        state.SkipWithError("opening the big mission failed");
        return nullptr;
    }
    return doc;
}

std::vector<CDefNode*> Entities(const CVarnholtMapEditorDoc& doc) {
    std::vector<CDefNode*> out;
    for (CDefNode* c : doc.WorkingRoot()->Children())
        if (c->Name() == "Entity" && c->ValueCount() >= 2) out.push_back(c);
    return out;
}

// The resident set of the process, in bytes.
double ResidentBytes() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE));
}

// The bytes the allocator has handed out and not got back: unlike the
// resident set, not hidden by memory freed earlier and reused.
double HeapBytes() {
    return static_cast<double>(::mallinfo2().uordblks);
}

// Runs edit (untimed) and then times one Undo and one Redo of the step it
// left; the step is undone again untimed so that the mission stays as opened.
// The iteration time is the undo and the redo together; the counters give
// each on its own, in seconds.
template <typename MakeEdit>
void TimeUndoRedo(benchmark::State& state, CVarnholtMapEditorDoc& doc, MakeEdit edit) {
    double undoSeconds = 0, redoSeconds = 0;
    size_t turn = 0;
    for (auto _ : state) {
        const size_t before = doc.UndoSteps();
        edit(turn++);
        if (doc.UndoSteps() != before + 1) {
            state.SkipWithError("the edit left no step");
            break;
        }
        auto t0 = Clock::now();
        const bool undone = doc.Undo();
        auto t1 = Clock::now();
        const bool redone = doc.Redo();
        auto t2 = Clock::now();
        if (!undone || !redone || !doc.Undo()) {
            state.SkipWithError("undo or redo failed");
            break;
        }
        undoSeconds += std::chrono::duration<double>(t1 - t0).count();
        redoSeconds += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(std::chrono::duration<double>(t2 - t0).count());
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["s_per_undo"] = n > 0 ? undoSeconds / n : 0;
    state.counters["s_per_redo"] = n > 0 ? redoSeconds / n : 0;
    state.counters["history_bytes"] = static_cast<double>(doc.HistoryBytes());
}

// A different entity each time, spread over the mission.
void BM_UndoRedoDeleteEntity(benchmark::State& state) {
    auto doc = OpenBig(state);
    if (!doc) return;
    const std::vector<CDefNode*> entities = Entities(*doc);
    TimeUndoRedo(state, *doc, [&](size_t turn) {
        doc->DeleteElement(entities[(turn * 7919) % entities.size()]);
    });
}
BENCHMARK(BM_UndoRedoDeleteEntity)->Unit(benchmark::kMicrosecond)->UseManualTime();

// 100 copies of an entity, with identifiers of their own, pasted in the
// middle of the mission as one step.
void BM_UndoRedoPaste100Entities(benchmark::State& state) {
    auto doc = OpenBig(state);
    if (!doc) return;
    const std::vector<CDefNode*> entities = Entities(*doc);
    CDefNode* root = doc->WorkingRoot();
    std::vector<uint32_t> freeIds, freeMids;
    for (uint32_t id = 0x8000; freeIds.size() < kPasted && id < format::kRegistrySize; ++id)
        if (!doc->IdInUse(id)) freeIds.push_back(id);
    for (uint32_t mid = 1; freeMids.size() < kPasted && mid < format::kRegistrySize; ++mid)
        if (!doc->MidInUse(mid)) freeMids.push_back(mid);
    if (freeIds.size() < kPasted || freeMids.size() < kPasted) {
        state.SkipWithError("no free identifiers for the pasted entities");
        return;
    }
    TimeUndoRedo(state, *doc, [&](size_t turn) {
        const CDefNode* source = entities[(turn * 7919) % entities.size()];
        CVarnholtMapEditorDoc::Edit edit(*doc, "Paste");
        for (size_t i = 0; i < kPasted; ++i) {
            auto copy = std::make_unique<CDefNode>();
            copy->CopyFrom(*source);
            char id[16];
            std::snprintf(id, sizeof id, "0x%x", freeIds[i]);
            copy->SetValue(1, id);
            if (CDefNode* mid = copy->FindChild("MID"))
                mid->SetValue(0, std::to_string(freeMids[i]));
            doc->InsertSubtree(root, root->ChildCount() / 2 + i, std::move(copy), "Paste");
        }
    });
}
BENCHMARK(BM_UndoRedoPaste100Entities)->Unit(benchmark::kMicrosecond)->UseManualTime();

// The entry dialog's OK on an entity: new position and turn, one child removed.
void BM_UndoRedoEntryEdit(benchmark::State& state) {
    auto doc = OpenBig(state);
    if (!doc) return;
    const std::vector<CDefNode*> entities = Entities(*doc);
    TimeUndoRedo(state, *doc, [&](size_t turn) {
        CDefNode* target = entities[(turn * 7919) % entities.size()];
        CDefNode copy;
        copy.CopyFrom(*target);
        auto map = document::PairEntryCopy(*target, copy);
        if (CDefNode* position = copy.FindChild("Position")) {
            position->SetValue(0, std::to_string(turn % 1000));
            position->SetValue(1, std::to_string(turn % 777));
        }
        if (CDefNode* turnNode = copy.FindChild("Turn")) turnNode->SetValue(0, "45.000000");
        if (copy.ChildCount() > 2) copy.RemoveChild(copy.ChildCount() - 1);
        document::WriteEntryCopy(doc.get(), *target, copy, map);
    });
}
BENCHMARK(BM_UndoRedoEntryEdit)->Unit(benchmark::kMicrosecond)->UseManualTime();

// kSteps single-entity steps on a freshly opened mission (state.range(0):
// 0 deletes, 1 moves, 2 entry edits of different entities); the counters give
// what the history says it holds, how much the process and its heap grew,
// and how much heap clearing the history gives back.
void BM_HistoryMemory(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    double historyBytes = 0, residentGrowth = 0, heapGrowth = 0, heldHeap = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = OpenBig(state);
        if (!doc) return;
        const std::vector<CDefNode*> entities = Entities(*doc);
        if (entities.size() < kSteps) {
            state.SkipWithError("the mission has too few entities");
            return;
        }
        const double residentBefore = ResidentBytes();
        const double heapBefore = HeapBytes();
        state.ResumeTiming();
        for (size_t i = 0; i < kSteps; ++i) {
            CDefNode* entity = entities[(i * 7919) % entities.size()];
            if (kind == 0) {
                doc->DeleteElement(entity);
            } else if (kind == 1) {
                CVarnholtMapEditorDoc::Edit edit(*doc, "Move");
                if (CDefNode* position = entity->FindChild("Position")) {
                    position->SetFloat(0, static_cast<double>(i));
                    position->SetFloat(1, static_cast<double>(i) / 2);
                }
            } else {
                CDefNode copy;
                copy.CopyFrom(*entity);
                auto map = document::PairEntryCopy(*entity, copy);
                if (CDefNode* turn = copy.FindChild("Turn")) turn->SetValue(0, "12.500000");
                document::WriteEntryCopy(doc.get(), *entity, copy, map);
            }
        }
        state.PauseTiming();
        if (doc->UndoSteps() != kSteps) {
            state.SkipWithError("an edit left no step");
            return;
        }
        historyBytes = static_cast<double>(doc->HistoryBytes());
        residentGrowth = ResidentBytes() - residentBefore;
        heapGrowth = HeapBytes() - heapBefore;
        // What forgetting the steps gives back is what the history really
        // holds, the deleted entities it keeps for undo included.
        const double heapWithHistory = HeapBytes();
        doc->ClearHistory();
        heldHeap = heapWithHistory - HeapBytes();
        doc.reset();
        state.ResumeTiming();
    }
    state.counters["history_bytes"] = historyBytes;
    state.counters["rss_growth_bytes"] = residentGrowth;
    state.counters["heap_growth_bytes"] = heapGrowth;
    state.counters["heap_held_by_history"] = heldHeap;
    state.counters["history_bytes_per_step"] = historyBytes / kSteps;
}
BENCHMARK(BM_HistoryMemory)
    ->ArgName("deletes0_moves1_entry2")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // The generated game and the extracted mission go; a game given through
    // VM_BIG_GAME lies elsewhere and stays.
    if (!g_work.empty()) {
        std::error_code ec;
        fs::remove_all(g_work, ec);
    }
    return 0;
}
