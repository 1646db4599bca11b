#include "document/VarnholtMapEditorDoc.h"

#include "document/DocumentHistory.h"

#include "document/EntityProps.h"
#include "format/DefParser.h"
#include "platform/Progress.h"
#include "platform/Prompts.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstring>

namespace document {

namespace {

constexpr size_t kAppend = static_cast<size_t>(-1);

// Index of the first direct child named name (ignoring case), or -1.
int FirstChild(const CDefNode* parent, std::string_view name) {
    auto kids = parent->Children();
    for (size_t i = 0; i < kids.size(); ++i)
        if (platform::EqualsNoCase(kids[i]->Name(), name)) return static_cast<int>(i);
    return -1;
}

// The sections of a mission root after a given one, in their order; a search
// for the place of a new section starts at its own name.
constexpr const char* kSections[] = {"Link",   "Brain",   "Tags",        "Helpers",
                                     "Covers", "Players", "MissionMusic"};
constexpr const char* kHelperKinds[] = {"event", "trigger",    "waypoints",
                                        "zone",  "camerapath", "task"};

size_t SectionPlace(const CDefNode* parent, const char* const* first, const char* const* last) {
    for (const char* const* s = first; s != last; ++s) {
        int i = FirstChild(parent, *s);
        if (i >= 0) return static_cast<size_t>(i);
    }
    return kAppend;
}

size_t SectionPlaceFrom(const CDefNode* parent, std::string_view from, const char* const* table,
                        size_t count) {
    for (size_t k = 0; k < count; ++k)
        if (platform::EqualsNoCase(table[k], from))
            return SectionPlace(parent, table + k, table + count);
    return kAppend;
}

bool HasId(const CDefNode* node) {
    const char* v = node->GetValue(1);
    return v && v[0] == '0' && (v[1] == 'x' || v[1] == 'X');
}

bool ValueIs(const CDefNode* node, size_t i, const char* text) {
    const char* v = node->GetValue(i);
    return v && platform::EqualsNoCase(v, text);
}

// How a step names an element: an entity by its type, other blocks by their
// name and first value.
std::string ElementLabel(const CDefNode* node) {
    if (!node) return {};
    std::string label(node->Name());
    if (const char* v = node->GetValue(0)) {
        std::string value = platform::StripQuotes(v);
        if (platform::EqualsNoCase(node->Name(), "Entity")) return value;
        if (!value.empty()) label += " " + value;
    }
    return label;
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

void CollectSubtree(const CDefNode* node, std::vector<const CDefNode*>& out) {
    std::vector<const CDefNode*> stack{node};
    while (!stack.empty()) {
        const CDefNode* n = stack.back();
        stack.pop_back();
        out.push_back(n);
        for (const CDefNode* c : n->Children())
            stack.push_back(c);
    }
}

} // namespace

CDefNode* CVarnholtMapEditorDoc::WorkingRoot() const {
    size_t index = m_kind == Mission ? 1 : 0;
    return index < m_roots.size() ? m_roots[index].get() : nullptr;
}

CDefNode* CVarnholtMapEditorDoc::Helpers() const {
    CDefNode* root = WorkingRoot();
    return root ? root->FindChild("Helpers") : nullptr;
}

void CVarnholtMapEditorDoc::Message(std::string_view text) const {
    if (m_services.prompts) m_services.prompts->Message(text, platform::Icon::Warning);
}

void CVarnholtMapEditorDoc::SetTitle(std::string title) {
    m_title = std::move(title);
    UpdateTitleMark();
}

// --- identifiers -------------------------------------------------------------------

bool CVarnholtMapEditorDoc::IdInUse(unsigned long id) const {
    return id < format::kRegistrySize && m_idRegistry[id] == id && id != 0;
}

bool CVarnholtMapEditorDoc::MidInUse(unsigned long mid) const {
    return mid < format::kRegistrySize && m_midRegistry[mid] == mid && mid != 0;
}

uint32_t CVarnholtMapEditorDoc::AllocateId() {
    uint32_t start = m_kind == Mission ? 0x8000 : 1;
    for (uint32_t id = start; id < format::kRegistrySize; ++id)
        if (m_idRegistry[id] == 0) {
            SetTableEntry(history::Table::Ids, id, id);
            return id;
        }
    return 0;
}

uint32_t CVarnholtMapEditorDoc::AllocateMid() {
    for (uint32_t mid = 1; mid < format::kRegistrySize; ++mid)
        if (m_midRegistry[mid] == 0) {
            SetTableEntry(history::Table::Mids, mid, mid);
            return mid;
        }
    return 0;
}

// The id tables mark a free id with 0xFF, which is also what id 255 would
// write: 255 can never be marked, so handing it out would give every further
// event or path the same id. The last usable id is 254.
constexpr int kLastTableId = 254;

int CVarnholtMapEditorDoc::NextEventId() const {
    for (int n = 0; n <= kLastTableId; ++n)
        if (m_eventIds[n] == 0xFF) return n;
    return -1;
}

int CVarnholtMapEditorDoc::NextCameraPathId() const {
    for (int n = 0; n <= kLastTableId; ++n)
        if (m_cameraPathIds[n] == 0xFF) return n;
    return -1;
}

void CVarnholtMapEditorDoc::MarkCameraPathId(int id) {
    if (id >= 0 && id < 256)
        SetTableEntry(history::Table::CameraPathIds, static_cast<uint32_t>(id),
                      static_cast<uint32_t>(id));
}

void CVarnholtMapEditorDoc::FreeEntityIds(const CDefNode* node) {
    // Only an entity ID ("0x...") is freed: a number in value 1 of another
    // block would otherwise free the ID of an unrelated entity.
    if (HasId(node)) {
        const char* id = node->GetValue(1);
        unsigned long n = platform::ParseUnsigned(id, 16);
        if (n < format::kRegistrySize) SetTableEntry(history::Table::Ids, n, 0);
    }
    if (CDefNode* mid = node->FindChild("MID"))
        if (const char* v = mid->GetValue(0)) {
            unsigned long n = platform::ParseUnsigned(v, 10);
            if (n < format::kRegistrySize) SetTableEntry(history::Table::Mids, n, 0);
        }
}

// --- records ---------------------------------------------------------------------------

TriggerRecord* CVarnholtMapEditorDoc::AdoptTrigger(std::unique_ptr<TriggerRecord> record) {
    Edit edit(*this, "Add trigger");
    m_triggers.push_back(std::move(record));
    return m_triggers.back().get();
}

CameraPathRecord* CVarnholtMapEditorDoc::AdoptCameraPath(std::unique_ptr<CameraPathRecord> record) {
    Edit edit(*this, "Add camera path");
    MarkCameraPathId(CameraPathIdOf(record->name));
    m_cameraPaths.push_back(std::move(record));
    return m_cameraPaths.back().get();
}

void CVarnholtMapEditorDoc::EraseRecordsOf(const CDefNode* node) {
    ForgetSubtree(node);
}

void CVarnholtMapEditorDoc::ForgetSubtree(const CDefNode* node) {
    if (!node ||
        (m_zones.empty() && m_events.empty() && m_triggers.empty() && m_cameraPaths.empty()))
        return;
    std::vector<const CDefNode*> inside;
    CollectSubtree(node, inside);
    std::sort(inside.begin(), inside.end());
    auto within = [&](const CDefNode* n) {
        return n && std::binary_search(inside.begin(), inside.end(), n);
    };

    // An event or camera path id is free again once no record holds it, so
    // that deleting and adding events never runs out of ids.
    RetireIf(m_events, [&](const std::unique_ptr<EventRecord>& r) {
        if (!within(r->node)) return false;
        int id = r->id;
        if (id >= 0 && id < 256 &&
            std::none_of(m_events.begin(), m_events.end(), [&](const auto& o) {
                return o.get() != r.get() && o->id == id && !within(o->node);
            }))
            SetTableEntry(history::Table::EventIds, static_cast<uint32_t>(id), 0xFF);
        return true;
    });
    RetireIf(m_cameraPaths, [&](const std::unique_ptr<CameraPathRecord>& r) {
        if (!within(r->node)) {
            std::erase_if(r->keys,
                          [&](const std::unique_ptr<CameraKey>& k) { return within(k->node); });
            return false;
        }
        int id = CameraPathIdOf(r->name);
        if (id >= 0 && id < 256 &&
            std::none_of(m_cameraPaths.begin(), m_cameraPaths.end(), [&](const auto& o) {
                return o.get() != r.get() && CameraPathIdOf(o->name) == id && !within(o->node);
            }))
            SetTableEntry(history::Table::CameraPathIds, static_cast<uint32_t>(id), 0xFF);
        return true;
    });
    RetireIf(m_triggers, [&](const std::unique_ptr<TriggerRecord>& r) { return within(r->node); });
    RetireIf(m_zones, [&](const std::unique_ptr<ZoneRecord>& r) {
        if (within(r->globalWP)) r->globalWP = nullptr;
        return within(r->node);
    });
}

void CVarnholtMapEditorDoc::DestroyChild(CDefNode* parent, size_t index) {
    ForgetSubtree(parent->Child(index));
    parent->RemoveChild(index);
}

CDefNode* CVarnholtMapEditorDoc::FindParent(const CDefNode* node) const {
    if (!node) return nullptr;
    std::vector<CDefNode*> stack;
    for (const auto& root : m_roots) {
        if (root.get() == node) return nullptr;
        stack.push_back(root.get());
    }
    while (!stack.empty()) {
        CDefNode* n = stack.back();
        stack.pop_back();
        for (CDefNode* c : n->Children()) {
            if (c == node) return n;
            if (c->ChildCount()) stack.push_back(c);
        }
    }
    return nullptr;
}

// --- sections ------------------------------------------------------------------------------

CDefNode* CVarnholtMapEditorDoc::InsertSection(std::string_view name, std::string_view kind) {
    Edit edit(*this, "Insert " + std::string(name));
    CDefNode* root = WorkingRoot();
    if (!root) return nullptr;
    std::string_view k = kind.empty() ? name : kind;
    CDefNode* parent = root;
    size_t index = kAppend;
    auto eq = [&](const char* s) { return platform::EqualsNoCase(k, s); };
    const size_t sectionCount = std::size(kSections);

    if (eq("Camera")) {
        index = 0;
    } else if (eq("Entity")) {
        int first = FirstChild(root, "Entity");
        index = first >= 0 ? static_cast<size_t>(first) + 1
                           : SectionPlace(root, kSections, kSections + sectionCount);
    } else if (eq("Helpers")) {
        index = SectionPlaceFrom(root, "Covers", kSections, sectionCount);
    } else if (std::any_of(std::begin(kSections), std::end(kSections), eq)) {
        index = SectionPlaceFrom(root, k, kSections, sectionCount);
    } else if (eq("waypoints") && !platform::EqualsNoCase(name, "waypoints")) {
        // A single waypoint goes into the mission's waypoints node.
        CDefNode* helpers = Helpers();
        CDefNode* holder = helpers ? helpers->FindChild("waypoints") : nullptr;
        if (!holder) holder = InsertSection("waypoints");
        if (!holder) return nullptr;
        parent = holder;
    } else if (std::any_of(std::begin(kHelperKinds), std::end(kHelperKinds), eq)) {
        parent = Helpers();
        if (!parent) parent = InsertSection("Helpers");
        if (!parent) return nullptr;
        // A new waypoints node goes after the existing ones.
        std::string_view from = eq("waypoints") ? std::string_view("zone") : k;
        index = SectionPlaceFrom(parent, from, kHelperKinds, std::size(kHelperKinds));
    }

    auto node = std::make_unique<CDefNode>();
    node->Assign(name, {});
    if (index == kAppend || index > parent->ChildCount())
        return parent->AppendChild(std::move(node));
    return parent->InsertChild(index, std::move(node));
}

// --- entities ---------------------------------------------------------------------------------

CDefNode* CVarnholtMapEditorDoc::AddEntity(NewEntity& entity) {
    Edit edit(*this, "Place " + ElementLabel(entity.node.get()));
    CDefNode* root = WorkingRoot();
    if (m_roots.empty() || !root || !entity.node) return nullptr;
    CDefNode* node = entity.node.get();
    node->SetHex(1, AllocateId());
    bool unitKind = IsOwnedUnitCategory(entity.category) || entity.vehicle || entity.trainPart;
    if (unitKind && node->isUnit) node->SetUIntAt("MID", 0, AllocateMid());

    int first = FirstChild(root, node->Name());
    size_t index = first >= 0 ? static_cast<size_t>(first) + 1 : kAppend;
    // The first entity of a mission goes where the section order puts
    // entities, in front of links, brains and the helpers that refer to it.
    if (first < 0 && m_kind == Mission && platform::EqualsNoCase(node->Name(), "Entity"))
        index = SectionPlace(root, kSections, kSections + std::size(kSections));
    if (index == kAppend) return root->AppendChild(std::move(entity.node));
    return root->InsertChild(index, std::move(entity.node));
}

void CVarnholtMapEditorDoc::RemoveWaypointTriggersOfMid(CDefNode* helpers, const char* mid) {
    if (!helpers || !mid) return;
    std::string key = Quoted(mid);
    for (size_t t = helpers->ChildCount(); t-- > 0;) {
        CDefNode* trigger = helpers->Child(t);
        if (!platform::EqualsNoCase(trigger->Name(), "trigger")) continue;
        int a = FirstChild(trigger, "actions");
        if (a < 0) continue;
        CDefNode* actions = trigger->Child(static_cast<size_t>(a));
        bool changed = false;
        for (size_t i = actions->ChildCount(); i-- > 0;) {
            CDefNode* action = actions->Child(i);
            if (!platform::EqualsNoCase(action->Name(), "\"actor_to_waypoint\"")) continue;
            CDefNode* mids = action->Find("\"actors/mids\"");
            const char* v = mids ? mids->GetValue(0) : nullptr;
            if (v && key == v) {
                DestroyChild(actions, i);
                changed = true;
            }
        }
        if (!changed) continue;
        if (actions->ChildCount() == 0) DestroyChild(trigger, static_cast<size_t>(a));
        if (trigger->ChildCount() == 0) DestroyChild(helpers, t);
    }
}

bool CVarnholtMapEditorDoc::DeleteElement(CDefNode* node) {
    Edit edit(*this, "Delete " + ElementLabel(node));
    CDefNode* root = WorkingRoot();
    if (m_roots.empty() || !root || !node || node == root) return false;
    // Find where the node is before anything changes: a node that is not in
    // the working root (a base map's locked node, a stale pointer) is left alone.
    CDefNode* parent = root;
    int index = root->IndexOfChild(node);
    if (index < 0) {
        parent = Helpers();
        index = parent ? parent->IndexOfChild(node) : -1;
    }
    if (index < 0) {
        // Deeper nodes (a waypoint in its waypoints node) only when they lie in the working root.
        parent = FindParent(node);
        const CDefNode* up = parent;
        while (up && up != root)
            up = FindParent(up);
        if (!up) return false;
        index = parent->IndexOfChild(node);
    }

    FreeEntityIds(node);
    if (m_kind == Mission && HasId(node)) {
        std::string id = node->GetValue(1);
        // One walk over the working root finds everything that refers to the
        // entity: a mission holds tens of thousands of top-level blocks.
        CDefNode* brain = nullptr;
        CDefNode* ownLink = nullptr;
        CDefNode* helpers = nullptr;
        std::vector<CDefNode*> doomed;
        for (CDefNode* c : root->Children()) {
            std::string_view name = c->Name();
            if (name.size() == 5 && platform::EqualsNoCase(name, "Brain")) {
                if (!brain && ValueIs(c, 0, id.c_str())) brain = c;
            } else if (name.size() == 4 && platform::EqualsNoCase(name, "Link")) {
                if (!ownLink && ValueIs(c, 0, id.c_str()))
                    ownLink = c;
                else if (ValueIs(c, 2, id.c_str()))
                    doomed.push_back(c);
            } else if (!helpers && name.size() == 7 && platform::EqualsNoCase(name, "Helpers")) {
                helpers = c;
            }
        }
        if (ownLink) doomed.push_back(ownLink);
        if (brain) doomed.push_back(brain);
        std::sort(doomed.begin(), doomed.end());
        doomed.erase(std::unique(doomed.begin(), doomed.end()), doomed.end());
        for (size_t i = root->ChildCount(); i-- > 0 && !doomed.empty();) {
            CDefNode* c = root->Child(i);
            auto it = std::lower_bound(doomed.begin(), doomed.end(), c);
            if (it == doomed.end() || *it != c) continue;
            doomed.erase(it);
            DestroyChild(root, i);
        }
        if (helpers)
            if (CDefNode* mid = node->FindChild("MID"))
                RemoveWaypointTriggersOfMid(helpers, mid->GetValue(0));
        // The deletions above may have moved the node within its parent.
        index = parent->IndexOfChild(node);
        if (index < 0) return true;
    }
    DestroyChild(parent, static_cast<size_t>(index));
    return true;
}

bool CVarnholtMapEditorDoc::DeleteNode(CDefNode* node) {
    Edit edit(*this, "Delete " + ElementLabel(node));
    if (!node || node->locked) return false;
    CDefNode* parent = FindParent(node);
    if (!parent) return false;
    if (parent == WorkingRoot() || parent == Helpers()) return DeleteElement(node);
    // A node inside an element: its subtree goes, with whatever records and
    // identifiers live in it.
    std::vector<const CDefNode*> inside;
    CollectSubtree(node, inside);
    for (const CDefNode* n : inside)
        if (platform::EqualsNoCase(n->Name(), "Entity") && HasId(n)) FreeEntityIds(n);
    DestroyChild(parent, static_cast<size_t>(parent->IndexOfChild(node)));
    return true;
}

bool CVarnholtMapEditorDoc::DeleteWaypoint(CDefNode* node) {
    Edit edit(*this, "Delete " + ElementLabel(node));
    CDefNode* root = WorkingRoot();
    if (m_kind != Mission || !root || !node) return false;
    CDefNode* holder = FindParent(node);
    if (!holder) return false;
    std::string key = Quoted(node->Name());
    for (size_t i = 0; i < m_triggers.size();) {
        TriggerRecord* record = m_triggers[i].get();
        CDefNode* hit =
            record->node ? record->node->Find("\"waypoint/uid\"", key.c_str()) : nullptr;
        if (hit) {
            const char* name = record->node->GetValue(0);
            std::string question = kTriggerLinkedQuestion;
            question.replace(question.find("%s"), 2, name ? name : "");
            if (m_services.prompts && m_services.prompts->AskYesNo(question)) {
                CDefNode* triggerNode = record->node;
                CDefNode* triggerParent = FindParent(triggerNode);
                RetireIf(m_triggers, [&](const auto& t) { return t.get() == record; });
                if (triggerParent)
                    DestroyChild(triggerParent,
                                 static_cast<size_t>(triggerParent->IndexOfChild(triggerNode)));
                continue;
            }
        }
        ++i;
    }
    holder = FindParent(node);
    if (holder) DestroyChild(holder, static_cast<size_t>(holder->IndexOfChild(node)));
    return true;
}

void CVarnholtMapEditorDoc::RemoveZone(ZoneRecord* zone) {
    Edit edit(*this, "Delete zone");
    if (m_kind != Mission || !zone) return;
    auto it = std::find_if(m_zones.begin(), m_zones.end(),
                           [&](const auto& z) { return z.get() == zone; });
    if (it == m_zones.end()) return;
    CDefNode* node = zone->node;
    RetireIf(m_zones, [&](const auto& z) { return z.get() == zone; });
    CDefNode* parent = FindParent(node);
    if (parent) DestroyChild(parent, static_cast<size_t>(parent->IndexOfChild(node)));
}

int CVarnholtMapEditorDoc::AddEvent(std::string_view name) {
    Edit edit(*this, "Add event " + platform::StripQuotes(name));
    CDefNode* node = InsertSection("event");
    if (!node) return -1;
    int id = NextEventId();
    std::string idText = platform::FormatInt(id);
    node->Assign("event", {name, "id", idText, "state", "0"});
    if (id != -1)
        SetTableEntry(history::Table::EventIds, static_cast<uint32_t>(id),
                      static_cast<uint32_t>(id));
    auto record = std::make_unique<EventRecord>();
    record->name = platform::StripQuotes(name);
    record->id = id;
    record->state = 0;
    record->node = node;
    m_events.push_back(std::move(record));
    if (m_services.host) m_services.host->SendToMainFrame(AppMessage::HelpersChanged, 0, 0);
    return id;
}

CDefNode* CVarnholtMapEditorDoc::AddWaypointTrigger(unsigned long mid, unsigned long uid) {
    Edit edit(*this, "Add trigger");
    auto built = std::make_unique<CDefNode>("trigger", "name_here");
    CDefNode* actions = built->AddChild("actions");
    CDefNode* action = actions->AddChild("\"actor_to_waypoint\"");
    CDefNode* selector = action->AddChild("\"selector\"");
    selector->AddChildQuoted("\"actors/mids\"", platform::FormatUnsigned(mid).c_str());
    action->AddChildQuoted("\"waypoint/uid\"", platform::FormatUnsigned(uid).c_str());

    auto record = std::make_unique<TriggerRecord>();
    record->name = "name_here";
    record->node = built.get();
    if (!m_services.dialogs || !m_services.dialogs->EditTrigger(*record, *built)) return nullptr;
    CDefNode* node = InsertSection("trigger");
    if (!node) return nullptr;
    // The stored node takes the values and children the dialog left.
    std::vector<std::string_view> values = built->Values();
    node->Assign("trigger", values);
    while (built->ChildCount())
        node->AppendChild(built->DetachChild(0));
    record->node = node;
    m_triggers.push_back(std::move(record));
    return node;
}

ZoneRecord* CVarnholtMapEditorDoc::AddZoneRecord(std::unique_ptr<ZoneRecord> zone) {
    Edit edit(*this, "Add zone");
    m_zones.push_back(std::move(zone));
    return m_zones.back().get();
}

CDefNode* CVarnholtMapEditorDoc::StoreZone(ZoneRecord* zone) {
    Edit edit(*this, "Add zone");
    if (m_roots.empty() || !zone) return nullptr;
    CDefNode* node = InsertSection("zone");
    if (!node) return nullptr;
    node->SetValue(0, zone->shape == ZoneRecord::Poly ? "\"poly\"" : "\"circle\"");
    node->SetVector("position", {zone->x, zone->y, zone->z});
    node->SetText("Name", zone->name.c_str());
    if (zone->shape == ZoneRecord::Circle) {
        node->SetFloatAt("Radius", 0, zone->radius);
    } else {
        // A polygon keeps its corners; without them the stored zone would be empty.
        for (int i = 0; i < zone->cornerCount && i < 4; ++i) {
            CDefNode* point = node->AddChild("Point");
            point->SetFloat(0, zone->corners[static_cast<size_t>(i)].x);
            point->SetFloat(1, zone->corners[static_cast<size_t>(i)].y);
        }
    }
    zone->node = node;
    return node;
}

bool CVarnholtMapEditorDoc::OnGameOptions() {
    Edit edit(*this, "Game Options");
    int side = m_playerSide;
    if (!m_services.dialogs || !m_services.dialogs->GameOptions(side)) return false;
    if (side >= 0 && side <= 3) m_playerSide = side;
    return true;
}

} // namespace document
