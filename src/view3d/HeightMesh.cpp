#include "view3d/HeightMesh.h"

#include "view3d/SceneObject.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace view3d {

HeightMesh BuildHeightMesh(SceneObject& mapObject) {
    HeightMesh mesh;
    size_t vertexTotal = 0, faceTotal = 0;
    for (size_t i = 0; i < mapObject.PartCount(); ++i) {
        SceneObject* part = mapObject.Part(i);
        if (!part) continue;
        vertexTotal += part->SourceVertices().size() / std::max(1u, part->Stride());
        faceTotal += part->SourceIndices().size() / 3;
    }
    mesh.positions.reserve(vertexTotal);
    mesh.indices.reserve(faceTotal * 3);
    for (size_t i = 0; i < mapObject.PartCount(); ++i) {
        SceneObject* part = mapObject.Part(i);
        if (!part || part->Stride() < 12) continue;
        const auto vertices = part->SourceVertices();
        const uint32_t base = static_cast<uint32_t>(mesh.positions.size());
        const size_t count = vertices.size() / part->Stride();
        for (size_t v = 0; v < count; ++v) {
            glm::vec3 p;
            std::memcpy(&p[0], &vertices[v * part->Stride()], 12);
            mesh.positions.push_back(p);
        }
        const auto indices = part->SourceIndices();
        for (size_t f = 0; f + 3 <= indices.size(); f += 3) {
            // A face naming a vertex its part does not have is left out
            // rather than pointed into the next part.
            if (indices[f] >= count || indices[f + 1] >= count || indices[f + 2] >= count) continue;
            for (size_t k = 0; k < 3; ++k)
                mesh.indices.push_back(base + indices[f + k]);
        }
    }
    return mesh;
}

void HeightMesh::Offset(const glm::vec3& offset) {
    if (offset == glm::vec3(0.0f)) return;
    for (auto& p : positions)
        p += offset;
}

bool HeightMesh::Intersect(const glm::vec3& origin, const glm::vec3& direction, glm::vec3& point,
                           float& distance) const {
    bool hit = false;
    float nearest = std::numeric_limits<float>::max();
    for (size_t f = 0; f + 3 <= indices.size(); f += 3) {
        const glm::vec3& p0 = positions[indices[f]];
        const glm::vec3& p1 = positions[indices[f + 1]];
        const glm::vec3& p2 = positions[indices[f + 2]];
        float t, u, v;
        if (RayHitsTriangle(origin, direction, p0, p1, p2, t, u, v) && t < nearest) {
            nearest = t;
            point = p0 + u * (p1 - p0) + v * (p2 - p0);
            hit = true;
        }
    }
    if (hit) distance = nearest;
    return hit;
}

} // namespace view3d
