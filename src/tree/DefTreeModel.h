#pragma once

#include <QAbstractItemModel>

#include <unordered_map>

class CDefNode;

namespace document {
class CVarnholtMapEditorDoc;
}

// The document's nodes as an item model: the root list at the top, each
// node's children below it, one column holding the tree label. Rows are read
// straight from the nodes whenever the view asks, so nothing is copied and a
// mission of tens of thousands of elements costs nothing until it is shown.
//
// The model is told of no edits: whoever changes the nodes calls Reset (or
// Detach, before nodes go away) so that no index outlives its node.
class CDefTreeModel : public QAbstractItemModel {
    Q_OBJECT
  public:
    explicit CDefTreeModel(document::CVarnholtMapEditorDoc* doc, QObject* parent = nullptr);

    static CDefNode* NodeOf(const QModelIndex& index);
    // The index of a node of the document, or an invalid index when the node
    // is not in its tree. The node itself is never dereferenced before it is
    // found in the tree, so a stale pointer is safe to ask about.
    QModelIndex IndexOfNode(const CDefNode* node) const;

    // Forgets every index and shows the document's nodes anew.
    void Reset();
    // Shows nothing until the next Reset: used when nodes are about to be
    // destroyed behind the view's back.
    void Detach();

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    // Where a node was met: its parent (nullptr for a root) and its row there.
    struct Place {
        CDefNode* parent = nullptr;
        int row = 0;
    };

    CDefNode* ChildAt(CDefNode* parent, int row) const;
    int ChildRows(const CDefNode* parent) const;
    // The row of node below parent, -1 when it is not there; cheap when the
    // remembered place still holds.
    int RowOf(const CDefNode* parent, const CDefNode* node) const;
    // The parent of a node of the tree; false when the node is not in it.
    bool ParentOf(const CDefNode* node, CDefNode*& parent) const;

    document::CVarnholtMapEditorDoc* m_doc;
    bool m_detached = false;
    // Filled as the view visits items, so that finding an item's parent does
    // not search the tree; emptied on every reset.
    mutable std::unordered_map<const CDefNode*, Place> m_places;
};
