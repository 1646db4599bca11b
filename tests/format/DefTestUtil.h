#pragma once

#include "format/DefParser.h"

#include <string>

// Compact text of a tree for comparisons: name[v1|v2](child child).
inline std::string Describe(const CDefNode& node) {
    std::string out(node.Name());
    out += '[';
    bool first = true;
    for (auto v : node.Values()) {
        if (!first) out += '|';
        first = false;
        out += v;
    }
    out += ']';
    if (node.ChildCount()) {
        out += '(';
        for (size_t i = 0; i < node.ChildCount(); ++i) {
            if (i) out += ' ';
            out += Describe(*node.Child(i));
        }
        out += ')';
    }
    return out;
}

inline std::string Describe(const DefNodeList& roots) {
    std::string out;
    for (const auto& r : roots) {
        if (!out.empty()) out += ' ';
        out += Describe(*r);
    }
    return out;
}

inline DefNodeList Parse(std::string_view text) {
    DefNodeList roots;
    ParseDefinitionText(text, roots);
    return roots;
}
