#include "DocTestSupport.h"

#include "document/EntityProps.h"

#include <gtest/gtest.h>

using document::NewEntity;
using namespace doc_testing;

namespace {

NewEntity Entity(const char* type, int category, bool unit = true) {
    NewEntity e;
    e.node = std::make_unique<CDefNode>("Entity", type);
    e.node->AddChildFloat("Turn", 0.0);
    e.node->isUnit = unit;
    e.category = category;
    return e;
}

class DocumentModelTest : public ::testing::Test, protected DocFixture {};

TEST_F(DocumentModelTest, NewSectionsFollowTheMissionSectionOrder) {
    auto doc = OpenMission("{mission {Environment \"day\"} {User 1}}");
    ASSERT_TRUE(doc);
    for (const char* name :
         {"MissionMusic", "Players", "Covers", "Tags", "Brain", "Link", "Camera"})
        ASSERT_TRUE(doc->InsertSection(name));
    ASSERT_TRUE(doc->InsertSection("event"));
    EXPECT_EQ(ChildNames(doc->WorkingRoot()),
              "Camera Environment User Link Brain Tags Helpers Covers Players MissionMusic");

    // The first entity goes before the links; later ones after the first entity.
    NewEntity a = Entity("m4a2", 0), b = Entity("oak", 17, false), c = Entity("t34", 0);
    CDefNode* first = doc->AddEntity(a);
    CDefNode* second = doc->AddEntity(b);
    CDefNode* third = doc->AddEntity(c);
    EXPECT_EQ(ChildNames(doc->WorkingRoot()), "Camera Environment User Entity Entity Entity Link "
                                              "Brain Tags Helpers Covers Players MissionMusic");
    EXPECT_EQ(doc->WorkingRoot()->Child(3), first);
    EXPECT_EQ(doc->WorkingRoot()->Child(4), third);
    EXPECT_EQ(doc->WorkingRoot()->Child(5), second);
    EXPECT_EQ(third->depth, 1);
    EXPECT_EQ(third->Child(0)->depth, 2);
}

TEST_F(DocumentModelTest, EntitySectionGoesBeforeTagsOrIsAppended) {
    auto doc = OpenMission("{mission {Camera} {Tags}}");
    ASSERT_TRUE(doc);
    doc->InsertSection("Entity");
    EXPECT_EQ(ChildNames(doc->WorkingRoot()), "Camera Entity Tags");
    auto bare = OpenMission("{mission {Camera}}", "bare");
    ASSERT_TRUE(bare);
    bare->InsertSection("Entity");
    EXPECT_EQ(ChildNames(bare->WorkingRoot()), "Camera Entity");
}

TEST_F(DocumentModelTest, HelperKindsKeepTheirOrderInsideHelpers) {
    auto doc = OpenMission("{mission {Tags} {Covers} {Players}}");
    ASSERT_TRUE(doc);
    doc->InsertSection("trigger");
    EXPECT_EQ(ChildNames(doc->WorkingRoot()), "Tags Helpers Covers Players");
    doc->InsertSection("camerapath");
    doc->InsertSection("zone");
    doc->InsertSection("waypoints");
    doc->InsertSection("event");
    doc->InsertSection("waypoints");
    doc->InsertSection("task");
    EXPECT_EQ(ChildNames(doc->Helpers()), "event trigger waypoints waypoints zone camerapath task");
    // A single waypoint lands in the first waypoints node, at depth 3.
    CDefNode* wp = doc->InsertSection("7", "waypoints");
    ASSERT_TRUE(wp);
    EXPECT_EQ(doc->Helpers()->Child(2)->Child(0), wp);
    EXPECT_EQ(wp->depth, 3);
}

TEST_F(DocumentModelTest, IdentifiersStartByKindAndAreReusedAfterDeletion) {
    auto doc = OpenMission("{mission}");
    ASSERT_TRUE(doc);
    NewEntity tank = Entity("m4a2", 0), tree = Entity("oak", 17),
              wreck = Entity("pz-4d_xx", 0, false);
    CDefNode* t = doc->AddEntity(tank);
    CDefNode* o = doc->AddEntity(tree);
    CDefNode* w = doc->AddEntity(wreck);
    EXPECT_STREQ(t->GetValue(1), "0x8000");
    EXPECT_STREQ(o->GetValue(1), "0x8001");
    EXPECT_STREQ(w->GetValue(1), "0x8002");
    EXPECT_STREQ(t->FindValue("MID"), "1");
    EXPECT_EQ(o->FindValue("MID"), nullptr); // not a unit category
    EXPECT_EQ(w->FindValue("MID"), nullptr); // a static wreck is no unit
    ASSERT_TRUE(doc->DeleteElement(t));
    NewEntity again = Entity("t34", 0);
    CDefNode* a = doc->AddEntity(again);
    EXPECT_STREQ(a->GetValue(1), "0x8000");
    EXPECT_STREQ(a->FindValue("MID"), "1");

    auto map = OpenMap(kBaseMap);
    ASSERT_TRUE(map);
    NewEntity house = Entity("house_small", 9);
    // 0x1 and 0x2 are taken by the map's own objects.
    EXPECT_STREQ(map->AddEntity(house)->GetValue(1), "0x3");
}

TEST_F(DocumentModelTest, ExhaustedEntityIdsGiveZero) {
    auto doc = OpenMission("{mission}");
    ASSERT_TRUE(doc);
    for (uint32_t id = 0x8000; id < 0x10000; ++id)
        ASSERT_NE(doc->AllocateId(), 0u);
    NewEntity e = Entity("m4a2", 0);
    EXPECT_STREQ(doc->AddEntity(e)->GetValue(1), "0x0");
}

const char* kMissionWithCrew = R"({mission
	{Entity "m4a2" 0x8000 {MID 5}}
	{Entity "soldier_usa" 0x8001 {MID 6}}
	{Entity "soldier_usa" 0x8002 {MID 7}}
	{Link 0x8001 "To" 0x8000 "driver"}
	{Link 0x8002 "To" 0x8000 "gunner"}
	{Brain 0x8000 {HoldPosition}}
	{Helpers
		{trigger "both" {actions
			{"actor_to_waypoint" {"selector" {"actors/mids" "5"}} {"waypoint/uid" "1"}}
			{"actor_to_waypoint" {"selector" {"actors/mids" "6"}} {"waypoint/uid" "2"}}}}
		{trigger "tank_only" {actions
			{"actor_to_waypoint" {"selector" {"actors/mids" "5"}} {"waypoint/uid" "1"}}}}
		{trigger "other" {condition "event" 1}}
		{waypoints {1 {Position 0 0 0}} {2 {Position 5 5 0}}}
	}
}
)";

TEST_F(DocumentModelTest, DeletingAUnitRemovesItsBrainLinksAndWaypointOrders) {
    auto doc = OpenMission(kMissionWithCrew);
    ASSERT_TRUE(doc);
    doc->ScanAll();
    ASSERT_EQ(doc->Triggers().size(), 3u);
    CDefNode* tank = doc->WorkingRoot()->Child(0);
    EXPECT_TRUE(doc->IdInUse(0x8000));
    ASSERT_TRUE(doc->DeleteElement(tank));

    EXPECT_EQ(ChildNames(doc->WorkingRoot()), "Entity Entity Helpers");
    EXPECT_FALSE(doc->IdInUse(0x8000));
    EXPECT_FALSE(doc->MidInUse(5));
    EXPECT_TRUE(doc->MidInUse(6));
    // "both" keeps the order of MID 6; "tank_only" lost its only action and went.
    EXPECT_EQ(ChildNames(doc->Helpers()), "trigger trigger waypoints");
    ASSERT_EQ(doc->Triggers().size(), 2u);
    EXPECT_EQ(doc->Triggers()[0]->name, "\"both\"");
    EXPECT_EQ(doc->Triggers()[1]->name, "\"other\"");
    CDefNode* actions = doc->Triggers()[0]->node->FindChild("actions");
    ASSERT_EQ(actions->ChildCount(), 1u);
    EXPECT_NE(actions->Find("\"actors/mids\"", "\"6\""), nullptr);
}

TEST_F(DocumentModelTest, DeletingAPassengerRemovesOnlyItsOwnLink) {
    auto doc = OpenMission(kMissionWithCrew);
    ASSERT_TRUE(doc);
    ASSERT_TRUE(doc->DeleteElement(doc->WorkingRoot()->Child(1)));
    EXPECT_EQ(ChildNames(doc->WorkingRoot()), "Entity Entity Link Brain Helpers");
    EXPECT_STREQ(doc->WorkingRoot()->FindChild("Link")->GetValue(0), "0x8002");
}

TEST_F(DocumentModelTest, NodesOutsideTheWorkingRootAreNotDeleted) {
    auto doc = OpenMission(kMissionWithCrew);
    ASSERT_TRUE(doc);
    CDefNode* mapObject = doc->MapRoot()->Child(4);
    EXPECT_FALSE(doc->DeleteElement(mapObject));
    EXPECT_FALSE(doc->DeleteNode(mapObject)); // locked base map
    EXPECT_EQ(doc->MapRoot()->ChildCount(), 6u);
    EXPECT_FALSE(doc->DeleteElement(doc->WorkingRoot()));
}

TEST_F(DocumentModelTest, DeletingHelpersOrPartsOfThemDropsTheirRecords) {
    auto doc = OpenMission(R"({mission {Helpers
		{event "a" id 3 state 0}
		{trigger "t" {x}}
		{zone "poly" {position 1 2 3} {Name "z"} {Point 0 0} {GlobalWP 2}}
		{camerapath "c4" {Key 0 1 2 3 4 5 6 7 0 0 1} {Key 100 1 2 3 4 5 6 7 0 0 1}}}})");
    ASSERT_TRUE(doc);
    doc->ScanAll();
    ASSERT_EQ(doc->Zones().size(), 1u);
    ASSERT_EQ(doc->CameraPaths()[0]->keys.size(), 2u);
    // Part of an element: the zone's global waypoint and one camera key.
    CDefNode* global = doc->Zones()[0]->globalWP;
    ASSERT_TRUE(doc->DeleteNode(global));
    EXPECT_EQ(doc->Zones()[0]->globalWP, nullptr);
    ASSERT_TRUE(doc->DeleteNode(doc->CameraPaths()[0]->keys[0]->node));
    EXPECT_EQ(doc->CameraPaths()[0]->keys.size(), 1u);
    EXPECT_EQ(doc->NextCameraPathId(), 0);

    // The whole Helpers node: nothing may keep pointing into it, and the ids come free.
    EXPECT_EQ(doc->EventIds()[3], 3);
    ASSERT_TRUE(doc->DeleteElement(doc->Helpers()));
    EXPECT_TRUE(doc->Zones().empty());
    EXPECT_TRUE(doc->Events().empty());
    EXPECT_TRUE(doc->Triggers().empty());
    EXPECT_TRUE(doc->CameraPaths().empty());
    EXPECT_EQ(doc->EventIds()[3], 0xFF);
    EXPECT_EQ(doc->CameraPathIds()[4], 0xFF);
}

TEST_F(DocumentModelTest, EventIdsFillGapsAndRunOutAt256) {
    auto doc = OpenMission(R"({mission {Covers} {Helpers {trigger "t"}
		{event "a" id 0 state 0} {event "b" id 1 state 0} {event "c" id 3 state 0}}})");
    ASSERT_TRUE(doc);
    doc->ScanEvents();
    EXPECT_EQ(doc->AddEvent("\"new\""), 2);
    // A new event goes before the first event.
    EXPECT_STREQ(doc->Helpers()->Child(1)->GetValue(0), "\"new\"");
    EXPECT_EQ(WriteToText(doc->Helpers()->Child(1)), "\t\t{event \"new\" id 2 state 0}\r\n");
    EXPECT_EQ(doc->Events().back()->name, "new");
    EXPECT_EQ(host.messages.back(), static_cast<int>(document::AppMessage::HelpersChanged));
    // 255 cannot be told from a free entry, so 254 is the last id.
    for (int i = 4; i < 255; ++i)
        ASSERT_EQ(doc->AddEvent("\"e\""), i);
    size_t before = doc->Helpers()->ChildCount();
    EXPECT_EQ(doc->AddEvent("\"full\""), -1);
    EXPECT_EQ(doc->Helpers()->ChildCount(), before + 1);
    // Deleting an event gives its id back.
    ASSERT_TRUE(doc->DeleteElement(doc->Events()[1]->node));
    EXPECT_EQ(doc->NextEventId(), 1);
}

TEST_F(DocumentModelTest, DeletingAWaypointAsksAboutEachLinkedTrigger) {
    auto doc = OpenMission(kMissionWithCrew);
    ASSERT_TRUE(doc);
    doc->ScanAll();
    CDefNode* waypoints = doc->Helpers()->FindChild("waypoints");
    prompts.answers = {true, false};
    ASSERT_TRUE(doc->DeleteWaypoint(waypoints->Child(0)));
    ASSERT_EQ(prompts.questions.size(), 2u);
    EXPECT_EQ(prompts.questions[0], "The trigger \"both\" is linked with this waypoint. Keeping "
                                    "the trigger unchanged may lead to a game "
                                    "crash.\nDelete this trigger too?");
    EXPECT_EQ(ChildNames(doc->Helpers()), "trigger trigger waypoints");
    EXPECT_EQ(doc->Triggers().size(), 2u);
    EXPECT_EQ(doc->Triggers()[0]->name, "\"tank_only\"");
    EXPECT_EQ(ChildNames(waypoints), "2");
    EXPECT_TRUE(doc->IsModified());

    auto map = OpenMap(kBaseMap);
    EXPECT_FALSE(map->DeleteWaypoint(map->MapRoot()->Child(4)));
    EXPECT_EQ(map->MapRoot()->ChildCount(), 6u);
}

TEST_F(DocumentModelTest, WaypointTriggerIsStoredOnlyWhenTheDialogSaysOk) {
    auto doc = OpenMission("{mission {Helpers {event \"e\" id 0 state 0} {zone \"circle\"}}}");
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->AddWaypointTrigger(5, 3), nullptr);
    EXPECT_EQ(doc->Helpers()->ChildCount(), 2u);
    dialogs.trigger = [](document::TriggerRecord& record, CDefNode& node) {
        EXPECT_EQ(record.name, "name_here");
        node.SetValue(0, "\"go\"");
        return true;
    };
    CDefNode* stored = doc->AddWaypointTrigger(5, 3);
    ASSERT_TRUE(stored);
    EXPECT_EQ(ChildNames(doc->Helpers()), "event trigger zone");
    EXPECT_EQ(WriteToText(stored),
              "\t\t{trigger \"go\"\r\n\t\t\t{actions\r\n\t\t\t\t{\"actor_to_waypoint\"\r\n"
              "\t\t\t\t\t{\"selector\"\r\n\t\t\t\t\t\t{\"actors/mids\" \"5\"}\r\n\t\t\t\t\t}\r\n"
              "\t\t\t\t\t{\"waypoint/uid\" \"3\"}\r\n\t\t\t\t}\r\n\t\t\t}\r\n\t\t}\r\n");
    ASSERT_EQ(doc->Triggers().size(), 1u);
    EXPECT_EQ(doc->Triggers()[0]->node, stored);
}

TEST_F(DocumentModelTest, ZonesAreStoredAndRemovedWithTheirNodes) {
    auto doc = OpenMission("{mission {Helpers {event \"e\"} {camerapath \"c0\"}}}");
    ASSERT_TRUE(doc);
    auto zone = std::make_unique<document::ZoneRecord>();
    zone->name = "\"ford\"";
    zone->x = 1;
    zone->y = 2;
    zone->radius = 30;
    document::ZoneRecord* kept = doc->AddZoneRecord(std::move(zone));
    CDefNode* node = doc->StoreZone(kept);
    ASSERT_TRUE(node);
    EXPECT_EQ(ChildNames(doc->Helpers()), "event zone camerapath");
    EXPECT_EQ(WriteToText(node),
              "\t\t{zone \"circle\"\r\n\t\t\t{position 1.000000 2.000000 0.000000}\r\n"
              "\t\t\t{Name \"ford\"}\r\n\t\t\t{Radius 30.000000}\r\n\t\t}\r\n");
    doc->RemoveZone(kept);
    EXPECT_TRUE(doc->Zones().empty());
    EXPECT_EQ(ChildNames(doc->Helpers()), "event camerapath");
}

TEST_F(DocumentModelTest, ModifiedMarkFollowsTheFlag) {
    CVarnholtMapEditorDoc doc(Services());
    doc.SetTitle("m.mi");
    doc.SetModifiedFlag(true);
    doc.SetModifiedFlag(true);
    EXPECT_EQ(doc.Title(), "m.mi *");
    doc.SetModifiedFlag(false);
    EXPECT_EQ(doc.Title(), "m.mi");
}

TEST_F(DocumentModelTest, OperationsWithoutAWorkingRootChangeNothing) {
    CVarnholtMapEditorDoc doc(Services());
    NewEntity e = Entity("m4a2", 0);
    EXPECT_EQ(doc.AddEntity(e), nullptr);
    EXPECT_TRUE(e.node);
    EXPECT_EQ(doc.InsertSection("Brain"), nullptr);
    EXPECT_EQ(doc.AddEvent("\"e\""), -1);
    EXPECT_FALSE(doc.DeleteElement(e.node.get()));
}

} // namespace

namespace {

class DocumentBoundsTest : public ::testing::Test, protected DocFixture {};

TEST_F(DocumentBoundsTest, MissingWorldBoundIsReportedWithoutADialog) {
    auto doc = OpenMap("{map {Entity \"120_3m\" 0x0 {Position 0 0 0}}}");
    ASSERT_TRUE(doc);
    int shown = 0;
    dialogs.bounds = [&](document::BoundsDialogData&) { return ++shown, true; };
    EXPECT_FALSE(doc->ReadBounds());
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(prompts.messages, std::vector<std::string>{"Could not determine 'WorldBound'"});
}

TEST_F(DocumentBoundsTest, EditedBoundsGoBackInWorldCoordinates) {
    auto doc =
        OpenMap("{map {WorldBound -100 -100 100 100} {Entity \"120_3m\" 0x0 {Position 0 0 0}}}");
    ASSERT_TRUE(doc);
    doc->Extent().picture = {-200, -200, 0, 200, 200, 0};
    doc->Extent().offsetX = 50;
    doc->Extent().offsetY = 20;
    document::BoundsDialogData seen;
    dialogs.bounds = [&](document::BoundsDialogData& data) {
        seen = data;
        data.camera = {-10 + 50, -10 + 20, 10 + 50, 10 + 20};
        return true;
    };
    ASSERT_TRUE(doc->ReadBounds());
    // Missing camera and passable bounds start as the world bound.
    EXPECT_EQ(seen.world, (document::BoundsRect{-50, -80, 150, 120}));
    EXPECT_EQ(seen.pather, seen.world);
    EXPECT_EQ(ChildNames(doc->MapRoot()), "WorldBound CameraBound PatherBound Entity");
    EXPECT_EQ(
        doc->MapRoot()->Child(1)->Values(),
        (std::vector<std::string_view>{"-10.000000", "-10.000000", "10.000000", "10.000000"}));
    EXPECT_EQ(
        doc->MapRoot()->Child(0)->Values(),
        (std::vector<std::string_view>{"-100.000000", "-100.000000", "100.000000", "100.000000"}));
    EXPECT_EQ(host.hints, std::vector<int>{12});
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(DocumentBoundsTest, FitNewMapAddsMissingBoundsAndCentresANewGround) {
    auto doc = OpenMap("{map {Entity \"$createmap$\" 0x0 {Position 0 0 0}}}");
    ASSERT_TRUE(doc);
    doc->Extent().ground = {0, 0, 0, 400, 600, 10};
    doc->Extent().offsetX = 200;
    doc->Extent().offsetY = 300;
    EXPECT_TRUE(doc->FitNewMap());
    EXPECT_EQ(ChildNames(doc->MapRoot()), "WorldBound CameraBound PatherBound Entity");
    EXPECT_EQ(
        doc->MapRoot()->Child(2)->Values(),
        (std::vector<std::string_view>{"-200.000000", "-300.000000", "200.000000", "300.000000"}));
    EXPECT_EQ(doc->MapRoot()->Child(3)->Child(0)->Values(),
              (std::vector<std::string_view>{"-200.000000", "-300.000000", "0.000000"}));
    // Bounds that exist are kept; a ground already placed stays where it is.
    EXPECT_FALSE(doc->FitNewMap());
    EXPECT_STREQ(doc->MapRoot()->Child(3)->Child(0)->GetValue(0), "-200.000000");

    auto mission = OpenMission("{mission}");
    EXPECT_FALSE(mission->FitNewMap());
}

} // namespace
