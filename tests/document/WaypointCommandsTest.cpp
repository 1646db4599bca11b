#include "PropertyFormsTestSupport.h"

#include "document/HelperForms.h"
#include "document/WaypointCommands.h"
#include "format/DefGuard.h"

#include <gtest/gtest.h>

using namespace doc_testing;
using namespace document;

namespace {

int Command(const char* name) {
    return FindCommand(std::string("\"") + name + "\"");
}
int Action(int command, const char* name) {
    return FindAction(command, std::string("\"") + name + "\"");
}
int Entry(int command, int action, const char* value) {
    const auto& values = ActionValues(command, action);
    for (size_t i = 0; i < values.size(); ++i)
        if (values[i] == value) return static_cast<int>(i);
    return -1;
}

// One action of each command: what is chosen, what is typed, what is stored.
struct Encoding {
    const char* command;
    const char* action;
    const char* entry; // nullptr: none (a free table)
    const char* typed;
    const char* stored;
};

class CommandEncodingTest : public ::testing::TestWithParam<Encoding> {};

TEST_P(CommandEncodingTest, StoresTheValueAsTheGameReadsIt) {
    const Encoding& e = GetParam();
    const int command = Command(e.command);
    const int action = Action(command, e.action);
    ASSERT_GE(action, 0) << e.command << "/" << e.action;
    std::string problem;
    const int entry = e.entry ? Entry(command, action, e.entry) : -1;
    EXPECT_EQ(ActionValue(command, action, entry, e.typed, problem), e.stored);
    EXPECT_EQ(problem, "");
}

INSTANTIATE_TEST_SUITE_P(
    EveryCommand, CommandEncodingTest,
    ::testing::Values(Encoding{"actor_state", "speed_kph", "$0", "35", "35"},
                      Encoding{"actor_state", "movement", "\"crawl\"", "", "\"crawl\""},
                      Encoding{"actor_to_cover", "covers", "$string", "???", "$string"},
                      Encoding{"message", "sound", "\"fast\"", "", "\"fast\""},
                      Encoding{"mission_music", "action", "\"REINF_PLAYER\"", "",
                               "\"REINF_PLAYER\""},
                      Encoding{"event", "delay", "$$0", "12", "\"12\""},
                      Encoding{"camera", "action", "\"stop\"", "", "\"stop\""},
                      Encoding{"camera_state", "name", "$$0", "intro cam", "\"intro cam\""},
                      Encoding{"emit", "selector", "$cmd", "", "$cmd"},
                      Encoding{"wait", "time", "$$0", "5", "\"5\""},
                      Encoding{"air_state", "altitude", "$0", "300", "300"},
                      Encoding{"ables", "add", nullptr, "grenade", "grenade"},
                      Encoding{"autoassign", "selector", "\"actors/tag\"", "", "\"actors/tag\""}));

TEST(CommandVocabularyTest, TwelveCommandsAndTypedValuesThatWouldNotReadBackAreRefused) {
    ASSERT_EQ(CommandCount(), 12);
    EXPECT_STREQ(CommandName(11), "\"autoassign\"");
    EXPECT_EQ(ActionCount(Command("actor_state")), 6);
    EXPECT_EQ(ActionValues(Command("mission_music"), 0).size(), 8u);
    std::string problem;
    const int wait = Command("wait");
    const int air = Command("air_state");
    EXPECT_EQ(ActionValue(wait, 0, 0, "5\" }", problem), "");
    EXPECT_EQ(problem, format::CheckQuotedText("5\" }"));
    EXPECT_EQ(ActionValue(air, 0, 0, "300 400", problem), "");
    EXPECT_EQ(problem, format::CheckValue("300 400"));
    EXPECT_EQ(ActionValue(air, 0, 0, "???", problem), "");
    EXPECT_EQ(problem, "Enter a value for \"altitude\".");
}

class WaypointFormTest : public ::testing::Test, protected DemoMissionFixture {
  protected:
    void SetUp() override {
        VM_REQUIRE_DEMO_MISSION();
        doc = OpenCrossroads();
        ASSERT_TRUE(doc);
    }
    std::unique_ptr<CVarnholtMapEditorDoc> doc;
};

TEST_F(WaypointFormTest, CommandsAreReadAddedRefusedAsDuplicatesAndWrittenInOneStep) {
    CDefNode* wp = Waypoint(*doc, "2");
    CWaypointForm form;
    form.Read(*doc, *wp);
    EXPECT_EQ(form.Number(), 2);
    EXPECT_EQ(form.next, "3");
    ASSERT_EQ(form.Commands().size(), 2u);
    EXPECT_EQ(form.Commands()[0].actions[1].entry, 0); // "slow"
    EXPECT_EQ(form.Commands()[1].command, Command("event"));

    const int state = Command("actor_state");
    const int only = Action(state, "waypoint_only");
    form.BeginCommands();
    EXPECT_EQ(form.AddCommand(state, only, 0, ""),
              "Duplicate command \"actor_state\"/\"waypoint_only\".");
    EXPECT_EQ(form.AddCommand(Command("wait"), 0, 0, "5"), "");
    EXPECT_EQ(form.EditAction(0, Action(state, "speed"), 2, ""), "");
    form.next = "1";

    const DocumentState before = StateOf(*doc);
    ASSERT_TRUE(form.Apply());
    EXPECT_EQ(WriteToText(wp->FindChild("commands")), form.Preview());
    EXPECT_STREQ(wp->FindValue("transition"), "1");
    EXPECT_STREQ(wp->FindChild("commands")->Child(2)->FindValue("\"time\""), "\"5\"");
    EXPECT_STREQ(wp->FindChild("commands")->Child(0)->FindValue("\"speed\""), "\"fast\"");
    EXPECT_EQ(wp->FindChild("commands")->Child(2)->Child(0)->depth, wp->depth + 3);
    EXPECT_EQ(doc->UndoSteps(), 1u);
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(StateOf(*doc), before);
}

TEST_F(WaypointFormTest, AFirstCommandMakesTheBlockAndSavingKeepsIt) {
    CDefNode* wp = Waypoint(*doc, "1");
    CWaypointForm form;
    form.Read(*doc, *wp);
    EXPECT_EQ(form.WorkingCommands(), nullptr);
    form.BeginCommands();
    const int state = Command("actor_state");
    ASSERT_EQ(form.AddCommand(state, Action(state, "waypoint_only"), 0, ""), "");
    EXPECT_EQ(form.Preview(),
              "\t\t\t\t{commands\r\n\t\t\t\t\t{\"actor_state\"\r\n"
              "\t\t\t\t\t\t{\"waypoint_only\" \"on\"}\r\n\t\t\t\t\t}\r\n\t\t\t\t}\r\n");
    ASSERT_TRUE(form.Apply());
    const std::filesystem::path path = dir.path() / "saved.mi";
    ASSERT_TRUE(doc->OnSaveDocument(path.string()));
    auto saved = Reopen(path);
    ASSERT_TRUE(saved);
    CWaypointForm again;
    again.Read(*saved, *Waypoint(*saved, "1"));
    ASSERT_EQ(again.Commands().size(), 1u);
    EXPECT_EQ(again.Commands()[0].actions[0].value, "\"on\"");
    EXPECT_EQ(again.next, "2");
}

TEST_F(WaypointFormTest, CancelTakesBackOnlyTheCurrentVisitAndAnEmptyListRemovesTheBlock) {
    CDefNode* wp = Waypoint(*doc, "2");
    const std::string block = WriteToText(wp->FindChild("commands"));
    CWaypointForm form;
    form.Read(*doc, *wp);
    form.BeginCommands();
    ASSERT_EQ(form.AddCommand(Command("wait"), 0, 0, "5"), "");
    form.BeginCommands(); // the first visit was confirmed; a second one opens
    ASSERT_EQ(form.AddCommand(Command("air_state"), 0, 0, "300"), "");
    form.CancelCommands();
    ASSERT_EQ(form.Commands().size(), 3u);
    EXPECT_EQ(form.Commands()[2].command, Command("wait"));
    EXPECT_EQ(WriteToText(wp->FindChild("commands")), block); // nothing written yet

    // Refused values leave no record behind.
    EXPECT_NE(form.AddCommand(Command("camera"), 0, 0, "a\"b"), "");
    EXPECT_EQ(form.Commands().size(), 3u);
    form.next = "x2";
    EXPECT_FALSE(form.Check().empty());
    EXPECT_FALSE(form.Apply());
    EXPECT_EQ(doc->UndoSteps(), 0u);

    // A waypoint whose commands were all taken away loses its block.
    CDefNode* last = Waypoint(*doc, "3");
    last->AddChild("commands");
    CWaypointForm empty;
    empty.Read(*doc, *last);
    ASSERT_TRUE(empty.Apply());
    EXPECT_EQ(last->FindChild("commands"), nullptr);
}

TEST_F(WaypointFormTest, ZonesAreRenamedResizedAndMovedInOneStep) {
    ZoneRecord& circle = *doc->Zones()[0];
    ZoneRecord& poly = *doc->Zones()[1];
    ZoneForm form = ReadZoneForm(circle);
    EXPECT_EQ(form.name, "bridge");
    EXPECT_EQ(form.radius, 25.0f);

    const DocumentState before = StateOf(*doc);
    form.name = "ford";
    form.radius = 30;
    form.centreX = 5;
    ASSERT_TRUE(ApplyZoneForm(*doc, circle, form));
    EXPECT_STREQ(circle.node->FindValue("Name"), "\"ford\"");
    EXPECT_STREQ(circle.node->FindValue("Radius"), "30.000000");
    EXPECT_STREQ(circle.node->FindValue("position"), "5.000000");
    EXPECT_EQ(circle.name, "\"ford\"");
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(StateOf(*doc), before);

    ZoneForm village = ReadZoneForm(poly);
    EXPECT_EQ(village.centreX, -40.0f);
    EXPECT_EQ(village.width, 60.0f);
    village.name = "\"village\""; // typed with its quotes: stored as it is
    village.centreX = -30;
    village.centreY = 50;
    ASSERT_TRUE(ApplyZoneForm(*doc, poly, village));
    EXPECT_STREQ(poly.node->FindValue("Name"), "\"village\"");
    EXPECT_STREQ(poly.node->FindChild("Point")->GetValue(0), "-60.000000");
    EXPECT_STREQ(poly.node->FindChild("Point")->GetValue(1), "20.000000");
    EXPECT_EQ(poly.corners[3].y, 80.0f);
}

TEST_F(WaypointFormTest, ZoneAndTriggerNamesTheMissionCouldNotReadAreRefused) {
    ZoneRecord& zone = *doc->Zones()[0];
    ZoneForm form = ReadZoneForm(zone);
    form.name = "";
    EXPECT_EQ(CheckZoneForm(form), kZoneNeedsName);
    form.name = "\"\"";
    EXPECT_EQ(CheckZoneForm(form), kZoneNeedsName);
    for (const char* bad : {"a\"b", "\"open", "\""}) {
        form.name = bad;
        EXPECT_FALSE(CheckZoneForm(form).empty()) << bad;
        EXPECT_FALSE(ApplyZoneForm(*doc, zone, form)) << bad;
    }
    form.name = "ok";
    form.radius = -1;
    EXPECT_FALSE(ApplyZoneForm(*doc, zone, form));
    EXPECT_EQ(ZoneStoredName("bridge"), "\"bridge\"");

    TriggerRecord& trigger = *doc->Triggers()[1];
    EXPECT_EQ(TriggerDisplayName(trigger, *trigger.node), "reinforcements");
    EXPECT_FALSE(ApplyTriggerName(*doc, trigger, "re\"inf"));
    EXPECT_EQ(doc->UndoSteps(), 0u);
    const DocumentState before = StateOf(*doc);
    ASSERT_TRUE(ApplyTriggerName(*doc, trigger, "second wave"));
    EXPECT_STREQ(trigger.node->GetValue(0), "\"second wave\"");
    EXPECT_EQ(trigger.name, "\"second wave\"");
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(StateOf(*doc), before);
}

} // namespace
