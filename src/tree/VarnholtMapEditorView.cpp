#include "tree/VarnholtMapEditorView.h"

#include "commands/CommandTable.h"
#include "document/DocumentHost.h"
#include "document/VarnholtMapEditorDoc.h"
#include "format/DefNode.h"
#include "platform/Text.h"
#include "tree/DefTreeModel.h"
#include "tree/FindDialog.h"
#include "tree/TreeText.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPrinter>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <utility>
#include <vector>

CVarnholtMapEditorView::CVarnholtMapEditorView(document::CVarnholtMapEditorDoc* doc,
                                               document::MessageRelay* relay, QWidget* parent)
    : QTreeView(parent), m_doc(doc), m_relay(relay), m_model(std::make_unique<CDefTreeModel>(doc)) {
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Every row is one line of text; telling the view so keeps scrolling
    // through tens of thousands of rows from measuring each of them.
    setUniformRowHeights(true);
    setTextElideMode(Qt::ElideNone);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    setModel(m_model.get());

    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        CDefNode* node = CDefTreeModel::NodeOf(index);
        if (!node) return;
        node->SetExpanded(true);
        ExpandMarkedChildren(index);
    });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        if (CDefNode* node = CDefTreeModel::NodeOf(index)) node->SetExpanded(false);
    });
    // A node that comes back (undo of a deletion) opens as it was left.
    connect(m_model.get(), &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex& parent, int first, int last) {
                if (parent.isValid() && !isExpanded(parent)) return;
                for (int row = first; row <= last; ++row) {
                    const QModelIndex index = m_model->index(row, 0, parent);
                    if (const CDefNode* node = CDefTreeModel::NodeOf(index);
                        node && node->Expanded())
                        expand(index);
                }
            });

    m_contextMenu = new QMenu(QStringLiteral("tree"), this);
    QAction* edit = m_contextMenu->addAction(QStringLiteral("Edit...\tReturn"), this,
                                             &CVarnholtMapEditorView::OnEdit);
    edit->setData(commands::CmdEdit);
    edit->setStatusTip(QStringLiteral("Edit."));
    QAction* insert = m_contextMenu->addAction(QStringLiteral("Insert..."), this,
                                               &CVarnholtMapEditorView::OnInsert);
    insert->setData(commands::CmdInsert);
    insert->setStatusTip(QStringLiteral("Insert."));
    QAction* remove = m_contextMenu->addAction(QStringLiteral("Delete\tDel"), this,
                                               &CVarnholtMapEditorView::OnDelete);
    remove->setData(commands::CmdEditDelete);
    m_contextMenu->addSeparator();
    QAction* properties = m_contextMenu->addAction(QStringLiteral("Set &Properties"), this,
                                                   &CVarnholtMapEditorView::OnSetProperties);
    properties->setData(commands::CmdSetProperties);
    properties->setStatusTip(QStringLiteral("Set Properties."));
    connect(m_contextMenu, &QMenu::aboutToShow, this,
            [this, properties] { properties->setEnabled(CanSetProperties()); });
    m_contextMenu->setDefaultAction(edit);

    Rebuild();
}

CVarnholtMapEditorView::~CVarnholtMapEditorView() {
    delete m_findDialog;
    // The model goes before the view's base: let the view drop it first.
    setModel(nullptr);
}

QString CVarnholtMapEditorView::ItemLabel(const CDefNode& node) {
    return tree::NodeLabel(node);
}

void CVarnholtMapEditorView::Rebuild() {
    m_rebuildPending = false;
    m_model->Reset();
    if (!m_doc) return;
    const auto& roots = m_doc->Roots();
    // Expanding a root expands its marked children in turn (see the expanded
    // signal), so only nodes below expanded ones are ever looked at.
    for (size_t i = 0; i < roots.size(); ++i)
        if (roots[i]->Expanded()) expand(m_model->index(static_cast<int>(i), 0));
}

void CVarnholtMapEditorView::ExpandMarkedChildren(const QModelIndex& parent) {
    const CDefNode* node = CDefTreeModel::NodeOf(parent);
    if (!node) return;
    const size_t count = node->ChildCount();
    for (size_t i = 0; i < count; ++i)
        if (node->Child(i)->Expanded()) expand(m_model->index(static_cast<int>(i), 0, parent));
}

CDefNode* CVarnholtMapEditorView::SelectedNode() const {
    const QItemSelectionModel* selection = selectionModel();
    if (!selection) return nullptr;
    const QModelIndexList selected = selection->selectedIndexes();
    return selected.isEmpty() ? nullptr : CDefTreeModel::NodeOf(selected.first());
}

void CVarnholtMapEditorView::SelectNode(CDefNode* node) {
    const QModelIndex index = m_model->IndexOfNode(node);
    if (!index.isValid()) {
        if (!node) clearSelection();
        return;
    }
    std::vector<QModelIndex> ancestors;
    for (QModelIndex p = index.parent(); p.isValid(); p = p.parent())
        ancestors.push_back(p);
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it)
        expand(*it);
    setCurrentIndex(index);
    scrollTo(index);
}

void CVarnholtMapEditorView::FinishEdit(CDefNode* select) {
    // The rows followed the document's notices already.
    SelectNode(select);
    emit DocumentModified();
}

CDefNode* CVarnholtMapEditorView::Adopt(CDefNode* parent, std::unique_ptr<CDefNode> node,
                                        std::string_view stepName) {
    const size_t end = parent ? parent->ChildCount() : m_doc->Roots().size();
    return m_doc->InsertSubtree(parent, end, std::move(node), stepName);
}

int CVarnholtMapEditorView::DocumentType() const {
    // A mission document lists its base map first, so the mission root is
    // looked for among all roots; only a document without one is a map.
    const auto& roots = m_doc->Roots();
    for (const auto& root : roots)
        if (platform::EqualsNoCase(root->Name(), "mission")) return 0;
    if (!roots.empty() && platform::EqualsNoCase(roots[0]->Name(), "map")) return 1;
    return m_doc->Kind() == document::Mission ? 0 : 1;
}

void CVarnholtMapEditorView::NotifyActivated() {
    if (!m_relay || !m_doc) return;
    m_relay->Relay(document::AppMessage::DocumentActivated, DocumentType(),
                   reinterpret_cast<intptr_t>(m_doc));
}

void CVarnholtMapEditorView::OnUpdate(int hint, intptr_t param) {
    const auto update = static_cast<document::UpdateHint>(hint);
    if (update == document::UpdateHint::GoToElement) {
        // An element chosen elsewhere (the entity bar, the mission check):
        // the tree opens its parents and selects it. A node the tree does
        // not hold is only compared, never followed.
        if (param) SelectNode(reinterpret_cast<CDefNode*>(param));
        return;
    }
    const bool deleting = update == document::UpdateHint::ElementDeleted ||
                          update == document::UpdateHint::WaypointDeleted;
    if (!deleting || param) {
        // A single deletion is a document edit: its rows go with its notices.
        viewport()->update();
        return;
    }
    // The elements are replaced past the edit history (text taken back from
    // the text window): no item may point at them when the tree paints next.
    CDefNode* selected = SelectedNode();
    m_model->Detach();
    if (m_rebuildPending) return;
    m_rebuildPending = true;
    QTimer::singleShot(0, this, [this, selected] {
        if (!m_rebuildPending) return;
        Rebuild();
        // A stale pointer is only compared, never followed.
        SelectNode(selected);
    });
}

void CVarnholtMapEditorView::contextMenuEvent(QContextMenuEvent* event) {
    const QModelIndex index = indexAt(event->pos());
    if (index.isValid()) setCurrentIndex(index);
    m_contextMenu->exec(event->globalPos());
}

void CVarnholtMapEditorView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        OnEdit();
    } else if (event->key() == Qt::Key_Delete) {
        OnDelete();
    } else if (event->matches(QKeySequence::Copy)) {
        // The item view would put the label on the clipboard as plain text.
        OnCopy();
    } else if (event->matches(QKeySequence::Paste)) {
        OnPaste();
    } else {
        QTreeView::keyPressEvent(event);
        return;
    }
    event->accept();
}

void CVarnholtMapEditorView::focusInEvent(QFocusEvent* event) {
    QTreeView::focusInEvent(event);
    NotifyActivated();
}

void CVarnholtMapEditorView::Print(QPrinter* printer) {
    if (!printer || !m_doc) return;
    // The lines the tree shows: every root, and the children of expanded nodes.
    std::vector<std::pair<const CDefNode*, int>> lines;
    std::vector<std::pair<const CDefNode*, int>> stack;
    const auto& roots = m_doc->Roots();
    for (auto it = roots.rbegin(); it != roots.rend(); ++it)
        stack.emplace_back(it->get(), 0);
    while (!stack.empty()) {
        auto [node, depth] = stack.back();
        stack.pop_back();
        lines.emplace_back(node, depth);
        if (!node->Expanded()) continue;
        for (size_t i = node->ChildCount(); i-- > 0;)
            stack.emplace_back(node->Child(i), depth + 1);
    }

    QPainter painter;
    if (!painter.begin(printer)) return;
    painter.setFont(font());
    const QFontMetrics metrics = painter.fontMetrics();
    const int lineHeight = std::max(1, metrics.lineSpacing());
    const int indent = std::max(1, printer->logicalDpiX() / 4);
    const int linesPerPage = std::max(1, printer->height() / lineHeight);
    const int firstPage = printer->fromPage() > 0 ? printer->fromPage() : 1;
    const int lastPage = printer->toPage() > 0 ? printer->toPage() : INT_MAX;
    bool pagePrinted = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        const int page = static_cast<int>(i / static_cast<size_t>(linesPerPage)) + 1;
        if (page < firstPage) continue;
        if (page > lastPage) break;
        const int row = static_cast<int>(i % static_cast<size_t>(linesPerPage));
        if (row == 0 && pagePrinted) printer->newPage();
        pagePrinted = true;
        painter.drawText(lines[i].second * indent, row * lineHeight + metrics.ascent(),
                         ItemLabel(*lines[i].first));
    }
    painter.end();
}
