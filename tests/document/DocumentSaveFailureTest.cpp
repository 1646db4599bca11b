#include "DocTestSupport.h"

#include "document/DocExport.h"
#include "document/EnvironmentPresets.h"

#include <gtest/gtest.h>

using namespace doc_testing;
namespace fs = std::filesystem;

namespace {

class DocumentSaveFailureTest : public ::testing::Test, protected DocFixture {
  protected:
    std::unique_ptr<CVarnholtMapEditorDoc> NewTemplateMap() {
        auto map = std::make_unique<CVarnholtMapEditorDoc>(Services());
        map->SetKind(document::Map);
        dialogs.mapTemplate = "120_3m";
        if (!map->OnNewDocument()) return nullptr;
        return map;
    }
};

TEST_F(DocumentSaveFailureTest, ANewTemplateMapIsSavedWithTheBoundsChosenInTheDialog) {
    auto map = NewTemplateMap();
    ASSERT_TRUE(map);
    // The dialog works in the picture's coordinates, which lie at the
    // ground's offset from the world's.
    map->Extent().offsetX = 10;
    map->Extent().offsetY = 20;
    std::vector<document::BoundsRect> shown;
    dialogs.bounds = [&shown](document::BoundsDialogData& data) {
        shown.push_back(data.world);
        data.world = {-40, -30, 60, 70};
        data.camera = {-30, -20, 50, 60};
        data.pather = {-35, -25, 55, 65};
        return true;
    };
    dialogs.saveNames = {(dir.path() / "map.mi").string()};
    ASSERT_TRUE(map->DoSave(""));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], (document::BoundsRect{10, 20, 10, 20}));
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_FALSE(map->IsModified());
    EXPECT_EQ(map->PathName(), (dir.path() / "map").string());
    EXPECT_EQ(host.hints, (std::vector<int>{static_cast<int>(document::UpdateHint::BoundsChanged),
                                            static_cast<int>(document::UpdateHint::AboutToSave)}));
    EXPECT_EQ(ReadText(dir.path() / "map"),
              "{map\r\n"
              "\t{WorldBound -50.000000 -50.000000 50.000000 50.000000}\r\n"
              "\t{CameraBound -40.000000 -40.000000 40.000000 40.000000}\r\n"
              "\t{PatherBound -45.000000 -45.000000 45.000000 45.000000}\r\n"
              "\t{Entity \"120_3m\" 0x0\r\n\t\t{Position 0.000000 0.000000 0.000000}\r\n\t}\r\n"
              "}\r\n");

    // Opened again, Map Bounds shows what was saved.
    auto again = std::make_unique<CVarnholtMapEditorDoc>(Services());
    ASSERT_TRUE(again->OnOpenDocument((dir.path() / "map").string()));
    dialogs.bounds = [&shown](document::BoundsDialogData& data) {
        shown.push_back(data.pather);
        return false;
    };
    EXPECT_FALSE(again->ReadBounds());
    EXPECT_EQ(shown.back(), (document::BoundsRect{-45, -45, 45, 45}));
    EXPECT_FALSE(again->IsModified()); // a cancelled dialog changes nothing
}

TEST_F(DocumentSaveFailureTest, ASaveThatCannotWriteSaysWhy) {
    auto map = NewTemplateMap();
    ASSERT_TRUE(map);
    fs::create_directory(dir.path() / "taken");
    const std::string folder = (dir.path() / "taken").string();
    EXPECT_FALSE(map->OnSaveDocument(folder));
    const std::string missing = (dir.path() / "nowhere" / "map").string();
    EXPECT_FALSE(map->OnSaveDocument(missing));
    EXPECT_EQ(
        prompts.messages,
        (std::vector<std::string>{"The file '" + folder + "' could not be written: it is a folder.",
                                  "The file '" + missing + "' could not be written: the folder '" +
                                      (dir.path() / "nowhere").string() + "' does not exist."}));
    EXPECT_TRUE(map->IsModified());
    // A map's own file is its base map only once it has been written.
    EXPECT_EQ(map->BaseMapPath(), "");
}

TEST_F(DocumentSaveFailureTest, AMapThatCannotBeCopiedBesideTheMissionIsReported) {
    auto mission = OpenMission("{mission {Camera {Position 1 2}}}");
    ASSERT_TRUE(mission);
    fs::remove(dir.path() / "map"); // gone since the mission was opened
    testing_support::TempDir out;
    const std::string target = (out.path() / "m.mi").string();
    ASSERT_TRUE(mission->OnSaveDocument(target));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].rfind("The map '" + (dir.path() / "map").string() +
                                            "' could not be copied to '" +
                                            (out.path() / "map").string() + "': ",
                                        0),
              0u);
    EXPECT_NE(ReadText(target).find("{mission"), std::string::npos);
}

TEST_F(DocumentSaveFailureTest, ExportsThatCannotStartSayWhy) {
    auto map = NewTemplateMap();
    ASSERT_TRUE(map);
    testing_support::TempDir game;
    document::ExportPaths paths{game.path().string(), dir.path().string(), dir.path().string()};
    EXPECT_FALSE(document::ExportMod(*map, paths)); // never saved, so nothing to export
    EXPECT_EQ(prompts.messages, std::vector<std::string>{document::kSaveBeforeExport});

    prompts.messages.clear();
    WriteText(dir.path() / "x.mi", "{mission}\n");
    auto mission = std::make_unique<CVarnholtMapEditorDoc>(Services());
    mission->SetPathName((dir.path() / "x.mi").string());
    EXPECT_FALSE(document::ExportToPak(*mission, paths));
    EXPECT_EQ(prompts.messages,
              std::vector<std::string>{"Could not find 'game.pak' in the game folder '" +
                                       game.path().string() + "'.\nSee File/Options"});
}

TEST(CustomPresetLocationTest, PresetsAreWrittenForTheUserAndAnOldFileBesideTheProgramIsRead) {
    testing_support::TempDir dir;
    const fs::path program = dir.path() / "program";
    const fs::path user = dir.path() / "home" / "data"; // not there before the first save
    fs::create_directories(program);
    WriteText(program / "environment.set", "{Environment {Preset \"old\"}}\n");
    const DefNodeList game;
    auto location = document::CustomPresetLocation::In(user, program);
    {
        document::CEnvironmentPresets presets(game, location);
        EXPECT_EQ(presets.PresetNames(), std::vector<std::string>{"old"});
        ASSERT_TRUE(presets.SaveCustomPreset("mine", {}).done);
    }
    EXPECT_NE(ReadText(user / "environment.set").find("\"mine\""), std::string::npos);
    EXPECT_EQ(ReadText(program / "environment.set"), "{Environment {Preset \"old\"}}\n");
    // From now on the user's own file is the one read, and exported.
    document::CEnvironmentPresets presets(game, location);
    EXPECT_EQ(presets.PresetNames(), std::vector<std::string>{"mine"});
    EXPECT_EQ(location.FileToRead(), user / "environment.set");
    // Without a user folder the file beside the program is all there is.
    auto programOnly = document::CustomPresetLocation::In({}, program);
    EXPECT_EQ(programOnly.FileToRead(), program / "environment.set");
    EXPECT_EQ(programOnly.FileToWrite(), program / "environment.set");
}

} // namespace
