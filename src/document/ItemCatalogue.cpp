// The built-in item tables and the placement of items in an inventory grid.

#include "document/ItemCatalogue.h"

#include "platform/Text.h"

#include <algorithm>
#include <cstdint>

namespace document {

namespace {

constexpr ItemInfo Weapon(const char* name, int w, int h, const char* filling = nullptr,
                          int amount = 0) {
    return {name, w, h, filling, amount, ItemGroup::Weapons};
}
constexpr ItemInfo Ammo(const char* name, int w, int h) {
    return {name, w, h, nullptr, 0, ItemGroup::Ammo};
}
constexpr ItemInfo Misc(const char* name, int w, int h, const char* filling = nullptr,
                        int amount = 0) {
    return {name, w, h, filling, amount, ItemGroup::Misc};
}

constexpr const char* kPistol = "\"ammo pistol\"";
constexpr const char* kRifle = "\"ammo rifle\"";
constexpr const char* kMgun = "\"ammo mgun\"";
constexpr const char* kPtr = "\"ammo ptr\"";
constexpr const char* kBazooka = "\"ammo bazooka\"";
constexpr const char* kFuel = "\"fuel\"";

// A weapon's filling names its ammunition row, so a filled weapon written to
// a mission carries a cartridge the game knows.
constexpr ItemInfo kWeapons[] = {
    Weapon("\"axe hand\"", 3, 2),
    Weapon("\"crow_bar\"", 3, 1),
    Weapon("\"knife hand\"", 2, 1),
    Weapon("\"knife_ger hand\"", 2, 1),
    Weapon("\"browning\"", 5, 2, kMgun, 200),
    Weapon("\"welrod\"", 3, 1, kRifle, 6),
    Weapon("\"valter\"", 2, 1, kPistol, 8),
    Weapon("\"colt\"", 2, 1, kPistol, 7),
    Weapon("\"webley\"", 2, 1, kPistol, 6),
    Weapon("\"nagan\"", 2, 1, kPistol, 8),
    Weapon("\"tt\"", 2, 1, kPistol, 8),
    Weapon("\"bren\"", 4, 2, kMgun, 30),
    Weapon("\"thompson\"", 4, 2, kPistol, 30),
    Weapon("\"sten\"", 4, 2, kPistol, 33),
    Weapon("\"mp41\"", 4, 2, kPistol, 32),
    Weapon("\"mp40\"", 4, 2, kPistol, 32),
    Weapon("\"mg34\"", 5, 2, kMgun, 50),
    Weapon("\"mg42\"", 5, 2, kMgun, 50),
    Weapon("\"bar\"", 5, 2, kMgun, 20),
    Weapon("\"sg44\"", 4, 2, kPistol, 30),
    Weapon("\"m3a\"", 4, 2, kPistol, 32),
    Weapon("\"m1\"", 4, 2, kRifle, 8),
    Weapon("\"dt\"", 5, 2, kMgun, 60),
    Weapon("\"dp\"", 5, 2, kMgun, 47),
    Weapon("\"ds\"", 5, 2, kMgun, 250),
    Weapon("\"ppsh\"", 4, 2, kPistol, 71),
    Weapon("\"ptrs\"", 4, 3, kPtr, 5),
    Weapon("\"ptrd\"", 4, 3, kPtr, 5),
    Weapon("\"mosin\"", 4, 2, kRifle, 5),
    Weapon("\"mauzer\"", 4, 2, kRifle, 5),
    Weapon("\"g41\"", 4, 2, kRifle, 5),
    Weapon("\"svt\"", 4, 2, kRifle, 5),
    Weapon("\"enfield\"", 4, 2, kRifle, 5),
    Weapon("\"m1_carbine\"", 4, 2, kRifle, 15),
    Weapon("\"super_gun\"", 4, 2, kRifle, 10),
    Weapon("\"weapon bazooka\"", 5, 2, kBazooka, 1),
    Weapon("\"weapon panzerfaust\"", 5, 1, "\"ammo panzerfaust\"", 1),
    Weapon("\"weapon panzershreck\"", 5, 2, kBazooka, 1),
};

// Cartridges and small shells take one cell or two; tank and gun shells grow
// with the calibre up to the width of a rifle. Rockets, torpedoes and bombs
// are the few items that need several rows.
constexpr ItemInfo kAmmo[] = {
    Ammo("\"ammo pistol\"", 1, 1),
    Ammo("\"ammo rifle\"", 1, 1),
    Ammo("\"ammo mgun\"", 2, 1),
    Ammo("\"ammo bazooka\"", 3, 1),
    Ammo("\"ammo panzerfaust\"", 3, 1),
    Ammo("\"ammo nebel\"", 4, 2),
    Ammo("\"ammo ptr\"", 2, 1),
    Ammo("\"bullet37 ap\"", 2, 1),
    Ammo("\"bullet45 ap\"", 2, 1),
    Ammo("\"bullet45 fg\"", 2, 1),
    Ammo("\"bullet50 fg\"", 2, 1),
    Ammo("\"bullet50 ap\"", 2, 1),
    Ammo("\"bullet57 fg\"", 3, 1),
    Ammo("\"bullet57 ap\"", 3, 1),
    Ammo("\"bullet75 fg\"", 3, 1),
    Ammo("\"bullet75 ap\"", 3, 1),
    Ammo("\"bullet76 ap\"", 3, 1),
    Ammo("\"bullet76 fg\"", 3, 1),
    Ammo("\"bullet85 ap\"", 3, 1),
    Ammo("\"bullet85 fg\"", 3, 1),
    Ammo("\"bullet88 fg\"", 4, 1),
    Ammo("\"bullet88 ap\"", 4, 1),
    Ammo("\"bullet90 fg\"", 4, 1),
    Ammo("\"bullet90 ap\"", 4, 1),
    Ammo("\"bullet20 ap\"", 1, 1),
    Ammo("\"bullet20 fg\"", 1, 1),
    Ammo("\"bullet20 zenite\"", 2, 2),
    Ammo("\"bullet122 ap\"", 4, 1),
    Ammo("\"bullet122 fg\"", 4, 1),
    Ammo("\"bullet128 ap\"", 4, 1),
    Ammo("\"bullet128 fg\"", 4, 1),
    Ammo("\"bullet150 ap\"", 4, 1),
    Ammo("\"bullet150 fg\"", 4, 1),
    Ammo("\"bullet152 ap\"", 4, 1),
    Ammo("\"bullet152 fg\"", 4, 1),
    Ammo("\"bullet152m10 ap\"", 4, 1),
    Ammo("\"bullet152m10 fg\"", 4, 1),
    Ammo("\"bullet203\"", 4, 1),
    Ammo("\"grenade molotov_coctail\"", 2, 1),
    Ammo("\"grenade f1\"", 1, 1),
    Ammo("\"grenade m18\"", 1, 1),
    Ammo("\"grenade m24\"", 2, 1),
    Ammo("\"grenade m39\"", 1, 1),
    Ammo("\"grenade rpg40\"", 2, 1),
    Ammo("\"grenade rpg43\"", 2, 1),
    Ammo("\"grenade pwm1\"", 2, 1),
    Ammo("\"grenade smoke\"", 1, 1),
    Ammo("\"grenade n73at\"", 2, 1),
    Ammo("\"grenade mk1\"", 1, 1),
    Ammo("\"grenade m61\"", 1, 1),
    Ammo("\"grenade m24x5\"", 2, 1),
    Ammo("\"mine antitank\"", 2, 2),
    Ammo("\"mine antipersonnel\"", 2, 1),
    Ammo("\"ammo katusha\"", 8, 1),
    Ammo("\"ammo torpedo\"", 8, 3),
    Ammo("\"air bomb\"", 4, 3),
};

// Headgear first, then equipment; the can and the barrel are the containers
// that can be handed out full of fuel.
constexpr ItemInfo kMisc[] = {
    Misc("\"tankhelmet_rus\"", 2, 2), Misc("\"raf-helmet\"", 2, 2),
    Misc("\"helmet1_ger\"", 2, 2),    Misc("\"helmet2_ger\"", 2, 2),
    Misc("\"helmet1_eng\"", 2, 2),    Misc("\"helmet1_usa\"", 2, 2),
    Misc("\"helmet2_usa\"", 2, 2),    Misc("\"helmet3_usa\"", 2, 2),
    Misc("\"helmet1_rus\"", 2, 2),    Misc("\"fieldcap_rus\"", 2, 2),
    Misc("\"cap1_rus\"", 2, 2),       Misc("\"fieldcap_ger\"", 2, 2),
    Misc("\"cap1_ger\"", 2, 2),       Misc("\"tank_cap1_ger\"", 2, 2),
    Misc("\"tank_cap2_ger\"", 2, 2),  Misc("\"tank_cap_eng\"", 2, 2),
    Misc("\"rw_cap\"", 2, 2),         Misc("\"usmc-cap1\"", 2, 2),
    Misc("\"commando-cap1\"", 2, 2),  Misc("\"beret_eng\"", 2, 2),
    Misc("\"beret_eng1\"", 2, 2),     Misc("\"body_armor\"", 2, 4),
    Misc("\"can\"", 4, 4, kFuel, 20), Misc("\"barrel\"", 2, 3, kFuel, 50),
    Misc("\"repair_kit\"", 3, 2),     Misc("\"mine_detector\"", 3, 2),
    Misc("\"bandage\"", 2, 1),        Misc("\"morphine\"", 2, 2),
    Misc("\"medkit\"", 3, 2),         Misc("\"matchbox\"", 1, 1),
    Misc("\"plant\"", 2, 2),          Misc("\"fau_detail\"", 2, 2),
    Misc("\"dynamite\"", 4, 4),       Misc("\"fuel\"", 1, 1),
    Misc("\"cord_wood\"", 4, 4),      Misc("\"chicken\"", 2, 2),
};

} // namespace

std::span<const ItemInfo> CatalogueItems(ItemGroup group) {
    switch (group) {
    case ItemGroup::Weapons:
        return kWeapons;
    case ItemGroup::Ammo:
        return kAmmo;
    case ItemGroup::Misc:
        return kMisc;
    }
    return {};
}

const ItemInfo* FindItem(ItemGroup group, std::string_view name) {
    for (const ItemInfo& item : CatalogueItems(group))
        if (platform::EqualsNoCase(item.name, name)) return &item;
    return nullptr;
}

const ItemInfo* FindAnyItem(std::string_view name) {
    for (ItemGroup group : {ItemGroup::Weapons, ItemGroup::Ammo, ItemGroup::Misc})
        if (const ItemInfo* item = FindItem(group, name)) return item;
    return nullptr;
}

bool HasFilling(const ItemInfo& item) {
    return item.filling != nullptr && item.amount > 0;
}

InventoryGrid::InventoryGrid(int columns, int rows)
    : m_columns(std::max(columns, 0)), m_rows(std::max(rows, 0)),
      m_used(static_cast<size_t>(m_columns) * static_cast<size_t>(m_rows), false) {}

bool InventoryGrid::IsFree(int x, int y, int w, int h) const {
    // Compared as differences so that huge sizes from a damaged definition
    // cannot overflow into a rectangle that seems to fit.
    if (w <= 0 || h <= 0 || x < 0 || y < 0) return false;
    if (x >= m_columns || y >= m_rows || w > m_columns - x || h > m_rows - y) return false;
    for (int row = y; row < y + h; ++row)
        for (int column = x; column < x + w; ++column)
            if (Used(column, row)) return false;
    return true;
}

void InventoryGrid::Mark(int x, int y, int w, int h) {
    if (w <= 0 || h <= 0) return;
    // 64-bit ends: x + w may exceed the range of int.
    const int64_t left = std::max<int64_t>(x, 0);
    const int64_t top = std::max<int64_t>(y, 0);
    const int64_t right = std::min<int64_t>(int64_t{x} + w, m_columns);
    const int64_t bottom = std::min<int64_t>(int64_t{y} + h, m_rows);
    for (int64_t row = top; row < bottom; ++row)
        for (int64_t column = left; column < right; ++column)
            m_used[Index(static_cast<int>(column), static_cast<int>(row))] = true;
}

bool InventoryGrid::PlaceAutomatically(int w, int h, int& x, int& y) {
    for (int row = 0; row < m_rows; ++row) {
        for (int column = 0; column < m_columns; ++column) {
            if (!IsFree(column, row, w, h)) continue;
            Mark(column, row, w, h);
            x = column;
            y = row;
            return true;
        }
    }
    return false;
}

bool PlaceItemAutomatically(InventoryGrid& grid, std::string_view name, int& x, int& y) {
    if (const ItemInfo* item = FindAnyItem(name))
        return grid.PlaceAutomatically(item->width, item->height, x, y);
    // An unknown item keeps a place of its own in the bottom-left corner even
    // when that cell is taken: the item is kept, not dropped from the
    // inventory, and the user can drag it elsewhere.
    if (grid.Columns() == 0 || grid.Rows() == 0) return false;
    x = 0;
    y = grid.Rows() - 1;
    grid.Mark(x, y, 1, 1);
    return true;
}

} // namespace document
