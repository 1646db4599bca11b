#include "DocTestSupport.h"

#include "document/DocExport.h"
#include "format/DefGuard.h"
#include "pak/PakArchive.h"
#include "resources/ResourceCatalogue.h"

#include <gtest/gtest.h>

using namespace doc_testing;
using namespace document;
namespace fs = std::filesystem;

namespace {

// A copy of the demo game and its unpacked resources, with the crossroads
// mission extracted into the resource directory.
class DocExportTest : public ::testing::Test, protected DocFixture {
  protected:
    void SetUp() override {
        fs::path demo = VM_DEMO_GAME;
        if (!fs::exists(demo / "game.pak")) GTEST_SKIP() << "demo game not built: " << demo;
        game = dir.path() / "game";
        fs::copy(demo, game, fs::copy_options::recursive);
        res = dir.path() / "res";
        resources::CResourceCatalogue catalogue(nullptr, nullptr, nullptr);
        catalogue.SetGamePath(game.string());
        catalogue.SetResourceDir(res.string());
        ASSERT_TRUE(catalogue.LoadResources());
        pak::CPakArchive pak;
        ASSERT_TRUE(pak.Open(game / "game.pak"));
        ASSERT_TRUE(pak.Extract(
            {}, {"map/single/crossroads/crossroads.mi", "map/single/crossroads/map"}, res));
        paths = {game.string(), res.string(), (dir.path() / "editor").string()};
        fs::create_directories(paths.editorDir);
        doc = std::make_unique<CVarnholtMapEditorDoc>(Services());
        ASSERT_TRUE(doc->OnOpenDocument((res / "map/single/crossroads/crossroads.mi").string()));
    }

    ModInfo Info(const std::string& name) {
        ModInfo info;
        info.name = name;
        info.side = 2;
        return info;
    }

    fs::path game, res;
    ExportPaths paths;
    std::unique_ptr<CVarnholtMapEditorDoc> doc;
};

TEST_F(DocExportTest, ModFolderHoldsTheMissionItsMapAndTheRegistryEntries) {
    WriteText(fs::path(paths.editorDir) / "environment.set", "{Environment}");
    ModInfo info = Info("my mod");
    info.customEnvironment = true;
    ASSERT_TRUE(ExportMod(*doc, paths, &info));
    EXPECT_EQ(prompts.messages.back(), "File successfully exported.");
    fs::path mod = game / "mods" / "my mod";
    EXPECT_EQ(ReadText(mod / "resource/map/single/my mod/crossroads.mi"),
              ReadText(res / "map/single/crossroads/crossroads.mi"));
    EXPECT_EQ(ReadText(mod / "resource/map/single/my mod/map"),
              ReadText(res / "map/single/crossroads/map"));
    EXPECT_EQ(ReadText(mod / "resource/set/environment.set"), "{Environment}");
    EXPECT_EQ(ReadText(mod / "info.mod"), "{mod\r\n\t{name \"unknown\"}\r\n\t{desc \"Description "
                                          "here\"}\r\n\t{version \"1.0.0.0\"}\r\n}\r\n");
    EXPECT_EQ(doc->PlayerSide(), 2);

    DefNodeList reg;
    ASSERT_TRUE(ParseDefinitionFile(mod / "resource/set/registry/games.reg", reg));
    CDefNode* entry = reg[0]->Find("\"my mod\"");
    ASSERT_TRUE(entry);
    EXPECT_STREQ(entry->FindValue("scene"), "\"single/my mod:crossroads\"");
    EXPECT_STREQ(entry->FindValue("name"), "\"mission/b_8/name\"");
    EXPECT_EQ(ChildNames(entry), "name coopBreed intro side_music scene");
    EXPECT_STREQ(reg[0]->Find("\"5. Bonus missions\"")->FindValue("multiplayer"), "\"1\"");
    CDefNode* side = reg[1]->Find("\"single\\my mod\"");
    ASSERT_TRUE(side);
    EXPECT_STREQ(side->GetValue(0), "2");
    DefNodeList lng;
    ASSERT_TRUE(ParseDefinitionFile(mod / "resource/set/text/mission.lng", lng));
    EXPECT_STREQ(lng[0]->Find("\"b_8\"")->FindValue("\"name\""), "\"unknown\"");

    // A second export rebuilds both files from the resource directory's copies.
    std::string regText = ReadText(mod / "resource/set/registry/games.reg");
    std::string lngText = ReadText(mod / "resource/set/text/mission.lng");
    info.customEnvironment = false;
    ASSERT_TRUE(ExportMod(*doc, paths, &info));
    EXPECT_EQ(ReadText(mod / "resource/set/registry/games.reg"), regText);
    EXPECT_EQ(ReadText(mod / "resource/set/text/mission.lng"), lngText);
    EXPECT_FALSE(fs::exists(mod / "resource/set/environment.set"));
}

TEST_F(DocExportTest, HostileModNamesAreRefusedAndWriteNothing) {
    for (const char* name :
         {"../escape", "a/b", "a\\b", "..", "c:x", "tab\there", "trailing.", "star*"}) {
        prompts.messages.clear();
        ModInfo info = Info(name);
        EXPECT_FALSE(ExportMod(*doc, paths, &info)) << name;
        ASSERT_EQ(prompts.messages.size(), 1u) << name;
        EXPECT_NE(prompts.messages[0].find("cannot be used as a folder name"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(game / "escape"));
    EXPECT_FALSE(fs::exists(game / "mods" / "a"));
    std::vector<ExistingMod> mods = ListExistingMods(game.string());
    ASSERT_EQ(mods.size(), 1u);
    EXPECT_EQ(mods[0].folder, "demo_mod");
}

TEST_F(DocExportTest, TextsTheModFilesWouldNotReadBackStopTheExportBeforeAnyWrite) {
    ModInfo good = Info("my mod");
    good.title = "Good";
    ASSERT_TRUE(ExportMod(*doc, paths, &good));
    fs::path mod = game / "mods" / "my mod";
    const fs::path files[] = {mod / "info.mod", mod / "resource/set/registry/games.reg",
                              mod / "resource/set/text/mission.lng",
                              mod / "resource/map/single/my mod/crossroads.mi"};
    std::vector<std::string> before;
    for (const fs::path& file : files)
        before.push_back(ReadText(file));

    const std::string bad = "Bad\"} {evil";
    for (std::string ModInfo::*field :
         {&ModInfo::title, &ModInfo::description, &ModInfo::version}) {
        prompts.messages.clear();
        ModInfo info = good;
        info.*field = bad;
        info.side = 3;
        EXPECT_EQ(CheckModInfo(info), format::CheckQuotedText(bad));
        EXPECT_FALSE(ExportMod(*doc, paths, &info));
        EXPECT_EQ(prompts.messages, std::vector<std::string>{format::CheckQuotedText(bad)});
        EXPECT_EQ(doc->PlayerSide(), 2);
    }
    for (size_t i = 0; i < std::size(files); ++i)
        EXPECT_EQ(ReadText(files[i]), before[i]) << files[i];

    ModInfo fresh = Info("fresh");
    fresh.description = bad;
    EXPECT_FALSE(ExportMod(*doc, paths, &fresh));
    EXPECT_FALSE(fs::exists(game / "mods" / "fresh"));
    // Empty fields take their defaults, so they pass.
    EXPECT_EQ(CheckModInfo(ModInfo{}), "");
}

TEST_F(DocExportTest, AMissionFileNameWithAQuoteCannotBecomeARegistryEntry) {
    // The file's name goes into the registry's scene value between quotes.
    fs::path folder = res / "map/single/odd";
    fs::create_directories(folder);
    fs::copy_file(res / "map/single/crossroads/crossroads.mi", folder / "cross\"roads.mi");
    fs::copy_file(res / "map/single/crossroads/map", folder / "map");
    CVarnholtMapEditorDoc odd(Services());
    ASSERT_TRUE(odd.OnOpenDocument((folder / "cross\"roads.mi").string()));
    prompts.messages.clear();
    ModInfo info = Info("odd");
    EXPECT_FALSE(ExportMod(odd, paths, &info));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_NE(prompts.messages[0].find("single/odd:cross\"roads"), std::string::npos)
        << prompts.messages[0];
    EXPECT_FALSE(fs::exists(game / "mods" / "odd"));
}

TEST_F(DocExportTest, ExistingModsAreListedWithTheirDescriptions) {
    ModInfo info = Info("alpha");
    info.title = "Alpha";
    info.version = "2.0";
    info.description = "First";
    ASSERT_TRUE(ExportMod(*doc, paths, &info));
    std::vector<ExistingMod> mods = ListExistingMods(game.string());
    ASSERT_EQ(mods.size(), 2u);
    EXPECT_EQ(mods[0].folder, "alpha");
    EXPECT_EQ(mods[0].title, "Alpha");
    EXPECT_EQ(mods[0].version, "2.0");
    EXPECT_EQ(mods[0].description, "First");
}

TEST_F(DocExportTest, PakExportReplacesTheMemberAfterAsking) {
    std::string changed = ReadText(res / "map/single/crossroads/crossroads.mi") + "{extra}\r\n";
    WriteText(res / "map/single/crossroads/crossroads.mi", changed);
    EXPECT_FALSE(ExportToPak(*doc, paths)); // asked, answered No
    EXPECT_EQ(
        prompts.questions,
        std::vector<std::string>{"The file already exists in the .pak file.\nShell we overwrite?"});
    prompts.answers = {true};
    ASSERT_TRUE(ExportToPak(*doc, paths));
    testing_support::TempDir out;
    pak::CPakArchive pak;
    ASSERT_TRUE(pak.Open(game / "game.pak"));
    ASSERT_TRUE(pak.Extract({}, {"map/single/crossroads/crossroads.mi"}, out.path()));
    EXPECT_EQ(ReadText(out.path() / "map/single/crossroads/crossroads.mi"), changed);
    EXPECT_EQ(
        std::system(("unzip -tqq '" + (game / "game.pak").string() + "' >/dev/null 2>&1").c_str()),
        0);

    // A document outside the resource directory, even one whose folder only
    // begins like it, is refused.
    doc->SetPathName(res.string() + "2/x.mi");
    EXPECT_FALSE(ExportToPak(*doc, paths));
    EXPECT_EQ(prompts.messages.back(),
              "The file must be into the resource directory to be exported.\nSee File/Options");
}

TEST(MinimapTest, WorkedExampleCropsAndFramesThePicture) {
    BoundsPicture picture;
    picture.width = 800;
    picture.height = 600;
    picture.pixels.resize(800 * 600);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            picture.pixels[size_t(y) * 800 + size_t(x)] = uint32_t(x) << 8 | uint32_t(y & 0xFF);
    GroundExtent extent;
    extent.picture = {-800, -600, 0, 800, 600, 0}; // a ground 1600 units wide: 0.5 pixels a unit
    BoundsRect world{-400, -300, 400, 300};
    BoundsPicture mini = MinimapPicture(picture, extent, world);
    ASSERT_EQ(mini.width, 406);
    ASSERT_EQ(mini.height, 306);
    EXPECT_EQ(mini.pixels[3 * 406 + 3], picture.pixels[150 * 800 + 200]);
    EXPECT_EQ(mini.pixels[302 * 406 + 402], picture.pixels[449 * 800 + 599]);
    EXPECT_EQ(mini.pixels[0], 0xFFFFFFFFu);
    EXPECT_EQ(mini.pixels[305 * 406 + 404], 0xFFFFFFFFu);

    std::string tga = TgaBytes(mini);
    ASSERT_EQ(tga.size(), 18u + 406u * 306u * 3u);
    EXPECT_EQ(tga.substr(0, 18), std::string("\0\0\2\0\0\0\0\0\0\0\0\0\x96\x01\x32\x01\x18\0", 18));
    // The first stored row is the bottom row: white frame; the fourth holds picture row 449.
    EXPECT_EQ(tga.substr(18, 3), "\xFF\xFF\xFF");
    size_t row3 = 18 + 3u * 406u * 3u + 3u * 3u;
    uint32_t p = picture.pixels[449 * 800 + 200];
    EXPECT_EQ(tga.substr(row3, 3),
              std::string({char(p & 0xFF), char((p >> 8) & 0xFF), char((p >> 16) & 0xFF)}));
}

TEST(MinimapTest, CropStaysInsideThePicture) {
    BoundsPicture picture;
    picture.width = 100;
    picture.height = 50;
    picture.pixels.assign(100 * 50, 0x00123456);
    GroundExtent extent;
    extent.picture = {0, 0, 0, 100, 50, 0};
    for (BoundsRect world : {BoundsRect{-500, -500, 900, 900}, BoundsRect{90, 40, 400, 400},
                             BoundsRect{300, 300, 10, 10}}) {
        BoundsPicture mini = MinimapPicture(picture, extent, world);
        EXPECT_LE(mini.width, 106);
        EXPECT_LE(mini.height, 56);
        EXPECT_EQ(mini.pixels.size(), size_t(mini.width) * size_t(mini.height));
    }
    GroundExtent empty; // no ground yet: only the frame
    EXPECT_EQ(MinimapPicture(picture, empty, BoundsRect{0, 0, 10, 10}).width, 6);
}

} // namespace
