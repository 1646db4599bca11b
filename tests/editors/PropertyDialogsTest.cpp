#include "document/PropertyFormsTestSupport.h"
#include "support/MessageBoxCatcher.h"
#include "support/QtTestSupport.h"

#include "document/ItemCatalogue.h"
#include "editors/CrewDialog.h"
#include "editors/EntityPropertiesDialog.h"
#include "editors/HelperDialogs.h"
#include "editors/InventoryGridWidget.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <deque>

#include <gtest/gtest.h>

using namespace doc_testing;
using namespace document;

namespace {

// A grid whose two dialogs are answered by the test.
class ScriptedGrid : public CInventoryGridWidget {
  public:
    using CInventoryGridWidget::CInventoryGridWidget;
    std::deque<std::optional<NumberAnswer>> numbers;
    std::deque<std::optional<NewItemAnswer>> newItems;
    std::vector<std::string> askedFor;

  protected:
    std::optional<NumberAnswer> AskNumber(const InventoryItem& item) override {
        askedFor.push_back(item.name);
        auto answer = numbers.empty() ? std::nullopt : numbers.front();
        if (!numbers.empty()) numbers.pop_front();
        return answer;
    }
    std::optional<NewItemAnswer> AskNewItem() override {
        auto answer = newItems.empty() ? std::nullopt : newItems.front();
        if (!newItems.empty()) newItems.pop_front();
        return answer;
    }
};

class RecordingEntityDialog : public CEntityPropertiesDialog {
  public:
    using CEntityPropertiesDialog::CEntityPropertiesDialog;
    QStringList refusals;

  protected:
    void ShowRefusal(const QString& text) override { refusals << text; }
};

// Runs action on the next modal dialog once it shows.
template <typename Dialog> void OnModal(std::function<void(Dialog&)> action) {
    QTimer::singleShot(0, [action] {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget()))
            action(*dialog);
        else if (QWidget* other = QApplication::activeModalWidget())
            other->close();
    });
}

class PropertyDialogsTest : public ::testing::Test, protected DemoMissionFixture {
  protected:
    void SetUp() override {
        testing_support::TestApp();
        VM_REQUIRE_DEMO_MISSION();
        doc = OpenCrossroads();
        ASSERT_TRUE(doc);
        before = StateOf(*doc);
    }
    // Reads the entity of that type into the form.
    CDefNode* Read(std::string_view type) {
        CDefNode* node = EntityOf(*doc, type);
        EXPECT_TRUE(node && form.Read(*doc, *node)) << type;
        return node;
    }
    template <typename T> T* Field(QWidget& dialog, const char* name) {
        T* field = dialog.findChild<T*>(QString::fromLatin1(name));
        EXPECT_TRUE(field) << name;
        return field;
    }
    // One step was made, and undoing it gives back the bytes from before.
    void ExpectOneUndoableStep() {
        EXPECT_EQ(doc->UndoSteps(), 1u);
        ASSERT_TRUE(doc->Undo());
        EXPECT_EQ(StateOf(*doc), before);
    }

    std::unique_ptr<CVarnholtMapEditorDoc> doc;
    DocumentState before;
    CEntityForm form;
};

TEST_F(PropertyDialogsTest, VehicleDialogWritesItsFieldsInOneStep) {
    CDefNode* tank = Read("m4a2");
    RecordingEntityDialog dialog(form);
    EXPECT_EQ(dialog.windowTitle(), "Vehicle");
    EXPECT_EQ(Field<QComboBox>(dialog, "player")->count(), 5);
    EXPECT_EQ(Field<QComboBox>(dialog, "texMod")->itemText(1), "winter");
    ASSERT_TRUE(dialog.Grid());
    EXPECT_EQ(dialog.Grid()->sizeHint(), QSize(5 * 31 + 1, 6 * 35 + 1));
    Field<QSpinBox>(dialog, "fuel")->setValue(77);
    Field<QComboBox>(dialog, "player")->setCurrentIndex(2);
    Field<QCheckBox>(dialog, "control")->setChecked(false);
    Field<QComboBox>(dialog, "texMod")->setCurrentIndex(2);
    Field<QDoubleSpinBox>(dialog, "turn")->setValue(180);
    ASSERT_TRUE(dialog.OnOk());
    EXPECT_STREQ(tank->FindValue("Remain"), "77");
    EXPECT_STREQ(tank->FindValue("Player"), "2");
    EXPECT_STREQ(tank->FindValue("TexMod"), "\"desert\"");
    EXPECT_STREQ(tank->FindValue("Turn"), "180.000000");
    CDefNode* brain = doc->WorkingRoot()->FindChild("Brain", tank->GetValue(1));
    ASSERT_TRUE(brain);
    EXPECT_EQ(brain->FindChild("Control"), nullptr);
    ExpectOneUndoableStep();
}

TEST_F(PropertyDialogsTest, HumanDialogTakesStateFireMovementAndBreed) {
    CDefNode* rifleman = Read("soldier_rus");
    RecordingEntityDialog dialog(form);
    EXPECT_TRUE(Field<QRadioButton>(dialog, "state1")->isChecked()); // squat
    EXPECT_TRUE(Field<QRadioButton>(dialog, "fire2")->isChecked());  // hold fire
    EXPECT_EQ(Field<QComboBox>(dialog, "crew")->currentText(), "none");
    Field<QRadioButton>(dialog, "state2")->setChecked(true);
    Field<QRadioButton>(dialog, "fire1")->setChecked(true);
    Field<QRadioButton>(dialog, "movement1")->setChecked(true);
    auto* breed = Field<QComboBox>(dialog, "breed");
    const int tankman = breed->findText("usa.tankman");
    ASSERT_GE(tankman, 0);
    breed->setCurrentIndex(tankman);
    emit breed->activated(tankman);
    ASSERT_EQ(form.inventory.Items().size(), 2u);
    EXPECT_EQ(form.inventory.Items()[0].name, "\"thompson\"");
    ASSERT_TRUE(dialog.OnOk());
    EXPECT_STREQ(rifleman->FindValue("FsmState"), "\"lie\"");
    EXPECT_STREQ(rifleman->FindValue("Breed"), "\"usa.tankman\"");
    CDefNode* brain = doc->WorkingRoot()->FindChild("Brain", rifleman->GetValue(1));
    ASSERT_TRUE(brain);
    EXPECT_EQ(ChildNames(brain), "ReturnFire HoldPosition");
    ExpectOneUndoableStep();
}

TEST_F(PropertyDialogsTest, WeaponTrainAndLandscapeDialogs) {
    CDefNode* mp40 = Read("mp40");
    {
        RecordingEntityDialog dialog(form);
        EXPECT_EQ(dialog.windowTitle(), "Weapon");
        EXPECT_EQ(Field<QLineEdit>(dialog, "source")->text(), "mp40");
        ScriptedGrid grid(form.inventory);
        grid.numbers = {CInventoryGridWidget::NumberAnswer{12, false}};
        grid.EditCell(0, 0);
        EXPECT_EQ(grid.askedFor, std::vector<std::string>{"\"ammo smg\""});
        ASSERT_TRUE(dialog.OnOk());
        EXPECT_EQ(WriteToText(mp40->Find("Item")),
                  "\t\t\t{Item \"mp40\" filling \"ammo smg\" 12}\r\n");
    }
    ExpectOneUndoableStep();

    CEntityForm train;
    CDefNode* loco = EntityOf(*doc, "locomotive");
    ASSERT_TRUE(train.Read(*doc, *loco));
    RecordingEntityDialog trainDialog(train);
    EXPECT_EQ(trainDialog.windowTitle(), "Train");
    EXPECT_EQ(Field<QLabel>(trainDialog, "hex")->text().toStdString(), train.HexIdText());
    EXPECT_FALSE(Field<QComboBox>(trainDialog, "player")->isEnabled());
    EXPECT_EQ(Field<QComboBox>(trainDialog, "player")->count(), 5);

    CEntityForm landscape;
    CDefNode* dog = EntityOf(*doc, "dog");
    ASSERT_TRUE(landscape.Read(*doc, *dog));
    RecordingEntityDialog dogDialog(landscape);
    EXPECT_EQ(dogDialog.windowTitle(), "Landscape");
    EXPECT_EQ(dogDialog.Grid(), nullptr);
    Field<QDoubleSpinBox>(dogDialog, "position0")->setValue(31.5);
    ASSERT_TRUE(dogDialog.OnOk());
    EXPECT_STREQ(dog->FindValue("Position"), "31.500000");
    ExpectOneUndoableStep();
}

TEST_F(PropertyDialogsTest, OkWithoutChangesKeepsEveryByteOfEveryCategory) {
    std::vector<CDefNode*> entities;
    // The plane has no fuel value: it keeps its definition's tank.
    for (const char* type : {"m4a2", "il-2", "zis-3", "mp40", "soldier_rus", "locomotive", "dog"})
        entities.push_back(EntityOf(*doc, type));
    // The tank's driver: a crew member of player 0, whom the Human list
    // would not offer.
    for (CDefNode* c : doc->WorkingRoot()->Children())
        if (c->Name() == "Entity" && c->FindChild("FsmState", "\"board\"")) entities.push_back(c);
    for (CDefNode* entity : entities) {
        CEntityForm unchanged;
        ASSERT_TRUE(unchanged.Read(*doc, *entity)) << entity->GetValue(0);
        RecordingEntityDialog dialog(unchanged);
        ASSERT_TRUE(dialog.OnOk()) << entity->GetValue(0);
        EXPECT_EQ(StateOf(*doc), before) << entity->GetValue(0);
    }
}

TEST_F(PropertyDialogsTest, ARefusedOkKeepsTheDialogAndTheDocument) {
    Read("m4a2");
    RecordingEntityDialog dialog(form);
    const unsigned long otherMid = std::stoul(EntityOf(*doc, "zis-3")->FindValue("MID"));
    Field<QSpinBox>(dialog, "mid")->setValue(static_cast<int>(otherMid));
    EXPECT_FALSE(dialog.OnOk());
    ASSERT_EQ(dialog.refusals.size(), 1);
    EXPECT_TRUE(dialog.refusals[0].contains("is used by another unit"));
    EXPECT_EQ(doc->UndoSteps(), 0u);
    EXPECT_EQ(StateOf(*doc), before);
}

TEST_F(PropertyDialogsTest, SetPropertiesOpensTheDialogOfTheElementAndOkChangesTheDocument) {
    OnModal<CEntityPropertiesDialog>([](CEntityPropertiesDialog& d) {
        d.findChild<QSpinBox*>("currentHealth")->setValue(55);
        d.accept();
    });
    ASSERT_TRUE(EditElementProperties(*doc, EntityOf(*doc, "soldier_rus"), nullptr));
    EXPECT_STREQ(EntityOf(*doc, "soldier_rus")->FindValue("Current"), "55");
    ExpectOneUndoableStep();
    // Cancel leaves everything as it was.
    OnModal<CEntityPropertiesDialog>([](CEntityPropertiesDialog& d) { d.reject(); });
    EXPECT_FALSE(EditElementProperties(*doc, EntityOf(*doc, "m4a2"), nullptr));
    EXPECT_EQ(StateOf(*doc), before);
    EXPECT_FALSE(EditElementProperties(*doc, doc->WorkingRoot()->FindChild("Tags"), nullptr));
}

// --- the inventory grid ------------------------------------------------------------------

class InventoryGridTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing_support::TestApp();
        grid = std::make_unique<ScriptedGrid>(items);
        grid->resize(grid->sizeHint());
    }
    static QPoint Centre(int x, int y) {
        return {x * CInventoryGridWidget::kCellWidth + 15,
                y * CInventoryGridWidget::kCellHeight + 17};
    }
    CInventoryEdit items{8, 4};
    std::unique_ptr<ScriptedGrid> grid;
};

TEST_F(InventoryGridTest, PlacingDraggingRefusingAndDeleting) {
    QSignalSpy refused(grid.get(), &CInventoryGridWidget::Refused);
    grid->newItems = {
        CInventoryGridWidget::NewItemAnswer{FindItem(ItemGroup::Weapons, "\"mp40\""), 1},
        CInventoryGridWidget::NewItemAnswer{FindItem(ItemGroup::Misc, "\"medkit\""), 2},
        CInventoryGridWidget::NewItemAnswer{FindItem(ItemGroup::Misc, "\"medkit\""), 1}};
    QTest::mouseDClick(grid.get(), Qt::LeftButton, {}, Centre(0, 0));
    QTest::mouseDClick(grid.get(), Qt::LeftButton, {}, Centre(4, 2));
    ASSERT_EQ(items.Items().size(), 2u);
    EXPECT_TRUE(items.Items()[0].filled);
    // A third item on a cell where it would stick out of the grid.
    QTest::mouseDClick(grid.get(), Qt::LeftButton, {}, Centre(7, 0));
    EXPECT_EQ(items.Items().size(), 2u);
    ASSERT_EQ(refused.count(), 1);

    // Dragging the medkit by its second cell onto the rifle is refused...
    QTest::mousePress(grid.get(), Qt::LeftButton, {}, Centre(5, 2));
    QMouseEvent move(QEvent::MouseMove, Centre(2, 1), grid->mapToGlobal(Centre(2, 1)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid.get(), &move);
    QTest::mouseRelease(grid.get(), Qt::LeftButton, {}, Centre(2, 1));
    EXPECT_EQ(items.Items()[1].cellX, 4);
    EXPECT_EQ(refused.count(), 2);
    // ...and onto free cells it goes.
    EXPECT_TRUE(grid->DropItem(1, 0, 2));
    EXPECT_EQ(items.ItemAt(2, 3), 1);

    grid->Select(0);
    QTest::keyClick(grid.get(), Qt::Key_Delete);
    ASSERT_EQ(items.Items().size(), 1u);
    EXPECT_EQ(items.Items()[0].name, "\"medkit\"");
    EXPECT_EQ(grid->Selected(), -1);
    grid->repaint(); // the pictures draw without a model of their own
}

TEST_F(InventoryGridTest, TheCountDialogSetsTheNumberAndZeroRemoves) {
    ASSERT_TRUE(items.AddAutomatically("\"colt\"", 1));
    grid->numbers = {CInventoryGridWidget::NumberAnswer{3, false},
                     CInventoryGridWidget::NumberAnswer{0, true}};
    grid->EditCell(1, 0);
    EXPECT_EQ(items.Items()[0].count, 3u);
    EXPECT_FALSE(items.Items()[0].filled);
    grid->EditCell(0, 0);
    EXPECT_TRUE(items.Items().empty());

    InventoryItem colt{"\"colt\"", 4, true, 0, 0};
    CNumberDialog weapon(colt);
    EXPECT_EQ(weapon.windowTitle(), "Define the number");
    EXPECT_EQ(weapon.Count(), 4);
    EXPECT_TRUE(weapon.findChild<QCheckBox*>("filled")->isEnabled());
    InventoryItem ammo{"\"ammo pistol\"", 9, false, 0, 0};
    CNumberDialog plain(ammo);
    EXPECT_FALSE(plain.findChild<QCheckBox*>("filled")->isEnabled());

    CItemChooserDialog chooser;
    EXPECT_EQ(chooser.windowTitle(), "Weapons/Ammo/Misc");
    EXPECT_EQ(chooser.Item(), nullptr);
    chooser.Choose(2, 0);
    chooser.SetNumber(2);
    ASSERT_TRUE(chooser.Item());
    EXPECT_STREQ(chooser.Item()->name, "\"tankhelmet_rus\"");
    EXPECT_EQ(chooser.Number(), 2);
}

// --- crews, waypoints, zones and triggers ----------------------------------------------------

TEST_F(PropertyDialogsTest, AddCrewMemberOffersTheFreeSeatsAndBoardsInOneStep) {
    CDefNode* tank = EntityOf(*doc, "m4a2");
    CDefNode* rifleman = EntityOf(*doc, "soldier_rus");
    CCrewDialog dialog(TakenSeats(*doc, *tank, rifleman));
    EXPECT_EQ(dialog.windowTitle(), "Add Crew Member");
    EXPECT_FALSE(dialog.findChild<QRadioButton*>("seat0")->isEnabled());
    EXPECT_EQ(dialog.findChild<QRadioButton*>("seat13")->text(), "Seat 10");
    EXPECT_EQ(dialog.Seat(), 1);
    dialog.ChooseSeat(2); // taken
    EXPECT_EQ(dialog.Seat(), 1);

    OnModal<CCrewDialog>([](CCrewDialog& d) {
        d.ChooseSeat(4);
        d.accept();
    });
    ASSERT_TRUE(EditCrewMember(*doc, *rifleman, *tank, nullptr));
    CDefNode* link = doc->WorkingRoot()->FindChild("Link", rifleman->GetValue(1));
    ASSERT_TRUE(link);
    EXPECT_STREQ(link->GetValue(3), "\"seat1\"");
    ExpectOneUndoableStep();

    // Set Properties on a Link block: the crew member changes places.
    CDefNode* driverLink = doc->WorkingRoot()->FindChild("Link");
    ASSERT_EQ(FindPropertyTarget(*doc, driverLink).dialog, PropertyDialog::Crew);
    int offered = -1;
    OnModal<CCrewDialog>([&offered](CCrewDialog& d) {
        offered = d.Seat();
        d.ChooseSeat(3);
        d.accept();
    });
    ASSERT_TRUE(EditElementProperties(*doc, driverLink, nullptr));
    EXPECT_EQ(offered, 0);
    EXPECT_STREQ(driverLink->GetValue(3), "\"charger\"");
}

TEST_F(PropertyDialogsTest,
       WaypointCommandsAreAddedThroughTheDialogsAndCancelledVisitsLeaveNoTrace) {
    CDefNode* wp = Waypoint(*doc, "1");
    CWaypointDialog dialog(*doc, *wp);
    {
        CEditCommandsDialog commands(dialog.Form(), -1);
        commands.OnAddOrSave();
        EXPECT_TRUE(commands.InAddMode());
        commands.ChooseCommand(FindCommand("\"wait\""));
        commands.SetSwitchText("5");
        commands.OnAddOrSave();
        EXPECT_FALSE(commands.InAddMode());
        EXPECT_TRUE(commands.PreviewText().contains("{\"time\" \"5\"}"));
        commands.done(QDialog::Accepted);
    }
    {
        testing_support::MessageBoxCatcher boxes;
        CEditCommandsDialog commands(dialog.Form(), 0);
        commands.OnAddOrSave();
        commands.ChooseCommand(FindCommand("\"wait\""));
        commands.SetSwitchText("7");
        commands.OnAddOrSave();
        ASSERT_EQ(boxes.texts.size(), 1);
        EXPECT_EQ(boxes.texts[0], "Duplicate command \"wait\"/\"time\".");
        commands.ChooseCommand(FindCommand("\"air_state\""));
        commands.SetSwitchText("300");
        commands.done(QDialog::Rejected); // this visit is taken back
    }
    ASSERT_EQ(dialog.Form().Commands().size(), 1u);
    EXPECT_EQ(wp->FindChild("commands"), nullptr); // nothing before OK
    dialog.SetNext("3");
    ASSERT_TRUE(dialog.OnOk());
    EXPECT_STREQ(wp->FindValue("transition"), "3");
    EXPECT_STREQ(wp->FindChild("commands")->FindValue("\"time\""), "\"5\"");
    ExpectOneUndoableStep();
}

TEST_F(PropertyDialogsTest, ZoneDialogNeedsANameAndMovesTheZone) {
    ZoneRecord& zone = *doc->Zones()[0];
    CZoneDialog dialog(*doc, zone);
    EXPECT_EQ(dialog.findChild<QLineEdit*>("name")->text(), "bridge");
    EXPECT_EQ(dialog.findChild<QLabel*>("shape")->text(), "Circle");
    {
        testing_support::MessageBoxCatcher boxes;
        dialog.SetName("");
        EXPECT_FALSE(dialog.OnOk());
        ASSERT_EQ(boxes.texts.size(), 1);
        EXPECT_EQ(boxes.texts[0], "Zones need a name");
    }
    dialog.SetName("ford");
    dialog.SetRadius(12);
    ASSERT_TRUE(dialog.OnOk());
    EXPECT_STREQ(zone.node->FindValue("Name"), "\"ford\"");
    EXPECT_STREQ(zone.node->FindValue("Radius"), "12.000000");
    ExpectOneUndoableStep();

    CZoneDialog poly(*doc, *doc->Zones()[1]);
    EXPECT_EQ(poly.findChild<QLabel*>("shape")->text(), "Polygon");
    EXPECT_EQ(poly.findChild<QLabel*>("size")->text(), "60.00 x 60.00");
}

TEST_F(PropertyDialogsTest, TriggerDialogPreviewsEveryChangeAndStoresOnOkOnly) {
    TriggerRecord& trigger = *doc->Triggers()[1];
    OnModal<CTriggerDialog>([](CTriggerDialog& d) {
        d.SetName("second wave");
        EXPECT_TRUE(d.PreviewText().startsWith("{trigger \"second wave\""));
        d.accept();
    });
    ASSERT_TRUE(EditElementProperties(*doc, trigger.node, nullptr));
    EXPECT_STREQ(trigger.node->GetValue(0), "\"second wave\"");
    ExpectOneUndoableStep();

    // A waypoint trigger the document builds: the dialog names it on OK.
    CDefNode built("trigger", "name_here");
    TriggerRecord record{"name_here", {}, {}, &built};
    testing_support::MessageBoxCatcher boxes;
    OnModal<CTriggerDialog>([](CTriggerDialog& d) {
        d.SetName("go\"now");
        d.accept(); // refused: stays open
        d.SetName("go now");
        d.accept();
    });
    ASSERT_TRUE(EditTriggerProperties(record, built, nullptr));
    EXPECT_EQ(boxes.texts.size(), 1);
    EXPECT_STREQ(built.GetValue(0), "\"go now\"");
    EXPECT_EQ(record.name, "\"go now\"");
}

} // namespace
