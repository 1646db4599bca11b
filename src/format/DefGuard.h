#pragma once

#include "format/DefNode.h"

#include <optional>
#include <string>
#include <string_view>

// The one rule for everything the editor writes into a definition file: a
// name or value is stored only when the parser reads it back as exactly the
// same text. The writer puts names and values into the file unchanged (the
// format has no escapes), so anything else would change the document at the
// next load, or break every block after it. Every input point asks here
// before it changes a node, and the document asks again before it saves.
namespace format {

// What a checked text is, for the message.
enum class TextRole { Name, Value, QuotedText };

// Why the text would not read back in that role; empty when it would. The
// message names the text and the first character that is not allowed.
//  - Name: a block name, one word or a quoted string ("a name").
//  - Value: one value, one word or number, one punctuation mark, or a
//    quoted string with its quotes.
//  - QuotedText: text the editor puts between quotes itself (titles,
//    preset names, descriptions); the quotes are not part of it.
std::string CheckText(TextRole role, std::string_view text);
inline std::string CheckName(std::string_view name) {
    return CheckText(TextRole::Name, name);
}
inline std::string CheckValue(std::string_view value) {
    return CheckText(TextRole::Value, value);
}
inline std::string CheckQuotedText(std::string_view text) {
    return CheckText(TextRole::QuotedText, text);
}

// The first node, depth first in file order, whose name or one of whose
// values would not read back, with the reason.
struct UnwritableNode {
    const CDefNode* node = nullptr;
    std::string problem;
};
std::optional<UnwritableNode> FindUnwritable(const DefNodeList& roots);
std::optional<UnwritableNode> FindUnwritable(const CDefNode& node);

} // namespace format
