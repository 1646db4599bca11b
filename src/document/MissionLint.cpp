#include "document/MissionLint.h"

#include "document/VarnholtMapEditorDoc.h"
#include "format/DefGuard.h"
#include "platform/Text.h"
#include "resources/ResourceCatalogue.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <unordered_set>
#include <utility>

namespace document {

namespace {

bool Named(const CDefNode* node, std::string_view name) {
    return platform::EqualsNoCase(node->Name(), name);
}

// A reference block inside triggers and waypoint commands: its name is the
// key between double quotes ("actors/mids").
bool KeyNamed(const CDefNode* node, std::string_view key) {
    return platform::EqualsNoCase(platform::StripQuotes(node->Name()), key);
}

// An entity ID as the editor writes it: "0x" and hexadecimal digits.
bool ReadId(const char* text, unsigned long& id) {
    if (!text || text[0] != '0' || (text[1] != 'x' && text[1] != 'X') ||
        !std::isxdigit(static_cast<unsigned char>(text[2])))
        return false;
    id = platform::ParseUnsigned(text, 16);
    return true;
}

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c));
    });
}

// Numbers in messages: at most six decimals, without trailing zeros, the
// same in every locale.
std::string Short(double x) {
    std::string text = platform::FormatFloat6(x);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.') text.pop_back();
    }
    return text == "-0" ? "0" : text;
}

struct Bounds {
    double left = 0, top = 0, right = 0, bottom = 0;
    bool Contains(double x, double y) const {
        // The file keeps six decimals; a point on the edge stays inside.
        constexpr double kSlack = 1e-4;
        return x >= left - kSlack && x <= right + kSlack && y >= top - kSlack &&
               y <= bottom + kSlack;
    }
    std::string Text() const {
        return "(" + Short(left) + ", " + Short(top) + ", " + Short(right) + ", " + Short(bottom) +
               ")";
    }
};

// What every check needs: the written root, the map and the tables of
// identifiers, plus where findings go.
class LintContext {
  public:
    const CDefNode* fileRoot = nullptr; // the working root: what the document's file holds
    const CDefNode* mapRoot = nullptr;
    const CDefNode* helpers = nullptr;
    std::vector<const CDefNode*> entities; // Entity children of the working root
    std::unordered_set<unsigned long> baseIds;
    std::unordered_set<unsigned long> ids;  // every entity ID, file and base map
    std::unordered_set<unsigned long> mids; // every MID, file and base map
    std::unordered_map<std::string, const CDefNode*> waypoints; // lower-case name
    std::unordered_map<const CDefNode*, int> lines;
    std::vector<LintFinding> findings;

    int LineOf(const CDefNode* node) const {
        auto it = lines.find(node);
        return it == lines.end() ? 0 : it->second;
    }
    void Add(const CDefNode* node, LintSeverity severity, std::string message) {
        findings.push_back({node, LineOf(node), severity, std::move(message)});
    }
};

std::string EntityLabel(const CDefNode* entity) {
    std::string label = "Entity";
    unsigned long id = 0;
    if (ReadId(entity->GetValue(1), id)) label += " " + platform::FormatHex(id);
    if (const char* type = entity->GetValue(0)) label += std::string(" (") + type + ")";
    return label;
}

void CollectEntities(const CDefNode* root, bool lockedOnly, LintContext& c) {
    for (const CDefNode* child : root->Children()) {
        if (!Named(child, "Entity") || child->locked != lockedOnly) continue;
        unsigned long id = 0;
        if (ReadId(child->GetValue(1), id)) {
            c.ids.insert(id);
            if (lockedOnly) c.baseIds.insert(id);
        }
        if (const CDefNode* mid = child->FindChild("MID"))
            if (const char* v = mid->GetValue(0)) c.mids.insert(platform::ParseUnsigned(v, 10));
        if (!lockedOnly) c.entities.push_back(child);
    }
}

void CollectWaypoints(LintContext& c) {
    if (!c.helpers) return;
    for (const CDefNode* holder : c.helpers->Children()) {
        if (!Named(holder, "waypoints")) continue;
        for (const CDefNode* waypoint : holder->Children())
            c.waypoints.emplace(platform::ToLowerCp1252(waypoint->Name()), waypoint);
    }
}

// --- the checks -----------------------------------------------------------------------

void CheckDuplicateIds(LintContext& c) {
    std::unordered_map<unsigned long, const CDefNode*> first;
    for (const CDefNode* entity : c.entities) {
        unsigned long id = 0;
        if (!ReadId(entity->GetValue(1), id)) continue;
        const std::string hex = platform::FormatHex(id);
        auto [it, added] = first.emplace(id, entity);
        if (!added) {
            c.Add(entity, LintSeverity::Error,
                  "Duplicate ID " + hex + ": the entity on line " +
                      std::to_string(c.LineOf(it->second)) + " has it too.");
        } else if (c.baseIds.count(id)) {
            c.Add(entity, LintSeverity::Error,
                  "Duplicate ID " + hex + ": an entity of the base map has it too.");
        }
    }
}

void CheckDuplicateMids(LintContext& c) {
    std::unordered_map<unsigned long, const CDefNode*> first;
    for (const CDefNode* entity : c.entities) {
        const CDefNode* midNode = entity->FindChild("MID");
        const char* v = midNode ? midNode->GetValue(0) : nullptr;
        if (!v) continue;
        const unsigned long mid = platform::ParseUnsigned(v, 10);
        auto [it, added] = first.emplace(mid, entity);
        if (!added)
            c.Add(midNode, LintSeverity::Error,
                  "Duplicate MID " + platform::FormatUnsigned(mid) + " of " + EntityLabel(entity) +
                      ": the entity on line " + std::to_string(c.LineOf(it->second)) +
                      " has it too.");
    }
}

// Value index of node must name an existing entity ID; what names the value
// in the message ("passenger", "vehicle", ...).
void CheckIdReference(LintContext& c, const CDefNode* node, size_t index, const char* role) {
    const std::string block(node->Name());
    const char* text = node->GetValue(index);
    unsigned long id = 0;
    if (!ReadId(text, id)) {
        c.Add(node, LintSeverity::Error,
              block + " has no " + role + " ID" +
                  (text ? std::string(": '") + text + "' is not an entity ID." : "."));
        return;
    }
    if (!c.ids.count(id))
        c.Add(node, LintSeverity::Error,
              block + " names " + role + " ID " + platform::FormatHex(id) +
                  ", which no entity has.");
}

void CheckLinks(LintContext& c) {
    for (const CDefNode* child : c.fileRoot->Children()) {
        if (!Named(child, "Link")) continue;
        CheckIdReference(c, child, 0, "passenger");
        CheckIdReference(c, child, 2, "vehicle");
    }
}

void CheckBrains(LintContext& c) {
    for (const CDefNode* child : c.fileRoot->Children())
        if (Named(child, "Brain")) CheckIdReference(c, child, 0, "unit");
}

// How the element that holds a reference is called in a message.
std::string HelperLabel(const CDefNode* element, const CDefNode* waypoint) {
    if (waypoint) return "Waypoint " + std::string(waypoint->Name());
    std::string label(element->Name());
    label[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(label[0])));
    if (const char* name = element->GetValue(0)) label += std::string(" ") + name;
    return label;
}

void CheckReferencesBelow(LintContext& c, const CDefNode* top, const std::string& owner) {
    std::vector<const CDefNode*> stack{top};
    while (!stack.empty()) {
        const CDefNode* node = stack.back();
        stack.pop_back();
        for (const CDefNode* child : node->Children())
            stack.push_back(child);
        if (node->locked) continue;
        if (KeyNamed(node, "actors/mids")) {
            // The value may list several MIDs inside its quotes.
            std::string list = platform::StripQuotes(node->GetValue(0) ? node->GetValue(0) : "");
            std::replace(list.begin(), list.end(), ',', ' ');
            size_t at = 0;
            while (at < list.size()) {
                size_t end = list.find(' ', at);
                if (end == std::string::npos) end = list.size();
                std::string_view token(list.data() + at, end - at);
                at = end + 1;
                if (!AllDigits(token)) continue;
                const std::string mid(token);
                if (!c.mids.count(platform::ParseUnsigned(mid.c_str(), 10)))
                    c.Add(node, LintSeverity::Error,
                          owner + " names MID " + mid + ", which no unit has.");
            }
        } else if (KeyNamed(node, "waypoint/uid")) {
            const char* v = node->GetValue(0);
            const std::string uid = platform::StripQuotes(v ? v : "");
            if (!c.waypoints.count(platform::ToLowerCp1252(uid)))
                c.Add(node, LintSeverity::Error,
                      owner + " names waypoint " + (uid.empty() ? "(none)" : uid) +
                          ", which does not exist.");
        }
    }
}

// Triggers and waypoint commands send units (by MID) to waypoints (by uid).
void CheckTriggers(LintContext& c) {
    if (!c.helpers) return;
    for (const CDefNode* element : c.helpers->Children()) {
        if (Named(element, "waypoints")) {
            for (const CDefNode* waypoint : element->Children())
                CheckReferencesBelow(c, waypoint, HelperLabel(element, waypoint));
        } else if (Named(element, "trigger")) {
            CheckReferencesBelow(c, element, HelperLabel(element, nullptr));
        }
    }
}

// A waypoint leads on to the one its transition names; a zone may name one as GlobalWP.
void CheckWaypointLinks(LintContext& c) {
    if (!c.helpers) return;
    const auto missing = [&c](const CDefNode* node) {
        const char* v = node->GetValue(0);
        return !v || !c.waypoints.count(platform::ToLowerCp1252(platform::StripQuotes(v)));
    };
    for (const CDefNode* element : c.helpers->Children()) {
        if (Named(element, "waypoints")) {
            for (const CDefNode* waypoint : element->Children())
                if (const CDefNode* next = waypoint->FindChild("transition"); next && missing(next))
                    c.Add(next, LintSeverity::Error,
                          "Waypoint " + std::string(waypoint->Name()) + " leads on to waypoint " +
                              platform::StripQuotes(next->GetValue(0) ? next->GetValue(0) : "") +
                              ", which does not exist.");
        } else if (Named(element, "zone")) {
            if (const CDefNode* global = element->FindChild("GlobalWP"); global && missing(global))
                c.Add(global, LintSeverity::Warning,
                      "Zone " +
                          platform::StripQuotes(
                              element->FindValue("Name") ? element->FindValue("Name") : "") +
                          " names waypoint " +
                          platform::StripQuotes(global->GetValue(0) ? global->GetValue(0) : "") +
                          " as its GlobalWP, which does not exist.");
        }
    }
}

// Types the editor itself writes that no definition file stands for: the sky
// the 3D view builds and the ground of a map created from nothing.
bool IsPlaceholderType(std::string_view type) {
    return platform::EqualsNoCase(type, "sky") || platform::EqualsNoCase(type, "$createmap$");
}

void CheckEntityTypes(LintContext& c, const resources::CResourceCatalogue& catalogue) {
    for (const CDefNode* entity : c.entities) {
        std::string type = entity->GetValueUnquoted(0);
        type = type.substr(0, type.find(':'));
        if (type.empty()) {
            c.Add(entity, LintSeverity::Error, EntityLabel(entity) + " has no type.");
        } else if (!IsPlaceholderType(type) && !catalogue.FindEntity(type)) {
            c.Add(entity, LintSeverity::Warning,
                  EntityLabel(entity) + " has the type " + type +
                      ", which the entity catalogue does not know.");
        }
    }
}

bool ReadXY(const CDefNode* node, double& x, double& y) {
    return node && node->ValueCount() >= 2 && node->GetFloat(0, x) && node->GetFloat(1, y);
}

void CheckBounds(LintContext& c, const Bounds& world) {
    const auto report = [&](const CDefNode* node, const std::string& what, double x, double y) {
        c.Add(node, LintSeverity::Warning,
              what + " at (" + Short(x) + ", " + Short(y) + ") lies outside the map bounds " +
                  world.Text() + ".");
    };
    double x = 0, y = 0;
    for (const CDefNode* entity : c.entities)
        if (ReadXY(entity->FindChild("Position"), x, y) && !world.Contains(x, y))
            report(entity, EntityLabel(entity), x, y);
    if (!c.helpers) return;
    for (const CDefNode* element : c.helpers->Children()) {
        if (Named(element, "waypoints")) {
            for (const CDefNode* waypoint : element->Children())
                if (ReadXY(waypoint->FindChild("Position"), x, y) && !world.Contains(x, y))
                    report(waypoint, "Waypoint " + std::string(waypoint->Name()), x, y);
        } else if (Named(element, "zone")) {
            const char* name = element->FindValue("Name");
            const std::string label = "Zone " + platform::StripQuotes(name ? name : "");
            if (ReadXY(element->FindChild("position"), x, y) && !world.Contains(x, y))
                report(element, label, x, y);
            for (const CDefNode* point : element->Children())
                if (Named(point, "Point") && ReadXY(point, x, y) && !world.Contains(x, y))
                    report(point, label + ": a corner", x, y);
        }
    }
}

// The document's one rule for what reads back, asked of every written node.
void CheckUnwritable(LintContext& c, const DefNodeList& roots) {
    std::vector<const CDefNode*> stack;
    for (auto it = roots.rbegin(); it != roots.rend(); ++it)
        stack.push_back(it->get());
    while (!stack.empty()) {
        const CDefNode* node = stack.back();
        stack.pop_back();
        if (node->locked || node->Name().empty()) continue;
        std::string problem = format::CheckName(node->Name());
        for (std::string_view value : node->Values()) {
            if (!problem.empty()) break;
            if (!value.empty()) problem = format::CheckValue(value);
        }
        if (!problem.empty()) c.Add(node, LintSeverity::Error, std::move(problem));
        const auto children = node->Children();
        for (size_t i = children.size(); i-- > 0;)
            stack.push_back(children[i]);
    }
}

bool ReadWorldBound(const CDefNode* mapRoot, Bounds& out) {
    const CDefNode* bound = mapRoot ? mapRoot->FindChild("WorldBound") : nullptr;
    double v[4];
    if (!bound || bound->ValueCount() < 4) return false;
    for (size_t i = 0; i < 4; ++i)
        if (!bound->GetFloat(i, v[i])) return false;
    out = {std::min(v[0], v[2]), std::min(v[1], v[3]), std::max(v[0], v[2]), std::max(v[1], v[3])};
    return true;
}

size_t LineBreaks(std::string_view text) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

} // namespace

const char* SeverityWord(LintSeverity severity) {
    return severity == LintSeverity::Error ? "error" : "warning";
}

std::unordered_map<const CDefNode*, int> WrittenLineNumbers(const DefNodeList& roots) {
    std::unordered_map<const CDefNode*, int> lines;
    int next = 1; // the line the writer is on
    // (node, next child to visit); a node is numbered when it is pushed.
    std::vector<std::pair<const CDefNode*, size_t>> stack;
    const auto open = [&](const CDefNode* node) {
        // A leading comment is written after a line break of its own, then
        // the "{" follows on the comment's last line.
        const std::string& comment = node->LeadingComment();
        if (!comment.empty()) next += 1 + static_cast<int>(LineBreaks(comment));
        lines[node] = next;
        // Quoted names and values may hold line breaks of their own.
        next += static_cast<int>(LineBreaks(node->Name()));
        for (std::string_view value : node->Values())
            next += static_cast<int>(LineBreaks(value));
        ++next;
        if (node->ChildCount() > 0) stack.emplace_back(node, 0);
    };
    const auto written = [](const CDefNode* node) {
        return !node->locked && !node->Name().empty();
    };
    for (const auto& root : roots) {
        if (!written(root.get())) continue;
        open(root.get());
        while (!stack.empty()) {
            auto& [node, child] = stack.back();
            if (child < node->ChildCount()) {
                const CDefNode* c = node->Child(child++);
                if (written(c)) open(c);
                continue;
            }
            ++next; // the closing "}"
            stack.pop_back();
        }
    }
    return lines;
}

bool DocumentHoldsNode(const CVarnholtMapEditorDoc& doc, const CDefNode* node) {
    if (!node) return false;
    std::vector<const CDefNode*> stack;
    for (const auto& root : doc.Roots())
        stack.push_back(root.get());
    while (!stack.empty()) {
        const CDefNode* n = stack.back();
        stack.pop_back();
        if (n == node) return true;
        for (const CDefNode* child : n->Children())
            stack.push_back(child);
    }
    return false;
}

std::vector<LintFinding> LintMission(const CVarnholtMapEditorDoc& doc,
                                     const resources::CResourceCatalogue* catalogue) {
    LintContext c;
    c.lines = WrittenLineNumbers(doc.Roots());
    c.fileRoot = doc.WorkingRoot();
    c.mapRoot = doc.MapRoot();
    if (c.fileRoot && !c.fileRoot->locked) {
        c.helpers = doc.Helpers();
        if (c.mapRoot && c.mapRoot != c.fileRoot) CollectEntities(c.mapRoot, true, c);
        CollectEntities(c.fileRoot, false, c);
        CollectWaypoints(c);

        CheckDuplicateIds(c);
        CheckDuplicateMids(c);
        CheckLinks(c);
        CheckBrains(c);
        CheckTriggers(c);
        CheckWaypointLinks(c);
        if (catalogue) CheckEntityTypes(c, *catalogue);
        Bounds world;
        if (ReadWorldBound(c.mapRoot, world))
            CheckBounds(c, world);
        else if (c.mapRoot == c.fileRoot)
            c.Add(c.mapRoot, LintSeverity::Error, "The map has no WorldBound.");
    }
    CheckUnwritable(c, doc.Roots());

    std::stable_sort(c.findings.begin(), c.findings.end(),
                     [](const LintFinding& a, const LintFinding& b) { return a.line < b.line; });
    return std::move(c.findings);
}

} // namespace document
