#include "TreeTestSupport.h"

#include "commands/CommandTable.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

using namespace tree_testing;

namespace {

const char* kHelpers = R"(
{map {WorldBound 0 0 1 1}}
{mission
  {Entity "m4a2" 0x8001 {MID 5}}
  {Helpers
    {trigger "t1" {actions}}
    {waypoints {1 {Position 1 2 3}}}
    {zone "circle" {position 0 0 0} {Name "z"} {Radius 5}}}
  {Tags}
})";

class TreePropertiesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        doc = MakeDoc(kHelpers);
        view = std::make_unique<TestView>(doc.get(), nullptr);
        CVarnholtMapEditorView::SetPropertiesEditor(
            [this](CVarnholtMapEditorDoc& d, CDefNode* node, QWidget* parent) {
                EXPECT_EQ(&d, doc.get());
                EXPECT_EQ(parent, view.get());
                opened.push_back(node);
                return answer;
            });
    }
    void TearDown() override { CVarnholtMapEditorView::SetPropertiesEditor(nullptr); }

    std::unique_ptr<CVarnholtMapEditorDoc> doc;
    std::unique_ptr<TestView> view;
    std::vector<CDefNode*> opened;
    bool answer = true;
};

TEST_F(TreePropertiesTest, SetPropertiesOpensTheEditorOnElementsWithADialogOnly) {
    CDefNode* helpers = doc->WorkingRoot()->FindChild("Helpers");
    CDefNode* waypoint = helpers->FindChild("waypoints")->Child(0);
    int modified = 0;
    QObject::connect(view.get(), &CVarnholtMapEditorView::DocumentModified,
                     [&modified] { ++modified; });
    for (CDefNode* node : {helpers->FindChild("trigger"), waypoint, helpers->FindChild("zone")}) {
        view->SelectNode(node);
        EXPECT_TRUE(view->CanSetProperties()) << node->Name();
        view->OnSetProperties();
    }
    EXPECT_EQ(opened.size(), 3u);
    EXPECT_EQ(modified, 3);

    // Plain blocks have no dialog; entities need the catalogue to be known.
    for (CDefNode* node : {doc->WorkingRoot()->FindChild("Tags"), helpers,
                           doc->WorkingRoot()->FindChild("Entity")}) {
        view->SelectNode(node);
        EXPECT_FALSE(view->CanSetProperties()) << node->Name();
        view->OnSetProperties();
    }
    EXPECT_EQ(opened.size(), 3u);

    // Cancel in the dialog: nothing is reported as changed.
    answer = false;
    view->SelectNode(waypoint);
    view->OnSetProperties();
    EXPECT_EQ(modified, 3);
}

TEST_F(TreePropertiesTest, TheContextMenuCarriesTheCommandAndWithoutAnEditorItIsOff) {
    auto* menu = view->findChild<QMenu*>();
    ASSERT_TRUE(menu);
    QAction* properties = nullptr;
    for (QAction* action : menu->actions())
        if (action->data().toInt() == commands::CmdSetProperties) properties = action;
    ASSERT_TRUE(properties);
    EXPECT_EQ(properties->text(), "Set &Properties");
    view->SelectNode(doc->WorkingRoot()->FindChild("Helpers")->FindChild("zone"));
    CVarnholtMapEditorView::SetPropertiesEditor(nullptr);
    EXPECT_FALSE(view->CanSetProperties());
    view->OnSetProperties();
    EXPECT_TRUE(opened.empty());
}

} // namespace
