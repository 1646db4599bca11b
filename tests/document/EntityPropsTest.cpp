#include "DocTestSupport.h"

#include "document/EntityProps.h"
#include "resources/ResourceCatalogue.h"

#include <gtest/gtest.h>

using namespace doc_testing;
using namespace document;

namespace {

const char* kUnits = R"({mission
	{Entity "m4a2" 0x8000 {Position 1 2 3} {Turn 90} {MID 1} {Player 2}}
	{Entity "soldier_usa" 0x8001 {Turn 0} {MID 2} {FsmState "board"}}
	{Link 0x8001 "To" 0x8000 "driver"}
	{Brain 0x8000 {IdleMovement 1.2 3 4.5} {HoldFire} {ReturnFire} {HoldPosition}}
	{Tags}
}
)";

class EntityPropsTest : public ::testing::Test, protected DocFixture {
  protected:
    void SetUp() override {
        doc = OpenMission(kUnits);
        ASSERT_TRUE(doc);
        tank = doc->WorkingRoot()->Child(0);
        soldier = doc->WorkingRoot()->Child(1);
    }
    std::unique_ptr<CVarnholtMapEditorDoc> doc;
    CDefNode* tank = nullptr;
    CDefNode* soldier = nullptr;
};

TEST_F(EntityPropsTest, BrainSettingsAreReadAsTheDialogsShowThem) {
    auto props = CreateProps(*tank, 0);
    ASSERT_TRUE(dynamic_cast<CVehicleProps*>(props.get()));
    auto& unit = static_cast<CVehicleProps&>(*props);
    unit.Read(*tank, *doc);
    EXPECT_EQ(unit.type, "m4a2");
    EXPECT_EQ(unit.id, 0x8000u);
    EXPECT_EQ(unit.mid, 1u);
    EXPECT_EQ(unit.player, 2u);
    EXPECT_DOUBLE_EQ(unit.turn, 90.0);
    EXPECT_EQ(unit.idleMovement, (std::array<long, 3>{2, 3, 5})); // rounded up
    EXPECT_EQ(unit.fireMode, ReturnFire);                         // wins over HoldFire
    EXPECT_EQ(unit.hold, HoldPosition);
}

TEST_F(EntityPropsTest, ApplyWritesTheUnitAndDropsABrainBackAtDefaults) {
    CVehicleProps unit;
    unit.Read(*tank, *doc);
    unit.position = {5, 6, 7};
    unit.fuel = 40;
    unit.fireMode = HoldFire;
    unit.idleMovement = {-1, -1, -1};
    unit.control = 1;
    unit.Apply(*tank, *doc);
    EXPECT_EQ(
        WriteToText(tank),
        "\t{Entity \"m4a2\" 0x8000\r\n\t\t{Position 5.000000 6.000000 7.000000}\r\n"
        "\t\t{Turn 90.000000}\r\n\t\t{MID 1}\r\n\t\t{Player 2}\r\n"
        "\t\t{Chassis\r\n\t\t\t{FuelBag\r\n\t\t\t\t{Remain 40}\r\n\t\t\t}\r\n\t\t}\r\n\t}\r\n");
    CDefNode* brain = doc->WorkingRoot()->FindChild("Brain");
    EXPECT_EQ(ChildNames(brain), "HoldFire HoldPosition Control");

    unit.fireMode = FireAtWill;
    unit.hold = MoveFree;
    unit.control = 0;
    unit.Apply(*tank, *doc);
    EXPECT_EQ(doc->WorkingRoot()->FindChild("Brain"), nullptr);

    // A brain for a unit without one goes into the Brain section.
    CUnitProps gun;
    gun.Read(*soldier, *doc);
    gun.control = 3;
    gun.Apply(*soldier, *doc);
    EXPECT_EQ(ChildNames(doc->WorkingRoot()), "Entity Entity Link Brain Tags");
}

TEST_F(EntityPropsTest, StaticObjectsNeverTakeUnitFields) {
    CUnitProps wreck;
    wreck.Read(*tank, *doc);
    tank->isUnit = false;
    tank->RemoveChildren("MID");
    tank->RemoveChildren("Player");
    wreck.player = 3;
    wreck.Apply(*tank, *doc);
    EXPECT_EQ(tank->FindChild("MID"), nullptr);
    EXPECT_EQ(tank->FindChild("Player"), nullptr);
    SetPlayer(*tank, 0, 3);
    EXPECT_EQ(tank->FindChild("Player"), nullptr);
    tank->isUnit = true;
    SetPlayer(*tank, 0, 3);
    EXPECT_STREQ(tank->FindValue("Player"), "3");
    SetPlayer(*tank, 9, 1); // buildings have no player
    EXPECT_STREQ(tank->FindValue("Player"), "3");
}

TEST_F(EntityPropsTest, HumanHealthCrewAndPosture) {
    CHumanProps human;
    human.Read(*soldier, *doc);
    EXPECT_EQ(human.crew, "driver");
    // Still aboard: the board state stays whatever the posture says.
    human.posture = Lie;
    human.maxHealth = 50;
    human.currentHealth = 80;
    human.Apply(*soldier, *doc);
    EXPECT_STREQ(soldier->FindValue("FsmState"), "\"board\"");
    EXPECT_STREQ(soldier->FindValue("Max"), "80");
    EXPECT_STREQ(soldier->FindValue("Breed"), "\"rus.infantry_rifle\"");

    // Leaving the vehicle removes the link and the board state.
    human.crew.clear();
    human.maxHealth = 0;
    human.currentHealth = 30;
    human.breed = "ger.officer";
    human.Apply(*soldier, *doc);
    EXPECT_EQ(doc->WorkingRoot()->FindChild("Link"), nullptr);
    EXPECT_STREQ(soldier->FindValue("FsmState"), "\"lie\"");
    EXPECT_STREQ(soldier->FindValue("Max"), "0"); // a maximum of 0 stays 0
    EXPECT_STREQ(soldier->FindValue("Breed"), "\"ger.officer\"");

    human.currentHealth = 0;
    human.Apply(*soldier, *doc);
    EXPECT_EQ(soldier->Find("Extender", "\"vitality\""), nullptr);
}

TEST_F(EntityPropsTest, InventoryIsRewrittenWithCatalogueFillings) {
    CUnitProps unit;
    unit.Read(*tank, *doc);
    unit.items = {{"\"mp40\"", 3, true, 0, 0},
                  {"\"ammo pistol\"", 4, false, 4, 0},
                  {"\"mystery\"", 1, true, 0, 3}};
    unit.Apply(*tank, *doc);
    CDefNode* box = tank->Find("box");
    ASSERT_TRUE(box);
    EXPECT_EQ(ChildNames(box), "clear item item item");
    EXPECT_EQ(WriteToText(box->Child(1)), "\t\t\t\t{item \"mp40\" filling \"ammo pistol\" "
                                          "32\r\n\t\t\t\t\t{cell 0 0}\r\n\t\t\t\t}\r\n");
    EXPECT_EQ(box->Child(2)->Values(), (std::vector<std::string_view>{"\"ammo pistol\"", "4"}));
    EXPECT_EQ(box->Child(3)->Values(), (std::vector<std::string_view>{"\"mystery\"", "1"}));

    CUnitProps reread;
    reread.Read(*tank, *doc);
    ASSERT_EQ(reread.items.size(), 3u);
    EXPECT_TRUE(reread.items[0].filled);
    EXPECT_EQ(reread.items[1].count, 4u);
    EXPECT_EQ(reread.items[1].cellX, 4);

    reread.items.clear();
    reread.Apply(*tank, *doc);
    EXPECT_EQ(tank->Find("Extender"), nullptr);
}

TEST_F(EntityPropsTest, PositionIsUpdatedInPlaceOrInsertedFirst) {
    CPlacedProps placed;
    placed.Read(*soldier, *doc);
    placed.position = {1, 1, 1};
    placed.texMod = "\"winter\"";
    placed.Apply(*soldier, *doc);
    EXPECT_EQ(soldier->Child(0)->Name(), "Position");
    EXPECT_STREQ(soldier->FindValue("TexMod"), "\"winter\"");
    placed.position = {2, 2, 2};
    placed.Apply(*soldier, *doc);
    EXPECT_EQ(soldier->Child(0)->Name(), "Position");
    EXPECT_EQ(soldier->CountNodes(), 6u); // Entity, Position, Turn, MID, FsmState, TexMod
}

TEST_F(EntityPropsTest, StuffGetsItsOwnExtender) {
    CDefNode* weapon = doc->WorkingRoot()->AddChild("Entity");
    weapon->Assign("Entity", {"\"mp40\"", "0x8005"});
    weapon->AddChild("Extender", "\"inventory\"");
    CStuffProps stuff;
    stuff.Read(*weapon, *doc);
    stuff.item = "\"mp40\"";
    stuff.filling = "\"ammo pistol\"";
    stuff.amount = 12;
    stuff.Apply(*weapon, *doc);
    EXPECT_NE(weapon->FindChild("Extender", "\"inventory\""), nullptr);
    CDefNode* extender = weapon->FindChild("Extender", "\"stuff\"");
    ASSERT_TRUE(extender);
    EXPECT_EQ(extender->Child(0)->Values(),
              (std::vector<std::string_view>{"\"mp40\"", "filling", "\"ammo pistol\"", "12"}));
    stuff.amount = 0;
    stuff.Apply(*weapon, *doc);
    EXPECT_EQ(weapon->FindChild("Extender", "\"stuff\""), nullptr);
}

TEST_F(EntityPropsTest, BoardingCouplingAndListing) {
    CDefNode* other = doc->WorkingRoot()->AddChild("Entity");
    other->Assign("Entity", {"\"soldier_ger\"", "0x8009"});
    EXPECT_TRUE(BoardVehicle(*doc, *other, *tank, 13));
    CDefNode* link = doc->WorkingRoot()->Child(2);
    EXPECT_EQ(link->Values(),
              (std::vector<std::string_view>{"0x8009", "To", "0x8000", "\"seat10\""}));
    EXPECT_STREQ(other->FindValue("FsmState"), "\"board\"");
    EXPECT_TRUE(doc->IsModified());
    CDefNode* noId = doc->WorkingRoot()->AddChild("Entity", "x");
    EXPECT_FALSE(BoardVehicle(*doc, *noId, *tank, 0));
    EXPECT_FALSE(BoardVehicle(*doc, *other, *tank, 14));

    CDefNode* wagon = doc->WorkingRoot()->AddChild("Entity");
    EXPECT_TRUE(CoupleTrainPart(*tank, *wagon));
    EXPECT_STREQ(wagon->Find("Uplink")->GetValue(0), "1");
    EXPECT_FALSE(CoupleTrainPart(*noId, *wagon));

    EXPECT_EQ(ListingText(*tank), "\"m4a2\" = 0x8000 ;MID = 1");
    EXPECT_EQ(ListingText(*noId), "x");
    EXPECT_EQ(ListingText(*wagon), "Entity");
    EXPECT_EQ(ListingText(EventRecord{"start", 0, 1, nullptr}), "\"start\" id=0 state=1");
    EXPECT_EQ(ListingText(TriggerRecord{"\"reinforce\"", {}, {}, nullptr}), "reinforce");
    ZoneRecord zone;
    zone.name = "ford";
    zone.shape = ZoneRecord::Poly;
    EXPECT_EQ(ListingText(zone), "ford poly");
}

TEST(EntityPlacementTest, NewEntitiesTakeWhatTheirDefinitionsSay) {
    std::filesystem::path game = VM_DEMO_GAME;
    if (!std::filesystem::exists(game / "game.pak"))
        GTEST_SKIP() << "demo game not built: " << game;
    testing_support::TempDir res;
    resources::CResourceCatalogue catalogue(nullptr, nullptr, nullptr);
    catalogue.SetGamePath(game.string());
    catalogue.SetResourceDir(res.path().string());
    ASSERT_TRUE(catalogue.LoadResources());

    NewEntity weapon = PlaceNewEntity("mp40", catalogue);
    EXPECT_EQ(weapon.category, 5);
    EXPECT_EQ(WriteToText(weapon.node.get()),
              "{Entity \"mp40\"\r\n\t{Turn 0.000000}\r\n\t{extender \"stuff\"\r\n"
              "\t\t{Item \"mp40\" filling \"ammo smg\" 32}\r\n\t}\r\n}\r\n");
    NewEntity engine = PlaceNewEntity("locomotive", catalogue);
    EXPECT_TRUE(engine.trainPart);
    EXPECT_STREQ(engine.node->Find("MaxSpeed")->GetValue(0), "3");
    NewEntity wreck = PlaceNewEntity("pz-4d_xx", catalogue);
    EXPECT_FALSE(wreck.node->isUnit);

    std::unique_ptr<CHumanProps> human;
    NewEntity rifleman = PlaceEquippedHuman("rus.infantry_rifle", catalogue, human);
    ASSERT_TRUE(rifleman.node && human);
    EXPECT_STREQ(rifleman.node->GetValue(0), "\"soldier_rus\"");
    EXPECT_EQ(rifleman.category, 6);
    EXPECT_EQ(human->breed, "rus.infantry_rifle");
    ASSERT_EQ(human->items.size(), 3u);
    // mosin 4x2 at the top left, the rifle ammo beside it, the unknown grenade bottom left.
    EXPECT_EQ(std::make_pair(human->items[0].cellX, human->items[0].cellY), std::make_pair(0, 0));
    EXPECT_EQ(std::make_pair(human->items[1].cellX, human->items[1].cellY), std::make_pair(4, 0));
    EXPECT_EQ(std::make_pair(human->items[2].cellX, human->items[2].cellY), std::make_pair(0, 3));
    EXPECT_EQ(human->items[1].count, 40u);
    std::unique_ptr<CHumanProps> none;
    EXPECT_FALSE(PlaceEquippedHuman("nobody", catalogue, none).node);
}

} // namespace
