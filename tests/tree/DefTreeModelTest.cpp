#include "TreeTestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace tree_testing;

class DefTreeModelTest : public ::testing::Test {
  protected:
    std::unique_ptr<CVarnholtMapEditorDoc> doc = MakeDoc(kMission);
    CDefNode* Map() { return doc->Roots()[0].get(); }
    CDefNode* Mission() { return doc->Roots()[1].get(); }
};

TEST_F(DefTreeModelTest, LabelsShowNameAndStoredValues) {
    auto labels = MakeDoc("{A} {B x} {C x y} {D \"Tiger Two\" 0x8001} {\xC4rger \"\x80\"}");
    const auto& roots = labels->Roots();
    ASSERT_EQ(roots.size(), 5u);
    EXPECT_EQ(CVarnholtMapEditorView::ItemLabel(*roots[0]), "A");
    EXPECT_EQ(CVarnholtMapEditorView::ItemLabel(*roots[1]), "B (x)");
    EXPECT_EQ(CVarnholtMapEditorView::ItemLabel(*roots[2]), "C (x ;y)");
    EXPECT_EQ(CVarnholtMapEditorView::ItemLabel(*roots[3]), "D (\"Tiger Two\" ;0x8001)");
    EXPECT_EQ(CVarnholtMapEditorView::ItemLabel(*roots[4]),
              QString::fromUtf8("\xC3\x84rger (\"\xE2\x82\xAC\")"));

    TestView view(labels.get(), nullptr);
    QAbstractItemModel* model = view.model();
    ASSERT_EQ(model->rowCount(), 5);
    EXPECT_EQ(model->index(3, 0).data().toString(), "D (\"Tiger Two\" ;0x8001)");
}

TEST_F(DefTreeModelTest, ExpandedStateSurvivesAnEditElsewhere) {
    TestView view(doc.get(), nullptr);
    QAbstractItemModel* model = view.model();
    view.expand(model->index(0, 0));
    view.expand(model->index(1, 0));
    view.expand(IndexOf(view, Mission()->Child(2)));
    view.collapse(model->index(0, 0));
    EXPECT_FALSE(Map()->Expanded());

    view.SelectNode(Mission()->Child(0));
    OnEntryDialog([](CEntryDialog& dialog) {
        SetField(dialog, "param0", "\"sherman\"");
        Click(dialog, "ok");
    });
    view.OnEdit();
    EXPECT_EQ(std::string(Mission()->Child(0)->GetValue(0)), "\"sherman\"");
    EXPECT_FALSE(view.isExpanded(model->index(0, 0)));
    EXPECT_TRUE(view.isExpanded(IndexOf(view, Mission()->Child(2))));
    EXPECT_EQ(view.SelectedNode(), Mission()->Child(0));

    // Reopening a parent restores what was open below it.
    view.collapse(model->index(1, 0));
    view.Rebuild();
    EXPECT_FALSE(view.isExpanded(model->index(1, 0)));
    view.expand(model->index(1, 0));
    EXPECT_TRUE(view.isExpanded(IndexOf(view, Mission()->Child(2))));
}

TEST_F(DefTreeModelTest, AMissionOfTwentyThousandEntitiesShowsAndIsSearched) {
    std::string text = "{map {WorldBound 0 0 1 1}}\n{mission\n";
    for (int i = 0; i < 20000; ++i)
        text += "{Entity \"m4a2\" 0x" + QString::number(0x8001 + i, 16).toStdString() + " {MID " +
                std::to_string(i + 1) + "}}\n";
    text += "}\n";
    auto big = MakeDoc(text);
    big->Roots()[1]->SetExpanded(true);

    TestView view(big.get(), nullptr);
    view.resize(400, 300);
    view.show();
    QApplication::processEvents();
    ASSERT_TRUE(view.isExpanded(view.model()->index(1, 0)));
    EXPECT_EQ(view.model()->rowCount(view.model()->index(1, 0)), 20000);
    view.scrollToBottom();
    view.grab();

    CDefNode* last = big->Roots()[1]->Child(19999);
    ASSERT_TRUE(view.FindNext(QString::number(0x8001 + 19999, 16).prepend("0x"), false, true));
    EXPECT_EQ(view.SelectedNode(), last);
    view.Rebuild();
    EXPECT_TRUE(view.isExpanded(view.model()->index(1, 0)));
    EXPECT_EQ(view.model()->parent(IndexOf(view, last->Child(0))).row(), 19999);
}
