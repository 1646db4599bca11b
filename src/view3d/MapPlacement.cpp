#include "view3d/MapPlacement.h"

#include "view3d/Camera.h"
#include "view3d/SceneEntity.h"

#include <algorithm>
#include <cmath>

namespace view3d {

MapGeometry MapGeometryOf(const document::BoundsRect& world) {
    MapGeometry out;
    out.size = std::max((world.right - world.left) / 2.0f, (world.bottom - world.top) / 2.0f);
    out.centre = {(world.left + world.right) / 2.0f, (world.top + world.bottom) / 2.0f, 0.0f};
    return out;
}

BackdropPlacement PlaceBackdrop(const MapGeometry& map, const document::GroundExtent& extent) {
    BackdropPlacement out;
    out.skyPosition = {map.centre.x, map.centre.y, kSkyZ};
    out.skyScale = map.size * kSkyScalePerMapSize;
    // The plane lies under the whole ground: z points down, so at the box's
    // largest z, whichever way round the model gave the box.
    out.planeCentre = {map.centre.x, map.centre.y,
                       std::max(extent.picture.minZ, extent.picture.maxZ)};
    out.planeHalfSide = kGroundPlaneHalfSidePerMapSize * map.size;
    return out;
}

float BackdropScale::Rescale(float newSize) {
    if (!std::isfinite(newSize) || newSize <= 0.0f) return 1.0f;
    const float factor = m_size > 0.0f ? newSize / m_size : 1.0f;
    m_size = newSize;
    return factor;
}

std::unique_ptr<HeightMesh> BuildMapHeightMesh(SceneEntity& map) {
    if (map.Kind() != KindMap || !map.Object()) return nullptr;
    auto mesh = std::make_unique<HeightMesh>(BuildHeightMesh(*map.Object()));
    mesh->Offset(map.RequestedPosition());
    return mesh;
}

bool ApplyMapOrigin(const document::GroundExtent& extent, SceneEntity& map, HeightMesh* mesh) {
    if (extent.offsetX == 0.0f && extent.offsetY == 0.0f) return false;
    const glm::vec3 before = map.RequestedPosition();
    const glm::vec3 after(-extent.offsetX, -extent.offsetY, before.z);
    map.SetRequestedPosition(after);
    map.MoveTo(after, false);
    // The mesh was built at the entity's requested position; moving it by
    // the entity's own step keeps it under the ground even when the map
    // element was placed away from the origin.
    if (mesh) mesh->Offset(after - before);
    return true;
}

std::optional<glm::vec3> GroundPointOnRay(const HeightMesh* mesh, const glm::vec3& origin,
                                          const glm::vec3& direction) {
    if (!mesh) return std::nullopt;
    glm::vec3 point;
    float distance = 0.0f;
    if (!mesh->Intersect(origin, direction, point, distance)) return std::nullopt;
    return point;
}

std::optional<glm::vec3> GroundPointUnder(const HeightMesh* mesh, const Camera& camera, float x,
                                          float y) {
    if (!mesh) return std::nullopt;
    glm::vec3 origin, direction;
    camera.PickRay(x, y, origin, direction);
    return GroundPointOnRay(mesh, origin, direction);
}

} // namespace view3d
