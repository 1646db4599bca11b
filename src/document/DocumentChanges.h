#pragma once

#include <cstddef>

class CDefNode;

namespace document {

// What changed in a document, as its views are told. Structural changes name
// the parent (nullptr for the root list) and the index there; they come in
// pairs around the change, so that a view can let go of a node before it
// leaves the tree and learn of one after it has arrived.
enum class ChangeKind {
    AboutToInsert,  // parent, index: a node is about to be inserted there
    Inserted,       // parent, index, node
    AboutToRemove,  // parent, index, node: still in the tree
    Removed,        // parent, index, node: out of the tree, still alive
    Changed,        // node: its name, values or leading comment changed
    RecordsChanged, // the zone, event, trigger or camera path records changed
    HistoryChanged, // an edit was made, undone or redone; the modified state may differ
    Reset,          // everything was read anew (load, reload): forget every node
    Destroyed,      // the document is going away: let go of it (no need to stop observing)
};

struct DocumentChange {
    ChangeKind kind;
    CDefNode* parent = nullptr;
    size_t index = 0;
    CDefNode* node = nullptr;
};

// A view of a document that follows its changes instead of being rebuilt.
class DocumentObserver {
  public:
    virtual ~DocumentObserver() = default;
    virtual void OnDocumentChange(const DocumentChange& change) = 0;
};

} // namespace document
