#include "document/InventoryEdit.h"

#include "document/ItemCatalogue.h"
#include "format/DefNode.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstdint>

namespace document {

void ItemCells(std::string_view name, int& width, int& height) {
    const ItemInfo* info = FindAnyItem(name);
    width = info ? info->width : 1;
    height = info ? info->height : 1;
}

CInventoryEdit::CInventoryEdit(int columns, int rows)
    : m_columns(std::max(columns, 0)), m_rows(std::max(rows, 0)) {}

void CInventoryEdit::Reset(int columns, int rows, std::vector<InventoryItem> items) {
    m_columns = std::max(columns, 0);
    m_rows = std::max(rows, 0);
    m_items = std::move(items);
}

int CInventoryEdit::ItemAt(int x, int y) const {
    for (size_t i = m_items.size(); i-- > 0;) {
        const InventoryItem& item = m_items[i];
        int w, h;
        ItemCells(item.name, w, h);
        if (x >= item.cellX && y >= item.cellY && int64_t{x} < int64_t{item.cellX} + w &&
            int64_t{y} < int64_t{item.cellY} + h)
            return static_cast<int>(i);
    }
    return -1;
}

bool CInventoryEdit::Fits(int x, int y, int w, int h, int ignore) const {
    InventoryGrid grid(m_columns, m_rows);
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (static_cast<int>(i) == ignore) continue;
        int iw, ih;
        ItemCells(m_items[i].name, iw, ih);
        grid.Mark(m_items[i].cellX, m_items[i].cellY, iw, ih);
    }
    return grid.IsFree(x, y, w, h);
}

bool CInventoryEdit::Move(int index, int x, int y) {
    if (index < 0 || static_cast<size_t>(index) >= m_items.size()) return false;
    InventoryItem& item = m_items[static_cast<size_t>(index)];
    int w, h;
    ItemCells(item.name, w, h);
    if (!Fits(x, y, w, h, index)) return false;
    item.cellX = x;
    item.cellY = y;
    return true;
}

bool CInventoryEdit::Remove(int index) {
    if (index < 0 || static_cast<size_t>(index) >= m_items.size()) return false;
    m_items.erase(m_items.begin() + index);
    return true;
}

bool CInventoryEdit::SetCount(int index, long count, bool filled) {
    if (index < 0 || static_cast<size_t>(index) >= m_items.size() || count < 0) return false;
    if (count == 0) return Remove(index);
    InventoryItem& item = m_items[static_cast<size_t>(index)];
    item.count = static_cast<unsigned long>(count);
    const ItemInfo* info = FindAnyItem(item.name);
    item.filled = filled && info && HasFilling(*info);
    return true;
}

CInventoryEdit::AddResult CInventoryEdit::Add(const ItemInfo* info, long number, int x, int y) {
    if (!info || number <= 0) return AddResult::Nothing;
    if (!Fits(x, y, info->width, info->height)) return AddResult::DoesNotFit;
    InventoryItem item;
    item.name = info->name;
    item.count = static_cast<unsigned long>(number);
    item.filled = info->group != ItemGroup::Ammo && HasFilling(*info);
    item.cellX = x;
    item.cellY = y;
    m_items.push_back(std::move(item));
    return AddResult::Added;
}

bool CInventoryEdit::AddAutomatically(std::string name, unsigned long count) {
    InventoryGrid grid(m_columns, m_rows);
    for (const InventoryItem& item : m_items) {
        int w, h;
        ItemCells(item.name, w, h);
        grid.Mark(item.cellX, item.cellY, w, h);
    }
    InventoryItem item;
    item.name = std::move(name);
    item.count = count;
    if (!PlaceItemAutomatically(grid, item.name, item.cellX, item.cellY)) return false;
    m_items.push_back(std::move(item));
    return true;
}

void CInventoryEdit::ReplaceWithBreed(const CDefNode& breed) {
    m_items.clear();
    const CDefNode* inventory = breed.FindChild("inventory");
    if (!inventory) return;
    for (const CDefNode* c : inventory->Children()) {
        if (!platform::EqualsNoCase(c->Name(), "item") || !c->GetValue(0)) continue;
        std::string name = c->GetValue(0);
        // Breeds name pistol ammunition by its short name.
        if (platform::EqualsNoCase(name, "\"pistol\"")) name = "\"ammo pistol\"";
        long count = c->GetValue(1) ? platform::ParseLong(c->GetValue(1), 10) : 1;
        AddAutomatically(std::move(name), count > 0 ? static_cast<unsigned long>(count) : 1);
    }
}

} // namespace document
