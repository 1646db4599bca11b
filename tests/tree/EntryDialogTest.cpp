#include "TreeTestSupport.h"

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

    for (const char* bad : {"x}", "two words", "\"open", "a;comment", "{", "(x)", ".5"}) {
        const QString params[4] = {"", bad, "", ""};
        EXPECT_EQ(CEntryDialog::CheckEntry("Entity", params),
                  QStringLiteral("Param 1 ('%1') cannot be stored in the file as one value. "
                                 "Use a single word or number, or put the text in double quotes.")
                      .arg(bad))
            << bad;
    }
    const QString empty[4];
    EXPECT_FALSE(CEntryDialog::CheckEntry("two words", empty).isEmpty());
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

TEST_F(EntryDialogTest, DeletingASubentryGoesThroughTheDocument) {
    auto doc = MakeDoc(kMission);
    CDefNode* helpers = doc->Roots()[1]->Child(2);
    CDefNode* eventE = helpers->Child(0);
    ASSERT_EQ(doc->Events().size(), 2u);

    CEntryDialog dialog(*helpers, doc.get());
    auto* list = dialog.findChild<QListWidget*>("subentries");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), "event");
    list->setCurrentRow(0);
    OnEntryDialog([](CEntryDialog& nested) { Click(nested, "delete"); });
    Click(dialog, "edit");

    EXPECT_TRUE(dialog.SubentriesChanged());
    EXPECT_EQ(list->count(), 1);
    ASSERT_EQ(helpers->ChildCount(), 1u);
    ASSERT_EQ(doc->Events().size(), 1u);
    EXPECT_NE(doc->Events()[0]->node, eventE);
    EXPECT_EQ(doc->Events()[0]->node, helpers->Child(0));
}
