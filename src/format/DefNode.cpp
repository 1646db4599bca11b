#include "format/DefNode.h"
#include "format/DefNodeEditLog.h"
#include "format/DefNodeInternal.h"

#include "platform/Text.h"

#include <cstdlib>
#include <cstring>
#include <new>

CDefNode::ValueBlock* CDefNode::ValueBlock::Allocate(size_t dataBytes) {
    size_t bytes = offsetof(ValueBlock, data) + (dataBytes ? dataBytes : 1);
    auto* block = static_cast<ValueBlock*>(std::malloc(bytes));
    if (!block) throw std::bad_alloc();
    block->count = 0;
    block->size = 0;
    block->capacity = static_cast<uint32_t>(dataBytes);
    return block;
}

namespace format {

ChildArray::~ChildArray() {
    std::free(m_data);
}

void ChildArray::reserve(size_t count) {
    if (count <= m_capacity) return;
    auto* grown = static_cast<CDefNode**>(std::realloc(m_data, count * sizeof(CDefNode*)));
    if (!grown) throw std::bad_alloc();
    m_data = grown;
    m_capacity = static_cast<uint32_t>(count);
}

void ChildArray::ShrinkToFit() {
    if (m_size == m_capacity || m_size == 0) return;
    if (auto* shrunk = static_cast<CDefNode**>(std::realloc(m_data, m_size * sizeof(CDefNode*)))) {
        m_data = shrunk;
        m_capacity = m_size;
    }
}

void ChildArray::push_back(CDefNode* node) {
    if (m_size == m_capacity) reserve(m_capacity < 4 ? 4 : m_capacity * 2);
    m_data[m_size++] = node;
}

void ChildArray::insert(size_t index, CDefNode* node) {
    if (m_size == m_capacity) reserve(m_capacity < 4 ? 4 : m_capacity * 2);
    std::memmove(m_data + index + 1, m_data + index, (m_size - index) * sizeof(CDefNode*));
    m_data[index] = node;
    ++m_size;
}

void ChildArray::erase(size_t index) {
    std::memmove(m_data + index, m_data + index + 1, (m_size - index - 1) * sizeof(CDefNode*));
    --m_size;
}

void ChildArray::MoveTo(std::vector<CDefNode*>& out) {
    out.insert(out.end(), begin(), end());
    m_size = 0;
}

} // namespace format

void* CDefNode::operator new(size_t size) {
    void* p = std::malloc(size);
    if (!p) throw std::bad_alloc();
    return p;
}

void CDefNode::operator delete(void* p) {
    std::free(p);
}

CDefNode* DefParserAccess::Create(std::string_view name,
                                  const std::vector<std::string_view>& values) {
    size_t bytes = name.size() + 1;
    for (auto v : values)
        bytes += v.size() + 1;
    size_t header = offsetof(CDefNode::ValueBlock, data);
    void* memory = CDefNode::operator new(sizeof(CDefNode) + header + bytes);
    auto* node = ::new (memory) CDefNode();
    auto* block =
        reinterpret_cast<CDefNode::ValueBlock*>(static_cast<char*>(memory) + sizeof(CDefNode));
    char* p = block->data;
    auto put = [&p](std::string_view text) {
        if (!text.empty()) std::memcpy(p, text.data(), text.size());
        p += text.size();
        *p++ = '\0';
    };
    put(name);
    for (auto v : values)
        put(v);
    block->count = static_cast<uint32_t>(values.size());
    block->size = static_cast<uint32_t>(bytes);
    block->capacity = static_cast<uint32_t>(bytes);
    node->m_block = block;
    node->m_inlineBlock = true;
    return node;
}

CDefNode::CDefNode() {
    if (format::NodeEditLog* log = format::ActiveNodeEditLog()) log->NodeCreated(*this);
}

CDefNode::CDefNode(std::string_view name, const char* text) {
    if (format::NodeEditLog* log = format::ActiveNodeEditLog()) log->NodeCreated(*this);
    if (text) {
        std::string quoted = "\"" + std::string(text) + "\"";
        Rebuild(name, {quoted});
    } else {
        Rebuild(name, {});
    }
}

CDefNode::~CDefNode() {
    if (format::NodeEditLog* log = format::ActiveNodeEditLog()) log->NodeDestroyed(*this);
    if (!m_inlineBlock) std::free(m_block);
    delete m_extras;
    DestroyChildren();
}

// Subtrees can be arbitrarily deep (hostile files nest a million blocks), so
// they are torn down with an explicit stack instead of recursion.
void CDefNode::DestroyChildren() {
    if (m_children.empty()) return;
    std::vector<CDefNode*> pending;
    m_children.MoveTo(pending);
    while (!pending.empty()) {
        CDefNode* node = pending.back();
        pending.pop_back();
        node->m_children.MoveTo(pending);
        delete node;
    }
}

void CDefNode::ReplaceBlock(ValueBlock* block) {
    if (!m_inlineBlock) std::free(m_block);
    m_block = block;
    m_inlineBlock = false;
}

void CDefNode::Rebuild(std::string_view name, const std::vector<std::string_view>& values) {
    // Text ends at its first NUL, as every stored text is NUL-terminated.
    auto clip = [](std::string_view t) {
        size_t n = t.find('\0');
        return n == std::string_view::npos ? t : t.substr(0, n);
    };
    // Built aside first: the views may point into the current block.
    std::string data;
    data.reserve(name.size() + 1 + values.size() * 8);
    data.append(clip(name));
    data.push_back('\0');
    for (auto v : values) {
        data.append(clip(v));
        data.push_back('\0');
    }
    if (!m_block || data.size() > m_block->capacity)
        ReplaceBlock(ValueBlock::Allocate(data.size()));
    std::memcpy(m_block->data, data.data(), data.size());
    m_block->count = static_cast<uint32_t>(values.size());
    m_block->size = static_cast<uint32_t>(data.size());
}

void CDefNode::CopyFrom(const CDefNode& source) {
    if (&source == this) return;
    if (format::NodeEditLog* log = format::ActiveNodeEditLog()) {
        // Under an edit the old children are removed one by one, so that the
        // log keeps them for undo, and the copied children go in one by one.
        // The copy itself is made aside, unwatched: it is new.
        std::unique_ptr<CDefNode> copy;
        {
            format::ScopedNodeEditLog unwatched(nullptr);
            copy = std::make_unique<CDefNode>();
            copy->CopyFrom(source);
        }
        while (!m_children.empty())
            RemoveChild(m_children.size() - 1);
        log->ValuesChanging(*this);
        Rebuild(source.Name(), source.Values());
        depth = source.depth;
        locked = source.locked;
        isUnit = source.isUnit;
        while (!copy->m_children.empty()) {
            std::unique_ptr<CDefNode> child;
            {
                format::ScopedNodeEditLog unwatched(nullptr);
                child = copy->DetachChild(0);
            }
            InsertChild(m_children.size(), std::move(child));
        }
        format::ScopedNodeEditLog unwatched(nullptr);
        copy.reset();
        return;
    }
    Rebuild(source.Name(), source.Values());
    DestroyChildren();
    depth = source.depth;
    locked = source.locked;
    isUnit = source.isUnit;
    SetTreeItem(source.TreeItem());
    SetExpanded(source.Expanded());
    const float* sp = source.SceneParams();
    SetSceneParams(sp[0], sp[1], sp[2]);

    // Deep copy without recursion: pairs of (source, copy) whose children are
    // still to be copied.
    std::vector<std::pair<const CDefNode*, CDefNode*>> work{{&source, this}};
    while (!work.empty()) {
        auto [from, to] = work.back();
        work.pop_back();
        to->m_children.reserve(from->m_children.size());
        for (const CDefNode* child : from->m_children) {
            CDefNode* copy = child->m_block
                                 ? DefParserAccess::Create(child->Name(), child->Values())
                                 : new CDefNode();
            copy->depth = child->depth;
            copy->locked = child->locked;
            copy->isUnit = child->isUnit;
            if (child->m_extras) {
                copy->m_extras = new Extras(*child->m_extras);
                copy->m_extras->comment.clear();
            }
            to->m_children.push_back(copy);
            if (!child->m_children.empty()) work.emplace_back(child, copy);
        }
    }
}

size_t CDefNode::ValueCount() const {
    return m_block ? m_block->count : 0;
}

std::string_view CDefNode::Name() const {
    return m_block ? std::string_view(m_block->Name()) : std::string_view();
}

void CDefNode::SetName(std::string_view name) {
    if (format::NodeEditLog* log = format::ActiveNodeEditLog()) log->ValuesChanging(*this);
    Rebuild(name, Values());
}

bool CDefNode::Locate(size_t i, size_t& offset, size_t& length) const {
    if (!m_block || i >= m_block->count) return false;
    const char* p = m_block->data;
    p += std::strlen(p) + 1; // the name
    for (size_t k = 0; k < i; ++k)
        p += std::strlen(p) + 1;
    offset = static_cast<size_t>(p - m_block->data);
    length = std::strlen(p);
    return true;
}

const char* CDefNode::GetValue(size_t i) const {
    size_t offset, length;
    return Locate(i, offset, length) ? m_block->data + offset : nullptr;
}

std::vector<std::string_view> CDefNode::Values() const {
    std::vector<std::string_view> out;
    if (!m_block) return out;
    out.reserve(m_block->count);
    const char* p = m_block->data;
    p += std::strlen(p) + 1;
    for (uint32_t k = 0; k < m_block->count; ++k) {
        size_t n = std::strlen(p);
        out.emplace_back(p, n);
        p += n + 1;
    }
    return out;
}

std::string CDefNode::GetValueUnquoted(size_t i) const {
    const char* v = GetValue(i);
    if (!v) return {};
    std::string_view s(v);
    if (!s.empty() && s.front() == '"') {
        if (s.size() >= 2) return std::string(s.substr(1, s.size() - 2));
        return {};
    }
    return std::string(s);
}

bool CDefNode::GetUInt(size_t i, unsigned long& out) const {
    const char* v = GetValue(i);
    out = v ? platform::ParseUnsigned(v, 10) : 0;
    return v != nullptr;
}

bool CDefNode::GetFloat(size_t i, double& out) const {
    const char* v = GetValue(i);
    out = v ? platform::ParseDouble(v) : 0.0;
    return v != nullptr;
}

void CDefNode::SetValue(size_t i, std::string_view text) {
    if (format::NodeEditLog* log = format::ActiveNodeEditLog()) log->ValuesChanging(*this);
    if (auto nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
    if (!m_block) Rebuild({}, {});
    size_t count = m_block->count;
    if (i < count) {
        size_t offset, length;
        Locate(i, offset, length);
        size_t newSize = m_block->size - length + text.size();
        if (newSize > m_block->capacity) {
            ValueBlock* grown = ValueBlock::Allocate(newSize + newSize / 2);
            std::memcpy(grown->data, m_block->data, m_block->size);
            grown->count = m_block->count;
            grown->size = m_block->size;
            ReplaceBlock(grown);
        }
        char* at = m_block->data + offset;
        std::memmove(at + text.size(), at + length, m_block->size - offset - length);
        if (!text.empty()) std::memcpy(at, text.data(), text.size());
        m_block->size = static_cast<uint32_t>(newSize);
        return;
    }
    // Appending; a gap below i is filled with empty values.
    size_t extra = (i - count) + text.size() + 1;
    size_t newSize = m_block->size + extra;
    if (newSize > m_block->capacity) {
        // Geometric growth keeps a long run of appends linear.
        ValueBlock* grown = ValueBlock::Allocate(newSize + newSize / 2 + 16);
        std::memcpy(grown->data, m_block->data, m_block->size);
        grown->count = m_block->count;
        grown->size = m_block->size;
        ReplaceBlock(grown);
    }
    char* p = m_block->data + m_block->size;
    for (size_t k = count; k < i; ++k)
        *p++ = '\0';
    if (!text.empty()) std::memcpy(p, text.data(), text.size());
    p[text.size()] = '\0';
    m_block->size = static_cast<uint32_t>(newSize);
    m_block->count = static_cast<uint32_t>(i + 1);
}

void CDefNode::SetFirstValueQuoted(std::string_view text) {
    SetValue(0, "\"" + std::string(text) + "\"");
}
void CDefNode::SetFloat(size_t i, double x) {
    SetValue(i, platform::FormatFloat6(x));
}
void CDefNode::SetHex(size_t i, unsigned long n) {
    SetValue(i, platform::FormatHex(n));
}
void CDefNode::SetUInt(size_t i, unsigned long n) {
    SetValue(i, platform::FormatUnsigned(n));
}
void CDefNode::SetByte(size_t i, unsigned long n) {
    SetValue(i, platform::FormatInt(static_cast<long>(n & 0xFF)));
}

void CDefNode::RemoveValue(size_t i) {
    size_t offset, length;
    if (!Locate(i, offset, length)) return;
    if (format::NodeEditLog* log = format::ActiveNodeEditLog()) log->ValuesChanging(*this);
    char* at = m_block->data + offset;
    std::memmove(at, at + length + 1, m_block->size - offset - length - 1);
    m_block->size -= static_cast<uint32_t>(length + 1);
    m_block->count -= 1;
}

void CDefNode::ClearValues() {
    if (format::NodeEditLog* log = format::ActiveNodeEditLog()) log->ValuesChanging(*this);
    Rebuild(Name(), {});
}

void CDefNode::Assign(std::string_view name, const std::vector<std::string_view>& values) {
    if (format::NodeEditLog* log = format::ActiveNodeEditLog()) log->ValuesChanging(*this);
    Rebuild(name, values);
}

CDefNode* CDefNode::AppendChild(std::unique_ptr<CDefNode> child) {
    return InsertChild(m_children.size(), std::move(child));
}

CDefNode* CDefNode::InsertChild(size_t index, std::unique_ptr<CDefNode> child) {
    if (index > m_children.size()) index = m_children.size();
    format::NodeEditLog* log = format::ActiveNodeEditLog();
    if (log) log->ChildInserting(*this, index);
    CDefNode* raw = child.release();
    m_children.insert(index, raw);
    raw->SetDepth(depth);
    if (log) log->ChildInserted(*this, index);
    return raw;
}

std::unique_ptr<CDefNode> CDefNode::DetachChild(size_t i) {
    if (i >= m_children.size()) return nullptr;
    format::NodeEditLog* log = format::ActiveNodeEditLog();
    if (log) log->ChildRemoving(*this, i);
    CDefNode* child = m_children[i];
    m_children.erase(i);
    if (log) log->ChildRemoved(*this, i, *child);
    return std::unique_ptr<CDefNode>(child);
}

void CDefNode::RemoveChild(size_t i) {
    std::unique_ptr<CDefNode> child = DetachChild(i);
    if (!child) return;
    if (format::NodeEditLog* log = format::ActiveNodeEditLog()) log->KeepRemoved(std::move(child));
}

int CDefNode::IndexOfChild(const CDefNode* child) const {
    for (size_t i = 0; i < m_children.size(); ++i)
        if (m_children[i] == child) return static_cast<int>(i);
    return -1;
}

size_t CDefNode::CountNodes() const {
    size_t count = 0;
    std::vector<const CDefNode*> stack{this};
    while (!stack.empty()) {
        const CDefNode* n = stack.back();
        stack.pop_back();
        ++count;
        stack.insert(stack.end(), n->m_children.begin(), n->m_children.end());
    }
    return count;
}

void CDefNode::SetDepth(int d) {
    depth = d + 1;
    std::vector<CDefNode*> stack{this};
    while (!stack.empty()) {
        CDefNode* n = stack.back();
        stack.pop_back();
        for (CDefNode* c : n->m_children) {
            c->depth = n->depth + 1;
            stack.push_back(c);
        }
    }
}

CDefNode::Extras& CDefNode::MutableExtras() {
    if (!m_extras) m_extras = new Extras();
    return *m_extras;
}

uintptr_t CDefNode::TreeItem() const {
    return m_extras ? m_extras->treeItem : 0;
}
void CDefNode::SetTreeItem(uintptr_t item) {
    if (item || m_extras) MutableExtras().treeItem = item;
}
bool CDefNode::Expanded() const {
    return m_extras && m_extras->expanded;
}
void CDefNode::SetExpanded(bool expanded) {
    if (expanded || m_extras) MutableExtras().expanded = expanded;
}
const float* CDefNode::SceneParams() const {
    static const float defaults[3] = {0.0f, 0.0f, 10000.0f};
    return m_extras ? m_extras->sceneParams : defaults;
}
void CDefNode::SetSceneParams(float a, float b, float c) {
    if (!m_extras && a == 0.0f && b == 0.0f && c == 10000.0f) return;
    auto& e = MutableExtras();
    e.sceneParams[0] = a;
    e.sceneParams[1] = b;
    e.sceneParams[2] = c;
}
const std::string& CDefNode::LeadingComment() const {
    static const std::string empty;
    return m_extras ? m_extras->comment : empty;
}
void CDefNode::SetLeadingComment(std::string comment) {
    if (comment == LeadingComment()) return;
    if (format::NodeEditLog* log = format::ActiveNodeEditLog()) log->ValuesChanging(*this);
    if (!comment.empty() || m_extras) MutableExtras().comment = std::move(comment);
}

bool CDefNode::IsCreateMap() const {
    const char* v = GetValue(0);
    return v && platform::EqualsNoCase(v, "\"$createmap$\"");
}

bool CDefNode::MatchesSearch(std::string_view text, bool matchCase, bool wholeText) const {
    auto matches = [&](std::string_view s) {
        if (wholeText) return matchCase ? s == text : platform::EqualsNoCase(s, text);
        return matchCase ? s.find(text) != std::string_view::npos
                         : platform::ContainsNoCase(s, text);
    };
    if (matches(Name())) return true;
    for (auto v : Values()) {
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
            v = v.substr(1, v.size() - 2);
        else if (!v.empty() && v.front() == '"')
            v = v.substr(1);
        if (matches(v)) return true;
    }
    return false;
}
