#include "app/EntityBar.h"

#include "app/QtPlatform.h"
#include "commands/CommandTable.h"
#include "document/EntityProps.h"
#include "document/VarnholtMapEditorDoc.h"
#include "format/DefNode.h"
#include "resources/ResourceCatalogue.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace app {

using namespace commands;

using document::AppMessage;
using document::ChangeKind;

namespace {

// What an item of the bar stands for.
enum ItemKind { RootItem = 0, TypeItem = 1, ElementItem = 2, RecordItem = 3 };
constexpr int kKindRole = Qt::UserRole;
// A type item's name as raw game text; an element item's node.
constexpr int kPayloadRole = Qt::UserRole + 1;

int KindOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, kKindRole).toInt() : RootItem;
}

bool IsRecordCategory(int category) {
    return category >= resources::CategoryZones && category <= resources::CategoryCameraPath;
}

} // namespace

// The bar's tree: it tells the bar whether a selection change came from the
// mouse, and handles the bar's own keys before the tree moves.
class CEntityTree : public QTreeWidget {
  public:
    CEntityTree(CEntityBar& bar, QWidget* parent) : QTreeWidget(parent), m_bar(bar) {}
    bool ByMouse() const { return m_mouse; }

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        // A right click opens the menu on the element under the pointer; it
        // must not start placing a type.
        if (event->button() == Qt::RightButton &&
            KindOf(itemAt(event->position().toPoint())) == TypeItem)
            return;
        m_mouse = true;
        QTreeWidget::mousePressEvent(event);
        m_mouse = false;
    }
    void keyPressEvent(QKeyEvent* event) override {
        switch (event->key()) {
        case Qt::Key_Delete:
            m_bar.DeleteSelected();
            event->accept();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (QTreeWidgetItem* item = currentItem())
                m_bar.Choose(item, CEntityBar::Cause::Activation);
            event->accept();
            return;
        default:
            QTreeWidget::keyPressEvent(event);
        }
    }

  private:
    CEntityBar& m_bar;
    bool m_mouse = false;
};

CEntityBar::CEntityBar(const resources::CResourceCatalogue* catalogue, QWidget* parent,
                       document::MessageRelay* relay)
    : QDockWidget(QStringLiteral("entity bar"), parent), m_catalogue(catalogue), m_relay(relay) {
    setObjectName("entityBar");
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    auto* panel = new QWidget(this);
    m_label = new QLabel(panel);
    m_label->setObjectName("category");
    m_tree = new CEntityTree(*this, panel);
    m_tree->setObjectName("entities");
    m_tree->setHeaderHidden(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setUniformRowHeights(true);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_label);
    layout->addWidget(m_tree);
    setWidget(panel);

    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { OnCurrentItemChanged(current); });
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { Choose(item, Cause::Activation); });

    m_menu = new QMenu(QStringLiteral("entity bar"), this);
    for (const MenuEntry& entry : commands::ContextMenu(MenuEntityBarContext)) {
        const CommandInfo* info = FindCommand(entry.id);
        QAction* action =
            m_menu->addAction(QString::fromUtf8(entry.text ? entry.text : info->menuText));
        action->setData(entry.id);
        if (entry.id == CmdEdit) {
            m_editAction = action;
            connect(action, &QAction::triggered, this, &CEntityBar::EditSelected);
        } else if (entry.id == CmdEditDelete) {
            m_deleteAction = action;
            connect(action, &QAction::triggered, this, &CEntityBar::DeleteSelected);
        }
    }
    connect(m_menu, &QMenu::aboutToShow, this, &CEntityBar::UpdateMenu);
    Refill();
}

CEntityBar::~CEntityBar() {
    if (m_doc) m_doc->RemoveObserver(this);
}

QTreeWidget* CEntityBar::Tree() const {
    return m_tree;
}

void CEntityBar::OnRelayed(AppMessage message, intptr_t first, intptr_t second) {
    switch (message) {
    case AppMessage::DocumentActivated:
        SetDocument(reinterpret_cast<document::CVarnholtMapEditorDoc*>(second));
        Refill();
        break;
    case AppMessage::DocumentClosing:
        if (second != 0 && second == Document()) {
            SetDocument(nullptr);
            Refill();
        }
        break;
    case AppMessage::EditModeChanged:
        m_category = static_cast<int>(first);
        Refill();
        break;
    case AppMessage::EntitiesLoaded:
        m_mode = first == 1 ? 1 : 0;
        Refill();
        break;
    case AppMessage::PlayerChanged:
        m_player = static_cast<int>(first);
        break;
    case AppMessage::ElementEdit:
        // The 3D view selected (4) or let go of (3) an element: the bar
        // follows without answering.
        if (first == 4)
            SelectSilently(ItemOf(reinterpret_cast<const CDefNode*>(second)));
        else if (first == 3)
            SelectSilently(nullptr);
        break;
    case AppMessage::ElementPlaced:
    case AppMessage::ElementDeleted:
    case AppMessage::ZoneCreated:
    case AppMessage::HelpersChanged:
    case AppMessage::GlobalZoneDeleted:
        if (ListsElements()) ScheduleRefill();
        break;
    default:
        break;
    }
}

void CEntityBar::SetDocument(document::CVarnholtMapEditorDoc* doc) {
    if (doc == m_doc) return;
    DropAll();
    if (m_doc) m_doc->RemoveObserver(this);
    m_doc = doc;
    if (m_doc) m_doc->AddObserver(this);
}

void CEntityBar::Send(AppMessage message, intptr_t first, intptr_t second) {
    if (m_relay) m_relay->Relay(message, first, second);
}

void CEntityBar::Beep() {
    QApplication::beep();
}

// --- filling -----------------------------------------------------------------------------

bool CEntityBar::ListsRecords() const {
    return IsRecordCategory(m_category);
}

bool CEntityBar::ListsElements() const {
    return m_mode == 1 || ListsRecords();
}

void CEntityBar::Refill() {
    m_refillPending = false;
    // The selected element stays selected when it is listed again.
    const CDefNode* selected = SelectedElement();
    const bool wasSynchronising = m_synchronising;
    m_synchronising = true;
    m_tree->clear();
    m_itemOf.clear();

    const char* label = resources::CategoryLabel(m_category);
    m_label->setText(label ? QString::fromUtf8(label) : QString());
    // Zones, events, triggers and camera paths belong to a document.
    if (label && (!ListsRecords() || m_doc)) {
        auto* root = new QTreeWidgetItem(m_tree, {QString::fromUtf8(label)});
        root->setData(0, kKindRole, RootItem);
        if (ListsRecords())
            FillRecords(root);
        else if (m_mode == 1)
            FillEntities(root);
        else
            FillTypes(root);
        root->sortChildren(0, Qt::AscendingOrder);
        root->setExpanded(true);
        if (QTreeWidgetItem* again = ItemOf(selected)) m_tree->setCurrentItem(again);
    }
    m_synchronising = wasSynchronising;
}

void CEntityBar::FillTypes(QTreeWidgetItem* root) {
    if (!m_catalogue) return;
    auto add = [root](const std::string& name) {
        auto* item = new QTreeWidgetItem(root, {FromGameText(name)});
        item->setData(0, kKindRole, TypeItem);
        item->setData(0, kPayloadRole,
                      QByteArray(name.data(), static_cast<qsizetype>(name.size())));
    };
    if (m_category == resources::CategoryHumansEquipped) {
        for (const auto& [breed, node] : m_catalogue->BreedMap())
            if (node) add(breed);
        return;
    }
    for (const auto& entry : m_catalogue->Entries())
        if (entry.category == m_category) add(entry.name);
}

void CEntityBar::FillEntities(QTreeWidgetItem* root) {
    if (!m_doc || !m_catalogue) return;
    // Placed entities are the roots' children: the base map's (locked in a
    // mission) and the document's own. A type the catalogue does not know
    // has no category and is not listed.
    for (const auto& top : m_doc->Roots())
        for (CDefNode* node : top->Children()) {
            if (node->Name() != "Entity" || node->ValueCount() == 0) continue;
            const std::string type =
                resources::CResourceCatalogue::ReferenceFileAndParameter(node).first;
            const resources::CEntityEntry* entry = m_catalogue->FindEntity(type);
            if (entry && entry->category == m_category)
                AddElementItem(root, document::ListingText(*node), node);
        }
}

void CEntityBar::FillRecords(QTreeWidgetItem* root) {
    switch (m_category) {
    case resources::CategoryZones:
        for (const auto& zone : m_doc->Zones())
            AddElementItem(root, document::ListingText(*zone), zone->node);
        break;
    case resources::CategoryEvents:
        for (const auto& event : m_doc->Events())
            AddElementItem(root, document::ListingText(*event), event->node);
        break;
    case resources::CategoryTriggers:
        for (const auto& trigger : m_doc->Triggers())
            AddElementItem(root, document::ListingText(*trigger), trigger->node);
        break;
    case resources::CategoryCameraPath:
        for (const auto& path : m_doc->CameraPaths())
            AddElementItem(root, document::ListingText(*path), path->node);
        break;
    default:
        break;
    }
}

QTreeWidgetItem* CEntityBar::AddElementItem(QTreeWidgetItem* root, const std::string& text,
                                            CDefNode* node) {
    auto* item = new QTreeWidgetItem(root, {FromGameText(text)});
    item->setData(0, kKindRole, ListsRecords() ? RecordItem : ElementItem);
    item->setData(0, kPayloadRole, QVariant::fromValue(reinterpret_cast<quintptr>(node)));
    if (node) m_itemOf[node] = item;
    return item;
}

CDefNode* CEntityBar::NodeOf(const QTreeWidgetItem* item) const {
    const int kind = KindOf(item);
    if (kind != ElementItem && kind != RecordItem) return nullptr;
    return reinterpret_cast<CDefNode*>(item->data(0, kPayloadRole).value<quintptr>());
}

QTreeWidgetItem* CEntityBar::ItemOf(const CDefNode* node) const {
    if (!node) return nullptr;
    auto it = m_itemOf.find(node);
    return it == m_itemOf.end() ? nullptr : it->second;
}

CDefNode* CEntityBar::SelectedElement() const {
    QTreeWidgetItem* item = m_tree->currentItem();
    if (!item || !item->isSelected() || KindOf(item) != ElementItem) return nullptr;
    return NodeOf(item);
}

// --- following the document ------------------------------------------------------------------

void CEntityBar::DropNode(const CDefNode* node) {
    auto it = m_itemOf.find(node);
    if (it == m_itemOf.end()) return;
    it->second->setData(0, kPayloadRole, QVariant::fromValue(quintptr(0)));
    m_itemOf.erase(it);
}

void CEntityBar::DropAll() {
    for (auto& [node, item] : m_itemOf)
        item->setData(0, kPayloadRole, QVariant::fromValue(quintptr(0)));
    m_itemOf.clear();
}

void CEntityBar::ScheduleRefill() {
    if (m_refillPending) return;
    m_refillPending = true;
    QTimer::singleShot(0, this, [this] {
        if (m_refillPending) Refill();
    });
}

bool CEntityBar::IsRoot(const CDefNode* node) const {
    if (!m_doc || !node) return false;
    for (const auto& root : m_doc->Roots())
        if (root.get() == node) return true;
    return false;
}

void CEntityBar::OnDocumentChange(const document::DocumentChange& change) {
    if (change.kind == ChangeKind::Destroyed) {
        // The document is going away; it needs no goodbye.
        DropAll();
        m_doc = nullptr;
        ScheduleRefill();
        return;
    }
    if (!ListsElements()) return;
    switch (change.kind) {
    case ChangeKind::AboutToRemove:
        if (ListsRecords()) {
            // Records sit deeper in the tree (zones in the Helpers block):
            // any removal may take them along, and the lists are short.
            if (!m_itemOf.empty()) DropAll();
            ScheduleRefill();
        } else if (!change.parent) {
            DropAll(); // a whole root goes
            ScheduleRefill();
        } else {
            DropNode(change.node);
            // A new list of the root's entities, or a listed entity's MID.
            if (IsRoot(change.parent) || ItemOf(change.parent)) ScheduleRefill();
        }
        break;
    case ChangeKind::Inserted:
        if (!ListsRecords() && (!change.parent || IsRoot(change.parent) || ItemOf(change.parent)))
            ScheduleRefill();
        break;
    case ChangeKind::Changed:
        // The listing shows the type, the ID and the MID.
        if (!ListsRecords() && change.node && (ItemOf(change.node) || change.node->Name() == "MID"))
            ScheduleRefill();
        break;
    case ChangeKind::RecordsChanged:
        if (ListsRecords()) {
            DropAll();
            ScheduleRefill();
        }
        break;
    case ChangeKind::Reset:
        DropAll();
        ScheduleRefill();
        break;
    default:
        break;
    }
}

// --- choosing, placing and deleting -----------------------------------------------------------

void CEntityBar::SelectSilently(QTreeWidgetItem* item) {
    const bool wasSynchronising = m_synchronising;
    m_synchronising = true;
    if (item) {
        m_tree->setCurrentItem(item);
        m_tree->scrollToItem(item);
    } else {
        // No current item either: clicking the same item again is a choice.
        m_tree->setCurrentItem(nullptr);
    }
    m_synchronising = wasSynchronising;
}

void CEntityBar::OnCurrentItemChanged(QTreeWidgetItem* current) {
    if (m_synchronising || !current) return;
    Choose(current, m_tree->ByMouse() ? Cause::Mouse : Cause::Keyboard);
}

void CEntityBar::Choose(QTreeWidgetItem* item, Cause cause) {
    if (m_synchronising) return;
    switch (KindOf(item)) {
    case TypeItem: {
        // Walking the list with the arrow keys does not start placing.
        if (cause == Cause::Keyboard) return;
        const QByteArray name = item->data(0, kPayloadRole).toByteArray();
        if (m_category == resources::CategoryHumansEquipped)
            PlaceBreed(name.toStdString());
        else
            PlaceType(name.toStdString());
        break;
    }
    case ElementItem:
        if (CDefNode* node = NodeOf(item))
            Send(AppMessage::ElementEdit, 2, reinterpret_cast<intptr_t>(node));
        break;
    case RecordItem:
        // Of the mission's helpers only zones have a place to go to.
        if (m_category == resources::CategoryZones)
            if (CDefNode* node = NodeOf(item))
                Send(AppMessage::ElementEdit, 2, reinterpret_cast<intptr_t>(node));
        break;
    default:
        break;
    }
}

void CEntityBar::PlaceType(const std::string& typeName) {
    // The text stays with the bar while the views place it.
    m_placingType = typeName;
    Send(AppMessage::ElementEdit, 0, reinterpret_cast<intptr_t>(m_placingType.c_str()));
}

void CEntityBar::PlaceBreed(const std::string& breedName) {
    // The human's record is written by the document's rules (its working
    // root decides what a unit carries): without a document nobody places.
    if (!m_catalogue || !m_doc) return;
    std::unique_ptr<document::CHumanProps> record;
    document::NewEntity entity = document::PlaceEquippedHuman(breedName, *m_catalogue, record);
    if (!entity.node || !record) return;
    // The node is not in the document, and no edit is open: filling it in
    // is no change of the document.
    record->Apply(*entity.node, *m_doc);
    m_prepared = std::move(entity.node);
    Send(AppMessage::ElementEdit, 1, reinterpret_cast<intptr_t>(m_prepared.get()));
}

void CEntityBar::DeleteSelected() {
    CDefNode* node = SelectedElement();
    if (!node || !m_doc) return;
    CDefNode* working = m_doc->WorkingRoot();
    if (node->locked || !working || working->IndexOfChild(node) < 0) {
        Beep();
        return;
    }
    // The views let go of the element while it is still in the document.
    Send(AppMessage::ElementDeleted, m_category, reinterpret_cast<intptr_t>(node));
    // Whoever handled the message may have removed it or closed the document.
    if (!m_doc || !ItemOf(node)) return;
    m_doc->DeleteElement(node);
}

void CEntityBar::EditSelected() {
    if (SelectedElement() && m_commandHandler) m_commandHandler(CmdSetProperties);
}

void CEntityBar::UpdateMenu() {
    const bool element = SelectedElement() != nullptr;
    m_editAction->setEnabled(element);
    m_deleteAction->setEnabled(element);
}

void CEntityBar::contextMenuEvent(QContextMenuEvent* event) {
    m_menu->exec(event->globalPos());
}

} // namespace app
