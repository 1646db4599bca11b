#include "view3d/MapPlacement.h"
#include "view3d/Camera.h"
#include "view3d/HeightMesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace view3d;

TEST(MapPlacementTest, SkyAndGroundPlaneFollowTheWorldBound) {
    const MapGeometry square = MapGeometryOf({-180.0f, -180.0f, 180.0f, 180.0f});
    EXPECT_EQ(square.size, 180.0f);
    EXPECT_EQ(square.centre, glm::vec3(0.0f));

    document::GroundExtent extent;
    extent.picture.minZ = 5.0f;
    const MapGeometry wide = MapGeometryOf({0.0f, 100.0f, 400.0f, 700.0f});
    EXPECT_EQ(wide.size, 300.0f);
    EXPECT_EQ(wide.centre, glm::vec3(200.0f, 400.0f, 0.0f));
    const BackdropPlacement placed = PlaceBackdrop(wide, extent);
    EXPECT_EQ(placed.skyPosition, glm::vec3(200.0f, 400.0f, -100.0f));
    EXPECT_FLOAT_EQ(placed.skyScale, 300.0f * 0.003373494f);
    EXPECT_EQ(placed.planeCentre, glm::vec3(200.0f, 400.0f, 5.0f));
    EXPECT_EQ(placed.planeHalfSide, 600.0f);
}

TEST(MapPlacementTest, RescaleIsNewSizeOverOldAndNeverFlattens) {
    BackdropScale scale;
    EXPECT_EQ(scale.Rescale(180.0f), 1.0f); // the first size sets the base
    EXPECT_EQ(scale.Rescale(360.0f), 2.0f);
    EXPECT_EQ(scale.Rescale(90.0f), 0.25f);
    // A collapsed or broken bound leaves the sky as it is; the next good
    // size is measured against the last good one.
    EXPECT_EQ(scale.Rescale(0.0f), 1.0f);
    EXPECT_EQ(scale.Rescale(-50.0f), 1.0f);
    EXPECT_EQ(scale.Rescale(std::numeric_limits<float>::quiet_NaN()), 1.0f);
    EXPECT_EQ(scale.Rescale(std::numeric_limits<float>::infinity()), 1.0f);
    EXPECT_EQ(scale.Rescale(270.0f), 3.0f);
    EXPECT_EQ(scale.Size(), 270.0f);
}

TEST(MapPlacementTest, GroundPointUnderTheCursorIsWhereThePickRayMeetsTheGround) {
    // Two faces covering (-500, -500)-(500, 500) at height 20 and a slope.
    HeightMesh mesh;
    mesh.positions = {{-500, -500, 20}, {500, -500, 20}, {500, 500, 40}, {-500, 500, 40}};
    mesh.indices = {0, 1, 2, 0, 2, 3};
    Camera camera;
    camera.SetWindow(800.0f, 600.0f);
    camera.SetWorldBound({-500.0f, -500.0f, 500.0f, 500.0f});
    for (glm::vec2 pixel : {glm::vec2(400, 300), glm::vec2(100, 500), glm::vec2(700, 50)}) {
        glm::vec3 origin, direction;
        camera.PickRay(pixel.x, pixel.y, origin, direction);
        const auto point = GroundPointUnder(&mesh, camera, pixel.x, pixel.y);
        ASSERT_TRUE(point);
        // On the ground: z rises from 20 to 40 with y.
        EXPECT_NEAR(point->z, 30.0f + point->y / 50.0f, 1e-2f);
        // And on the ray.
        const glm::vec3 along = *point - origin;
        EXPECT_NEAR(glm::length(glm::cross(along, direction)), 0.0f, 1e-2f * glm::length(along));
    }
    EXPECT_FALSE(GroundPointUnder(nullptr, camera, 400.0f, 300.0f));
}

} // namespace
