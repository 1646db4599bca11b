// Ray picks against scene objects and the merged height mesh of the map.

#include "SceneTestSupport.h"
#include "view3d/HeightMesh.h"

using namespace view3d;
using scene_test::Square;

namespace {

class ScenePickingTest : public ::testing::Test {
  protected:
    RecordingDevice m_device;
    const glm::vec3 m_down{0.0f, 0.0f, -1.0f};

    template <class T> std::unique_ptr<T> Built(const ModelData& data) {
        auto object = std::make_unique<T>();
        object->InitFromModel(data);
        EXPECT_EQ(object->CreateDeviceObjects(m_device), DeviceResult::Ok);
        return object;
    }
};

TEST_F(ScenePickingTest, ARayMissingTheBoxReportsNoHitWithoutTouchingTheBuffers) {
    auto data = Square(0.0f);
    auto object = Built<MeshObject>(*data);
    object->Transform({0, 0, 0}, nullptr, KindBuildings);
    const size_t locks = m_device.LockCount();
    float distance = 5.0f;
    EXPECT_FALSE(object->Pick({3.0f, 3.0f, 10.0f}, m_down, distance));
    EXPECT_EQ(distance, 0.0f);
    EXPECT_EQ(m_device.LockCount(), locks);
    // Pointing away from the square misses too.
    EXPECT_FALSE(object->Pick({0.5f, 0.5f, 10.0f}, -m_down, distance));
    EXPECT_TRUE(object->Pick({0.5f, 0.5f, 10.0f}, m_down, distance));
    EXPECT_FLOAT_EQ(distance, 10.0f);
}

TEST_F(ScenePickingTest, TheNearestTriangleWinsWhateverItsPlaceInTheIndexBuffer) {
    // Two stacked squares: the lower one comes first in the index buffer.
    auto data = scene_test::Mesh(
        {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0, 0, 5}, {1, 0, 5}, {0, 1, 5}, {1, 1, 5}},
        {0, 1, 2, 2, 1, 3, 4, 5, 6, 6, 5, 7});
    auto object = Built<MeshObject>(*data);
    float distance = 0.0f;
    ASSERT_TRUE(object->Pick({0.25f, 0.25f, 10.0f}, m_down, distance));
    EXPECT_FLOAT_EQ(distance, 5.0f);
    // From below, the lower one is nearer.
    ASSERT_TRUE(object->Pick({0.25f, 0.25f, -10.0f}, -m_down, distance));
    EXPECT_FLOAT_EQ(distance, 10.0f);
}

TEST_F(ScenePickingTest, PicksUseTheMovedVerticesAndAModelStillPicksAfterARelativeMove) {
    ModelGroupData group;
    group.parts.push_back(Square(0.0f));
    group.parts.push_back(Square(3.0f));
    group.UpdateBox();
    auto model = Built<ModelObject>(group);
    model->Transform({100.0f, 0.0f, 0.0f}, nullptr, KindBuildings);
    float distance = 0.0f;
    EXPECT_FALSE(model->Pick({0.5f, 0.5f, 10.0f}, m_down, distance));
    ASSERT_TRUE(model->Pick({100.5f, 0.5f, 10.0f}, m_down, distance));
    // The upper part, though it is the second.
    EXPECT_FLOAT_EQ(distance, 7.0f);

    // A drag moves by differences and never asks for the top: the model's
    // box must follow all the same.
    model->Transform({-50.0f, 20.0f, 0.0f}, nullptr, KindBuildings);
    EXPECT_TRUE(model->Pick({50.5f, 20.5f, 10.0f}, m_down, distance));
    EXPECT_FALSE(model->Pick({100.5f, 0.5f, 10.0f}, m_down, distance));
}

TEST_F(ScenePickingTest, ObjectsWithoutBuffersAndBaseObjectsAreNeverHit) {
    auto data = Square(0.0f);
    MeshObject unbuilt;
    unbuilt.InitFromModel(*data);
    float distance = 1.0f;
    EXPECT_FALSE(unbuilt.Pick({0.5f, 0.5f, 10.0f}, m_down, distance));
    SceneObject base;
    EXPECT_FALSE(base.Pick({0.5f, 0.5f, 10.0f}, m_down, distance));
    EXPECT_EQ(distance, 0.0f);
}

TEST_F(ScenePickingTest, RayTriangleTestGivesDistanceAndWeightsOnBothFaces) {
    float t, u, v;
    const glm::vec3 p0(0, 0, 0), p1(4, 0, 0), p2(0, 4, 0);
    ASSERT_TRUE(RayHitsTriangle({1, 2, 3}, {0, 0, -1}, p0, p1, p2, t, u, v));
    EXPECT_FLOAT_EQ(t, 3.0f);
    EXPECT_FLOAT_EQ(u, 0.25f);
    EXPECT_FLOAT_EQ(v, 0.5f);
    EXPECT_TRUE(RayHitsTriangle({1, 2, -3}, {0, 0, 2}, p0, p1, p2, t, u, v));
    EXPECT_FLOAT_EQ(t, 1.5f); // in units of the direction's length
    EXPECT_FALSE(RayHitsTriangle({3, 3, 3}, {0, 0, -1}, p0, p1, p2, t, u, v));
    EXPECT_FALSE(RayHitsTriangle({1, 1, 3}, {1, 0, 0}, p0, p1, p2, t, u, v)); // parallel
}

TEST_F(ScenePickingTest, HeightMeshKeepsEveryFaceOfALargeMapAndFindsTheGroundPoint) {
    // Two parts of 300 x 120 cells each: 144,000 faces, more than 16-bit
    // counts hold.
    ModelGroupData map;
    for (int part = 0; part < 2; ++part) {
        const int cols = 300, rows = 120;
        std::vector<glm::vec3> positions;
        std::vector<uint16_t> indices;
        for (int r = 0; r <= rows; ++r)
            for (int c = 0; c <= cols; ++c)
                positions.push_back({float(c), float(r + part * rows), float(part * 10 + c % 2)});
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c) {
                const uint16_t a = uint16_t(r * (cols + 1) + c), b = uint16_t(a + cols + 1);
                indices.insert(indices.end(),
                               {b, a, uint16_t(a + 1), uint16_t(b + 1), b, uint16_t(a + 1)});
            }
        map.parts.push_back(scene_test::Mesh(positions, indices));
    }
    map.UpdateBox();
    ModelObject object;
    object.InitFromModel(map);
    HeightMesh mesh = BuildHeightMesh(object);
    EXPECT_EQ(mesh.FaceCount(), 144000u);
    EXPECT_EQ(mesh.positions.size(), 2u * 301 * 121);

    // A point on the second part, halfway up a slope between x = 7 and 8.
    glm::vec3 point;
    float distance = 0.0f;
    ASSERT_TRUE(mesh.Intersect({7.5f, 200.25f, 100.0f}, {0, 0, -1}, point, distance));
    EXPECT_NEAR(point.x, 7.5f, 1e-4f);
    EXPECT_NEAR(point.y, 200.25f, 1e-4f);
    EXPECT_NEAR(point.z, 10.5f, 1e-4f);
    EXPECT_NEAR(distance, 89.5f, 1e-3f);

    mesh.Offset({-100.0f, -50.0f, 0.0f});
    EXPECT_FALSE(mesh.Intersect({7.5f, 200.25f, 100.0f}, {0, 0, -1}, point, distance));
    ASSERT_TRUE(mesh.Intersect({-92.5f, 150.25f, 100.0f}, {0, 0, -1}, point, distance));
    EXPECT_NEAR(point.z, 10.5f, 1e-4f);
}

} // namespace
