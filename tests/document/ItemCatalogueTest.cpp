#include "document/ItemCatalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

namespace {

using document::FindAnyItem;
using document::FindItem;
using document::InventoryGrid;
using document::ItemGroup;

TEST(ItemCatalogueTest, GroupsHoldTheirRowsInTableOrder) {
    const auto weapons = document::CatalogueItems(ItemGroup::Weapons);
    const auto ammo = document::CatalogueItems(ItemGroup::Ammo);
    const auto misc = document::CatalogueItems(ItemGroup::Misc);
    ASSERT_EQ(weapons.size(), 38u);
    ASSERT_EQ(ammo.size(), 56u);
    ASSERT_EQ(misc.size(), 36u);
    EXPECT_STREQ(weapons.back().name, "\"weapon panzershreck\"");
    EXPECT_STREQ(ammo.back().name, "\"air bomb\"");
    EXPECT_STREQ(misc[21].name, "\"body_armor\""); // first row after the headgear
}

// Every name is quoted, unique across the groups (so the any-group lookup
// finds the row the chooser shows), and every filling is an item of its own.
TEST(ItemCatalogueTest, RowsAreQuotedUniqueAndFillingsExist) {
    std::set<std::string> seen;
    for (ItemGroup group : {ItemGroup::Weapons, ItemGroup::Ammo, ItemGroup::Misc}) {
        for (const auto& item : document::CatalogueItems(group)) {
            const std::string name = item.name;
            SCOPED_TRACE(name);
            EXPECT_EQ(item.group, group);
            EXPECT_TRUE(name.size() > 2 && name.front() == '"' && name.back() == '"');
            EXPECT_LE(name.size(), 63u);
            EXPECT_TRUE(seen.insert(name).second);
            EXPECT_GT(item.width, 0);
            EXPECT_GT(item.height, 0);
            EXPECT_EQ(item.filling != nullptr, item.amount > 0);
            if (item.filling) {
                EXPECT_NE(FindAnyItem(item.filling), nullptr);
            }
        }
    }
}

TEST(ItemCatalogueTest, SizesAndFillingsOfTellingRows) {
    const auto* mp40 = FindItem(ItemGroup::Weapons, "\"mp40\"");
    ASSERT_NE(mp40, nullptr);
    EXPECT_EQ(std::make_pair(mp40->width, mp40->height), std::make_pair(4, 2));
    EXPECT_STREQ(mp40->filling, "\"ammo pistol\"");
    EXPECT_EQ(mp40->amount, 32);
    EXPECT_EQ(FindItem(ItemGroup::Weapons, "\"browning\"")->amount, 200);
    EXPECT_FALSE(document::HasFilling(*FindItem(ItemGroup::Weapons, "\"axe hand\"")));

    for (auto [container, amount] : {std::pair{"\"can\"", 20}, std::pair{"\"barrel\"", 50}}) {
        const auto* item = FindItem(ItemGroup::Misc, container);
        ASSERT_NE(item, nullptr);
        EXPECT_TRUE(document::HasFilling(*item));
        EXPECT_STREQ(item->filling, "\"fuel\"");
        EXPECT_EQ(item->amount, amount);
    }

    using Size = std::pair<int, int>;
    for (auto [name, size] :
         {std::pair{"\"ammo nebel\"", Size{4, 2}}, std::pair{"\"bullet20 zenite\"", Size{2, 2}},
          std::pair{"\"mine antitank\"", Size{2, 2}}, std::pair{"\"ammo katusha\"", Size{8, 1}},
          std::pair{"\"ammo torpedo\"", Size{8, 3}}, std::pair{"\"air bomb\"", Size{4, 3}}}) {
        const auto* item = FindItem(ItemGroup::Ammo, name);
        ASSERT_NE(item, nullptr) << name;
        EXPECT_EQ(Size(item->width, item->height), size) << name;
    }
}

TEST(ItemCatalogueTest, LookupIgnoresCaseButNeedsTheQuotesAndTheGroup) {
    EXPECT_EQ(FindItem(ItemGroup::Weapons, "\"MP40\""), FindItem(ItemGroup::Weapons, "\"mp40\""));
    EXPECT_EQ(FindItem(ItemGroup::Weapons, "mp40"), nullptr);
    EXPECT_EQ(FindItem(ItemGroup::Ammo, "\"mp40\""), nullptr);
    EXPECT_EQ(FindAnyItem("\"Barrel\"")->group, ItemGroup::Misc);
    EXPECT_EQ(FindAnyItem("\"pistol\""), nullptr);
}

TEST(InventoryGridTest, AutomaticPlacementFillsRowByRowFromTheLeft) {
    InventoryGrid grid(8, 4);
    grid.Mark(0, 0, 1, 1);
    int x = -1, y = -1;
    ASSERT_TRUE(grid.PlaceAutomatically(2, 2, x, y));
    EXPECT_EQ(std::pair(x, y), std::pair(1, 0));
    ASSERT_TRUE(document::PlaceItemAutomatically(grid, "\"mp40\"", x, y)); // 4 x 2
    EXPECT_EQ(std::pair(x, y), std::pair(3, 0));
    // Rows 0 and 1 have single free cells only (7, 0) and (0, 1): a 2 x 1
    // item skips them, a 1 x 1 item takes the first of them.
    ASSERT_TRUE(grid.PlaceAutomatically(2, 1, x, y));
    EXPECT_EQ(std::pair(x, y), std::pair(0, 2));
    ASSERT_TRUE(grid.PlaceAutomatically(1, 1, x, y));
    EXPECT_EQ(std::pair(x, y), std::pair(7, 0));
    EXPECT_TRUE(grid.IsFree(0, 1, 1, 1));
    EXPECT_TRUE(grid.IsFree(2, 2, 6, 2));
}

TEST(InventoryGridTest, AnItemThatFitsNowhereIsRefusedAndMarksNothing) {
    InventoryGrid grid(5, 6);
    int x = 42, y = 43;
    EXPECT_FALSE(document::PlaceItemAutomatically(grid, "\"ammo katusha\"", x, y)); // 8 wide
    EXPECT_EQ(std::pair(x, y), std::pair(42, 43));
    EXPECT_TRUE(grid.IsFree(0, 0, 5, 6));
    EXPECT_FALSE(grid.PlaceAutomatically(0, 1, x, y));
    EXPECT_FALSE(grid.PlaceAutomatically(1, 0x7fffffff, x, y));
    EXPECT_TRUE(grid.IsFree(0, 0, 5, 6));
}

TEST(InventoryGridTest, UnknownItemsGoToTheBottomLeftCell) {
    InventoryGrid grid(8, 4);
    grid.Mark(0, 3, 1, 1);
    int x = -1, y = -1;
    ASSERT_TRUE(document::PlaceItemAutomatically(grid, "\"secret papers\"", x, y));
    EXPECT_EQ(std::pair(x, y), std::pair(0, 3));
    EXPECT_TRUE(grid.IsFree(1, 3, 7, 1));

    InventoryGrid empty(0, 0);
    EXPECT_FALSE(document::PlaceItemAutomatically(empty, "\"secret papers\"", x, y));
}

TEST(InventoryGridTest, RectanglesLeavingTheGridAreNotFreeAndMarkingClips) {
    InventoryGrid grid(4, 3);
    EXPECT_FALSE(grid.IsFree(-1, 0, 1, 1));
    EXPECT_FALSE(grid.IsFree(3, 0, 2, 1));
    EXPECT_FALSE(grid.IsFree(0, 2, 1, 2));
    EXPECT_FALSE(grid.IsFree(1, 1, 0x7fffffff, 1));
    EXPECT_TRUE(grid.IsFree(0, 0, 4, 3));
    grid.Mark(-2, -2, 3, 3);
    grid.Mark(3, 2, 0x7fffffff, 0x7fffffff);
    EXPECT_FALSE(grid.IsFree(0, 0, 1, 1));
    EXPECT_FALSE(grid.IsFree(3, 2, 1, 1));
    EXPECT_TRUE(grid.IsFree(1, 0, 2, 3));
    EXPECT_TRUE(grid.IsFree(0, 1, 3, 2));
}

} // namespace
