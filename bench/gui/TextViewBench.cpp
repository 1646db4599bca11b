// The text window on a 10 MB mission: opening it (the document writes its
// text, the window takes it over and paints), scrolling page by page and from
// top to bottom, typing in the middle of the text and finding a word that
// occurs only at its end. Runs on Qt's offscreen platform.
//
// The mission is made in memory: entities with comments, quoted names and
// nested blocks, repeated until the text is 10 MB. VM_TEXT_LONG_LINE=1 adds
// one line of 3,000 bytes, so the window shows every line wrapped.

#include "document/VarnholtMapEditorDoc.h"
#include "textedit/DirectEditView.h"

#include <QApplication>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

// The elements are written in the editor's layout (one block a line), which
// makes the window's text about 1.25 times this size: 10 MB.
constexpr size_t kTextSize = 8u * 1000u * 1000u;

std::unique_ptr<CVarnholtMapEditorDoc> MakeMission() {
    auto doc = std::make_unique<CVarnholtMapEditorDoc>();
    std::string text = "{map {WorldBound -1000 -1000 1000 1000}}\n{mission\n";
    if (std::getenv("VM_TEXT_LONG_LINE")) text += "{Name \"" + std::string(3000, 'x') + "\"}\n";
    for (int k = 0; text.size() < kTextSize; ++k) {
        const std::string n = std::to_string(k);
        text += "; squad " + n + " holds the crossing\n{Entity \"m4a2\" 0x" +
                std::to_string(0x8000 + k % 0x7000) + " {Position " + n + ".5 -2 0} {Turn 0}" +
                " {MID " + std::to_string(1 + k % 60000) + "} {Player 1}" +
                " {Brain {FsmState \"idle\"} {waypoint/uid " + n + "}}}\n";
    }
    text += "{Helpers {event \"needle_at_the_end\" id 1 state 0}}\n}\n";
    doc->SetKind(document::Mission);
    doc->LoadFromText(text);
    doc->Roots()[0]->locked = true;
    return doc;
}

CVarnholtMapEditorDoc& Mission() {
    static std::unique_ptr<CVarnholtMapEditorDoc> doc = MakeMission();
    return *doc;
}

void BM_OpenTextWindow(benchmark::State& state) {
    CVarnholtMapEditorDoc& doc = Mission();
    size_t bytes = 0;
    for (auto _ : state) {
        doc.DirectEditText().clear(); // written from the elements each time
        textedit::CDirectEditView view(&doc);
        view.resize(900, 700);
        view.show();
        QApplication::processEvents();
        view.grab(); // the first full paint
        bytes = view.TextBytes().size();
    }
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_OpenTextWindow)->Unit(benchmark::kMillisecond);

struct OpenWindow {
    OpenWindow() : view(&Mission()) {
        view.resize(900, 700);
        view.show();
        QApplication::processEvents();
    }
    textedit::CDirectEditView view;
};

void BM_ScrollPage(benchmark::State& state) {
    OpenWindow window;
    QScrollBar* bar = window.view.verticalScrollBar();
    for (auto _ : state) {
        int next = bar->value() + bar->pageStep();
        bar->setValue(next > bar->maximum() ? 0 : next);
        window.view.viewport()->repaint();
    }
    state.counters["lines"] = window.view.lines();
}
BENCHMARK(BM_ScrollPage)->Unit(benchmark::kMillisecond);

void BM_ScrollTopToBottom(benchmark::State& state) {
    OpenWindow window;
    QScrollBar* bar = window.view.verticalScrollBar();
    for (auto _ : state) {
        bar->setValue(0);
        window.view.viewport()->repaint();
        bar->setValue(bar->maximum());
        window.view.viewport()->repaint();
    }
}
BENCHMARK(BM_ScrollTopToBottom)->Unit(benchmark::kMillisecond);

// One keystroke and its repaint at the top, the middle and the end of the
// text: it must cost the same wherever the caret is.
void BM_Type(benchmark::State& state) {
    OpenWindow window;
    const int line = static_cast<int>((window.view.lines() - 1) * state.range(0) / 2);
    window.view.GoToLine(line);
    for (auto _ : state) {
        window.view.insert(QStringLiteral("x"));
        window.view.viewport()->repaint();
    }
}
BENCHMARK(BM_Type)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_FindAtTheEnd(benchmark::State& state) {
    OpenWindow window;
    for (auto _ : state) {
        window.view.GoToLine(0);
        if (!window.view.FindNext(QStringLiteral("needle_at_the_end"), true, true, true))
            state.SkipWithError("not found");
        window.view.viewport()->repaint();
    }
}
BENCHMARK(BM_FindAtTheEnd)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
