#include "TreeTestSupport.h"

#include <QFile>
#include <QFocusEvent>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

using namespace tree_testing;

namespace {

// The number of pages of a PDF written by Qt's printer.
int PdfPages(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return -1;
    const QString text = QString::fromLatin1(file.readAll());
    return static_cast<int>(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))));
}

} // namespace

TEST(TreeViewTest, ActivationTellsTheMainFrameTheDocumentAndItsKind) {
    auto mission = MakeDoc(kMission);
    auto map = MakeDoc("{map {WorldBound 0 0 1 1}}", document::Map);
    RecordingRelay relay;
    TestView missionView(mission.get(), &relay);
    TestView mapView(map.get(), &relay);
    QFocusEvent focusIn(QEvent::FocusIn);
    QApplication::sendEvent(&missionView, &focusIn);
    mapView.NotifyActivated();

    ASSERT_EQ(relay.messages.size(), 2u);
    EXPECT_EQ(relay.messages[0].message, document::AppMessage::DocumentActivated);
    // A mission lists its base map first; it is still reported as a mission.
    EXPECT_EQ(relay.messages[0].first, 0);
    EXPECT_EQ(relay.messages[0].second, reinterpret_cast<intptr_t>(mission.get()));
    EXPECT_EQ(relay.messages[1].first, 1);
    EXPECT_EQ(relay.messages[1].second, reinterpret_cast<intptr_t>(map.get()));

    TestView silent(mission.get(), nullptr);
    silent.NotifyActivated();
}

TEST(TreeViewTest, PrintingBreaksTheVisibleLinesIntoPages) {
    std::string text = "{map {WorldBound 0 0 1 1}}\n{mission\n";
    for (int i = 0; i < 400; ++i)
        text += "{Entity \"m4a2\" 0x" + std::to_string(8001 + i) + "}\n";
    text += "}\n";
    auto doc = MakeDoc(text);
    TestView view(doc.get(), nullptr);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());

    auto print = [&](const QString& name) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(name));
        view.Print(&printer);
        return PdfPages(dir.filePath(name));
    };
    EXPECT_EQ(print("collapsed.pdf"), 1);
    view.expand(view.model()->index(1, 0));
    // 402 lines at some 60 to the page.
    EXPECT_GT(print("expanded.pdf"), 3);
}
