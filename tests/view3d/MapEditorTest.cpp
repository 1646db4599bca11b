// The 3D view's editing tools without a window, on the recording device and
// the demo missions: picking the nearer element, dragging, placing, laying
// and deleting waypoints, boarding, coupling, zones and camera paths. Every
// edit is one step whose undo gives the mission's bytes back.

#include "view3d/MapEditor.h"
#include "document/DocumentHost.h"
#include "document/PropertyForms.h"
#include "document/VarnholtMapEditorDoc.h"
#include "format/DefNode.h"
#include "format/DefParser.h"
#include "pak/PakArchive.h"
#include "resources/ResourceCatalogue.h"
#include "support/TestSupport.h"
#include "view3d/DemoSceneSupport.h"
#include "view3d/MapScene.h"
#include "view3d/ModelCache.h"
#include "view3d/RecordingDevice.h"
#include "view3d/SceneEntity.h"
#include "view3d/SceneObject.h"
#include "view3d/ZoneObject.h"

#include <gtest/gtest.h>

#include <glm/mat4x4.hpp>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace view3d;
using document::AppMessage;

namespace {

struct RecordedMessage {
    AppMessage message;
    intptr_t first, second;
};

class RecordingRelay : public document::MessageRelay {
  public:
    void Relay(AppMessage message, intptr_t first, intptr_t second) override {
        messages.push_back({message, first, second});
    }
    size_t Count(AppMessage message, intptr_t first) const {
        size_t n = 0;
        for (const RecordedMessage& m : messages)
            n += m.message == message && m.first == first;
        return n;
    }
    std::vector<RecordedMessage> messages;
};

// Dialogs answered as a designer would: the crew seat is the driver's, a
// new zone is named "Ambush".
class ScriptedDialogs : public EditDialogs {
  public:
    void Beep() override { ++beeps; }
    bool BoardVehicle(CVarnholtMapEditorDoc& doc, CDefNode& passenger,
                      const CDefNode& vehicle) override {
        ++boardings;
        return document::AddCrewMember(doc, passenger, vehicle, 0);
    }
    std::optional<document::ZoneForm> NewZone(const document::ZoneRecord& draft) override {
        ++zoneDialogs;
        if (!acceptZone) return std::nullopt;
        document::ZoneForm form = document::ReadZoneForm(draft);
        form.name = "Ambush";
        return form;
    }
    int beeps = 0, boardings = 0, zoneDialogs = 0;
    bool acceptZone = true;
};

class ScriptedDocumentDialogs : public document::DocumentDialogs {
  public:
    bool EditTrigger(document::TriggerRecord&, CDefNode&) override {
        ++triggers;
        return true;
    }
    int triggers = 0;
    std::optional<document::CameraPathStart>
    ChooseCameraPathStart(const std::vector<std::string>&) override {
        return document::CameraPathStart{};
    }
};

std::string Text(CVarnholtMapEditorDoc& doc) {
    format::StringSink sink;
    doc.Serialize(sink);
    return sink.text;
}

} // namespace

class MapEditorTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (scene_test::DemoGame* game = scene_test::LoadDemoGame()) {
            s_res = game->Resources();
            s_catalogue = game->catalogue.get();
            s_models = game->models.get();
        }
    }
    void SetUp() override {
        if (!s_catalogue) GTEST_SKIP() << "demo game not generated";
        document::DocumentServices services;
        services.prompts = &prompts;
        services.catalogue = s_catalogue;
        services.dialogs = &documentDialogs;
        doc = std::make_unique<CVarnholtMapEditorDoc>(services);
        ASSERT_TRUE(doc->OnOpenDocument((s_res / "map/single/crossroads/crossroads.mi").string()));
        doc->ClearHistory();
        original = Text(*doc);
        scene = std::make_unique<MapScene>(
            *doc, MapScene::Services{s_catalogue, s_models, &prompts, nullptr, &relay});
        ASSERT_TRUE(scene->StartUp(window));
        ASSERT_TRUE(scene->SizeChanged(640, 480));
        editor().SetDialogs(&dialogs);
    }
    void TearDown() override {
        scene.reset();
        doc.reset();
    }

    MapEditor& editor() { return scene->Editor(); }

    // The window pixel where a point of the map is seen.
    PointerState ScreenOf(const glm::vec3& point, bool left = false) const {
        const Camera& camera = scene->GetCamera();
        const glm::vec4 clip = camera.ProjectionMatrix() * camera.ViewMatrix() *
                               camera.WorldMatrix() * glm::vec4(point, 1.0f);
        PointerState pointer;
        pointer.x = (clip.x / clip.w + 1.0f) * 0.5f * 640.0f;
        pointer.y = (1.0f - clip.y / clip.w) * 0.5f * 480.0f;
        pointer.left = left;
        return pointer;
    }
    static PointerState At(float x, float y, bool left = false) {
        PointerState pointer;
        pointer.x = x;
        pointer.y = y;
        pointer.left = left;
        return pointer;
    }
    // A mission element of the kind that the view shows and may edit.
    SceneEntity* Unit(int kind, const SceneEntity* besides = nullptr) {
        for (const auto& root : doc->Roots())
            for (CDefNode* child : root->Children())
                if (SceneEntity* e = scene->EntityOf(child);
                    e && e != besides && e->Kind() == kind && !child->locked)
                    return e;
        return nullptr;
    }
    // An element of the kind that a click where it stands selects (others
    // may stand in front of it).
    SceneEntity* Clickable(int kind, const SceneEntity* besides = nullptr) {
        for (const auto& root : doc->Roots())
            for (CDefNode* child : root->Children()) {
                SceneEntity* e = scene->EntityOf(child);
                if (!e || e == besides || e->Kind() != kind || child->locked) continue;
                scene->FocusOn(child);
                if (editor().PickAt(ScreenOf(e->RequestedPosition())) == e) return e;
            }
        return nullptr;
    }
    // A window point over bare ground.
    PointerState BareGround() {
        for (float y = 60; y < 440; y += 20)
            for (float x = 60; x < 600; x += 20)
                if (scene->UpdateGroundPoint(x, y) && !editor().PickAt(At(x, y))) return At(x, y);
        ADD_FAILURE() << "no bare ground in view";
        return At(320, 240);
    }
    // n window points over bare ground, 40 pixels apart in a row.
    std::vector<PointerState> BarePoints(int n) {
        for (float y = 60; y < 440; y += 20)
            for (float x = 60; x + 40.0f * float(n) < 600; x += 20) {
                std::vector<PointerState> points;
                for (int i = 0; i < n; ++i) {
                    const float px = x + 40.0f * float(i);
                    if (!scene->UpdateGroundPoint(px, y) || editor().PickAt(At(px, y))) break;
                    points.push_back(At(px, y));
                }
                if (static_cast<int>(points.size()) == n) return points;
            }
        ADD_FAILURE() << "no bare ground in view";
        return std::vector<PointerState>(size_t(n), At(320, 240));
    }
    // Clicks an element where it stands (after bringing it into view).
    void Click(SceneEntity& entity) {
        scene->FocusOn(entity.Node());
        const PointerState p = ScreenOf(entity.RequestedPosition(), true);
        editor().MouseMove(p);
        editor().LeftDown(p);
        editor().LeftUp(At(p.x, p.y));
    }
    void ExpectUndoGivesTheOriginalBytes() {
        while (doc->CanUndo())
            ASSERT_TRUE(doc->Undo());
        EXPECT_EQ(Text(*doc), original);
    }

    testing_support::RecordingPrompts prompts;
    ScriptedDocumentDialogs documentDialogs;
    RecordingRelay relay;
    scene_test::ScriptedWindow window;
    ScriptedDialogs dialogs;
    std::unique_ptr<CVarnholtMapEditorDoc> doc;
    std::unique_ptr<MapScene> scene;
    std::string original;
    static inline fs::path s_res;
    static inline resources::CResourceCatalogue* s_catalogue = nullptr;
    static inline CModelCache* s_models = nullptr;
};

TEST_F(MapEditorTest, AClickSelectsTheNearerOfTwoElementsOnOneRayWhateverTheirOrder) {
    SceneEntity* tank = Unit(KindTanks);
    SceneEntity* other = Unit(KindTanks, tank);
    ASSERT_TRUE(tank && other);
    const PointerState spot = BareGround();
    const glm::vec3 ground = *scene->UpdateGroundPoint(spot.x, spot.y);
    const glm::vec3 eye = scene->GetCamera().EyePoint();
    auto centreOf = [](SceneEntity* e) {
        const Box& box = e->Object()->GetBox();
        return (box.min + box.max) * 0.5f;
    };
    auto moveTo = [](SceneEntity* e, const glm::vec3& at) {
        const double p[3] = {at.x, at.y, at.z};
        e->Node()->SetDoubles("Position", p, 3);
    };
    for (int round = 0; round < 2; ++round) {
        SceneEntity* below = round == 0 ? tank : other;
        SceneEntity* above = round == 0 ? other : tank;
        // Both on bare ground, the second on the line of sight to the
        // first one's middle, a little nearer to the eye.
        const glm::vec3 aboveOffset = centreOf(above) - above->RequestedPosition();
        {
            CVarnholtMapEditorDoc::Edit edit(*doc, "Stack");
            moveTo(below, ground);
        }
        const glm::vec3 middle = centreOf(below);
        const glm::vec3 toEye = glm::normalize(eye - middle);
        {
            CVarnholtMapEditorDoc::Edit edit(*doc, "Stack");
            moveTo(above, middle + toEye * 25.0f - aboveOffset);
        }
        const PointerState pointer = ScreenOf(middle, true);
        editor().LeftDown(pointer);
        editor().LeftUp(At(pointer.x, pointer.y));
        EXPECT_EQ(editor().Selected(), above) << "round " << round;
        EXPECT_TRUE(above->Selected());
        EXPECT_EQ(relay.Count(AppMessage::ElementEdit, 4), size_t(round) + 1);
        editor().Cancel();
        ASSERT_TRUE(doc->Undo());
        ASSERT_TRUE(doc->Undo());
    }
    EXPECT_EQ(Text(*doc), original);
    // A click on nothing leaves nothing selected.
    editor().LeftDown(At(spot.x, spot.y, true));
    EXPECT_EQ(editor().Selected(), nullptr);
}

TEST_F(MapEditorTest, ADragIsOneStepThatFollowsTheGroundAndUndoPutsItBack) {
    SceneEntity* tank = Clickable(KindTanks);
    ASSERT_NE(tank, nullptr);
    const glm::vec3 start = tank->RequestedPosition();
    const PointerState press = ScreenOf(start, true);
    editor().MouseMove(press);
    editor().LeftDown(press);
    ASSERT_EQ(editor().Selected(), tank);
    // Moves within four pixels are no drag yet.
    editor().MouseMove(At(press.x + 3, press.y, true));
    EXPECT_FALSE(editor().Dragging());
    for (int step = 1; step <= 10; ++step)
        editor().MouseMove(At(press.x + 6.0f * step, press.y + 2.0f * step, true));
    EXPECT_TRUE(editor().Dragging());
    editor().LeftUp(At(press.x + 60, press.y + 20));
    EXPECT_FALSE(editor().Dragging());
    double p[3];
    ASSERT_TRUE(tank->Node()->ReadDoubles("Position", p, 3));
    EXPECT_GT(glm::length(glm::vec3(p[0], p[1], p[2]) - start), 5.0f);
    EXPECT_EQ(doc->UndoSteps(), 1u) << "one step however many moves";
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(Text(*doc), original);
    EXPECT_NEAR(glm::length(tank->RequestedPosition() - start), 0.0f, 0.01f)
        << "the view follows the undo";
    ASSERT_TRUE(doc->Redo());
    EXPECT_GT(glm::length(tank->RequestedPosition() - start), 5.0f);
}

TEST_F(MapEditorTest, HeightKeysNudgeAndLockedMapElementsNeitherMoveNorGoAway) {
    SceneEntity* tank = Clickable(KindTanks);
    ASSERT_NE(tank, nullptr);
    Click(*tank);
    const float z = tank->RequestedPosition().z;
    editor().KeyDown(EditKey::Up, At(0, 0));
    editor().KeyDown(EditKey::Up, At(0, 0));
    EXPECT_FLOAT_EQ(tank->RequestedPosition().z, z - 2.0f) << "up is towards smaller z";
    EXPECT_EQ(doc->UndoSteps(), 1u) << "presses in a row are one step";
    ExpectUndoGivesTheOriginalBytes();

    // An element of the base map is not even picked; deleting one that is
    // selected through the bars beeps.
    SceneEntity* locked = nullptr;
    for (CDefNode* child : doc->Roots()[0]->Children())
        if (SceneEntity* e = scene->EntityOf(child); e && e != scene->MapEntity()) locked = e;
    ASSERT_NE(locked, nullptr);
    editor().Reselect(locked);
    EXPECT_FALSE(editor().Delete());
    EXPECT_EQ(dialogs.beeps, 1);
    EXPECT_EQ(Text(*doc), original);
}

TEST_F(MapEditorTest, PlacingEachCategoryAddsOneElementAndUndoTakesItAway) {
    const size_t before = scene->EntityCount();
    int placed = 0;
    for (int category : {KindTanks, KindGuns, KindTransport, KindHumans, KindBuildings,
                         KindVegetation, KindFences, KindWeapons}) {
        const resources::CEntityEntry* type = nullptr;
        for (const auto& entry : s_catalogue->Entries())
            if (entry.category == category) {
                type = &entry;
                break;
            }
        if (!type) continue;
        SCOPED_TRACE(type->name);
        ASSERT_TRUE(editor().PlaceEntity(type->name));
        ASSERT_NE(editor().Placing(), nullptr);
        editor().MouseMove(At(300, 200));
        editor().LeftDown(At(300, 200, true));
        editor().LeftUp(At(300, 200));
        ++placed;
        EXPECT_EQ(editor().Placing(), nullptr);
        ASSERT_NE(editor().Selected(), nullptr);
        CDefNode* node = editor().Selected()->Node();
        EXPECT_EQ(node->GetValueUnquoted(0), type->name);
        EXPECT_TRUE(node->FindChild("Position"));
        EXPECT_EQ(relay.Count(AppMessage::ElementPlaced, editor().Selected()->Kind()) > 0, true);
        EXPECT_EQ(scene->EntityCount(), before + size_t(placed));
    }
    ASSERT_GE(placed, 4);
    EXPECT_EQ(doc->UndoSteps(), size_t(placed));
    ExpectUndoGivesTheOriginalBytes();
    EXPECT_EQ(scene->EntityCount(), before);
    EXPECT_EQ(editor().Selected(), nullptr) << "no selection of an element undone away";
}

TEST_F(MapEditorTest, PlacedElementsTakeTheTurnAndSideAndTheTurnDialTurnsTheSelection) {
    const resources::CEntityEntry* tankType = nullptr;
    // A tank that is a unit, not a static wreck ("_x").
    for (const auto& entry : s_catalogue->Entries())
        if (entry.category == KindTanks && entry.name.find("_x") == std::string::npos)
            tankType = &entry;
    ASSERT_NE(tankType, nullptr);
    editor().SetPlayerSide(2);
    editor().SetTurn(45.0);
    ASSERT_TRUE(editor().PlaceEntity(tankType->name));
    editor().MouseMove(At(320, 240));
    editor().LeftDown(At(320, 240, true));
    SceneEntity* tank = editor().Selected();
    ASSERT_NE(tank, nullptr);
    double turn = 0;
    ASSERT_TRUE(tank->Node()->FindChild("Turn")->GetFloat(0, turn));
    EXPECT_DOUBLE_EQ(turn, 45.0);
    EXPECT_STREQ(tank->Node()->FindValue("Player"), "2");
    editor().SetTurn(90.0);
    ASSERT_TRUE(tank->Node()->FindChild("Turn")->GetFloat(0, turn));
    EXPECT_DOUBLE_EQ(turn, 90.0);
    EXPECT_EQ(doc->UndoSteps(), 2u);
    ExpectUndoGivesTheOriginalBytes();
}

TEST_F(MapEditorTest, EquippedHumansAreFollowedByTheNextOneOfTheSameBreed) {
    if (s_catalogue->BreedMap().empty()) GTEST_SKIP() << "no breeds";
    const std::string breed = s_catalogue->BreedMap().begin()->first;
    std::unique_ptr<document::CHumanProps> record;
    document::NewEntity human = document::PlaceEquippedHuman(breed, *s_catalogue, record);
    ASSERT_TRUE(human.node);
    ASSERT_TRUE(editor().PlacePrepared(*human.node));
    editor().MouseMove(At(320, 240));
    editor().LeftDown(At(320, 240, true));
    ASSERT_EQ(relay.Count(AppMessage::ElementPlaced, KindHumans), 1u);
    const auto* placed = reinterpret_cast<const CDefNode*>(relay.messages.back().second);
    EXPECT_EQ(placed->GetValueUnquoted(0), human.node->GetValueUnquoted(0))
        << "the placed human keeps the type its breed wears";
    ASSERT_NE(scene->EntityOf(placed), nullptr);
    EXPECT_EQ(scene->EntityOf(placed)->Kind(), KindHumans);
    ASSERT_NE(editor().Placing(), nullptr) << "the next one follows the mouse";
    editor().Cancel();
    EXPECT_EQ(editor().Placing(), nullptr);
    EXPECT_EQ(doc->UndoSteps(), 1u);
}

TEST_F(MapEditorTest, ThreeClicksWithWLayAChainAndDeletingTheMiddleRelinksIt) {
    const unsigned long first = scene->NextWaypointNumber();
    editor().KeyDown(EditKey::W, At(0, 0));
    EXPECT_EQ(editor().Cursor(), CursorMode::Waypoint);
    const std::vector<PointerState> points = BarePoints(3);
    for (const PointerState& p : points) {
        editor().MouseMove(p);
        editor().KeyDown(EditKey::W, p);
        editor().LeftDown(At(p.x, p.y, true));
        editor().LeftUp(p);
    }
    editor().KeyUp(EditKey::W, points.back());
    EXPECT_EQ(doc->UndoSteps(), 3u);
    CDefNode* block = doc->Helpers()->FindChild("waypoints");
    ASSERT_NE(block, nullptr);
    auto named = [&](unsigned long n) { return block->FindChild(std::to_string(n)); };
    ASSERT_TRUE(named(first) && named(first + 1) && named(first + 2));
    EXPECT_EQ(std::string(named(first)->FindValue("transition")), std::to_string(first + 1));
    EXPECT_EQ(std::string(named(first + 1)->FindValue("transition")), std::to_string(first + 2));
    EXPECT_EQ(named(first + 2)->FindValue("transition"), nullptr);
    // The lines: the first two lead on, the last draws none.
    auto* link = dynamic_cast<LinkSceneEntity*>(scene->EntityOf(named(first)));
    ASSERT_NE(link, nullptr);
    EXPECT_NE(link->Target().z, kNoTarget);
    EXPECT_EQ(dynamic_cast<LinkSceneEntity*>(scene->EntityOf(named(first + 2)))->Target().z,
              kNoTarget);

    editor().Reselect(scene->EntityOf(named(first + 1)));
    ASSERT_TRUE(editor().Delete());
    EXPECT_EQ(named(first + 1), nullptr);
    EXPECT_EQ(std::string(named(first)->FindValue("transition")), std::to_string(first + 2));
    EXPECT_EQ(relay.Count(AppMessage::ElementDeleted, KindLink), 1u);
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(std::string(named(first)->FindValue("transition")), std::to_string(first + 1));

    // Undoing the chain and laying again never gives two waypoints one number.
    ExpectUndoGivesTheOriginalBytes();
    editor().Cancel();
    editor().KeyDown(EditKey::W, At(0, 0));
    editor().LeftDown(At(points[1].x, points[1].y, true));
    editor().LeftUp(points[1]);
    block = doc->Helpers()->FindChild("waypoints");
    std::vector<std::string> names;
    for (CDefNode* w : block->Children())
        names.emplace_back(w->Name());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
}

TEST_F(MapEditorTest, EBoardsAHumanAndLCouplesATrainPart) {
    SceneEntity* human = Clickable(KindHumans);
    ASSERT_TRUE(human);
    Click(*human);
    ASSERT_EQ(editor().Selected(), human);
    SceneEntity* vehicle = Clickable(KindTanks);
    ASSERT_TRUE(vehicle);
    const PointerState over = ScreenOf(vehicle->RequestedPosition());
    editor().KeyDown(EditKey::E, over);
    editor().MouseMove(over);
    EXPECT_EQ(editor().Cursor(), CursorMode::Board);
    EXPECT_EQ(editor().Hover(), vehicle);
    editor().LeftDown(At(over.x, over.y, true));
    editor().LeftUp(over);
    editor().KeyUp(EditKey::E, over);
    EXPECT_EQ(dialogs.boardings, 1);
    EXPECT_EQ(std::string(human->Node()->FindValue("FsmState")), "\"board\"");
    EXPECT_EQ(doc->UndoSteps(), 1u);
    ExpectUndoGivesTheOriginalBytes();

    // Train parts: a wagon is coupled behind the locomotive.
    SceneEntity* loco = nullptr;
    for (const auto& root : doc->Roots())
        for (CDefNode* child : root->Children())
            if (SceneEntity* e = scene->EntityOf(child); e && e->isTrainPart && !loco) loco = e;
    SceneEntity* wagon = loco ? Clickable(KindRailway, loco) : nullptr;
    if (!wagon || !wagon->isTrainPart) GTEST_SKIP() << "no train to couple";
    editor().Cancel();
    Click(*wagon);
    ASSERT_EQ(editor().Selected(), wagon);
    scene->FocusOn(loco->Node());
    const PointerState toLoco = ScreenOf(loco->RequestedPosition());
    editor().KeyDown(EditKey::L, toLoco);
    editor().MouseMove(toLoco);
    ASSERT_EQ(editor().Cursor(), CursorMode::Couple);
    editor().LeftDown(At(toLoco.x, toLoco.y, true));
    EXPECT_EQ(std::string(wagon->Node()->FindChild("Chassis")->FindValue("Uplink")),
              std::string(loco->Node()->FindValue("MID")));
}

TEST_F(MapEditorTest, ZAndADragDrawAZoneThatExistsOnlyOnceItsDialogSaysOk) {
    editor().SetEditMode(EditMode::Zones);
    EXPECT_EQ(relay.Count(AppMessage::EditModeChanged, KindZones), 1u);
    const size_t zones = doc->Zones().size();
    auto draw = [&] {
        editor().KeyDown(EditKey::Z, At(320, 240));
        EXPECT_EQ(editor().Cursor(), CursorMode::Zone);
        editor().MouseMove(At(320, 240));
        editor().LeftDown(At(320, 240, true));
        editor().MouseMove(At(330, 240, true));
        ASSERT_NE(editor().DraftZone(), nullptr);
        EXPECT_EQ(doc->Zones().size(), zones) << "not in the mission while it is drawn";
        editor().MouseMove(At(380, 240, true));
        EXPECT_GT(editor().DraftZone()->radius, 10.0f);
        editor().LeftUp(At(380, 240));
        editor().KeyUp(EditKey::Z, At(380, 240));
    };
    dialogs.acceptZone = false;
    draw();
    EXPECT_EQ(doc->Zones().size(), zones);
    EXPECT_EQ(Text(*doc), original) << "a cancelled zone leaves nothing";
    EXPECT_FALSE(doc->CanUndo());

    dialogs.acceptZone = true;
    draw();
    ASSERT_EQ(doc->Zones().size(), zones + 1);
    document::ZoneRecord* zone = doc->Zones().back().get();
    EXPECT_EQ(zone->name, "\"Ambush\"");
    EXPECT_EQ(editor().SelectedZone(), zone);
    EXPECT_EQ(doc->UndoSteps(), 1u);
    EXPECT_EQ(relay.Count(AppMessage::ZoneCreated, 0), 1u);
    EXPECT_FALSE(scene->ZoneObjects().empty());

    // Moving it: the centre follows the ground, inside the world bound only.
    const float x = zone->x;
    const PointerState centre = ScreenOf({zone->x, zone->y, 0.0f});
    editor().LeftDown(At(centre.x, centre.y, true));
    EXPECT_EQ(editor().SelectedZone(), zone);
    editor().MouseMove(At(centre.x + 40, centre.y, true));
    editor().LeftUp(At(centre.x + 40, centre.y));
    EXPECT_NE(zone->x, x);
    EXPECT_EQ(doc->UndoSteps(), 2u);
    ASSERT_TRUE(doc->Undo());
    EXPECT_FLOAT_EQ(zone->x, x);
    // Sizing beyond the world bound is refused.
    const document::BoundsRect world = doc->WorldRect();
    editor().KeyDown(EditKey::Z, centre);
    editor().LeftDown(At(centre.x, centre.y, true));
    const float radius = zone->radius;
    editor().MouseMove(At(centre.x + 5, centre.y + 5, true));
    (void)world;
    editor().MouseMove(At(2000, 2000, true));
    editor().LeftUp(At(2000, 2000));
    EXPECT_TRUE(zone->radius == radius ||
                zone->x + zone->radius <= std::max(world.left, world.right));
    ExpectUndoGivesTheOriginalBytes();
    EXPECT_EQ(editor().SelectedZone(), nullptr);
}

TEST_F(MapEditorTest, ACameraPathNeedsTwoPressesAndIsWrittenAsOneStep) {
    ASSERT_TRUE(editor().RecordCameraPath());
    editor().KeyDown(EditKey::C, At(0, 0));
    EXPECT_EQ(editor().Cursor(), CursorMode::CameraKey);
    editor().KeyUp(EditKey::C, At(0, 0));
    EXPECT_FALSE(editor().EndCameraPath());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], document::kTwoPositionsMessage);
    EXPECT_EQ(Text(*doc), original);

    ASSERT_TRUE(editor().RecordCameraPath());
    for (int press = 0; press < 4; ++press) {
        editor().KeyDown(EditKey::C, At(0, 0));
        editor().KeyUp(EditKey::C, At(0, 0));
        scene->GetCamera().KeyDown(CameraKey::Left);
    }
    EXPECT_EQ(editor().Recorder().Presses(), 4);
    const size_t paths = doc->CameraPaths().size();
    EXPECT_TRUE(editor().EndCameraPath());
    EXPECT_FALSE(editor().RecordingCameraPath());
    ASSERT_EQ(doc->CameraPaths().size(), paths + 1);
    EXPECT_EQ(doc->CameraPaths().back()->keys.size(), 2u);
    EXPECT_EQ(doc->UndoSteps(), 1u);
    ExpectUndoGivesTheOriginalBytes();
}

TEST_F(MapEditorTest, NothingDeletedOrUndoneStaysSelectedHoveredOrPlaced) {
    SceneEntity* tank = Clickable(KindTanks);
    ASSERT_NE(tank, nullptr);
    Click(*tank);
    ASSERT_EQ(editor().Selected(), tank);
    // Deleted elsewhere (the tree, the entity bar): the view lets go.
    ASSERT_TRUE(doc->DeleteElement(tank->Node()));
    EXPECT_EQ(editor().Selected(), nullptr);
    EXPECT_EQ(relay.Count(AppMessage::ElementEdit, 3), 1u);
    ASSERT_TRUE(doc->Undo());
    // A drag that ends over no ground keeps the last place it reached.
    tank = Clickable(KindTanks);
    Click(*tank);
    const PointerState p = ScreenOf(tank->RequestedPosition(), true);
    editor().LeftDown(p);
    editor().MouseMove(At(p.x + 20, p.y, true));
    const glm::vec3 reached = tank->RequestedPosition();
    editor().LeftUp(At(-5000, -5000));
    double stored[3];
    ASSERT_TRUE(tank->Node()->ReadDoubles("Position", stored, 3));
    EXPECT_NEAR(stored[0], reached.x, 0.01);
    // Closing the document while an element is being placed frees it.
    const resources::CEntityEntry* any = &s_catalogue->Entries().front();
    for (const auto& entry : s_catalogue->Entries())
        if (entry.category == KindVegetation) any = &entry;
    ASSERT_TRUE(editor().PlaceEntity(any->name));
    scene.reset();
    EXPECT_EQ(window.device.LiveVertexBuffers(), 0u);
}

TEST_F(MapEditorTest, AnAircraftHighAboveTheGroundKeepsItsHeightWhileDragged) {
    SceneEntity* plane = Unit(KindAirborne);
    if (!plane) GTEST_SKIP() << "no aircraft in the mission";
    const PointerState spot = BareGround();
    const glm::vec3 ground = *scene->UpdateGroundPoint(spot.x, spot.y);
    {
        CVarnholtMapEditorDoc::Edit edit(*doc, "Height");
        const double p[3] = {ground.x, ground.y, 50.0};
        plane->Node()->SetDoubles("Position", p, 3);
    }
    const Box& box = plane->Object()->GetBox();
    const PointerState press = ScreenOf((box.min + box.max) * 0.5f, true);
    editor().MouseMove(press);
    editor().LeftDown(press);
    ASSERT_EQ(editor().Selected(), plane);
    for (int step = 1; step <= 5; ++step)
        editor().MouseMove(At(press.x + 10.0f * step, press.y, true));
    editor().LeftUp(At(press.x + 50, press.y));
    EXPECT_FLOAT_EQ(plane->RequestedPosition().z, 50.0f);
    EXPECT_GT(std::fabs(plane->RequestedPosition().x - ground.x), 1.0f);
}

TEST_F(MapEditorTest, WOverAUnitSendsThatUnitToTheSelectedWaypoint) {
    SceneEntity* tank = Clickable(KindTanks);
    ASSERT_NE(tank, nullptr);
    const PointerState overTank = ScreenOf(tank->RequestedPosition());
    // A waypoint laid on bare ground in the same view, then W over the tank.
    const PointerState spot = BareGround();
    editor().KeyDown(EditKey::W, spot);
    editor().LeftDown(At(spot.x, spot.y, true));
    editor().LeftUp(spot);
    ASSERT_NE(editor().Selected(), nullptr);
    ASSERT_EQ(editor().Selected()->Kind(), KindLink);
    editor().MouseMove(overTank);
    EXPECT_EQ(editor().Cursor(), CursorMode::WaypointToUnit);
    EXPECT_EQ(editor().Hover(), tank);
    const size_t triggers = doc->Triggers().size();
    editor().LeftDown(At(overTank.x, overTank.y, true));
    editor().LeftUp(overTank);
    editor().KeyUp(EditKey::W, overTank);
    EXPECT_EQ(documentDialogs.triggers, 1);
    EXPECT_EQ(doc->Triggers().size(), triggers + 1);
    ExpectUndoGivesTheOriginalBytes();
}
