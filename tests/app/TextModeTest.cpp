// The text window inside the editor: Direct editing on and off, and saves
// from the text window and from another view, with no typed text lost.

#include "AppTestSupport.h"

#include "app/ChildFrame.h"
#include "app/DocManager.h"
#include "app/MainFrame.h"
#include "app/RecentFileList.h"
#include "commands/CommandTable.h"
#include "platform/SettingsStore.h"
#include "textedit/DirectEditView.h"
#include "textedit/TextModeSession.h"
#include "tree/VarnholtMapEditorView.h"

#include <QCoreApplication>
#include <QMdiArea>

using app::CMainFrame;
using doc_testing::ReadText;
using doc_testing::WriteText;

namespace {

class TextModeTest : public app_testing::QtFixture {
  protected:
    TextModeTest() {
        m_docs.SetDialogsFactory([this](const app::CDocTemplate&) {
            return std::make_unique<app_testing::ForwardingDialogs>(m_script);
        });
        CMainFrame::Context context;
        context.docManager = &m_docs;
        context.settings = &m_settings;
        context.recentFiles = &m_recent;
        m_frame = std::make_unique<CMainFrame>(context);
        m_frame->show();
        WriteText(m_dir.path() / "map", doc_testing::kBaseMap);
        WriteText(Mission(), "{mission {Entity \"m4a2\" 0x8001 {MID 5}}}\n");
        m_holder = m_docs.OpenDocumentFile(QString::fromStdString(Mission().string()));
        Settle();
    }
    ~TextModeTest() override {
        m_frame.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    std::filesystem::path Mission() const { return m_dir.path() / "m.mi"; }
    void Settle() {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_frame->UpdateCommandStates();
    }
    textedit::CDirectEditView* OpenText() {
        m_frame->OnCommand(commands::CmdDirectEditing);
        Settle();
        return m_frame->ActiveTextView();
    }
    void Activate(QWidget* view) {
        m_frame->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(view->parentWidget()));
        Settle();
    }
    std::string ElementsText() const {
        format::StringSink sink;
        for (const auto& root : m_holder->Doc().Roots())
            root->WriteNode(sink);
        return sink.text;
    }
    std::vector<std::string> TextQuestions() const {
        std::vector<std::string> out;
        for (const std::string& q : m_prompts.questions)
            if (q != document::kOverwriteMapQuestion) out.push_back(q);
        return out;
    }

    testing_support::RecordingPrompts m_prompts;
    doc_testing::ScriptedDialogs m_script;
    testing_support::TempDir m_dir;
    platform::EditorSettings m_settings;
    app::CRecentFileList m_recent;
    app::CVarnholtDocManager m_docs{
        app::CVarnholtDocManager::Services{&m_prompts, nullptr, nullptr}};
    std::unique_ptr<CMainFrame> m_frame;
    app::CDocumentHolder* m_holder = nullptr;
};

TEST_F(TextModeTest, DirectEditingOpensTheTextWindowAndLeavesItAgain) {
    ASSERT_NE(m_holder, nullptr);
    EXPECT_FALSE(m_frame->Action(commands::CmdDirectEditing)->isChecked());
    EXPECT_FALSE(m_frame->Action(commands::CmdSetMarker)->isEnabled());
    textedit::CDirectEditView* text = OpenText();
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(m_holder->Doc().TextMode());
    EXPECT_TRUE(m_frame->Action(commands::CmdDirectEditing)->isChecked());
    EXPECT_TRUE(m_frame->Action(commands::CmdSetMarker)->isEnabled());
    EXPECT_FALSE(m_frame->Action(commands::CmdGoToMarker)->isEnabled());
    m_frame->OnCommand(commands::CmdSetMarker);
    Settle();
    EXPECT_TRUE(m_frame->Action(commands::CmdGoToMarker)->isEnabled());
    // Another window of the document clears the text mode.
    Activate(m_holder->TreeViews().front());
    EXPECT_FALSE(m_holder->Doc().TextMode());
    EXPECT_FALSE(m_frame->Action(commands::CmdDirectEditing)->isChecked());
    // Direct editing again goes back to the same text window.
    EXPECT_EQ(OpenText(), text);
    // And off: the text window closes, the tree is in front.
    m_frame->OnCommand(commands::CmdDirectEditing);
    Settle();
    EXPECT_EQ(m_holder->TextView(), nullptr);
    EXPECT_NE(m_frame->ActiveTreeView(), nullptr);
    EXPECT_FALSE(m_holder->Doc().TextMode());
}

TEST_F(TextModeTest, ASaveFromTheTextWindowWritesTheTextAndTheTreeShowsIt) {
    textedit::CDirectEditView* text = OpenText();
    ASSERT_NE(text, nullptr);
    text->insertAt(QStringLiteral("{Entity \"tiger\" 0x8002 {MID 6}}\r\n\t"), 1, 1);
    EXPECT_TRUE(m_holder->Doc().IsModified());
    m_frame->OnCommand(commands::CmdFileSave);
    Settle();
    EXPECT_EQ(ReadText(Mission()), text->TextBytes());
    EXPECT_FALSE(m_holder->Doc().IsModified());
    EXPECT_NE(ElementsText().find("\"tiger\""), std::string::npos);
    EXPECT_TRUE(m_holder->Doc().IdInUse(0x8002));
    // The tree shows the elements read back from the saved text.
    CVarnholtMapEditorView* tree = m_holder->TreeViews().front();
    CDefNode* mission = m_holder->Doc().WorkingRoot();
    ASSERT_NE(mission, nullptr);
    ASSERT_EQ(mission->ChildCount(), 2u);
    tree->SelectNode(mission->Child(0));
    EXPECT_EQ(tree->SelectedNode(), mission->Child(0));
    // Undoing the edit after the save marks the document modified again.
    text->OnUndo();
    EXPECT_TRUE(m_holder->Doc().IsModified());
}

TEST_F(TextModeTest, ASaveFromAnotherViewAsksAboutTheTextEdits) {
    textedit::CDirectEditView* text = OpenText();
    ASSERT_NE(text, nullptr);
    text->insertAt(QStringLiteral("{Entity \"tiger\" 0x8002}\r\n\t"), 1, 1);
    Activate(m_holder->TreeViews().front());
    // Yes: the text is taken into the elements, then they are saved.
    m_prompts.answers = {true};
    m_frame->OnCommand(commands::CmdFileSave);
    Settle();
    EXPECT_EQ(TextQuestions(), std::vector<std::string>{textedit::kKeepTextEditsOnSaveQuestion});
    EXPECT_NE(ReadText(Mission()).find("\"tiger\""), std::string::npos);
    EXPECT_EQ(text->TextBytes(), ReadText(Mission()));

    // No: the edits go, the text window shows the saved elements.
    text->insertAt(QStringLiteral("{Entity \"lost\" 0x8003}\r\n\t"), 1, 1);
    m_prompts.answers = {false};
    m_frame->OnCommand(commands::CmdFileSave);
    Settle();
    EXPECT_EQ(TextQuestions().size(), 2u);
    EXPECT_EQ(ReadText(Mission()).find("\"lost\""), std::string::npos);
    EXPECT_EQ(text->TextBytes(), ReadText(Mission()));
}

TEST_F(TextModeTest, TextThatDoesNotReadBackIsNeverDroppedSilently) {
    textedit::CDirectEditView* text = OpenText();
    ASSERT_NE(text, nullptr);
    const std::string elements = ElementsText();
    text->append(QStringLiteral("{Entity \"open\" 0x8004\r\n")); // a block left open
    m_frame->OnCommand(commands::CmdFileSave);
    Settle();
    // Saved as typed; the user is told the other views keep the old elements.
    EXPECT_EQ(ReadText(Mission()), text->TextBytes());
    ASSERT_EQ(m_prompts.messages.size(), 1u);
    EXPECT_NE(m_prompts.messages[0].find("does not read back"), std::string::npos);
    EXPECT_EQ(ElementsText(), elements);
    // Closing the text window while the tree stays asks; Yes cannot take
    // the text, so the window stays open with it.
    m_prompts.answers = {true};
    EXPECT_FALSE(text->parentWidget()->close());
    Settle();
    EXPECT_EQ(m_holder->TextView(), text);
    EXPECT_EQ(TextQuestions(), std::vector<std::string>{textedit::kKeepTextEditsOnCloseQuestion});
    // No closes it and drops the edits knowingly.
    m_prompts.answers = {false};
    EXPECT_TRUE(text->parentWidget()->close());
    Settle();
    EXPECT_EQ(m_holder->TextView(), nullptr);
}

} // namespace
