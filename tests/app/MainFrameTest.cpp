#include "AppTestSupport.h"

#include "app/AppDialogs.h"
#include "app/ChildFrame.h"
#include "app/DocManager.h"
#include "app/EntityBar.h"
#include "app/MainFrame.h"
#include "app/PropBar.h"
#include "app/RecentFileList.h"
#include "commands/CommandTable.h"
#include "platform/SettingsStore.h"
#include "tree/VarnholtMapEditorView.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMenuBar>
#include <QTest>

using app::CMainFrame;
using doc_testing::WriteText;

namespace {

class MainFrameTest : public app_testing::QtFixture {
  protected:
    MainFrameTest() {
        m_docs.SetDialogsFactory([this](const app::CDocTemplate&) {
            return std::make_unique<app_testing::ForwardingDialogs>(m_script);
        });
        CMainFrame::Context context;
        context.docManager = &m_docs;
        context.settings = &m_settings;
        context.recentFiles = &m_recent;
        context.browseFolder = [this](QWidget*, const QString&) { return m_browserAnswer; };
        context.startProcess = [this](const QString& program, const QString&) {
            m_started << program;
            return true;
        };
        m_frame = std::make_unique<CMainFrame>(context);
        m_docs.SetRecentFileSink([this](const QString& path) { m_recent.Add(path); });
        m_frame->show();
        WriteText(m_dir.path() / "map", doc_testing::kBaseMap);
        WriteText(m_dir.path() / "m.mi", "{mission {Entity \"m4a2\" 0x8001}}\n");
        WriteText(m_dir.path() / "tank.def", "{Entity {props \"vehicle\"}}\n");
    }
    ~MainFrameTest() override {
        m_frame.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    app::CDocumentHolder* Open(const char* name) {
        auto* holder =
            m_docs.OpenDocumentFile(QString::fromStdString((m_dir.path() / name).string()));
        Settle();
        return holder;
    }
    void Settle() {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_frame->UpdateCommandStates();
    }
    QStringList MenuTitles() const {
        QStringList titles;
        for (QAction* a : m_frame->menuBar()->actions())
            titles << a->text();
        return titles;
    }

    testing_support::RecordingPrompts m_prompts;
    doc_testing::ScriptedDialogs m_script;
    testing_support::TempDir m_dir;
    platform::EditorSettings m_settings;
    app::CRecentFileList m_recent;
    QString m_browserAnswer;
    QStringList m_started;
    app::CVarnholtDocManager m_docs{
        app::CVarnholtDocManager::Services{&m_prompts, nullptr, nullptr}};
    std::unique_ptr<CMainFrame> m_frame;
};

TEST_F(MainFrameTest, TheMenuBarFollowsTheActiveDocumentsKind) {
    EXPECT_EQ(m_frame->MenuResource(), 128);
    EXPECT_EQ(MenuTitles(), QStringList({"&File", "&View", "&?"}));
    app::CDocumentHolder* mission = Open("m.mi");
    ASSERT_NE(mission, nullptr);
    EXPECT_EQ(m_frame->MenuResource(), 131);
    EXPECT_EQ(MenuTitles(), QStringList({"&File", "&Edit", "&View", "Game Settings", "Options",
                                         "&Extra", "&Window", "&?"}));
    // The maximised document window puts its title into the caption.
    EXPECT_EQ(m_frame->windowTitle(), "Varnholt Map Editor - [m.mi]");
    ASSERT_NE(Open("tank.def"), nullptr);
    EXPECT_EQ(m_frame->MenuResource(), 134);
    EXPECT_EQ(MenuTitles(), QStringList({"&File", "&Edit", "&View", "&Tools", "&Window", "&?"}));
    m_frame->OnCommand(commands::CmdFileClose);
    Settle();
    EXPECT_EQ(m_frame->MenuResource(), 131);
    m_frame->OnCommand(commands::CmdFileClose);
    Settle();
    EXPECT_EQ(m_frame->MenuResource(), 128);
    EXPECT_EQ(m_frame->windowTitle(), "Varnholt Map Editor");
}

TEST_F(MainFrameTest, CommandsCarryTheirTextsAndLaterWorkStaysDisabled) {
    QAction* entityBar = m_frame->Action(commands::CmdEntityBar);
    EXPECT_EQ(entityBar->text(), "Entity bar");
    EXPECT_EQ(entityBar->statusTip(), "Shows/hides entity bar.");
    EXPECT_EQ(entityBar->toolTip(), "Toggle entity bar");
    ASSERT_NE(Open("m.mi"), nullptr);
    // Fullscreen needs a 3D view (this document is shown as a tree).
    for (int id : {commands::CmdFullscreen, commands::CmdMapBounds, commands::CmdEditUnits,
                   commands::CmdSetMarker, commands::CmdRecordCameraPath, commands::CmdEditZones})
        EXPECT_FALSE(m_frame->Action(id)->isEnabled()) << id;
    for (int id :
         {commands::CmdTreeview, commands::CmdPlayerSide, commands::CmdFileSave,
          commands::CmdShowWaypoints, commands::CmdShowBuildings, commands::CmdNoFiltering,
          commands::CmdRunGame, commands::CmdEditFind, commands::CmdExportMod,
          commands::CmdExportGamePak, commands::CmdEnvironment, commands::CmdDirectEditing})
        EXPECT_TRUE(m_frame->Action(id)->isEnabled()) << id;
    // The same command under the name this menu bar gives it.
    m_frame->OnCommand(commands::CmdFileClose);
    Settle();
    QMenu* file = m_frame->menuBar()->actions().front()->menu();
    QStringList texts;
    for (QAction* a : file->actions())
        texts << a->text();
    EXPECT_TRUE(texts.contains("Options"));
    EXPECT_FALSE(texts.contains("General Settings..."));
}

TEST_F(MainFrameTest, ActivatingADocumentFillsTheBarsOnce) {
    app::CDocumentHolder* map = Open("map");
    ASSERT_NE(map, nullptr);
    // A map has no environment; it can still be exported.
    EXPECT_FALSE(m_frame->Action(commands::CmdEnvironment)->isEnabled());
    EXPECT_TRUE(m_frame->Action(commands::CmdExportMod)->isEnabled());
    EXPECT_EQ(m_frame->LastActivation(), reinterpret_cast<intptr_t>(&map->Doc()));
    EXPECT_EQ(m_frame->PropBar()->Kind(), 1);
    EXPECT_EQ(m_frame->PropBar()->TypeBox()->currentText(), "Buildings");
    // The bar's choice went round through the relay to the entity bar.
    EXPECT_EQ(m_frame->EntityBar()->Category(), 9);
    EXPECT_EQ(m_frame->EntityBar()->Document(), reinterpret_cast<intptr_t>(&map->Doc()));
}

TEST_F(MainFrameTest, ATypeChosenInThePropertyBarReachesTheEntityBarAndHoldsTheRadios) {
    ASSERT_NE(Open("m.mi"), nullptr);
    app::CPropBar* bar = m_frame->PropBar();
    bar->ChooseRadio(1);
    bar->ChooseType(bar->TypeBox()->findText("Events"));
    EXPECT_EQ(m_frame->EntityBar()->Category(), 21);
    EXPECT_FALSE(bar->RadiosEnabled());
    bar->ChooseType(bar->TypeBox()->findText("Guns"));
    EXPECT_EQ(m_frame->EntityBar()->Category(), 1);
    EXPECT_TRUE(bar->RadiosEnabled());
    EXPECT_EQ(bar->Radio(), 1);
    EXPECT_EQ(m_frame->EntityBar()->Mode(), 1);
}

TEST_F(MainFrameTest, TheEntityBarCommandTogglesTheBar) {
    EXPECT_TRUE(m_frame->Action(commands::CmdEntityBar)->isChecked());
    m_frame->OnCommand(commands::CmdEntityBar);
    Settle();
    EXPECT_FALSE(m_frame->EntityBar()->isVisible());
    EXPECT_FALSE(m_frame->Action(commands::CmdEntityBar)->isChecked());
    m_frame->OnCommand(commands::CmdEntityBar);
    EXPECT_TRUE(m_frame->EntityBar()->isVisible());
}

TEST_F(MainFrameTest, TreeviewStepsToTheNextWindowAndNewWindowAddsOne) {
    app::CDocumentHolder* mission = Open("m.mi");
    ASSERT_NE(mission, nullptr);
    m_frame->OnCommand(commands::CmdWindowNew);
    Settle();
    ASSERT_EQ(mission->Frames().size(), 2u);
    QMdiSubWindow* before = m_frame->MdiArea()->currentSubWindow();
    m_frame->OnCommand(commands::CmdTreeview);
    Settle();
    EXPECT_NE(m_frame->MdiArea()->currentSubWindow(), before);
    EXPECT_EQ(m_docs.Documents().size(), 1u);
}

TEST_F(MainFrameTest, OptionsStoreTheFoldersForTheNextStart) {
    m_settings.gamePath = "/games/varnholt";
    m_settings.resourceDir = "/games/res";
    m_browserAnswer = "/elsewhere";
    app_testing::OnModal<app::COptionsDialog>([](app::COptionsDialog& d) {
        d.BrowseResourcePath();
        d.accept();
    });
    m_frame->OnCommand(commands::CmdGeneralSettings);
    EXPECT_EQ(m_settings.gamePath, "/games/varnholt");
    EXPECT_EQ(m_settings.resourceDir, "/elsewhere");
}

TEST_F(MainFrameTest, RunTheGameWithoutAGamePathStartsNothingWhenTheBrowserIsCancelled) {
    m_frame->OnCommand(commands::CmdRunGame);
    EXPECT_TRUE(m_started.isEmpty());
    m_settings.gamePath = "/games/varnholt";
    m_frame->OnCommand(commands::CmdRunGame);
    EXPECT_EQ(m_started, QStringList{"/games/varnholt/Varnholt.exe"});
    EXPECT_TRUE(m_frame->isMinimized());
}

TEST_F(MainFrameTest, ARecentFileThatIsGoneLeavesTheList) {
    QString missing = QString::fromStdString((m_dir.path() / "gone.mi").string());
    m_recent.Add(missing);
    ASSERT_NE(Open("m.mi"), nullptr);
    ASSERT_EQ(m_recent.Files().size(), 2);
    m_frame->OnCommand(commands::CmdFileClose);
    Settle();
    QMenu* file = m_frame->menuBar()->actions().front()->menu();
    emit file->aboutToShow();
    QAction* second = nullptr;
    for (QAction* a : file->actions())
        if (a->data().toInt() == commands::CmdFileMruFirst + 1) second = a;
    ASSERT_NE(second, nullptr);
    second->trigger();
    EXPECT_EQ(m_recent.Files(),
              QStringList{QString::fromStdString((m_dir.path() / "m.mi").string())});
}

TEST_F(MainFrameTest, UndoAndRedoFollowTheActiveDocumentsHistoryAndAnswerTheirKeys) {
    QAction* undo = m_frame->Action(commands::CmdEditUndo);
    QAction* redo = m_frame->Action(commands::CmdEditRedo);
    app::CDocumentHolder* mission = Open("m.mi");
    ASSERT_NE(mission, nullptr);
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());
    EXPECT_EQ(undo->text(), "&Undo\tCtrl+Z");

    // An edit made past the frame's commands still reaches the menu.
    CVarnholtMapEditorDoc& doc = mission->Doc();
    ASSERT_TRUE(doc.DeleteElement(doc.WorkingRoot()->Child(0)));
    QCoreApplication::processEvents();
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());
    EXPECT_EQ(undo->text(), "&Undo Delete m4a2\tCtrl+Z");

    CVarnholtMapEditorView* tree = m_frame->ActiveTreeView();
    ASSERT_NE(tree, nullptr);
    m_frame->activateWindow();
    tree->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_frame.get()));
    QTest::keyClick(tree, Qt::Key_Z, Qt::ControlModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(doc.WorkingRoot()->ChildCount(), 1u);
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_TRUE(redo->isEnabled());
    EXPECT_EQ(undo->text(), "&Undo\tCtrl+Z");
    EXPECT_EQ(redo->text(), "&Redo Delete m4a2\tCtrl+Y");

    for (Qt::KeyboardModifiers redoKeys :
         {Qt::ControlModifier | Qt::ShiftModifier, Qt::KeyboardModifiers(Qt::ControlModifier)}) {
        QTest::keyClick(tree, redoKeys & Qt::ShiftModifier ? Qt::Key_Z : Qt::Key_Y, redoKeys);
        QCoreApplication::processEvents();
        EXPECT_EQ(doc.WorkingRoot()->ChildCount(), 0u);
        EXPECT_TRUE(undo->isEnabled());
        EXPECT_FALSE(redo->isEnabled());
        m_frame->OnCommand(commands::CmdEditUndo);
        Settle();
    }
    // Back at the saved point: the windows' titles lose the mark with the
    // last undo, and get it back with a redo, whoever made the change.
    EXPECT_FALSE(doc.IsModified());
    EXPECT_FALSE(mission->Frames().front()->windowTitle().endsWith(" *"));
    m_frame->OnCommand(commands::CmdEditRedo);
    EXPECT_TRUE(mission->Frames().front()->windowTitle().endsWith(" *"));
}

} // namespace
