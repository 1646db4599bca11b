#include "PropertyFormsTestSupport.h"

#include "document/ItemCatalogue.h"
#include "document/PropertyForms.h"
#include "format/DefGuard.h"

#include <gtest/gtest.h>

using namespace doc_testing;
using namespace document;
namespace fs = std::filesystem;

namespace {

class PropertyFormsTest : public ::testing::Test, protected DemoMissionFixture {
  protected:
    void SetUp() override {
        VM_REQUIRE_DEMO_MISSION();
        doc = OpenCrossroads();
        ASSERT_TRUE(doc);
    }
    // Opens the form on the entity of that type.
    CEntityForm& Open(std::string_view type) {
        node = EntityOf(*doc, type);
        EXPECT_TRUE(node) << type;
        form = CEntityForm();
        EXPECT_TRUE(node && form.Read(*doc, *node)) << type;
        return form;
    }
    // Saves the mission and opens the saved file again.
    std::unique_ptr<CVarnholtMapEditorDoc> SaveAndReopen() {
        const fs::path path = dir.path() / "saved.mi";
        EXPECT_TRUE(doc->OnSaveDocument(path.string()));
        return Reopen(path);
    }
    std::unique_ptr<CVarnholtMapEditorDoc> doc;
    CDefNode* node = nullptr;
    CEntityForm form;
};

TEST_F(PropertyFormsTest, EachElementOpensTheDialogOfItsCategory) {
    const std::pair<const char*, PropertyDialog> cases[] = {
        {"m4a2", PropertyDialog::Vehicle},      {"gmc", PropertyDialog::Vehicle},
        {"zis-3", PropertyDialog::Gun},         {"mp40", PropertyDialog::Weapon},
        {"soldier_rus", PropertyDialog::Human}, {"locomotive", PropertyDialog::Train},
        {"dog", PropertyDialog::Landscape},     {"wind", PropertyDialog::Landscape},
    };
    for (const auto& [type, dialog] : cases)
        EXPECT_EQ(FindPropertyTarget(*doc, EntityOf(*doc, type)).dialog, dialog) << type;

    EXPECT_EQ(FindPropertyTarget(*doc, Waypoint(*doc, "2")).dialog, PropertyDialog::Waypoint);
    EXPECT_EQ(FindPropertyTarget(*doc, doc->Zones()[0]->node).zone, doc->Zones()[0].get());
    EXPECT_EQ(FindPropertyTarget(*doc, doc->Triggers()[1]->node).dialog, PropertyDialog::Trigger);
    // The sky, the base map's locked objects and plain blocks have none.
    CDefNode* sky = doc->WorkingRoot()->FindChild("Entity", "sky");
    EXPECT_EQ(FindPropertyTarget(*doc, sky).dialog, PropertyDialog::None);
    EXPECT_EQ(FindPropertyTarget(*doc, doc->MapRoot()->FindChild("Entity")).dialog,
              PropertyDialog::None);
    EXPECT_EQ(FindPropertyTarget(*doc, doc->WorkingRoot()->FindChild("Tags")).dialog,
              PropertyDialog::None);
    EXPECT_STREQ(DialogCaption(PropertyDialog::BoxInventory), "Box Object with Inventory");
}

TEST_F(PropertyFormsTest, VehicleOpensWithItsRecordAndItsEditsSurviveUndoAndSaving) {
    const DocumentState before = StateOf(*doc);
    CEntityForm& tank = Open("m4a2");
    CVehicleProps& v = *tank.Vehicle();
    EXPECT_EQ(v.player, 0u);
    EXPECT_EQ(v.fuel, 300u);
    EXPECT_EQ(v.control, 1);
    EXPECT_EQ(v.fireMode, ReturnFire);
    EXPECT_EQ(v.hold, HoldPosition);
    EXPECT_EQ(tank.PlayerChoices(), (std::vector<unsigned long>{0, 1, 2, 3, 4}));
    EXPECT_EQ(tank.TextureModifications(),
              (std::vector<std::string>{"", "\"winter\"", "\"desert\""}));
    EXPECT_EQ(tank.inventory.Columns(), 5);
    EXPECT_EQ(tank.inventory.Rows(), 6);
    EXPECT_EQ(tank.inventory.Items().size(), 2u);

    v.player = 3;
    v.fuel = 120;
    v.fireMode = FireAtWill;
    v.texMod = "\"desert\"";
    v.position = {7, 8, 9};
    v.turn = 45;
    ASSERT_TRUE(tank.inventory.SetCount(0, 0, false)); // deletes the first item
    ASSERT_TRUE(tank.Apply());
    EXPECT_STREQ(node->FindValue("Player"), "3");
    EXPECT_STREQ(node->FindValue("Remain"), "120");
    EXPECT_STREQ(node->FindValue("TexMod"), "\"desert\"");
    EXPECT_EQ(doc->UndoSteps(), 1u);

    const DocumentState after = StateOf(*doc);
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(StateOf(*doc), before);
    ASSERT_TRUE(doc->Redo());
    EXPECT_EQ(StateOf(*doc), after);

    auto saved = SaveAndReopen();
    ASSERT_TRUE(saved);
    CEntityForm again;
    ASSERT_TRUE(again.Read(*saved, *EntityOf(*saved, "m4a2")));
    EXPECT_EQ(again.Vehicle()->player, 3u);
    EXPECT_EQ(again.Vehicle()->fuel, 120u);
    EXPECT_EQ(again.Vehicle()->fireMode, FireAtWill);
    EXPECT_EQ(again.Vehicle()->turn, 45.0);
    EXPECT_EQ(again.inventory.Items().size(), 1u);
}

TEST_F(PropertyFormsTest, AFuelNeverSetStaysUnsetUnlessOneIsEntered) {
    CEntityForm& plane = Open("il-2");
    EXPECT_EQ(plane.Vehicle()->fuel, 0u);
    plane.Vehicle()->player = 2;
    ASSERT_TRUE(plane.Apply());
    EXPECT_EQ(node->FindChild("Chassis"), nullptr);
    EXPECT_STREQ(node->FindValue("Player"), "2");
    CEntityForm& again = Open("il-2");
    again.Vehicle()->fuel = 40;
    ASSERT_TRUE(again.Apply());
    EXPECT_STREQ(node->FindValue("Remain"), "40");
    // Once set, 0 is a value like any other.
    CEntityForm& empty = Open("il-2");
    empty.Vehicle()->fuel = 0;
    ASSERT_TRUE(empty.Apply());
    EXPECT_STREQ(node->FindValue("Remain"), "0");
}

TEST_F(PropertyFormsTest, BrainSettingsOpenAsTheGameMeansThem) {
    CDefNode* brain = doc->WorkingRoot()->FindChild("Brain", EntityOf(*doc, "m4a2")->GetValue(1));
    ASSERT_TRUE(brain);
    brain->AddChild("HoldFire");
    brain->FindChild("IdleMovement")->Assign("IdleMovement", {"1.2", "3", "4.5"});
    CEntityForm& tank = Open("m4a2");
    EXPECT_EQ(tank.Unit()->fireMode, ReturnFire);
    EXPECT_EQ(tank.Unit()->idleMovement, (std::array<long, 3>{2, 3, 5}));
    // OK without changes writes the rounded values back and keeps the rest.
    ASSERT_TRUE(tank.Apply());
    EXPECT_EQ(ChildNames(brain), "IdleMovement Control ReturnFire HoldPosition");
    EXPECT_STREQ(brain->FindChild("IdleMovement")->GetValue(0), "2");
}

TEST_F(PropertyFormsTest, HumanStateBreedAndCrew) {
    CEntityForm& rifleman = Open("soldier_rus");
    CHumanProps& h = *rifleman.Human();
    EXPECT_EQ(h.posture, Squat);
    EXPECT_EQ(h.fireMode, HoldFire);
    EXPECT_EQ(h.currentHealth, 80);
    EXPECT_EQ(rifleman.PlayerChoices(), (std::vector<unsigned long>{1, 2, 3, 4}));
    EXPECT_EQ(rifleman.CrewChoices(), (std::vector<std::string>{"none"}));
    ASSERT_EQ(rifleman.inventory.Items().size(), 2u);
    EXPECT_TRUE(rifleman.inventory.Items()[0].filled);

    // A hand-added item goes with the old inventory when a breed is chosen.
    ASSERT_EQ(rifleman.inventory.Add(FindItem(ItemGroup::Misc, "\"matchbox\""), 1, 7, 3),
              CInventoryEdit::AddResult::Added);
    rifleman.ChooseBreed("usa.tankman");
    ASSERT_EQ(rifleman.inventory.Items().size(), 2u);
    EXPECT_EQ(rifleman.inventory.Items()[0].name, "\"thompson\"");
    EXPECT_EQ(rifleman.inventory.Items()[1].name, "\"medkit\"");
    EXPECT_EQ(rifleman.inventory.Items()[1].cellX, 4);
    h.posture = Lie;
    h.fireMode = FireAtWill;
    ASSERT_TRUE(rifleman.Apply());
    EXPECT_STREQ(node->FindValue("Breed"), "\"usa.tankman\"");
    EXPECT_STREQ(node->FindValue("FsmState"), "\"lie\"");
    EXPECT_EQ(doc->WorkingRoot()->FindChild("Brain", node->GetValue(1)), nullptr);

    // The tank's driver leaves it when its crew is set to "none".
    CDefNode* driver = nullptr;
    for (CDefNode* c : doc->WorkingRoot()->Children())
        if (c->Name() == "Entity" && c->FindChild("FsmState", "\"board\"")) {
            driver = c;
            break;
        }
    ASSERT_TRUE(driver);
    CEntityForm crew;
    ASSERT_TRUE(crew.Read(*doc, *driver));
    EXPECT_EQ(crew.CrewChoices(), (std::vector<std::string>{"driver", "none"}));
    crew.Human()->crew = "none";
    ASSERT_TRUE(crew.Apply());
    EXPECT_EQ(doc->WorkingRoot()->FindChild("Link", driver->GetValue(1)), nullptr);
    EXPECT_EQ(driver->FindChild("FsmState", "\"board\""), nullptr);
}

TEST_F(PropertyFormsTest, WeaponShowsItsFillingAsOneItemAndTakesTheCountAsAmount) {
    CEntityForm& gun = Open("mp40");
    ASSERT_EQ(gun.inventory.Items().size(), 1u);
    EXPECT_EQ(gun.inventory.Items()[0].name, "\"ammo smg\"");
    EXPECT_EQ(gun.inventory.Items()[0].count, 32u);
    ASSERT_TRUE(gun.inventory.SetCount(0, 10, false));
    ASSERT_TRUE(gun.Apply());
    EXPECT_EQ(WriteToText(node->FindChild("Extender")->FindChild("Item")),
              "\t\t\t{Item \"mp40\" filling \"ammo smg\" 10}\r\n");

    // A second kind of ammunition cannot be stored in the stuff block.
    ASSERT_EQ(gun.inventory.Add(FindItem(ItemGroup::Ammo, "\"ammo rifle\""), 3, 3, 2),
              CInventoryEdit::AddResult::Added);
    EXPECT_FALSE(gun.Check().empty());
    EXPECT_FALSE(gun.Apply());
    ASSERT_TRUE(gun.inventory.Remove(1));
    ASSERT_TRUE(gun.inventory.Remove(0));
    ASSERT_TRUE(gun.Apply());
    EXPECT_EQ(node->Find("Extender", "\"stuff\""), nullptr);
}

TEST_F(PropertyFormsTest, TrainsThatAreNoVehiclesKeepTheirUnitFields) {
    CEntityForm& loco = Open("locomotive");
    EXPECT_FALSE(loco.UnitFieldsEnabled());
    EXPECT_EQ(loco.HexIdText(), "(0x" + std::string(node->GetValue(1) + 2) + ")");
    EXPECT_EQ(loco.NumberText(), std::to_string(std::stoul(node->GetValue(1), nullptr, 16)));
    const std::string mid = node->FindValue("MID");
    loco.Unit()->position = {1, 2, 3};
    ASSERT_TRUE(loco.Apply());
    EXPECT_EQ(node->FindValue("MID"), mid);
    EXPECT_EQ(FindPropertyTarget(*doc, EntityOf(*doc, "zis-3")).category, 1);
    EXPECT_TRUE(Open("zis-3").UnitFieldsEnabled());
}

TEST_F(PropertyFormsTest, ValuesTheMissionCouldNotHoldAreRefusedWithoutAnyChange) {
    const DocumentState before = StateOf(*doc);
    CEntityForm& tank = Open("m4a2");
    // Another unit's MID.
    tank.Unit()->mid = std::stoul(EntityOf(*doc, "zis-3")->FindValue("MID"));
    EXPECT_NE(tank.Check().find("is used by another unit"), std::string::npos);
    EXPECT_FALSE(tank.Apply());
    tank.Unit()->mid = 999;
    tank.Unit()->texMod = "\"win\"ter\"";
    EXPECT_EQ(tank.Check(), format::CheckValue("\"win\"ter\""));
    EXPECT_FALSE(tank.Apply());

    CEntityForm& human = Open("soldier_rus");
    human.Human()->breed = "rus\"x";
    EXPECT_FALSE(human.Apply());
    EXPECT_EQ(StateOf(*doc), before);
    EXPECT_EQ(doc->UndoSteps(), 0u);
}

TEST_F(PropertyFormsTest, ABoxTakesItsGridFromItsDefinition) {
    resources::CEntityEntry* entry = Catalogue().FindEntity("box_ammo");
    ASSERT_TRUE(entry);
    const std::string original = entry->path;
    const fs::path def = dir.path() / "box.def";
    WriteText(def, "{extender \"inventory\" {size 6 3} {box {clear}}}\r\n");
    entry->path = def.string();
    CEntityForm box;
    const bool read = box.Read(*doc, *EntityOf(*doc, "box_ammo"));
    entry->path = original;
    ASSERT_TRUE(read);
    EXPECT_EQ(box.Dialog(), PropertyDialog::BoxInventory);
    EXPECT_EQ(box.inventory.Columns(), 6);
    EXPECT_EQ(box.inventory.Rows(), 3);
    ASSERT_TRUE(box.inventory.AddAutomatically("\"bandage\"", 4));
    ASSERT_TRUE(box.Apply());
    EXPECT_EQ(EntityOf(*doc, "box_ammo")->Find("box")->ChildCount(), 4u); // clear + 3 items
}

TEST_F(PropertyFormsTest, CrewMembersTakeOnlyFreeSeats) {
    CDefNode* tank = EntityOf(*doc, "m4a2");
    CDefNode* rifleman = EntityOf(*doc, "soldier_rus");
    EXPECT_EQ(TakenSeats(*doc, *tank), (std::vector<int>{0, 2}));
    EXPECT_FALSE(AddCrewMember(*doc, *rifleman, *tank, 0));
    EXPECT_EQ(doc->UndoSteps(), 0u);
    const DocumentState before = StateOf(*doc);
    ASSERT_TRUE(AddCrewMember(*doc, *rifleman, *tank, 1));
    EXPECT_EQ(TakenSeats(*doc, *tank), (std::vector<int>{0, 1, 2}));
    // A passenger's own seat is free for it: it may change places.
    EXPECT_EQ(TakenSeats(*doc, *tank, rifleman), (std::vector<int>{0, 2}));
    EXPECT_STREQ(rifleman->FindValue("FsmState"), "\"board\"");
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(StateOf(*doc), before);
    EXPECT_STREQ(SeatCaption(13), "Seat 10");
}

// --- the inventory grid's rules -----------------------------------------------------------

TEST(InventoryEditTest, AutomaticPlacementSkipsATakenCorner) {
    CInventoryEdit grid(8, 4);
    ASSERT_TRUE(grid.AddAutomatically("\"matchbox\"", 1));
    ASSERT_TRUE(grid.AddAutomatically("\"morphine\"", 1)); // 2 x 2
    EXPECT_EQ(grid.Items()[1].cellX, 1);
    EXPECT_EQ(grid.Items()[1].cellY, 0);
    EXPECT_EQ(grid.ItemAt(2, 1), 1);
    EXPECT_EQ(grid.ItemAt(3, 1), -1);
}

TEST(InventoryEditTest, MovesThatOverlapOrLeaveTheGridAreRefused) {
    CInventoryEdit grid(8, 4);
    ASSERT_EQ(grid.Add(FindItem(ItemGroup::Weapons, "\"mp40\""), 1, 0, 0),
              CInventoryEdit::AddResult::Added);
    ASSERT_EQ(grid.Add(FindItem(ItemGroup::Misc, "\"medkit\""), 1, 4, 0),
              CInventoryEdit::AddResult::Added);
    EXPECT_FALSE(grid.Move(1, 2, 1)); // onto the rifle
    EXPECT_FALSE(grid.Move(1, 6, 0)); // sticks out on the right
    EXPECT_FALSE(grid.Move(1, -1, 0));
    EXPECT_EQ(grid.Items()[1].cellX, 4);
    EXPECT_TRUE(grid.Move(1, 5, 2));
    EXPECT_TRUE(grid.Move(0, 1, 0)); // an item may overlap where it was
    EXPECT_EQ(grid.Add(FindItem(ItemGroup::Misc, "\"medkit\""), 1, 4, 3),
              CInventoryEdit::AddResult::DoesNotFit);
    EXPECT_EQ(grid.Add(FindItem(ItemGroup::Misc, "\"medkit\""), 0, 0, 2),
              CInventoryEdit::AddResult::Nothing);
    EXPECT_EQ(grid.Add(nullptr, 3, 0, 2), CInventoryEdit::AddResult::Nothing);
    EXPECT_EQ(grid.Items().size(), 2u);
}

TEST(InventoryEditTest, CountsAndFillingsAsTheNumberDialogSetsThem) {
    CInventoryEdit grid(8, 4);
    ASSERT_EQ(grid.Add(FindItem(ItemGroup::Weapons, "\"colt\""), 2, 0, 0),
              CInventoryEdit::AddResult::Added);
    ASSERT_EQ(grid.Add(FindItem(ItemGroup::Ammo, "\"ammo pistol\""), 20, 3, 0),
              CInventoryEdit::AddResult::Added);
    EXPECT_TRUE(grid.Items()[0].filled); // a weapon comes loaded
    EXPECT_FALSE(grid.Items()[1].filled);
    EXPECT_FALSE(grid.SetCount(1, -5, false)); // would be written as a huge number
    EXPECT_EQ(grid.Items()[1].count, 20u);
    EXPECT_TRUE(grid.SetCount(1, 7, true)); // ammunition has nothing to be filled with
    EXPECT_FALSE(grid.Items()[1].filled);
    EXPECT_TRUE(grid.SetCount(0, 1, false));
    EXPECT_FALSE(grid.Items()[0].filled);
    EXPECT_TRUE(grid.SetCount(0, 0, true));
    ASSERT_EQ(grid.Items().size(), 1u);
    EXPECT_EQ(grid.Items()[0].name, "\"ammo pistol\"");
}

TEST_F(PropertyFormsTest, AWeaponAddedFromTheCatalogueIsStoredWithItsFullAmount) {
    CEntityForm& human = Open("soldier_ger");
    ASSERT_EQ(human.inventory.Add(FindItem(ItemGroup::Weapons, "\"mp40\""), 1, 0, 0),
              CInventoryEdit::AddResult::Added);
    ASSERT_TRUE(human.Apply());
    EXPECT_EQ(WriteToText(node->Find("item")),
              "\t\t\t\t{item \"mp40\" filling \"ammo pistol\" 32\r\n"
              "\t\t\t\t\t{cell 0 0}\r\n\t\t\t\t}\r\n");
}

} // namespace
