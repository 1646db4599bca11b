// Reading the game's binary mesh files. They come from the game, from mods
// and from downloads, so every count is checked against the bytes that are
// really there before anything is allocated or read.

#include "view3d/MeshFile.h"

#include "platform/Files.h"

#include <glm/vec4.hpp>

#include <cstring>

namespace view3d {

namespace {

constexpr size_t kHeaderSize = 32;
constexpr size_t kChunkHeaderSize = 20;
// The mode value that marks 44-byte vertices whose bytes 24-31 are dropped.
constexpr uint32_t kDropWeightsMode = 84;

// Bounds-checked little-endian reads over the file's bytes.
class Cursor {
  public:
    explicit Cursor(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

    size_t Remaining() const { return m_bytes.size() - m_pos; }
    size_t Position() const { return m_pos; }
    const uint8_t* Here() const { return m_bytes.data() + m_pos; }
    bool Has(size_t n) const { return n <= Remaining(); }
    bool Skip(size_t n) {
        if (!Has(n)) return false;
        m_pos += n;
        return true;
    }
    bool U8(uint8_t& out) {
        if (!Has(1)) return false;
        out = m_bytes[m_pos++];
        return true;
    }
    bool U32(uint32_t& out) {
        if (!Has(4)) return false;
        out = Le32(Here());
        m_pos += 4;
        return true;
    }
    bool Tag(const char* tag) const { return Has(4) && std::memcmp(Here(), tag, 4) == 0; }
    // A length byte and that many bytes of text.
    bool Name(std::string& out) {
        uint8_t length = 0;
        if (!U8(length) || !Has(length)) return false;
        out.assign(reinterpret_cast<const char*>(Here()), length);
        m_pos += length;
        return true;
    }

    static uint32_t Le32(const uint8_t* p) {
        return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
               static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    }

  private:
    std::span<const uint8_t> m_bytes;
    size_t m_pos = 0;
};

float LeFloat(const uint8_t* p) {
    uint32_t bits = Cursor::Le32(p);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

bool Fail(std::string& error, const char* reason) {
    error = reason;
    return false;
}

bool ReadHeaderAndSkin(Cursor& in, MeshFile& out, std::string& error) {
    if (!in.Has(kHeaderSize)) return Fail(error, "file ends inside the header");
    const uint8_t* h = in.Here();
    out.box.min = {LeFloat(h + 8), LeFloat(h + 12), LeFloat(h + 16)};
    out.box.max = {LeFloat(h + 20), LeFloat(h + 24), LeFloat(h + 28)};
    in.Skip(kHeaderSize);
    if (!in.Tag("SKIN")) return true;
    in.Skip(4);
    uint32_t count = 0;
    if (!in.U32(count)) return Fail(error, "file ends inside the skin block");
    // Each name takes at least its length byte, so the loop ends with the
    // file however large the count claims to be.
    std::string skipped;
    for (uint32_t i = 0; i < count; ++i)
        if (!in.Name(skipped)) return Fail(error, "file ends inside the skin names");
    return true;
}

bool ReadChunks(Cursor& in, MeshFile& out, std::string& error) {
    std::string name;
    for (;;) {
        if (!in.Has(kChunkHeaderSize)) return Fail(error, "file ends inside the chunk headers");
        const uint8_t* h = in.Here();
        if (std::memcmp(h, "MESH", 4) != 0 || (h[4] != 'R' && h[4] != 'B')) break;
        MeshChunk chunk;
        chunk.kind = static_cast<char>(h[4]);
        uint32_t names = h[5];
        chunk.faceCount = Cursor::Le32(h + 12);
        if (names > kMaxChunkNames) return Fail(error, "a chunk names more than 8 textures");
        in.Skip(kChunkHeaderSize);
        for (uint32_t i = 0; i < names; ++i) {
            if (!in.Name(name)) return Fail(error, "file ends inside a chunk's texture names");
            chunk.names.push_back(name);
        }
        out.chunks.push_back(std::move(chunk));
    }
    // The 20 bytes after the last 'R'/'B' chunk carry the mode whether or not
    // they are a single-name chunk; the loop above made sure they are there.
    const uint8_t* h = in.Here();
    out.mode = Cursor::Le32(h + 16);
    if (std::memcmp(h, "MESHX", 5) == 0) {
        MeshChunk chunk;
        chunk.kind = 'X';
        chunk.faceCount = Cursor::Le32(h + 12);
        in.Skip(kChunkHeaderSize);
        if (!in.Name(name)) return Fail(error, "file ends inside the single-name chunk");
        chunk.names.push_back(name);
        out.chunks.push_back(std::move(chunk));
    }
    uint64_t total = 0;
    for (MeshChunk& chunk : out.chunks) {
        chunk.firstFace = static_cast<uint32_t>(total);
        total += chunk.faceCount;
        if (total > UINT32_MAX / 3) return Fail(error, "the chunks' face counts are too large");
    }
    out.faceTotal = static_cast<uint32_t>(total);
    return true;
}

// Copies the vertices into the layout the parts keep (see the table in
// MeshFile.h): 24-byte vertices get the normal (0, 0, -1), 44-byte vertices
// of mode 84 lose bytes 24-31.
void ConvertVertices(const uint8_t* src, MeshFile& out) {
    const size_t count = out.vertexCount;
    out.vertices.resize(count * out.stride);
    uint8_t* dst = out.vertices.data();
    if (out.fileVertexSize == out.stride) {
        std::memcpy(dst, src, count * out.stride);
        return;
    }
    const float normal[3] = {0.0f, 0.0f, -1.0f};
    for (size_t i = 0; i < count; ++i, dst += 36) {
        if (out.fileVertexSize == 24) {
            std::memcpy(dst, src, 12);
            std::memcpy(dst + 12, normal, 12);
            std::memcpy(dst + 24, src + 12, 12);
            src += 24;
        } else {
            std::memcpy(dst, src, 24);
            std::memcpy(dst + 24, src + 32, 12);
            src += 44;
        }
    }
}

bool ReadVertices(Cursor& in, MeshFile& out, std::string& error) {
    if (!in.Tag("VERT")) return Fail(error, "vertex tag missing");
    in.Skip(4);
    uint32_t count = 0, size = 0;
    if (!in.U32(count) || !in.U32(size)) return Fail(error, "file ends inside the vertex header");
    if (size != 24 && size != 36 && size != 44)
        return Fail(error, "vertex size is not 24, 36 or 44");
    if (count == 0) return Fail(error, "no vertices");
    if (out.faceTotal == 0) return Fail(error, "no faces");
    if (static_cast<uint64_t>(count) * size > in.Remaining())
        return Fail(error, "file ends inside the vertices");
    out.vertexCount = count;
    out.fileVertexSize = size;
    if (size == 44 && out.mode != kDropWeightsMode) {
        out.format = kFormatMesh2;
        out.stride = 44;
    } else {
        out.format = kFormatMesh;
        out.stride = 36;
    }
    ConvertVertices(in.Here(), out);
    in.Skip(static_cast<size_t>(count) * size);
    return true;
}

bool ReadIndices(Cursor& in, MeshFile& out, std::string& error) {
    if (!in.Has(8)) return Fail(error, "file ends before the indices");
    out.wideIndices = in.Tag("IND4");
    in.Skip(8); // the tag and a value nobody reads
    const size_t width = out.wideIndices ? 4 : 2;
    const uint64_t count = static_cast<uint64_t>(out.faceTotal) * 3;
    if (count * width > in.Remaining()) return Fail(error, "file ends inside the indices");
    out.indices.resize(static_cast<size_t>(count));
    const uint8_t* p = in.Here();
    for (size_t i = 0; i < count; ++i, p += width) {
        uint32_t index = width == 4 ? Cursor::Le32(p) : static_cast<uint32_t>(p[0] | p[1] << 8);
        if (index >= out.vertexCount) return Fail(error, "an index is beyond the vertices");
        out.indices[i] = index;
    }
    in.Skip(static_cast<size_t>(count * width));
    return true;
}

// Distinct vertices per chunk, counted with one stamp per vertex so that
// many chunks over many vertices cost no more than the indices themselves.
bool CountDistinct(MeshFile& out, std::string& error) {
    std::vector<uint32_t> stamp(out.vertexCount, 0);
    uint32_t current = 0;
    for (MeshChunk& chunk : out.chunks) {
        ++current;
        uint32_t distinct = 0;
        const uint32_t* idx = out.indices.data() + static_cast<size_t>(chunk.firstFace) * 3;
        for (size_t i = 0, n = static_cast<size_t>(chunk.faceCount) * 3; i < n; ++i) {
            if (stamp[idx[i]] == current) continue;
            stamp[idx[i]] = current;
            ++distinct;
        }
        if (distinct > kMaxChunkVertices)
            return Fail(error, "a chunk uses more vertices than 16-bit indices reach");
        chunk.distinctVertices = distinct;
    }
    return true;
}

} // namespace

bool ReadMeshFile(std::span<const uint8_t> bytes, MeshFile& out, std::string& error) {
    out = MeshFile{};
    Cursor in(bytes);
    bool ok = ReadHeaderAndSkin(in, out, error) && ReadChunks(in, out, error) &&
              ReadVertices(in, out, error) && ReadIndices(in, out, error) &&
              CountDistinct(out, error);
    // The four closing bytes mean nothing to the editor; a file that lacks
    // them loses nothing.
    if (!ok) out = MeshFile{};
    return ok;
}

bool ReadMeshFile(const std::filesystem::path& path, MeshFile& out, std::string& error) {
    std::optional<std::string> bytes = platform::ReadWholeFile(path);
    if (!bytes) {
        out = MeshFile{};
        error = "cannot open the file";
        return false;
    }
    std::span<const uint8_t> view(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size());
    if (!ReadMeshFile(view, out, error)) return false;
    out.fileName = path;
    return true;
}

void PositionTransform::ThenOffset(const glm::vec3& offset) {
    glm::mat4 move(1.0f);
    move[3] = glm::vec4(offset, 1.0f);
    Then(move);
}

void PositionTransform::Then(const glm::mat4& m) {
    // p * A * B is B * A * v in the column-major storage (see TransformCoord).
    matrix = m * matrix;
    identity = false;
}

std::vector<std::unique_ptr<MeshData>> BuildChunkMeshes(const MeshFile& file, size_t first,
                                                        size_t count,
                                                        const PositionTransform& transform,
                                                        bool skipEmpty) {
    std::vector<std::unique_ptr<MeshData>> parts;
    // slot[v] is valid while owner[v] names the chunk being built.
    std::vector<uint32_t> owner(file.vertexCount, 0);
    std::vector<uint16_t> slot(file.vertexCount, 0);
    const std::string fileName = file.fileName.string();
    for (size_t c = first; c < file.chunks.size() && c < first + count; ++c) {
        const MeshChunk& chunk = file.chunks[c];
        if (skipEmpty && chunk.faceCount == 0) continue;
        const uint32_t stamp = static_cast<uint32_t>(c) + 1;
        auto mesh = std::make_unique<MeshData>();
        mesh->format = file.format;
        mesh->stride = file.stride;
        mesh->faceCount = chunk.faceCount;
        mesh->vertexCount = chunk.distinctVertices;
        mesh->vertices.resize(static_cast<size_t>(chunk.distinctVertices) * file.stride);
        mesh->indices.resize(static_cast<size_t>(chunk.faceCount) * 3);
        const uint32_t* idx = file.indices.data() + static_cast<size_t>(chunk.firstFace) * 3;
        uint32_t next = 0;
        for (size_t i = 0; i < mesh->indices.size(); ++i) {
            const uint32_t v = idx[i];
            if (owner[v] != stamp) {
                owner[v] = stamp;
                slot[v] = static_cast<uint16_t>(next);
                std::memcpy(mesh->vertices.data() + static_cast<size_t>(next) * file.stride,
                            file.vertices.data() + static_cast<size_t>(v) * file.stride,
                            file.stride);
                if (!transform.identity)
                    mesh->SetPosition(next, transform.Apply(mesh->Position(next)));
                ++next;
            }
            mesh->indices[i] = slot[v];
        }
        mesh->box = {transform.Apply(file.box.min), transform.Apply(file.box.max)};
        for (const std::string& name : chunk.names)
            mesh->textures.push_back({name, 0, 1});
        mesh->fileName = fileName;
        parts.push_back(std::move(mesh));
    }
    return parts;
}

} // namespace view3d
