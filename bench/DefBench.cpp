// Parsing and writing a large mission: a deterministic 64 MB mission-like
// text (nested entities, values, comments) is generated once, then parsed
// into a tree and written back. Counters report throughput and the heap the
// tree holds relative to the size of the text.
#include "format/DefParser.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdio>
#include <random>
#include <string>

namespace {

constexpr size_t kTargetBytes = 64u << 20;

std::string Fixed(double x) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6f", x);
    return buf;
}

void Entity(std::string& out, std::mt19937& rng, unsigned id) {
    static const char* types[] = {"tank/medium_tank", "tank/heavy_tank", "gun/at_gun_75",
                                  "human/rifleman",   "human/officer",   "building/farmhouse",
                                  "vegetation/oak",   "fence/wood_fence"};
    std::uniform_real_distribution<double> pos(-2000.0, 2000.0);
    if (id % 7 == 0) out += "\t; squad " + std::to_string(id / 7) + "\r\n";
    out += "\t{Entity \"";
    out += types[rng() % 8];
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%x", id & 0xFFFF);
    out += "\" ";
    out += hex;
    out += "\r\n";
    out += "\t\t{Position " + Fixed(pos(rng)) + " " + Fixed(pos(rng)) + " " +
           Fixed(pos(rng) / 100) + "}\r\n";
    out += "\t\t{Direction " + Fixed(0.0) + " " + Fixed(1.0) + " " + Fixed(0.0) + "}\r\n";
    out += "\t\t{MID " + std::to_string(id % 60000) + "}\r\n";
    out += "\t\t{Player " + std::to_string(rng() % 4) + "}\r\n";
    if (rng() % 2) {
        out += "\t\t{Brain\r\n\t\t\t{Behaviour \"hold\"}\r\n\t\t\t{Waypoint \"wp" +
               std::to_string(rng() % 100) + "\"}\r\n\t\t}\r\n";
    }
    if (rng() % 3 == 0) {
        out += "\t\t{Inventory\r\n";
        for (int i = 0; i < 3; ++i)
            out += "\t\t\t{Item \"ammo/shell_" + std::to_string(rng() % 9) + "\" " +
                   std::to_string(rng() % 80) + "}\r\n";
        out += "\t\t}\r\n";
    }
    if (id % 11 == 0) out += "\t\t/* crew boards later */\r\n";
    out += "\t}\r\n";
}

const std::string& MissionText() {
    static const std::string text = [] {
        std::string out;
        out.reserve(kTargetBytes + (1u << 16));
        std::mt19937 rng(20261207);
        out += "; generated mission\r\n{mission \"$map$\"\r\n\t{Registry\r\n\t\t{MID 1}\r\n\t}\r\n";
        unsigned id = 1;
        while (out.size() < kTargetBytes)
            Entity(out, rng, id++);
        out += "}\r\n";
        return out;
    }();
    return text;
}

size_t HeapInUse() {
    return mallinfo2().uordblks;
}

void BM_ParseMission(benchmark::State& state) {
    const std::string& text = MissionText();
    size_t treeBytes = 0, nodes = 0;
    for (auto _ : state) {
        size_t before = HeapInUse();
        DefNodeList roots;
        {
            CDefScanner scanner = CDefScanner::FromText(text);
            while (ParseBlocks(scanner, nullptr, roots)) {
            }
        }
        state.PauseTiming();
        treeBytes = HeapInUse() - before;
        nodes = 0;
        for (const auto& r : roots)
            nodes += r->CountNodes();
        roots.clear();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.counters["file_MB"] = static_cast<double>(text.size()) / (1 << 20);
    state.counters["nodes"] = static_cast<double>(nodes);
    state.counters["tree_per_file"] =
        static_cast<double>(treeBytes) / static_cast<double>(text.size());
}
BENCHMARK(BM_ParseMission)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_WriteMission(benchmark::State& state) {
    const std::string& text = MissionText();
    DefNodeList roots;
    ParseDefinitionText(text, roots);
    size_t written = 0;
    format::StringSink sink;
    sink.text.reserve(text.size() + (1u << 20));
    for (auto _ : state) {
        sink.text.clear();
        for (const auto& r : roots)
            r->WriteNode(sink);
        written = sink.text.size();
        benchmark::DoNotOptimize(sink.text.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * written));
    state.counters["same_bytes"] = written == text.size() ? 1 : 0;
}
BENCHMARK(BM_WriteMission)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
