// The mission checks: a clean mission gives no finding, each planted fault
// exactly one, on the right node and at the line the writer puts that node;
// the demo game's missions pass against the real catalogue.

#include "DocTestSupport.h"

#include "document/MissionLint.h"
#include "resources/ResourceCatalogue.h"

#include <cstring>
#include <functional>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using document::LintFinding;
using document::LintMission;
using document::LintSeverity;
using namespace doc_testing;

// Everything refers to something that exists, inside the base map's
// WorldBound (-100 -100 100 100).
const std::string kCleanMission = R"(; made by hand
{mission
	{Camera {Position 0 0}}
	{Entity "m4a2" 0x8000 {Position 10 10 0} {MID 1} {Player 0}}
	{Entity "soldier_usa" 0x8001 {Position 12 10 0} {MID 2} {Player 0}}
	{Link 0x8001 To 0x8000 "driver"}
	{Link 0x8001 To 0x1 "seat1"}
	{Brain 0x8000 {HoldFire}}
	{Helpers
		{trigger "go" {actions {"actor_to_waypoint" {"selector" {"actors/mids" "1"}} {"waypoint/uid" "1"}}}}
		{waypoints
			{1 {Position 20 20 0} {transition 2}}
			{2 {Position 30 30 0} {commands {"emit" {"waypoint/uid" "1"}}}}
		}
		{zone "circle" {position 0 0 0} {Name "ford"} {Radius 10} {GlobalWP 2}}
		{zone "poly" {position 0 0 0} {Name "field"} {Point -10 -10} {Point 10 -10} {Point 10 100}}
	}
}
)";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string WrittenText(CVarnholtMapEditorDoc& doc) {
    format::StringSink sink;
    doc.Serialize(sink);
    return sink.text;
}

// The written line of a node begins with its indentation, "{" and its name.
void ExpectLineShowsNode(const std::vector<std::string>& lines, int line, const CDefNode* node) {
    ASSERT_GE(line, 1);
    ASSERT_LE(static_cast<size_t>(line), lines.size());
    const std::string expected =
        std::string(static_cast<size_t>(node->depth), '\t') + "{" + std::string(node->Name());
    EXPECT_EQ(lines[static_cast<size_t>(line) - 1].rfind(expected, 0), 0u)
        << "line " << line << ": " << lines[static_cast<size_t>(line) - 1] << "\nexpected "
        << expected;
}

class MissionLintTest : public ::testing::Test, public DocFixture {};

TEST_F(MissionLintTest, CleanMissionHasNoFindings) {
    auto doc = OpenMission(kCleanMission);
    ASSERT_TRUE(doc);
    EXPECT_TRUE(LintMission(*doc, nullptr).empty());
}

TEST_F(MissionLintTest, LineNumbersFollowTheWritersLayout) {
    auto doc = OpenMission(kCleanMission);
    ASSERT_TRUE(doc);
    // A comment before a nested block and a quoted value over two lines
    // move everything after them down.
    CDefNode* root = doc->WorkingRoot();
    root->FindChild("Brain")->SetLeadingComment("; the tank holds\r\n; its fire\r\n");
    root->FindChild("Camera")->SetValue(0, "\"two\r\nlines\"");
    const auto lines = document::WrittenLineNumbers(doc->Roots());
    const std::vector<std::string> text = Lines(WrittenText(*doc));
    // The base map is not written; the mission's comment comes first.
    EXPECT_FALSE(lines.count(doc->MapRoot()));
    EXPECT_EQ(lines.at(root), 3);
    size_t numbered = 0;
    std::vector<const CDefNode*> stack{root};
    while (!stack.empty()) {
        const CDefNode* node = stack.back();
        stack.pop_back();
        ++numbered;
        ExpectLineShowsNode(text, lines.at(node), node);
        for (const CDefNode* child : node->Children())
            stack.push_back(child);
    }
    EXPECT_EQ(numbered, lines.size());
}

// One planted fault: a change of the clean text or of the loaded nodes, and
// the one finding it must give.
struct PlantedFault {
    const char* label;
    const char* find; // replaced by replace in the clean text; nullptr: none
    const char* replace;
    std::function<void(CVarnholtMapEditorDoc&)> edit;
    LintSeverity severity;
    const char* message;
    const char* nodeName; // the name of the node the finding points at
};

std::ostream& operator<<(std::ostream& out, const PlantedFault& f) {
    return out << f.label;
}

class PlantedFaultTest : public ::testing::TestWithParam<PlantedFault>, public DocFixture {};

TEST_P(PlantedFaultTest, IsFoundOnceAtItsNode) {
    const PlantedFault& fault = GetParam();
    std::string text = kCleanMission;
    if (fault.find) {
        size_t at = text.find(fault.find);
        ASSERT_NE(at, std::string::npos) << fault.find;
        text.replace(at, std::strlen(fault.find), fault.replace);
    }
    auto doc = OpenMission(text);
    ASSERT_TRUE(doc);
    if (fault.edit) fault.edit(*doc);

    const std::vector<LintFinding> findings = LintMission(*doc, nullptr);
    std::string all;
    for (const LintFinding& f : findings)
        all += f.message + "\n";
    ASSERT_EQ(findings.size(), 1u) << all;
    const LintFinding& finding = findings.front();
    EXPECT_EQ(finding.severity, fault.severity);
    EXPECT_EQ(finding.message, fault.message);
    ASSERT_TRUE(finding.node);
    EXPECT_EQ(finding.node->Name(), fault.nodeName);
    ExpectLineShowsNode(Lines(WrittenText(*doc)), finding.line, finding.node);
}

constexpr const char* kLink = "\t{Link 0x8001 To 0x8000 \"driver\"}\n";
constexpr const char* kBrain = "\t{Brain 0x8000 {HoldFire}}\n";

INSTANTIATE_TEST_SUITE_P(
    MissionLint, PlantedFaultTest,
    ::testing::Values(
        PlantedFault{"DuplicateId", kLink,
                     "\t{Entity \"gmc\" 0x8000 {Position 0 0 0}}\n"
                     "\t{Link 0x8001 To 0x8000 \"driver\"}\n",
                     nullptr, LintSeverity::Error,
                     "Duplicate ID 0x8000: the entity on line 7 has it too.", "Entity"},
        PlantedFault{"IdOfTheBaseMap", kLink,
                     "\t{Entity \"gmc\" 0x2 {Position 0 0 0}}\n"
                     "\t{Link 0x8001 To 0x8000 \"driver\"}\n",
                     nullptr, LintSeverity::Error,
                     "Duplicate ID 0x2: an entity of the base map has it too.", "Entity"},
        PlantedFault{"DuplicateMid", "{MID 2}", "{MID 1}", nullptr, LintSeverity::Error,
                     "Duplicate MID 1 of Entity 0x8001 (\"soldier_usa\"): the entity on line 7 "
                     "has it too.",
                     "MID"},
        PlantedFault{"LinkToMissingVehicle", "To 0x8000", "To 0x8009", nullptr, LintSeverity::Error,
                     "Link names vehicle ID 0x8009, which no entity has.", "Link"},
        PlantedFault{"LinkWithoutPassenger", "{Link 0x8001 To 0x1", "{Link To To 0x1", nullptr,
                     LintSeverity::Error, "Link has no passenger ID: 'To' is not an entity ID.",
                     "Link"},
        PlantedFault{"BrainOfMissingUnit", kBrain, "\t{Brain 0x8007 {HoldFire}}\n", nullptr,
                     LintSeverity::Error, "Brain names unit ID 0x8007, which no entity has.",
                     "Brain"},
        PlantedFault{"TriggerToMissingMid", "\"actors/mids\" \"1\"", "\"actors/mids\" \"1 7\"",
                     nullptr, LintSeverity::Error, "Trigger \"go\" names MID 7, which no unit has.",
                     "\"actors/mids\""},
        PlantedFault{"TriggerToMissingWaypoint", "{\"waypoint/uid\" \"1\"}}}}",
                     "{\"waypoint/uid\" \"9\"}}}}", nullptr, LintSeverity::Error,
                     "Trigger \"go\" names waypoint 9, which does not exist.", "\"waypoint/uid\""},
        PlantedFault{"CommandToMissingWaypoint", "{\"emit\" {\"waypoint/uid\" \"1\"}}",
                     "{\"emit\" {\"waypoint/uid\" \"4\"}}", nullptr, LintSeverity::Error,
                     "Waypoint 2 names waypoint 4, which does not exist.", "\"waypoint/uid\""},
        PlantedFault{"TransitionToMissingWaypoint", "{transition 2}", "{transition 5}", nullptr,
                     LintSeverity::Error,
                     "Waypoint 1 leads on to waypoint 5, which does not exist.", "transition"},
        PlantedFault{
            "GlobalWaypointMissing", "{GlobalWP 2}", "{GlobalWP 8}", nullptr, LintSeverity::Warning,
            "Zone ford names waypoint 8 as its GlobalWP, which does not exist.", "GlobalWP"},
        PlantedFault{"EntityOutsideTheMap", "{Position 12 10 0}", "{Position 150.5 10 0}", nullptr,
                     LintSeverity::Warning,
                     "Entity 0x8001 (\"soldier_usa\") at (150.5, 10) lies outside the map "
                     "bounds (-100, -100, 100, 100).",
                     "Entity"},
        PlantedFault{"WaypointOutsideTheMap", "{Position 30 30 0}", "{Position 30 -101 0}", nullptr,
                     LintSeverity::Warning,
                     "Waypoint 2 at (30, -101) lies outside the map bounds (-100, -100, 100, "
                     "100).",
                     "2"},
        PlantedFault{"ZoneCornerOutsideTheMap", "{Point 10 100}", "{Point 10 120}", nullptr,
                     LintSeverity::Warning,
                     "Zone field: a corner at (10, 120) lies outside the map bounds (-100, -100, "
                     "100, 100).",
                     "Point"},
        PlantedFault{"ValueThatWouldNotReadBack", nullptr, nullptr,
                     [](CVarnholtMapEditorDoc& doc) {
                         doc.WorkingRoot()->FindChild("Brain")->SetValue(1, "two words");
                     },
                     LintSeverity::Error,
                     "The value 'two words' cannot be stored in the file: the character ' ' "
                     "(space) is not allowed there. Use a single word or number, or put the "
                     "text in double quotes.",
                     "Brain"}),
    [](const ::testing::TestParamInfo<PlantedFault>& info) { return info.param.label; });

TEST_F(MissionLintTest, MapWithoutWorldBoundIsAnError) {
    auto doc = OpenMap("{map\n\t{Entity \"house_small\" 0x1 {Position 500 0 0}}\n}\n");
    ASSERT_TRUE(doc);
    const std::vector<LintFinding> findings = LintMission(*doc, nullptr);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].line, 1);
    EXPECT_EQ(findings[0].message, "The map has no WorldBound.");
}

// The demo game's missions against its own catalogue.
class DemoMissionLintTest : public ::testing::Test, public DocFixture {
  protected:
    void SetUp() override {
        fs::path game = VM_DEMO_GAME;
        if (!fs::exists(game / "game.pak")) GTEST_SKIP() << "demo game not built: " << game;
        m_catalogue.SetGamePath(game.string());
        m_catalogue.SetResourceDir((dir.path() / "res").string());
        ASSERT_TRUE(m_catalogue.LoadResources());
    }

    std::unique_ptr<CVarnholtMapEditorDoc> OpenDemoMission(const std::string& name) {
        auto services = Services();
        services.catalogue = &m_catalogue;
        dialogs.pakMember = "map/single/" + name + "/" + name + ".mi";
        auto doc = std::make_unique<CVarnholtMapEditorDoc>(services);
        if (!doc->OnOpenDocument((fs::path(VM_DEMO_GAME) / "game.pak").string())) return nullptr;
        return doc;
    }

    resources::CResourceCatalogue m_catalogue{nullptr, nullptr, nullptr};
};

TEST_F(DemoMissionLintTest, DemoMissionsAreClean) {
    for (const char* name : {"crossroads", "river", "night_raid"}) {
        auto doc = OpenDemoMission(name);
        ASSERT_TRUE(doc) << name;
        for (const LintFinding& f : LintMission(*doc, &m_catalogue))
            ADD_FAILURE() << name << ":" << f.line << ": " << f.message;
    }
}

TEST_F(DemoMissionLintTest, UnknownEntityTypeIsAWarningOnlyWithACatalogue) {
    auto doc = OpenDemoMission("crossroads");
    ASSERT_TRUE(doc);
    CDefNode* entity = doc->InsertSection("Entity");
    entity->SetValue(0, "\"nonesuch:winter\"");
    entity->SetValue(1, "0x8100");
    entity->AddChildVector("Position", {0, 0, 0});
    const std::vector<LintFinding> findings = LintMission(*doc, &m_catalogue);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].node, entity);
    EXPECT_EQ(findings[0].severity, LintSeverity::Warning);
    EXPECT_EQ(findings[0].message, "Entity 0x8100 (\"nonesuch:winter\") has the type nonesuch, "
                                   "which the entity catalogue does not know.");
    EXPECT_TRUE(LintMission(*doc, nullptr).empty());
}

} // namespace
