// Circle zones as the 3D view draws them: a flat grid carrying the zone's
// picture, laid on the plane z = 0 around the zone's centre.

#include "view3d/ZoneObject.h"

#include "document/DocumentTypes.h"
#include "platform/Text.h"
#include "view3d/ModelData.h"

#include <algorithm>
#include <cstring>

namespace view3d {

namespace {

// A radius the grid can be built from: negative and not-a-number radii
// (a hand-edited mission) draw as 0 rather than as a negative cell count.
float UsableRadius(float radius) {
    return radius > 0.0f ? radius : 0.0f;
}

Material MakeNormalMaterial() {
    // Emissive white lights the picture fully whatever the sun does, so the
    // red reads the same on every side of the map.
    Material m;
    m.diffuse = {1.0f, 1.0f, 1.0f, 0.85f};
    m.ambient = {1.0f, 1.0f, 1.0f, 0.85f};
    m.emissive = {1.0f, 1.0f, 1.0f, 1.0f};
    return m;
}

Material MakeSelectedMaterial() {
    // Only the emissive colour counts (no diffuse or ambient light), so the
    // selected zone shows exactly this yellow.
    Material m;
    m.diffuse = {0.0f, 0.0f, 0.0f, 1.0f};
    m.ambient = {0.0f, 0.0f, 0.0f, 1.0f};
    m.emissive = {1.0f, 0.85f, 0.1f, 1.0f};
    return m;
}

void SetStage0(RenderDevice& device, uint32_t colourOp, uint32_t alphaOp) {
    device.SetTextureStageState(0, TextureStageState::ColorOp, colourOp);
    device.SetTextureStageState(0, TextureStageState::ColorArg1, ArgTexture);
    device.SetTextureStageState(0, TextureStageState::ColorArg2, ArgDiffuse);
    device.SetTextureStageState(0, TextureStageState::AlphaOp, alphaOp);
    device.SetTextureStageState(0, TextureStageState::AlphaArg1, ArgTexture);
    device.SetTextureStageState(0, TextureStageState::AlphaArg2, ArgDiffuse);
}

} // namespace

int ZoneCells(float radius) {
    const float r = UsableRadius(radius);
    // Tested before the conversion to int, which a huge radius would overflow.
    return r > kLargeZoneRadius ? kLargeZoneCells : static_cast<int>(r) / kZoneCellSize * 2 + 2;
}

ZoneGrid BuildZoneGrid(float radius) {
    ZoneGrid grid;
    grid.large = UsableRadius(radius) > kLargeZoneRadius;
    grid.cells = ZoneCells(radius);
    const int c = grid.cells;
    const int n = c + 1;
    grid.vertices.resize(static_cast<size_t>(n) * n);
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            ZoneVertex& v = grid.vertices[static_cast<size_t>(j) * n + i];
            v.position = {static_cast<float>((i - c / 2) * kZoneCellSize),
                          static_cast<float>((j - c / 2) * kZoneCellSize), 0.0f};
            // i / c, so that the last vertex reaches the picture's far edge
            // and one picture pixel is one world unit.
            v.uv = {static_cast<float>(i) / static_cast<float>(c),
                    static_cast<float>(j) / static_cast<float>(c)};
        }
    }
    // The cells wind as the map ground's do, so that a zone faces the camera
    // whenever the ground does.
    grid.indices.reserve(static_cast<size_t>(c) * c * 6);
    for (int row = 0; row < c; ++row) {
        for (int column = 0; column < c; ++column) {
            const auto upper = static_cast<uint16_t>((row + 1) * n + column);
            const auto lower = static_cast<uint16_t>(row * n + column);
            const uint16_t cell[6] = {upper,
                                      lower,
                                      static_cast<uint16_t>(lower + 1),
                                      static_cast<uint16_t>(upper + 1),
                                      upper,
                                      static_cast<uint16_t>(lower + 1)};
            grid.indices.insert(grid.indices.end(), std::begin(cell), std::end(cell));
        }
    }
    return grid;
}

ZoneObject::ZoneObject(document::ZoneRecord& zone) : m_zone(zone) {}

ZoneObject::~ZoneObject() {
    ReleaseDeviceObjects();
}

const Material& ZoneObject::NormalMaterial() {
    static const Material material = MakeNormalMaterial();
    return material;
}

const Material& ZoneObject::SelectedMaterial() {
    static const Material material = MakeSelectedMaterial();
    return material;
}

DeviceResult ZoneObject::Rebuild(RenderDevice& device, ZonePainter* painter) {
    ReleaseDeviceObjects();
    m_grid = BuildZoneGrid(m_zone.radius);
    m_device = &device;
    DeviceResult result = CreateBuffers(device);
    if (Succeeded(result) && painter) result = CreatePicture(device, *painter);
    if (!Succeeded(result)) {
        ReleaseDeviceObjects();
        return result;
    }
    m_builtRadius = m_zone.radius;
    m_builtName = m_zone.name;
    m_painted = painter != nullptr;
    return result;
}

DeviceResult ZoneObject::Refresh(RenderDevice& device, ZonePainter* painter) {
    if (!Valid() || m_device != &device || m_builtRadius != m_zone.radius ||
        m_builtName != m_zone.name || m_painted != (painter != nullptr))
        return Rebuild(device, painter);
    Place();
    return DeviceResult::Ok;
}

DeviceResult ZoneObject::CreateBuffers(RenderDevice& device) {
    const auto vertexBytes = static_cast<uint32_t>(m_grid.vertices.size() * sizeof(ZoneVertex));
    DeviceResult result = device.CreateVertexBuffer(vertexBytes, UsageWriteOnly | UsageDynamic,
                                                    kFormatQuad, Pool::Default, m_vertexBuffer);
    if (!Succeeded(result)) return result;
    std::span<uint8_t> bytes;
    result = device.Lock(m_vertexBuffer, LockMode::ReadWrite, bytes);
    if (!Succeeded(result)) return result;
    FillPlaced(bytes);
    device.Unlock(m_vertexBuffer);

    const auto indexBytes = static_cast<uint32_t>(m_grid.indices.size() * sizeof(uint16_t));
    result = device.CreateIndexBuffer(indexBytes, UsageWriteOnly, IndexFormat::Index16,
                                      Pool::Default, m_indexBuffer);
    if (!Succeeded(result)) return result;
    result = device.Lock(m_indexBuffer, LockMode::ReadWrite, bytes);
    if (!Succeeded(result)) return result;
    std::memcpy(bytes.data(), m_grid.indices.data(), std::min<size_t>(bytes.size(), indexBytes));
    device.Unlock(m_indexBuffer);
    return DeviceResult::Ok;
}

DeviceResult ZoneObject::CreatePicture(RenderDevice& device, ZonePainter& painter) {
    ZonePictureRequest request;
    request.side = m_grid.cells * kZoneCellSize;
    request.large = m_grid.large;
    request.radius = UsableRadius(m_zone.radius);
    request.name = platform::StripQuotes(m_zone.name);
    std::vector<uint32_t> pixels = painter.Paint(request);
    const auto side = static_cast<uint32_t>(request.side);
    if (pixels.size() != size_t{side} * side) return DeviceResult::InvalidCall;
    // The texture wants bytes R, G, B, A; they are written over the painted
    // pixels in place, as the largest pictures take tens of megabytes.
    auto* bytes = reinterpret_cast<uint8_t*>(pixels.data());
    for (size_t i = 0; i < pixels.size(); ++i) {
        const uint32_t argb = pixels[i];
        const uint8_t rgba[4] = {static_cast<uint8_t>(argb >> 16), static_cast<uint8_t>(argb >> 8),
                                 static_cast<uint8_t>(argb), static_cast<uint8_t>(argb >> 24)};
        std::memcpy(bytes + i * 4, rgba, 4);
    }
    // A full mip chain keeps the thin ring steady when the camera is far.
    const TextureDesc desc{TextureFormat::Rgba8, side, side, 1, true};
    return device.CreateTexture(desc, std::span<const uint8_t>(bytes, pixels.size() * 4),
                                Pool::Managed, m_texture);
}

void ZoneObject::FillPlaced(std::span<uint8_t> vertices) const {
    const glm::vec3 centre(m_zone.x, m_zone.y, 0.0f);
    const size_t count = std::min(m_grid.vertices.size(), vertices.size() / sizeof(ZoneVertex));
    for (size_t k = 0; k < count; ++k) {
        ZoneVertex v = m_grid.vertices[k];
        v.position += centre;
        std::memcpy(vertices.data() + k * sizeof v, &v, sizeof v);
    }
}

void ZoneObject::Place() {
    if (!Valid() || !m_device) return;
    std::span<uint8_t> bytes;
    if (!Succeeded(m_device->Lock(m_vertexBuffer, LockMode::ReadWrite, bytes))) return;
    FillPlaced(bytes);
    m_device->Unlock(m_vertexBuffer);
}

void ZoneObject::ReleaseDeviceObjects() {
    if (m_device) {
        m_device->Release(m_vertexBuffer);
        m_device->Release(m_indexBuffer);
        m_device->Release(m_texture);
    }
    m_vertexBuffer = {};
    m_indexBuffer = {};
    m_texture = {};
    m_device = nullptr;
}

void ZoneObject::Render(RenderDevice& device) const {
    if (!Valid()) return;
    // Both faces: a zone must show whichever way the camera has turned the
    // map. The selected zone draws its picture's lines in the material's
    // colour; the texture's alpha still cuts the background away.
    device.SetRenderState(RenderState::CullMode, CullNone);
    SetStage0(device, m_selected ? OpSelectArg2 : OpModulate, OpModulate);
    device.SetTexture(0, m_texture);
    device.SetTexture(1, {});
    device.SetMaterial(m_selected ? SelectedMaterial() : NormalMaterial());
    device.SetFVF(kFormatQuad);
    device.SetStreamSource(0, m_vertexBuffer, 0, sizeof(ZoneVertex));
    device.SetIndices(m_indexBuffer);
    device.DrawIndexedPrimitive(PrimitiveType::TriangleList, 0, 0,
                                static_cast<uint32_t>(m_grid.vertices.size()), 0,
                                static_cast<uint32_t>(m_grid.indices.size() / 3));
    SetStage0(device, OpModulate, OpSelectArg1);
    device.SetRenderState(RenderState::CullMode, CullCounterClockwise);
}

bool ZoneObject::Pick(const glm::vec3& origin, const glm::vec3& direction, float& distance) const {
    distance = 0.0f;
    if (direction.z == 0.0f) return false;
    const float t = -origin.z / direction.z;
    if (!(t >= 0.0f)) return false;
    const glm::vec3 p = origin + t * direction;
    const float dx = p.x - m_zone.x, dy = p.y - m_zone.y;
    const float r = UsableRadius(m_zone.radius);
    if (dx * dx + dy * dy > r * r) return false;
    distance = t;
    return true;
}

} // namespace view3d
