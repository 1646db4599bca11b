#include "format/DefParser.h"
#include "format/DefNodeInternal.h"

#include "platform/Prompts.h"
#include "platform/Text.h"

#include <cstring>

namespace {

bool Is(std::string_view token, char c) {
    return token.size() == 1 && token[0] == c;
}

// The hexadecimal number after the first two characters of an "0x" token.
void CheckId(std::string_view token, const format::DuplicateChecks& checks) {
    std::string text(token.substr(2));
    unsigned long id = platform::ParseUnsigned(text.c_str(), 16);
    // IDs the table cannot hold are neither stored nor reported: folding
    // them into the table would report false duplicates.
    if (id >= format::kRegistrySize) return;
    if (checks.idRegistry[id] != 0 && checks.prompts) {
        checks.prompts->Message("Duplicate ID value '" + platform::FormatHex(id) + "'",
                                platform::Icon::Warning);
    }
    checks.idRegistry[id] = static_cast<uint32_t>(id);
}

void CheckMid(const CDefNode& node, const format::DuplicateChecks& checks) {
    if (!checks.midRegistry || node.locked || node.ValueCount() == 0) return;
    if (!platform::EqualsNoCase(node.Name(), "MID")) return;
    unsigned long mid = platform::ParseUnsigned(node.GetValue(0), 10);
    if (mid >= format::kRegistrySize) return;
    if (checks.midRegistry[mid] != 0 && checks.prompts) {
        checks.prompts->Message("Duplicate MID value '" + platform::FormatUnsigned(mid) + "'",
                                platform::Icon::Warning);
    }
    checks.midRegistry[mid] = static_cast<uint32_t>(mid);
}

struct Level {
    CDefNode* parent; // null at the top level of the call
    CDefNode* last = nullptr;
};

} // namespace

CDefNode* ParseBlocks(CDefScanner& scanner, CDefNode* parent, DefNodeList& rootList,
                      const format::DuplicateChecks& checks, bool lockNodes) {
    std::string_view token = scanner.NextToken();
    if (!Is(token, '{')) return nullptr;

    std::vector<Level> levels{{parent}};
    std::vector<std::string_view> values;
    values.reserve(16);

    for (;;) {
        // A "{" has just been read: a new block at the innermost level. Its
        // leading comment is what was consumed before this point; comments
        // inside the block go to whatever block follows.
        std::string comment;
        if (scanner.HasPendingComment()) comment = scanner.TakeComment();

        // Head: the name.
        std::string_view name;
        token = scanner.NextToken();
        if (Is(token, '('))
            scanner.SkipParenRun();
        else if (Is(token, '"'))
            name = scanner.ReadQuotedString();
        else
            name = token;

        // Body: values, then perhaps children.
        values.clear();
        bool descend = false;
        const bool checkIds =
            checks.idRegistry && !lockNodes && platform::EqualsNoCase(name, "Entity");
        for (;;) {
            token = scanner.NextTokenSkippingParens();
            if (token.empty() || Is(token, '}')) break;
            if (Is(token, '{')) {
                descend = true;
                break;
            }
            if (Is(token, '"')) {
                values.push_back(scanner.ReadQuotedString());
                continue;
            }
            if (checkIds && token.find("0x") != std::string_view::npos) CheckId(token, checks);
            values.push_back(token);
        }

        // The node, its name and values in one allocation, goes into the tree
        // before its children are read.
        Level& level = levels.back();
        CDefNode* node = DefParserAccess::Create(name, values);
        if (!comment.empty()) node->SetLeadingComment(std::move(comment));
        node->locked = lockNodes;
        if (level.parent) {
            node->depth = level.parent->depth + 1;
            DefParserAccess::AdoptChild(*level.parent, node);
        } else {
            node->depth = 0;
            rootList.emplace_back(node);
        }
        level.last = node;
        if (descend) {
            levels.push_back({node});
            continue;
        }
        CheckMid(*node, checks);

        // The block is complete: look for a sibling, or close levels.
        for (;;) {
            token = scanner.NextTokenSkippingParens();
            if (Is(token, '{')) break;
            // The token that is not "{" closes the innermost open parent (in
            // well-formed text it is that parent's "}").
            Level done = levels.back();
            levels.pop_back();
            if (levels.empty()) return done.last;
            DefParserAccess::FinishChildren(*done.parent);
            CheckMid(*done.parent, checks);
        }
    }
}

bool ParseDefinitionText(std::string_view text, DefNodeList& rootList) {
    CDefScanner scanner = CDefScanner::FromText(text);
    while (ParseBlocks(scanner, nullptr, rootList)) {
    }
    return !rootList.empty();
}

bool ParseDefinitionFile(const std::filesystem::path& path, DefNodeList& rootList) {
    if (path.empty()) return false;
    CDefScanner scanner(path);
    if (!scanner.Ok()) return false;
    while (ParseBlocks(scanner, nullptr, rootList)) {
    }
    return !rootList.empty();
}

CDefFile::CDefFile(const std::filesystem::path& path) {
    ParseDefinitionFile(path, m_nodes);
}
