#pragma once

#include <glm/vec3.hpp>

#include <cstdint>
#include <vector>

namespace view3d {

class SceneObject;

// The map ground as one mesh of positions, for finding the ground point
// under the cursor. Indices are 32-bit, so a large map keeps all of its
// ground however many faces its parts have together.
struct HeightMesh {
    std::vector<glm::vec3> positions;
    std::vector<uint32_t> indices; // three per face

    size_t FaceCount() const { return indices.size() / 3; }
    // Moves every position by offset.
    void Offset(const glm::vec3& offset);
    // The nearest point where the ray meets the ground; false when it meets
    // none. distance is along the ray in units of direction's length.
    bool Intersect(const glm::vec3& origin, const glm::vec3& direction, glm::vec3& point,
                   float& distance) const;
};

// Merges the parts of the map's object (their geometry as loaded, in part
// order) into one height mesh; each part's indices are moved past the
// vertices of the parts before it.
HeightMesh BuildHeightMesh(SceneObject& mapObject);

} // namespace view3d
