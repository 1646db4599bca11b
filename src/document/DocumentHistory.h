#pragma once

#include "document/DocumentTypes.h"
#include "format/DefNode.h"
#include "format/DefNodeEditLog.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// The edit history of a document: what each undoable step changed, kept so
// that undo and redo put back exactly the same nodes, values, identifier
// tables and records. Only the document uses these types.
namespace document::history {

// A node's own text: name, values and leading comment.
struct NodeText {
    std::string name;
    std::vector<std::string> values;
    std::string comment;

    static NodeText Of(const CDefNode& node);
    void ApplyTo(CDefNode& node) const;
    size_t Bytes() const;
};

struct ValueChange {
    CDefNode* node = nullptr;
    NodeText before;
    NodeText after;
};

// A node inserted into or removed from its parent (nullptr: the root list).
struct StructureChange {
    enum Kind { Insert, Remove };
    Kind kind = Insert;
    CDefNode* parent = nullptr;
    size_t index = 0;
    CDefNode* node = nullptr;
};

// The identifier tables: entity IDs, MIDs, event ids, camera path ids.
enum class Table : uint8_t { Ids, Mids, EventIds, CameraPathIds };

struct TableChange {
    Table table;
    uint32_t index;
    uint32_t before;
    uint32_t after;
};

// The records of a document by value, each with the object it was taken from.
struct CameraPathValue {
    std::string name;
    std::vector<CameraKey> keys;
    CDefNode* node = nullptr;
    int32_t startEvent = -1;
    int32_t cancelEvent = -1;
};

// One record list as it stands at the start of an edit.
template <typename R, typename V> using RecordListState = std::vector<std::pair<R*, V>>;

// What an edit did to one record list: the order of its objects before and
// after, and the values of the records that changed (before and after) or
// left (before). Records that arrived keep their values in their objects,
// which the step holds while they are out of the list.
template <typename R, typename V> struct RecordListChange {
    std::vector<R*> before, after;
    std::vector<std::pair<R*, V>> beforeValues, afterValues;
    std::vector<std::unique_ptr<R>> retired; // the step's objects that are out of the list
    size_t Bytes() const {
        return (before.capacity() + after.capacity() + retired.capacity()) * sizeof(void*) +
               (beforeValues.capacity() + afterValues.capacity()) * sizeof(std::pair<R*, V>);
    }
};

struct RecordState {
    RecordListState<ZoneRecord, ZoneRecord> zones;
    RecordListState<EventRecord, EventRecord> events;
    RecordListState<TriggerRecord, TriggerRecord> triggers;
    RecordListState<CameraPathRecord, CameraPathValue> cameraPaths;
};

struct RecordChanges {
    std::optional<RecordListChange<ZoneRecord, ZoneRecord>> zones;
    std::optional<RecordListChange<EventRecord, EventRecord>> events;
    std::optional<RecordListChange<TriggerRecord, TriggerRecord>> triggers;
    std::optional<RecordListChange<CameraPathRecord, CameraPathValue>> cameraPaths;
    bool Any() const { return zones || events || triggers || cameraPaths; }
    size_t Bytes() const;
};

CameraPathValue ValueOf(const CameraPathRecord& record);
// Folds the record changes of next into top (a merged run of edits).
void MergeRecordChanges(RecordChanges& top, RecordChanges& next);

// Whether two record values are the same (the node pointers included).
bool SameRecord(const ZoneRecord& a, const ZoneRecord& b);
bool SameRecord(const EventRecord& a, const EventRecord& b);
bool SameRecord(const TriggerRecord& a, const TriggerRecord& b);
bool SameRecord(const CameraPathValue& a, const CameraPathValue& b);

// The few document fields that edits change besides nodes and tables.
struct Scalars {
    BoundsRect world;
    int playerSide = 0;
    bool operator==(const Scalars&) const = default;
};

// One undoable step.
struct Step {
    std::string name;
    std::string mergeKey;
    uint64_t serial = 0; // unique per document; the saved point names one
    std::vector<StructureChange> structure;
    std::vector<ValueChange> values;
    std::unordered_map<const CDefNode*, size_t> valueIndex; // node -> values entry
    std::vector<TableChange> tables;
    std::optional<RecordState> recordsAtStart; // while the edit is open
    RecordChanges records;
    Scalars scalarsBefore, scalarsAfter;
    // Nodes out of the tree that this step puts back on undo or redo.
    std::unordered_map<const CDefNode*, std::unique_ptr<CDefNode>> owned;
    // Nodes named by the structure changes (to notice their destruction),
    // and how many changes name each parent.
    std::unordered_set<const CDefNode*> structureNodes;
    std::unordered_map<const CDefNode*, size_t> parentUses;
    // Nodes made while the edit is open: they were not in the document before it.
    std::unordered_set<const CDefNode*> created;
    // A node the step refers to was destroyed: the step cannot be replayed.
    bool broken = false;

    bool Empty() const;
    size_t Bytes() const;
};

} // namespace document::history
