#include "format/DefGuard.h"

#include "format/DefScanner.h"

#include <cstdio>
#include <vector>

namespace format {
namespace {

std::string Describe(unsigned char c) {
    switch (c) {
    case '\0':
        return "NUL";
    case ' ':
        return "' ' (space)";
    case '\t':
        return "TAB";
    case '\r':
        return "CR (line end)";
    case '\n':
        return "LF (line end)";
    case '"':
        return "'\"' (double quote)";
    default:
        break;
    }
    if (c < 0x20 || c == 0x7F) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "byte 0x%02X", c);
        return buf;
    }
    return std::string("'") + static_cast<char>(c) + "'";
}

const char* RoleWord(TextRole role) {
    switch (role) {
    case TextRole::Name:
        return "The name";
    case TextRole::Value:
        return "The value";
    case TextRole::QuotedText:
        return "The text";
    }
    return "The text";
}

std::string NotAllowed(TextRole role, std::string_view text, unsigned char c, const char* hint) {
    std::string message = RoleWord(role);
    message += " '";
    message += text;
    message += "' cannot be stored in the file: the character ";
    message += Describe(c);
    message += " is not allowed there.";
    if (hint && *hint) {
        message += ' ';
        message += hint;
    }
    return message;
}

constexpr const char* kQuoteHint = "Use a single word or number, or put the text in double quotes.";

// The body of a quoted string may hold anything but a quote (it would end the
// string) and NUL (the file ends there when it is read).
size_t FirstBadInQuoted(std::string_view body) {
    for (size_t i = 0; i < body.size(); ++i)
        if (body[i] == '"' || body[i] == '\0') return i;
    return std::string_view::npos;
}

// A bare token reads back as itself when the scanner returns it whole: one
// run of word bytes (with '.' after the first), or one punctuation mark that
// has no meaning of its own where values and names stand.
size_t FirstBadInBare(std::string_view text) {
    const auto at = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char first = at(0);
    if (ClassOf(first) == Punctuation) {
        // Braces open and close blocks, '(' starts a run the reader skips, a
        // quote starts a string and ';' a comment.
        const bool special =
            first == '{' || first == '}' || first == '(' || first == '"' || first == ';';
        if (special) return 0;
        return text.size() == 1 ? std::string_view::npos : 1;
    }
    if (ClassOf(first) != Word) return 0;
    for (size_t i = 1; i < text.size(); ++i) {
        const unsigned char c = at(i);
        if (ClassOf(c) != Word && c != '.') return i;
    }
    return std::string_view::npos;
}

} // namespace

std::string CheckText(TextRole role, std::string_view text) {
    if (role == TextRole::QuotedText) {
        const size_t bad = FirstBadInQuoted(text);
        if (bad == std::string_view::npos) return {};
        return NotAllowed(role, text, static_cast<unsigned char>(text[bad]), nullptr);
    }
    if (text.empty())
        return role == TextRole::Name ? "A name cannot be empty." : "A value cannot be empty.";
    if (text.front() == '"') {
        // A quoted string: the closing quote must be the last byte and the
        // only other quote.
        if (text.size() < 2 || text.back() != '"') {
            std::string message = RoleWord(role);
            message += " '";
            message += text;
            message += "' cannot be stored in the file: it opens a double quote and does not "
                       "close it at its end.";
            return message;
        }
        const std::string_view body = text.substr(1, text.size() - 2);
        const size_t bad = FirstBadInQuoted(body);
        if (bad == std::string_view::npos) return {};
        return NotAllowed(role, text, static_cast<unsigned char>(body[bad]), nullptr);
    }
    const size_t bad = FirstBadInBare(text);
    if (bad == std::string_view::npos) return {};
    return NotAllowed(role, text, static_cast<unsigned char>(text[bad]), kQuoteHint);
}

std::optional<UnwritableNode> FindUnwritable(const CDefNode& root) {
    std::vector<const CDefNode*> stack{&root};
    while (!stack.empty()) {
        const CDefNode* node = stack.back();
        stack.pop_back();
        // The writer leaves out locked nodes and nameless ones with their
        // subtrees, so nothing in them reaches the file.
        if (node->locked || node->Name().empty()) continue;
        std::string problem = CheckName(node->Name());
        if (problem.empty()) {
            for (std::string_view value : node->Values()) {
                // Empty values are gaps the writer leaves out on purpose.
                if (value.empty()) continue;
                problem = CheckValue(value);
                if (!problem.empty()) break;
            }
        }
        if (!problem.empty()) return UnwritableNode{node, std::move(problem)};
        const auto children = node->Children();
        for (size_t i = children.size(); i-- > 0;)
            stack.push_back(children[i]);
    }
    return std::nullopt;
}

std::optional<UnwritableNode> FindUnwritable(const DefNodeList& roots) {
    for (const auto& root : roots)
        if (auto found = FindUnwritable(*root)) return found;
    return std::nullopt;
}

} // namespace format
