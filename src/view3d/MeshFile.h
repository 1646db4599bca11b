#pragma once

#include "view3d/ModelData.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace view3d {

// One material chunk of a mesh file: its texture names and its run of faces.
struct MeshChunk {
    char kind = 'R';                // 'R', 'B' or 'X' (the single-name chunk)
    std::vector<std::string> names; // texture references, as written
    uint32_t faceCount = 0;
    uint32_t firstFace = 0;        // faces of the chunks before this one
    uint32_t distinctVertices = 0; // vertices its faces use
};

// A mesh file as read: the box, the chunks, and one vertex array shared by
// the chunks, already converted to the layout the parts keep (36 bytes, or
// 44 bytes for two texture coordinates). Every index is below vertexCount.
struct MeshFile {
    Box box;
    std::vector<MeshChunk> chunks;
    uint32_t fileVertexSize = 0; // 24, 36 or 44, as stored in the file
    uint32_t mode = 0;           // the value that turns 44-byte vertices into 36-byte ones
    bool wideIndices = false;    // "IND4": 32-bit indices in the file
    uint32_t format = kFormatMesh;
    uint32_t stride = 36;
    uint32_t vertexCount = 0;
    uint32_t faceTotal = 0;
    std::vector<uint8_t> vertices;  // vertexCount * stride bytes
    std::vector<uint32_t> indices;  // faceTotal * 3
    std::filesystem::path fileName; // empty when read from memory
};

// Chunks of more distinct vertices do not fit the 16-bit index buffers of
// the parts, and are refused rather than wrapped onto the wrong vertices.
constexpr uint32_t kMaxChunkVertices = 65536;
// At most this many texture names per 'R'/'B' chunk.
constexpr uint32_t kMaxChunkNames = 8;

// Reads a mesh file from memory. False with a reason in error when the bytes
// are not a readable mesh: a missing tag, a vertex size other than 24, 36 or
// 44, no vertices or faces, counts or names that reach past the end, an
// index beyond the vertices, too many names, or a chunk too large for 16-bit
// indices. Nothing is allocated before the bytes it describes are known to
// be present, and nothing outside the bytes is read.
bool ReadMeshFile(std::span<const uint8_t> bytes, MeshFile& out, std::string& error);
// The same for a file on disk.
bool ReadMeshFile(const std::filesystem::path& path, MeshFile& out, std::string& error);

// Where the positions of a part end up, as one matrix stored the way the
// game's files write matrices (a point p becomes p * M). A bone's chain is
// built by appending, from the bone up to the root, its offset and then its
// matrix, and finally the placement; composing once per bone keeps the cost
// per vertex the same however deep the bone sits.
struct PositionTransform {
    glm::mat4 matrix{1.0f};
    bool identity = true;

    glm::vec3 Apply(const glm::vec3& p) const { return identity ? p : TransformCoord(matrix, p); }
    // Afterwards, move points by offset / multiply them by m.
    void ThenOffset(const glm::vec3& offset);
    void Then(const glm::mat4& m);
};

// Builds one MeshData per chunk in [first, first + count): each holds only
// the vertices its faces use, in order of first use, moved by transform, and
// its faces renumbered to those slots. Chunks without faces give no part when
// skipEmpty is set. The parts' boxes are the file's box corners moved by the
// same transform.
std::vector<std::unique_ptr<MeshData>> BuildChunkMeshes(const MeshFile& file, size_t first,
                                                        size_t count,
                                                        const PositionTransform& transform,
                                                        bool skipEmpty);

} // namespace view3d
