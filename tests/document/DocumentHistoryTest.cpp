// Every edit of a document is one named step that undo takes back exactly
// (the same text, tables and records) and redo puts back exactly.

#include "HistoryTestSupport.h"

#include "document/EntityProps.h"
#include "document/EntryEdit.h"
#include "document/EnvironmentPresets.h"

#include <gtest/gtest.h>

#include <functional>

using namespace doc_testing;
using document::CVarnholtMapEditorDoc;

namespace {

const char* kMission = R"({mission
	{Environment "day"}
	{Entity "pz-4d" 0x8000 {Position 1 2 0} {Turn 0.5} {MID 5} {Player 1}}
	{Entity "schuetze" 0x8001 {Position 3 4 0} {MID 6} {Player 1}}
	{Entity "opel_blitz" 0x8002 {Position 5 6 0} {MID 7} {Player 1}}
	{Entity "train_a" 0x8003 {Position 7 8 0} {MID 8}}
	{Entity "train_b" 0x8004 {Position 9 8 0} {MID 9}}
	{Link 0x8001 To 0x8000 "gunner"}
	{Brain 0x8000 {Waypoint 1}}
	{Helpers
		{event "start" id 12 state 1}
		{trigger "go" {actions
			{"actor_to_waypoint" {"selector" {"actors/mids" "5"}} {"waypoint/uid" "1"}}}}
		{zone "circle" {position 1 2 3} {Name "ford"} {Radius 25}}
		{camerapath "c4" {Event 12} {Key 0 1 2 3 4 5 6 7 0 0 1} {Key 100 1 2 3 4 5 6 7 0 0 1}}
		{waypoints {1 {Position 0 0 0}} {2 {Position 5 5 0}}}
	}
}
)";

CDefNode* EntityWithId(CVarnholtMapEditorDoc& doc, const char* id) {
    for (CDefNode* c : doc.WorkingRoot()->Children())
        if (c->Name() == "Entity" && c->GetValue(1) && std::string(c->GetValue(1)) == id) return c;
    return nullptr;
}

struct Operation {
    const char* name;
    std::function<bool(CVarnholtMapEditorDoc&, DocFixture&)> run;
    // Brings the document to where the edit starts (not part of the edit).
    std::function<void(CVarnholtMapEditorDoc&, DocFixture&)> prepare = {};
};

std::ostream& operator<<(std::ostream& out, const Operation& op) {
    return out << op.name;
}

const Operation kOperations[] = {
    {"PlaceEntity",
     [](CVarnholtMapEditorDoc& doc, DocFixture&) {
         document::NewEntity e;
         e.node = std::make_unique<CDefNode>("Entity", "m4a2");
         e.node->AddChildFloat("Turn", 0.0);
         e.category = 0;
         return doc.AddEntity(e) != nullptr;
     }},
    {"DeleteUnitWithBrainLinkAndOrders",
     [](CVarnholtMapEditorDoc& doc, DocFixture&) {
         return doc.DeleteElement(EntityWithId(doc, "0x8000"));
     }},
    {"DeleteInnerNode",
     [](CVarnholtMapEditorDoc& doc, DocFixture&) {
         return doc.DeleteNode(EntityWithId(doc, "0x8002")->FindChild("Position"));
     }},
    {"DeleteWholeHelpers",
     [](CVarnholtMapEditorDoc& doc, DocFixture&) { return doc.DeleteElement(doc.Helpers()); }},
    {"DeleteWaypointAndItsTrigger",
     [](CVarnholtMapEditorDoc& doc, DocFixture& f) {
         f.prompts.answers = {true};
         return doc.DeleteWaypoint(doc.Helpers()->FindChild("waypoints")->Child(0));
     }},
    {"RemoveZone",
     [](CVarnholtMapEditorDoc& doc, DocFixture&) {
         doc.RemoveZone(doc.Zones()[0].get());
         return doc.Zones().empty();
     }},
    {"AddEvent",
     [](CVarnholtMapEditorDoc& doc, DocFixture&) { return doc.AddEvent("\"e\"") >= 0; }},
    {"InsertSection",
     [](CVarnholtMapEditorDoc& doc, DocFixture&) { return doc.InsertSection("Tags") != nullptr; }},
    {"PasteEntityBelowTheMission",
     [](CVarnholtMapEditorDoc& doc, DocFixture&) {
         auto node = std::make_unique<CDefNode>("Entity", "tiger");
         node->SetValue(1, "0x8100");
         node->AddChildUInt("MID", 40);
         return doc.InsertSubtree(doc.WorkingRoot(), 2, std::move(node), "Paste Entity") != nullptr;
     }},
    {"PasteAtTheTop",
     [](CVarnholtMapEditorDoc& doc, DocFixture&) {
         return doc.InsertSubtree(nullptr, 5, std::make_unique<CDefNode>("extra"), "Paste") !=
                nullptr;
     }},
    {"EditEntryWithNestedDeletion",
     [](CVarnholtMapEditorDoc& doc, DocFixture&) {
         CDefNode* tank = EntityWithId(doc, "0x8000");
         CDefNode copy;
         copy.CopyFrom(*tank);
         auto map = document::PairEntryCopy(*tank, copy);
         copy.SetValue(0, "\"pz-4h\"");
         copy.Child(0)->SetValue(0, "11");
         copy.RemoveChild(1); // Turn
         return document::WriteEntryCopy(&doc, *tank, copy, map);
     }},
    {"BoardVehicle",
     [](CVarnholtMapEditorDoc& doc, DocFixture&) {
         return document::BoardVehicle(doc, *EntityWithId(doc, "0x8001"),
                                       *EntityWithId(doc, "0x8002"), 2);
     }},
    {"CoupleTrainParts",
     [](CVarnholtMapEditorDoc& doc, DocFixture&) {
         return doc.CoupleTrainParts(*EntityWithId(doc, "0x8003"), *EntityWithId(doc, "0x8004"));
     }},
    {"EnvironmentWithSky",
     [](CVarnholtMapEditorDoc& doc, DocFixture&) {
         return document::ApplyEnvironment(doc, "night", true).done;
     }},
    {"MapBounds",
     [](CVarnholtMapEditorDoc& doc, DocFixture& f) {
         f.dialogs.bounds = [](document::BoundsDialogData& data) {
             data.world.left = -50;
             data.camera.right = 40;
             return true;
         };
         return doc.ReadBounds();
     },
     // The bounds the document knows are read from the map first (a
     // cancelled dialog reads them and changes nothing).
     [](CVarnholtMapEditorDoc& doc, DocFixture&) { doc.ReadBounds(); }},
    {"PlayerSide",
     [](CVarnholtMapEditorDoc& doc, DocFixture&) {
         doc.SetPlayerSide(2);
         return doc.PlayerSide() == 2;
     }},
    {"StoreZone",
     [](CVarnholtMapEditorDoc& doc, DocFixture&) {
         // The zone tool makes a zone and stores it as one step.
         CVarnholtMapEditorDoc::Edit edit(doc, "Add zone");
         auto zone = std::make_unique<document::ZoneRecord>();
         zone->name = "\"new\"";
         zone->radius = 10;
         document::ZoneRecord* record = doc.AddZoneRecord(std::move(zone));
         return doc.StoreZone(record) != nullptr;
     }},
    {"AddWaypointTrigger",
     [](CVarnholtMapEditorDoc& doc, DocFixture& f) {
         f.dialogs.trigger = [](document::TriggerRecord& record, CDefNode& node) {
             record.name = "\"named\"";
             node.SetValue(0, "\"named\"");
             return true;
         };
         return doc.AddWaypointTrigger(6, 2) != nullptr;
     }},
    {"UnitRecordApplied",
     [](CVarnholtMapEditorDoc& doc, DocFixture&) {
         CDefNode* tank = EntityWithId(doc, "0x8000");
         document::CUnitProps props;
         props.Read(*tank, doc);
         props.turn = 1.25;
         props.player = 2;
         document::ApplyRecord(doc, *tank, props, "Tank properties");
         return true;
     }},
};

class DocumentHistoryTest : public ::testing::TestWithParam<Operation>, protected DocFixture {};

TEST_P(DocumentHistoryTest, UndoPutsBackExactlyAndRedoDoesItAgain) {
    auto doc = OpenMission(kMission);
    ASSERT_TRUE(doc);
    ASSERT_FALSE(doc->IsModified());
    if (GetParam().prepare) GetParam().prepare(*doc, *this);
    ASSERT_FALSE(doc->CanUndo());
    const DocumentState before = StateOf(*doc);
    std::vector<CDefNode*> nodesBefore;
    for (CDefNode* c : doc->WorkingRoot()->Children())
        nodesBefore.push_back(c);

    ASSERT_TRUE(GetParam().run(*doc, *this));
    const DocumentState after = StateOf(*doc);
    ASSERT_NE(after, before) << "the operation changed nothing";
    ASSERT_EQ(doc->UndoSteps(), 1u) << "one operation, one step";
    EXPECT_FALSE(doc->UndoName().empty());
    EXPECT_TRUE(doc->IsModified());

    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(StateOf(*doc), before);
    EXPECT_FALSE(doc->IsModified());
    // The same node objects are back, in their places.
    std::vector<CDefNode*> nodesUndone;
    for (CDefNode* c : doc->WorkingRoot()->Children())
        nodesUndone.push_back(c);
    EXPECT_EQ(nodesUndone, nodesBefore);

    ASSERT_TRUE(doc->Redo());
    EXPECT_EQ(StateOf(*doc), after);
    EXPECT_TRUE(doc->IsModified());
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(StateOf(*doc), before);
}

INSTANTIATE_TEST_SUITE_P(EveryEdit, DocumentHistoryTest, ::testing::ValuesIn(kOperations),
                         [](const auto& info) { return std::string(info.param.name); });

class DocumentHistoryRulesTest : public ::testing::Test, protected DocFixture {};

TEST_F(DocumentHistoryRulesTest, APastedEntityKeepsItsIdAndNoPlacementReusesIt) {
    auto doc = OpenMission(kMission);
    ASSERT_TRUE(doc);
    auto pasted = std::make_unique<CDefNode>("Entity", "tiger");
    pasted->SetValue(1, "0x8005");
    pasted->AddChildUInt("MID", 10);
    ASSERT_TRUE(doc->InsertSubtree(doc->WorkingRoot(), 0, std::move(pasted), "Paste Entity"));
    EXPECT_TRUE(doc->IdInUse(0x8005));
    EXPECT_TRUE(doc->MidInUse(10));
    EXPECT_TRUE(prompts.messages.empty());

    document::NewEntity placed;
    placed.node = std::make_unique<CDefNode>("Entity", "m4a2");
    placed.category = 0;
    CDefNode* node = doc->AddEntity(placed);
    ASSERT_TRUE(node);
    EXPECT_STREQ(node->GetValue(1), "0x8006");
    // MIDs are handed out from 1; the pasted 10 is taken.
    EXPECT_STRNE(node->FindChild("MID")->GetValue(0), "10");

    // Pasting the same entity again clashes: reported as a load reports it.
    auto again = std::make_unique<CDefNode>("Entity", "tiger");
    again->SetValue(1, "0x8005");
    again->AddChildUInt("MID", 10);
    ASSERT_TRUE(doc->InsertSubtree(doc->WorkingRoot(), 0, std::move(again), "Paste Entity"));
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"Duplicate ID value '0x8005'",
                                                          "Duplicate MID value '10'"}));
}

TEST_F(DocumentHistoryRulesTest, TheSavedPointDecidesTheModifiedMark) {
    auto doc = OpenMission(kMission);
    ASSERT_TRUE(doc);
    doc->SetTitle("m.mi");
    ASSERT_TRUE(doc->AddEvent("\"a\"") >= 0);
    ASSERT_TRUE(doc->AddEvent("\"b\"") >= 0);
    EXPECT_EQ(doc->Title(), "m.mi *");
    ASSERT_TRUE(doc->OnSaveDocument((dir.path() / "m.mi").string()));
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(doc->Title(), "m.mi");

    ASSERT_TRUE(doc->Undo()); // back past the save
    EXPECT_TRUE(doc->IsModified());
    ASSERT_TRUE(doc->Redo()); // at the save again
    EXPECT_FALSE(doc->IsModified());
    ASSERT_TRUE(doc->AddEvent("\"c\"") >= 0);
    ASSERT_TRUE(doc->Undo());
    EXPECT_FALSE(doc->IsModified());

    // A new edit after undoing past the save makes the saved state unreachable.
    ASSERT_TRUE(doc->Undo());
    ASSERT_TRUE(doc->AddEvent("\"d\"") >= 0);
    EXPECT_FALSE(doc->CanRedo());
    ASSERT_TRUE(doc->Undo());
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(DocumentHistoryRulesTest, EditsWithOneMergeKeyBecomeOneStep) {
    auto doc = OpenMission(kMission);
    ASSERT_TRUE(doc);
    const DocumentState before = StateOf(*doc);
    CDefNode* position = EntityWithId(*doc, "0x8000")->FindChild("Position");
    for (int x = 2; x <= 6; ++x) {
        CVarnholtMapEditorDoc::Edit edit(*doc, "Move pz-4d", "drag");
        position->SetFloat(0, x);
    }
    EXPECT_EQ(doc->UndoSteps(), 1u);
    EXPECT_EQ(doc->UndoName(), "Move pz-4d");
    EXPECT_STREQ(position->GetValue(0), "6.000000");
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(StateOf(*doc), before);
    EXPECT_FALSE(doc->CanUndo());
}

TEST_F(DocumentHistoryRulesTest, NestedEditsJoinTheOutermostAndEmptyEditsLeaveNoStep) {
    auto doc = OpenMission(kMission);
    ASSERT_TRUE(doc);
    {
        CVarnholtMapEditorDoc::Edit outer(*doc, "Two things");
        doc->AddEvent("\"x\"");
        doc->DeleteElement(EntityWithId(*doc, "0x8004"));
    }
    EXPECT_EQ(doc->UndoSteps(), 1u);
    EXPECT_EQ(doc->UndoName(), "Two things");
    { CVarnholtMapEditorDoc::Edit nothing(*doc, "Nothing"); }
    EXPECT_EQ(doc->UndoSteps(), 1u);
}

TEST_F(DocumentHistoryRulesTest, AScratchTreeBuiltInsideAnEditLeavesNothingToReplay) {
    auto doc = OpenMission(kMission);
    ASSERT_TRUE(doc);
    const DocumentState before = StateOf(*doc);
    {
        CVarnholtMapEditorDoc::Edit edit(*doc, "Build aside");
        auto scratch = std::make_unique<CDefNode>("trigger", "t");
        CDefNode* actions = scratch->AddChild("actions");
        actions->AddChild("a");
        CDefNode* stored = doc->InsertSection("trigger");
        stored->AppendChild(scratch->DetachChild(0));
    } // scratch is destroyed inside the edit
    const DocumentState after = StateOf(*doc);
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(StateOf(*doc), before);
    ASSERT_TRUE(doc->Redo());
    EXPECT_EQ(StateOf(*doc), after);
}

TEST_F(DocumentHistoryRulesTest, LoadingForgetsTheHistoryAndRecordsExistFromTheStart) {
    auto doc = OpenMission(kMission);
    ASSERT_TRUE(doc);
    // The records are there without anyone scanning.
    EXPECT_EQ(doc->Events().size(), 1u);
    EXPECT_EQ(doc->Triggers().size(), 1u);
    EXPECT_EQ(doc->Zones().size(), 1u);
    EXPECT_EQ(doc->CameraPaths().size(), 1u);
    doc->AddEvent("\"x\"");
    ASSERT_TRUE(doc->CanUndo());
    ASSERT_TRUE(doc->OnOpenDocument((dir.path() / "m.mi").string()));
    EXPECT_FALSE(doc->CanUndo());
    EXPECT_FALSE(doc->IsModified());
}

// Tells what the views would be told, in order.
class RecordingObserver : public document::DocumentObserver {
  public:
    std::vector<std::string> seen;
    void OnDocumentChange(const document::DocumentChange& c) override {
        static const char* names[] = {"about-to-insert", "inserted", "about-to-remove",
                                      "removed",         "changed",  "records",
                                      "history",         "reset",    "destroyed"};
        seen.push_back(std::string(names[static_cast<int>(c.kind)]) +
                       (c.node ? " " + std::string(c.node->Name()) : std::string()));
    }
};

TEST_F(DocumentHistoryRulesTest, ViewsAreToldWhatChangedOnEveryRoute) {
    auto doc = OpenMission(kMission);
    ASSERT_TRUE(doc);
    RecordingObserver observer;
    doc->AddObserver(&observer);
    CDefNode* passenger = EntityWithId(*doc, "0x8001");
    ASSERT_TRUE(doc->DeleteElement(passenger));
    EXPECT_EQ(observer.seen,
              (std::vector<std::string>{"about-to-remove Link", "removed Link",
                                        "about-to-remove Entity", "removed Entity", "history"}));
    observer.seen.clear();
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(observer.seen,
              (std::vector<std::string>{"about-to-insert", "inserted Entity", "about-to-insert",
                                        "inserted Link", "history"}));
    observer.seen.clear();
    CDefNode* turn = EntityWithId(*doc, "0x8000")->FindChild("Turn");
    {
        CVarnholtMapEditorDoc::Edit edit(*doc, "Turn");
        turn->SetFloat(0, 1.0);
    }
    EXPECT_EQ(observer.seen, (std::vector<std::string>{"changed Turn", "history"}));
    doc->RemoveObserver(&observer);
}

} // namespace
