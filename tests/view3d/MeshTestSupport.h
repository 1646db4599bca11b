#pragma once

#include "view3d/MeshFile.h"

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace mesh_test {

inline void Put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline void PutFloat(std::string& out, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    Put32(out, bits);
}
inline void PutName(std::string& out, const std::string& name) {
    out += static_cast<char>(name.size());
    out += name;
}

struct Vertex {
    float x = 0, y = 0, z = 0;
    float nx = 0, ny = 0, nz = 1;
    uint32_t colour = 0xFF102030;
    float u = 0, v = 0;
    float u2 = 0, v2 = 0;       // second texture coordinate (44 bytes, mode other than 84)
    float w0 = 1.0f, w1 = 0.0f; // bone weights (44 bytes, mode 84)
};

// A mesh file written field by field, so tests can state exactly what a
// file holds and break one field at a time.
struct MeshWriter {
    struct Chunk {
        std::vector<std::string> names;
        uint32_t faces = 0;
        char kind = 'R';
        int nameCountByte = -1; // -1: the number of names
    };
    float box[6] = {0, 0, 0, 1, 1, 1};
    std::optional<std::vector<std::string>> skin;
    std::vector<Chunk> chunks;
    std::optional<Chunk> single; // the 'X' chunk
    uint32_t mode = 0;
    uint32_t vertexSize = 36;
    std::optional<uint32_t> vertexCountField;
    std::vector<Vertex> vertices;
    std::vector<uint32_t> indices;
    bool wide = false;
    bool trailer = true;
    const char* vertexTag = "VERT";

    std::string VertexBytes(const Vertex& v) const {
        std::string out;
        for (float f : {v.x, v.y, v.z})
            PutFloat(out, f);
        if (vertexSize != 24)
            for (float f : {v.nx, v.ny, v.nz})
                PutFloat(out, f);
        if (vertexSize == 44 && mode == 84) {
            PutFloat(out, v.w0);
            PutFloat(out, v.w1);
        }
        Put32(out, v.colour);
        PutFloat(out, v.u);
        PutFloat(out, v.v);
        if (vertexSize == 44 && mode != 84) {
            PutFloat(out, v.u2);
            PutFloat(out, v.v2);
        }
        return out;
    }

    std::string ChunkBytes(const Chunk& c) const {
        std::string out = "MESH";
        out += c.kind;
        out += static_cast<char>(c.nameCountByte >= 0 ? c.nameCountByte
                                                      : static_cast<int>(c.names.size()));
        out += std::string(6, '\0');
        Put32(out, c.faces);
        Put32(out, mode);
        for (const auto& n : c.names)
            PutName(out, n);
        return out;
    }

    std::string Bytes() const {
        std::string out = "TESTMSH1";
        for (float f : box)
            PutFloat(out, f);
        if (skin) {
            out += "SKIN";
            Put32(out, static_cast<uint32_t>(skin->size()));
            for (const auto& n : *skin)
                PutName(out, n);
        }
        for (const Chunk& c : chunks)
            out += ChunkBytes(c);
        if (single) out += ChunkBytes(*single);
        out += vertexTag;
        Put32(out, vertexCountField.value_or(static_cast<uint32_t>(vertices.size())));
        Put32(out, vertexSize);
        for (const Vertex& v : vertices)
            out += VertexBytes(v);
        out += wide ? "IND4" : "INDX";
        Put32(out, static_cast<uint32_t>(indices.size()));
        for (uint32_t i : indices) {
            if (wide) {
                Put32(out, i);
            } else {
                out += static_cast<char>(i & 0xFF);
                out += static_cast<char>((i >> 8) & 0xFF);
            }
        }
        if (trailer) out += std::string("END\0", 4);
        return out;
    }
};

inline bool Read(const std::string& bytes, view3d::MeshFile& out, std::string& error) {
    return view3d::ReadMeshFile(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), out,
        error);
}

inline bool Read(const std::string& bytes) {
    view3d::MeshFile mesh;
    std::string error;
    return Read(bytes, mesh, error);
}

// A quad of four vertices, two faces, one chunk naming one texture.
inline MeshWriter Quad(uint32_t vertexSize = 36) {
    MeshWriter w;
    w.vertexSize = vertexSize;
    for (int i = 0; i < 4; ++i) {
        Vertex v;
        v.x = static_cast<float>(i & 1);
        v.y = static_cast<float>(i >> 1);
        v.u = v.x;
        v.v = v.y;
        v.colour = 0xFF000000u | static_cast<uint32_t>(i);
        w.vertices.push_back(v);
    }
    w.chunks.push_back({{"quad.tga"}, 2});
    w.indices = {0, 1, 3, 0, 3, 2};
    return w;
}

} // namespace mesh_test
