#include "tree/DefTreeModel.h"

#include "document/VarnholtMapEditorDoc.h"
#include "format/DefNode.h"
#include "tree/TreeText.h"

#include <vector>

CDefTreeModel::CDefTreeModel(document::CVarnholtMapEditorDoc* doc, QObject* parent)
    : QAbstractItemModel(parent), m_doc(doc) {}

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
    // Elements placed by other views move rows without telling the tree.
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
