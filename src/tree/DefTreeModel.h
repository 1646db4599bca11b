#pragma once

#include "document/DocumentChanges.h"

#include <QAbstractItemModel>

#include <unordered_map>
#include <vector>

class CDefNode;

namespace document {
class CVarnholtMapEditorDoc;
}

// The document's nodes as an item model: the root list at the top, each
// node's children below it, one column holding the tree label. Rows are read
// straight from the nodes whenever the view asks, so nothing is copied and a
// mission of tens of thousands of elements costs nothing until it is shown.
//
// The model follows the document's change notices: inserted and removed
// nodes become inserted and removed rows, changed nodes changed rows, so the
// views keep their selection and expanded items across edits, undo and redo.
// Changes that bypass the notices (the elements replaced wholesale) need
// Detach before and Reset after, so that no index outlives its node.
class CDefTreeModel : public QAbstractItemModel, public document::DocumentObserver {
    Q_OBJECT
  public:
    explicit CDefTreeModel(document::CVarnholtMapEditorDoc* doc, QObject* parent = nullptr);
    ~CDefTreeModel() override;
    CDefTreeModel(const CDefTreeModel&) = delete;
    CDefTreeModel& operator=(const CDefTreeModel&) = delete;

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

    void OnDocumentChange(const document::DocumentChange& change) override;

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
    // The index of parent as a parent of rows (invalid for the root list);
    // false when the views cannot hold rows below it: a node the model never
    // handed out (rows below it were never shown) or one outside the tree
    // (a node being built, a copy).
    bool RowParent(const CDefNode* parent, QModelIndex& index) const;
    void BeginRowChange(const document::DocumentChange& change);
    void EndRowChange(const document::DocumentChange& change);
    // Forgets the places of node and everything below it.
    void ForgetSubtree(const CDefNode* node);

    document::CVarnholtMapEditorDoc* m_doc;
    bool m_detached = false;
    // Filled as the view visits items, so that finding an item's parent does
    // not search the tree; emptied on every reset.
    mutable std::unordered_map<const CDefNode*, Place> m_places;
    // The row changes begun by a notice and not yet ended, with whether the
    // views were told of their start: they hear of the end exactly when
    // they heard of the start, whatever the model knows by then.
    struct RowChange {
        document::ChangeKind kind;
        bool told;
    };
    std::vector<RowChange> m_rowChanges;
};
