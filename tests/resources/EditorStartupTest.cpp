#include "CatalogueTestSupport.h"

#include "resources/EditorStartup.h"

using namespace catalogue_test;

namespace {

// Answers the folder browser from a list, front to back; cancels when it is used up.
class QueuedFolderAnswers : public ScriptedDialogs {
  public:
    std::vector<std::string> answers;
    std::string BrowseFolder(std::string_view title) override {
        browseTitles.emplace_back(title);
        if (answers.empty()) return {};
        std::string answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
};

class EditorStartupTest : public CatalogueFixture {
  protected:
    void MakeGame() {
        MakePak(m_game / "game.pak", {{"entity/-fauna/cow/cow.def", "{Entity}"},
                                      {"set/breed.set", "{breeds {rifleman}}"}});
    }
    platform::MemorySettingsStore m_store;
    resources::CEditorStartup m_startup{m_catalogue, &m_prompts, &m_dialogs};
};

TEST_F(EditorStartupTest, FirstStartAsksForBothFoldersAndSavesThemAtExit) {
    MakeGame();
    m_catalogue.SetGamePath("");
    m_catalogue.SetResourceDir("");
    m_dialogs.gamePathAnswer = m_game.string();
    m_dialogs.resourceDirAnswer = m_res.string();
    ASSERT_TRUE(m_startup.StartUp(m_store));
    ASSERT_EQ(m_dialogs.browseTitles.size(), 1u);
    EXPECT_EQ(m_dialogs.browseTitles[0], "Please select the Game Path of \"Varnholt\"");
    EXPECT_FALSE(m_catalogue.Entries().empty());
    EXPECT_TRUE(m_store.Empty()); // nothing is written before a regular exit
    m_startup.View().showWaypoints = 0;
    EXPECT_EQ(m_startup.ShutDown(m_store), 0);
    EXPECT_EQ(m_store.GetString("GamePath", "?"), m_game.string());
    EXPECT_EQ(m_store.GetString("ResourceDir", "?"), m_res.string());
    EXPECT_EQ(m_store.GetInt("ViewWaypoints", -1), 0);
    EXPECT_EQ(m_store.GetInt("ViewMapElements", -1), 1);
    EXPECT_EQ(m_store.GetInt("TextureFilter", -1), 1);
    EXPECT_TRUE(m_catalogue.Entries().empty());
}

TEST_F(EditorStartupTest, CancelledGamePathFailsTheStartAndWritesNothing) {
    m_catalogue.SetGamePath("");
    m_catalogue.SetResourceDir("");
    m_dialogs.gamePathAnswer.clear();
    EXPECT_FALSE(m_startup.StartUp(m_store));
    EXPECT_EQ(m_prompts.messages, std::vector<std::string>{"Failed to load entities"});
    m_startup.ShutDown(m_store);
    EXPECT_TRUE(m_store.Empty());
}

TEST_F(EditorStartupTest, AFolderWithoutTheGameIsRefusedAskedAgainAndNeverStored) {
    MakeGame();
    fs::path wrong = m_tmp.path() / "not-the-game";
    fs::create_directories(wrong);
    // A wrong folder from the settings (or the command line) is refused
    // before anything is unpacked from it, and the question follows; a
    // wrong answer to the question is refused the same way.
    m_store.SetString("GamePath", wrong.string());
    m_store.SetString("ResourceDir", m_res.string());
    QueuedFolderAnswers dialogs;
    dialogs.answers = {wrong.string()};
    resources::CEditorStartup startup(m_catalogue, &m_prompts, &dialogs);
    EXPECT_FALSE(startup.StartUp(m_store));
    const std::string refused = "The folder '" + wrong.string() +
                                "' is not the game folder of \"Varnholt\": it holds no 'game.pak'.";
    EXPECT_EQ(m_prompts.messages,
              (std::vector<std::string>{refused, refused, "Failed to load entities"}));
    EXPECT_EQ(dialogs.browseTitles.size(), 2u);
    EXPECT_TRUE(m_catalogue.Entries().empty());
    EXPECT_FALSE(fs::exists(m_res)); // nothing was unpacked
    platform::MemorySettingsStore after;
    startup.ShutDown(after);
    EXPECT_TRUE(after.Empty());
}

TEST_F(EditorStartupTest, AGameFolderChosenAfterAWrongOneIsTakenAndStored) {
    MakeGame();
    fs::path wrong = m_tmp.path() / "missing-folder";
    m_store.SetString("GamePath", wrong.string());
    m_store.SetString("ResourceDir", m_res.string());
    m_dialogs.gamePathAnswer = m_game.string();
    ASSERT_TRUE(m_startup.StartUp(m_store));
    ASSERT_EQ(m_prompts.messages.size(), 1u);
    EXPECT_NE(m_prompts.messages[0].find("'" + wrong.string() + "'"), std::string::npos);
    EXPECT_NE(m_prompts.messages[0].find("'game.pak'"), std::string::npos);
    EXPECT_FALSE(m_catalogue.Entries().empty());
    m_startup.ShutDown(m_store);
    EXPECT_EQ(m_store.GetString("GamePath", "?"), m_game.string());
}

TEST_F(EditorStartupTest, TheGameArchiveIsFoundInAnyCase) {
    MakePak(m_game / "GAME.PAK", {{"set/breed.set", "{breeds {rifleman}}"}});
    EXPECT_EQ(resources::CheckGameFolder(m_game.string()), "");
    EXPECT_NE(resources::CheckGameFolder((m_tmp.path() / "res").string()), "");
    fs::create_directories(m_tmp.path() / "odd" / "game.pak"); // a folder is not the archive
    EXPECT_NE(resources::CheckGameFolder((m_tmp.path() / "odd").string()), "");
}

TEST_F(EditorStartupTest, SavedTogglesAndFilterComeBack) {
    MakeGame();
    m_store.SetString("GamePath", m_game.string());
    m_store.SetString("ResourceDir", m_res.string());
    m_store.SetInt("ViewMapElements", 0);
    m_store.SetInt("TextureFilter", 3);
    m_store.SetString("ViewWaypoints", "not a number"); // the wrong type reads as the default
    ASSERT_TRUE(m_startup.StartUp(m_store));
    EXPECT_TRUE(m_dialogs.browseTitles.empty());
    EXPECT_EQ(m_startup.View().showMapElements, 0);
    EXPECT_EQ(m_startup.View().showWaypoints, 1);
    EXPECT_EQ(m_startup.View().showBuildings, 1);
    EXPECT_EQ(m_startup.Settings().textureFilter, 3);
    EXPECT_EQ(resources::CEditorStartup::ProgramDirectory("/opt/editor/varnholt-editor"),
              "/opt/editor");
    EXPECT_EQ(resources::CEditorStartup::ProgramDirectory("C:\\Editor\\editor.exe"), "C:\\Editor");
}

} // namespace
