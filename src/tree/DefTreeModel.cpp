#include "tree/DefTreeModel.h"

#include "document/VarnholtMapEditorDoc.h"
#include "format/DefNode.h"
#include "tree/TreeText.h"

#include <vector>

using document::ChangeKind;

CDefTreeModel::CDefTreeModel(document::CVarnholtMapEditorDoc* doc, QObject* parent)
    : QAbstractItemModel(parent), m_doc(doc) {
    if (m_doc) m_doc->AddObserver(this);
}

CDefTreeModel::~CDefTreeModel() {
    if (m_doc) m_doc->RemoveObserver(this);
}

CDefNode* CDefTreeModel::NodeOf(const QModelIndex& index) {
    return index.isValid() ? static_cast<CDefNode*>(index.internalPointer()) : nullptr;
}

void CDefTreeModel::Reset() {
    beginResetModel();
    m_places.clear();
    m_detached = false;
    endResetModel();
}

void CDefTreeModel::Detach() {
    beginResetModel();
    m_places.clear();
    m_detached = true;
    endResetModel();
}

CDefNode* CDefTreeModel::ChildAt(CDefNode* parent, int row) const {
    if (row < 0) return nullptr;
    if (parent) return parent->Child(static_cast<size_t>(row));
    if (!m_doc) return nullptr;
    const auto& roots = m_doc->Roots();
    return static_cast<size_t>(row) < roots.size() ? roots[static_cast<size_t>(row)].get()
                                                   : nullptr;
}

int CDefTreeModel::ChildRows(const CDefNode* parent) const {
    if (m_detached || !m_doc) return 0;
    return static_cast<int>(parent ? parent->ChildCount() : m_doc->Roots().size());
}

int CDefTreeModel::RowOf(const CDefNode* parent, const CDefNode* node) const {
    auto it = m_places.find(node);
    if (it != m_places.end() && it->second.parent == parent &&
        ChildAt(const_cast<CDefNode*>(parent), it->second.row) == node)
        return it->second.row;
    // Rows move when siblings are inserted or removed before them; the
    // remembered row is only a guess.
    int row = -1;
    if (parent) {
        row = parent->IndexOfChild(node);
    } else {
        const auto& roots = m_doc->Roots();
        for (size_t i = 0; i < roots.size() && row < 0; ++i)
            if (roots[i].get() == node) row = static_cast<int>(i);
    }
    if (row >= 0) m_places[node] = {const_cast<CDefNode*>(parent), row};
    return row;
}

bool CDefTreeModel::ParentOf(const CDefNode* node, CDefNode*& parent) const {
    auto it = m_places.find(node);
    if (it != m_places.end() && ChildAt(it->second.parent, it->second.row) == node) {
        parent = it->second.parent;
        return true;
    }
    for (const auto& root : m_doc->Roots())
        if (root.get() == node) {
            parent = nullptr;
            return true;
        }
    parent = m_doc->FindParent(node);
    return parent != nullptr;
}

QModelIndex CDefTreeModel::IndexOfNode(const CDefNode* node) const {
    if (!node || m_detached || !m_doc) return {};
    std::vector<std::pair<CDefNode*, const CDefNode*>> chain; // (parent, node), deepest first
    for (const CDefNode* n = node;;) {
        CDefNode* parent = nullptr;
        if (!ParentOf(n, parent)) return {};
        chain.emplace_back(parent, n);
        if (!parent) break;
        n = parent;
    }
    QModelIndex index;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        int row = RowOf(it->first, it->second);
        if (row < 0) return {};
        index = createIndex(row, 0, const_cast<CDefNode*>(it->second));
    }
    return index;
}

QModelIndex CDefTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0 || row >= ChildRows(NodeOf(parent))) return {};
    CDefNode* parentNode = NodeOf(parent);
    CDefNode* node = ChildAt(parentNode, row);
    m_places[node] = {parentNode, row};
    return createIndex(row, 0, node);
}

QModelIndex CDefTreeModel::parent(const QModelIndex& child) const {
    const CDefNode* node = NodeOf(child);
    if (!node || m_detached) return {};
    CDefNode* parent = nullptr;
    if (!ParentOf(node, parent) || !parent) return {};
    CDefNode* grandParent = nullptr;
    if (!ParentOf(parent, grandParent)) return {};
    int row = RowOf(grandParent, parent);
    return row < 0 ? QModelIndex() : createIndex(row, 0, parent);
}

int CDefTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) return 0;
    return ChildRows(NodeOf(parent));
}

int CDefTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool CDefTreeModel::hasChildren(const QModelIndex& parent) const {
    return rowCount(parent) > 0;
}

QVariant CDefTreeModel::data(const QModelIndex& index, int role) const {
    const CDefNode* node = NodeOf(index);
    if (!node || m_detached || role != Qt::DisplayRole) return {};
    return tree::NodeLabel(*node);
}

Qt::ItemFlags CDefTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

// --- change notices ------------------------------------------------------------------------

void CDefTreeModel::OnDocumentChange(const document::DocumentChange& change) {
    switch (change.kind) {
    case ChangeKind::AboutToInsert:
    case ChangeKind::AboutToRemove:
        BeginRowChange(change);
        break;
    case ChangeKind::Inserted:
    case ChangeKind::Removed:
        EndRowChange(change);
        break;
    case ChangeKind::Changed:
        if (change.node && !m_detached && m_places.count(change.node)) {
            const QModelIndex index = IndexOfNode(change.node);
            if (index.isValid()) emit dataChanged(index, index, {Qt::DisplayRole});
        }
        break;
    case ChangeKind::Reset:
        m_rowChanges.clear();
        Reset();
        break;
    case ChangeKind::Destroyed:
        m_rowChanges.clear();
        Detach();
        m_doc = nullptr;
        break;
    case ChangeKind::RecordsChanged:
    case ChangeKind::HistoryChanged:
        break;
    }
}

bool CDefTreeModel::RowParent(const CDefNode* parent, QModelIndex& index) const {
    index = {};
    if (m_detached || !m_doc) return false;
    if (!parent) return true;
    // A node never handed out has no rows in any view; nodes being built
    // for the document (and copies) are never handed out, so they cost no
    // search of the tree.
    if (!m_places.count(parent)) return false;
    index = IndexOfNode(parent);
    return index.isValid();
}

void CDefTreeModel::BeginRowChange(const document::DocumentChange& change) {
    QModelIndex parentIndex;
    const int row = static_cast<int>(change.index);
    const bool inserting = change.kind == ChangeKind::AboutToInsert;
    bool told = RowParent(change.parent, parentIndex);
    if (told) {
        // A notice that does not fit what the views hold is not passed on:
        // the views would take it for a row that is not there.
        const int rows = ChildRows(change.parent);
        told = inserting ? row <= rows : row < rows && ChildAt(change.parent, row) == change.node;
    }
    m_rowChanges.push_back({change.kind, told});
    if (!told) return;
    if (inserting)
        beginInsertRows(parentIndex, row, row);
    else
        beginRemoveRows(parentIndex, row, row);
}

void CDefTreeModel::EndRowChange(const document::DocumentChange& change) {
    const bool inserted = change.kind == ChangeKind::Inserted;
    const ChangeKind begun = inserted ? ChangeKind::AboutToInsert : ChangeKind::AboutToRemove;
    bool told = false;
    if (!m_rowChanges.empty() && m_rowChanges.back().kind == begun) {
        told = m_rowChanges.back().told;
        m_rowChanges.pop_back();
    }
    // A removed node may come back elsewhere (undo, redo): its old place
    // must not be taken for its new one.
    if (!inserted && change.node) ForgetSubtree(change.node);
    if (!told) return;
    if (inserted)
        endInsertRows();
    else
        endRemoveRows();
}

void CDefTreeModel::ForgetSubtree(const CDefNode* node) {
    // Below a node the model never met there is nothing it met either.
    if (!m_places.count(node)) return;
    std::vector<const CDefNode*> stack{node};
    while (!stack.empty()) {
        const CDefNode* n = stack.back();
        stack.pop_back();
        if (!m_places.erase(n)) continue;
        for (const CDefNode* child : n->Children())
            stack.push_back(child);
    }
}
