#pragma once

#include <unordered_map>

class CDefNode;

namespace document {

class CVarnholtMapEditorDoc;

// The entry dialog edits a copy of a node's subtree, so that Cancel leaves
// the node as it was; OK writes the copy back through here.
//
// Which node of the copy stands for which node of the original.
using EntryCopyMap = std::unordered_map<const CDefNode*, const CDefNode*>;
// Pairs original and copy node by node, right after copy was made with CopyFrom.
EntryCopyMap PairEntryCopy(CDefNode& original, CDefNode& copy);

// Writes what was done to copy back into target: first the children deleted
// in the copy (through the document, which takes their records, identifiers
// and what refers to them along; a deletion it refuses is skipped), then
// every name and value that differs, into the same node objects. With a
// document it is one undoable step, "Edit Entry"; without one target is a
// node of no document (a copy being edited by an outer dialog). True when
// anything below target changed.
bool WriteEntryCopy(CVarnholtMapEditorDoc* doc, CDefNode& target, CDefNode& copy,
                    const EntryCopyMap& copyOf);

} // namespace document
