// The scene object base: the geometry copy, the device buffers built from
// it, boxes, picking and texture lookup shared by meshes and sprites.

#include "view3d/SceneObject.h"

#include "view3d/TextureResolver.h"

#include <glm/common.hpp>
#include <glm/geometric.hpp>

#include <algorithm>
#include <cstring>
#include <limits>

namespace view3d {

namespace {

glm::vec3 ReadPosition(const uint8_t* vertex) {
    glm::vec3 p;
    std::memcpy(&p[0], vertex, sizeof p);
    return p;
}

} // namespace

SceneObject::SceneObject() = default;

SceneObject::~SceneObject() {
    ReleaseDeviceObjects();
}

void SceneObject::InitFromModel(const ModelData&) {}
void SceneObject::Render(RenderDevice&) {}

DeviceResult SceneObject::CreateDeviceObjects(RenderDevice&) {
    return DeviceResult::Ok;
}

void SceneObject::ReleaseDeviceObjects() {
    if (m_device) {
        m_device->Release(m_vertexBuffer);
        m_device->Release(m_indexBuffer);
    }
    m_vertexBuffer = {};
    m_indexBuffer = {};
}

void SceneObject::Transform(const glm::vec3&, const glm::mat4*, int) {}

void SceneObject::ResetVertices() {
    if (!m_device || !m_vertexBuffer || m_sourceVertices.empty()) return;
    std::span<uint8_t> bytes;
    if (!Succeeded(m_device->Lock(m_vertexBuffer, LockMode::ReadWrite, bytes))) return;
    std::memcpy(bytes.data(), m_sourceVertices.data(),
                std::min(bytes.size(), m_sourceVertices.size()));
    m_device->Unlock(m_vertexBuffer);
}
void SceneObject::SetTarget(const glm::vec3&) {}

bool SceneObject::Pick(const glm::vec3&, const glm::vec3&, float& distance) {
    distance = 0.0f;
    return false;
}

DeviceResult SceneObject::LoadTextures(RenderDevice&, const ModelData&, TextureSource&,
                                       const TextureResolver&, std::string_view) {
    return DeviceResult::Ok;
}

float SceneObject::GetTop() {
    return m_box.max.z;
}

void SceneObject::Scale(float) {}
void SceneObject::AddPart(std::unique_ptr<SceneObject>) {}

void SceneObject::ClearMipMapFlags() {
    for (auto& slot : m_textures)
        slot.mipMap = 0;
}

void SceneObject::CopyMesh(const MeshData& mesh) {
    m_format = mesh.format;
    m_stride = mesh.stride;
    // Counts never claim more than the data holds: a short model draws less
    // rather than reading past its vertices.
    const uint32_t storedVertices =
        mesh.stride ? static_cast<uint32_t>(mesh.vertices.size() / mesh.stride) : 0;
    m_vertexCount = std::min(mesh.vertexCount, storedVertices);
    m_faceCount = std::min(mesh.faceCount, static_cast<uint32_t>(mesh.indices.size() / 3));
    m_box = mesh.box;
    m_centre = (m_box.min + m_box.max) * 0.5f;
    m_texMods = mesh.TexMods();
    m_sourceVertices.assign(mesh.vertices.begin(),
                            mesh.vertices.begin() + size_t{m_vertexCount} * m_stride);
    m_sourceIndices.assign(mesh.indices.begin(), mesh.indices.begin() + size_t{m_faceCount} * 3);
    m_textures.clear();
    m_textures.reserve(mesh.textures.size());
    for (const auto& entry : mesh.textures)
        m_textures.push_back({TextureHandle{}, 0, entry.mipMap});
}

DeviceResult SceneObject::BuildBuffers(RenderDevice& device) {
    ReleaseDeviceObjects();
    m_device = &device;
    VertexBufferHandle vb;
    DeviceResult result = device.CreateVertexBuffer(
        m_vertexCount * m_stride, UsageWriteOnly | UsageDynamic, m_format, Pool::Default, vb);
    if (!Succeeded(result)) return result;
    std::span<uint8_t> bytes;
    if (Succeeded(device.Lock(vb, LockMode::ReadWrite, bytes))) {
        std::memcpy(bytes.data(), m_sourceVertices.data(),
                    std::min(bytes.size(), m_sourceVertices.size()));
        device.Unlock(vb);
    }

    IndexBufferHandle ib;
    result = device.CreateIndexBuffer(m_faceCount * 6, UsageWriteOnly, IndexFormat::Index16,
                                      Pool::Default, ib);
    if (!Succeeded(result)) {
        device.Release(vb);
        return result;
    }
    if (Succeeded(device.Lock(ib, LockMode::ReadWrite, bytes))) {
        std::memcpy(bytes.data(), m_sourceIndices.data(),
                    std::min(bytes.size(), m_sourceIndices.size() * 2));
        device.Unlock(ib);
    }
    m_vertexBuffer = vb;
    m_indexBuffer = ib;
    return DeviceResult::Ok;
}

void SceneObject::UpdateBox(std::span<const uint8_t> vertices) {
    glm::vec3 lo(std::numeric_limits<float>::max());
    glm::vec3 hi(std::numeric_limits<float>::lowest());
    for (size_t offset = 0; offset + 12 <= vertices.size() && m_stride; offset += m_stride) {
        glm::vec3 p = ReadPosition(vertices.data() + offset);
        lo = glm::min(lo, p);
        hi = glm::max(hi, p);
    }
    if (lo.x > hi.x) return; // no vertices: the box stays as it was
    m_box = {lo, hi};
    m_centre = (lo + hi) * 0.5f;
}

bool SceneObject::PickTriangles(const glm::vec3& origin, const glm::vec3& direction,
                                float& distance) {
    distance = 0.0f;
    if (!RayHitsBox(origin, direction, m_box)) return false;
    if (!m_device || !m_vertexBuffer || !m_indexBuffer) return false;
    std::span<uint8_t> vertices, indexBytes;
    if (!Succeeded(m_device->Lock(m_vertexBuffer, LockMode::ReadOnly, vertices))) return false;
    if (!Succeeded(m_device->Lock(m_indexBuffer, LockMode::ReadOnly, indexBytes))) {
        m_device->Unlock(m_vertexBuffer);
        return false;
    }
    // The nearest triangle, not the first in index order: the view compares
    // these distances between entities, and the first hit could lie behind
    // another entity that is nearer.
    bool hit = false;
    float nearest = std::numeric_limits<float>::max();
    const size_t count = std::min<size_t>(m_vertexCount, vertices.size() / std::max(1u, m_stride));
    const size_t faces = std::min<size_t>(m_faceCount, indexBytes.size() / 6);
    for (size_t face = 0; face < faces; ++face) {
        uint16_t index[3];
        std::memcpy(index, indexBytes.data() + face * 6, sizeof index);
        if (index[0] >= count || index[1] >= count || index[2] >= count) continue;
        float t, u, v;
        if (RayHitsTriangle(origin, direction, ReadPosition(&vertices[index[0] * m_stride]),
                            ReadPosition(&vertices[index[1] * m_stride]),
                            ReadPosition(&vertices[index[2] * m_stride]), t, u, v) &&
            t < nearest) {
            nearest = t;
            hit = true;
        }
    }
    m_device->Unlock(m_indexBuffer);
    m_device->Unlock(m_vertexBuffer);
    if (hit) distance = nearest;
    return hit;
}

void SceneObject::NoteAlphaChannel(RenderDevice& device, TextureSlot& slot) const {
    TextureDesc desc;
    if (slot.texture && device.GetTextureDesc(slot.texture, desc) &&
        desc.format == TextureFormat::Rgba8)
        slot.hasAlpha = 1;
}

DeviceResult SceneObject::LoadMeshTextures(RenderDevice& device, const MeshData& mesh,
                                           TextureSource& cache, const TextureResolver& resolver,
                                           std::string_view modification) {
    DeviceResult result = DeviceResult::Ok;
    const size_t count = std::min(m_textures.size(), mesh.textures.size());
    for (size_t i = 0; i < count; ++i) {
        TextureSlot& slot = m_textures[i];
        ResolvedTexture found =
            resolver.Resolve(mesh.fileName, mesh.textures[i].name, modification);
        if (found.path.empty()) continue;
        TextureHandle texture = cache.Find(found.path);
        if (!texture) {
            slot.hasAlpha = resolver.IsAlphaBlended(found.description) ? 1 : 0;
            // A slot whose mip-maps were switched off (the sky) stays without
            // them whatever the description asks.
            slot.mipMap = slot.mipMap && resolver.HasMipmaps(found.description) ? 1 : 0;
            texture = cache.LoadFile(device, found.path, slot.mipMap != 0);
            if (!texture) result = DeviceResult::Fail;
        }
        slot.texture = texture;
        NoteAlphaChannel(device, slot);
    }
    return result;
}

void SceneObject::DrawMesh(RenderDevice& device) {
    device.SetFVF(m_format);
    device.SetStreamSource(0, m_vertexBuffer, 0, m_stride);
    device.SetIndices(m_indexBuffer);
    device.DrawIndexedPrimitive(PrimitiveType::TriangleList, 0, 0, m_vertexCount, 0, m_faceCount);
}

// --- ray tests --------------------------------------------------------------------

bool RayHitsBox(const glm::vec3& origin, const glm::vec3& direction, const Box& box) {
    // Boxes of rotated placements may hold min above max on an axis.
    const glm::vec3 lo = glm::min(box.min, box.max);
    const glm::vec3 hi = glm::max(box.min, box.max);
    float tNear = 0.0f;
    float tFar = std::numeric_limits<float>::max();
    for (int axis = 0; axis < 3; ++axis) {
        if (direction[axis] == 0.0f) {
            if (origin[axis] < lo[axis] || origin[axis] > hi[axis]) return false;
            continue;
        }
        float t1 = (lo[axis] - origin[axis]) / direction[axis];
        float t2 = (hi[axis] - origin[axis]) / direction[axis];
        if (t1 > t2) std::swap(t1, t2);
        tNear = std::max(tNear, t1);
        tFar = std::min(tFar, t2);
        if (tNear > tFar) return false;
    }
    return true;
}

bool RayHitsTriangle(const glm::vec3& origin, const glm::vec3& direction, const glm::vec3& p0,
                     const glm::vec3& p1, const glm::vec3& p2, float& distance, float& u,
                     float& v) {
    const glm::vec3 edge1 = p1 - p0;
    const glm::vec3 edge2 = p2 - p0;
    const glm::vec3 pvec = glm::cross(direction, edge2);
    const float det = glm::dot(edge1, pvec);
    if (std::abs(det) < 1e-12f) return false;
    const float inv = 1.0f / det;
    const glm::vec3 tvec = origin - p0;
    u = glm::dot(tvec, pvec) * inv;
    if (u < 0.0f || u > 1.0f) return false;
    const glm::vec3 qvec = glm::cross(tvec, edge1);
    v = glm::dot(direction, qvec) * inv;
    if (v < 0.0f || u + v > 1.0f) return false;
    distance = glm::dot(edge2, qvec) * inv;
    return distance >= 0.0f;
}

void SortForFrame(std::vector<SceneObject*>& objects) {
    // The rule is not a strict order (nearly level distances chain), so only
    // a merge sort, which never reads outside the range whatever the
    // comparison says, is safe with it.
    std::stable_sort(objects.begin(), objects.end(), [](SceneObject* a, SceneObject* b) {
        const float da = a->CameraDistance();
        const float db = b->CameraDistance();
        if (std::abs(da - db) >= 1.0f) return da > db;
        return a->HasAlpha() && !b->HasAlpha();
    });
}

} // namespace view3d
