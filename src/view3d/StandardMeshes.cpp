#include "view3d/StandardMeshes.h"

#include <glm/geometric.hpp>

#include <cmath>
#include <cstring>
#include <numbers>

namespace view3d {

namespace {

void Begin(MeshData& out, size_t vertices, size_t faces) {
    out.textures.clear();
    out.fileName.clear();
    out.format = kFormatMesh;
    out.stride = 36;
    out.vertexCount = static_cast<uint32_t>(vertices);
    out.faceCount = static_cast<uint32_t>(faces);
    out.vertices.assign(vertices * 36, 0);
    out.indices.clear();
    out.indices.reserve(faces * 3);
}

void PutVertex(MeshData& out, size_t i, const glm::vec3& position, const glm::vec3& normal) {
    uint8_t* v = out.vertices.data() + i * 36;
    std::memcpy(v, &position[0], 12);
    std::memcpy(v + 12, &normal[0], 12);
}

glm::vec3 Normal(const MeshData& mesh, size_t i) {
    glm::vec3 n;
    std::memcpy(&n[0], mesh.vertices.data() + i * 36 + 12, 12);
    return n;
}

// Adds a triangle wound as the game's meshes are: the cross product of its
// edges points away from the outside, against the vertex normals.
void Triangle(MeshData& out, uint16_t a, uint16_t b, uint16_t c) {
    glm::vec3 pa = out.Position(a), pb = out.Position(b), pc = out.Position(c);
    glm::vec3 facing = Normal(out, a) + Normal(out, b) + Normal(out, c);
    if (glm::dot(glm::cross(pb - pa, pc - pa), facing) > 0.0f) std::swap(b, c);
    out.indices.insert(out.indices.end(), {a, b, c});
}

void FinishBox(MeshData& out) {
    out.box.min = glm::vec3(1e9f);
    out.box.max = glm::vec3(-1e9f);
    for (size_t i = 0; i < out.vertexCount; ++i) {
        out.box.min = glm::min(out.box.min, out.Position(i));
        out.box.max = glm::max(out.box.max, out.Position(i));
    }
}

} // namespace

void MakeSphere(MeshData& out, float radius, int slices, int stacks) {
    const size_t ring = static_cast<size_t>(slices);
    const size_t rings = static_cast<size_t>(stacks - 1);
    Begin(out, ring * rings + 2, 2 * ring * rings);
    const size_t bottom = ring * rings + 1;
    PutVertex(out, 0, {0.0f, 0.0f, radius}, {0.0f, 0.0f, 1.0f});
    PutVertex(out, bottom, {0.0f, 0.0f, -radius}, {0.0f, 0.0f, -1.0f});
    for (size_t i = 0; i < rings; ++i) {
        const double theta = std::numbers::pi * static_cast<double>(i + 1) / stacks;
        for (size_t j = 0; j < ring; ++j) {
            const double phi = 2.0 * std::numbers::pi * static_cast<double>(j) / slices;
            glm::vec3 n(static_cast<float>(std::sin(theta) * std::cos(phi)),
                        static_cast<float>(std::sin(theta) * std::sin(phi)),
                        static_cast<float>(std::cos(theta)));
            PutVertex(out, 1 + i * ring + j, n * radius, n);
        }
    }
    auto at = [&](size_t i, size_t j) { return static_cast<uint16_t>(1 + i * ring + j % ring); };
    for (size_t j = 0; j < ring; ++j)
        Triangle(out, 0, at(0, j), at(0, j + 1));
    for (size_t i = 0; i + 1 < rings; ++i) {
        for (size_t j = 0; j < ring; ++j) {
            Triangle(out, at(i, j), at(i + 1, j), at(i + 1, j + 1));
            Triangle(out, at(i, j), at(i + 1, j + 1), at(i, j + 1));
        }
    }
    for (size_t j = 0; j < ring; ++j)
        Triangle(out, static_cast<uint16_t>(bottom), at(rings - 1, j + 1), at(rings - 1, j));
    FinishBox(out);
}

void MakeBox(MeshData& out, float width, float height, float depth) {
    Begin(out, 24, 12);
    const glm::vec3 h(width / 2.0f, height / 2.0f, depth / 2.0f);
    // Corners as signs per axis; each face's four corners go round its edge.
    struct Face {
        glm::vec3 normal;
        glm::vec3 corners[4];
    };
    const Face faces[6] = {
        {{-1, 0, 0}, {{-1, -1, 1}, {-1, -1, -1}, {-1, 1, -1}, {-1, 1, 1}}},
        {{0, 1, 0}, {{-1, 1, 1}, {-1, 1, -1}, {1, 1, -1}, {1, 1, 1}}},
        {{1, 0, 0}, {{1, 1, 1}, {1, 1, -1}, {1, -1, -1}, {1, -1, 1}}},
        {{0, -1, 0}, {{-1, -1, -1}, {-1, -1, 1}, {1, -1, 1}, {1, -1, -1}}},
        {{0, 0, 1}, {{-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}}},
        {{0, 0, -1}, {{-1, 1, -1}, {1, 1, -1}, {1, -1, -1}, {-1, -1, -1}}},
    };
    for (size_t f = 0; f < 6; ++f) {
        for (size_t k = 0; k < 4; ++k)
            PutVertex(out, f * 4 + k, faces[f].corners[k] * h, faces[f].normal);
        const auto base = static_cast<uint16_t>(f * 4);
        Triangle(out, base, base + 1, base + 2);
        Triangle(out, base, base + 2, base + 3);
    }
    FinishBox(out);
}

bool BuildStandardMeshes(StandardMeshes& out) {
    MakeSphere(out.sphere, 5.0f, 8, 8);
    MakeBox(out.cube, 20.0f, 20.0f, 20.0f);
    MakeBox(out.flagBox, 20.0f, 2.0f, 10.0f);
    for (const MeshData* mesh : {&out.sphere, &out.cube, &out.flagBox})
        if (mesh->vertexCount > 65536 || mesh->indices.size() != mesh->faceCount * 3u) return false;
    return true;
}

} // namespace view3d
