// The element tree on a big mission: showing it (rebuild with the mission
// expanded, first paint) and scrolling through its 20,000 entities page by
// page with a repaint after each step. Runs on Qt's offscreen platform.
//
// The mission is VM_BIG_MISSION (a .mi with its map beside it, for example
// the big demo game's big_battle extracted by bench/document_bench.sh's
// generator); without it a mission of 20,000 entities is made in memory.

#include "document/VarnholtMapEditorDoc.h"
#include "format/DefNode.h"
#include "tree/VarnholtMapEditorView.h"

#include <QApplication>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

std::unique_ptr<CVarnholtMapEditorDoc> LoadMission() {
    auto doc = std::make_unique<CVarnholtMapEditorDoc>();
    if (const char* path = std::getenv("VM_BIG_MISSION")) {
        if (doc->OnOpenDocument(path)) return doc;
        std::fprintf(stderr, "cannot open %s, using a generated mission\n", path);
    }
    std::string text = "{map {WorldBound -1000 -1000 1000 1000}}\n{mission\n";
    for (int k = 0; k < 20000; ++k)
        text += "{Entity \"m4a2\" 0x" + std::to_string(0x8000 + k) +
                " {Position 1 2 3} {Turn 0} {MID " + std::to_string(k + 1) + "}}\n";
    text += "}\n";
    doc->SetKind(document::Mission);
    doc->LoadFromText(text);
    return doc;
}

void ExpandMission(CVarnholtMapEditorView& view, CVarnholtMapEditorDoc& doc) {
    if (CDefNode* root = doc.WorkingRoot()) root->SetExpanded(true);
    view.Rebuild();
}

void BM_ShowBigMission(benchmark::State& state) {
    auto doc = LoadMission();
    for (auto _ : state) {
        CVarnholtMapEditorView view(doc.get(), nullptr);
        view.resize(900, 700);
        view.show();
        ExpandMission(view, *doc);
        QApplication::processEvents();
        view.grab(); // the first full paint
    }
}
BENCHMARK(BM_ShowBigMission)->Unit(benchmark::kMillisecond);

void BM_ScrollPage(benchmark::State& state) {
    auto doc = LoadMission();
    CVarnholtMapEditorView view(doc.get(), nullptr);
    view.resize(900, 700);
    view.show();
    ExpandMission(view, *doc);
    QApplication::processEvents();
    QScrollBar* bar = view.verticalScrollBar();
    for (auto _ : state) {
        int next = bar->value() + bar->pageStep();
        bar->setValue(next > bar->maximum() ? 0 : next);
        view.viewport()->repaint();
    }
    state.counters["rows"] = static_cast<double>(bar->maximum());
}
BENCHMARK(BM_ScrollPage)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
