// Sprites, models of several parts, and the ground square.

#include "view3d/SceneObject.h"

#include <glm/common.hpp>

#include <cstring>
#include <limits>

namespace view3d {

// --- SpriteObject -----------------------------------------------------------------

void SpriteObject::InitFromModel(const ModelData& model) {
    const ModelData* part = model.IsSprite() || model.PartCount() == 0 ? &model : model.Part(0);
    if (auto mesh = dynamic_cast<const MeshData*>(part)) CopyMesh(*mesh);
    SpriteParameters parameters;
    if (part && part->GetSpriteParameters(parameters)) {
        m_preScale = parameters.preScale;
        m_scale = parameters.scale;
        m_opacity = parameters.opacity;
    }
}

void SpriteObject::Render(RenderDevice& device) {
    if (!m_vertexBuffer || !m_indexBuffer) return;
    if (m_material) device.SetMaterial(*m_material);
    device.SetTexture(0, m_textures.empty() ? TextureHandle{} : m_textures[0].texture);
    DrawMesh(device);
}

DeviceResult SpriteObject::CreateDeviceObjects(RenderDevice& device) {
    if (m_material) {
        m_material->diffuse.a = m_opacity;
        m_material->ambient.a = m_opacity;
        m_material->emissive.a = m_opacity;
    }
    return BuildBuffers(device);
}

void SpriteObject::Transform(const glm::vec3& move, const glm::mat4* matrix, int) {
    if (!m_device || !m_vertexBuffer || m_stride == 0) return;
    std::span<uint8_t> vertices;
    if (!Succeeded(m_device->Lock(m_vertexBuffer, LockMode::ReadWrite, vertices))) return;
    for (size_t offset = 0; offset + 12 <= vertices.size(); offset += m_stride) {
        glm::vec3 p;
        std::memcpy(&p[0], &vertices[offset], 12);
        if (matrix) {
            p.x *= m_preScale.x;
            p.y *= m_preScale.y;
            p = TransformCoord(*matrix, p);
        }
        p += move;
        std::memcpy(&vertices[offset], &p[0], 12);
    }
    UpdateBox(vertices);
    m_device->Unlock(m_vertexBuffer);
}

bool SpriteObject::Pick(const glm::vec3& origin, const glm::vec3& direction, float& distance) {
    return PickTriangles(origin, direction, distance);
}

DeviceResult SpriteObject::LoadTextures(RenderDevice& device, const ModelData& model,
                                        TextureSource& cache, const TextureResolver&,
                                        std::string_view) {
    // Sprite data names its picture by its file, with the alpha and mip-map
    // flags of the sprite description already set: there is no texture
    // description to resolve.
    const ModelData* part = model.IsSprite() || model.PartCount() == 0 ? &model : model.Part(0);
    auto mesh = dynamic_cast<const MeshData*>(part);
    if (!mesh || mesh->textures.empty() || m_textures.empty()) return DeviceResult::Ok;
    const TextureEntry& entry = mesh->textures[0];
    TextureSlot& slot = m_textures[0];
    if (entry.name.empty()) return DeviceResult::Fail;
    TextureHandle texture = cache.Find(entry.name);
    if (!texture) {
        slot.hasAlpha = entry.hasAlpha;
        slot.mipMap = slot.mipMap && entry.mipMap ? 1 : 0;
        texture = cache.LoadFile(device, entry.name, slot.mipMap != 0);
    }
    slot.texture = texture;
    NoteAlphaChannel(device, slot);
    return texture ? DeviceResult::Ok : DeviceResult::Fail;
}

// --- ModelObject --------------------------------------------------------------------

void ModelObject::SetMaterial(Material* material) {
    m_material = material;
    for (auto& part : m_parts)
        part->SetMaterial(material);
}

void ModelObject::InitFromModel(const ModelData& model) {
    m_parts.clear();
    for (size_t i = 0; i < model.PartCount(); ++i) {
        const ModelData* data = model.Part(i);
        if (!data) continue;
        std::unique_ptr<SceneObject> part;
        if (data->IsSprite())
            part = std::make_unique<SpriteObject>();
        else
            part = std::make_unique<MeshObject>();
        part->InitFromModel(*data);
        AddPart(std::move(part));
    }
    m_box = model.BoundingBox();
    m_centre = (m_box.min + m_box.max) * 0.5f;
    m_texMods = model.TexMods();
}

void ModelObject::Render(RenderDevice& device) {
    for (auto& part : m_parts)
        part->Render(device);
}

DeviceResult ModelObject::CreateDeviceObjects(RenderDevice& device) {
    for (auto& part : m_parts) {
        DeviceResult result = part->CreateDeviceObjects(device);
        if (!Succeeded(result)) return result;
    }
    return DeviceResult::Ok;
}

void ModelObject::ReleaseDeviceObjects() {
    for (auto& part : m_parts)
        part->ReleaseDeviceObjects();
}

void ModelObject::ResetVertices() {
    for (auto& part : m_parts)
        part->ResetVertices();
}

void ModelObject::Transform(const glm::vec3& move, const glm::mat4* matrix, int kind) {
    for (auto& part : m_parts)
        part->Transform(move, matrix, kind);
    // The whole box is the first test of every pick; it follows the parts
    // at once, or a model dragged elsewhere could no longer be picked.
    if (kind != KindMap && !m_parts.empty()) GetTop();
}

bool ModelObject::Pick(const glm::vec3& origin, const glm::vec3& direction, float& distance) {
    distance = 0.0f;
    if (!RayHitsBox(origin, direction, m_box)) return false;
    // The nearest part, for the same reason as the nearest triangle.
    bool hit = false;
    float nearest = std::numeric_limits<float>::max();
    for (auto& part : m_parts) {
        float d = 0.0f;
        if (part->Pick(origin, direction, d) && d < nearest) {
            nearest = d;
            hit = true;
        }
    }
    if (hit) distance = nearest;
    return hit;
}

DeviceResult ModelObject::LoadTextures(RenderDevice& device, const ModelData& model,
                                       TextureSource& cache, const TextureResolver& resolver,
                                       std::string_view modification) {
    DeviceResult result = DeviceResult::Ok;
    for (size_t i = 0; i < m_parts.size(); ++i) {
        const ModelData* data = model.Part(i);
        if (!data) continue;
        DeviceResult partResult =
            m_parts[i]->LoadTextures(device, *data, cache, resolver, modification);
        if (!Succeeded(partResult)) result = partResult;
    }
    return result;
}

void ModelObject::SetPosition(const glm::vec3& position) {
    m_position = position;
    for (auto& part : m_parts)
        part->SetPosition(position);
}

float ModelObject::GetTop() {
    glm::vec3 lo(1e9f), hi(-1e9f);
    for (auto& part : m_parts) {
        const Box& box = part->GetBox();
        lo = glm::min(lo, box.min);
        hi = glm::max(hi, box.max);
    }
    m_box = {lo, hi};
    m_centre = (lo + hi) * 0.5f;
    return hi.z;
}

void ModelObject::Scale(float factor) {
    for (auto& part : m_parts)
        part->Scale(factor);
}

SceneObject* ModelObject::Part(size_t index) {
    return index < m_parts.size() ? m_parts[index].get() : nullptr;
}

void ModelObject::AddPart(std::unique_ptr<SceneObject> part) {
    if (part) m_parts.push_back(std::move(part));
}

void ModelObject::ClearMipMapFlags() {
    for (auto& part : m_parts)
        part->ClearMipMapFlags();
}

// --- GroundQuadObject -----------------------------------------------------------------

GroundQuadObject::GroundQuadObject(const glm::vec3& centre, float halfSide, TextureHandle texture)
    : m_texture(texture), m_quadCentre(centre), m_halfSide(halfSide) {
    const glm::vec4 sand(220.0f / 255.0f, 211.0f / 255.0f, 184.0f / 255.0f, 1.0f);
    m_quadMaterial.diffuse = sand;
    m_quadMaterial.ambient = sand;
    m_quadMaterial.specular = {0.0f, 0.0f, 0.0f, 1.0f};
    m_quadMaterial.emissive = {0.0f, 0.0f, 0.0f, 1.0f};
    m_quadMaterial.power = 0.0f;
    m_format = kFormatQuad;
    m_vertexCount = 4;
    m_faceCount = 2;
    m_stride = 32;
    m_sourceIndices = {0, 1, 2, 2, 1, 3};
    m_sourceVertices.resize(4 * 32);
    FillVertices(m_sourceVertices);
}

void GroundQuadObject::FillVertices(std::span<uint8_t> vertices) const {
    const float x = m_quadCentre.x, y = m_quadCentre.y, z = m_quadCentre.z, s = m_halfSide;
    const float corners[4][5] = {
        {x + s, y - s, z, 0, 0},
        {x + s, y + s, z, 1, 0},
        {x - s, y - s, z, 0, 1},
        {x - s, y + s, z, 1, 1},
    };
    const float normal[3] = {0.0f, 0.0f, -1.0f};
    for (size_t i = 0; i < 4 && (i + 1) * 32 <= vertices.size(); ++i) {
        uint8_t* v = &vertices[i * 32];
        std::memcpy(v, corners[i], 12);
        std::memcpy(v + 12, normal, 12);
        std::memcpy(v + 24, &corners[i][3], 8);
    }
}

DeviceResult GroundQuadObject::CreateDeviceObjects(RenderDevice& device) {
    FillVertices(m_sourceVertices);
    DeviceResult result = BuildBuffers(device);
    if (Succeeded(result)) UpdateBox(m_sourceVertices);
    return result;
}

void GroundQuadObject::Render(RenderDevice& device) {
    if (!m_vertexBuffer || !m_indexBuffer) return;
    device.SetMaterial(m_quadMaterial);
    device.SetTexture(0, m_texture);
    DrawMesh(device);
}

void GroundQuadObject::Scale(float factor) {
    // Grown about its own centre and kept in the half side, so that the
    // square stays under the map and a device restore keeps its size.
    m_halfSide *= factor;
    FillVertices(m_sourceVertices);
    UpdateBox(m_sourceVertices);
    std::span<uint8_t> vertices;
    if (m_device && m_vertexBuffer &&
        Succeeded(m_device->Lock(m_vertexBuffer, LockMode::ReadWrite, vertices))) {
        FillVertices(vertices);
        m_device->Unlock(m_vertexBuffer);
    }
}

} // namespace view3d
