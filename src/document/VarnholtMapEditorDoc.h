#pragma once

#include "document/DocumentChanges.h"
#include "document/DocumentHost.h"
#include "document/DocumentTypes.h"
#include "format/DefNode.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class Prompts;
class Progress;
} // namespace platform

namespace resources {
class CResourceCatalogue;
}

namespace document::history {
struct Step;
struct RecordState;
struct RecordChanges;
struct Scalars;
enum class Table : uint8_t;
} // namespace document::history

namespace format {
struct ParseProblem;
}

namespace document {

// A newly placed entity on its way into a document: its node (not yet in any
// tree), its category and what its definition says about it.
struct NewEntity {
    std::unique_ptr<CDefNode> node;
    int category = -1;
    bool vehicle = false;   // the definition's props list "vehicle"
    bool trainPart = false; // ... or "train_part"
};

// What a document works with. Any pointer may be null: then nothing is shown,
// questions are answered No and dialogs count as cancelled.
struct DocumentServices {
    platform::Prompts* prompts = nullptr;
    platform::Progress* progress = nullptr;
    const resources::CResourceCatalogue* catalogue = nullptr;
    DocumentDialogs* dialogs = nullptr;
    DocumentHost* host = nullptr;
};

// Progress texts of the four scans and the question texts of the document.
inline constexpr const char* kOpenBaseMapTitle = "Open the map to be the base of the mission";
inline constexpr const char* kOverwriteMapQuestion = "Overwrite existing map file too?";
inline constexpr const char* kNoWorldBoundMessage = "Could not determine 'WorldBound'";
inline constexpr const char* kTriggerLinkedQuestion =
    "The trigger %s is linked with this waypoint. Keeping the trigger unchanged may lead to a game "
    "crash.\n"
    "Delete this trigger too?";

// The number of a camera path named "c<number>" (quotes allowed), or -1.
int CameraPathIdOf(std::string_view name);

// A map or a mission: the definition nodes of its file (and, for a mission,
// of its base map), the records that mirror its zones, events, triggers and
// camera paths, and the tables that keep entity IDs, MIDs, event ids and
// camera path ids unique. The nodes are the single source of truth; every
// edit ends as a change of nodes made through the operations here, which
// keep records and tables consistent with them.
class CVarnholtMapEditorDoc {
  public:
    explicit CVarnholtMapEditorDoc(DocumentServices services = {});
    ~CVarnholtMapEditorDoc();
    CVarnholtMapEditorDoc(const CVarnholtMapEditorDoc&) = delete;
    CVarnholtMapEditorDoc& operator=(const CVarnholtMapEditorDoc&) = delete;

    void SetServices(const DocumentServices& services) { m_services = services; }
    const DocumentServices& Services() const { return m_services; }

    // --- content --------------------------------------------------------------
    DocumentKind Kind() const { return m_kind; }
    void SetKind(DocumentKind kind) { m_kind = kind; }
    // The nodes, for reading: every change goes through the operations here,
    // so that it can be undone and views are told.
    const DefNodeList& Roots() const { return m_roots; }
    // Root 0 of a map, root 1 of a mission; nullptr when the list lacks it.
    CDefNode* WorkingRoot() const;
    // The map root: root 0 of either kind; nullptr when there is none.
    CDefNode* MapRoot() const { return m_roots.empty() ? nullptr : m_roots[0].get(); }
    // The Helpers node of the working root, or nullptr.
    CDefNode* Helpers() const;

    const std::vector<std::unique_ptr<ZoneRecord>>& Zones() const { return m_zones; }
    const std::vector<std::unique_ptr<EventRecord>>& Events() const { return m_events; }
    const std::vector<std::unique_ptr<TriggerRecord>>& Triggers() const { return m_triggers; }
    const std::vector<std::unique_ptr<CameraPathRecord>>& CameraPaths() const {
        return m_cameraPaths;
    }
    // Takes a trigger or camera path built by an editor into the document's records.
    TriggerRecord* AdoptTrigger(std::unique_ptr<TriggerRecord> record);
    CameraPathRecord* AdoptCameraPath(std::unique_ptr<CameraPathRecord> record);

    // --- identifiers ------------------------------------------------------------
    const uint32_t* IdRegistry() const { return m_idRegistry.get(); }
    const uint32_t* MidRegistry() const { return m_midRegistry.get(); }
    const uint8_t* EventIds() const { return m_eventIds.data(); }
    const uint8_t* CameraPathIds() const { return m_cameraPathIds.data(); }
    bool IdInUse(unsigned long id) const;
    bool MidInUse(unsigned long mid) const;
    // The smallest free entity ID from 1 (maps) or 0x8000 (missions), marked at
    // once; 0 when every entry is taken.
    uint32_t AllocateId();
    // The smallest free MID from 1, marked at once; 0 when none is free.
    uint32_t AllocateMid();
    // The smallest free event id, or -1; not marked.
    int NextEventId() const;
    // The smallest free camera path id, or -1; not marked.
    int NextCameraPathId() const;
    void MarkCameraPathId(int id);

    // --- editing ----------------------------------------------------------------
    // Creates a node named name in the working root at the place the section
    // order gives for kind (name when kind is empty). nullptr without a working root.
    CDefNode* InsertSection(std::string_view name, std::string_view kind = {});
    // Gives a placed entity its ID (and a MID for units) and inserts its node
    // after the first sibling of the same name. Returns the node in the tree,
    // or nullptr (entity untouched) when there is no root.
    CDefNode* AddEntity(NewEntity& entity);
    // Deletes an element of the working root and everything that refers to
    // it: its brain and links, the waypoint triggers of its MID, the record
    // that mirrors it. False when the node is not part of the working root.
    bool DeleteElement(CDefNode* node);
    // Deletes any node of the document's tree below a root (the element
    // tree's Delete): entities go through DeleteElement; any other node is
    // removed with its subtree, and the records and identifiers held inside
    // that subtree are dropped with it. False for roots, locked nodes and
    // nodes that are not in the tree.
    bool DeleteNode(CDefNode* node);
    // Deletes a waypoint, asking about each trigger that points to it.
    bool DeleteWaypoint(CDefNode* node);
    void RemoveZone(ZoneRecord* zone);
    // Appends an event named name; its id, or -1 when all ids (0 to 254) are taken.
    int AddEvent(std::string_view name);
    // Builds the trigger that sends the unit mid to waypoint uid and lets the
    // user edit it; the stored trigger node, or nullptr when cancelled.
    CDefNode* AddWaypointTrigger(unsigned long mid, unsigned long uid);
    // Takes a zone made in the 3D view into the zones (it has no node yet).
    ZoneRecord* AddZoneRecord(std::unique_ptr<ZoneRecord> zone);
    // Writes a zone record as a new zone node of the mission; the node, or
    // nullptr without a working root.
    CDefNode* StoreZone(ZoneRecord* zone);
    // Inserts a subtree made elsewhere (the element tree's insert and paste)
    // below parent (nullptr: the root list) at index (clamped), as one step
    // named name. The nodes keep their IDs and MIDs, which are registered;
    // one already in use is reported as loading reports a duplicate. The
    // node in the tree, or nullptr when parent is locked or not in the document.
    CDefNode* InsertSubtree(CDefNode* parent, size_t index, std::unique_ptr<CDefNode> node,
                            std::string_view name);
    // Couples back behind front as one step (see CoupleTrainPart).
    bool CoupleTrainParts(const CDefNode& front, CDefNode& back);
    // Drops the records whose node lies in node's subtree and frees the
    // identifiers held there. Used before a subtree is destroyed by any path.
    void ForgetSubtree(const CDefNode* node);
    // The parent of node in the document's tree, or nullptr (roots, strangers).
    CDefNode* FindParent(const CDefNode* node) const;

    // --- bounds -------------------------------------------------------------------
    const BoundsRect& WorldRect() const { return m_world; }
    GroundExtent& Extent() { return m_extent; }
    bool ReadBounds();
    // Takes "WorldBound" from the map root, without asking; false (and the
    // bound unchanged) when the root has none.
    bool ReadWorldBound();
    // The bound a view assumes while the map has none.
    void SetWorldRect(const BoundsRect& world) { m_world = world; }
    void WriteBounds(const BoundsRect* world, const BoundsRect* camera, const BoundsRect* pather,
                     bool overwrite);
    bool EditBounds(const BoundsRect& world, const BoundsRect& camera, const BoundsRect& pather);
    bool FitNewMap();

    // --- settings of the document --------------------------------------------------
    int PlayerSide() const { return m_playerSide; }
    // Changes the player side as an undoable step.
    void SetPlayerSide(int side);
    // The Game Options command: the player side dialog; true on OK.
    bool OnGameOptions();
    const std::string& BaseMapPath() const { return m_baseMapPath; }
    bool TextMode() const { return m_textMode; }
    void SetTextMode(bool on) { m_textMode = on; }
    // The document's text for the text window; empty until the window fills it.
    std::string& DirectEditText() { return m_directEditText; }

    // --- framework state --------------------------------------------------------------
    const std::string& PathName() const { return m_pathName; }
    void SetPathName(std::string path) { m_pathName = std::move(path); }
    const std::string& Title() const { return m_title; }
    void SetTitle(std::string title);
    // Modified while the history stands elsewhere than at the saved point,
    // or while a change outside the history (the text view) is unsaved.
    bool IsModified() const;
    // true: marks a change made outside the edit history (inside an edit it
    // changes nothing; the step marks the document). false: the document as
    // it stands is saved. The title carries " *" while modified.
    void SetModifiedFlag(bool modified = true);

    // --- edits, undo and redo ------------------------------------------------------------
    // One undoable step. Every change made to the document while an Edit
    // lives, through whatever operation, is recorded under its name, and
    // undo puts back the same node objects, values, identifier tables and
    // records. Edits nest: an inner one joins the outermost. Edits with the
    // same non-empty merge key in a row (a drag, typing in one field) become
    // one step. An edit that changes nothing leaves no step.
    class Edit {
      public:
        Edit(CVarnholtMapEditorDoc& doc, std::string name, std::string mergeKey = {});
        ~Edit();
        Edit(const Edit&) = delete;
        Edit& operator=(const Edit&) = delete;

      private:
        CVarnholtMapEditorDoc& m_doc;
    };
    bool InEdit() const { return m_editDepth > 0; }
    bool CanUndo() const;
    bool CanRedo() const;
    // The names of the steps undo and redo would take back; empty when none.
    std::string UndoName() const;
    std::string RedoName() const;
    bool Undo();
    bool Redo();
    // Forgets every step (a load, a reload); the document counts as saved
    // where it stands when it is not marked modified.
    void ClearHistory();
    size_t UndoSteps() const;
    size_t RedoSteps() const;
    // Memory the history holds, in bytes (an estimate of its own data).
    size_t HistoryBytes() const;
    // Views that follow the document's changes.
    void AddObserver(DocumentObserver* observer);
    void RemoveObserver(DocumentObserver* observer);

    // --- load and save -----------------------------------------------------------------
    bool OnNewDocument();
    bool OnOpenDocument(const std::string& path);
    // Reads definition text into the root list (after the clearing step).
    bool LoadFromText(std::string_view text);
    // Takes edited text of the document's own blocks (what the text window
    // shows) as its new content: the blocks that are not locked are replaced,
    // IDs and MIDs registered anew (duplicates reported as at loading) and
    // the records rescanned. False, with the problems filled and the document
    // untouched, when the text does not read back cleanly or holds no block.
    bool ReloadFromText(std::string_view text, std::vector<format::ParseProblem>& problems);
    // Writes the document as a save does: the text view's text in text mode,
    // otherwise every root node that is not locked.
    void Serialize(format::DefSink& sink);
    bool OnSaveDocument(const std::string& path);
    bool DoSave(const std::string& path, bool replace = true);
    void OnCloseDocument();
    // Empties the document as the framework does before it fills it anew.
    void DeleteContents();

    void ScanEvents();
    void ScanTriggers();
    void ScanZones();
    void ScanCameraPaths();
    // The four scans in the order the 3D view runs them.
    void ScanAll();

  private:
    DocumentServices m_services;
    DefNodeList m_roots;
    std::unique_ptr<uint32_t[]> m_idRegistry;
    std::unique_ptr<uint32_t[]> m_midRegistry;
    std::array<uint8_t, 256> m_eventIds;
    std::array<uint8_t, 256> m_cameraPathIds;
    DocumentKind m_kind = Mission;
    std::vector<std::unique_ptr<ZoneRecord>> m_zones;
    std::vector<std::unique_ptr<EventRecord>> m_events;
    std::vector<std::unique_ptr<TriggerRecord>> m_triggers;
    std::vector<std::unique_ptr<CameraPathRecord>> m_cameraPaths;
    BoundsRect m_world;
    GroundExtent m_extent;
    std::string m_directEditText;
    bool m_textMode = false;
    int m_playerSide = 0;
    std::string m_baseMapPath;
    bool m_appending = false;
    bool m_loadingBaseMap = false;
    std::string m_pathName;
    std::string m_title;
    bool m_modified = false;

    // The edit history (see Edit).
    class HistoryLog;
    friend class HistoryLog;
    std::unique_ptr<HistoryLog> m_history;
    int m_editDepth = 0;
    uint64_t m_savedSerial = 0; // the step the file on disk matches; ~0 when none does
    std::vector<DocumentObserver*> m_observers;
    void BeginEdit(std::string name, std::string mergeKey);
    void EndEdit();
    // The single way the identifier tables change, so that edits can undo it.
    void SetTableEntry(history::Table table, uint32_t index, uint32_t value);
    uint32_t TableEntry(history::Table table, uint32_t index) const;
    history::RecordState CaptureRecords() const;
    // Compares the records with how they stood at the start of the edit and
    // keeps in the step only what changed.
    void DiffRecords(const history::RecordState& start, history::RecordChanges& changes);
    void ReplayRecords(history::RecordChanges& changes, bool undo);
    // Records taken out of their lists during an edit are kept alive (the
    // step takes them), so that undo brings back the same objects.
    template <typename T, typename Pred>
    void RetireIf(std::vector<std::unique_ptr<T>>& list, Pred pred) {
        auto& retired = Retired(static_cast<T*>(nullptr));
        for (auto it = list.begin(); it != list.end();) {
            if (!pred(*it)) {
                ++it;
                continue;
            }
            if (m_editDepth > 0) retired.push_back(std::move(*it));
            it = list.erase(it);
        }
    }
    std::vector<std::unique_ptr<ZoneRecord>>& Retired(ZoneRecord*) { return m_retiredZones; }
    std::vector<std::unique_ptr<EventRecord>>& Retired(EventRecord*) { return m_retiredEvents; }
    std::vector<std::unique_ptr<TriggerRecord>>& Retired(TriggerRecord*) {
        return m_retiredTriggers;
    }
    std::vector<std::unique_ptr<CameraPathRecord>>& Retired(CameraPathRecord*) {
        return m_retiredCameraPaths;
    }
    std::vector<std::unique_ptr<ZoneRecord>> m_retiredZones;
    std::vector<std::unique_ptr<EventRecord>> m_retiredEvents;
    std::vector<std::unique_ptr<TriggerRecord>> m_retiredTriggers;
    std::vector<std::unique_ptr<CameraPathRecord>> m_retiredCameraPaths;
    history::Scalars CaptureScalars() const;
    void RestoreScalars(const history::Scalars& scalars);
    void Replay(history::Step& step, bool undo);
    // The root list is not a node: its changes are recorded by hand.
    void RecordRootInsert(size_t index, CDefNode* node);
    uint64_t CurrentSerial() const;
    void Notify(const DocumentChange& change);
    void UpdateTitleMark();

    // The framework's open step: clear, then parse the file into the roots.
    // A file read with problems is kept only when the user says so.
    enum class LoadOutcome { Loaded, Unreadable, Declined };
    LoadOutcome LoadFile(const std::string& path, bool reportFailure);
    bool PickPakMember(const std::string& archivePath, std::string& extracted);
    void CopyBaseMap(const std::string& missionPath);
    // Writes the document to path through a temporary file; false (target untouched) on failure.
    bool WriteDocument(const std::string& path);
    void Message(std::string_view text) const;
    // Detaches and destroys child index of parent after forgetting its subtree.
    void DestroyChild(CDefNode* parent, size_t index);
    void EraseRecordsOf(const CDefNode* node);
    void FreeEntityIds(const CDefNode* entity);
    void RemoveWaypointTriggersOfMid(CDefNode* helpers, const char* mid);
    void SetProgressText(const char* format, size_t count);
};

} // namespace document

// The editor names the document class at namespace scope.
using document::CVarnholtMapEditorDoc;
