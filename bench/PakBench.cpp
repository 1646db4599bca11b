// Reading a game-sized pak archive: listing all members, checking them, and
// extracting everything, side by side with Info-ZIP unzip on the same archive.
//
// The archive comes from bench/make_pak_corpus.py; name it in VM_PAK_CORPUS.
// Extraction goes below VM_PAK_BENCH_DIR (default: the system temporary
// folder) and is removed after every run.

#include "pak/PakArchive.h"

#include "platform/Text.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string Corpus() {
    const char* path = std::getenv("VM_PAK_CORPUS");
    return path ? path : "";
}

fs::path ScratchFolder(const char* name) {
    const char* base = std::getenv("VM_PAK_BENCH_DIR");
    return (base ? fs::path(base) : fs::temp_directory_path()) / name;
}

bool HaveCorpus(benchmark::State& state) {
    if (!Corpus().empty() && fs::is_regular_file(Corpus())) return true;
    state.SkipWithError("set VM_PAK_CORPUS to an archive made by bench/make_pak_corpus.py");
    return false;
}

void RemoveFolder(const fs::path& dir) {
    std::error_code ec;
    fs::remove_all(dir, ec);
}

void BM_ListAllMembers(benchmark::State& state) {
    if (!HaveCorpus(state)) return;
    size_t members = 0;
    for (auto _ : state) {
        pak::CPakArchive archive;
        archive.Open(Corpus());
        archive.List();
        members = archive.Members().size();
        benchmark::DoNotOptimize(members);
    }
    state.counters["members"] = static_cast<double>(members);
}

void BM_TestAllMembers(benchmark::State& state) {
    if (!HaveCorpus(state)) return;
    for (auto _ : state) {
        pak::CPakArchive archive;
        archive.Open(Corpus());
        if (archive.Test(nullptr) != pak::PakOk)
            state.SkipWithError("the corpus does not test clean");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(fs::file_size(Corpus())));
}

// The resource loader's way: list, lower-case every name, extract them all.
void BM_ExtractAll(benchmark::State& state) {
    if (!HaveCorpus(state)) return;
    const fs::path target = ScratchFolder("vm_pak_bench_ours");
    RemoveFolder(target);
    for (auto _ : state) {
        pak::CPakArchive archive;
        archive.Open(Corpus());
        archive.List();
        std::vector<std::string> names;
        names.reserve(archive.Members().size());
        for (const auto& m : archive.Members())
            names.push_back(platform::ToLowerCp1252(m.name));
        if (!archive.Extract({}, names, target))
            state.SkipWithError("extraction reported a problem");
        state.PauseTiming();
        RemoveFolder(target);
        state.ResumeTiming();
    }
}

void RunTool(benchmark::State& state, const std::string& command, const fs::path& target) {
    RemoveFolder(target);
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) state.SkipWithError(("failed: " + command).c_str());
        state.PauseTiming();
        RemoveFolder(target);
        state.ResumeTiming();
    }
}

void BM_UnzipExtractAll(benchmark::State& state) {
    if (!HaveCorpus(state)) return;
    const fs::path target = ScratchFolder("vm_pak_bench_unzip");
    RunTool(state, "unzip -qo '" + Corpus() + "' -d '" + target.string() + "'", target);
}

void BM_UnzipListAllMembers(benchmark::State& state) {
    if (!HaveCorpus(state)) return;
    RunTool(state, "unzip -Z1 '" + Corpus() + "' > /dev/null", ScratchFolder("vm_pak_bench_none"));
}

} // namespace

BENCHMARK(BM_ListAllMembers)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UnzipListAllMembers)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TestAllMembers)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
// Repeated; bench/pak_bench.sh interleaves the repetitions so that ours and
// unzip meet the same state of the disk cache.
BENCHMARK(BM_ExtractAll)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3);
BENCHMARK(BM_UnzipExtractAll)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3);

BENCHMARK_MAIN();
