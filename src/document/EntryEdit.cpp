#include "document/EntryEdit.h"

#include "document/VarnholtMapEditorDoc.h"
#include "format/DefNode.h"

#include <unordered_set>
#include <vector>

namespace document {
namespace {

// Every node of the subtree, the root first, parents before children.
std::vector<CDefNode*> SubtreeOf(CDefNode& root) {
    std::vector<CDefNode*> nodes{&root};
    for (size_t i = 0; i < nodes.size(); ++i)
        for (CDefNode* child : nodes[i]->Children())
            nodes.push_back(child);
    return nodes;
}

// The first node below target (pre-order) whose copy is gone, skipping the
// subtrees of nodes whose removal was refused.
CDefNode* FindDropped(CDefNode& target, const EntryCopyMap& copyOf,
                      const std::unordered_set<const CDefNode*>& liveCopies,
                      const std::unordered_set<const CDefNode*>& refused) {
    const auto children = target.Children();
    std::vector<CDefNode*> stack(children.rbegin(), children.rend());
    while (!stack.empty()) {
        CDefNode* node = stack.back();
        stack.pop_back();
        if (refused.count(node)) continue;
        auto it = copyOf.find(node);
        if (it != copyOf.end() && !liveCopies.count(it->second)) return node;
        for (size_t i = node->ChildCount(); i-- > 0;)
            stack.push_back(node->Child(i));
    }
    return nullptr;
}

bool RemoveBelow(CDefNode& target, CDefNode* node, CVarnholtMapEditorDoc* doc) {
    // Through the document its records and identifiers go with the node, and
    // it may take what refers to the node along (an entity's brain and links).
    if (doc) return doc->DeleteNode(node);
    for (CDefNode* parent : SubtreeOf(target))
        if (int index = parent->IndexOfChild(node); index >= 0) {
            parent->RemoveChild(static_cast<size_t>(index));
            return true;
        }
    return false;
}

bool WriteBack(CVarnholtMapEditorDoc* doc, CDefNode& target, CDefNode& copy,
               const EntryCopyMap& copyOf) {
    std::unordered_set<const CDefNode*> liveCopies;
    for (CDefNode* node : SubtreeOf(copy))
        liveCopies.insert(node);
    bool changedBelow = false;
    std::unordered_set<const CDefNode*> refused;
    while (CDefNode* dropped = FindDropped(target, copyOf, liveCopies, refused)) {
        if (RemoveBelow(target, dropped, doc))
            changedBelow = true;
        else
            refused.insert(dropped);
    }
    for (CDefNode* node : SubtreeOf(target)) {
        auto it = copyOf.find(node);
        if (it == copyOf.end() || !liveCopies.count(it->second)) continue;
        const CDefNode& edited = *it->second;
        if (node->Name() == edited.Name() && node->Values() == edited.Values()) continue;
        node->Assign(edited.Name(), edited.Values());
        if (node != &target) changedBelow = true;
    }
    return changedBelow;
}

} // namespace

EntryCopyMap PairEntryCopy(CDefNode& original, CDefNode& copy) {
    EntryCopyMap map;
    std::vector<std::pair<CDefNode*, CDefNode*>> work{{&original, &copy}};
    while (!work.empty()) {
        auto [from, to] = work.back();
        work.pop_back();
        map.emplace(from, to);
        for (size_t i = 0; i < from->ChildCount() && i < to->ChildCount(); ++i)
            work.emplace_back(from->Child(i), to->Child(i));
    }
    return map;
}

bool WriteEntryCopy(CVarnholtMapEditorDoc* doc, CDefNode& target, CDefNode& copy,
                    const EntryCopyMap& copyOf) {
    if (!doc) return WriteBack(nullptr, target, copy, copyOf);
    CVarnholtMapEditorDoc::Edit edit(*doc, "Edit Entry");
    return WriteBack(doc, target, copy, copyOf);
}

} // namespace document
