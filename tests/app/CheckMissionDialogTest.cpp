// The Check Mission window on the offscreen platform: it lists the findings,
// and a double click or Enter on a row selects the element in the element
// tree through the document's GoToElement broadcast.

#include "AppTestSupport.h"

#include "app/CheckMissionDialog.h"
#include "tree/VarnholtMapEditorView.h"

#include <QTest>
#include <QTreeWidget>

namespace {

// A trigger that sends MID 7 (nobody) to waypoint 9 (nowhere), and a Brain
// of a unit that does not exist.
const char* kFaultyMission = R"({mission
	{Entity "m4a2" 0x8000 {Position 10 10 0} {MID 1}}
	{Brain 0x8005 {HoldFire}}
	{Helpers
		{trigger "go" {actions {"actor_to_waypoint" {"selector" {"actors/mids" "7"}} {"waypoint/uid" "9"}}}}
	}
}
)";

// Hands the document's broadcasts to the one tree view of the test.
class TreeHost : public document::DocumentHost {
  public:
    CVarnholtMapEditorView* view = nullptr;
    void UpdateAllViews(document::UpdateHint hint, intptr_t param) override {
        if (view) view->OnUpdate(static_cast<int>(hint), param);
    }
};

class CheckMissionDialogTest : public app_testing::QtFixture, public doc_testing::DocFixture {
  protected:
    std::unique_ptr<CVarnholtMapEditorDoc> Open(const char* text) {
        auto doc = OpenMission(text);
        if (!doc) return doc;
        auto services = doc->Services();
        services.host = &m_host;
        doc->SetServices(services);
        m_tree = std::make_unique<CVarnholtMapEditorView>(doc.get(), nullptr);
        m_host.view = m_tree.get();
        m_tree->show();
        return doc;
    }

    static void DoubleClick(QTreeWidget* list, QTreeWidgetItem* item) {
        const QPoint at = list->visualItemRect(item).center();
        // QTest sends the double click event alone; the view wants the press
        // of the first click before it.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    TreeHost m_host;
    std::unique_ptr<CVarnholtMapEditorView> m_tree;
};

TEST_F(CheckMissionDialogTest, RowsReachTheirElementsInTheTree) {
    auto doc = Open(kFaultyMission);
    ASSERT_TRUE(doc);
    app::CCheckMissionDialog dialog(*doc, nullptr);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTreeWidget* list = dialog.List();
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "6");
    EXPECT_EQ(list->topLevelItem(0)->text(1), "error");
    EXPECT_EQ(list->topLevelItem(0)->text(2), "Brain names unit ID 0x8005, which no entity has.");
    EXPECT_EQ(list->topLevelItem(2)->text(2),
              "Trigger \"go\" names waypoint 9, which does not exist.");
    EXPECT_EQ(dialog.Summary(),
              "3 error(s), 0 warning(s). Double-click a line to go to its element.");

    // A double click opens the tree down to the nested block and selects it.
    const CDefNode* uid = doc->Helpers()->Find("\"waypoint/uid\"");
    ASSERT_TRUE(uid);
    DoubleClick(list, list->topLevelItem(2));
    EXPECT_EQ(m_tree->SelectedNode(), uid);

    // Enter on the current row does the same, and the window stays open.
    list->setFocus();
    list->setCurrentItem(list->topLevelItem(0));
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(m_tree->SelectedNode(), doc->WorkingRoot()->FindChild("Brain"));
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(CheckMissionDialogTest, DeletedElementsAreNotFollowedAndCheckingAgainRefreshes) {
    auto doc = Open(kFaultyMission);
    ASSERT_TRUE(doc);
    app::CCheckMissionDialog dialog(*doc, nullptr);
    QTreeWidget* list = dialog.List();
    ASSERT_EQ(list->topLevelItemCount(), 3);
    CDefNode* brain = doc->WorkingRoot()->FindChild("Brain");
    ASSERT_TRUE(doc->DeleteNode(brain));
    m_tree->Rebuild();

    EXPECT_FALSE(dialog.GoTo(list->topLevelItem(0)));
    EXPECT_EQ(m_tree->SelectedNode(), nullptr);
    EXPECT_EQ(dialog.Summary(), "That element no longer exists. Check again to refresh the list.");
    dialog.Recheck();
    EXPECT_EQ(list->topLevelItemCount(), 2);
}

TEST_F(CheckMissionDialogTest, ACleanMissionSaysSo) {
    auto doc = Open("{mission\n\t{Entity \"m4a2\" 0x8000 {Position 10 10 0} {MID 1}}\n}\n");
    ASSERT_TRUE(doc);
    app::CCheckMissionDialog dialog(*doc, nullptr);
    EXPECT_EQ(dialog.List()->topLevelItemCount(), 0);
    EXPECT_EQ(dialog.Summary(), "No problems found.");
}

} // namespace
