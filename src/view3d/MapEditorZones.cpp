// Circle zones in the 3D view's zone mode: selecting by clicking, drawing a
// new one with 'Z', sizing and moving inside the world bound.

#include "document/HelperForms.h"
#include "document/VarnholtMapEditorDoc.h"
#include "format/DefNode.h"
#include "view3d/MapEditor.h"
#include "view3d/MapScene.h"
#include "view3d/ZoneObject.h"

#include <algorithm>
#include <cmath>

namespace view3d {

using document::CVarnholtMapEditorDoc;
using document::ZoneRecord;

namespace {

// Where the ray meets the ground plane z = 0 inside the circle.
bool RayHitsCircle(const glm::vec3& origin, const glm::vec3& direction, const ZoneRecord& zone) {
    if (std::fabs(direction.z) < 1e-9f) return false;
    const float t = -origin.z / direction.z;
    if (t < 0.0f) return false;
    const glm::vec3 p = origin + t * direction;
    const float dx = p.x - zone.x, dy = p.y - zone.y;
    return dx * dx + dy * dy <= zone.radius * zone.radius;
}

} // namespace

bool MapEditor::CircleInsideWorld(float x, float y, float radius) const {
    const document::BoundsRect& world = m_doc.WorldRect();
    const float left = std::min(world.left, world.right), right = std::max(world.left, world.right);
    const float top = std::min(world.top, world.bottom), bottom = std::max(world.top, world.bottom);
    return radius >= 0.0f && x - radius >= left && x + radius <= right && y - radius >= top &&
           y + radius <= bottom;
}

ZoneObject* MapEditor::ZoneObjectOf(const ZoneRecord* zone) const {
    if (!zone) return nullptr;
    if (m_draftZone && zone == m_draftZone.get()) return m_draftObject.get();
    for (const auto& object : m_scene.m_zoneObjects)
        if (&object->Zone() == zone) return object.get();
    return nullptr;
}

void MapEditor::SelectZone(ZoneRecord* zone) {
    if (zone == m_selectedZone) return;
    if (ZoneObject* old = ZoneObjectOf(m_selectedZone)) old->SetSelected(false);
    m_selectedZone = zone;
    if (ZoneObject* now = ZoneObjectOf(zone)) now->SetSelected(true);
}

bool MapEditor::ZoneClick(const PointerState&) {
    ZoneRecord* hit = nullptr;
    for (const auto& zone : m_doc.Zones())
        if (zone->shape == ZoneRecord::Circle &&
            RayHitsCircle(m_rayOrigin, m_rayDirection, *zone)) {
            hit = zone.get();
            break;
        }
    SelectZone(hit);
    return true;
}

void MapEditor::ZoneDrag(const glm::vec3& ground) {
    RenderDevice* device = m_scene.m_objectsValid ? m_scene.m_device : nullptr;
    ZonePainter* painter = m_scene.m_services.zonePainter;
    if (Held(EditKey::Z) && !m_selectedZone && !m_draftZone) {
        if (!CircleInsideWorld(ground.x, ground.y, 0.0f)) return;
        // The new zone stays the view's own until its dialog is confirmed:
        // a cancelled dialog leaves nothing behind in the mission.
        m_draftZone = std::make_unique<ZoneRecord>();
        m_draftZone->shape = ZoneRecord::Circle;
        m_draftZone->x = ground.x;
        m_draftZone->y = ground.y;
        m_draftZone->z = 0.0f;
        m_draftObject = std::make_unique<ZoneObject>(*m_draftZone);
        m_draftObject->SetSelected(true);
        if (device) m_draftObject->Rebuild(*device, painter);
        return;
    }
    ZoneRecord* zone = m_draftZone ? m_draftZone.get() : m_selectedZone;
    if (!zone || zone->shape != ZoneRecord::Circle) return;
    ZoneObject* object = ZoneObjectOf(zone);
    if (Held(EditKey::Z)) {
        const float radius = std::hypot(ground.x - zone->x, ground.y - zone->y);
        if (!CircleInsideWorld(zone->x, zone->y, radius) || radius == zone->radius) return;
        const int cells = ZoneCells(zone->radius);
        zone->radius = radius;
        // The picture is painted again only when the grid grows or shrinks:
        // a big zone's picture is large, and a drag moves many times.
        if (object && device && (ZoneCells(radius) != cells || !object->Valid()))
            object->Rebuild(*device, painter);
    } else {
        if (!CircleInsideWorld(ground.x, ground.y, zone->radius)) return;
        zone->x = ground.x;
        zone->y = ground.y;
        if (object) object->Place();
    }
    if (zone != m_draftZone.get()) m_zoneChanged = true;
}

void MapEditor::ZoneRelease() {
    if (m_draftZone) {
        std::optional<document::ZoneForm> form;
        if (m_dialogs) form = m_dialogs->NewZone(*m_draftZone);
        m_draftObject.reset();
        std::unique_ptr<ZoneRecord> draft = std::move(m_draftZone);
        // A form the mission cannot take leaves no half-made zone behind.
        if (!form || !document::CheckZoneForm(*form).empty()) return;
        ZoneRecord* stored = nullptr;
        {
            CVarnholtMapEditorDoc::Edit edit(m_doc, "Zone " + form->name);
            draft->name = document::ZoneStoredName(form->name);
            draft->radius = form->radius;
            draft->x = form->centreX;
            draft->y = form->centreY;
            stored = m_doc.AddZoneRecord(std::move(draft));
            if (stored) m_doc.StoreZone(stored);
        }
        if (!stored) return;
        SelectZone(stored);
        Announce(static_cast<int>(document::AppMessage::ZoneCreated), 0,
                 reinterpret_cast<intptr_t>(stored));
        return;
    }
    ZoneRecord* zone = m_selectedZone;
    if (!zone || !m_zoneChanged) return;
    m_zoneChanged = false;
    const float x = zone->x, y = zone->y, radius = zone->radius;
    // The record goes back to where the step starts from, so that the step
    // holds the whole move and undo returns to it.
    zone->x = m_zoneStartX;
    zone->y = m_zoneStartY;
    zone->radius = m_zoneStartRadius;
    CVarnholtMapEditorDoc::Edit edit(m_doc, "Move zone " + zone->name);
    zone->x = x;
    zone->y = y;
    zone->radius = radius;
    if (CDefNode* node = zone->node) {
        node->SetFloatAt("position", 0, x);
        node->SetFloatAt("position", 1, y);
        if (const CDefNode* position = node->FindChild("position");
            position && !position->GetValue(2))
            node->SetFloatAt("position", 2, zone->z);
        node->SetFloatAt("Radius", 0, radius);
    }
}

void MapEditor::ZonesChanged() {
    if (!m_selectedZone) return;
    for (const auto& zone : m_doc.Zones())
        if (zone.get() == m_selectedZone) {
            if (ZoneObject* object = ZoneObjectOf(zone.get())) object->SetSelected(true);
            return;
        }
    m_selectedZone = nullptr;
}

} // namespace view3d
