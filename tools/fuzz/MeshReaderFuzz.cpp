// Feeds arbitrary bytes to the mesh reader as a mesh file and builds every
// chunk's part from what it read, checking that the parts only ever refer
// to vertices they hold.

#include "view3d/MeshFile.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    view3d::MeshFile mesh;
    std::string error;
    if (!view3d::ReadMeshFile(std::span<const uint8_t>(data, size), mesh, error)) return 0;
    // A read mesh holds no more than a small multiple of its file.
    if (mesh.vertices.size() + mesh.indices.size() * 4 > size * 4 + 64) __builtin_trap();
    view3d::PositionTransform turn;
    turn.ThenOffset({1.0f, 2.0f, 3.0f});
    for (const auto& part : view3d::BuildChunkMeshes(mesh, 0, mesh.chunks.size(), turn, false)) {
        if (part->vertices.size() != static_cast<size_t>(part->vertexCount) * part->stride)
            __builtin_trap();
        for (uint16_t index : part->indices)
            if (index >= part->vertexCount) __builtin_trap();
    }
    return 0;
}
