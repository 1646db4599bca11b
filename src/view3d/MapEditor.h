#pragma once

#include "document/CameraPathRecording.h"
#include "document/HelperForms.h"

#include <glm/vec3.hpp>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class CDefNode;

namespace document {
class CVarnholtMapEditorDoc;
struct ZoneRecord;
} // namespace document

namespace view3d {

class MapScene;
class RenderDevice;
class SceneEntity;
class ZoneObject;

// What the 3D view edits: units and buildings, zones, events, triggers or
// camera paths. The mode decides what a click selects.
enum class EditMode : int { Units = 0, Zones = 1, Events = 2, Triggers = 3, CameraPaths = 4 };

// The mode a category chosen elsewhere (the property bar's type box) puts
// the view in: zones 20, events 21, triggers 22, camera paths 23, anything
// else units.
EditMode EditModeOfCategory(intptr_t category);
// The category the view announces for a mode (0, 20, 21, 22, 23).
intptr_t CategoryOfEditMode(EditMode mode);

// The cursor the view shows; the widget draws one per mode (linked and
// waypoint-to-unit show as the waypoint tool).
enum class CursorMode : int {
    Normal = 0,
    Zone = 1,
    Board = 2,
    Waypoint = 3,
    Turning = 4,
    WaypointLinked = 5,
    WaypointToUnit = 6,
    CameraKey = 7,
    Couple = 8,
};

// Keys the editing tools react to. The letters count while they are held.
enum class EditKey : int { Up, Down, W, E, L, Z, C, Other };

// The mouse as the tools see it: the cursor in back-buffer pixels and the
// buttons held.
struct PointerState {
    float x = 0.0f, y = 0.0f;
    bool left = false, middle = false, right = false;
};

// What the tools ask of the window around the view: the dialogs of the
// property editors and the system beep. Defaults answer as if cancelled.
class EditDialogs {
  public:
    virtual ~EditDialogs() = default;
    virtual void Beep() {}
    // Set Properties on an element (entity or waypoint): true when changed.
    virtual bool EditElement(document::CVarnholtMapEditorDoc&, CDefNode&) { return false; }
    // The zone dialog on a zone of the document: true when changed.
    virtual bool EditZone(document::CVarnholtMapEditorDoc&, document::ZoneRecord&) { return false; }
    // The zone dialog on a zone just drawn, not yet in the document: the
    // form to store it with, or none when cancelled.
    virtual std::optional<document::ZoneForm> NewZone(const document::ZoneRecord&) {
        return std::nullopt;
    }
    // Add Crew Member for passenger in vehicle: true when boarded.
    virtual bool BoardVehicle(document::CVarnholtMapEditorDoc&, CDefNode&, const CDefNode&) {
        return false;
    }
    virtual void SetWaitCursor(bool) {}
    // A new waypoint was laid while waypoints were hidden: show them.
    virtual void ShowWaypoints() {}
};

// The editing tools of one 3D view: selecting by clicking, dragging over
// the ground, placing new entities, laying and linking waypoints, boarding,
// coupling, drawing circle zones and recording camera paths. Input arrives
// as button, key and pointer events; every change to the mission is made
// through the document as one undoable step, and the scene follows the
// document's change notices, so undo and redo show in the view as well.
class MapEditor {
  public:
    MapEditor(MapScene& scene, document::CVarnholtMapEditorDoc& doc);
    ~MapEditor();
    MapEditor(const MapEditor&) = delete;
    MapEditor& operator=(const MapEditor&) = delete;

    void SetDialogs(EditDialogs* dialogs) { m_dialogs = dialogs; }

    // --- modes --------------------------------------------------------------------
    // The edit commands: deselects, drops what is hovered or being placed,
    // and, when announce, tells the main frame the new mode.
    void SetEditMode(EditMode mode, bool announce = true);
    EditMode Mode() const { return m_mode; }
    CursorMode Cursor() const { return m_cursor; }

    // --- input (each returns whether the view needs a repaint) --------------------
    bool MouseMove(const PointerState& pointer);
    bool LeftDown(const PointerState& pointer);
    bool LeftUp(const PointerState& pointer);
    bool RightDown();
    bool MiddleDown();
    // Right or middle button released.
    bool OtherUp();
    bool KeyDown(EditKey key, const PointerState& pointer);
    bool KeyUp(EditKey key, const PointerState& pointer);

    // --- commands ------------------------------------------------------------------
    bool CanDelete() const;
    // Deletes the selected element, waypoint or zone; a base-map element
    // beeps. True when something was deleted.
    bool Delete();
    bool CanSetProperties() const;
    bool SetProperties();
    // Deselects, drops the entity being placed and the zone being drawn.
    void Cancel();
    bool RecordCameraPath();
    bool EndCameraPath();
    bool RecordingCameraPath() const { return m_recorder.Recording(); }

    // --- what the main frame and the bars ask for ------------------------------------
    // Starts placing a new entity of the type; false for an unknown type.
    bool PlaceEntity(std::string_view type);
    // Starts placing a copy of a prepared Entity node (an equipped human).
    bool PlacePrepared(const CDefNode& node);
    // Selects the element of node (units) or the zone with that node
    // (zones); false when the view shows no such thing.
    bool SelectNode(const CDefNode* node);
    void SetPlayerSide(int side) { m_playerSide = side; }
    // The Turn new entities get; with an element selected, turns it too.
    void SetTurn(double degrees);
    void SetApplyTurn(bool apply) { m_applyTurn = apply; }
    // An element or waypoint is about to be deleted elsewhere.
    void ElementDeleted(const CDefNode* node);

    // The nearest element under the cursor that a click would select: not
    // the map, not what the base map locks or the toggles hide.
    SceneEntity* PickAt(const PointerState& pointer) const;

    // --- state ---------------------------------------------------------------------
    SceneEntity* Selected() const { return m_selected; }
    SceneEntity* Hover() const { return m_hover; }
    SceneEntity* Placing() const { return m_placing.get(); }
    document::ZoneRecord* SelectedZone() const { return m_selectedZone; }
    const document::ZoneRecord* DraftZone() const { return m_draftZone.get(); }
    bool Dragging() const { return m_dragging; }
    double TurnValue() const { return m_turn; }
    const document::CameraPathRecorder& Recorder() const { return m_recorder; }

    const ZoneObject* DraftObject() const { return m_draftObject.get(); }

    // The scene lets go of an entity (removed from the document); announce
    // tells the bars when it was the selected one.
    void ForgetEntity(const SceneEntity* entity, bool announce = true);
    // The same node's entity made anew (waypoints read again): selected
    // again without telling anyone.
    void Reselect(SceneEntity* entity);
    // Every entity is made anew (text mode): nothing stays selected.
    void ForgetAll();
    // The scene's zone objects were rebuilt: forget records that went.
    void ZonesChanged();
    // The entity being placed and the zone being drawn have device objects too.
    void ReleaseDeviceObjects();
    void RestoreDeviceObjects(RenderDevice& device);

  private:
    // --- picking and selecting
    SceneEntity* PickEntity(const glm::vec3& origin, const glm::vec3& direction) const;
    void Select(SceneEntity* entity);
    void Deselect();
    bool IsLocked(const SceneEntity* entity) const;
    void HoverCheck(const PointerState& pointer);
    bool ClickInCursorMode(const PointerState& pointer);
    // --- dragging and moving
    void DragTo(const glm::vec3& ground);
    void StoreDraggedPosition();
    void MoveSelectedBy(float dz);
    // --- placing
    bool BeginPlacing(std::unique_ptr<CDefNode> node, int category, bool vehicle, bool trainPart);
    bool PlaceHere();
    void DropPlacing();
    // --- waypoints
    bool WaypointClick(const PointerState& pointer);
    CDefNode* NewWaypoint(const glm::vec3& at, CDefNode* linkFrom);
    bool DeleteWaypoint(CDefNode* node);
    // --- zones
    bool ZoneClick(const PointerState& pointer);
    void ZoneDrag(const glm::vec3& ground);
    void ZoneRelease();
    ZoneObject* ZoneObjectOf(const document::ZoneRecord* zone) const;
    void SelectZone(document::ZoneRecord* zone);
    bool CircleInsideWorld(float x, float y, float radius) const;
    // --- camera paths
    void CameraKeyPressed();

    bool Held(EditKey key) const { return (m_keys & (1u << static_cast<int>(key))) != 0; }
    void Announce(int message, intptr_t first, intptr_t second) const;
    void Beep() const;

    MapScene& m_scene;
    document::CVarnholtMapEditorDoc& m_doc;
    EditDialogs* m_dialogs = nullptr;
    EditMode m_mode = EditMode::Units;
    CursorMode m_cursor = CursorMode::Normal;
    unsigned m_keys = 0;

    SceneEntity* m_selected = nullptr;
    SceneEntity* m_hover = nullptr;
    // The entity following the mouse until it is placed, with its node.
    std::unique_ptr<CDefNode> m_placingNode;
    std::unique_ptr<SceneEntity> m_placing;
    int m_placingCategory = -1;
    bool m_placingVehicle = false, m_placingTrainPart = false;

    float m_pressX = 0.0f, m_pressY = 0.0f;
    bool m_leftHeld = false;
    bool m_dragging = false;
    glm::vec3 m_grabOffset{0.0f};
    glm::vec3 m_dragStart{0.0f};
    glm::vec3 m_rayOrigin{0.0f}, m_rayDirection{0.0f, 0.0f, 1.0f};

    document::ZoneRecord* m_selectedZone = nullptr;
    // A zone drawn with 'Z' lives here until its dialog is confirmed.
    std::unique_ptr<document::ZoneRecord> m_draftZone;
    std::unique_ptr<ZoneObject> m_draftObject;
    // Where a dragged document zone stood before the drag.
    float m_zoneStartX = 0.0f, m_zoneStartY = 0.0f, m_zoneStartRadius = 0.0f;
    bool m_zoneChanged = false;

    document::CameraPathRecorder m_recorder;
    double m_turn = 0.0;
    bool m_applyTurn = true;
    int m_playerSide = 0;
};

} // namespace view3d
