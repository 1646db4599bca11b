#include "DocTestSupport.h"

#include "format/DefGuard.h"
#include "resources/ResourceCatalogue.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

using namespace doc_testing;
namespace fs = std::filesystem;

namespace {

class DocumentLoadSaveTest : public ::testing::Test, protected DocFixture {};

const char* kMission = R"({mission
	{Camera {Position 1 2}}
	{Entity "m4a2" 0x8000 {MID 1}}
	{Entity "m4a2" 0x8001 {MID 2}}
	{Helpers
		{event "start" id 12 state 1}
		{event "odd" ID 7}
		{event}
		{trigger "t1" {x}}
		{trigger}
		{zone "circle" {position 1 2 3} {Name "ford"} {Radius 25}}
		{zone "poly" {position 4 5 6} {Name "village"} {Point 1 1} {Point 2} {Point 3 3} {Point 4 4} {Point 5 5}}
		{zone "square"}
		{camerapath "c7" {Event 2} {EvCancel 3} {Key 100 1 2 3 4 5 6 0.5 1 2 3} {x {Key 200}}}
		{camerapath "intro"}
	}
}
)";

TEST_F(DocumentLoadSaveTest, MissionLoadsOnItsLockedBaseMapAndSavesOnlyItself) {
    auto doc = OpenMission(kMission);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->Kind(), document::Mission);
    ASSERT_EQ(doc->Roots().size(), 2u);
    EXPECT_TRUE(doc->MapRoot()->locked);
    EXPECT_TRUE(doc->MapRoot()->Child(4)->locked);
    EXPECT_FALSE(doc->WorkingRoot()->locked);
    // Base map IDs are not registered; the mission's are.
    EXPECT_FALSE(doc->IdInUse(1));
    EXPECT_TRUE(doc->IdInUse(0x8001));
    EXPECT_TRUE(doc->MidInUse(2));
    EXPECT_EQ(doc->BaseMapPath(), (dir.path() / "map").string());
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(doc->Title(), "m.mi");

    testing_support::TempDir out;
    fs::path target = out.path() / "copy.mi";
    ASSERT_TRUE(doc->OnSaveDocument(target.string()));
    EXPECT_EQ(host.hints, std::vector<int>{6});
    std::string saved = ReadText(target);
    EXPECT_EQ(saved.find("WorldBound"), std::string::npos);
    EXPECT_NE(saved.find("{Entity \"m4a2\" 0x8001"), std::string::npos);
    EXPECT_EQ(ReadText(out.path() / "map"), kBaseMap); // copied without asking
    EXPECT_TRUE(prompts.questions.empty());

    // Loading the saved pair gives the same mission.
    DocFixture again;
    auto reopened = std::make_unique<CVarnholtMapEditorDoc>(again.Services());
    ASSERT_TRUE(reopened->OnOpenDocument(target.string()));
    EXPECT_EQ(WriteToText(reopened->WorkingRoot()), WriteToText(doc->WorkingRoot()));
    EXPECT_TRUE(again.prompts.messages.empty());
}

TEST_F(DocumentLoadSaveTest, SavingBesideAnExistingMapAsksBeforeOverwritingIt) {
    auto doc = OpenMission(kMission);
    ASSERT_TRUE(doc);
    testing_support::TempDir out;
    WriteText(out.path() / "map", "old map");
    prompts.answers = {false};
    ASSERT_TRUE(doc->OnSaveDocument((out.path() / "a.mi").string()));
    EXPECT_EQ(prompts.questions, std::vector<std::string>{"Overwrite existing map file too?"});
    EXPECT_EQ(ReadText(out.path() / "map"), "old map");
    EXPECT_TRUE(fs::exists(out.path() / "a.mi"));
    prompts.answers = {true};
    ASSERT_TRUE(doc->OnSaveDocument((out.path() / "a.mi").string()));
    EXPECT_EQ(ReadText(out.path() / "map"), kBaseMap);
    // Into the base map's own folder: Yes rewrites the map with its own content.
    prompts.answers = {true};
    ASSERT_TRUE(doc->OnSaveDocument((dir.path() / "m.mi").string()));
    EXPECT_EQ(ReadText(dir.path() / "map"), kBaseMap);
}

TEST_F(DocumentLoadSaveTest, MissingBaseMapIsAskedForAndCancelFailsTheOpen) {
    WriteText(dir.path() / "x.mi", kMission);
    testing_support::TempDir other;
    WriteText(other.path() / "terrain", kBaseMap);
    dialogs.baseMaps = {(other.path() / "terrain").string()};
    CVarnholtMapEditorDoc doc(Services());
    ASSERT_TRUE(doc.OnOpenDocument((dir.path() / "x.mi").string()));
    EXPECT_EQ(dialogs.baseMapAsked, 1);
    EXPECT_EQ(doc.Roots().size(), 2u);
    EXPECT_EQ(doc.BaseMapPath(), (other.path() / "terrain").string());

    CVarnholtMapEditorDoc cancelled(Services());
    EXPECT_FALSE(cancelled.OnOpenDocument((dir.path() / "x.mi").string()));
    EXPECT_EQ(dialogs.baseMapAsked, 2);
}

TEST_F(DocumentLoadSaveTest, MapWithoutExtensionIsItsOwnBaseMap) {
    auto doc = OpenMap(kBaseMap);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->Kind(), document::Map);
    EXPECT_EQ(doc->BaseMapPath(), (dir.path() / "map").string());
    EXPECT_FALSE(doc->MapRoot()->locked);
    EXPECT_TRUE(doc->IdInUse(2));
    CVarnholtMapEditorDoc missing(Services());
    EXPECT_FALSE(missing.OnOpenDocument((dir.path() / "nothing").string()));
    EXPECT_EQ(prompts.messages.size(), 1u);
}

TEST_F(DocumentLoadSaveTest, DuplicateIdsAndMidsAreReportedAndTheLoadGoesOn) {
    auto doc = OpenMission("{mission {Entity \"a\" 0x8001 {MID 4}} {Entity \"b\" 0x8001 {MID 4}} "
                           "{Entity \"c\" 0x8002}}");
    ASSERT_TRUE(doc);
    EXPECT_EQ(prompts.messages,
              (std::vector<std::string>{"Duplicate ID value '0x8001'", "Duplicate MID value '4'"}));
    EXPECT_EQ(doc->WorkingRoot()->ChildCount(), 3u);
}

TEST_F(DocumentLoadSaveTest, NewDocumentsOfTheThreeKinds) {
    WriteText(dir.path() / "map", kBaseMap);
    CVarnholtMapEditorDoc mission(Services());
    EXPECT_FALSE(mission.OnNewDocument()); // base map dialog cancelled
    dialogs.baseMaps = {(dir.path() / "map").string()};
    ASSERT_TRUE(mission.OnNewDocument());
    ASSERT_EQ(mission.Roots().size(), 2u);
    EXPECT_TRUE(mission.MapRoot()->locked);
    EXPECT_EQ(WriteToText(mission.WorkingRoot()),
              "{mission\r\n\t{Camera\r\n\t\t{Position 842.193000 2100.950000}\r\n"
              "\t\t{Distance 988.671000 200.000000 2000.000000}\r\n\t\t{ViewAngle 0.432753 "
              "10.000000 60.000000}\r\n"
              "\t}\r\n\t{Environment \"day\"}\r\n\t{User 1}\r\n\t{GameProgress 0 0}\r\n}\r\n");
    EXPECT_TRUE(mission.IsModified());

    CVarnholtMapEditorDoc map(Services());
    map.SetKind(document::Map);
    EXPECT_FALSE(map.OnNewDocument());
    dialogs.mapTemplate = "120_3m";
    ASSERT_TRUE(map.OnNewDocument());
    EXPECT_EQ(WriteToText(map.MapRoot()), "{map\r\n\t{Entity \"120_3m\" 0x0\r\n\t\t{Position "
                                          "0.000000 0.000000 0.000000}\r\n\t}\r\n}\r\n");

    CVarnholtMapEditorDoc created(Services());
    created.SetKind(document::CreateMap);
    ASSERT_TRUE(created.OnNewDocument());
    EXPECT_TRUE(created.MapRoot()->Child(0)->IsCreateMap());
}

TEST_F(DocumentLoadSaveTest, SaveAsProposesNamesByKind) {
    WriteText(dir.path() / "map", kBaseMap);
    dialogs.baseMaps = {(dir.path() / "map").string()};
    CVarnholtMapEditorDoc mission(Services());
    ASSERT_TRUE(mission.OnNewDocument());
    mission.SetTitle("river crossing#2");
    testing_support::TempDir out;
    dialogs.saveNames = {(out.path() / "river.mi").string()};
    ASSERT_TRUE(mission.DoSave(""));
    EXPECT_EQ(dialogs.saveProposals.back(), "river.mi");
    EXPECT_EQ(mission.PathName(), (out.path() / "river.mi").string());
    EXPECT_EQ(mission.Title(), "river.mi");
    EXPECT_FALSE(mission.IsModified());
    EXPECT_TRUE(fs::exists(out.path() / "map"));

    // A new map asks for its bounds first, proposes "map" and never keeps ".mi".
    CVarnholtMapEditorDoc map(Services());
    map.SetKind(document::Map);
    dialogs.mapTemplate = "120_3m";
    ASSERT_TRUE(map.OnNewDocument());
    EXPECT_FALSE(map.DoSave("")); // bounds dialog cancelled
    EXPECT_EQ(dialogs.saveProposals.size(), 1u);
    dialogs.bounds = [](document::BoundsDialogData& data) {
        data.world = {-50, -50, 50, 50};
        data.camera = data.pather = data.world;
        return true;
    };
    dialogs.saveNames = {(out.path() / "terrain.mi").string()};
    ASSERT_TRUE(map.DoSave(""));
    EXPECT_EQ(dialogs.saveProposals.back(), "map");
    EXPECT_TRUE(fs::exists(out.path() / "terrain"));
    EXPECT_FALSE(fs::exists(out.path() / "terrain.mi"));
    EXPECT_EQ(map.BaseMapPath(), (out.path() / "terrain").string());
    EXPECT_EQ(ChildNames(map.MapRoot()), "WorldBound CameraBound PatherBound Entity");
}

TEST_F(DocumentLoadSaveTest, FailedSaveKeepsTheOldFileAndTheModifiedMark) {
    auto doc = OpenMission(kMission);
    ASSERT_TRUE(doc);
    doc->SetModifiedFlag(true);
    // The target is a folder with content: the replace step fails.
    testing_support::TempDir out;
    fs::create_directory(out.path() / "busy.mi");
    WriteText(out.path() / "busy.mi" / "keep", "x");
    dialogs.saveNames = {(out.path() / "busy.mi").string()};
    prompts.answers = {true};
    EXPECT_FALSE(doc->DoSave(""));
    EXPECT_TRUE(fs::exists(out.path() / "busy.mi" / "keep"));
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(prompts.messages.size(), 1u);
    // No temporary file is left behind.
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(out.path()))
        files += entry.path().filename() != "map";
    EXPECT_EQ(files, 1u);
    // A folder that does not exist.
    EXPECT_FALSE(doc->OnSaveDocument((out.path() / "no" / "x.mi").string()));
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(DocumentLoadSaveTest, TextModeSavesTheTextAsTyped) {
    auto doc = OpenMission(kMission);
    ASSERT_TRUE(doc);
    host.textViewText = "{mission {unfinished";
    ASSERT_TRUE(doc->OnSaveDocument((dir.path() / "t.mi").string()));
    EXPECT_EQ(ReadText(dir.path() / "t.mi"), "{mission {unfinished");
}

TEST_F(DocumentLoadSaveTest, ScansBuildTheRecordsOfTheHelpers) {
    auto doc = OpenMission(kMission);
    ASSERT_TRUE(doc);
    doc->ScanAll();
    ASSERT_EQ(doc->Events().size(), 2u);
    EXPECT_EQ(doc->Events()[0]->name, "start");
    EXPECT_EQ(doc->Events()[0]->id, 12);
    EXPECT_EQ(doc->Events()[0]->state, 1);
    EXPECT_EQ(doc->Events()[1]->id, 7); // the word id ignores case
    EXPECT_EQ(doc->EventIds()[12], 12);
    EXPECT_EQ(doc->EventIds()[0], 0xFF);
    ASSERT_EQ(doc->Triggers().size(), 1u);
    EXPECT_EQ(doc->Triggers()[0]->name, "\"t1\"");

    ASSERT_EQ(doc->Zones().size(), 2u);
    const auto& circle = *doc->Zones()[0];
    EXPECT_EQ(circle.shape, document::ZoneRecord::Circle);
    EXPECT_EQ(circle.name, "\"ford\"");
    EXPECT_FLOAT_EQ(circle.radius, 25);
    EXPECT_FLOAT_EQ(circle.z, 3);
    const auto& poly = *doc->Zones()[1];
    EXPECT_EQ(poly.cornerCount, 4); // the short Point counts, the fifth does not
    EXPECT_FLOAT_EQ(poly.corners[1].x, 0);
    EXPECT_FLOAT_EQ(poly.corners[2].x, 3);
    EXPECT_FLOAT_EQ(poly.corners[2].z, 6);

    ASSERT_EQ(doc->CameraPaths().size(), 2u);
    const auto& path = *doc->CameraPaths()[0];
    EXPECT_EQ(doc->CameraPathIds()[7], 7);
    EXPECT_EQ(path.startEvent, 2);
    EXPECT_EQ(path.cancelEvent, 3);
    ASSERT_EQ(path.keys.size(), 2u);
    EXPECT_EQ(path.keys[0]->time, 100);
    EXPECT_FLOAT_EQ(path.keys[0]->values[6], 0.5f);
    EXPECT_EQ(path.keys[0]->flags[2], 3);
    EXPECT_EQ(path.keys[1]->time, 200);
    EXPECT_FLOAT_EQ(path.keys[1]->values[6], 0.0f); // missing values read as 0
    EXPECT_EQ(path.keys[1]->flags[2], 0);
    EXPECT_EQ(doc->CameraPaths()[1]->startEvent, -1);

    EXPECT_EQ(progress.texts.front(), "Scanning events 0");
    EXPECT_EQ(progress.texts.back(), "Scanning camerapath 2");
    // Scanning again does not mirror any node twice.
    doc->ScanAll();
    EXPECT_EQ(doc->Zones().size(), 2u);
}

TEST_F(DocumentLoadSaveTest, PakMemberIsExtractedWithItsMapAndOpened) {
    fs::path pak = fs::path(VM_DEMO_GAME) / "game.pak";
    if (!fs::exists(pak)) GTEST_SKIP() << "demo game not built: " << pak;
    resources::CResourceCatalogue catalogue(nullptr, nullptr, nullptr);
    catalogue.SetResourceDir(dir.path().string());
    auto services = Services();
    services.catalogue = &catalogue;
    CVarnholtMapEditorDoc cancelled(services);
    EXPECT_FALSE(cancelled.OnOpenDocument(pak.string()));

    dialogs.pakMember = "map/single/river/river.mi";
    CVarnholtMapEditorDoc doc(services);
    ASSERT_TRUE(doc.OnOpenDocument(pak.string()));
    EXPECT_EQ(doc.Kind(), document::Mission);
    EXPECT_EQ(doc.Roots().size(), 2u);
    EXPECT_EQ(doc.PathName(), (dir.path() / "map/single/river/river.mi").string());
    EXPECT_TRUE(fs::exists(dir.path() / "map/single/river/map"));
}

std::string DamagedQuestion(const fs::path& file, const std::string& problems) {
    return "The file '" + file.string() + "' was read with problems:\n" + problems +
           "If you open it, saving will write only what was read.\nOpen it anyway?";
}

TEST_F(DocumentLoadSaveTest, TruncatedMissionOpensOnlyWhenTheUserAgrees) {
    const std::string cut = "{mission\r\n\t{Entity \"m4a2\" 0x8000 {MID 1}}\r\n"
                            "\t{Entity \"m4a2\" 0x8001\r\n\t\t{Position 1 2";
    const fs::path file = dir.path() / "m.mi";
    prompts.answers = {false};
    EXPECT_EQ(OpenMission(cut), nullptr);
    EXPECT_EQ(prompts.questions,
              std::vector<std::string>{DamagedQuestion(
                  file, "line 4: 3 blocks are still open at the end of the file; the outermost "
                        "is the block 'mission', opened on line 1\n")});

    // Yes opens what was read; saved, it reads back clean.
    prompts.answers = {true};
    auto doc = OpenMission(cut);
    ASSERT_TRUE(doc);
    EXPECT_EQ(ChildNames(doc->WorkingRoot()), "Entity Entity");
    EXPECT_EQ(WriteToText(doc->WorkingRoot()->Child(1)->Child(0)), "\t\t{Position 1 2}\r\n");
    ASSERT_TRUE(doc->OnSaveDocument(file.string()));
    prompts.questions.clear();
    auto reopened = std::make_unique<CVarnholtMapEditorDoc>(Services());
    ASSERT_TRUE(reopened->OnOpenDocument(file.string()));
    EXPECT_TRUE(prompts.questions.empty());

    // A larger mission cut in half: the same question, and No leaves nothing.
    const std::string full = kMission;
    WriteText(file, full.substr(0, full.size() / 2));
    prompts.questions.clear();
    CVarnholtMapEditorDoc half(Services());
    EXPECT_FALSE(half.OnOpenDocument(file.string()));
    EXPECT_TRUE(half.Roots().empty());
    ASSERT_EQ(prompts.questions.size(), 1u);
    EXPECT_NE(prompts.questions[0].find("blocks are still open at the end of the file"),
              std::string::npos)
        << prompts.questions[0];
}

TEST_F(DocumentLoadSaveTest, DamagedBaseMapIsAskedAboutBeforeTheMission) {
    const std::string unbalanced = std::string(kBaseMap) + "}\n";
    WriteText(dir.path() / "m.mi", kMission);
    WriteText(dir.path() / "map", unbalanced);
    CVarnholtMapEditorDoc declined(Services());
    EXPECT_FALSE(declined.OnOpenDocument((dir.path() / "m.mi").string()));
    EXPECT_TRUE(declined.Roots().empty());
    // Declining is not a missing map: no other map is asked for.
    EXPECT_EQ(dialogs.baseMapAsked, 0);
    EXPECT_EQ(prompts.questions, std::vector<std::string>{DamagedQuestion(
                                     dir.path() / "map",
                                     "line 9: the character '}' outside any block was skipped\n")});

    prompts.answers = {true};
    CVarnholtMapEditorDoc accepted(Services());
    ASSERT_TRUE(accepted.OnOpenDocument((dir.path() / "m.mi").string()));
    EXPECT_EQ(accepted.Roots().size(), 2u);
    EXPECT_EQ(prompts.questions.size(), 2u);
}

TEST_F(DocumentLoadSaveTest, RandomBytesAndLongProblemListsAreReported) {
    std::mt19937 rng(20261208);
    std::string noise(8192, '\0');
    for (char& c : noise)
        c = static_cast<char>(rng());
    EXPECT_EQ(OpenMap(noise), nullptr);
    ASSERT_EQ(prompts.questions.size(), 1u);
    const std::string& question = prompts.questions[0];
    EXPECT_EQ(question.rfind("The file '" + (dir.path() / "map").string() +
                                 "' was read with problems:\nline ",
                             0),
              0u)
        << question;
    EXPECT_NE(question.find("Open it anyway?"), std::string::npos);

    // Twelve stray words: the first ten are listed, the rest counted.
    std::string strays = "{map}";
    for (int i = 0; i < 12; ++i)
        strays += "\nx{e}";
    prompts.questions.clear();
    EXPECT_EQ(OpenMap(strays), nullptr);
    ASSERT_EQ(prompts.questions.size(), 1u);
    std::string listed;
    for (int line = 2; line <= 11; ++line)
        listed += "line " + std::to_string(line) + ": the word 'x' outside any block was skipped\n";
    EXPECT_EQ(prompts.questions[0], DamagedQuestion(dir.path() / "map", listed + "and 2 more\n"));
}

TEST_F(DocumentLoadSaveTest, SaveRefusesANodeThatWouldNotReadBack) {
    auto doc = OpenMission(kMission);
    ASSERT_TRUE(doc);
    const fs::path file = dir.path() / "m.mi";
    const std::string before = ReadText(file);
    testing_support::TempDir out;
    const fs::path elsewhere = out.path() / "new.mi";

    CDefNode* entity = doc->WorkingRoot()->FindChild("Entity");
    entity->SetValue(0, "\"m4\"a2\"");
    doc->SetModifiedFlag(true);
    EXPECT_FALSE(doc->OnSaveDocument(file.string()));
    EXPECT_FALSE(doc->OnSaveDocument(elsewhere.string()));
    const std::string why = format::CheckValue("\"m4\"a2\"");
    ASSERT_FALSE(why.empty());
    EXPECT_EQ(prompts.messages,
              (std::vector<std::string>{
                  "The document cannot be saved as '" + file.string() +
                      "': the block 'Entity' with the ID 0x8000 would not read back as it is. " +
                      why + " Nothing was written.",
                  "The document cannot be saved as '" + elsewhere.string() +
                      "': the block 'Entity' with the ID 0x8000 would not read back as it is. " +
                      why + " Nothing was written."}));
    EXPECT_EQ(ReadText(file), before);
    // Nothing at all is written: not the mission, nor the map beside it.
    EXPECT_TRUE(fs::is_empty(out.path()));
    EXPECT_TRUE(doc->IsModified());

    // A node without an ID is named by its first value.
    entity->SetValue(0, "\"m4a2\"");
    doc->WorkingRoot()->FindChild("Camera")->FindChild("Position")->SetValue(0, "1;2");
    prompts.messages.clear();
    EXPECT_FALSE(doc->OnSaveDocument(file.string()));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_NE(prompts.messages[0].find("the block 'Position' with the first value '1;2' would not "
                                       "read back"),
              std::string::npos)
        << prompts.messages[0];
    EXPECT_EQ(ReadText(file), before);
}

} // namespace
