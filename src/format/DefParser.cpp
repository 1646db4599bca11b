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

constexpr size_t kUnknown = static_cast<size_t>(-1);

struct Level {
    CDefNode* parent; // null at the top level of the call
    size_t openedAt;  // buffer offset of the parent's "{"; kUnknown when the caller opened it
    CDefNode* last = nullptr;
};

// A token or name as a message shows it: quoted, and cut when it is long.
std::string Shown(std::string_view text) {
    constexpr size_t kMax = 40;
    if (text.size() <= kMax) return "'" + std::string(text) + "'";
    return "'" + std::string(text.substr(0, kMax)) + "...'";
}

std::string BlockName(const CDefNode& node) {
    return node.Name().empty() ? std::string("without a name") : Shown(node.Name());
}

std::string Skipped(std::string_view token) {
    const bool word = format::ClassOf(static_cast<unsigned char>(token[0])) == format::Word;
    return (word ? "the word " : "the character ") + Shown(token);
}

// The end of the input closed every block still open: the current one when
// it was cut inside its values (openNode), and each level below the top.
void ReportOpenBlocks(CDefScanner& scanner, const std::vector<Level>& levels,
                      const CDefNode* openNode, size_t openNodeAt) {
    size_t count = openNode ? 1 : 0;
    const CDefNode* outer = openNode;
    size_t outerAt = openNodeAt;
    for (auto it = levels.rbegin(); it != levels.rend(); ++it) {
        if (!it->parent) continue;
        ++count;
        outer = it->parent;
        outerAt = it->openedAt;
    }
    if (count == 0) return;
    std::string message =
        count == 1 ? std::string("1 block is still open at the end of the file: the block ")
                   : std::to_string(count) +
                         " blocks are still open at the end of the file; the outermost is the "
                         "block ";
    message += BlockName(*outer);
    if (outerAt != kUnknown)
        message += ", opened on line " + std::to_string(scanner.LineOf(outerAt));
    scanner.ReportProblem(scanner.Size(), std::move(message));
}

// A token that closes a block: the end of the input closes all of them at
// once; a word in place of a "}" ends its block early and is lost.
void ReportClosing(CDefScanner& scanner, std::string_view token, const std::vector<Level>& levels,
                   const CDefNode* openNode, size_t openNodeAt, bool& openReported) {
    if (token.empty()) {
        if (!openReported) ReportOpenBlocks(scanner, levels, openNode, openNodeAt);
        openReported = true;
    } else if (!Is(token, '}') && levels.back().parent) {
        scanner.ReportProblem(scanner.OffsetOf(token),
                              Skipped(token) +
                                  " after a nested block was read as the end of the "
                                  "block " +
                                  BlockName(*levels.back().parent));
    }
}

void ReportStray(CDefScanner& scanner, std::string_view token) {
    scanner.ReportProblem(scanner.OffsetOf(token),
                          Skipped(token) + " outside any block was skipped");
}

void ReportStop(CDefScanner& scanner, std::string_view token) {
    scanner.ReportProblem(scanner.OffsetOf(token), "the file was read up to " + Skipped(token) +
                                                       " outside any block; the rest was not read");
}

// Collect is a template argument so that a parse nobody asked about problems
// runs exactly the loop it would run without them.
template <bool Collect>
CDefNode* ParseRun(CDefScanner& scanner, CDefNode* parent, DefNodeList& rootList,
                   const format::DuplicateChecks& checks, bool lockNodes) {
    constexpr bool collect = Collect;
    std::string_view token = scanner.NextToken();
    if (!Is(token, '{')) {
        if constexpr (collect)
            if (!token.empty() && !parent) ReportStop(scanner, token);
        return nullptr;
    }

    std::vector<Level> levels{{parent, kUnknown}};
    [[maybe_unused]] bool openReported = false;
    std::vector<std::string_view> values;
    values.reserve(16);

    for (;;) {
        // A "{" has just been read: a new block at the innermost level. Its
        // leading comment is what was consumed before this point; comments
        // inside the block go to whatever block follows.
        const size_t openedAt = scanner.OffsetOf(token);
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
            levels.push_back({node, openedAt});
            continue;
        }
        CheckMid(*node, checks);
        // The input ended before the node's "}".
        [[maybe_unused]] const CDefNode* openNode = token.empty() ? node : nullptr;

        // The block is complete: look for a sibling, or close levels.
        for (;;) {
            token = scanner.NextTokenSkippingParens();
            if (Is(token, '{')) break;
            if constexpr (collect)
                ReportClosing(scanner, token, levels, openNode, openedAt, openReported);
            // The token that is not "{" closes the innermost open parent (in
            // well-formed text it is that parent's "}").
            Level done = levels.back();
            levels.pop_back();
            if (levels.empty()) {
                if constexpr (collect)
                    if (!token.empty() && !done.parent) ReportStray(scanner, token);
                return done.last;
            }
            DefParserAccess::FinishChildren(*done.parent);
            CheckMid(*done.parent, checks);
        }
    }
}

} // namespace

CDefNode* ParseBlocks(CDefScanner& scanner, CDefNode* parent, DefNodeList& rootList,
                      const format::DuplicateChecks& checks, bool lockNodes) {
    return scanner.CollectingProblems()
               ? ParseRun<true>(scanner, parent, rootList, checks, lockNodes)
               : ParseRun<false>(scanner, parent, rootList, checks, lockNodes);
}

namespace {

bool ParseAll(CDefScanner& scanner, DefNodeList& rootList,
              std::vector<format::ParseProblem>* problems) {
    if (problems) scanner.CollectProblems();
    while (ParseBlocks(scanner, nullptr, rootList)) {
    }
    if (problems) {
        for (auto& p : scanner.TakeProblems())
            problems->push_back(std::move(p));
    }
    return !rootList.empty();
}

} // namespace

bool ParseDefinitionText(std::string_view text, DefNodeList& rootList,
                         std::vector<format::ParseProblem>* problems) {
    CDefScanner scanner = CDefScanner::FromText(text);
    return ParseAll(scanner, rootList, problems);
}

bool ParseDefinitionFile(const std::filesystem::path& path, DefNodeList& rootList,
                         std::vector<format::ParseProblem>* problems) {
    if (path.empty()) return false;
    CDefScanner scanner(path);
    if (!scanner.Ok()) return false;
    return ParseAll(scanner, rootList, problems);
}

CDefFile::CDefFile(const std::filesystem::path& path) {
    ParseDefinitionFile(path, m_nodes);
}
