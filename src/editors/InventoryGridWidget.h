#pragma once

#include "document/InventoryEdit.h"

#include <QDialog>
#include <QPoint>
#include <QWidget>

#include <optional>

class QCheckBox;
class QListWidget;
class QPainter;
class QSpinBox;
class QTabWidget;

namespace document {
struct ItemInfo;
}

// The help text beside every inventory grid.
inline constexpr const char* kInventoryHelp =
    "Doubleclick onto the inventory to \r\nedit. Press 'Del' to delete the item.\r\nSet the "
    "position by dragging\r\nin the map";

// An inventory as a grid of cells with the items drawn at their places.
// Click selects, dragging moves an item to other cells, Del deletes the
// selected one, a double click edits the count of an item or adds a new
// item on a free cell. A move or an addition that would overlap another
// item or leave the grid is refused: the item stays, the outline of the
// refused place shows red while dragging, and Refused() tells why.
class CInventoryGridWidget : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kCellWidth = 31;
    static constexpr int kCellHeight = 35;

    explicit CInventoryGridWidget(document::CInventoryEdit& items, QWidget* parent = nullptr);

    int Selected() const { return m_selected; }
    void Select(int index);
    // The cell under a point of the widget.
    static QPoint CellAt(const QPoint& pos);

    // What a double click on the cell does: edit the item there, or add one.
    void EditCell(int x, int y);
    // Drops item index at the cell (x, y); false, with Refused() sent, when it does not fit.
    bool DropItem(int index, int x, int y);
    void DeleteSelected();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // What the two dialogs answer; tests replace them.
    struct NumberAnswer {
        long count = 0;
        bool filled = false;
    };
    struct NewItemAnswer {
        const document::ItemInfo* item = nullptr;
        long number = 0;
    };

  signals:
    void Changed();
    void Refused(const QString& why);

  protected:
    virtual std::optional<NumberAnswer> AskNumber(const document::InventoryItem& item);
    virtual std::optional<NewItemAnswer> AskNewItem();

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    document::CInventoryEdit& m_items;
    int m_selected = -1;
    int m_dragging = -1;
    QPoint m_grab;     // the grabbed cell relative to the item's top-left one
    QPoint m_dropCell; // where the dragged item would go
    bool m_moved = false;
};

// Draws an item's picture into rect: a plate coloured by its group with its
// name, its count when it has more than one, and a bar when it is filled.
void DrawItemIcon(QPainter& painter, const QRect& rect, const document::InventoryItem& item);

// "Define the number": the count of an item and whether it is filled.
class CNumberDialog : public QDialog {
    Q_OBJECT
  public:
    CNumberDialog(const document::InventoryItem& item, QWidget* parent = nullptr);
    long Count() const;
    bool Filled() const;

  private:
    QSpinBox* m_number;
    QCheckBox* m_filled;
};

// "Weapons/Ammo/Misc": an item of the catalogue's three groups and a number.
class CItemChooserDialog : public QDialog {
    Q_OBJECT
  public:
    explicit CItemChooserDialog(QWidget* parent = nullptr);
    // The chosen row, or nullptr.
    const document::ItemInfo* Item() const;
    long Number() const;
    void Choose(int group, int row);
    void SetNumber(long number);

  private:
    QTabWidget* m_tabs;
    QListWidget* m_lists[3];
    QSpinBox* m_number;
};
