#include "AppTestSupport.h"

#include "app/AppDialogs.h"
#include "app/ChildFrame.h"
#include "app/DocManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QMdiArea>

using app::CVarnholtDocManager;
using doc_testing::WriteText;

namespace {

class DocManagerTest : public app_testing::QtFixture {
  protected:
    DocManagerTest() {
        m_manager.SetWorkspace(&m_area, &m_relay, &m_area);
        m_manager.SetDialogsFactory([this](const app::CDocTemplate&) {
            return std::make_unique<app_testing::ForwardingDialogs>(m_script);
        });
        m_manager.SetRecentFileSink([this](const QString& path) { m_recent << path; });
    }
    ~DocManagerTest() override { Settle(); }

    // Lets closed windows finish closing.
    static void Settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    QString InDir(const char* name) const {
        return QString::fromStdString((m_dir.path() / name).string());
    }
    bool DirIsEmpty() const { return std::filesystem::is_empty(m_dir.path()); }

    testing_support::RecordingPrompts m_prompts;
    doc_testing::ScriptedDialogs m_script;
    app_testing::RecordingRelay m_relay;
    testing_support::TempDir m_dir;
    QStringList m_recent;
    QMdiArea m_area;
    CVarnholtDocManager m_manager{CVarnholtDocManager::Services{&m_prompts, nullptr, nullptr}};
};

TEST_F(DocManagerTest, FileNewWithoutAChoiceOpensNothing) {
    app_testing::OnModal<app::CDocumentTypeDialog>([](app::CDocumentTypeDialog& d) { d.accept(); });
    EXPECT_EQ(m_manager.OnFileNew(), nullptr);
    EXPECT_TRUE(m_manager.Documents().empty());
    EXPECT_TRUE(m_area.subWindowList().isEmpty());
}

TEST_F(DocManagerTest, FileNewOpensTheChosenKindUnderANumberedTitle) {
    app_testing::OnModal<app::CDocumentTypeDialog>([](app::CDocumentTypeDialog& d) {
        d.SetChoice(2);
        d.accept();
    });
    app::CDocumentHolder* created = m_manager.OnFileNew();
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->Doc().Kind(), document::CreateMap);
    EXPECT_EQ(created->Doc().Title(), "Mifile1 *");
    EXPECT_EQ(created->Resource(), 131);
    ASSERT_EQ(created->Doc().Roots().size(), 1u);
    EXPECT_STREQ(created->Doc().Roots()[0]->FindChild("Entity")->GetValue(0), "\"$createmap$\"");
    EXPECT_EQ(m_area.subWindowList().size(), 1);
    EXPECT_TRUE(m_area.subWindowList().front()->isMaximized());

    m_script.mapTemplate = "120_3m";
    m_manager.SetTypeQuestion([] { return 1; });
    app::CDocumentHolder* second = m_manager.OnFileNew();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->Doc().Title(), "Mifile2 *");
}

TEST_F(DocManagerTest, ANewMapFromATemplateTouchesNoFile) {
    QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(m_dir.path().string())));
    m_script.mapTemplate = "120_3m";
    app::CDocumentHolder* holder = m_manager.MissionTemplate().OpenDocumentFile("$map$");
    QDir::setCurrent(before);
    ASSERT_NE(holder, nullptr);
    const CVarnholtMapEditorDoc& doc = holder->Doc();
    EXPECT_EQ(doc.Kind(), document::Map);
    EXPECT_TRUE(doc.PathName().empty());
    EXPECT_STREQ(doc.Roots()[0]->FindChild("Entity")->GetValue(0), "\"120_3m\"");
    EXPECT_TRUE(m_prompts.messages.empty());
    EXPECT_TRUE(m_recent.isEmpty());
    EXPECT_TRUE(DirIsEmpty());
}

TEST_F(DocManagerTest, ACancelledNewDocumentLeavesNoWindowAndKeepsTheCount) {
    m_script.mapTemplate.reset();
    EXPECT_EQ(m_manager.MissionTemplate().OpenDocumentFile("$map$"), nullptr);
    EXPECT_TRUE(m_manager.Documents().empty());
    EXPECT_TRUE(m_area.subWindowList().isEmpty());
    app::CDocumentHolder* holder = m_manager.MissionTemplate().OpenDocumentFile("$createmap$");
    ASSERT_NE(holder, nullptr);
    EXPECT_EQ(holder->Doc().Title(), "Mifile1 *");
}

TEST_F(DocManagerTest, FilesOpenByKindOnceEachAndEnterTheRecentFiles) {
    WriteText(m_dir.path() / "map", doc_testing::kBaseMap);
    WriteText(m_dir.path() / "m.mi", "{mission {Entity \"m4a2\" 0x8001}}\n");
    WriteText(m_dir.path() / "tank.def", "{Entity {props \"vehicle\"}}\n");

    app::CDocumentHolder* mission = m_manager.OpenDocumentFile(InDir("m.mi"));
    ASSERT_NE(mission, nullptr);
    EXPECT_EQ(mission->Resource(), 131);
    EXPECT_EQ(mission->Doc().Kind(), document::Mission);
    EXPECT_EQ(mission->Doc().Title(), "m.mi");
    EXPECT_EQ(m_manager.OpenDocumentFile(InDir("m.mi")), mission);

    app::CDocumentHolder* definition = m_manager.OpenDocumentFile(InDir("tank.def"));
    ASSERT_NE(definition, nullptr);
    EXPECT_EQ(definition->Resource(), 134);
    EXPECT_EQ(definition->Doc().Roots().size(), 1u);

    app::CDocumentHolder* map = m_manager.OpenDocumentFile(InDir("map"));
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->Doc().Kind(), document::Map);

    EXPECT_EQ(m_manager.Documents().size(), 3u);
    EXPECT_EQ(m_area.subWindowList().size(), 3);
    EXPECT_EQ(m_recent, QStringList({InDir("m.mi"), InDir("tank.def"), InDir("map")}));
}

TEST_F(DocManagerTest, AFileThatCannotBeOpenedLeavesNoDocument) {
    EXPECT_EQ(m_manager.OpenDocumentFile(InDir("missing.def")), nullptr);
    EXPECT_TRUE(m_manager.Documents().empty());
    EXPECT_TRUE(m_area.subWindowList().isEmpty());
    EXPECT_FALSE(m_prompts.messages.empty());
}

TEST_F(DocManagerTest, ClosingAModifiedDocumentAsksFirst) {
    app::CDocumentHolder* holder = m_manager.MissionTemplate().OpenDocumentFile("$createmap$");
    ASSERT_NE(holder, nullptr);
    QStringList questions;
    auto answer = CVarnholtDocManager::SaveAnswer::Cancel;
    m_manager.SetSaveQuestion([&](const QString& q) {
        questions << q;
        return answer;
    });
    EXPECT_FALSE(m_manager.CloseDocument(holder));
    m_area.subWindowList().front()->close(); // closing its window asks too
    Settle();
    EXPECT_EQ(questions, QStringList({"Save changes to Mifile1?", "Save changes to Mifile1?"}));
    ASSERT_EQ(m_manager.Documents().size(), 1u);

    answer = CVarnholtDocManager::SaveAnswer::No;
    m_relay.log.clear();
    intptr_t closed = reinterpret_cast<intptr_t>(&holder->Doc());
    EXPECT_TRUE(m_manager.CloseDocument(holder));
    Settle();
    EXPECT_TRUE(m_manager.Documents().empty());
    EXPECT_EQ(m_relay.log, (app_testing::Log{app_testing::Entry("relay", 1131, 0, closed)}));
}

TEST_F(DocManagerTest, AnsweringYesSavesBeforeClosingAndAFailedSaveKeepsTheDocument) {
    app::CDocumentHolder* holder = m_manager.MissionTemplate().OpenDocumentFile("$createmap$");
    ASSERT_NE(holder, nullptr);
    m_manager.SetSaveQuestion([](const QString&) { return CVarnholtDocManager::SaveAnswer::Yes; });
    EXPECT_FALSE(m_manager.CloseDocument(holder)); // the save dialog was cancelled
    EXPECT_EQ(m_manager.Documents().size(), 1u);

    std::string target = (m_dir.path() / "map").string();
    m_script.saveNames.push_back(target);
    EXPECT_TRUE(m_manager.CloseAllDocuments());
    Settle();
    EXPECT_TRUE(m_manager.Documents().empty());
    EXPECT_TRUE(std::filesystem::exists(target));
    EXPECT_EQ(m_script.saveProposals.back(), "map");
    EXPECT_EQ(m_recent, QStringList{QString::fromStdString(target)});
}

TEST_F(DocManagerTest, ASecondWindowOfADocumentClosesWithoutAsking) {
    app::CDocumentHolder* holder = m_manager.MissionTemplate().OpenDocumentFile("$createmap$");
    ASSERT_NE(holder, nullptr);
    m_manager.CreateTreeFrame(holder);
    EXPECT_EQ(holder->Frames()[1]->windowTitle(), "Mifile1 *:2");
    int asked = 0;
    m_manager.SetSaveQuestion([&](const QString&) {
        ++asked;
        return CVarnholtDocManager::SaveAnswer::Cancel;
    });
    holder->Frames()[1]->close();
    Settle();
    EXPECT_EQ(asked, 0);
    ASSERT_EQ(holder->Frames().size(), 1u);
    EXPECT_EQ(holder->Frames()[0]->windowTitle(), "Mifile1 *");
}

} // namespace
