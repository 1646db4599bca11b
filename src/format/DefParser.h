#pragma once

#include "format/DefNode.h"
#include "format/DefScanner.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace platform {
class Prompts;
}

namespace format {

// Entity IDs and MIDs are kept unique through tables of this many entries;
// values outside the table are never stored in it.
constexpr size_t kRegistrySize = 65536;

// Where ParseBlocks reports duplicates while a document loads. Either table
// may be null; prompts may be null (then nothing is shown).
struct DuplicateChecks {
    uint32_t* idRegistry = nullptr;  // kRegistrySize entries
    uint32_t* midRegistry = nullptr; // kRegistrySize entries
    platform::Prompts* prompts = nullptr;
};

} // namespace format

// Parses one run of sibling blocks. parent null: new nodes are appended to
// rootList at depth 0; otherwise they become parent's children. lockNodes
// marks every node created. Returns the last node created at this level, or
// nullptr when the first token is not "{". A caller that parses a whole
// stream repeats the call with a null parent until it returns nullptr.
//
// Nesting is handled with an explicit stack, so no input can exhaust the
// call stack however deeply its blocks nest. When the scanner collects
// problems, the blocks it leaves open and the tokens it skips are noted there.
CDefNode* ParseBlocks(CDefScanner& scanner, CDefNode* parent, DefNodeList& rootList,
                      const format::DuplicateChecks& checks, bool lockNodes);
inline CDefNode* ParseBlocks(CDefScanner& scanner, CDefNode* parent, DefNodeList& rootList) {
    return ParseBlocks(scanner, parent, rootList, {}, false);
}

// Parses every top-level block of the file and appends the new nodes to
// rootList. False when path is empty or the file cannot be read; otherwise
// whether rootList holds at least one node afterwards. With problems given,
// what was read with trouble (blocks left open, text skipped or cut off) is
// appended to it; the nodes are the same either way.
bool ParseDefinitionFile(const std::filesystem::path& path, DefNodeList& rootList,
                         std::vector<format::ParseProblem>* problems = nullptr);
// The same over text in memory (clipboard text, tests, tools).
bool ParseDefinitionText(std::string_view text, DefNodeList& rootList,
                         std::vector<format::ParseProblem>* problems = nullptr);

// A definition file read once for lookups: parsed at construction, its nodes
// destroyed with it. An empty path or an unreadable file gives no nodes.
class CDefFile {
  public:
    explicit CDefFile(const std::filesystem::path& path);
    const DefNodeList& Nodes() const { return m_nodes; }
    bool Empty() const { return m_nodes.empty(); }

  private:
    DefNodeList m_nodes;
};
