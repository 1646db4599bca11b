#pragma once

#include "view3d/RenderDevice.h"

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace document {
struct ZoneRecord;
}

namespace view3d {

// Side of one grid cell of a zone, in world units (and picture pixels).
constexpr int kZoneCellSize = 20;
// Radii above this draw on a fixed grid of kLargeZoneCells cells a side,
// with the radius written on the picture instead of a circle to scale.
constexpr float kLargeZoneRadius = 2000.0f;
constexpr int kLargeZoneCells = 32;

// One vertex of a zone's grid, in the device's position, normal and one
// texture pair layout (kFormatQuad, 32 bytes).
struct ZoneVertex {
    glm::vec3 position{0.0f};
    glm::vec3 normal{0.0f, 0.0f, -1.0f};
    glm::vec2 uv{0.0f};
};
static_assert(sizeof(ZoneVertex) == 32);

// The grid a circle zone of radius r is drawn on: cells of 20 x 20 units,
// c = int(r) / 20 * 2 + 2 per side, or 32 and "large" above 2000. Vertices
// are relative to the zone's centre and row by row (vertex (i, j) at index
// j * (c + 1) + i); the picture covers the grid exactly. A negative or
// not-a-number radius draws as 0.
struct ZoneGrid {
    int cells = 0;
    bool large = false;
    std::vector<ZoneVertex> vertices;
    std::vector<uint16_t> indices;
};
ZoneGrid BuildZoneGrid(float radius);
// The cells per side of the grid of radius (as BuildZoneGrid counts them).
int ZoneCells(float radius);

// What the zone's picture shows; side = 20 * cells pixels square, one pixel
// per world unit (a large zone's picture is not to scale).
struct ZonePictureRequest {
    int side = 0;
    bool large = false;
    float radius = 0;
    std::string name; // without quotes; empty: none
};

// Paints a zone's picture: side * side pixels 0xAARRGGBB, rows from the
// top, the black background fully transparent. The GUI paints with its own
// painter; tests may use a simple stand-in.
class ZonePainter {
  public:
    virtual ~ZonePainter() = default;
    virtual std::vector<uint32_t> Paint(const ZonePictureRequest& request) = 0;
};

// One circle zone of a mission as the view draws it: its grid in a dynamic
// vertex buffer placed at the zone's position (z 0), its index buffer and
// its picture as a texture, and a normal and a selected material. The
// record belongs to the document and must outlive this object.
class ZoneObject {
  public:
    explicit ZoneObject(document::ZoneRecord& zone);
    ~ZoneObject();
    ZoneObject(const ZoneObject&) = delete;
    ZoneObject& operator=(const ZoneObject&) = delete;

    document::ZoneRecord& Zone() const { return m_zone; }

    // (Re)builds buffers and texture from the record's radius and name,
    // placed at its x, y. painter may be null: the grid then draws plain in
    // the material's colour. The first failing device code; on failure
    // nothing is kept and the zone is not valid.
    DeviceResult Rebuild(RenderDevice& device, ZonePainter* painter);
    // After the record changed: rebuilds when its radius or name differ
    // from what the picture shows, otherwise only moves the vertices, so an
    // unchanged zone is not painted again.
    DeviceResult Refresh(RenderDevice& device, ZonePainter* painter);
    // Moves the vertices to the record's current x, y without rebuilding the
    // texture (a drag). Does nothing while not valid.
    void Place();
    // Releases every device object it made; safe to call twice.
    void ReleaseDeviceObjects();
    bool Valid() const { return m_vertexBuffer && m_indexBuffer; }

    // Sets its texture, material and stage and draws both faces; no-op when
    // not valid. Leaves culling counter-clockwise and stage 0 as the scene's
    // objects use it (texture times diffuse, the texture's alpha).
    void Render(RenderDevice& device) const;
    // Whether the ray meets the plane z = 0 inside the record's circle at or
    // beyond the origin; distance along the ray in units of direction's
    // length. Needs no device objects.
    bool Pick(const glm::vec3& origin, const glm::vec3& direction, float& distance) const;

    void SetSelected(bool selected) { m_selected = selected; }
    bool Selected() const { return m_selected; }

    // The picture's red shows through unchanged, a little see-through.
    static const Material& NormalMaterial();
    // The picture's lines turn yellow and fully opaque.
    static const Material& SelectedMaterial();

    const ZoneGrid& Grid() const { return m_grid; }
    VertexBufferHandle VertexBuffer() const { return m_vertexBuffer; }
    IndexBufferHandle IndexBuffer() const { return m_indexBuffer; }
    TextureHandle Texture() const { return m_texture; }

  private:
    DeviceResult CreateBuffers(RenderDevice& device);
    DeviceResult CreatePicture(RenderDevice& device, ZonePainter& painter);
    // Writes the grid moved to the record's x, y into vertices.
    void FillPlaced(std::span<uint8_t> vertices) const;

    document::ZoneRecord& m_zone;
    ZoneGrid m_grid;
    // The radius and name the buffers and picture were made for.
    float m_builtRadius = 0.0f;
    std::string m_builtName;
    bool m_painted = false;
    bool m_selected = false;
    // The device the objects were made on: moves and releases use it.
    RenderDevice* m_device = nullptr;
    VertexBufferHandle m_vertexBuffer;
    IndexBufferHandle m_indexBuffer;
    TextureHandle m_texture;
};

} // namespace view3d
