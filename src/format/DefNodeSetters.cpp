#include "format/DefNode.h"

#include "platform/Text.h"

#include <cstring>

CDefNode* CDefNode::AddChild(std::string_view name, const char* text) {
    auto child = std::make_unique<CDefNode>();
    if (text)
        child->Assign(name, {std::string_view(text)});
    else
        child->Assign(name, {});
    return AppendChild(std::move(child));
}

CDefNode* CDefNode::AddChildQuoted(std::string_view name, const char* text) {
    if (!text) return AddChild(name);
    std::string quoted = "\"" + std::string(text) + "\"";
    return AddChild(name, quoted.c_str());
}

CDefNode* CDefNode::AddChildVector(std::string_view name, const format::DefVec3& v) {
    std::string x = platform::FormatFloat6(v.x), y = platform::FormatFloat6(v.y),
                z = platform::FormatFloat6(v.z);
    auto child = std::make_unique<CDefNode>();
    child->Assign(name, {x, y, z});
    return AppendChild(std::move(child));
}

CDefNode* CDefNode::AddChildFloat(std::string_view name, double x) {
    return AddChild(name, platform::FormatFloat6(x).c_str());
}

CDefNode* CDefNode::AddChildUInt(std::string_view name, unsigned long n) {
    return AddChild(name, platform::FormatUnsigned(n).c_str());
}

CDefNode* CDefNode::AddChildBytes(std::string_view name, uint32_t packed, size_t count) {
    std::vector<std::string> texts;
    for (size_t i = 0; i < count; ++i) {
        uint32_t byte = i < 4 ? (packed >> (8 * i)) & 0xFFu : 0u;
        texts.push_back(platform::FormatInt(static_cast<long>(byte)));
    }
    auto child = std::make_unique<CDefNode>();
    child->Assign(name, std::vector<std::string_view>(texts.begin(), texts.end()));
    return AppendChild(std::move(child));
}

CDefNode* CDefNode::FindOrCreate(const char* name, bool first) {
    if (!name) return this;
    if (CDefNode* hit = Find(name)) return hit;
    auto child = std::make_unique<CDefNode>();
    child->Assign(name, {});
    return InsertChild(first ? 0 : m_children.size(), std::move(child));
}

CDefNode* CDefNode::SetText(const char* name, const char* text) {
    CDefNode* node = FindOrCreate(name, false);
    if (text) node->SetValue(0, text);
    return node;
}

size_t CDefNode::SetDoubles(const char* name, const double* values, size_t count) {
    CDefNode* node = FindOrCreate(name, false);
    for (size_t i = 0; i < count; ++i)
        node->SetFloat(i, values[i]);
    return count;
}

void CDefNode::SetVector(const char* name, const format::DefVec3& v) {
    CDefNode* node = FindOrCreate(name, false);
    node->SetFloat(0, v.x);
    node->SetFloat(1, v.y);
    node->SetFloat(2, v.z);
}

void CDefNode::SetVectorFirst(const char* name, const format::DefVec3& v) {
    CDefNode* node = FindOrCreate(name, true);
    node->SetFloat(0, v.x);
    node->SetFloat(1, v.y);
    node->SetFloat(2, v.z);
}

void CDefNode::SetUIntAt(const char* name, size_t i, unsigned long n) {
    FindOrCreate(name, false)->SetUInt(i, n);
}
void CDefNode::SetFloatAt(const char* name, size_t i, double x) {
    FindOrCreate(name, false)->SetFloat(i, x);
}
void CDefNode::SetTextAt(const char* name, size_t i, const char* text) {
    FindOrCreate(name, false)->SetValue(i, text ? text : "");
}
void CDefNode::SetHexAt(const char* name, size_t i, unsigned long n) {
    FindOrCreate(name, false)->SetHex(i, n);
}

void CDefNode::RemoveChildren(std::string_view name) {
    for (size_t i = m_children.size(); i-- > 0;)
        if (platform::EqualsNoCase(m_children[i]->Name(), name)) RemoveChild(i);
}

void CDefNode::RemoveChildren(std::string_view name, const char* firstValue) {
    for (size_t i = m_children.size(); i-- > 0;) {
        CDefNode* c = m_children[i];
        const char* v = c->GetValue(0);
        if (platform::EqualsNoCase(c->Name(), name) && v && firstValue &&
            std::strcmp(v, firstValue) == 0)
            RemoveChild(i);
    }
}
