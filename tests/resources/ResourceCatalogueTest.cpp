#include "CatalogueTestSupport.h"

#include <algorithm>

using namespace catalogue_test;
using resources::CEntityEntry;

namespace {

class ResourceCatalogueTest : public CatalogueFixture {
  protected:
    // A small installation: every kind of file the load touches once.
    void MakeGame() {
        MakePak(m_game / "game.pak",
                {{"entity/landscape/map/field/field.def", "{Map}"},
                 {"Entity/-Vehicle/Tank_Light/T34/T34.DEF", "{Entity}"},
                 {"entity/-vehicle/tank_medium/x/pz-4d_xx.def", "{Entity}"},
                 {"entity/-vehicle/tank_medium/x/readme.txt", "not a definition"},
                 {"entity/-fauna/chicken/chicken.def", "base"},
                 {"entity/-fauna/cow/cow.def", "base"},
                 {"entity/background/sky/clear/clear.def", "{Sky}"},
                 {"fx/smoke/puff.def", "{Fx}"},
                 {"set/breed.set", "{old}"}});
        MakePak(m_game / "localize.pak", {{"set/text/mission.lng", "{tags}"}});
        MakePak(m_game / "resource/Patch/1.pat",
                {{"set/breed.set", "{breeds {rifleman {skin \"a\"}} {sniper} {gunner}}"},
                 {"set/skin.set", "{skins {a {skeleton \"/bones/man.bne\"}} {b {mesh 1}}}"},
                 {"set/environment.set", "{Day {fog 1}} {Night {fog 2}}"},
                 {"set/registry/games.reg", "{games}"}});
        MakePak(m_game / "resource/Patch/2.pat",
                {{"entity/-fauna/chicken/chicken.def", "patched"}});
    }

    std::vector<std::string> NamesIn(int category) const {
        std::vector<std::string> names;
        for (const CEntityEntry& e : m_catalogue.Entries())
            if (e.category == category) names.push_back(e.name);
        return names;
    }
};

TEST_F(ResourceCatalogueTest, LoadUnpacksScansAndReadsTheSets) {
    MakeGame();
    ASSERT_TRUE(m_catalogue.LoadResources());

    EXPECT_EQ(NamesIn(resources::CategoryTanks), (std::vector<std::string>{"t34", "pz-4d_xx"}));
    EXPECT_EQ(NamesIn(resources::CategoryAnimals), (std::vector<std::string>{"chicken", "cow"}));
    EXPECT_EQ(NamesIn(resources::CategorySky), std::vector<std::string>{"clear"});
    EXPECT_EQ(NamesIn(resources::CategoryTrash), std::vector<std::string>{"puff"});
    // Maps enter twice: as map definitions (list 0) and as landscape (list 12).
    EXPECT_EQ(NamesIn(resources::CategoryMapDefinitions), std::vector<std::string>{"field"});
    EXPECT_EQ(NamesIn(resources::CategoryLandscape), std::vector<std::string>{"field"});
    EXPECT_EQ(m_catalogue.CategoryList(0), std::vector<std::string>{"field"});
    EXPECT_EQ(m_catalogue.CategoryList(12), std::vector<std::string>{"field"});
    EXPECT_EQ(m_catalogue.CategoryList(9), (std::vector<std::string>{"chicken", "cow"}));
    // Sky backgrounds go to no list the user interface sees.
    for (int list = 0; list < resources::kCategoryListCount; ++list) {
        const auto& names = m_catalogue.CategoryList(list);
        EXPECT_EQ(std::count(names.begin(), names.end(), "clear"), 0) << list;
    }

    // The set files come from the first patch, not from game.pak.
    EXPECT_EQ(m_catalogue.BreedList(), (std::vector<std::string>{"rifleman", "sniper", "gunner"}));
    ASSERT_EQ(m_catalogue.BreedMap().count("rifleman"), 1u);
    EXPECT_EQ(m_catalogue.BreedMap().at("rifleman")->ChildCount(), 1u);
    EXPECT_EQ(m_catalogue.SkeletonMap(),
              (std::map<std::string, std::string>{{"a", "/bones/man.bne"}}));
    EXPECT_EQ(m_catalogue.EnvironmentPresets().size(), 2u);
    EXPECT_TRUE(fs::exists(m_res / "set/text/mission.lng"));
    EXPECT_TRUE(fs::exists(m_res / "set/registry/games.reg"));

    // The patch was unpacked over its base.
    EXPECT_EQ(ReadFile(m_res / "entity/-fauna/chicken/chicken.def"), "patched");
    EXPECT_EQ(ReadFile(m_res / "entity/-fauna/cow/cow.def"), "base");
}

TEST_F(ResourceCatalogueTest, LoadReportsItsProgress) {
    MakeGame();
    ASSERT_TRUE(m_catalogue.LoadResources());
    EXPECT_EQ(m_progress.range, 62);
    ASSERT_FALSE(m_progress.texts.empty());
    EXPECT_EQ(m_progress.texts.front(), "Scanning available Entities");
    EXPECT_TRUE(Has("Unpacking file: \"set/text/mission.lng\""));
    EXPECT_TRUE(Has("Checking/Unpacking Entities: \"entity/-vehicle/tank\""));
    EXPECT_TRUE(Has("Checking/Unpacking Entities: \"entity/-fauna/chicken\""));
    EXPECT_GE(m_progress.steps, static_cast<int>(resources::ScanTable().size()));
    EXPECT_TRUE(m_progress.closed);
    EXPECT_TRUE(m_prompts.messages.empty());
}

TEST_F(ResourceCatalogueTest, SecondLoadChecksOnlyAndKeepsLocalFiles) {
    MakeGame();
    ASSERT_TRUE(m_catalogue.LoadResources());
    WriteFile(m_res / "entity/-fauna/chicken/chicken.def", "edited");
    m_progress.texts.clear();

    ASSERT_TRUE(m_catalogue.LoadResources());
    EXPECT_EQ(ReadFile(m_res / "entity/-fauna/chicken/chicken.def"), "edited");
    EXPECT_FALSE(Has("Checking/Unpacking Entities: \"entity/-fauna\""));
    // Loading again rebuilds the catalogue instead of adding to it.
    EXPECT_EQ(NamesIn(resources::CategoryAnimals).size(), 2u);

    // A deleted base folder comes back from game.pak, and its patch rows are
    // forced over it even though their own folders were there before.
    fs::remove_all(m_res / "entity/-fauna");
    ASSERT_TRUE(m_catalogue.LoadResources());
    EXPECT_EQ(ReadFile(m_res / "entity/-fauna/chicken/chicken.def"), "patched");
}

TEST_F(ResourceCatalogueTest, PresentPrefixLeavesTheArchiveAloneButPatchRowsStillRun) {
    MakePak(m_game / "game.pak", {{"entity/-vehicle/tank_medium/pz-4d/pz-4d.def", "base"}});
    MakePak(m_game / "resource/Patch/2.pat",
            {{"entity/-vehicle/tank_heavy/is-2/is-2.def", "patch"},
             {"entity/-vehicle/tank_light/bt-7a/bt-7a.def", "patch"}});
    WriteFile(m_res / "entity/-vehicle/tank_heavy/is-2/is-2.def", "local");

    ASSERT_TRUE(m_catalogue.LoadResources());
    EXPECT_FALSE(fs::exists(m_res / "entity/-vehicle/tank_medium"));
    EXPECT_EQ(ReadFile(m_res / "entity/-vehicle/tank_heavy/is-2/is-2.def"), "local");
    EXPECT_EQ(ReadFile(m_res / "entity/-vehicle/tank_light/bt-7a/bt-7a.def"), "patch");
}

TEST_F(ResourceCatalogueTest, UnpackDirectoryMatchesPrefixesWithoutRegardToCase) {
    MakePak(m_game / "game.pak", {{"Entity/-Vehicle/Tank_Medium/A.def", "a"},
                                  {"entity/-vehicle/tank/b.def", "b"},
                                  {"entity/-vehicle/tankette.txt", "c"},
                                  {"entity/-vehicle/car/d.def", "d"}});
    EXPECT_EQ(m_catalogue.UnpackDirectory("game.pak", "entity/-vehicle/tank", false), 3);
    EXPECT_TRUE(fs::exists(m_res / "Entity/-Vehicle/Tank_Medium/A.def"));
    EXPECT_FALSE(fs::exists(m_res / "entity/-vehicle/car"));
    // Present now, in whatever case: nothing to do unless forced.
    EXPECT_EQ(m_catalogue.UnpackDirectory("game.pak", "ENTITY/-vehicle/TANK", false), 0);
    EXPECT_EQ(m_catalogue.UnpackDirectory("game.pak", "entity/-vehicle/tank", true), 3);
    EXPECT_EQ(m_catalogue.UnpackDirectory("game.pak", "entity/-human", false), 0);
    EXPECT_EQ(m_catalogue.UnpackDirectory("missing.pak", "entity/-human", false), -1);
    WriteFile(m_game / "broken.pak", "this is no archive");
    EXPECT_EQ(m_catalogue.UnpackDirectory("broken.pak", "entity/-human", false), -1);
}

TEST_F(ResourceCatalogueTest, UnpackFileUsesThePresentFileOrTheExactMember) {
    WriteFile(m_res / "Set/Breed.SET", "{present}");
    // No archive exists at all: the present file is enough.
    EXPECT_TRUE(m_catalogue.UnpackFile("game.pak", "set/breed.set"));
    EXPECT_TRUE(m_progress.texts.empty());

    MakePak(m_game / "game.pak", {{"set/skin.set.old", "old"}, {"set/skin.set", "new"}});
    EXPECT_TRUE(m_catalogue.UnpackFile("game.pak", "set/skin.set"));
    // The member joins the folder that already exists under another case.
    std::string path;
    ASSERT_TRUE(m_catalogue.ResourceExists("set/skin.set", path));
    EXPECT_EQ(path, (m_res / "Set/skin.set").string());
    EXPECT_EQ(ReadFile(path), "new");
    EXPECT_TRUE(Has("Unpacking file: \"set/skin.set\""));
    EXPECT_FALSE(m_catalogue.UnpackFile("game.pak", "set/environment.set"));
    EXPECT_FALSE(m_catalogue.UnpackFile("missing.pak", "set/environment.set"));
}

TEST_F(ResourceCatalogueTest, SetFileThatCannotBeExtractedFallsBackToGamePak) {
    // An encrypted member is listed but never extracted.
    MakePak(m_game / "resource/Patch/1.pat", {{"set/breed.set", "{patch {a}}"}}, "-P secret");
    MakePak(m_game / "game.pak", {{"set/breed.set", "{base {b}}"}});
    ASSERT_TRUE(m_catalogue.LoadResources());
    EXPECT_EQ(m_catalogue.BreedList(), std::vector<std::string>{"b"});
}

TEST_F(ResourceCatalogueTest, MissingPathsAreAskedForAndCancellingFailsTheLoad) {
    MakeGame();
    resources::CResourceCatalogue fresh(&m_prompts, &m_progress, &m_dialogs);
    EXPECT_FALSE(fresh.LoadResources());
    EXPECT_EQ(m_dialogs.browseTitles,
              std::vector<std::string>{"Please select the Game Path of \"Varnholt\""});
    // The resource directory is asked for even when the game path was not given.
    EXPECT_EQ(m_dialogs.proposals,
              std::vector<std::string>{
                  std::string(1, static_cast<char>(fs::path::preferred_separator)) + "resource"});

    m_dialogs.gamePathAnswer = m_game.string();
    EXPECT_FALSE(fresh.LoadResources());
    EXPECT_EQ(m_dialogs.proposals.back(), (m_game / "resource").string());

    m_dialogs.resourceDirAnswer = m_res.string();
    ASSERT_TRUE(fresh.LoadResources());
    EXPECT_EQ(fresh.GamePath(), m_game.string());
    EXPECT_EQ(fresh.ResourceDir(), m_res.string());
    EXPECT_NE(fresh.FindEntity("t34"), nullptr);
}

TEST_F(ResourceCatalogueTest, GivenResourceDirWithoutGamePathFails) {
    resources::CResourceCatalogue fresh(&m_prompts, &m_progress, nullptr);
    fresh.SetResourceDir(m_res.string());
    EXPECT_FALSE(fresh.LoadResources());
    EXPECT_TRUE(m_progress.texts.empty());
}

TEST_F(ResourceCatalogueTest, ScanCataloguesEveryDefinitionInListingOrder) {
    WriteFile(m_res / "entity/-vehicle/tank_b/tiger/TIGER.DEF", "{}");
    WriteFile(m_res / "entity/-vehicle/Tank_a/tiger/tiger.def", "{}");
    WriteFile(m_res / "entity/-vehicle/tank_a/notes.txt", "");
    WriteFile(m_res / "entity/-vehicle/cannon/pak40.def", "{}");
    std::vector<std::string> list;
    m_catalogue.ScanEntities("entity/-vehicle", "tank", list, resources::CategoryTanks);

    EXPECT_EQ(list, (std::vector<std::string>{"tiger", "tiger"}));
    ASSERT_EQ(m_catalogue.Entries().size(), 2u);
    const CEntityEntry* first = m_catalogue.FindEntity("TIGER");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, &m_catalogue.Entries()[0]);
    EXPECT_EQ(first->path, (m_res / "entity/-vehicle/Tank_a/tiger/tiger.def").string());
    EXPECT_EQ(m_catalogue.FindEntity("pak40"), nullptr);
}

TEST_F(ResourceCatalogueTest, ScanSurvivesAFolderLinkedIntoItself) {
    WriteFile(m_res / "entity/sound/birds/birds.def", "{}");
    fs::create_directory_symlink(m_res / "entity/sound", m_res / "entity/sound/birds/loop");
    std::vector<std::string> list;
    m_catalogue.ScanEntities("entity/sound", nullptr, list, resources::CategorySounds);
    EXPECT_EQ(list, std::vector<std::string>{"birds"});
}

} // namespace
