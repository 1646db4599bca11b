#include "TreeTestSupport.h"

#include <gtest/gtest.h>

using namespace tree_testing;

class TreeFindTest : public ::testing::Test {
  protected:
    std::unique_ptr<CVarnholtMapEditorDoc> doc = MakeDoc(kMission);
    TestView view{doc.get(), nullptr};
    CDefNode* Mission() { return doc->Roots()[1].get(); }
    CDefNode* M4a2() { return Mission()->Child(0); }
    CDefNode* Tiger() { return Mission()->Child(1); }

    // A search from the top of the tree: a view that has found nothing yet.
    CDefNode* FindFresh(const QString& text, bool matchCase, bool wholeWord) {
        TestView fresh(doc.get(), nullptr);
        CDefNode* hit = fresh.FindNext(text, matchCase, wholeWord) ? fresh.SelectedNode() : nullptr;
        notFound += static_cast<int>(fresh.notFound.size());
        return hit;
    }
    int notFound = 0;
};

TEST_F(TreeFindTest, WholeWordCaseAndQuotesDecideWhatMatches) {
    EXPECT_EQ(FindFresh("0x8001", false, true), M4a2());
    EXPECT_EQ(FindFresh("800", false, false), M4a2());
    EXPECT_EQ(FindFresh("800", false, true), nullptr);
    // Quoted values are compared without their quotes.
    EXPECT_EQ(FindFresh("tiger", false, true), Tiger());
    EXPECT_EQ(FindFresh("TIGER", false, true), Tiger());
    EXPECT_EQ(FindFresh("TIGER", true, true), nullptr);
    EXPECT_EQ(FindFresh("helpers", false, true), Mission()->Child(2));
    EXPECT_EQ(notFound, 2);
}

TEST_F(TreeFindTest, SearchesContinueAfterTheLastHitUntilTheEnd) {
    ASSERT_TRUE(view.FindNext("Entity", false, true));
    EXPECT_EQ(view.SelectedNode(), M4a2());
    ASSERT_TRUE(view.FindNext("Entity", false, true));
    EXPECT_EQ(view.SelectedNode(), Tiger());
    EXPECT_FALSE(view.FindNext("Entity", false, true));
    ASSERT_EQ(view.notFound.size(), 1u);
    EXPECT_EQ(view.notFound[0], "The string 'Entity' could not be found.");
    // The last hit is forgotten: the next search starts at the selection, itself included.
    EXPECT_TRUE(view.FindNext("Entity", false, true));
    EXPECT_EQ(view.SelectedNode(), Tiger());
    // Nothing is searched for an empty text.
    EXPECT_FALSE(view.FindNext("", false, false));
    EXPECT_EQ(view.notFound.size(), 1u);
}

TEST_F(TreeFindTest, SearchingUpWalksTheDisplayOrderBackwards) {
    view.SelectNode(Mission()->Child(2));
    ASSERT_TRUE(view.FindNext("Entity", false, true, false));
    EXPECT_EQ(view.SelectedNode(), Tiger());
    ASSERT_TRUE(view.FindNext("5", false, true, false));
    EXPECT_EQ(view.SelectedNode(), M4a2()->Child(0));
    ASSERT_TRUE(view.FindNext("map", false, true, false));
    EXPECT_EQ(view.SelectedNode(), doc->Roots()[0].get());
    EXPECT_FALSE(view.FindNext("map", false, true, false));

    // Without a selection an upward search starts at the last node.
    TestView fresh(doc.get(), nullptr);
    ASSERT_TRUE(fresh.FindNext("event", false, true, false));
    EXPECT_EQ(fresh.SelectedNode(), Mission()->Child(2)->Child(1));
}

TEST_F(TreeFindTest, ALastHitDeletedMeanwhileRestartsFromTheSelection) {
    CDefNode* m4a2 = M4a2();
    CDefNode* tiger = Tiger();
    ASSERT_TRUE(view.FindNext("m4a2", false, true));
    view.SelectNode(tiger);
    // The 3D view deletes the element that was found last.
    view.OnUpdate(static_cast<int>(document::UpdateHint::ElementDeleted),
                  reinterpret_cast<intptr_t>(m4a2));
    ASSERT_TRUE(doc->DeleteElement(m4a2));
    QApplication::processEvents();
    ASSERT_EQ(view.SelectedNode(), tiger);
    ASSERT_TRUE(view.FindNext("0x8002", false, true));
    EXPECT_EQ(view.SelectedNode(), tiger);
}
