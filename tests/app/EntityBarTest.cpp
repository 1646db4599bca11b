#include "AppTestSupport.h"
#include "document/PropertyFormsTestSupport.h"

#include "app/EntityBar.h"
#include "commands/CommandTable.h"
#include "document/EntityProps.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QTreeWidget>

using app_testing::Log;
using doc_testing::DemoMissionFixture;
using document::AppMessage;

namespace {

// Records what the bar sends, and how things stood while each message was
// handled: the text a PlaceEntity points to, whether a deleted element was
// still in its document.
class CheckingRelay : public app_testing::RecordingRelay {
  public:
    CVarnholtMapEditorDoc* doc = nullptr;
    std::vector<std::string> placedTexts;
    std::vector<bool> stillInDocument;

    void Relay(AppMessage message, intptr_t first, intptr_t second) override {
        RecordingRelay::Relay(message, first, second);
        if (message == AppMessage::ElementEdit && first == 0)
            placedTexts.emplace_back(reinterpret_cast<const char*>(second));
        if (message == AppMessage::ElementDeleted && doc)
            stillInDocument.push_back(
                doc->WorkingRoot()->IndexOfChild(reinterpret_cast<CDefNode*>(second)) >= 0);
    }
};

class CountingBar : public app::CEntityBar {
  public:
    using CEntityBar::CEntityBar;
    int beeps = 0;

  protected:
    void Beep() override { ++beeps; }
};

class EntityBarTest : public ::testing::Test, protected DemoMissionFixture {
  protected:
    void SetUp() override {
        testing_support::TestApp();
        VM_REQUIRE_DEMO_MISSION();
        bar = std::make_unique<CountingBar>(&Catalogue(), nullptr, &relay);
        bar->SetCommandHandler([this](int id) { commandsRun.push_back(id); });
        bar->resize(320, 2000);
        bar->show();
    }

    void OpenMission() {
        doc = OpenCrossroads();
        ASSERT_TRUE(doc);
        relay.doc = doc.get();
        bar->OnRelayed(AppMessage::DocumentActivated, 0, reinterpret_cast<intptr_t>(doc.get()));
    }
    void Show(int category, int mode) {
        bar->OnRelayed(AppMessage::EntitiesLoaded, mode, 0);
        bar->OnRelayed(AppMessage::EditModeChanged, category, 0);
    }
    QTreeWidget* Tree() const { return bar->Tree(); }
    QTreeWidgetItem* Root() const { return Tree()->topLevelItem(0); }
    QStringList Listed() const {
        QStringList texts;
        for (int i = 0; Root() && i < Root()->childCount(); ++i)
            texts << Root()->child(i)->text(0);
        return texts;
    }
    QTreeWidgetItem* Item(const QString& start) const {
        const auto hits = Tree()->findItems(start, Qt::MatchStartsWith | Qt::MatchRecursive);
        return hits.isEmpty() ? nullptr : hits.front();
    }
    void Click(QTreeWidgetItem* item, Qt::MouseButton button = Qt::LeftButton) {
        ASSERT_TRUE(item);
        Tree()->scrollToItem(item);
        QTest::mouseClick(Tree()->viewport(), button, {}, Tree()->visualItemRect(item).center());
    }
    void Key(Qt::Key key) { QTest::keyClick(Tree(), key); }
    static void Settle() { QCoreApplication::processEvents(); }
    static intptr_t Ptr(const void* p) { return reinterpret_cast<intptr_t>(p); }
    static std::string Entry(int message, intptr_t first, intptr_t second) {
        return app_testing::Entry("relay", message, first, second);
    }

    CheckingRelay relay;
    std::vector<int> commandsRun;
    std::unique_ptr<CVarnholtMapEditorDoc> doc;
    std::unique_ptr<CountingBar> bar;
};

TEST_F(EntityBarTest, AvailableTypesAreListedSortedUnderTheirCategory) {
    Show(0, 0);
    EXPECT_EQ(Root()->text(0), "Tanks");
    EXPECT_TRUE(Root()->isExpanded());
    QStringList tanks = Listed();
    EXPECT_TRUE(tanks.contains("m4a2") && tanks.contains("pz-6") && tanks.contains("pz-4d_xx"));
    EXPECT_FALSE(tanks.contains("zis-3"));
    QStringList sorted = tanks;
    sorted.sort();
    EXPECT_EQ(tanks, sorted);

    Show(6, 0); // the breeds stand for equipped humans
    EXPECT_EQ(Root()->text(0), "Humans (equipped)");
    EXPECT_TRUE(Listed().contains("rus.infantry_rifle"));
    EXPECT_FALSE(Listed().contains("soldier_rus"));

    // Without a document there is nothing placed, and no helpers at all.
    Show(0, 1);
    EXPECT_EQ(Root()->text(0), "Tanks");
    EXPECT_TRUE(Listed().isEmpty());
    Show(20, 1);
    EXPECT_EQ(Tree()->topLevelItemCount(), 0);
}

TEST_F(EntityBarTest, ATypeIsPlacedWhenClickedOrActivatedButNotWhenWalkedTo) {
    Show(0, 0);
    Click(Item("m4a2"));
    ASSERT_EQ(relay.log.size(), 1u);
    EXPECT_EQ(relay.log[0], Entry(1127, 0, Ptr(bar->PlacingType().c_str())));
    EXPECT_EQ(relay.placedTexts, std::vector<std::string>{"m4a2"});
    Key(Qt::Key_Down);
    Key(Qt::Key_Up);
    EXPECT_EQ(relay.log.size(), 1u);
    Key(Qt::Key_Down);
    Key(Qt::Key_Return);
    ASSERT_EQ(relay.placedTexts.size(), 2u);
    EXPECT_EQ(relay.placedTexts[1], Tree()->currentItem()->text(0).toStdString());
    // The category's root places nothing; a right click places nothing either.
    Click(Root());
    Click(Item("pz-6"), Qt::RightButton);
    EXPECT_EQ(relay.placedTexts.size(), 2u);
}

TEST_F(EntityBarTest, ABreedIsPlacedAsAHumanWithItsInventoryPostureAndBreed) {
    OpenMission();
    const auto before = doc_testing::StateOf(*doc);
    Show(6, 0);
    relay.log.clear();
    Click(Item("rus.infantry_rifle"));
    const CDefNode* human = bar->PreparedEntity();
    ASSERT_TRUE(human);
    EXPECT_EQ(relay.log, Log{Entry(1127, 1, Ptr(human))});
    EXPECT_STREQ(human->GetValue(0), "\"soldier_rus\"");
    EXPECT_STREQ(human->FindValue("FsmState"), "\"stand\"");
    EXPECT_STREQ(human->FindValue("Breed"), "\"rus.infantry_rifle\"");
    const CDefNode* box = human->Find("box");
    ASSERT_TRUE(box);
    std::vector<CDefNode*> items;
    box->CollectAll("item", items);
    EXPECT_EQ(items.size(), 3u);
    // Filling in the new human is no change of the document.
    EXPECT_EQ(doc_testing::StateOf(*doc), before);
    EXPECT_FALSE(doc->CanUndo());
}

TEST_F(EntityBarTest, PlacedElementsOfTheCategoryAreListedSortedFromBothRoots) {
    OpenMission();
    Show(0, 1);
    const QStringList tanks = Listed();
    ASSERT_EQ(tanks.size(), 3);
    EXPECT_TRUE(tanks[0].startsWith("\"m4a2\" = 0x8000 ;MID = 1"));
    EXPECT_TRUE(tanks[1].startsWith("\"pz-4d_xx\" = 0x")); // the base map's wreck
    EXPECT_TRUE(tanks[2].startsWith("\"pz-6\" = 0x"));
    EXPECT_TRUE(tanks[2].contains(" ;MID = "));

    bar->OnRelayed(AppMessage::EditModeChanged, 1, 0);
    EXPECT_EQ(Root()->text(0), "Guns");
    ASSERT_EQ(Listed().size(), 1);
    EXPECT_TRUE(Listed()[0].startsWith("\"zis-3\""));
    EXPECT_EQ(bar->ItemOf(DemoMissionFixture::EntityOf(*doc, "m4a2")), nullptr);

    bar->OnRelayed(AppMessage::EditModeChanged, 20, 0);
    EXPECT_EQ(Listed(), QStringList({"\"bridge\" circle", "\"village\" poly"}));
    bar->OnRelayed(AppMessage::EditModeChanged, 21, 0);
    EXPECT_EQ(Listed(), QStringList({"\"bridge_taken\" id=1 state=0", "\"start\" id=0 state=1"}));
}

TEST_F(EntityBarTest, ChoosingAnElementGoesToItAndTheViewsChoiceIsFollowedSilently) {
    OpenMission();
    Show(7, 1);
    relay.log.clear();
    QTreeWidgetItem* rifleman = Item("\"soldier_rus\"");
    Click(rifleman);
    CDefNode* node = bar->NodeOf(rifleman);
    ASSERT_TRUE(node);
    EXPECT_EQ(node, DemoMissionFixture::EntityOf(*doc, "soldier_rus"));
    EXPECT_EQ(relay.log, Log{Entry(1127, 2, Ptr(node))});
    Key(Qt::Key_Down); // elements are gone to with the keys as well
    ASSERT_EQ(relay.log.size(), 2u);
    EXPECT_EQ(relay.log[1], Entry(1127, 2, Ptr(bar->NodeOf(Tree()->currentItem()))));

    relay.log.clear();
    bar->OnRelayed(AppMessage::ElementEdit, 4, Ptr(node));
    EXPECT_EQ(Tree()->currentItem(), rifleman);
    EXPECT_EQ(bar->SelectedElement(), node);
    bar->OnRelayed(AppMessage::ElementEdit, 3, Ptr(node));
    EXPECT_EQ(Tree()->currentItem(), nullptr);
    EXPECT_TRUE(relay.log.empty());
    Click(rifleman); // chosen again after the view let go of it
    EXPECT_EQ(relay.log, Log{Entry(1127, 2, Ptr(node))});
}

TEST_F(EntityBarTest, DelDeletesAUnitWithItsBrainAndLinksInOneStepButRefusesTheBaseMap) {
    OpenMission();
    const auto before = doc_testing::StateOf(*doc);
    Show(0, 1);
    Click(Item("\"pz-4d_xx\""));
    ASSERT_TRUE(bar->SelectedElement() && bar->SelectedElement()->locked);
    relay.log.clear();
    Key(Qt::Key_Delete);
    EXPECT_EQ(bar->beeps, 1);
    EXPECT_TRUE(relay.log.empty());
    EXPECT_FALSE(doc->CanUndo());

    CDefNode* tank = DemoMissionFixture::EntityOf(*doc, "m4a2");
    Click(bar->ItemOf(tank));
    relay.log.clear();
    Key(Qt::Key_Delete);
    // The views were told while the tank was still in the mission.
    EXPECT_EQ(relay.log, Log{Entry(1132, 0, Ptr(tank))});
    EXPECT_EQ(relay.stillInDocument, std::vector<bool>{true});
    EXPECT_EQ(DemoMissionFixture::EntityOf(*doc, "m4a2"), nullptr);
    CDefNode* root = doc->WorkingRoot();
    EXPECT_EQ(root->FindChild("Brain", "0x8000"), nullptr);
    for (const CDefNode* c : root->Children())
        if (c->Name() == "Link") {
            EXPECT_STRNE(c->GetValue(2), "0x8000");
        }
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(bar->ItemOf(tank), nullptr);
    Settle();
    EXPECT_EQ(Listed().size(), 2);

    ASSERT_TRUE(doc->Undo());
    EXPECT_FALSE(doc->CanUndo());
    EXPECT_EQ(doc_testing::StateOf(*doc), before);
    Settle();
    ASSERT_EQ(Listed().size(), 3);
    EXPECT_EQ(bar->NodeOf(Item("\"m4a2\"")), tank);
}

TEST_F(EntityBarTest, TheMenuActsOnTheChosenElementOnly) {
    OpenMission();
    Show(8, 1);
    QMenu* menu = bar->ContextMenu();
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), "Edit...\tReturn");
    EXPECT_EQ(actions[1]->text(), "Delete\tDel");
    emit menu->aboutToShow();
    EXPECT_FALSE(actions[0]->isEnabled() || actions[1]->isEnabled());

    Click(Item("\"dog\""));
    emit menu->aboutToShow();
    EXPECT_TRUE(actions[0]->isEnabled() && actions[1]->isEnabled());
    actions[0]->trigger();
    EXPECT_EQ(commandsRun, std::vector<int>{commands::CmdSetProperties});
    actions[1]->trigger();
    EXPECT_EQ(DemoMissionFixture::EntityOf(*doc, "dog"), nullptr);
}

TEST_F(EntityBarTest, NoItemKeepsANodeThatUndoTookAway) {
    OpenMission();
    Show(8, 1);
    CDefNode* cow = nullptr;
    {
        CVarnholtMapEditorDoc::Edit edit(*doc, "Place cow");
        document::NewEntity entity = document::PlaceNewEntity("cow", Catalogue());
        cow = doc->AddEntity(entity);
    }
    ASSERT_TRUE(cow);
    Settle();
    ASSERT_EQ(Listed().size(), 2);
    Click(bar->ItemOf(cow));
    ASSERT_EQ(bar->SelectedElement(), cow);

    ASSERT_TRUE(doc->Undo());
    // Before the event loop runs again: no item leads to the node.
    EXPECT_EQ(bar->ItemOf(cow), nullptr);
    EXPECT_EQ(bar->SelectedElement(), nullptr);
    for (int i = 0; i < Root()->childCount(); ++i)
        EXPECT_NE(bar->NodeOf(Root()->child(i)), cow);
    relay.log.clear();
    Key(Qt::Key_Delete);
    Key(Qt::Key_Return);
    EXPECT_TRUE(relay.log.empty());
    Settle();
    EXPECT_EQ(Listed().size(), 1);
    ASSERT_TRUE(doc->Redo());
    Settle();
    EXPECT_EQ(bar->NodeOf(Item("\"cow\"")), cow);
}

TEST_F(EntityBarTest, TheBarLetsGoOfAClosedOrDestroyedDocument) {
    OpenMission();
    Show(0, 1);
    ASSERT_EQ(Listed().size(), 3);
    bar->OnRelayed(AppMessage::DocumentClosing, 0, Ptr(doc.get()) + 8); // another document
    EXPECT_EQ(bar->Document(), Ptr(doc.get()));
    bar->OnRelayed(AppMessage::DocumentClosing, 0, Ptr(doc.get()));
    EXPECT_EQ(bar->Document(), 0);
    EXPECT_TRUE(Listed().isEmpty());

    bar->OnRelayed(AppMessage::DocumentActivated, 0, Ptr(doc.get()));
    ASSERT_EQ(Listed().size(), 3);
    doc.reset();
    EXPECT_EQ(bar->Document(), 0);
    for (int i = 0; i < Root()->childCount(); ++i)
        EXPECT_EQ(bar->NodeOf(Root()->child(i)), nullptr);
    Settle();
    EXPECT_TRUE(Listed().isEmpty());
}

} // namespace
