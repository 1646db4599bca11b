#include "TreeTestSupport.h"

#include "format/DefGuard.h"
#include "support/MessageBoxCatcher.h"

#include <QListWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tree_testing;

namespace {

std::vector<std::string> ValuesOf(const CDefNode& node) {
    std::vector<std::string> out;
    for (auto v : node.Values())
        out.emplace_back(v);
    return out;
}

using Values = std::vector<std::string>;

std::string TextOf(CVarnholtMapEditorDoc& doc) {
    format::StringSink sink;
    doc.Serialize(sink);
    return sink.text;
}

QListWidget* Subentries(CEntryDialog& dialog) {
    return dialog.findChild<QListWidget*>("subentries");
}

} // namespace

class EntryDialogTest : public ::testing::Test {
  protected:
    void SetUp() override { testing_support::TestApp(); }
};

TEST_F(EntryDialogTest, ParametersAreAppliedInOrderOnTheShiftingValueList) {
    CDefNode node("N");
    node.Assign("N", {"a", "b", "c"});
    // The fields as the dialog shows them, with Param 0 cleared and Param 1 changed.
    const QString cleared[4] = {"", "b2", "c", ""};
    ASSERT_TRUE(CEntryDialog::ApplyEntry(node, "N", cleared));
    EXPECT_EQ(ValuesOf(node), (Values{"b2", "c"}));

    CDefNode one("One");
    one.Assign("One", {"x"});
    const QString fourth[4] = {"x", "", "", "d"};
    ASSERT_TRUE(CEntryDialog::ApplyEntry(one, "One", fourth));
    EXPECT_EQ(ValuesOf(one), (Values{"x", "d"}));

    CDefNode many("Many");
    many.Assign("Many", {"1", "2", "3", "4", "5", "6"});
    const QString edited[4] = {"1", "two", "3", "4"};
    ASSERT_TRUE(CEntryDialog::ApplyEntry(many, QString::fromUtf8("M\xC3\xA4ny"), edited));
    EXPECT_EQ(std::string(many.Name()), "M\xE4ny");
    EXPECT_EQ(ValuesOf(many), (Values{"1", "two", "3", "4", "5", "6"}));
    // Clearing one field must not overwrite the values that move up behind it.
    const QString dropTwo[4] = {"1", "", "3", "4"};
    ASSERT_TRUE(CEntryDialog::ApplyEntry(many, QString::fromUtf8("M\xC3\xA4ny"), dropTwo));
    EXPECT_EQ(ValuesOf(many), (Values{"1", "3", "4", "5", "6"}));

    const QString none[4];
    EXPECT_FALSE(CEntryDialog::ApplyEntry(many, "", none));
    EXPECT_EQ(std::string(many.Name()), "M\xE4ny");
}

TEST_F(EntryDialogTest, TextsTheFileWouldReadBackDifferentlyAreRefused) {
    const QString fine[4] = {"\"Tiger Two\"", "0x8001", "-1.5", "="};
    EXPECT_TRUE(CEntryDialog::CheckEntry("Entity", fine).isEmpty());
    EXPECT_TRUE(CEntryDialog::CheckEntry("\"quoted name\"", fine).isEmpty());

    for (const char* bad :
         {"x}", "two words", "\"open", "a;comment", "{", "(x)", ".5", "\"a\"b\""}) {
        const QString params[4] = {"", bad, "", ""};
        EXPECT_EQ(CEntryDialog::CheckEntry("Entity", params),
                  QString::fromStdString(format::CheckValue(bad)))
            << bad;
    }
    const QString empty[4];
    EXPECT_EQ(CEntryDialog::CheckEntry("my dusk\"}", empty),
              QString::fromStdString(format::CheckName("my dusk\"}")));
}

TEST_F(EntryDialogTest, ARefusedTextKeepsTheDialogOpenAsTypedAndSaysWhy) {
    CDefNode node("Environment", "day");
    CEntryDialog dialog(node, nullptr);
    dialog.show();
    SetField(dialog, "param0", "\"my dusk\"}\"");
    testing_support::MessageBoxCatcher boxes;
    Click(dialog, "ok");
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_TRUE(boxes.texts[0].contains("'\"' (double quote) is not allowed"))
        << boxes.texts[0].toStdString();
    EXPECT_EQ(boxes.parents[0], &dialog);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.findChild<QLineEdit*>("param0")->text(), "\"my dusk\"}\"");
    EXPECT_STREQ(node.GetValue(0), "\"day\"");
}

TEST_F(EntryDialogTest, OkWithoutANameKeepsTheDialogOpen) {
    CDefNode node("Entity");
    node.Assign("Entity", {"\"m4a2\"", "0x8001"});
    CEntryDialog dialog(node, nullptr);
    dialog.show();
    SetField(dialog, "name", "  ");
    Click(dialog, "ok");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(std::string(node.Name()), "Entity");

    SetField(dialog, "name", " Unit ");
    Click(dialog, "ok");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), CEntryDialog::Confirmed);
    EXPECT_EQ(std::string(node.Name()), "Unit");
}

TEST_F(EntryDialogTest, DeletingASubentryGoesThroughTheDocumentOnOk) {
    auto doc = MakeDoc(kMission);
    CDefNode* helpers = doc->Roots()[1]->Child(2);
    CDefNode* eventF = helpers->Child(1);
    ASSERT_EQ(doc->Events().size(), 2u);

    CEntryDialog dialog(*helpers, doc.get());
    QListWidget* list = Subentries(dialog);
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), "event");
    list->setCurrentRow(0);
    OnEntryDialog([](CEntryDialog& nested) { Click(nested, "delete"); });
    Click(dialog, "edit");
    EXPECT_EQ(list->count(), 1);
    EXPECT_EQ(helpers->ChildCount(), 2u); // not before OK

    Click(dialog, "ok");
    EXPECT_TRUE(dialog.SubentriesChanged());
    ASSERT_EQ(helpers->ChildCount(), 1u);
    EXPECT_EQ(helpers->Child(0), eventF);
    ASSERT_EQ(doc->Events().size(), 1u);
    EXPECT_EQ(doc->Events()[0]->node, eventF);
}

// Edits the first entity's type and, one level further down, its MID, then
// deletes the second entity, all in dialogs nested in one on the mission.
void EditThroughNestedDialogs(CEntryDialog& outer) {
    Subentries(outer)->setCurrentRow(0);
    OnEntryDialog([](CEntryDialog& entity) {
        SetField(entity, "param0", "\"sherman\"");
        Subentries(entity)->setCurrentRow(0);
        OnEntryDialog([](CEntryDialog& mid) {
            SetField(mid, "param0", "9");
            Click(mid, "ok");
        });
        Click(entity, "edit");
        Click(entity, "ok");
    });
    Click(outer, "edit");
    Subentries(outer)->setCurrentRow(1);
    OnEntryDialog([](CEntryDialog& tiger) { Click(tiger, "delete"); });
    Click(outer, "edit");
    EXPECT_EQ(Subentries(outer)->count(), 2);
}

TEST_F(EntryDialogTest, CancelLeavesTheNodeAsItWasWhateverNestedDialogsConfirmed) {
    auto doc = MakeDoc(kMission);
    CDefNode* mission = doc->Roots()[1].get();
    const std::string before = TextOf(*doc);
    {
        CEntryDialog outer(*mission, doc.get());
        EditThroughNestedDialogs(outer);
        SetField(outer, "param0", "extra");
        Click(outer, "cancel");
        EXPECT_FALSE(outer.SubentriesChanged());
    }
    EXPECT_EQ(TextOf(*doc), before);
    EXPECT_TRUE(doc->IdInUse(0x8002));
    EXPECT_TRUE(doc->MidInUse(6));

    // A nested Cancel drops what its own nested dialogs confirmed.
    {
        CEntryDialog outer(*mission, doc.get());
        Subentries(outer)->setCurrentRow(0);
        OnEntryDialog([](CEntryDialog& entity) {
            Subentries(entity)->setCurrentRow(0);
            OnEntryDialog([](CEntryDialog& mid) {
                SetField(mid, "param0", "9");
                Click(mid, "ok");
            });
            Click(entity, "edit");
            Click(entity, "cancel");
        });
        Click(outer, "edit");
        Click(outer, "ok");
        EXPECT_FALSE(outer.SubentriesChanged());
    }
    EXPECT_EQ(TextOf(*doc), before);
}

TEST_F(EntryDialogTest, OkWritesNestedEditsIntoTheSameNodesAndFreesDeletedIds) {
    auto doc = MakeDoc(kMission);
    CDefNode* mission = doc->Roots()[1].get();
    CDefNode* sherman = mission->Child(0);
    CDefNode* helpers = mission->Child(2);
    CEntryDialog outer(*mission, doc.get());
    EditThroughNestedDialogs(outer);
    Click(outer, "ok");
    EXPECT_TRUE(outer.SubentriesChanged());

    ASSERT_EQ(mission->ChildCount(), 2u);
    EXPECT_EQ(mission->Child(0), sherman);
    EXPECT_EQ(mission->Child(1), helpers);
    EXPECT_EQ(CVarnholtMapEditorView::ItemLabel(*sherman), "Entity (\"sherman\" ;0x8001)");
    EXPECT_EQ(CVarnholtMapEditorView::ItemLabel(*sherman->Child(0)), "MID (9)");
    EXPECT_FALSE(doc->IdInUse(0x8002));
    EXPECT_FALSE(doc->MidInUse(6));
    EXPECT_TRUE(doc->IdInUse(0x8001));
    EXPECT_EQ(doc->Events()[0]->node, helpers->Child(0));
}
