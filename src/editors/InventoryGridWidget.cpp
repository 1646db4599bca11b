#include "editors/InventoryGridWidget.h"

#include "document/ItemCatalogue.h"
#include "editors/EditorText.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

using document::CInventoryEdit;
using document::InventoryItem;
using document::ItemGroup;
using document::ItemInfo;

namespace {

// Counts the game keeps in one inventory slot; far beyond any real use.
constexpr int kMaxCount = 99999;

QRect ItemRect(const InventoryItem& item) {
    int w, h;
    document::ItemCells(item.name, w, h);
    return {item.cellX * CInventoryGridWidget::kCellWidth,
            item.cellY * CInventoryGridWidget::kCellHeight, w * CInventoryGridWidget::kCellWidth,
            h * CInventoryGridWidget::kCellHeight};
}

QColor GroupColour(const ItemInfo* info) {
    if (!info) return {120, 120, 120};
    switch (info->group) {
    case ItemGroup::Weapons:
        return {92, 107, 64};
    case ItemGroup::Ammo:
        return {176, 140, 60};
    case ItemGroup::Misc:
        return {84, 110, 140};
    }
    return {120, 120, 120};
}

} // namespace

void DrawItemIcon(QPainter& painter, const QRect& rect, const InventoryItem& item) {
    const ItemInfo* info = document::FindAnyItem(item.name);
    const QRect plate = rect.adjusted(2, 2, -2, -2);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(GroupColour(info).darker(160), 1));
    painter.setBrush(GroupColour(info));
    painter.drawRoundedRect(plate, 4, 4);
    QFont font = painter.font();
    font.setPixelSize(9);
    painter.setFont(font);
    painter.setPen(Qt::white);
    const QString name = editors::ToQt(platform::StripQuotes(item.name));
    painter.drawText(plate.adjusted(2, 1, -2, -9),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWrapAnywhere, name);
    if (item.count != 1)
        painter.drawText(plate.adjusted(2, 0, -3, -1), Qt::AlignRight | Qt::AlignBottom,
                         QStringLiteral("%1").arg(item.count));
    if (item.filled) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(240, 220, 120));
        painter.drawRect(plate.left() + 3, plate.bottom() - 4, plate.width() / 2, 3);
    }
    painter.restore();
}

CInventoryGridWidget::CInventoryGridWidget(CInventoryEdit& items, QWidget* parent)
    : QWidget(parent), m_items(items) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    setToolTip(editors::ToQt(kInventoryHelp).replace(QStringLiteral("\r\n"), QStringLiteral(" ")));
}

QSize CInventoryGridWidget::sizeHint() const {
    return {m_items.Columns() * kCellWidth + 1, m_items.Rows() * kCellHeight + 1};
}

QPoint CInventoryGridWidget::CellAt(const QPoint& pos) {
    auto floorDiv = [](int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
    return {floorDiv(pos.x(), kCellWidth), floorDiv(pos.y(), kCellHeight)};
}

void CInventoryGridWidget::Select(int index) {
    m_selected = index >= 0 && static_cast<size_t>(index) < m_items.Items().size() ? index : -1;
    update();
}

void CInventoryGridWidget::EditCell(int x, int y) {
    const int index = m_items.ItemAt(x, y);
    if (index >= 0) {
        Select(index);
        std::optional<NumberAnswer> answer = AskNumber(m_items.Items()[static_cast<size_t>(index)]);
        if (!answer || !m_items.SetCount(index, answer->count, answer->filled)) return;
        if (answer->count == 0) m_selected = -1;
        update();
        emit Changed();
        return;
    }
    if (x < 0 || y < 0 || x >= m_items.Columns() || y >= m_items.Rows()) return;
    std::optional<NewItemAnswer> answer = AskNewItem();
    if (!answer) return;
    switch (m_items.Add(answer->item, answer->number, x, y)) {
    case CInventoryEdit::AddResult::Added:
        Select(static_cast<int>(m_items.Items().size()) - 1);
        emit Changed();
        break;
    case CInventoryEdit::AddResult::DoesNotFit:
        QApplication::beep();
        emit Refused(QStringLiteral("The item does not fit there."));
        break;
    case CInventoryEdit::AddResult::Nothing:
        break;
    }
}

bool CInventoryGridWidget::DropItem(int index, int x, int y) {
    if (index < 0 || static_cast<size_t>(index) >= m_items.Items().size()) return false;
    const InventoryItem& item = m_items.Items()[static_cast<size_t>(index)];
    if (item.cellX == x && item.cellY == y) return true;
    if (!m_items.Move(index, x, y)) {
        QApplication::beep();
        emit Refused(QStringLiteral("The item does not fit there."));
        update();
        return false;
    }
    Select(index);
    emit Changed();
    return true;
}

void CInventoryGridWidget::DeleteSelected() {
    if (!m_items.Remove(m_selected)) return;
    m_selected = -1;
    update();
    emit Changed();
}

std::optional<CInventoryGridWidget::NumberAnswer>
CInventoryGridWidget::AskNumber(const InventoryItem& item) {
    CNumberDialog dialog(item, this);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return NumberAnswer{dialog.Count(), dialog.Filled()};
}

std::optional<CInventoryGridWidget::NewItemAnswer> CInventoryGridWidget::AskNewItem() {
    CItemChooserDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return NewItemAnswer{dialog.Item(), dialog.Number()};
}

void CInventoryGridWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area(0, 0, m_items.Columns() * kCellWidth, m_items.Rows() * kCellHeight);
    painter.fillRect(area, isEnabled() ? QColor(60, 58, 50) : QColor(110, 110, 110));
    painter.setPen(QColor(90, 88, 78));
    for (int x = 0; x <= m_items.Columns(); ++x)
        painter.drawLine(x * kCellWidth, 0, x * kCellWidth, area.height());
    for (int y = 0; y <= m_items.Rows(); ++y)
        painter.drawLine(0, y * kCellHeight, area.width(), y * kCellHeight);
    const auto& items = m_items.Items();
    for (size_t i = 0; i < items.size(); ++i) {
        if (static_cast<int>(i) == m_dragging && m_moved) painter.setOpacity(0.4);
        DrawItemIcon(painter, ItemRect(items[i]), items[i]);
        painter.setOpacity(1.0);
        if (static_cast<int>(i) == m_selected) {
            painter.setPen(QPen(QColor(255, 255, 255), 2));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(ItemRect(items[i]).adjusted(1, 1, -1, -1));
        }
    }
    if (m_dragging >= 0 && m_moved) {
        const InventoryItem& item = items[static_cast<size_t>(m_dragging)];
        int w, h;
        document::ItemCells(item.name, w, h);
        const bool fits = m_items.Fits(m_dropCell.x(), m_dropCell.y(), w, h, m_dragging);
        painter.setPen(QPen(fits ? QColor(90, 220, 90) : QColor(230, 50, 50), 2, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(m_dropCell.x() * kCellWidth + 1, m_dropCell.y() * kCellHeight + 1,
                         w * kCellWidth - 2, h * kCellHeight - 2);
    }
}

void CInventoryGridWidget::mousePressEvent(QMouseEvent* event) {
    setFocus();
    if (event->button() != Qt::LeftButton) return;
    const QPoint cell = CellAt(event->position().toPoint());
    const int index = m_items.ItemAt(cell.x(), cell.y());
    Select(index);
    m_dragging = index;
    m_moved = false;
    if (index >= 0) {
        const InventoryItem& item = m_items.Items()[static_cast<size_t>(index)];
        m_grab = cell - QPoint(item.cellX, item.cellY);
        m_dropCell = QPoint(item.cellX, item.cellY);
    }
}

void CInventoryGridWidget::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging < 0) return;
    const QPoint target = CellAt(event->position().toPoint()) - m_grab;
    if (target != m_dropCell) {
        m_dropCell = target;
        m_moved = true;
        update();
    }
}

void CInventoryGridWidget::mouseReleaseEvent(QMouseEvent*) {
    const int index = m_dragging;
    const bool moved = m_moved;
    m_dragging = -1;
    m_moved = false;
    if (index >= 0 && moved) DropItem(index, m_dropCell.x(), m_dropCell.y());
    update();
}

void CInventoryGridWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    m_dragging = -1;
    const QPoint cell = CellAt(event->position().toPoint());
    EditCell(cell.x(), cell.y());
}

void CInventoryGridWidget::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        DeleteSelected();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

// --- the two small dialogs -------------------------------------------------------------

CNumberDialog::CNumberDialog(const InventoryItem& item, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Define the number"));
    m_number = new QSpinBox(this);
    m_number->setObjectName(QStringLiteral("number"));
    m_number->setRange(0, kMaxCount);
    m_number->setValue(static_cast<int>(std::min<unsigned long>(item.count, kMaxCount)));
    m_filled = new QCheckBox(QStringLiteral("filled"), this);
    m_filled->setObjectName(QStringLiteral("filled"));
    m_filled->setChecked(item.filled);
    const ItemInfo* info = document::FindAnyItem(item.name);
    m_filled->setEnabled(info && document::HasFilling(*info));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Number"), m_number);
    form->addRow(m_filled);
    form->addRow(buttons);
}

long CNumberDialog::Count() const {
    return m_number->value();
}

bool CNumberDialog::Filled() const {
    return m_filled->isChecked();
}

CItemChooserDialog::CItemChooserDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Weapons/Ammo/Misc"));
    m_tabs = new QTabWidget(this);
    const ItemGroup groups[] = {ItemGroup::Weapons, ItemGroup::Ammo, ItemGroup::Misc};
    const char* captions[] = {"Weapons", "Ammo", "Miscellaneous"};
    for (int g = 0; g < 3; ++g) {
        m_lists[g] = new QListWidget(this);
        m_lists[g]->setObjectName(QString::fromLatin1(captions[g]));
        for (const ItemInfo& info : document::CatalogueItems(groups[g]))
            m_lists[g]->addItem(editors::ToQt(platform::StripQuotes(info.name)));
        m_tabs->addTab(m_lists[g], QString::fromLatin1(captions[g]));
        connect(m_lists[g], &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    }
    m_number = new QSpinBox(this);
    m_number->setObjectName(QStringLiteral("number"));
    m_number->setRange(0, kMaxCount);
    m_number->setValue(1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Number"), m_number);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

const ItemInfo* CItemChooserDialog::Item() const {
    const ItemGroup groups[] = {ItemGroup::Weapons, ItemGroup::Ammo, ItemGroup::Misc};
    const int g = m_tabs->currentIndex();
    if (g < 0 || g > 2) return nullptr;
    const int row = m_lists[g]->currentRow();
    const auto items = document::CatalogueItems(groups[g]);
    return row >= 0 && static_cast<size_t>(row) < items.size() ? &items[static_cast<size_t>(row)]
                                                               : nullptr;
}

long CItemChooserDialog::Number() const {
    return m_number->value();
}

void CItemChooserDialog::Choose(int group, int row) {
    m_tabs->setCurrentIndex(group);
    m_lists[group]->setCurrentRow(row);
}

void CItemChooserDialog::SetNumber(long number) {
    m_number->setValue(static_cast<int>(number));
}
