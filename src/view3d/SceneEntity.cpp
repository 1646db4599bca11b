#include "view3d/SceneEntity.h"

#include "document/DocumentHost.h"
#include "format/DefNode.h"

#include <glm/ext/matrix_transform.hpp>

#include <cstdlib>

namespace view3d {

namespace {

// Degrees to radians as the game's rotations are converted.
constexpr double kDegreesToRadians = 0.017453293;

bool ReadTurn(const CDefNode* node, double& degrees) {
    const CDefNode* turn = node ? node->FindChild("Turn") : nullptr;
    const char* value = turn ? turn->GetValue(0) : nullptr;
    if (!value || !*value) return false;
    degrees = std::strtod(value, nullptr);
    return true;
}

} // namespace

Material NormalMaterial(const glm::vec4* colour) {
    Material m;
    const glm::vec4 c = colour ? *colour : glm::vec4(1.0f);
    m.diffuse = c;
    m.ambient = c;
    m.specular = {0.0f, 0.0f, 0.0f, 1.0f};
    m.emissive = {0.0f, 0.0f, 0.0f, 1.0f};
    m.power = 0.0f;
    return m;
}

Material SelectedMaterial() {
    Material m;
    const glm::vec4 red(1.0f, 0.0f, 0.0f, 1.0f);
    m.diffuse = m.ambient = m.specular = m.emissive = red;
    m.power = 1.0f;
    return m;
}

glm::mat4 TurnMatrix(double degrees) {
    return glm::rotate(glm::mat4(1.0f), static_cast<float>(degrees * kDegreesToRadians),
                       glm::vec3(0.0f, 0.0f, 1.0f));
}

// --- SceneEntity ------------------------------------------------------------------

SceneEntity::SceneEntity(CDefNode* node, int kind, const glm::vec3& position,
                         const glm::vec4* colour)
    : m_kind(kind), m_node(node), m_requested(position), m_selectedMaterial(SelectedMaterial()),
      m_active(NormalMaterial(colour)), m_normal(NormalMaterial(colour)) {
    double degrees = 0.0;
    if (ReadTurn(node, degrees)) {
        m_rotation = TurnMatrix(degrees);
        m_hasRotation = true;
    }
}

SceneEntity::~SceneEntity() = default;

void SceneEntity::ReleaseDeviceObjects() {
    if (m_object) m_object->ReleaseDeviceObjects();
    m_current = glm::vec3(0.0f);
}

DeviceResult SceneEntity::RestoreDeviceObjects(RenderDevice& device) {
    if (!m_object) return DeviceResult::Ok;
    DeviceResult result = m_object->CreateDeviceObjects(device);
    if (Succeeded(result)) MoveTo(m_requested, false);
    return result;
}

void SceneEntity::MoveTo(const glm::vec3& position, bool relative) {
    if (m_object) {
        if (relative) {
            m_object->Transform(position - m_current, nullptr, m_kind);
        } else {
            // From the model's own vertices: moved again, an entity would
            // otherwise land at the sum of its places.
            m_object->ResetVertices();
            m_object->Transform(position, m_hasRotation ? &m_rotation : nullptr, m_kind);
        }
    }
    m_current = position;
    // A restore after a device loss puts the entity back where it was last
    // moved, not where it stood when the view opened.
    m_requested = position;
    if (m_object) m_object->SetPosition(position);
}

bool SceneEntity::Pick(const glm::vec3& origin, const glm::vec3& direction, float& distance) {
    distance = 0.0f;
    return m_object && m_object->Pick(origin, direction, distance);
}

void SceneEntity::SetObject(std::unique_ptr<SceneObject> object) {
    m_object = std::move(object);
    if (m_object) m_object->SetMaterial(&m_active);
}

DeviceResult SceneEntity::CreateFlag(RenderDevice&, const MeshData&, TextureSource&,
                                     const TextureResolver&) {
    return DeviceResult::Ok;
}

void SceneEntity::SetTarget(const glm::vec3&) {}

bool SceneEntity::SetTargetPoint(const glm::vec3&) {
    return true;
}

void SceneEntity::Select(document::MessageRelay* relay) {
    m_active = m_selectedMaterial;
    if (relay)
        relay->Relay(document::AppMessage::ElementEdit, 4, reinterpret_cast<intptr_t>(m_node));
    m_selected = true;
}

void SceneEntity::Deselect(document::MessageRelay* relay) {
    m_selected = false;
    m_active = m_normal;
    if (relay)
        relay->Relay(document::AppMessage::ElementEdit, 3, reinterpret_cast<intptr_t>(m_node));
}

void SceneEntity::SetColour(const glm::vec4& colour) {
    m_normal.diffuse = m_normal.ambient = colour;
    m_active.diffuse = m_active.ambient = colour;
}

void SceneEntity::SetTurnOnly(double degrees) {
    m_rotation = TurnMatrix(degrees);
    m_hasRotation = true;
}

// --- PlayerSceneEntity --------------------------------------------------------------

PlayerSceneEntity::~PlayerSceneEntity() = default;

void PlayerSceneEntity::ReleaseDeviceObjects() {
    if (m_flag) m_flag->ReleaseDeviceObjects();
    SceneEntity::ReleaseDeviceObjects();
}

DeviceResult PlayerSceneEntity::RestoreDeviceObjects(RenderDevice& device) {
    if (!m_object) return DeviceResult::Ok;
    DeviceResult result = m_object->CreateDeviceObjects(device);
    if (Succeeded(result) && m_flag) result = m_flag->CreateDeviceObjects(device);
    if (Succeeded(result)) MoveTo(m_requested, false);
    return result;
}

void PlayerSceneEntity::MoveTo(const glm::vec3& position, bool relative) {
    const glm::vec3 difference = position - m_current;
    SceneEntity::MoveTo(position, relative);
    if (!m_flag) return;
    if (relative) {
        m_flag->Transform(difference, nullptr, m_kind);
        m_flag->SetPosition(m_flag->Position() + difference);
    } else {
        // Above the unit is towards smaller z (z grows downwards in the
        // map): 20 units over its highest point, not under its lowest.
        const glm::vec3 flagPosition(position.x, position.y, m_object->GetBox().min.z - 20.0f);
        m_flag->ResetVertices();
        m_flag->Transform(flagPosition, m_hasRotation ? &m_rotation : nullptr, m_kind);
        m_flag->SetPosition(flagPosition);
    }
}

DeviceResult PlayerSceneEntity::CreateFlag(RenderDevice& device, const MeshData& flagBox,
                                           TextureSource& cache, const TextureResolver& resolver) {
    auto flag = std::make_unique<PlayerFlagObject>(m_node);
    flag->InitFromModel(flagBox);
    flag->SetMaterial(&m_active);
    DeviceResult result = flag->LoadTextures(device, flagBox, cache, resolver, {});
    m_flag = std::move(flag);
    return result;
}

// --- LinkSceneEntity ------------------------------------------------------------------

LinkSceneEntity::LinkSceneEntity(CDefNode* node, int kind, const glm::vec3& position,
                                 const glm::vec4* colour)
    : SceneEntity(node, kind, position, colour) {
    // A waypoint shows its creation colour until it is first deselected.
    m_normal.diffuse = m_normal.ambient = kLinkColour;
}

void LinkSceneEntity::SetTarget(const glm::vec3& point) {
    m_target = point;
    if (m_node) m_node->SetSceneParams(point.x, point.y, point.z);
    if (m_object) m_object->SetTarget(point);
}

} // namespace view3d
