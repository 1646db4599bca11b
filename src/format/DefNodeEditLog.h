#pragma once

#include <cstddef>
#include <memory>

class CDefNode;

namespace format {

// Watches every change made to nodes while it is active: the document
// installs one for the length of an edit, so that whatever route an edit
// takes through the node operations, the edit can be undone exactly, and
// views can be told what changed. Nodes carry no pointer to their document,
// so the log is found through ActiveNodeEditLog() rather than through the
// node.
//
// Nodes made and changed while a log is active are reported too (a new
// entity filled in before it is inserted, a scratch copy); the log sorts out
// what belongs to the document.
class NodeEditLog {
  public:
    virtual ~NodeEditLog() = default;
    // Before the name, a value or the leading comment of node changes.
    virtual void ValuesChanging(CDefNode& node) = 0;
    // Around the insertion of a child at index of parent.
    virtual void ChildInserting(CDefNode& parent, size_t index) = 0;
    virtual void ChildInserted(CDefNode& parent, size_t index) = 0;
    // Around the removal of the child at index of parent (DetachChild and
    // RemoveChild).
    virtual void ChildRemoving(CDefNode& parent, size_t index) = 0;
    virtual void ChildRemoved(CDefNode& parent, size_t index, CDefNode& child) = 0;
    // A child removed for good (RemoveChild): the log takes it instead of
    // letting it be destroyed, so that undo can put the same node back.
    virtual void KeepRemoved(std::unique_ptr<CDefNode> child) = 0;
    // A node was made, or is being destroyed.
    virtual void NodeCreated(CDefNode& node) = 0;
    virtual void NodeDestroyed(CDefNode& node) = 0;
};

// The log that node changes are reported to, or nullptr.
NodeEditLog* ActiveNodeEditLog();

// Makes log the active one for its lifetime and restores the previous one.
class ScopedNodeEditLog {
  public:
    explicit ScopedNodeEditLog(NodeEditLog* log);
    ~ScopedNodeEditLog();
    ScopedNodeEditLog(const ScopedNodeEditLog&) = delete;
    ScopedNodeEditLog& operator=(const ScopedNodeEditLog&) = delete;

  private:
    NodeEditLog* m_previous;
};

} // namespace format
