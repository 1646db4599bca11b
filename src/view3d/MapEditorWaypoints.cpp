// Laying, linking and deleting waypoints in the 3D view, and handing a
// waypoint to a unit.

#include "document/VarnholtMapEditorDoc.h"
#include "format/DefNode.h"
#include "view3d/MapEditor.h"
#include "view3d/MapScene.h"
#include "view3d/SceneEntity.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace view3d {

using document::CVarnholtMapEditorDoc;

namespace {

unsigned long WaypointNumber(const CDefNode& waypoint) {
    return std::strtoul(std::string(waypoint.Name()).c_str(), nullptr, 10);
}

CDefNode* WaypointNamed(CDefNode* block, std::string_view number) {
    if (!block) return nullptr;
    for (CDefNode* waypoint : block->Children())
        if (waypoint->Name() == number) return waypoint;
    return nullptr;
}

} // namespace

bool MapEditor::WaypointClick(const PointerState& pointer) {
    // A selected waypoint handed to the unit under the cursor.
    if (m_cursor == CursorMode::WaypointToUnit && m_hover && m_selected &&
        m_selected->Kind() == KindLink) {
        const char* mid = m_hover->Node() ? m_hover->Node()->FindValue("MID") : nullptr;
        if (!mid) return true;
        m_doc.AddWaypointTrigger(std::strtoul(mid, nullptr, 10),
                                 WaypointNumber(*m_selected->Node()));
        return true;
    }
    // A selected waypoint linked to the waypoint clicked.
    if (m_scene.m_options.show.showWaypoints && m_selected && m_selected->Kind() == KindLink) {
        SceneEntity* hit = PickEntity(m_rayOrigin, m_rayDirection);
        if (hit && hit->Kind() == KindLink && hit != m_selected) {
            CDefNode* from = m_selected->Node();
            const std::string number(hit->Node()->Name());
            CVarnholtMapEditorDoc::Edit edit(m_doc, "Link waypoint " + std::string(from->Name()));
            from->SetText("transition", number.c_str());
            m_cursor = CursorMode::WaypointLinked;
            return true;
        }
    }
    const std::optional<glm::vec3> ground = m_scene.UpdateGroundPoint(pointer.x, pointer.y);
    if (!ground) return true;
    if (!m_scene.m_options.show.showWaypoints) {
        // New waypoints must be seen: the view's own toggle goes on, and
        // the window is asked to switch it on for every view.
        SceneOptions options = m_scene.m_options;
        options.show.showWaypoints = 1;
        m_scene.SetOptions(options);
        if (m_dialogs) m_dialogs->ShowWaypoints();
    }
    CDefNode* from = m_selected && m_selected->Kind() == KindLink ? m_selected->Node() : nullptr;
    CDefNode* made = NewWaypoint(*ground, from);
    if (!made) return true;
    Deselect();
    if (SceneEntity* entity = m_scene.EntityOf(made)) Select(entity);
    return true;
}

CDefNode* MapEditor::NewWaypoint(const glm::vec3& at, CDefNode* linkFrom) {
    if (m_doc.Kind() != document::Mission || m_doc.Roots().size() < 2) return nullptr;
    CDefNode* helpers = m_doc.Helpers();
    CDefNode* block = helpers ? helpers->FindChild("waypoints") : nullptr;
    // The number continues from the highest in the mission, whatever was
    // undone before, so that two waypoints never share one.
    unsigned long number = m_scene.m_nextWaypoint;
    if (block)
        for (CDefNode* waypoint : block->Children())
            number = std::max(number, WaypointNumber(*waypoint) + 1);
    const std::string name = std::to_string(number);

    auto waypoint = std::make_unique<CDefNode>();
    waypoint->Assign(name, {});
    const double p[3] = {at.x, at.y, at.z};
    waypoint->SetDoubles("position", p, 3);

    CVarnholtMapEditorDoc::Edit edit(m_doc, "Waypoint " + name);
    if (!helpers) helpers = m_doc.InsertSection("Helpers");
    if (!helpers) return nullptr;
    CDefNode* made = nullptr;
    if (!block) {
        auto created = std::make_unique<CDefNode>();
        created->Assign("waypoints", {});
        made = created->AppendChild(std::move(waypoint));
        helpers->AppendChild(std::move(created));
    } else {
        made = block->AppendChild(std::move(waypoint));
    }
    if (linkFrom) linkFrom->SetText("transition", name.c_str());
    m_scene.m_nextWaypoint = number + 1;
    return made;
}

bool MapEditor::DeleteWaypoint(CDefNode* node) {
    CDefNode* helpers = m_doc.Helpers();
    CDefNode* block = helpers ? helpers->FindChild("waypoints") : nullptr;
    if (!node || !block) return false;
    const std::string number(node->Name());
    const char* next = node->FindValue("transition");
    const std::string successor = next ? next : "";
    CVarnholtMapEditorDoc::Edit edit(m_doc, "Delete waypoint " + number);
    // Whoever led here now leads on to the deleted one's successor, or
    // nowhere when it has none.
    for (CDefNode* waypoint : block->Children()) {
        if (waypoint == node) continue;
        const char* target = waypoint->FindValue("transition");
        if (!target || number != target) continue;
        if (!successor.empty() && successor != number && WaypointNamed(block, successor))
            waypoint->SetText("transition", successor.c_str());
        else
            waypoint->RemoveChildren("transition");
    }
    return m_doc.DeleteWaypoint(node);
}

} // namespace view3d
