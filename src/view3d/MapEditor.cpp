// The 3D view's editing tools: modes, picking and selection, dragging,
// placing, the linking keys and the commands. Waypoints and zones have
// files of their own.

#include "view3d/MapEditor.h"

#include "document/EntityProps.h"
#include "document/VarnholtMapEditorDoc.h"
#include "format/DefNode.h"
#include "platform/Text.h"
#include "resources/ResourceCatalogue.h"
#include "view3d/MapScene.h"
#include "view3d/SceneEntity.h"
#include "view3d/ZoneObject.h"

#include <array>
#include <cmath>

namespace view3d {

using document::AppMessage;
using document::CVarnholtMapEditorDoc;

namespace {

// A press becomes a drag once the cursor has left this many pixels around it.
constexpr float kDragThreshold = 4.0f;
// Picking starts from this distance; a later hit must be strictly nearer.
constexpr float kPickStart = 999999.875f;
// Aircraft above this height keep it while dragged over the ground.
constexpr float kAirborneHeight = 10.0f;

bool IsVehicleKind(int kind) {
    return kind >= KindTanks && kind <= KindAirborne;
}

std::string TypeLabel(const CDefNode* node) {
    if (!node) return {};
    if (node->Name() != "Entity") return std::string(node->Name());
    return node->GetValue(0) ? platform::StripQuotes(node->GetValue(0)) : "";
}

} // namespace

EditMode EditModeOfCategory(intptr_t category) {
    switch (category) {
    case KindZones:
        return EditMode::Zones;
    case KindEvents:
        return EditMode::Events;
    case KindTriggers:
        return EditMode::Triggers;
    case KindCameraPath:
        return EditMode::CameraPaths;
    default:
        return EditMode::Units;
    }
}

intptr_t CategoryOfEditMode(EditMode mode) {
    switch (mode) {
    case EditMode::Zones:
        return KindZones;
    case EditMode::Events:
        return KindEvents;
    case EditMode::Triggers:
        return KindTriggers;
    case EditMode::CameraPaths:
        return KindCameraPath;
    default:
        return 0;
    }
}

MapEditor::MapEditor(MapScene& scene, CVarnholtMapEditorDoc& doc) : m_scene(scene), m_doc(doc) {}

// The scene drops the entity being placed before it goes (DeleteDeviceObjects).
MapEditor::~MapEditor() = default;

void MapEditor::Announce(int message, intptr_t first, intptr_t second) const {
    if (m_scene.m_services.relay)
        m_scene.m_services.relay->Relay(static_cast<AppMessage>(message), first, second);
}

void MapEditor::Beep() const {
    if (m_dialogs) m_dialogs->Beep();
}

// --- modes ---------------------------------------------------------------------------------

void MapEditor::SetEditMode(EditMode mode, bool announce) {
    Deselect();
    SelectZone(nullptr);
    m_hover = nullptr;
    DropPlacing();
    m_draftObject.reset();
    m_draftZone.reset();
    m_dragging = false;
    m_mode = mode;
    m_cursor = CursorMode::Normal;
    if (announce)
        Announce(static_cast<int>(AppMessage::EditModeChanged), CategoryOfEditMode(mode), 0);
}

// --- picking and selecting -----------------------------------------------------------------

bool MapEditor::IsLocked(const SceneEntity* entity) const {
    return entity && entity->Node() && entity->Node()->locked;
}

SceneEntity* MapEditor::PickEntity(const glm::vec3& origin, const glm::vec3& direction) const {
    SceneEntity* best = nullptr;
    float nearest = kPickStart;
    auto test = [&](SceneEntity* entity) {
        float distance = 0.0f;
        if (entity->Pick(origin, direction, distance) && distance < nearest) {
            nearest = distance;
            best = entity;
        }
    };
    const platform::ViewFlags& show = m_scene.m_options.show;
    for (const auto& entity : m_scene.m_entities) {
        const int kind = entity->Kind();
        if (kind == KindMap || kind == KindMapNoTemplate || IsLocked(entity.get())) continue;
        // What the "Show ..." toggles hide cannot be clicked either.
        if (!KindShown(kind, false, show)) continue;
        test(entity.get());
    }
    if (show.showWaypoints)
        for (const auto& waypoint : m_scene.m_waypoints)
            test(waypoint.get());
    return best;
}

SceneEntity* MapEditor::PickAt(const PointerState& pointer) const {
    glm::vec3 origin, direction;
    m_scene.m_camera.PickRay(pointer.x, pointer.y, origin, direction);
    return PickEntity(origin, direction);
}

void MapEditor::Select(SceneEntity* entity) {
    if (entity == m_selected) return;
    Deselect();
    if (!entity) return;
    m_selected = entity;
    entity->Select(m_scene.m_services.relay);
}

void MapEditor::Deselect() {
    if (!m_selected) return;
    SceneEntity* old = m_selected;
    m_selected = nullptr;
    old->Deselect(m_scene.m_services.relay);
}

void MapEditor::HoverCheck(const PointerState& pointer) {
    if (!m_selected) return;
    m_hover = nullptr;
    SceneEntity* under = PickAt(pointer);
    if (under && under != m_selected &&
        (IsVehicleKind(under->Kind()) || under->Kind() == KindHumans || under->isTrainPart)) {
        const int kind = m_selected->Kind();
        if (kind == KindHumans && Held(EditKey::E))
            m_cursor = CursorMode::Board;
        else if (kind == KindLink && Held(EditKey::W))
            m_cursor = CursorMode::WaypointToUnit;
        else if (kind == KindRailway && m_selected->isTrainPart && Held(EditKey::L))
            m_cursor = CursorMode::Couple;
        else
            m_cursor = Held(EditKey::W) ? CursorMode::Waypoint : CursorMode::Normal;
        m_hover = under;
        return;
    }
    m_cursor = Held(EditKey::W) ? CursorMode::Waypoint : CursorMode::Normal;
}

bool MapEditor::ClickInCursorMode(const PointerState& pointer) {
    switch (m_cursor) {
    case CursorMode::Board:
        if (m_hover && m_selected && m_selected->Kind() == KindHumans && m_dialogs)
            m_dialogs->BoardVehicle(m_doc, *m_selected->Node(), *m_hover->Node());
        return true;
    case CursorMode::Waypoint:
    case CursorMode::WaypointLinked:
    case CursorMode::WaypointToUnit:
        if (m_mode != EditMode::Units) return false;
        return WaypointClick(pointer);
    case CursorMode::Couple:
        if (m_hover && m_selected && m_hover->isTrainPart && m_selected->isTrainPart)
            m_doc.CoupleTrainParts(*m_hover->Node(), *m_selected->Node());
        return true;
    default:
        return false;
    }
}

// --- input ---------------------------------------------------------------------------------

bool MapEditor::MouseMove(const PointerState& pointer) {
    if (pointer.right) return false;
    if (pointer.middle) {
        m_cursor = CursorMode::Turning;
        return false;
    }
    const std::optional<glm::vec3> ground = m_scene.UpdateGroundPoint(pointer.x, pointer.y);
    if (!ground) return false;
    if (!m_placing) HoverCheck(pointer);
    if (pointer.left && m_leftHeld && !m_dragging &&
        (std::fabs(pointer.x - m_pressX) > kDragThreshold ||
         std::fabs(pointer.y - m_pressY) > kDragThreshold)) {
        const bool zoneDrag =
            m_mode == EditMode::Zones && (m_selectedZone || m_draftZone || Held(EditKey::Z));
        const bool elementDrag = m_mode == EditMode::Units && m_selected && !IsLocked(m_selected) &&
                                 m_cursor == CursorMode::Normal;
        if (zoneDrag || elementDrag) {
            m_dragging = true;
            if (m_selectedZone) {
                m_zoneStartX = m_selectedZone->x;
                m_zoneStartY = m_selectedZone->y;
                m_zoneStartRadius = m_selectedZone->radius;
                m_zoneChanged = false;
            }
        }
    }
    if (m_dragging) {
        if (m_mode == EditMode::Zones)
            ZoneDrag(*ground);
        else
            DragTo(*ground);
    } else if (m_placing) {
        m_placing->MoveTo(*ground, false);
    }
    return true;
}

bool MapEditor::LeftDown(const PointerState& pointer) {
    m_pressX = pointer.x;
    m_pressY = pointer.y;
    m_leftHeld = true;
    m_dragging = false;
    if (m_placing) return PlaceHere();
    m_scene.m_camera.PickRay(pointer.x, pointer.y, m_rayOrigin, m_rayDirection);
    if (ClickInCursorMode(pointer)) return true;
    if (m_mode == EditMode::Units) {
        SceneEntity* hit = PickEntity(m_rayOrigin, m_rayDirection);
        if (!hit) {
            Deselect();
            return true;
        }
        Select(hit);
        const std::optional<glm::vec3> ground = m_scene.UpdateGroundPoint(pointer.x, pointer.y);
        m_grabOffset = ground ? hit->RequestedPosition() - *ground : glm::vec3(0.0f);
        m_dragStart = hit->RequestedPosition();
        return true;
    }
    if (m_mode == EditMode::Zones) return ZoneClick(pointer);
    return false;
}

bool MapEditor::LeftUp(const PointerState& pointer) {
    m_leftHeld = false;
    if (m_cursor == CursorMode::WaypointLinked) m_cursor = CursorMode::Waypoint;
    if (!m_dragging) {
        // A zone drawn by a click without a drag still gets its dialog.
        if (m_draftZone) ZoneRelease();
        return false;
    }
    m_dragging = false;
    const std::optional<glm::vec3> ground = m_scene.UpdateGroundPoint(pointer.x, pointer.y);
    if (m_mode == EditMode::Zones) {
        if (ground) ZoneDrag(*ground);
        ZoneRelease();
        return true;
    }
    // A drag that ends over no ground keeps the last place it reached.
    if (ground) DragTo(*ground);
    StoreDraggedPosition();
    return true;
}

bool MapEditor::RightDown() {
    Cancel();
    return true;
}

bool MapEditor::MiddleDown() {
    m_cursor = CursorMode::Turning;
    return false;
}

bool MapEditor::OtherUp() {
    m_cursor = CursorMode::Normal;
    return false;
}

bool MapEditor::KeyDown(EditKey key, const PointerState& pointer) {
    if (key != EditKey::Up && key != EditKey::Down && key != EditKey::Other)
        m_keys |= 1u << static_cast<int>(key);
    if (m_selected) {
        if (key == EditKey::Up || key == EditKey::Down) {
            // z grows downwards in the map: Up lifts by lowering it.
            MoveSelectedBy(key == EditKey::Up ? -1.0f : 1.0f);
            return true;
        }
        if (Held(EditKey::W) || (m_selected->Kind() == KindHumans && !m_placing))
            HoverCheck(pointer);
        return true;
    }
    if (key == EditKey::Z && m_mode == EditMode::Zones) m_cursor = CursorMode::Zone;
    if (key == EditKey::W && m_mode == EditMode::Units) m_cursor = CursorMode::Waypoint;
    if (key == EditKey::C) {
        m_cursor = CursorMode::CameraKey;
        CameraKeyPressed();
    }
    return true;
}

bool MapEditor::KeyUp(EditKey key, const PointerState& pointer) {
    if (key != EditKey::Up && key != EditKey::Down && key != EditKey::Other)
        m_keys &= ~(1u << static_cast<int>(key));
    m_cursor = CursorMode::Normal;
    if (m_selected && (Held(EditKey::W) || (m_selected->Kind() == KindHumans && !m_placing)))
        HoverCheck(pointer);
    return true;
}

// --- dragging and moving -------------------------------------------------------------------

void MapEditor::DragTo(const glm::vec3& ground) {
    if (!m_selected || IsLocked(m_selected)) return;
    glm::vec3 target = ground + m_grabOffset;
    const glm::vec3 current = m_selected->RequestedPosition();
    if (m_selected->Kind() == KindAirborne && current.z > kAirborneHeight) target.z = current.z;
    m_selected->MoveTo(target, true);
}

void MapEditor::StoreDraggedPosition() {
    if (!m_selected || !m_selected->Node()) return;
    CDefNode* node = m_selected->Node();
    const glm::vec3 at = m_selected->RequestedPosition();
    const double p[3] = {at.x, at.y, at.z};
    CVarnholtMapEditorDoc::Edit edit(m_doc, "Move " + TypeLabel(node));
    if (m_selected->Kind() == KindLink) {
        node->SetDoubles(node->FindChild("position") ? "position" : "Position", p, 3);
    } else {
        node->SetDoubles("Position", p, 3);
    }
}

void MapEditor::MoveSelectedBy(float dz) {
    if (!m_selected || IsLocked(m_selected) || !m_selected->Node()) return;
    CDefNode* node = m_selected->Node();
    glm::vec3 at = m_selected->RequestedPosition();
    at.z += dz;
    const double p[3] = {at.x, at.y, at.z};
    // Presses in a row on one element make one step.
    CVarnholtMapEditorDoc::Edit edit(m_doc, "Move " + TypeLabel(node),
                                     "height:" + std::to_string(reinterpret_cast<uintptr_t>(node)));
    const char* name =
        m_selected->Kind() == KindLink && node->FindChild("position") ? "position" : "Position";
    node->SetDoubles(name, p, 3);
}

// --- placing -------------------------------------------------------------------------------

bool MapEditor::PlaceEntity(std::string_view type) {
    const resources::CResourceCatalogue* catalogue = m_scene.m_services.catalogue;
    if (!catalogue || !m_scene.m_factory) return false;
    document::NewEntity entity = document::PlaceNewEntity(type, *catalogue);
    if (!entity.node || entity.category < 0) return false;
    return BeginPlacing(std::move(entity.node), entity.category, entity.vehicle, entity.trainPart);
}

bool MapEditor::PlacePrepared(const CDefNode& node) {
    const resources::CResourceCatalogue* catalogue = m_scene.m_services.catalogue;
    if (!catalogue || !m_scene.m_factory) return false;
    auto copy = std::make_unique<CDefNode>();
    copy->CopyFrom(node);
    const int kind = m_scene.m_factory->KindOf(*copy);
    if (kind < 0) return false;
    // A prepared node is an equipped human: it keeps that category while
    // it is placed, so that the next one follows.
    return BeginPlacing(std::move(copy), KindHumansEquipped, false, false);
}

bool MapEditor::BeginPlacing(std::unique_ptr<CDefNode> node, int category, bool vehicle,
                             bool trainPart) {
    if (!m_scene.m_started || !m_scene.m_factory) return false;
    if (m_mode != EditMode::Units) SetEditMode(EditMode::Units);
    DropPlacing();
    Deselect();
    m_hover = nullptr;
    const int kind = m_scene.m_factory->KindOf(*node);
    if (kind < 0 || kind == KindMap || kind == KindMapNoTemplate) return false;
    if (m_applyTurn) node->SetFloatAt("Turn", 0, m_turn);
    document::SetPlayer(*node, category, static_cast<unsigned long>(m_playerSide));
    const glm::vec3 at = m_scene.StatusPoint();
    node->SetDoubles("Position", std::array<double, 3>{at.x, at.y, at.z}.data(), 3);
    std::unique_ptr<SceneEntity> entity = m_scene.m_factory->Create(*node, kind, at);
    if (!entity) return false;
    if (m_scene.m_objectsValid && m_scene.m_device) entity->RestoreDeviceObjects(*m_scene.m_device);
    entity->MoveTo(at, false);
    m_placingNode = std::move(node);
    m_placing = std::move(entity);
    m_placingCategory = category;
    m_placingVehicle = vehicle;
    m_placingTrainPart = trainPart;
    m_scene.SetPlacing(m_placing.get());
    return true;
}

void MapEditor::DropPlacing() {
    if (!m_placing) return;
    m_scene.SetPlacing(nullptr);
    m_placing->ReleaseDeviceObjects();
    m_placing.reset();
    m_placingNode.reset();
    m_placingCategory = -1;
}

bool MapEditor::PlaceHere() {
    if (!m_placing || !m_placingNode) return false;
    const glm::vec3 at = m_placing->RequestedPosition();
    m_placingNode->SetDoubles("Position", std::array<double, 3>{at.x, at.y, at.z}.data(), 3);
    // The next equipped human is a copy of this one as it was chosen.
    std::unique_ptr<CDefNode> again;
    if (m_placingCategory == KindHumansEquipped) {
        again = std::make_unique<CDefNode>();
        again->CopyFrom(*m_placingNode);
    }
    document::NewEntity entity;
    entity.node = std::move(m_placingNode);
    entity.category = m_placingCategory == KindHumansEquipped ? KindHumans : m_placingCategory;
    entity.vehicle = m_placingVehicle;
    entity.trainPart = m_placingTrainPart;
    DropPlacing();
    CDefNode* placed = m_doc.AddEntity(entity);
    if (!placed) return false;
    SceneEntity* shown = m_scene.EntityOf(placed);
    Announce(static_cast<int>(AppMessage::ElementPlaced), shown ? shown->Kind() : entity.category,
             reinterpret_cast<intptr_t>(placed));
    if (shown) Select(shown);
    if (again) PlacePrepared(*again);
    return true;
}

// --- commands ------------------------------------------------------------------------------

bool MapEditor::CanDelete() const {
    return m_selected != nullptr || m_selectedZone != nullptr;
}

bool MapEditor::Delete() {
    if (m_mode == EditMode::Zones && m_selectedZone) {
        document::ZoneRecord* zone = m_selectedZone;
        SelectZone(nullptr);
        if (zone->globalWP)
            Announce(static_cast<int>(AppMessage::GlobalZoneDeleted), 0,
                     reinterpret_cast<intptr_t>(zone));
        m_doc.RemoveZone(zone);
        return true;
    }
    if (!m_selected) return false;
    if (IsLocked(m_selected)) {
        Beep();
        return false;
    }
    SceneEntity* entity = m_selected;
    CDefNode* node = entity->Node();
    const int kind = entity->Kind();
    Deselect();
    m_hover = nullptr;
    Announce(static_cast<int>(AppMessage::ElementDeleted), kind, reinterpret_cast<intptr_t>(node));
    if (kind == KindLink) return DeleteWaypoint(node);
    return m_doc.DeleteElement(node);
}

bool MapEditor::CanSetProperties() const {
    return m_selectedZone != nullptr || (m_selected && m_selected->Node());
}

bool MapEditor::SetProperties() {
    if (!m_dialogs) return false;
    if (m_selectedZone) return m_dialogs->EditZone(m_doc, *m_selectedZone);
    if (!m_selected || !m_selected->Node()) return false;
    return m_dialogs->EditElement(m_doc, *m_selected->Node());
}

void MapEditor::Cancel() {
    Deselect();
    DropPlacing();
    if (m_draftZone) {
        m_draftObject.reset();
        m_draftZone.reset();
    }
    m_dragging = false;
    m_cursor = CursorMode::Normal;
}

bool MapEditor::SelectNode(const CDefNode* node) {
    if (!node) return false;
    if (m_mode == EditMode::Zones) {
        for (const auto& zone : m_doc.Zones())
            if (zone->node == node) {
                SelectZone(zone.get());
                return true;
            }
        return false;
    }
    SceneEntity* entity = m_scene.EntityOf(node);
    if (!entity || entity == m_scene.MapEntity()) return false;
    Select(entity);
    m_scene.FocusOn(node);
    return true;
}

void MapEditor::SetTurn(double degrees) {
    m_turn = degrees;
    if (m_placing && m_placingNode) {
        m_placingNode->SetFloatAt("Turn", 0, degrees);
        m_placing->SetTurnOnly(degrees);
        m_placing->MoveTo(m_placing->RequestedPosition(), false);
    }
    if (!m_selected || IsLocked(m_selected) || m_selected->Kind() == KindLink) return;
    CDefNode* node = m_selected->Node();
    if (!node) return;
    CVarnholtMapEditorDoc::Edit edit(m_doc, "Turn " + TypeLabel(node),
                                     "turn:" + std::to_string(reinterpret_cast<uintptr_t>(node)));
    node->SetFloatAt("Turn", 0, degrees);
}

void MapEditor::ElementDeleted(const CDefNode* node) {
    if (m_selected && m_selected->Node() == node) Deselect();
    if (m_hover && m_hover->Node() == node) m_hover = nullptr;
}

void MapEditor::ForgetEntity(const SceneEntity* entity, bool announce) {
    if (!entity) return;
    if (m_selected == entity) {
        // The element left the document (an undo, a delete elsewhere): the
        // bars are told it is no longer selected.
        m_selected = nullptr;
        if (announce)
            Announce(static_cast<int>(AppMessage::ElementEdit), 3,
                     reinterpret_cast<intptr_t>(entity->Node()));
        m_dragging = false;
    }
    if (m_hover == entity) m_hover = nullptr;
}

void MapEditor::Reselect(SceneEntity* entity) {
    m_selected = entity;
    if (entity) entity->Select(nullptr);
}

void MapEditor::ForgetAll() {
    m_selected = nullptr;
    m_hover = nullptr;
    m_selectedZone = nullptr;
    m_dragging = false;
    DropPlacing();
    m_draftObject.reset();
    m_draftZone.reset();
}

void MapEditor::ReleaseDeviceObjects() {
    if (m_placing) m_placing->ReleaseDeviceObjects();
    if (m_draftObject) m_draftObject->ReleaseDeviceObjects();
}

void MapEditor::RestoreDeviceObjects(RenderDevice& device) {
    if (m_placing) {
        m_placing->RestoreDeviceObjects(device);
        m_placing->MoveTo(m_placing->RequestedPosition(), false);
    }
    if (m_draftObject) m_draftObject->Rebuild(device, m_scene.m_services.zonePainter);
}

// --- camera paths --------------------------------------------------------------------------

bool MapEditor::RecordCameraPath() {
    return m_recorder.Start(m_doc);
}

bool MapEditor::EndCameraPath() {
    if (!m_recorder.Recording()) return false;
    return m_recorder.End(m_doc) != nullptr;
}

void MapEditor::CameraKeyPressed() {
    if (!m_recorder.Recording()) return;
    const CameraPose pose = m_scene.m_camera.Pose();
    m_recorder.Key(pose.target.x, pose.target.y, pose.distance);
}

} // namespace view3d
