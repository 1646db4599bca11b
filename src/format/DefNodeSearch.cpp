#include "format/DefNode.h"

#include "platform/Text.h"

#include <algorithm>
#include <cstring>

namespace {

bool NodeMatches(const CDefNode& node, std::string_view name, const char* firstValue) {
    if (!platform::EqualsNoCase(node.Name(), name)) return false;
    if (!firstValue) return true;
    const char* v = node.GetValue(0);
    return v && platform::EqualsNoCase(v, firstValue);
}

// Pre-order, depth-first walk that stops at the first node pred accepts.
// Explicit stack: trees from hostile files may be far deeper than the call stack.
template <class Pred> CDefNode* FindInSubtree(const CDefNode* root, Pred pred) {
    std::vector<const CDefNode*> stack{root};
    while (!stack.empty()) {
        const CDefNode* n = stack.back();
        stack.pop_back();
        if (pred(*n)) return const_cast<CDefNode*>(n);
        auto kids = n->Children();
        for (size_t i = kids.size(); i-- > 0;)
            stack.push_back(kids[i]);
    }
    return nullptr;
}

template <class T> void ReadNumbers(const CDefNode& node, T* out, size_t count) {
    auto values = node.Values();
    for (size_t i = 0; i < count; ++i) {
        std::string text(values[i]);
        out[i] = static_cast<T>(platform::ParseDouble(text.c_str()));
    }
}

} // namespace

CDefNode* CDefNode::Find(std::string_view name, const char* firstValue) const {
    return FindInSubtree(this, [&](const CDefNode& n) { return NodeMatches(n, name, firstValue); });
}

CDefNode* CDefNode::FindChild(std::string_view name, const char* firstValue) const {
    for (CDefNode* c : m_children)
        if (NodeMatches(*c, name, firstValue)) return c;
    return nullptr;
}

CDefNode* CDefNode::Match(std::string_view name, const char* firstValue) const {
    return NodeMatches(*this, name, firstValue) ? const_cast<CDefNode*>(this) : nullptr;
}

CDefNode* CDefNode::MatchName(std::string_view name) const {
    return platform::EqualsNoCase(Name(), name) ? const_cast<CDefNode*>(this) : nullptr;
}

CDefNode* CDefNode::FindNext(int& position, std::string_view name, const char* firstValue) const {
    if (position == -2) {
        position = -1;
        if (NodeMatches(*this, name, firstValue)) return const_cast<CDefNode*>(this);
    }
    for (size_t i = static_cast<size_t>(std::max(position + 1, 0)); i < m_children.size(); ++i) {
        position = static_cast<int>(i);
        if (CDefNode* hit = m_children[i]->Find(name, firstValue)) return hit;
    }
    return nullptr;
}

CDefNode* CDefNode::FindNextChild(int& position, std::string_view name) const {
    for (size_t i = static_cast<size_t>(std::max(position + 1, 0)); i < m_children.size(); ++i) {
        if (platform::EqualsNoCase(m_children[i]->Name(), name)) {
            position = static_cast<int>(i);
            return m_children[i];
        }
    }
    position = static_cast<int>(m_children.size());
    return nullptr;
}

int CDefNode::ChildIndex(std::string_view name) const {
    if (platform::EqualsNoCase(Name(), name)) return 0;
    for (size_t i = 0; i < m_children.size(); ++i)
        if (platform::EqualsNoCase(m_children[i]->Name(), name)) return static_cast<int>(i);
    return -1;
}

const char* CDefNode::FindValue(std::string_view name) const {
    CDefNode* hit = FindInSubtree(this, [&](const CDefNode& n) {
        return n.ValueCount() > 0 && platform::EqualsNoCase(n.Name(), name);
    });
    return hit ? hit->GetValue(0) : nullptr;
}

const char* CDefNode::OwnValue(std::string_view name) const {
    return platform::EqualsNoCase(Name(), name) ? GetValue(0) : nullptr;
}

void CDefNode::CollectAll(std::string_view name, std::vector<CDefNode*>& list) const {
    std::vector<const CDefNode*> stack{this};
    while (!stack.empty()) {
        const CDefNode* n = stack.back();
        stack.pop_back();
        if (platform::EqualsNoCase(n->Name(), name)) {
            list.push_back(const_cast<CDefNode*>(n));
            continue; // a match's own subtree is not searched
        }
        for (size_t i = n->m_children.size(); i-- > 0;)
            stack.push_back(n->m_children[i]);
    }
}

bool CDefNode::ReadDoubles(std::string_view name, double* out, size_t count) const {
    CDefNode* hit = FindInSubtree(this, [&](const CDefNode& n) {
        return n.ValueCount() >= count && platform::EqualsNoCase(n.Name(), name);
    });
    if (!hit) return false;
    ReadNumbers(*hit, out, count);
    return true;
}

bool CDefNode::ReadFloats(std::string_view name, float* out, size_t count) const {
    CDefNode* hit = FindInSubtree(this, [&](const CDefNode& n) {
        return n.ValueCount() >= count && platform::EqualsNoCase(n.Name(), name);
    });
    if (!hit) return false;
    ReadNumbers(*hit, out, count);
    return true;
}

bool CDefNode::ReadOwnDoubles(std::string_view name, double* out, size_t count) const {
    if (ValueCount() < count || !platform::EqualsNoCase(Name(), name)) return false;
    ReadNumbers(*this, out, count);
    return true;
}

bool CDefNode::ReadDoublesHere(std::string_view name, double* out, size_t count) const {
    if (ReadOwnDoubles(name, out, count)) return true;
    for (CDefNode* c : m_children)
        if (c->ReadOwnDoubles(name, out, count)) return true;
    return false;
}

bool CDefNode::ReadVector(std::string_view name, format::DefVec3& out) const {
    float xyz[3];
    if (!ReadFloats(name, xyz, 3)) return false;
    out = {xyz[0], xyz[1], xyz[2]};
    return true;
}

bool CDefNode::ReadPackedBytes(std::string_view name, uint32_t& out, size_t count) const {
    CDefNode* hit = FindInSubtree(this, [&](const CDefNode& n) {
        return n.ValueCount() >= count && platform::EqualsNoCase(n.Name(), name);
    });
    if (!hit) return false;
    out = 0;
    auto values = hit->Values();
    // Only four bytes fit the packed colour; further values are ignored.
    for (size_t i = 0; i < count && i < 4; ++i) {
        std::string text(values[i].substr(0, 12));
        long v = platform::ParseLong(text.c_str(), 10);
        out |= (static_cast<uint32_t>(v) & 0xFFu) << (8 * i);
    }
    return true;
}
