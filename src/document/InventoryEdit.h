#pragma once

#include "document/EntityProps.h"

#include <string>
#include <string_view>
#include <vector>

class CDefNode;

namespace document {

struct ItemInfo;

// The cells an item covers: its catalogue row's size, one cell when the
// catalogue does not know it.
void ItemCells(std::string_view name, int& width, int& height);

// The items of one inventory grid while a property dialog edits them: what
// the grid widget shows and changes. Every change keeps the items inside the
// grid and apart from each other; a change that would break that is refused
// and leaves everything as it was. Items read from a mission are kept where
// they are even when they overlap or stick out, so nothing is lost by merely
// opening a dialog.
class CInventoryEdit {
  public:
    CInventoryEdit() = default;
    CInventoryEdit(int columns, int rows);

    void Reset(int columns, int rows, std::vector<InventoryItem> items);
    int Columns() const { return m_columns; }
    int Rows() const { return m_rows; }
    const std::vector<InventoryItem>& Items() const { return m_items; }

    // The item covering the cell (the last one drawn when several do), or -1.
    int ItemAt(int x, int y) const;
    // True when a w x h item at (x, y) lies inside the grid and covers no
    // cell of any item but the one numbered ignore.
    bool Fits(int x, int y, int w, int h, int ignore = -1) const;

    // Drags item index so that its top-left cell is (x, y); false (nothing
    // moved) when it would leave the grid or overlap another item.
    bool Move(int index, int x, int y);
    bool Remove(int index);
    // The "Define the number" dialog's OK: a count of 0 removes the item; the
    // filled flag holds only for items whose catalogue row has a filling.
    // False, with nothing changed, for a negative count or a bad index.
    bool SetCount(int index, long count, bool filled);

    enum class AddResult { Added, Nothing, DoesNotFit };
    // The "Weapons/Ammo/Misc" dialog's OK on cell (x, y): a new item with its
    // top-left corner there. Nothing for a number of 0 (or less) or no item;
    // DoesNotFit when the item would leave the grid or cover another one. A
    // weapon or misc item with a filling comes filled.
    AddResult Add(const ItemInfo* item, long number, int x, int y);
    // Puts an item at the first free place (see InventoryGrid); an item the
    // catalogue does not know goes to the bottom-left cell. False when it
    // fits nowhere.
    bool AddAutomatically(std::string name, unsigned long count);
    // Replaces every item by the inventory of a breed of the breed set, each
    // placed automatically; items that fit nowhere are left out.
    void ReplaceWithBreed(const CDefNode& breed);

  private:
    int m_columns = 0;
    int m_rows = 0;
    std::vector<InventoryItem> m_items;
};

} // namespace document
