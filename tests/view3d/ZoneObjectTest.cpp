// Circle zones on the recording device: the grid a radius gives, how it
// winds and carries its picture, picking, and how the device objects are
// made, moved, drawn and given back.

#include "view3d/ZoneObject.h"
#include "document/DocumentTypes.h"
#include "view3d/MapGround.h"
#include "view3d/RecordingDevice.h"

#include <glm/geometric.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

using namespace view3d;

namespace {

// Records what it was asked to paint and gives a picture of the right size
// (or, when told, of a wrong one).
class FakePainter : public ZonePainter {
  public:
    std::vector<ZonePictureRequest> requests;
    int sizeError = 0;
    std::vector<uint32_t> Paint(const ZonePictureRequest& request) override {
        requests.push_back(request);
        return std::vector<uint32_t>(size_t(request.side) * request.side + sizeError, 0xFFFF0000u);
    }
};

std::vector<ZoneVertex> Vertices(const std::vector<uint8_t>& bytes) {
    std::vector<ZoneVertex> out(bytes.size() / sizeof(ZoneVertex));
    std::memcpy(out.data(), bytes.data(), out.size() * sizeof(ZoneVertex));
    return out;
}

// The triangle's winding as seen along the z axis (the z of its normal).
float WindingZ(const glm::vec3& a, const glm::vec3& b, const glm::vec3& c) {
    return glm::cross(b - a, c - a).z;
}

class ZoneObjectTest : public ::testing::Test {
  protected:
    RecordingDevice m_device;
    FakePainter m_painter;
    document::ZoneRecord m_zone = MakeZone();

    static document::ZoneRecord MakeZone() {
        document::ZoneRecord zone;
        zone.name = "\"Bridgehead\"";
        zone.x = 100.0f;
        zone.y = 200.0f;
        zone.radius = 130.5f;
        return zone;
    }

    // Checks that the device's vertices are the grid moved to (x, y, 0).
    void ExpectPlacedAt(const ZoneObject& zone, float x, float y) {
        const auto placed = Vertices(m_device.VertexBytes(zone.VertexBuffer()));
        ASSERT_EQ(placed.size(), zone.Grid().vertices.size());
        for (size_t i = 0; i < placed.size(); ++i) {
            ASSERT_EQ(placed[i].position, zone.Grid().vertices[i].position + glm::vec3(x, y, 0));
            ASSERT_EQ(placed[i].uv, zone.Grid().vertices[i].uv);
        }
    }
};

TEST(ZoneGridTest, TheRadiusGivesTheCellsAndThePictureCoversTheGridAtOnePixelPerUnit) {
    const struct {
        float radius;
        int cells;
        bool large;
    } cases[] = {{0.0f, 2, false},
                 {19.0f, 2, false},
                 {20.0f, 4, false},
                 {100.0f, 12, false},
                 {2000.0f, 202, false},
                 {2001.0f, 32, true},
                 {1e30f, 32, true},
                 {-50.0f, 2, false},
                 {std::numeric_limits<float>::quiet_NaN(), 2, false}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.radius);
        const ZoneGrid grid = BuildZoneGrid(k.radius);
        EXPECT_EQ(grid.cells, k.cells);
        EXPECT_EQ(grid.large, k.large);
        const size_t n = size_t(k.cells) + 1;
        ASSERT_EQ(grid.vertices.size(), n * n);
        ASSERT_EQ(grid.indices.size(), size_t(k.cells) * k.cells * 6);
        EXPECT_LT(*std::max_element(grid.indices.begin(), grid.indices.end()), n * n);
        // Centred on the zone, the picture's edges on the grid's edges.
        const float side = float(k.cells * 20);
        EXPECT_EQ(grid.vertices.front().position, glm::vec3(-side / 2, -side / 2, 0.0f));
        EXPECT_EQ(grid.vertices.back().uv, glm::vec2(1.0f));
        for (const ZoneVertex& v : grid.vertices) {
            ASSERT_NEAR(v.uv.x * side - side / 2, v.position.x, 1e-3f);
            ASSERT_NEAR(v.uv.y * side - side / 2, v.position.y, 1e-3f);
            ASSERT_EQ(v.normal, glm::vec3(0.0f, 0.0f, -1.0f));
        }
    }
}

TEST(ZoneGridTest, EveryTriangleWindsAsTheMapGroundDoes) {
    // First cell: C = (row + 1)(c + 1) + column, D = row (c + 1) + column.
    const ZoneGrid twelve = BuildZoneGrid(100.0f);
    EXPECT_EQ(std::vector<uint16_t>(twelve.indices.begin(), twelve.indices.begin() + 6),
              (std::vector<uint16_t>{13, 0, 1, 14, 13, 1}));
    // The ground is what the camera is known to see from above; a zone
    // wound the other way would be culled away.
    auto ground = BuildFlatGround();
    auto mesh = dynamic_cast<const MeshData*>(ground->Part(0));
    ASSERT_NE(mesh, nullptr);
    const float groundWinding =
        WindingZ(mesh->Position(mesh->indices[0]), mesh->Position(mesh->indices[1]),
                 mesh->Position(mesh->indices[2]));
    ASSERT_NE(groundWinding, 0.0f);
    for (float radius : {0.0f, 250.0f, 5000.0f}) {
        const ZoneGrid grid = BuildZoneGrid(radius);
        for (size_t i = 0; i + 2 < grid.indices.size(); i += 3) {
            const float w = WindingZ(grid.vertices[grid.indices[i]].position,
                                     grid.vertices[grid.indices[i + 1]].position,
                                     grid.vertices[grid.indices[i + 2]].position);
            // Same sign and a whole half cell: no triangle lies flat or twice.
            ASSERT_FLOAT_EQ(std::copysign(1.0f, groundWinding) * w, 400.0f)
                << "radius " << radius << " triangle " << i / 3;
        }
    }
}

TEST_F(ZoneObjectTest, PickMeetsThePlaneInsideTheCircleOnly) {
    ZoneObject zone(m_zone);
    float distance = -1.0f;
    const glm::vec3 down(0.0f, 0.0f, 1.0f);
    EXPECT_TRUE(zone.Pick({100.0f, 230.0f, -100.0f}, down, distance));
    EXPECT_FLOAT_EQ(distance, 100.0f);
    // In units of the direction's length, judged where the ray meets z = 0.
    EXPECT_TRUE(zone.Pick({0.0f, 200.0f, -100.0f}, {2.0f, 0.0f, 2.0f}, distance));
    EXPECT_FLOAT_EQ(distance, 50.0f);
    EXPECT_FALSE(zone.Pick({100.0f, 200.0f, -100.0f}, {2.0f, 0.0f, 1.0f}, distance));
    EXPECT_EQ(distance, 0.0f);
    EXPECT_FALSE(zone.Pick({100.0f, 331.0f, -100.0f}, down, distance));
    // The plane behind the origin, and a ray along the plane, are no hits.
    EXPECT_FALSE(zone.Pick({100.0f, 200.0f, 100.0f}, down, distance));
    EXPECT_FALSE(zone.Pick({100.0f, 200.0f, -100.0f}, {1.0f, 0.0f, 0.0f}, distance));
    // Picking follows the record as it is moved and sized, device or not.
    m_zone.x = 1000.0f;
    EXPECT_FALSE(zone.Pick({100.0f, 230.0f, -100.0f}, down, distance));
    m_zone.radius = 1000.0f;
    EXPECT_TRUE(zone.Pick({100.0f, 230.0f, -100.0f}, down, distance));
}

TEST_F(ZoneObjectTest, RebuildMakesPlacedBuffersAndThePictureAndPlaceMovesOnlyTheVertices) {
    ZoneObject zone(m_zone);
    ASSERT_EQ(zone.Rebuild(m_device, &m_painter), DeviceResult::Ok);
    EXPECT_EQ(
        m_device.LogLines("Create"),
        (std::vector<std::string>{"CreateVertexBuffer 7200 520 274 default -> vb1",
                                  "CreateIndexBuffer 2352 8 Index16 default -> ib2",
                                  "CreateTexture 280x280 format 0 levels 1 full managed -> tex3"}));
    ExpectPlacedAt(zone, 100.0f, 200.0f);
    ASSERT_EQ(m_painter.requests.size(), 1u);
    EXPECT_EQ(m_painter.requests[0].side, 280);
    EXPECT_FALSE(m_painter.requests[0].large);
    EXPECT_FLOAT_EQ(m_painter.requests[0].radius, 130.5f);
    EXPECT_EQ(m_painter.requests[0].name, "Bridgehead");
    const auto vertexBytes = m_device.VertexBytes(zone.VertexBuffer());
    const auto indexBytes = m_device.IndexBytes(zone.IndexBuffer());

    zone.ReleaseDeviceObjects();
    zone.ReleaseDeviceObjects();
    EXPECT_FALSE(zone.Valid());
    EXPECT_EQ(m_device.LiveDefaultPoolResources() + m_device.LiveTextures(), 0u);

    // A device restore builds the same thing again.
    ASSERT_EQ(zone.Rebuild(m_device, &m_painter), DeviceResult::Ok);
    EXPECT_EQ(m_device.VertexBytes(zone.VertexBuffer()), vertexBytes);
    EXPECT_EQ(m_device.IndexBytes(zone.IndexBuffer()), indexBytes);

    // A drag moves the vertices only; zones lie on z 0 whatever their height.
    const TextureHandle texture = zone.Texture();
    m_device.ClearLog();
    m_zone.x = -300.0f;
    m_zone.z = 70.0f;
    zone.Place();
    EXPECT_TRUE(m_device.LogLines("Create").empty());
    EXPECT_EQ(zone.Texture(), texture);
    ExpectPlacedAt(zone, -300.0f, 200.0f);

    // A resize replaces the old objects; a large zone gets the fixed grid.
    m_zone.radius = 2500.0f;
    m_zone.name.clear();
    ASSERT_EQ(zone.Rebuild(m_device, &m_painter), DeviceResult::Ok);
    EXPECT_EQ(m_device.LiveVertexBuffers() + m_device.LiveIndexBuffers(), 2u);
    EXPECT_EQ(m_device.LiveTextures(), 1u);
    const ZonePictureRequest& large = m_painter.requests.back();
    EXPECT_EQ(large.side, 640);
    EXPECT_TRUE(large.large);
    EXPECT_FLOAT_EQ(large.radius, 2500.0f);
    EXPECT_EQ(large.name, "");
}

TEST_F(ZoneObjectTest, AFailedStepLeavesNothingBehindAndPassesTheCodeOn) {
    ZoneObject zone(m_zone);
    for (const char* call : {"CreateVertexBuffer", "CreateIndexBuffer", "CreateTexture", "Lock"}) {
        SCOPED_TRACE(call);
        m_device.FailCall(call, DeviceResult::OutOfVideoMemory);
        EXPECT_EQ(zone.Rebuild(m_device, &m_painter), DeviceResult::OutOfVideoMemory);
        EXPECT_FALSE(zone.Valid());
        EXPECT_EQ(m_device.LiveDefaultPoolResources() + m_device.LiveTextures(), 0u);
    }
    // A picture of the wrong size is refused rather than read past its end.
    m_painter.sizeError = -1;
    EXPECT_EQ(zone.Rebuild(m_device, &m_painter), DeviceResult::InvalidCall);
    EXPECT_EQ(m_device.LiveDefaultPoolResources() + m_device.LiveTextures(), 0u);
    zone.Place();
    zone.Render(m_device);
    EXPECT_TRUE(m_device.LogLines("Draw").empty());
}

TEST_F(ZoneObjectTest, RenderDrawsBothFacesWithTheActiveMaterialAndPutsTheStatesBack) {
    ZoneObject zone(m_zone);
    ASSERT_EQ(zone.Rebuild(m_device, &m_painter), DeviceResult::Ok);
    m_device.ClearLog();
    zone.Render(m_device);
    const std::vector<std::string>& log = m_device.Log();
    const auto draw =
        std::find(log.begin(), log.end(), "DrawIndexedPrimitive TriangleList 0 0 225 0 392");
    ASSERT_NE(draw, log.end());
    EXPECT_EQ(log.front(), "SetRenderState CullMode 1");
    EXPECT_EQ(log.back(), "SetRenderState CullMode 3");
    EXPECT_NE(std::find(log.begin(), draw, "SetTexture 0 " + HandleName(zone.Texture())), draw);
    EXPECT_EQ(m_device.CurrentMaterial(), ZoneObject::NormalMaterial());
    // Stage 0 is left as the scene's objects expect it.
    EXPECT_EQ(m_device.TextureStageValue(0, TextureStageState::ColorOp), OpModulate);
    EXPECT_EQ(m_device.TextureStageValue(0, TextureStageState::AlphaOp), OpSelectArg1);

    // The selected zone's lines take the selected material's colour.
    zone.SetSelected(true);
    m_device.ClearLog();
    zone.Render(m_device);
    EXPECT_EQ(m_device.CurrentMaterial(), ZoneObject::SelectedMaterial());
    EXPECT_NE(ZoneObject::SelectedMaterial().emissive, ZoneObject::NormalMaterial().emissive);
    EXPECT_EQ(m_device.LogLines("SetTextureStageState 0 ColorOp").front(),
              "SetTextureStageState 0 ColorOp " + std::to_string(OpSelectArg2));

    // Without a painter the grid draws untextured.
    ZoneObject plain(m_zone);
    ASSERT_EQ(plain.Rebuild(m_device, nullptr), DeviceResult::Ok);
    EXPECT_FALSE(plain.Texture());
    plain.Render(m_device);
    EXPECT_FALSE(m_device.BoundTexture(0));
}

} // namespace
