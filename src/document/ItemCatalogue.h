#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

// The items a unit can carry, as the inventory editors offer them, and the
// occupancy grid that places them. Item names are the game's quoted strings
// ("\"mp40\""), exactly as an inventory `item` node stores them, so a name
// read from a mission can be looked up without stripping anything.
namespace document {

// The three pages of the item chooser.
enum class ItemGroup { Weapons, Ammo, Misc };

// One row of the built-in catalogue.
struct ItemInfo {
    const char* name;    // with its double quotes, e.g. "\"mp40\""
    int width, height;   // grid cells
    const char* filling; // quoted name of what the item is filled with, or nullptr
    int amount;          // full amount of the filling, 0 when there is none
    ItemGroup group;
};

// The rows of a group in the order the chooser lists them.
std::span<const ItemInfo> CatalogueItems(ItemGroup group);

// The row of that name (with its quotes, case ignored) in one group, or in
// the groups in the order weapons, ammo, misc; nullptr when absent.
const ItemInfo* FindItem(ItemGroup group, std::string_view name);
const ItemInfo* FindAnyItem(std::string_view name);

// True when the row has both a filling and a full amount (a weapon or
// container that can be marked filled).
bool HasFilling(const ItemInfo& item);

// Occupancy of an inventory grid of columns x rows cells. Cell (0, 0) is the
// top-left one; x counts columns, y rows.
class InventoryGrid {
  public:
    // Negative sizes are taken as 0: a grid without cells has room for nothing.
    InventoryGrid(int columns, int rows);

    int Columns() const { return m_columns; }
    int Rows() const { return m_rows; }

    // True when the w x h rectangle at (x, y) lies inside the grid and covers
    // only free cells; false for an empty rectangle.
    bool IsFree(int x, int y, int w, int h) const;
    // Marks the cells of the rectangle as used; the part outside the grid is ignored.
    void Mark(int x, int y, int w, int h);

    // Puts a w x h item at the first free place, testing cells row by row
    // from the top and within a row column by column from the left, and marks
    // the cells it covers. False, with x and y untouched, when it fits nowhere.
    bool PlaceAutomatically(int w, int h, int& x, int& y);

  private:
    bool Used(int x, int y) const { return m_used[Index(x, y)]; }
    size_t Index(int x, int y) const {
        return static_cast<size_t>(y) * static_cast<size_t>(m_columns) + static_cast<size_t>(x);
    }

    int m_columns;
    int m_rows;
    std::vector<bool> m_used;
};

// Places an item by name: a catalogue item (any group) with its size as
// PlaceAutomatically does; false when it fits nowhere. An item the catalogue
// does not know goes to the bottom-left cell (0, rows - 1) and marks it,
// whatever lies there already; false only when the grid has no cells.
bool PlaceItemAutomatically(InventoryGrid& grid, std::string_view name, int& x, int& y);

} // namespace document
