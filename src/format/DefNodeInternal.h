#pragma once

#include "format/DefNode.h"

#include <cstdint>
#include <string>

// The packed name-and-values block of a node: a header followed by the name
// and every value, each terminated by a NUL byte.
struct CDefNode::ValueBlock {
    uint32_t count;    // number of values
    uint32_t size;     // bytes of data in use
    uint32_t capacity; // bytes of data allocated
    char data[1];

    const char* Name() const { return data; }
    static ValueBlock* Allocate(size_t dataBytes);
};

struct CDefNode::Extras {
    std::string comment;
    uintptr_t treeItem = 0;
    float sceneParams[3] = {0.0f, 0.0f, 10000.0f};
    bool expanded = false;
};

// Lets the parser fill a fresh node from views into its buffer without
// going through the public setters.
class DefParserAccess {
  public:
    // A new node whose name and values share its own allocation.
    static CDefNode* Create(std::string_view name, const std::vector<std::string_view>& values);
    static void AdoptChild(CDefNode& parent, CDefNode* child) {
        parent.m_children.push_back(child);
    }
    // Gives back the spare room of a completed child list.
    static void FinishChildren(CDefNode& parent) { parent.m_children.ShrinkToFit(); }
    // Name and values as stored: each text followed by a NUL, the last NUL left out.
    static std::string_view Packed(const CDefNode& node) {
        if (!node.m_block || node.m_block->size == 0) return {};
        return {node.m_block->data, node.m_block->size - 1};
    }
    // The text of value 0 (the others follow, each after the previous NUL), or nullptr.
    static const char* FirstValue(const CDefNode& node) {
        if (!node.m_block || node.m_block->count == 0) return nullptr;
        const char* p = node.m_block->data;
        while (*p)
            ++p;
        return p + 1;
    }
};
