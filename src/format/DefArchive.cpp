#include "format/DefArchive.h"
#include "format/DefNode.h"

#include <cstring>
#include <memory>

void CDefArchive::WriteU16(uint16_t v) {
    const unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
    WriteBytes(b, 2);
}

void CDefArchive::WriteU32(uint32_t v) {
    const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                static_cast<unsigned char>(v >> 16),
                                static_cast<unsigned char>(v >> 24)};
    WriteBytes(b, 4);
}

void CDefArchive::WriteString(std::string_view s) {
    if (s.size() < 0xFF) {
        const unsigned char len = static_cast<unsigned char>(s.size());
        WriteBytes(&len, 1);
    } else if (s.size() < 0xFFFE) {
        const unsigned char mark = 0xFF;
        WriteBytes(&mark, 1);
        WriteU16(static_cast<uint16_t>(s.size()));
    } else {
        const unsigned char mark = 0xFF;
        WriteBytes(&mark, 1);
        WriteU16(0xFFFF);
        WriteU32(static_cast<uint32_t>(s.size()));
    }
    WriteBytes(s.data(), s.size());
}

void CDefArchive::WriteCount(uint32_t n) {
    if (n < 0xFFFF) {
        WriteU16(static_cast<uint16_t>(n));
    } else {
        WriteU16(0xFFFF);
        WriteU32(n);
    }
}

bool CDefArchive::ReadBytes(void* data, size_t size) {
    if (m_bytes.size() - m_pos < size) {
        m_pos = m_bytes.size();
        return false;
    }
    std::memcpy(data, m_bytes.data() + m_pos, size);
    m_pos += size;
    return true;
}

bool CDefArchive::ReadView(std::string_view& view, size_t size) {
    if (m_bytes.size() - m_pos < size) {
        m_pos = m_bytes.size();
        return false;
    }
    view = std::string_view(m_bytes).substr(m_pos, size);
    m_pos += size;
    return true;
}

bool CDefArchive::ReadU8(uint8_t& v) {
    return ReadBytes(&v, 1);
}

bool CDefArchive::ReadU16(uint16_t& v) {
    unsigned char b[2];
    if (!ReadBytes(b, 2)) return false;
    v = static_cast<uint16_t>(b[0] | (b[1] << 8));
    return true;
}

bool CDefArchive::ReadU32(uint32_t& v) {
    unsigned char b[4];
    if (!ReadBytes(b, 4)) return false;
    v = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
        (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
    return true;
}

bool CDefArchive::ReadString(std::string& s) {
    uint8_t len8;
    if (!ReadU8(len8)) return false;
    uint32_t len = len8;
    if (len8 == 0xFF) {
        uint16_t len16;
        if (!ReadU16(len16)) return false;
        len = len16;
        if (len16 == 0xFFFF && !ReadU32(len)) return false;
    }
    std::string_view view;
    if (!ReadView(view, len)) return false;
    s.assign(view);
    return true;
}

bool CDefArchive::ReadCount(uint32_t& n) {
    uint16_t n16;
    if (!ReadU16(n16)) return false;
    n = n16;
    if (n16 == 0xFFFF) return ReadU32(n);
    return true;
}

namespace {

void StoreOne(const CDefNode& node, CDefArchive& ar) {
    ar.WriteString(node.Name());
    auto values = node.Values();
    ar.WriteCount(static_cast<uint32_t>(values.size()));
    for (auto v : values) {
        ar.WriteCount(static_cast<uint32_t>(v.size()));
        ar.WriteBytes(v.data(), v.size());
        const char nul = 0;
        ar.WriteBytes(&nul, 1);
    }
    ar.WriteCount(static_cast<uint32_t>(node.ChildCount()));
}

// Reads name and values into node (name replaced, values appended) and the
// child count. Counts declared by the bytes are never trusted for
// allocation: every value and child must be backed by bytes actually read.
bool LoadOne(CDefNode& node, CDefArchive& ar, uint32_t& childCount) {
    std::string name;
    if (!ar.ReadString(name)) return false;
    std::vector<std::string> values;
    for (auto v : node.Values())
        values.emplace_back(v);
    uint32_t count;
    if (!ar.ReadCount(count)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t length;
        std::string_view bytes;
        if (!ar.ReadCount(length) || !ar.ReadView(bytes, static_cast<size_t>(length) + 1))
            return false;
        values.emplace_back(bytes.substr(0, length));
    }
    node.Assign(name, std::vector<std::string_view>(values.begin(), values.end()));
    return ar.ReadCount(childCount);
}

} // namespace

bool CDefNode::Serialize(CDefArchive& ar) {
    // Both directions walk the tree with an explicit stack of (node, children
    // left), so that deep trees cannot exhaust the call stack.
    if (ar.IsStoring()) {
        StoreOne(*this, ar);
        std::vector<std::pair<const CDefNode*, size_t>> stack{{this, 0}};
        while (!stack.empty()) {
            auto& [node, next] = stack.back();
            if (next == node->ChildCount()) {
                stack.pop_back();
                continue;
            }
            const CDefNode* child = node->Child(next++);
            StoreOne(*child, ar);
            stack.emplace_back(child, 0);
        }
        return true;
    }
    uint32_t childCount;
    if (!LoadOne(*this, ar, childCount)) return false;
    std::vector<std::pair<CDefNode*, uint32_t>> stack{{this, childCount}};
    while (!stack.empty()) {
        auto& [node, left] = stack.back();
        if (left == 0) {
            stack.pop_back();
            continue;
        }
        --left;
        CDefNode* parent = node;
        auto child = std::make_unique<CDefNode>();
        uint32_t grandChildren;
        bool ok = LoadOne(*child, ar, grandChildren);
        // Loaded children keep depth 0; callers renumber with SetDepth.
        CDefNode* raw = child.release();
        parent->m_children.push_back(raw);
        if (!ok) return false;
        stack.emplace_back(raw, grandChildren);
    }
    return true;
}
