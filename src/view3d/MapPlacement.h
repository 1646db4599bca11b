#pragma once

#include "document/DocumentTypes.h"
#include "view3d/HeightMesh.h"

#include <glm/vec3.hpp>

#include <memory>
#include <optional>

namespace view3d {

class Camera;
class SceneEntity;

// The sky stands this far below the map's plane (the game's z points down).
inline constexpr float kSkyZ = -100.0f;
// The sky object's scale per unit of map size.
inline constexpr float kSkyScalePerMapSize = 0.003373494f;
// The ground plane's half side per unit of map size.
inline constexpr float kGroundPlaneHalfSidePerMapSize = 2.0f;

// The map's size and centre, from the world bound (left, top = min x, min
// y; right, bottom = max x, max y): the size is the larger half extent.
struct MapGeometry {
    float size = 0.0f;
    glm::vec3 centre{0.0f};
};
MapGeometry MapGeometryOf(const document::BoundsRect& world);

// Where the sky and the fullscreen ground plane go for a map.
struct BackdropPlacement {
    glm::vec3 skyPosition{0.0f};
    float skyScale = 0.0f;
    glm::vec3 planeCentre{0.0f}; // under the picture box's lowest point
    float planeHalfSide = 0.0f;
};
BackdropPlacement PlaceBackdrop(const MapGeometry& map, const document::GroundExtent& extent);

// Follows the map size for the sky and the ground plane, which are scaled
// by new size / old size whenever the world bound changes. A size that is
// not a positive number is not taken: scaling by it would flatten both for
// good, since no later factor could bring them back.
class BackdropScale {
  public:
    explicit BackdropScale(float size = 0.0f) { Rescale(size); }
    // The factor to scale the sky object and the ground plane by; 1 when
    // there was no usable size before or the new one is not usable.
    float Rescale(float newSize);
    float Size() const { return m_size; }

  private:
    float m_size = 0.0f;
};

// The height mesh of the map entity: its object's parts merged and moved by
// the entity's requested position. Null for a map without a template (kind
// 25) and for an entity without an object.
std::unique_ptr<HeightMesh> BuildMapHeightMesh(SceneEntity& map);

// Moves the map to the document's ground offset (x, y): the entity is moved
// to (-x, -y, its z) and the height mesh (may be null) by the same step, so
// the mesh stays under the drawn ground. False, with nothing moved, when the
// offset is (0, 0).
bool ApplyMapOrigin(const document::GroundExtent& extent, SceneEntity& map, HeightMesh* mesh);

// The ground point a ray meets: the nearest face of the height mesh, its
// corners weighed by where the ray meets it. None without a mesh or a hit.
std::optional<glm::vec3> GroundPointOnRay(const HeightMesh* mesh, const glm::vec3& origin,
                                          const glm::vec3& direction);
// The same for window pixel (x, y), through the camera's pick ray.
std::optional<glm::vec3> GroundPointUnder(const HeightMesh* mesh, const Camera& camera, float x,
                                          float y);

} // namespace view3d
