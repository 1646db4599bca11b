// The edit history of a document: edits as steps, undo, redo, the saved
// point, and the change notices views follow.

#include "document/DocumentHistory.h"
#include "document/VarnholtMapEditorDoc.h"

#include "format/DefParser.h"

#include <algorithm>
#include <cassert>

namespace document {

using history::NodeText;
using history::RecordChanges;
using history::RecordState;
using history::Scalars;
using history::Step;
using history::StructureChange;
using history::Table;
using history::TableChange;
using history::ValueChange;

namespace history {

NodeText NodeText::Of(const CDefNode& node) {
    NodeText text;
    text.name = node.Name();
    for (std::string_view v : node.Values())
        text.values.emplace_back(v);
    text.comment = node.LeadingComment();
    return text;
}

void NodeText::ApplyTo(CDefNode& node) const {
    std::vector<std::string_view> views(values.begin(), values.end());
    node.Assign(name, views);
    node.SetLeadingComment(comment);
}

size_t NodeText::Bytes() const {
    size_t bytes = sizeof(NodeText) + name.capacity() + comment.capacity() +
                   values.capacity() * sizeof(std::string);
    for (const auto& v : values)
        bytes += v.capacity();
    return bytes;
}

namespace {

bool SameKeys(const std::vector<CameraKey>& a, const std::vector<CameraKey>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].time != b[i].time || a[i].values != b[i].values || a[i].flags != b[i].flags ||
            a[i].node != b[i].node)
            return false;
    return true;
}

} // namespace

bool SameRecord(const ZoneRecord& a, const ZoneRecord& b) {
    if (a.name != b.name || a.x != b.x || a.y != b.y || a.z != b.z || a.radius != b.radius ||
        a.cornerCount != b.cornerCount || a.globalWP != b.globalWP || a.shape != b.shape ||
        a.node != b.node)
        return false;
    for (size_t i = 0; i < a.corners.size(); ++i)
        if (a.corners[i].x != b.corners[i].x || a.corners[i].y != b.corners[i].y ||
            a.corners[i].z != b.corners[i].z)
            return false;
    return true;
}

bool SameRecord(const EventRecord& a, const EventRecord& b) {
    return a.name == b.name && a.id == b.id && a.state == b.state && a.node == b.node;
}

bool SameRecord(const TriggerRecord& a, const TriggerRecord& b) {
    return a.name == b.name && a.conditions == b.conditions && a.actions == b.actions &&
           a.node == b.node;
}

bool SameRecord(const CameraPathValue& a, const CameraPathValue& b) {
    return a.name == b.name && a.node == b.node && a.startEvent == b.startEvent &&
           a.cancelEvent == b.cancelEvent && SameKeys(a.keys, b.keys);
}

size_t RecordChanges::Bytes() const {
    size_t bytes = sizeof(RecordChanges);
    if (zones) bytes += zones->Bytes();
    if (events) bytes += events->Bytes();
    if (triggers) bytes += triggers->Bytes();
    if (cameraPaths) {
        bytes += cameraPaths->Bytes();
        for (const auto& [record, value] : cameraPaths->beforeValues)
            bytes += value.keys.capacity() * sizeof(CameraKey);
        for (const auto& [record, value] : cameraPaths->afterValues)
            bytes += value.keys.capacity() * sizeof(CameraKey);
    }
    return bytes;
}

CameraPathValue ValueOf(const CameraPathRecord& record) {
    CameraPathValue value{record.name, {}, record.node, record.startEvent, record.cancelEvent};
    for (const auto& k : record.keys)
        value.keys.push_back(*k);
    return value;
}

namespace {

void Assign(ZoneRecord& r, const ZoneRecord& v) {
    r = v;
}
void Assign(EventRecord& r, const EventRecord& v) {
    r = v;
}
void Assign(TriggerRecord& r, const TriggerRecord& v) {
    r = v;
}
void Assign(CameraPathRecord& r, const CameraPathValue& v) {
    r.name = v.name;
    r.node = v.node;
    r.startEvent = v.startEvent;
    r.cancelEvent = v.cancelEvent;
    r.keys.resize(v.keys.size());
    for (size_t i = 0; i < v.keys.size(); ++i) {
        if (!r.keys[i]) r.keys[i] = std::make_unique<CameraKey>();
        *r.keys[i] = v.keys[i];
    }
}
EventRecord ValueOf(const EventRecord& r) {
    return r;
}
ZoneRecord ValueOf(const ZoneRecord& r) {
    return r;
}
TriggerRecord ValueOf(const TriggerRecord& r) {
    return r;
}

} // namespace

template <typename R, typename V>
void DiffList(const RecordListState<R, V>& start, std::vector<std::unique_ptr<R>>& live,
              std::vector<std::unique_ptr<R>>& retired,
              std::optional<RecordListChange<R, V>>& change) {
    std::unordered_map<const R*, const V*> startValue;
    for (const auto& [record, value] : start)
        startValue.emplace(record, &value);
    std::unordered_set<const R*> now;
    bool changed = live.size() != start.size();
    RecordListChange<R, V> c;
    for (size_t i = 0; i < live.size(); ++i) {
        R* record = live[i].get();
        now.insert(record);
        c.after.push_back(record);
        if (i >= start.size() || start[i].first != record) changed = true;
        auto it = startValue.find(record);
        if (it == startValue.end()) continue; // arrived: its object holds its value
        V value = ValueOf(*record);
        if (!SameRecord(*it->second, value)) {
            changed = true;
            c.beforeValues.emplace_back(record, *it->second);
            c.afterValues.emplace_back(record, std::move(value));
        }
    }
    for (const auto& [record, value] : start) {
        c.before.push_back(record);
        if (!now.count(record)) c.beforeValues.emplace_back(record, value); // left
    }
    if (changed) {
        // The objects that left the list stay with the step; those that came
        // and went within the edit are no part of either state.
        std::unordered_set<const R*> wasThere(c.before.begin(), c.before.end());
        for (auto& r : retired)
            if (wasThere.count(r.get())) c.retired.push_back(std::move(r));
        change = std::move(c);
    }
    retired.clear();
}

template <typename R, typename V>
void ReplayList(std::vector<std::unique_ptr<R>>& live, RecordListChange<R, V>& c, bool undo) {
    const std::vector<R*>& order = undo ? c.before : c.after;
    std::unordered_map<const R*, std::unique_ptr<R>> pool;
    for (auto& r : live)
        pool.emplace(r.get(), std::move(r));
    for (auto& r : c.retired)
        pool.emplace(r.get(), std::move(r));
    live.clear();
    c.retired.clear();
    for (R* record : order) {
        auto it = pool.find(record);
        assert(it != pool.end());
        if (it == pool.end()) continue;
        live.push_back(std::move(it->second));
        pool.erase(it);
    }
    for (auto& [record, object] : pool)
        c.retired.push_back(std::move(object));
    for (const auto& [record, value] : undo ? c.beforeValues : c.afterValues)
        Assign(*record, value);
}

template <typename R, typename V>
void MergeList(std::optional<RecordListChange<R, V>>& top,
               std::optional<RecordListChange<R, V>>& next) {
    if (!next) return;
    if (!top) {
        top = std::move(next);
        return;
    }
    auto has = [](const auto& list, const R* r) {
        return std::any_of(list.begin(), list.end(), [&](const auto& e) { return e.first == r; });
    };
    for (auto& [record, value] : next->beforeValues)
        if (std::find(top->before.begin(), top->before.end(), record) != top->before.end() &&
            !has(top->beforeValues, record))
            top->beforeValues.emplace_back(record, std::move(value));
    std::vector<std::pair<R*, V>> after = std::move(next->afterValues);
    for (auto& [record, value] : top->afterValues)
        if (std::find(next->after.begin(), next->after.end(), record) != next->after.end() &&
            !has(after, record))
            after.emplace_back(record, std::move(value));
    top->afterValues = std::move(after);
    top->after = std::move(next->after);
    for (auto& r : next->retired)
        top->retired.push_back(std::move(r));
}

void MergeRecordChanges(RecordChanges& top, RecordChanges& next) {
    MergeList(top.zones, next.zones);
    MergeList(top.events, next.events);
    MergeList(top.triggers, next.triggers);
    MergeList(top.cameraPaths, next.cameraPaths);
}

bool Step::Empty() const {
    return structure.empty() && values.empty() && tables.empty() && !records.Any() &&
           scalarsBefore == scalarsAfter;
}

size_t Step::Bytes() const {
    size_t bytes = sizeof(Step) + name.capacity() + mergeKey.capacity() +
                   structure.capacity() * sizeof(StructureChange) +
                   tables.capacity() * sizeof(TableChange) +
                   valueIndex.size() * (sizeof(void*) * 3) +
                   structureNodes.size() * (sizeof(void*) * 2) + owned.size() * sizeof(void*) * 3;
    for (const auto& v : values)
        bytes += sizeof(ValueChange) + v.before.Bytes() + v.after.Bytes();
    bytes += records.Bytes();
    // The subtrees the step keeps out of the tree, for undo or redo.
    for (const auto& [node, subtree] : owned)
        bytes += subtree ? subtree->CountNodes() * (sizeof(CDefNode) + 32) : 0;
    return bytes;
}

} // namespace history

// Watches node changes while an edit is open (recording them into the step)
// and while a step is replayed (only telling the views).
class CVarnholtMapEditorDoc::HistoryLog : public format::NodeEditLog {
  public:
    explicit HistoryLog(CVarnholtMapEditorDoc& doc) : m_doc(doc) {}

    std::vector<std::unique_ptr<Step>> undo, redo;
    std::unique_ptr<Step> current; // the open edit
    bool replaying = false;
    uint64_t nextSerial = 1;
    std::unique_ptr<format::ScopedNodeEditLog> scope;
    // The nodes whose text changed in this edit or replay, for the notices.
    std::vector<CDefNode*> changed;

    void ValuesChanging(CDefNode& node) override {
        if (replaying || !current) return;
        if (current->valueIndex.count(&node)) return;
        current->valueIndex.emplace(&node, current->values.size());
        current->values.push_back({&node, NodeText::Of(node), {}});
    }
    void ChildInserting(CDefNode& parent, size_t index) override {
        m_doc.Notify({ChangeKind::AboutToInsert, &parent, index, nullptr});
    }
    void ChildInserted(CDefNode& parent, size_t index) override {
        CDefNode* child = parent.Child(index);
        if (!replaying && current) Record(StructureChange::Insert, &parent, index, child);
        m_doc.Notify({ChangeKind::Inserted, &parent, index, child});
    }
    void ChildRemoving(CDefNode& parent, size_t index) override {
        m_doc.Notify({ChangeKind::AboutToRemove, &parent, index, parent.Child(index)});
    }
    void ChildRemoved(CDefNode& parent, size_t index, CDefNode& child) override {
        if (!replaying && current) Record(StructureChange::Remove, &parent, index, &child);
        m_doc.Notify({ChangeKind::Removed, &parent, index, &child});
    }
    void KeepRemoved(std::unique_ptr<CDefNode> child) override {
        // Replays move nodes themselves; outside an edit nothing is kept.
        if (replaying || !current) return;
        const CDefNode* key = child.get();
        current->owned[key] = std::move(child);
    }
    void NodeCreated(CDefNode& node) override {
        if (!replaying && current) current->created.insert(&node);
    }
    void NodeDestroyed(CDefNode& node) override {
        if (replaying || !current) return;
        current->created.erase(&node);
        auto it = current->valueIndex.find(&node);
        if (it != current->valueIndex.end()) {
            // A scratch node changed and thrown away within the edit.
            current->values[it->second].node = nullptr;
            current->valueIndex.erase(it);
        }
        // A scratch parent thrown away: what happened below it never
        // reached the document.
        if (current->parentUses.count(&node)) ForgetParent(&node);
        if (current->structureNodes.count(&node)) current->broken = true;
    }

    void Record(StructureChange::Kind kind, CDefNode* parent, size_t index, CDefNode* node) {
        current->structure.push_back({kind, parent, index, node});
        current->structureNodes.insert(node);
        ++current->parentUses[parent];
    }

    // Drops the structure changes below parent and rebuilds the indexes.
    void ForgetParent(const CDefNode* parent) {
        std::erase_if(current->structure,
                      [&](const StructureChange& c) { return c.parent == parent; });
        current->parentUses.erase(parent);
        current->structureNodes.clear();
        for (const StructureChange& c : current->structure)
            current->structureNodes.insert(c.node);
    }

  private:
    CVarnholtMapEditorDoc& m_doc;
};

// The document is made and destroyed here, where its history is a complete type.
CVarnholtMapEditorDoc::CVarnholtMapEditorDoc(DocumentServices services)
    : m_services(services), m_idRegistry(new uint32_t[format::kRegistrySize]()),
      m_midRegistry(new uint32_t[format::kRegistrySize]()) {
    m_eventIds.fill(0xFF);
    m_cameraPathIds.fill(0xFF);
}

CVarnholtMapEditorDoc::~CVarnholtMapEditorDoc() {
    // Views that outlive the document must not reach back into it.
    Notify({ChangeKind::Destroyed});
    m_observers.clear();
    m_appending = false;
    DeleteContents();
}

// --- edits --------------------------------------------------------------------------------

CVarnholtMapEditorDoc::Edit::Edit(CVarnholtMapEditorDoc& doc, std::string name,
                                  std::string mergeKey)
    : m_doc(doc) {
    m_doc.BeginEdit(std::move(name), std::move(mergeKey));
}

CVarnholtMapEditorDoc::Edit::~Edit() {
    m_doc.EndEdit();
}

void CVarnholtMapEditorDoc::BeginEdit(std::string name, std::string mergeKey) {
    if (m_editDepth++ > 0) return;
    if (!m_history) m_history = std::make_unique<HistoryLog>(*this);
    HistoryLog& h = *m_history;
    h.current = std::make_unique<Step>();
    h.current->name = std::move(name);
    h.current->mergeKey = std::move(mergeKey);
    h.current->recordsAtStart = CaptureRecords();
    h.current->scalarsBefore = CaptureScalars();
    h.scope = std::make_unique<format::ScopedNodeEditLog>(&h);
}

void CVarnholtMapEditorDoc::EndEdit() {
    assert(m_editDepth > 0);
    if (--m_editDepth > 0) return;
    HistoryLog& h = *m_history;
    h.scope.reset();
    std::unique_ptr<Step> step = std::move(h.current);

    // Nodes made during the edit that never reached the document (a trigger
    // built before it is stored, a scratch copy) keep nothing: changes below
    // them are no part of the document's history. A made node reached the
    // document when it was inserted under a node of the document or under a
    // made node that reached it.
    if (!step->created.empty()) {
        std::unordered_set<const CDefNode*> attached;
        for (bool grew = true; grew;) {
            grew = false;
            for (const StructureChange& c : step->structure)
                if (c.kind == StructureChange::Insert && step->created.count(c.node) &&
                    !attached.count(c.node) &&
                    (!step->created.count(c.parent) || attached.count(c.parent))) {
                    attached.insert(c.node);
                    grew = true;
                }
        }
        std::erase_if(step->structure, [&](const StructureChange& c) {
            return step->created.count(c.parent) && !attached.count(c.parent);
        });
        for (ValueChange& v : step->values)
            if (v.node && step->created.count(v.node)) v.node = nullptr;
    }

    // Records: only what the edit changed is kept.
    DiffRecords(*step->recordsAtStart, step->records);
    step->recordsAtStart.reset();
    step->scalarsAfter = CaptureScalars();

    // A node inserted by this edit was not in the document before it: undo
    // takes it out whatever it holds, so its text needs no record. Likewise
    // scratch nodes destroyed within the edit.
    std::unordered_set<const CDefNode*> newcomers;
    {
        std::unordered_set<const CDefNode*> seen;
        for (const StructureChange& c : step->structure) {
            if (seen.insert(c.node).second && c.kind == StructureChange::Insert)
                newcomers.insert(c.node);
        }
    }
    std::vector<ValueChange> kept;
    for (ValueChange& v : step->values) {
        if (!v.node || newcomers.count(v.node)) continue;
        v.after = NodeText::Of(*v.node);
        if (v.after.name == v.before.name && v.after.values == v.before.values &&
            v.after.comment == v.before.comment)
            continue;
        h.changed.push_back(v.node);
        kept.push_back(std::move(v));
    }
    step->values = std::move(kept);
    step->created.clear();
    step->structureNodes.clear();
    step->parentUses.clear();
    step->valueIndex.clear();
    for (size_t i = 0; i < step->values.size(); ++i)
        step->valueIndex.emplace(step->values[i].node, i);

    // A node taken out of the tree by DetachChild must be back in the tree or
    // kept by the step by now; otherwise someone else owns it and undo could
    // not put it back.
    for (const StructureChange& c : step->structure) {
        if (c.kind != StructureChange::Remove || step->owned.count(c.node)) continue;
        bool reinserted = false;
        for (const StructureChange& later : step->structure)
            if (later.kind == StructureChange::Insert && later.node == c.node) reinserted = true;
        if (!reinserted) step->broken = true;
    }

    const bool recordsChanged = step->records.Any();
    for (CDefNode* node : h.changed)
        Notify({ChangeKind::Changed, nullptr, 0, node});
    h.changed.clear();
    if (recordsChanged) Notify({ChangeKind::RecordsChanged});

    if (step->Empty()) {
        Notify({ChangeKind::HistoryChanged});
        return;
    }
    // Whatever was undone is gone for good once something new is done.
    h.redo.clear();
    if (step->broken) {
        // Something the edit touched is owned elsewhere now: the history can
        // no longer be replayed safely, and the edit itself cannot be undone.
        assert(!"an edit detached a node of the document and kept it");
        h.undo.clear();
        m_savedSerial = ~uint64_t(0);
        UpdateTitleMark();
        Notify({ChangeKind::HistoryChanged});
        return;
    }
    Step* top = h.undo.empty() ? nullptr : h.undo.back().get();
    const bool merge = top && !step->mergeKey.empty() && top->mergeKey == step->mergeKey &&
                       top->serial != m_savedSerial;
    if (merge) {
        // The run of edits becomes one step: the earliest "before", the latest "after".
        for (StructureChange& c : step->structure) {
            top->structure.push_back(c);
            top->structureNodes.insert(c.node);
        }
        for (auto& [node, owned] : step->owned)
            top->owned[node] = std::move(owned);
        for (ValueChange& v : step->values) {
            auto it = top->valueIndex.find(v.node);
            if (it != top->valueIndex.end()) {
                top->values[it->second].after = std::move(v.after);
            } else {
                top->valueIndex.emplace(v.node, top->values.size());
                top->values.push_back(std::move(v));
            }
        }
        for (const TableChange& t : step->tables)
            top->tables.push_back(t);
        history::MergeRecordChanges(top->records, step->records);
        top->scalarsAfter = step->scalarsAfter;
    } else {
        step->serial = h.nextSerial++;
        h.undo.push_back(std::move(step));
    }
    UpdateTitleMark();
    Notify({ChangeKind::HistoryChanged});
}

void CVarnholtMapEditorDoc::RecordRootInsert(size_t index, CDefNode* node) {
    if (m_editDepth > 0 && m_history && m_history->current)
        m_history->Record(StructureChange::Insert, nullptr, index, node);
}

// --- undo and redo ----------------------------------------------------------------------------

bool CVarnholtMapEditorDoc::CanUndo() const {
    return m_history && !m_history->undo.empty() && m_editDepth == 0;
}

bool CVarnholtMapEditorDoc::CanRedo() const {
    return m_history && !m_history->redo.empty() && m_editDepth == 0;
}

std::string CVarnholtMapEditorDoc::UndoName() const {
    return CanUndo() ? m_history->undo.back()->name : std::string();
}

std::string CVarnholtMapEditorDoc::RedoName() const {
    return CanRedo() ? m_history->redo.back()->name : std::string();
}

size_t CVarnholtMapEditorDoc::UndoSteps() const {
    return m_history ? m_history->undo.size() : 0;
}

size_t CVarnholtMapEditorDoc::RedoSteps() const {
    return m_history ? m_history->redo.size() : 0;
}

size_t CVarnholtMapEditorDoc::HistoryBytes() const {
    if (!m_history) return 0;
    size_t bytes = 0;
    for (const auto& s : m_history->undo)
        bytes += s->Bytes();
    for (const auto& s : m_history->redo)
        bytes += s->Bytes();
    return bytes;
}

bool CVarnholtMapEditorDoc::Undo() {
    if (!CanUndo()) return false;
    std::unique_ptr<Step> step = std::move(m_history->undo.back());
    m_history->undo.pop_back();
    Replay(*step, true);
    m_history->redo.push_back(std::move(step));
    UpdateTitleMark();
    Notify({ChangeKind::HistoryChanged});
    return true;
}

bool CVarnholtMapEditorDoc::Redo() {
    if (!CanRedo()) return false;
    std::unique_ptr<Step> step = std::move(m_history->redo.back());
    m_history->redo.pop_back();
    Replay(*step, false);
    m_history->undo.push_back(std::move(step));
    UpdateTitleMark();
    Notify({ChangeKind::HistoryChanged});
    return true;
}

void CVarnholtMapEditorDoc::Replay(Step& step, bool undo) {
    HistoryLog& h = *m_history;
    h.replaying = true;
    {
        format::ScopedNodeEditLog watch(&h);
        auto takeOut = [&](const StructureChange& c) {
            std::unique_ptr<CDefNode> node;
            if (c.parent) {
                assert(c.parent->Child(c.index) == c.node);
                node = c.parent->DetachChild(c.index);
            } else {
                assert(c.index < m_roots.size() && m_roots[c.index].get() == c.node);
                Notify({ChangeKind::AboutToRemove, nullptr, c.index, c.node});
                node = std::move(m_roots[c.index]);
                m_roots.erase(m_roots.begin() + static_cast<long>(c.index));
                Notify({ChangeKind::Removed, nullptr, c.index, c.node});
            }
            step.owned[c.node] = std::move(node);
        };
        auto putBack = [&](const StructureChange& c) {
            auto it = step.owned.find(c.node);
            assert(it != step.owned.end());
            std::unique_ptr<CDefNode> node = std::move(it->second);
            step.owned.erase(it);
            if (c.parent) {
                c.parent->InsertChild(c.index, std::move(node));
            } else {
                Notify({ChangeKind::AboutToInsert, nullptr, c.index, nullptr});
                m_roots.insert(m_roots.begin() + static_cast<long>(c.index), std::move(node));
                Notify({ChangeKind::Inserted, nullptr, c.index, c.node});
            }
        };
        if (undo) {
            for (auto it = step.structure.rbegin(); it != step.structure.rend(); ++it)
                it->kind == StructureChange::Insert ? takeOut(*it) : putBack(*it);
        } else {
            for (const StructureChange& c : step.structure)
                c.kind == StructureChange::Insert ? putBack(c) : takeOut(c);
        }
        for (const ValueChange& v : step.values) {
            (undo ? v.before : v.after).ApplyTo(*v.node);
            h.changed.push_back(v.node);
        }
    }
    h.replaying = false;
    if (undo) {
        for (auto it = step.tables.rbegin(); it != step.tables.rend(); ++it)
            SetTableEntry(it->table, it->index, it->before);
    } else {
        for (const TableChange& t : step.tables)
            SetTableEntry(t.table, t.index, t.after);
    }
    ReplayRecords(step.records, undo);
    RestoreScalars(undo ? step.scalarsBefore : step.scalarsAfter);
    for (CDefNode* node : h.changed)
        Notify({ChangeKind::Changed, nullptr, 0, node});
    h.changed.clear();
    if (step.records.Any()) Notify({ChangeKind::RecordsChanged});
}

void CVarnholtMapEditorDoc::ClearHistory() {
    const bool modified = IsModified();
    if (m_history) {
        m_history->undo.clear();
        m_history->redo.clear();
    }
    m_savedSerial = 0;
    m_modified = modified;
    UpdateTitleMark();
    Notify({ChangeKind::HistoryChanged});
}

// --- the modified state -----------------------------------------------------------------------

uint64_t CVarnholtMapEditorDoc::CurrentSerial() const {
    return m_history && !m_history->undo.empty() ? m_history->undo.back()->serial : 0;
}

bool CVarnholtMapEditorDoc::IsModified() const {
    return m_modified || CurrentSerial() != m_savedSerial;
}

void CVarnholtMapEditorDoc::SetModifiedFlag(bool modified) {
    if (modified) {
        // Inside an edit the step itself marks the document.
        if (m_editDepth == 0) m_modified = true;
    } else {
        m_modified = false;
        m_savedSerial = CurrentSerial();
    }
    UpdateTitleMark();
}

void CVarnholtMapEditorDoc::UpdateTitleMark() {
    constexpr std::string_view mark = " *";
    const bool marked = m_title.size() >= mark.size() &&
                        m_title.compare(m_title.size() - mark.size(), mark.size(), mark) == 0;
    const bool modified = IsModified();
    if (modified && !marked) m_title += mark;
    if (!modified && marked) m_title.resize(m_title.size() - mark.size());
}

// --- tables, records and scalars ---------------------------------------------------------------

uint32_t CVarnholtMapEditorDoc::TableEntry(Table table, uint32_t index) const {
    switch (table) {
    case Table::Ids:
        return index < format::kRegistrySize ? m_idRegistry[index] : 0;
    case Table::Mids:
        return index < format::kRegistrySize ? m_midRegistry[index] : 0;
    case Table::EventIds:
        return index < 256 ? m_eventIds[index] : 0xFF;
    case Table::CameraPathIds:
        return index < 256 ? m_cameraPathIds[index] : 0xFF;
    }
    return 0;
}

void CVarnholtMapEditorDoc::SetTableEntry(Table table, uint32_t index, uint32_t value) {
    const uint32_t before = TableEntry(table, index);
    switch (table) {
    case Table::Ids:
        if (index >= format::kRegistrySize) return;
        m_idRegistry[index] = value;
        break;
    case Table::Mids:
        if (index >= format::kRegistrySize) return;
        m_midRegistry[index] = value;
        break;
    case Table::EventIds:
        if (index >= 256) return;
        m_eventIds[index] = static_cast<uint8_t>(value);
        break;
    case Table::CameraPathIds:
        if (index >= 256) return;
        m_cameraPathIds[index] = static_cast<uint8_t>(value);
        break;
    }
    if (m_editDepth > 0 && m_history && m_history->current && before != value)
        m_history->current->tables.push_back({table, index, before, value});
}

RecordState CVarnholtMapEditorDoc::CaptureRecords() const {
    RecordState state;
    state.zones.reserve(m_zones.size());
    for (const auto& z : m_zones)
        state.zones.emplace_back(z.get(), *z);
    for (const auto& e : m_events)
        state.events.emplace_back(e.get(), *e);
    for (const auto& t : m_triggers)
        state.triggers.emplace_back(t.get(), *t);
    for (const auto& p : m_cameraPaths)
        state.cameraPaths.emplace_back(p.get(), history::ValueOf(*p));
    return state;
}

void CVarnholtMapEditorDoc::DiffRecords(const RecordState& start, RecordChanges& changes) {
    history::DiffList(start.zones, m_zones, m_retiredZones, changes.zones);
    history::DiffList(start.events, m_events, m_retiredEvents, changes.events);
    history::DiffList(start.triggers, m_triggers, m_retiredTriggers, changes.triggers);
    history::DiffList(start.cameraPaths, m_cameraPaths, m_retiredCameraPaths, changes.cameraPaths);
}

void CVarnholtMapEditorDoc::ReplayRecords(RecordChanges& changes, bool undo) {
    if (changes.zones) history::ReplayList(m_zones, *changes.zones, undo);
    if (changes.events) history::ReplayList(m_events, *changes.events, undo);
    if (changes.triggers) history::ReplayList(m_triggers, *changes.triggers, undo);
    if (changes.cameraPaths) history::ReplayList(m_cameraPaths, *changes.cameraPaths, undo);
}

Scalars CVarnholtMapEditorDoc::CaptureScalars() const {
    return {m_world, m_playerSide};
}

void CVarnholtMapEditorDoc::RestoreScalars(const Scalars& scalars) {
    m_world = scalars.world;
    m_playerSide = scalars.playerSide;
}

// --- notices ----------------------------------------------------------------------------------

void CVarnholtMapEditorDoc::AddObserver(DocumentObserver* observer) {
    if (observer &&
        std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void CVarnholtMapEditorDoc::RemoveObserver(DocumentObserver* observer) {
    std::erase(m_observers, observer);
}

void CVarnholtMapEditorDoc::Notify(const DocumentChange& change) {
    // An observer may stop observing while it is told.
    const std::vector<DocumentObserver*> observers = m_observers;
    for (DocumentObserver* o : observers)
        if (std::find(m_observers.begin(), m_observers.end(), o) != m_observers.end())
            o->OnDocumentChange(change);
}

} // namespace document
