#pragma once

#include <QString>

#include <string>
#include <string_view>

class CDefNode;

// Node texts are Windows-1252 bytes; Qt widgets show and edit Unicode. These
// helpers convert at the border between the two.
namespace tree {

// The bytes of a name or value as a widget shows them.
QString NodeText(std::string_view bytes);

// What the user typed, as bytes for a node. Characters that Windows-1252
// cannot hold become '?'.
std::string NodeBytes(const QString& text);

// The tree's label of a node: its name, then " (" values joined by " ;" ")".
// Values appear exactly as stored, quotes included.
QString NodeLabel(const CDefNode& node);

} // namespace tree
