// Meshes, waypoint meshes with their link line, and player flags.

#include "format/DefNode.h"
#include "view3d/SceneObject.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace view3d {

namespace {

// The single mesh part a model stands for.
const MeshData* MeshOf(const ModelData& model) {
    if (auto mesh = dynamic_cast<const MeshData*>(&model)) return mesh;
    return model.PartCount() > 0 ? dynamic_cast<const MeshData*>(model.Part(0)) : nullptr;
}

void MoveVertices(std::span<uint8_t> vertices, uint32_t stride, const glm::vec3& move,
                  const glm::mat4* matrix) {
    if (stride == 0) return;
    for (size_t offset = 0; offset + 12 <= vertices.size(); offset += stride) {
        glm::vec3 p;
        std::memcpy(&p[0], &vertices[offset], 12);
        if (matrix) p = TransformCoord(*matrix, p);
        p += move;
        std::memcpy(&vertices[offset], &p[0], 12);
    }
}

// A waypoint's line runs 10 units above the ground (z grows downwards in
// the map), where the ground does not hide it.
constexpr glm::vec3 kLineLift{0.0f, 0.0f, -10.0f};

void PutLineVertex(std::span<uint8_t> bytes, size_t index, const glm::vec3& p) {
    std::memcpy(&bytes[index * 12], &p[0], 12);
}

} // namespace

// --- MeshObject -------------------------------------------------------------------

void MeshObject::InitFromModel(const ModelData& model) {
    if (const MeshData* mesh = MeshOf(model)) CopyMesh(*mesh);
}

void MeshObject::Render(RenderDevice& device) {
    if (!m_vertexBuffer || !m_indexBuffer) return;
    if (m_material) device.SetMaterial(*m_material);
    if (m_textures.empty()) {
        device.SetTexture(0, {});
    } else if (m_textures.size() == 1) {
        device.SetTexture(0, m_textures[0].texture);
        device.SetTexture(1, {});
    } else {
        // Of two textures the second is the base picture and the first the
        // overlay that the second stage blends over it.
        device.SetTexture(0, m_textures[1].texture);
        device.SetTexture(1, m_textures[0].texture);
    }
    DrawMesh(device);
}

DeviceResult MeshObject::CreateDeviceObjects(RenderDevice& device) {
    return BuildBuffers(device);
}

void MeshObject::Transform(const glm::vec3& move, const glm::mat4* matrix, int kind) {
    if (!m_device || !m_vertexBuffer) return;
    std::span<uint8_t> vertices;
    if (!Succeeded(m_device->Lock(m_vertexBuffer, LockMode::ReadWrite, vertices))) return;
    MoveVertices(vertices, m_stride, move, matrix);
    // The map ground keeps the box it was loaded with.
    if (kind != KindMap) UpdateBox(vertices);
    m_device->Unlock(m_vertexBuffer);
}

bool MeshObject::Pick(const glm::vec3& origin, const glm::vec3& direction, float& distance) {
    return PickTriangles(origin, direction, distance);
}

DeviceResult MeshObject::LoadTextures(RenderDevice& device, const ModelData& model,
                                      TextureSource& cache, const TextureResolver& resolver,
                                      std::string_view modification) {
    const MeshData* mesh = MeshOf(model);
    return mesh ? LoadMeshTextures(device, *mesh, cache, resolver, modification) : DeviceResult::Ok;
}

void MeshObject::Scale(float factor) {
    for (size_t offset = 0; offset + 12 <= m_sourceVertices.size() && m_stride;
         offset += m_stride) {
        glm::vec3 p;
        std::memcpy(&p[0], &m_sourceVertices[offset], 12);
        p *= factor;
        std::memcpy(&m_sourceVertices[offset], &p[0], 12);
    }
}

// --- LinkedMeshObject ---------------------------------------------------------------

LinkedMeshObject::~LinkedMeshObject() {
    if (m_lineDevice) m_lineDevice->Release(m_lineBuffer);
}

void LinkedMeshObject::Render(RenderDevice& device) {
    if (m_target.z < kNoTarget && m_lineBuffer) {
        if (m_material) device.SetMaterial(*m_material);
        device.SetTexture(0, {});
        device.SetFVF(FvfXyz);
        device.SetStreamSource(0, m_lineBuffer, 0, 12);
        device.DrawPrimitive(PrimitiveType::LineList, 0, 1);
    }
    MeshObject::Render(device);
}

DeviceResult LinkedMeshObject::CreateDeviceObjects(RenderDevice& device) {
    // The line buffer is managed and survives a reset; it is made once.
    if (!m_lineBuffer) {
        DeviceResult result =
            device.CreateVertexBuffer(24, UsageWriteOnly, FvfXyz, Pool::Managed, m_lineBuffer);
        if (!Succeeded(result)) return result;
        m_lineDevice = &device;
    }
    std::span<uint8_t> line;
    if (Succeeded(device.Lock(m_lineBuffer, LockMode::ReadWrite, line))) {
        PutLineVertex(line, 0, kLineLift);
        PutLineVertex(line, 1, m_target + kLineLift);
        device.Unlock(m_lineBuffer);
    }
    return MeshObject::CreateDeviceObjects(device);
}

void LinkedMeshObject::Transform(const glm::vec3& move, const glm::mat4* matrix, int kind) {
    MeshObject::Transform(move, matrix, kind);
    std::span<uint8_t> line;
    if (!m_lineBuffer || !Succeeded(m_lineDevice->Lock(m_lineBuffer, LockMode::ReadWrite, line)))
        return;
    glm::vec3 start;
    std::memcpy(&start[0], &line[0], 12);
    PutLineVertex(line, 0, start + move);
    PutLineVertex(line, 1, m_target + kLineLift);
    m_lineDevice->Unlock(m_lineBuffer);
}

void LinkedMeshObject::ResetVertices() {
    MeshObject::ResetVertices();
    std::span<uint8_t> line;
    if (!m_lineBuffer || !Succeeded(m_lineDevice->Lock(m_lineBuffer, LockMode::ReadWrite, line)))
        return;
    PutLineVertex(line, 0, kLineLift);
    m_lineDevice->Unlock(m_lineBuffer);
}

void LinkedMeshObject::SetTarget(const glm::vec3& point) {
    m_target = point;
    Transform(glm::vec3(0.0f), nullptr, KindLink);
}

// --- PlayerFlagObject -------------------------------------------------------------

PlayerFlagObject::PlayerFlagObject(const CDefNode* element) {
    const CDefNode* player = element ? element->FindChild("Player") : nullptr;
    const char* value = player ? player->GetValue(0) : nullptr;
    if (value && *value) m_player = static_cast<int>(std::strtol(value, nullptr, 10));
}

void PlayerFlagObject::InitFromModel(const ModelData& model) {
    MeshObject::InitFromModel(model);
    m_textures.assign(1, TextureSlot{TextureHandle{}, 0, 1});
}

DeviceResult PlayerFlagObject::CreateDeviceObjects(RenderDevice& device) {
    if (m_vertexCount == 0) return DeviceResult::Fail;
    DeviceResult result = MeshObject::CreateDeviceObjects(device);
    if (!Succeeded(result) || m_vertexCount != 24 || !(m_format & FvfTex1)) return result;

    // The standard flag box: the picture goes on the two faces across y,
    // turned so that it reads the same from both sides.
    static const float kUv[8][2] = {{0, 1}, {0, 0}, {1, 0}, {1, 1}, {1, 0}, {1, 1}, {0, 1}, {0, 0}};
    static const int kVertex[8] = {4, 5, 6, 7, 12, 13, 14, 15};
    const size_t uvOffset =
        12 + ((m_format & FvfNormal) ? 12 : 0) + ((m_format & FvfDiffuse) ? 4 : 0);
    std::span<uint8_t> vertices;
    if (Succeeded(device.Lock(m_vertexBuffer, LockMode::ReadWrite, vertices))) {
        for (int i = 0; i < 8; ++i)
            std::memcpy(&vertices[kVertex[i] * m_stride + uvOffset], kUv[i], 8);
        device.Unlock(m_vertexBuffer);
    }
    return result;
}

DeviceResult PlayerFlagObject::LoadTextures(RenderDevice& device, const ModelData&,
                                            TextureSource& cache, const TextureResolver&,
                                            std::string_view) {
    if (m_textures.empty()) return DeviceResult::Ok;
    TextureSlot& slot = m_textures[0];
    char key[32];
    std::snprintf(key, sizeof key, "$Player%d$", m_player);
    TextureHandle texture = cache.Find(key);
    if (!texture) {
        std::vector<uint8_t> pixels;
        TextureDesc desc = PlayerFlagPicture(PlayerFlagBitmap(m_player), pixels);
        desc.fullMipChain = slot.mipMap != 0;
        texture = cache.Create(device, key, desc, pixels);
    }
    slot.texture = texture;
    NoteAlphaChannel(device, slot);
    return texture ? DeviceResult::Ok : DeviceResult::Fail;
}

int PlayerFlagBitmap(int player) {
    switch (player) {
    case 0:
        return 317;
    case 1:
        return 255;
    case 2:
        return 256;
    case 3:
        return 258;
    default:
        return 259;
    }
}

TextureDesc PlayerFlagPicture(int bitmap, std::vector<uint8_t>& pixels) {
    // The program's own flag pictures: a field in the side's colour with a
    // darker border, so that flags of neighbouring units stay apart.
    struct Colour {
        int bitmap;
        uint8_t r, g, b;
    };
    static const Colour kColours[] = {
        {317, 235, 235, 235}, // neutral
        {255, 200, 30, 30},   {256, 40, 70, 200}, {258, 40, 160, 50}, {259, 230, 200, 40},
    };
    Colour colour = kColours[4];
    for (const Colour& c : kColours)
        if (c.bitmap == bitmap) colour = c;
    constexpr uint32_t kWidth = 32, kHeight = 16;
    pixels.assign(kWidth * kHeight * 4, 255);
    for (uint32_t y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < kWidth; ++x) {
            const bool border = x < 2 || y < 2 || x >= kWidth - 2 || y >= kHeight - 2;
            uint8_t* p = &pixels[(y * kWidth + x) * 4];
            p[0] = border ? colour.r / 2 : colour.r;
            p[1] = border ? colour.g / 2 : colour.g;
            p[2] = border ? colour.b / 2 : colour.b;
        }
    return TextureDesc{TextureFormat::Rgbx8, kWidth, kHeight, 1, false};
}

} // namespace view3d
