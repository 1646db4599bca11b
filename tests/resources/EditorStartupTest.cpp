#include "CatalogueTestSupport.h"

#include "resources/EditorStartup.h"

using namespace catalogue_test;

namespace {

class EditorStartupTest : public CatalogueFixture {
  protected:
    void MakeGame() {
        MakePak(m_game / "game.pak", {{"entity/-fauna/cow/cow.def", "{Entity}"},
                                      {"set/breed.set", "{breeds {rifleman}}"}});
    }
    platform::MemorySettingsStore m_store;
    resources::CEditorStartup m_startup{m_catalogue, &m_prompts};
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
