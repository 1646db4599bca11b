// The marker meshes: their sizes, closed surfaces wound like the game's own
// meshes, and the flag's two picture faces where the flag object expects them.
#include "view3d/StandardMeshes.h"

#include <gtest/gtest.h>

#include <glm/geometric.hpp>

#include <cstring>
#include <map>
#include <tuple>
#include <utility>

using view3d::MeshData;

namespace {

glm::vec3 NormalOf(const MeshData& mesh, size_t i) {
    glm::vec3 n;
    std::memcpy(&n[0], mesh.vertices.data() + i * 36 + 12, 12);
    return n;
}

// Every triangle faces against its vertex normals (the game's winding), and
// the surface is closed: each edge, by position, is used once in each direction.
void ExpectClosedAndWoundLikeTheGame(const MeshData& mesh) {
    ASSERT_EQ(mesh.indices.size(), mesh.faceCount * 3u);
    std::map<std::pair<std::tuple<float, float, float>, std::tuple<float, float, float>>, int>
        edges;
    auto key = [&](uint16_t i) {
        glm::vec3 p = mesh.Position(i);
        return std::make_tuple(p.x, p.y, p.z);
    };
    for (size_t f = 0; f < mesh.faceCount; ++f) {
        const uint16_t* t = &mesh.indices[f * 3];
        glm::vec3 a = mesh.Position(t[0]), b = mesh.Position(t[1]), c = mesh.Position(t[2]);
        glm::vec3 facing = NormalOf(mesh, t[0]) + NormalOf(mesh, t[1]) + NormalOf(mesh, t[2]);
        EXPECT_LT(glm::dot(glm::cross(b - a, c - a), facing), 0.0f) << "face " << f;
        for (int e = 0; e < 3; ++e) {
            ++edges[{key(t[e]), key(t[(e + 1) % 3])}];
            --edges[{key(t[(e + 1) % 3]), key(t[e])}];
        }
    }
    for (const auto& [edge, balance] : edges)
        EXPECT_EQ(balance, 0);
}

TEST(StandardMeshesTest, SizesAndCountsOfTheThreeMarkers) {
    view3d::StandardMeshes meshes;
    ASSERT_TRUE(view3d::BuildStandardMeshes(meshes));
    EXPECT_EQ(meshes.sphere.vertexCount, 58u);
    EXPECT_EQ(meshes.sphere.faceCount, 112u);
    for (size_t i = 0; i < meshes.sphere.vertexCount; ++i) {
        EXPECT_NEAR(glm::length(meshes.sphere.Position(i)), 5.0f, 1e-5);
        EXPECT_NEAR(glm::length(NormalOf(meshes.sphere, i)), 1.0f, 1e-5);
    }
    EXPECT_EQ(meshes.cube.vertexCount, 24u);
    EXPECT_EQ(meshes.cube.faceCount, 12u);
    EXPECT_EQ(meshes.cube.box.min, glm::vec3(-10.0f));
    EXPECT_EQ(meshes.cube.box.max, glm::vec3(10.0f));
    EXPECT_EQ(meshes.flagBox.vertexCount, 24u);
    EXPECT_EQ(meshes.flagBox.box.max, glm::vec3(10.0f, 1.0f, 5.0f));
    for (const MeshData* mesh : {&meshes.sphere, &meshes.cube, &meshes.flagBox}) {
        EXPECT_EQ(mesh->format, 338u);
        EXPECT_EQ(mesh->stride, 36u);
        ExpectClosedAndWoundLikeTheGame(*mesh);
    }
}

TEST(StandardMeshesTest, FlagPictureFacesAreTheTwoAcrossY) {
    view3d::StandardMeshes meshes;
    ASSERT_TRUE(view3d::BuildStandardMeshes(meshes));
    for (size_t i = 4; i < 8; ++i)
        EXPECT_EQ(NormalOf(meshes.flagBox, i), glm::vec3(0, 1, 0));
    for (size_t i = 12; i < 16; ++i)
        EXPECT_EQ(NormalOf(meshes.flagBox, i), glm::vec3(0, -1, 0));
    // each picture face is a 20 x 10 rectangle
    EXPECT_EQ(meshes.flagBox.Position(4).x, -10.0f);
    EXPECT_EQ(meshes.flagBox.Position(6).x, 10.0f);
    EXPECT_EQ(meshes.flagBox.Position(4).z, 5.0f);
    EXPECT_EQ(meshes.flagBox.Position(5).z, -5.0f);
}

} // namespace
