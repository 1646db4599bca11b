#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class CDefNode;
class CDefArchive;

namespace format {

// Three coordinates as the game's files write them: three values of one node.
struct DefVec3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

// Receives the bytes of written definition text. The writer never checks for
// errors: a sink that can fail remembers it and its owner asks afterwards.
class DefSink {
  public:
    virtual ~DefSink() = default;
    virtual void Write(const char* data, size_t size) = 0;
};

// Collects written text in memory (previews, clipboard text, tests).
class StringSink : public DefSink {
  public:
    void Write(const char* data, size_t size) override { text.append(data, size); }
    std::string text;
};

// Writes to a C stream through a large buffer; Failed() tells whether any
// write came up short.
class FileSink : public DefSink {
  public:
    explicit FileSink(FILE* file) : m_file(file) {}
    ~FileSink() override { Flush(); }
    void Write(const char* data, size_t size) override;
    bool Flush();
    bool Failed() const { return m_failed; }

  private:
    FILE* m_file;
    std::string m_buffer;
    bool m_failed = false;
};

// The child pointers of a node: a compact array (16 bytes instead of a
// vector's 24; a mission holds millions of nodes). It owns no children
// itself; the node does.
class ChildArray {
  public:
    ChildArray() = default;
    ~ChildArray();
    ChildArray(const ChildArray&) = delete;
    ChildArray& operator=(const ChildArray&) = delete;

    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    CDefNode* operator[](size_t i) const { return m_data[i]; }
    CDefNode* const* begin() const { return m_data; }
    CDefNode* const* end() const { return m_data + m_size; }
    void push_back(CDefNode* node);
    void insert(size_t index, CDefNode* node);
    void erase(size_t index);
    void reserve(size_t count);
    void ShrinkToFit();
    // Hands every pointer to out and leaves the array empty.
    void MoveTo(std::vector<CDefNode*>& out);

  private:
    CDefNode** m_data = nullptr;
    uint32_t m_size = 0;
    uint32_t m_capacity = 0;
};

} // namespace format

// An owned list of top-level nodes: a document's root list, a parsed file.
using DefNodeList = std::vector<std::unique_ptr<CDefNode>>;

// One node of a definition file: a name, ordered text values and ordered owned
// children. Values stay text; the typed accessors convert on the way in and
// out. Names and first values compare without regard to case (Windows-1252).
//
// The name and the values live in one packed heap block, so a parsed node
// costs two allocations however many values it has; rarely used fields
// (comment, tree item, expanded state, scene parameters) live in a side
// record that exists only when one of them differs from its default.
class CDefNode {
  public:
    CDefNode();
    // A node with a name and, when text is given, one value holding the text in quotes.
    explicit CDefNode(std::string_view name, const char* text = nullptr);
    ~CDefNode();
    CDefNode(const CDefNode&) = delete;
    // Nodes come from malloc so that the parser can place a node and its
    // text in one allocation.
    static void* operator new(size_t size);
    static void operator delete(void* p);
    CDefNode& operator=(const CDefNode&) = delete;

    // Deep copy of name, values, children and flags; the leading comment is not copied.
    void CopyFrom(const CDefNode& source);

    // --- name -------------------------------------------------------------
    std::string_view Name() const;
    void SetName(std::string_view name);

    // --- values by index --------------------------------------------------
    size_t ValueCount() const;
    // The text of value i, or nullptr when i is not below the value count.
    // Random access walks the values before i; use Values() to visit many.
    const char* GetValue(size_t i) const;
    std::vector<std::string_view> Values() const;
    std::string GetValueUnquoted(size_t i) const;
    bool GetUInt(size_t i, unsigned long& out) const;
    bool GetFloat(size_t i, double& out) const;

    // Setters replace value i, or append when i equals the value count. An
    // index beyond the count fills the gap with empty values (which the
    // writer leaves out).
    void SetValue(size_t i, std::string_view text);
    void SetFirstValue(std::string_view text) { SetValue(0, text); }
    void SetFirstValueQuoted(std::string_view text);
    void SetFloat(size_t i, double x);
    void SetHex(size_t i, unsigned long n);
    void SetUInt(size_t i, unsigned long n);
    void SetByte(size_t i, unsigned long n);
    void AddValue(std::string_view text) { SetValue(ValueCount(), text); }
    void RemoveValue(size_t i);
    void ClearValues();
    // Replaces name and all values at once (one allocation).
    void Assign(std::string_view name, const std::vector<std::string_view>& values);

    // --- children -----------------------------------------------------------
    size_t ChildCount() const { return m_children.size(); }
    CDefNode* Child(size_t i) const { return i < m_children.size() ? m_children[i] : nullptr; }
    std::span<CDefNode* const> Children() const { return {m_children.begin(), m_children.size()}; }
    // Takes ownership of child, appends (or inserts before index) it and
    // renumbers its subtree below this node.
    CDefNode* AppendChild(std::unique_ptr<CDefNode> child);
    CDefNode* InsertChild(size_t index, std::unique_ptr<CDefNode> child);
    // Unlinks child i and hands it to the caller; nullptr when out of range.
    std::unique_ptr<CDefNode> DetachChild(size_t i);
    // Removes and destroys child i (and its subtree).
    void RemoveChild(size_t i);
    // Index of a direct child, -1 when it is not one.
    int IndexOfChild(const CDefNode* child) const;
    // All nodes of the subtree, this one included.
    size_t CountNodes() const;

    // --- searching ------------------------------------------------------------
    CDefNode* Find(std::string_view name, const char* firstValue = nullptr) const;
    CDefNode* FindChild(std::string_view name, const char* firstValue = nullptr) const;
    CDefNode* Match(std::string_view name, const char* firstValue = nullptr) const;
    CDefNode* MatchName(std::string_view name) const;
    // Iterates the direct children's subtrees, one match per child; position
    // starts at -2 (the node itself included) or -1.
    CDefNode* FindNext(int& position, std::string_view name,
                       const char* firstValue = nullptr) const;
    CDefNode* FindNextChild(int& position, std::string_view name) const;
    int ChildIndex(std::string_view name) const;
    const char* FindValue(std::string_view name) const;
    const char* OwnValue(std::string_view name) const;
    void CollectAll(std::string_view name, std::vector<CDefNode*>& list) const;

    // --- groups of numbers --------------------------------------------------
    bool ReadDoubles(std::string_view name, double* out, size_t count) const;
    bool ReadFloats(std::string_view name, float* out, size_t count) const;
    bool ReadOwnDoubles(std::string_view name, double* out, size_t count) const;
    bool ReadDoublesHere(std::string_view name, double* out, size_t count) const;
    bool ReadVector(std::string_view name, format::DefVec3& out) const;
    bool ReadPackedBytes(std::string_view name, uint32_t& out, size_t count) const;

    // --- adding children --------------------------------------------------------
    CDefNode* AddChild(std::string_view name, const char* text = nullptr);
    CDefNode* AddChildQuoted(std::string_view name, const char* text = nullptr);
    CDefNode* AddChildVector(std::string_view name, const format::DefVec3& v);
    CDefNode* AddChildFloat(std::string_view name, double x);
    CDefNode* AddChildUInt(std::string_view name, unsigned long n);
    CDefNode* AddChildBytes(std::string_view name, uint32_t packed, size_t count);

    // --- find or create by name (nullptr name: this node's own values) -------
    CDefNode* SetText(const char* name, const char* text);
    size_t SetDoubles(const char* name, const double* values, size_t count);
    void SetVector(const char* name, const format::DefVec3& v);
    void SetVectorFirst(const char* name, const format::DefVec3& v);
    void SetUIntAt(const char* name, size_t i, unsigned long n);
    void SetFloatAt(const char* name, size_t i, double x);
    void SetTextAt(const char* name, size_t i, const char* text);
    void SetHexAt(const char* name, size_t i, unsigned long n);

    // --- removing children ------------------------------------------------------
    void RemoveChildren(std::string_view name);
    void RemoveChildren(std::string_view name, const char* firstValue);

    // --- other ------------------------------------------------------------------
    // Sets this node's depth to d + 1 and renumbers the subtree below it.
    void SetDepth(int d);
    bool IsCreateMap() const;
    bool MatchesSearch(std::string_view text, bool matchCase, bool wholeText) const;

    // --- writing ------------------------------------------------------------------
    // Writes the node and its subtree as definition text; false (nothing
    // written) when the name is empty; a locked node is skipped with true.
    bool WriteNode(format::DefSink& sink) const;
    bool WriteNode(FILE* file) const;
    // The archive form used by the clipboard; false when a load ran out of bytes.
    bool Serialize(CDefArchive& archive);

    // --- fields -----------------------------------------------------------------------
    int depth = 0;
    bool locked = false;
    bool isUnit = true;

    uintptr_t TreeItem() const;
    void SetTreeItem(uintptr_t item);
    bool Expanded() const;
    void SetExpanded(bool expanded);
    const float* SceneParams() const;
    void SetSceneParams(float a, float b, float c);
    const std::string& LeadingComment() const;
    void SetLeadingComment(std::string comment);

  private:
    struct ValueBlock;
    struct Extras;
    friend class DefParserAccess;

    ValueBlock* m_block = nullptr;
    Extras* m_extras = nullptr;
    format::ChildArray m_children;
    bool m_inlineBlock = false; // m_block lives in the node's own allocation

    Extras& MutableExtras();
    CDefNode* FindOrCreate(const char* name, bool first);
    // Offset of value i in the block's data and its length; false when out of range.
    bool Locate(size_t i, size_t& offset, size_t& length) const;
    void Rebuild(std::string_view name, const std::vector<std::string_view>& values);
    void ReplaceBlock(ValueBlock* block);
    void DestroyChildren();
};
