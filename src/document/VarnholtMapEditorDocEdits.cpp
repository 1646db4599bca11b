// Edits that reach the document from its views: subtrees inserted and pasted
// through the element tree, coupling, the player side.

#include "document/DocumentHistory.h"
#include "document/EntityProps.h"
#include "document/VarnholtMapEditorDoc.h"

#include "format/DefParser.h"
#include "platform/Prompts.h"
#include "platform/Text.h"

#include <algorithm>
#include <vector>

namespace document {

CDefNode* CVarnholtMapEditorDoc::InsertSubtree(CDefNode* parent, size_t index,
                                               std::unique_ptr<CDefNode> node,
                                               std::string_view name) {
    if (!node) return nullptr;
    if (parent) {
        // Only a node of this document, and none of the base map's.
        if (parent->locked) return nullptr;
        bool isRoot = std::any_of(m_roots.begin(), m_roots.end(),
                                  [&](const auto& r) { return r.get() == parent; });
        if (!isRoot && !FindParent(parent)) return nullptr;
    }
    Edit edit(*this, std::string(name));
    // The subtree keeps its IDs and MIDs; they are registered so that none is
    // handed out again, and one already in use is reported as a load reports it.
    std::vector<CDefNode*> stack{node.get()};
    while (!stack.empty()) {
        CDefNode* n = stack.back();
        stack.pop_back();
        for (CDefNode* c : n->Children())
            stack.push_back(c);
        if (n->locked) continue;
        if (platform::EqualsNoCase(n->Name(), "Entity")) {
            for (std::string_view v : n->Values()) {
                if (v.find("0x") == std::string_view::npos || v.size() < 2) continue;
                const std::string digits(v.substr(2));
                const unsigned long id = platform::ParseUnsigned(digits.c_str(), 16);
                if (id >= format::kRegistrySize) continue;
                if (m_idRegistry[id] != 0 && m_services.prompts)
                    m_services.prompts->Message("Duplicate ID value '" + platform::FormatHex(id) +
                                                    "'",
                                                platform::Icon::Warning);
                SetTableEntry(history::Table::Ids, static_cast<uint32_t>(id),
                              static_cast<uint32_t>(id));
            }
        } else if (platform::EqualsNoCase(n->Name(), "MID") && n->ValueCount() > 0) {
            const unsigned long mid = platform::ParseUnsigned(n->GetValue(0), 10);
            if (mid >= format::kRegistrySize) continue;
            if (m_midRegistry[mid] != 0 && m_services.prompts)
                m_services.prompts->Message("Duplicate MID value '" +
                                                platform::FormatUnsigned(mid) + "'",
                                            platform::Icon::Warning);
            SetTableEntry(history::Table::Mids, static_cast<uint32_t>(mid),
                          static_cast<uint32_t>(mid));
        }
    }
    if (parent) return parent->InsertChild(std::min(index, parent->ChildCount()), std::move(node));
    // The root list is the document's own: it records the insertion itself.
    index = std::min(index, m_roots.size());
    CDefNode* raw = node.get();
    raw->SetDepth(-1);
    Notify({ChangeKind::AboutToInsert, nullptr, index, nullptr});
    m_roots.insert(m_roots.begin() + static_cast<long>(index), std::move(node));
    RecordRootInsert(index, raw);
    Notify({ChangeKind::Inserted, nullptr, index, raw});
    return raw;
}

bool CVarnholtMapEditorDoc::CoupleTrainParts(const CDefNode& front, CDefNode& back) {
    Edit edit(*this, "Couple " + platform::StripQuotes(back.GetValue(0) ? back.GetValue(0) : ""));
    return CoupleTrainPart(front, back);
}

void CVarnholtMapEditorDoc::SetPlayerSide(int side) {
    if (side == m_playerSide) return;
    Edit edit(*this, "Player Side");
    m_playerSide = side;
}

} // namespace document
