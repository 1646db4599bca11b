#pragma once

#include "format/DefNode.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace resources {
class CResourceCatalogue;
}

namespace document {

class CVarnholtMapEditorDoc;

enum class LintSeverity { Error, Warning };

// "error" or "warning", as the findings are printed.
const char* SeverityWord(LintSeverity severity);

// One problem found in a document: the node it is about, where that node
// stands in the file, how bad it is and what is wrong, naming the ID, MID or
// name involved.
struct LintFinding {
    const CDefNode* node = nullptr;
    // 1-based line of the node's "{" in the text the editor writes for the
    // document (its save layout); 0 for a node that is not written.
    int line = 0;
    LintSeverity severity = LintSeverity::Error;
    std::string message;
};

// Checks what the game relies on and the editor does not enforce while
// editing: duplicate entity IDs and MIDs; Link, Brain, trigger and waypoint
// references to IDs, MIDs and waypoints that do not exist; entity types the
// catalogue does not know (skipped without a catalogue); entities, waypoints
// and zones outside the map's WorldBound; names and values that would not
// read back. Only what the document's file holds is checked; a mission's base
// map is consulted for its bounds and its entity IDs. Findings come in line
// order.
std::vector<LintFinding> LintMission(const CVarnholtMapEditorDoc& doc,
                                     const resources::CResourceCatalogue* catalogue);

// The line of every written node in the text the writer produces for these
// roots, in order: locked and nameless nodes (and everything below them) are
// left out, as the writer leaves them out.
std::unordered_map<const CDefNode*, int> WrittenLineNumbers(const DefNodeList& roots);

// Whether node is still part of the document's tree (a finding's node may
// have been deleted since the check ran). Compares pointers only.
bool DocumentHoldsNode(const CVarnholtMapEditorDoc& doc, const CDefNode* node);

} // namespace document
