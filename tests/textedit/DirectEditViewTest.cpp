// The text window on the offscreen platform: typing, undo to the saved
// point, find, markers and long lines.

#include "textedit/DirectEditView.h"
#include "document/VarnholtMapEditorDoc.h"
#include "support/QtTestSupport.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using textedit::CDirectEditView;

namespace {

constexpr const char* kMission = "{map {WorldBound 0 0 1 1}}\n"
                                 "{mission\n"
                                 "\t{Entity \"m4a2\" 0x8001 {MID 5}}\n"
                                 "\t{Entity \"tiger\" 0x8002 {MID 6}}\n"
                                 "}\n";

class DirectEditViewTest : public ::testing::Test {
  protected:
    DirectEditViewTest() {
        testing_support::TestApp();
        document::DocumentServices services;
        services.prompts = &m_prompts;
        m_doc = std::make_unique<CVarnholtMapEditorDoc>(services);
        m_doc->SetKind(document::Mission);
        m_doc->LoadFromText(kMission);
        m_doc->Roots()[0]->locked = true; // the base map, as a mission load leaves it
        m_view = std::make_unique<CDirectEditView>(m_doc.get());
        m_view->resize(600, 400);
        m_view->show();
        m_view->setFocus();
    }

    void Type(const char* text) {
        QTest::keyClicks(m_view->viewport(), QString::fromLatin1(text));
        QApplication::processEvents();
    }

    testing_support::RecordingPrompts m_prompts;
    std::unique_ptr<CVarnholtMapEditorDoc> m_doc;
    std::unique_ptr<CDirectEditView> m_view;
};

TEST_F(DirectEditViewTest, ShowsTheDocumentsBlocksAndKeepsWindows1252Bytes) {
    const std::string text = m_view->TextBytes();
    EXPECT_EQ(text.rfind("{mission\r\n", 0), 0u);
    EXPECT_EQ(text.find("WorldBound"), std::string::npos);
    // Bytes Qt would otherwise read as Latin-1 or UTF-8 come back as they went in.
    const std::string bytes = "{mission {Name \"caf\xe9 \x80 \x9f\"}}\r\n";
    m_view->SetTextBytes(bytes);
    EXPECT_EQ(m_view->TextBytes(), bytes);
    m_view->SetTextBytes("a\nb\rc");
    EXPECT_EQ(m_view->TextBytes(), "a\r\nb\r\nc");
    EXPECT_EQ(m_view->lines(), 3);
}

TEST_F(DirectEditViewTest, TypingMarksTheDocumentAndUndoingToTheSavedPointCleansIt) {
    EXPECT_FALSE(m_doc->IsModified());
    m_view->setCursorPosition(0, 0);
    Type("a");
    EXPECT_TRUE(m_doc->IsModified());
    // The document was saved here.
    m_view->MarkSaved();
    m_doc->SetModifiedFlag(false);
    Type("b");
    EXPECT_TRUE(m_doc->IsModified());
    m_view->OnUndo();
    EXPECT_FALSE(m_doc->IsModified());
    m_view->OnUndo(); // one step before the save
    EXPECT_TRUE(m_doc->IsModified());
    EXPECT_EQ(m_view->TextBytes().rfind("{mission", 0), 0u);
    m_view->OnRedo();
    EXPECT_FALSE(m_doc->IsModified());
    // A new edit after an undo empties the redo list.
    m_view->OnUndo();
    Type("c");
    EXPECT_FALSE(m_view->CanRedo());
    EXPECT_EQ(m_view->TextBytes().rfind("c{mission", 0), 0u);
}

TEST_F(DirectEditViewTest, UndoToTheSavedPointKeepsChangesMadeElsewhere) {
    m_doc->SetModifiedFlag(true); // an edit in another view, not yet saved
    Type("x");
    m_view->OnUndo();
    EXPECT_TRUE(m_doc->IsModified());
}

TEST_F(DirectEditViewTest, FindSearchesInBothDirectionsAndWraps) {
    m_view->SetTextBytes("alpha\r\nEntity one\r\nentity two\r\nEntityX\r\n");
    m_view->GoToLine(2);
    // Forward from line 2 with match case: wraps to line 1.
    ASSERT_TRUE(m_view->FindNext("Entity", true, true, true));
    int line = 0, index = 0;
    m_view->getCursorPosition(&line, &index);
    EXPECT_EQ(line, 1);
    EXPECT_EQ(m_view->selectedText(), "Entity");
    // Backward from line 0: wraps to the last occurrence, whole words only.
    m_view->GoToLine(0);
    ASSERT_TRUE(m_view->FindNext("entity", false, true, false));
    m_view->getCursorPosition(&line, &index);
    EXPECT_EQ(line, 2);
    ASSERT_TRUE(m_view->FindNext("entity", false, true, false));
    m_view->getCursorPosition(&line, &index);
    EXPECT_EQ(line, 1);
    // Nothing found: the message, and the selection stays.
    EXPECT_FALSE(m_view->FindNext("tank", false, false, true));
    EXPECT_EQ(m_prompts.messages,
              std::vector<std::string>{"The string 'tank' could not be found."});
    EXPECT_EQ(m_view->selectedText(), "Entity");
}

TEST_F(DirectEditViewTest, MarkersAreVisitedInLineOrderAndFollowTheText) {
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "{Entity \"e\" 0x" + std::to_string(8000 + i) + "}\r\n";
    m_view->SetTextBytes(text);
    EXPECT_FALSE(m_view->CanGoToMarker());
    for (int line : {30, 10, 20}) {
        m_view->GoToLine(line);
        m_view->OnSetMarker();
    }
    EXPECT_EQ(m_view->MarkerLines(), (std::vector<int>{10, 20, 30}));
    std::vector<int> visited;
    for (int i = 0; i < 3; ++i) {
        m_view->OnGoToMarker();
        visited.push_back(m_view->CaretLine());
    }
    EXPECT_EQ(visited, (std::vector<int>{30, 10, 20}));
    // Two lines typed above move the markers with their lines.
    m_view->setCursorPosition(0, 0);
    Type("\r\r");
    EXPECT_EQ(m_view->MarkerLines(), (std::vector<int>{12, 22, 32}));
    // The current marker moved with its line too: the next one is after it.
    m_view->OnGoToMarker();
    EXPECT_EQ(m_view->CaretLine(), 32);
    // Removing every marker disables Go to Marker.
    for (int line : {12, 22, 32}) {
        m_view->GoToLine(line);
        m_view->OnSetMarker();
    }
    EXPECT_FALSE(m_view->CanGoToMarker());
}

TEST_F(DirectEditViewTest, LongLinesAreShownWrappedAndKeptAsTyped) {
    EXPECT_EQ(m_view->wrapMode(), QsciScintilla::WrapNone);
    std::string line(3000, 'x');
    line[2000] = ' ';
    const std::string text = "{Name \"" + line + "\"}\r\n";
    m_view->SetTextBytes(text);
    EXPECT_EQ(m_view->TextBytes(), text);
    EXPECT_EQ(m_view->lines(), 2);
    EXPECT_NE(m_view->wrapMode(), QsciScintilla::WrapNone);
}

TEST_F(DirectEditViewTest, PasteAndCutAreRefusedOnAReadOnlyView) {
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    m_view->setReadOnly(true);
    m_view->OnSelectAll();
    EXPECT_FALSE(m_view->CanPaste());
    EXPECT_FALSE(m_view->CanCut());
    const std::string before = m_view->TextBytes();
    m_view->OnPaste();
    m_view->OnCut();
    m_view->OnClearAll();
    EXPECT_EQ(m_view->TextBytes(), before);
    m_view->setReadOnly(false);
    m_view->OnPaste();
    EXPECT_EQ(m_view->TextBytes(), "pasted");
    m_view->OnUndo();
    EXPECT_EQ(m_view->TextBytes(), before);
}

TEST_F(DirectEditViewTest, ClosingTheWindowLeavesTextModeAndForgetsTheText) {
    m_view->NotifyActivated(true);
    EXPECT_TRUE(m_doc->TextMode());
    m_view.reset();
    EXPECT_FALSE(m_doc->TextMode());
    EXPECT_TRUE(m_doc->DirectEditText().empty());
}

TEST_F(DirectEditViewTest, LinesMadeLongByTypingPastingOrJoiningAreShownWrapped) {
    // Short lines, even many KB of them, leave the view unwrapped.
    std::string shortLines;
    for (int i = 0; i < 200; ++i)
        shortLines += "{Entity \"m4a2\" 0x8001}\r\n";
    m_view->SetTextBytes(shortLines);
    m_view->GoToLine(3);
    m_view->insert(QString::fromStdString(shortLines));
    QApplication::processEvents();
    EXPECT_EQ(m_view->wrapMode(), QsciScintilla::WrapNone);
    // Typing onto a line at the limit makes it long.
    m_view->SetTextBytes("{Name \"" + std::string(2035, 'x') + "\"}\r\n");
    EXPECT_EQ(m_view->wrapMode(), QsciScintilla::WrapNone);
    m_view->setCursorPosition(0, 10);
    Type("abcdefgh");
    EXPECT_NE(m_view->wrapMode(), QsciScintilla::WrapNone);
    EXPECT_EQ(m_view->TextBytes(), "{Name \"xxxabcdefgh" + std::string(2032, 'x') + "\"}\r\n");

    // Pasting a long line.
    m_view->SetTextBytes(kMission);
    EXPECT_EQ(m_view->wrapMode(), QsciScintilla::WrapNone);
    QApplication::clipboard()->setText(QString(3000, QLatin1Char('y')));
    m_view->GoToLine(1);
    m_view->OnPaste();
    QApplication::processEvents();
    EXPECT_NE(m_view->wrapMode(), QsciScintilla::WrapNone);

    // Deleting the line end between two lines of 1,500 bytes joins them.
    const std::string half(1500, 'z');
    const std::string twoLines = half + "\r\n" + half + "\r\n";
    m_view->SetTextBytes(twoLines);
    EXPECT_EQ(m_view->wrapMode(), QsciScintilla::WrapNone);
    m_view->SendScintilla(QsciScintillaBase::SCI_SETSEL, 1500ul, 1502l);
    m_view->OnClear();
    QApplication::processEvents();
    EXPECT_NE(m_view->wrapMode(), QsciScintilla::WrapNone);
    EXPECT_EQ(m_view->TextBytes(), half + half + "\r\n");
    m_view->OnUndo();
    EXPECT_EQ(m_view->TextBytes(), twoLines);
    m_view->OnRedo();
    EXPECT_EQ(m_view->TextBytes(), half + half + "\r\n");
}

} // namespace
