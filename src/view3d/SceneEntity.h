#pragma once

#include "view3d/RenderDevice.h"
#include "view3d/SceneObject.h"

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

#include <memory>

class CDefNode;

namespace document {
class MessageRelay;
}

namespace view3d {

class TextureResolver;

// The colour sound markers are drawn in.
constexpr glm::vec4 kSoundColour{0.98f, 0.91f, 0.52f, 1.0f};
// The colour of a waypoint once it has been deselected (and of one without
// commands).
constexpr glm::vec4 kLinkColour{1.0f, 0.4f, 0.4f, 1.0f};

// The material of an element drawn in colour (white without one).
Material NormalMaterial(const glm::vec4* colour);
// The material of a selected element: red all over.
Material SelectedMaterial();
// The rotation of a "Turn" in degrees: about the vertical axis.
glm::mat4 TurnMatrix(double degrees);

// One document element as the 3D view shows it: the element's node, where it
// stands and how it is turned, the material that marks it selected or not,
// and the scene object that draws it (owned).
//
// The entity remembers the position it was last moved to, so that after the
// device is lost and restored the fresh vertices go back there.
class SceneEntity {
  public:
    // The rotation comes from the node's "Turn" (degrees), when it has one.
    SceneEntity(CDefNode* node, int kind, const glm::vec3& position,
                const glm::vec4* colour = nullptr);
    virtual ~SceneEntity();
    SceneEntity(const SceneEntity&) = delete;
    SceneEntity& operator=(const SceneEntity&) = delete;

    // Releases the device buffers and forgets where the vertices were.
    virtual void ReleaseDeviceObjects();
    // Builds the device buffers and moves them to the requested position.
    virtual DeviceResult RestoreDeviceObjects(RenderDevice& device);
    // relative: moves by the difference to the current position, unturned;
    // absolute: moves the vertices (as copied from the model) to position,
    // turned by the entity's rotation.
    virtual void MoveTo(const glm::vec3& position, bool relative);
    virtual bool Pick(const glm::vec3& origin, const glm::vec3& direction, float& distance);
    // Takes the object and gives it the entity's active material.
    virtual void SetObject(std::unique_ptr<SceneObject> object);
    // Only player entities have a flag: made from the standard flag box.
    virtual DeviceResult CreateFlag(RenderDevice& device, const MeshData& flagBox,
                                    TextureSource& cache, const TextureResolver& resolver);
    virtual void SetTarget(const glm::vec3& point);
    virtual bool SetTargetPoint(const glm::vec3& point);
    virtual SceneObject* Flag() { return nullptr; }

    // Marks the entity selected (red) and tells the main frame through
    // relay (which may be null).
    void Select(document::MessageRelay* relay);
    void Deselect(document::MessageRelay* relay);
    // The colour of the normal and the active material.
    void SetColour(const glm::vec4& colour);
    // Turns the entity as its node's "Turn" now says, without writing it.
    void SetTurnOnly(double degrees);

    int Kind() const { return m_kind; }
    void SetKind(int kind) { m_kind = kind; }
    CDefNode* Node() const { return m_node; }
    SceneObject* Object() const { return m_object.get(); }
    const glm::mat4& Rotation() const { return m_rotation; }
    bool HasRotation() const { return m_hasRotation; }
    const glm::vec3& CurrentPosition() const { return m_current; }
    const glm::vec3& RequestedPosition() const { return m_requested; }
    void SetRequestedPosition(const glm::vec3& position) { m_requested = position; }
    const Material& ActiveMaterial() const { return m_active; }
    const Material& NormalMaterialOf() const { return m_normal; }
    bool Selected() const { return m_selected; }

    // What the element's type declares, read by the entity factory.
    bool isVehicle = false;
    bool isTrainPart = false;
    int inventoryWidth = 0;
    int inventoryHeight = 0;

  protected:
    int m_kind;
    CDefNode* m_node;
    std::unique_ptr<SceneObject> m_object;
    glm::mat4 m_rotation{1.0f};
    bool m_hasRotation = false;
    glm::vec3 m_current{0.0f};
    glm::vec3 m_requested{0.0f};
    Material m_selectedMaterial;
    Material m_active;
    Material m_normal;
    bool m_selected = false;
};

// A unit, building or other placed element; units carry a flag in their
// player's colour above them.
class PlayerSceneEntity : public SceneEntity {
  public:
    using SceneEntity::SceneEntity;
    ~PlayerSceneEntity() override;

    void ReleaseDeviceObjects() override;
    DeviceResult RestoreDeviceObjects(RenderDevice& device) override;
    void MoveTo(const glm::vec3& position, bool relative) override;
    DeviceResult CreateFlag(RenderDevice& device, const MeshData& flagBox, TextureSource& cache,
                            const TextureResolver& resolver) override;
    SceneObject* Flag() override { return m_flag.get(); }

  private:
    std::unique_ptr<SceneObject> m_flag;
};

// A waypoint, with the point its line leads to (z 10000: no line).
class LinkSceneEntity : public SceneEntity {
  public:
    LinkSceneEntity(CDefNode* node, int kind, const glm::vec3& position,
                    const glm::vec4* colour = nullptr);

    // Stores the point, in the node's scene parameters too, and redraws the line.
    void SetTarget(const glm::vec3& point) override;
    const glm::vec3& Target() const { return m_target; }

  private:
    glm::vec3 m_target{0.0f, 0.0f, kNoTarget};
};

} // namespace view3d
