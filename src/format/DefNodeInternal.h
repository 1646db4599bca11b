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
    static void Fill(CDefNode& node, std::string_view name, const std::vector<std::string_view>& values) {
        node.Rebuild(name, values);
    }
    static void AdoptChild(CDefNode& parent, CDefNode* child) { parent.m_children.push_back(child); }
};
