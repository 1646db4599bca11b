// Reading mesh files: every vertex layout and its conversion, the optional
// blocks, both index widths, per-chunk compaction, and files that lie about
// their sizes.
#include "MeshTestSupport.h"

#include <gtest/gtest.h>

#include <glm/gtc/matrix_transform.hpp>

using namespace mesh_test;
using view3d::MeshData;
using view3d::MeshFile;

namespace {

float FloatAt(const std::vector<uint8_t>& bytes, size_t offset) {
    float f;
    std::memcpy(&f, bytes.data() + offset, 4);
    return f;
}
uint32_t U32At(const std::vector<uint8_t>& bytes, size_t offset) {
    uint32_t v;
    std::memcpy(&v, bytes.data() + offset, 4);
    return v;
}

MeshFile MustRead(const MeshWriter& w) {
    MeshFile mesh;
    std::string error;
    EXPECT_TRUE(Read(w.Bytes(), mesh, error)) << error;
    return mesh;
}

std::string FailureOf(const MeshWriter& w) {
    MeshFile mesh;
    std::string error;
    EXPECT_FALSE(Read(w.Bytes(), mesh, error));
    EXPECT_TRUE(mesh.vertices.empty() && mesh.indices.empty() && mesh.chunks.empty());
    return error;
}

TEST(MeshFileTest, TwentyFourByteVerticesGetANormalPointingUp) {
    MeshFile mesh = MustRead(Quad(24));
    EXPECT_EQ(mesh.format, 338u);
    EXPECT_EQ(mesh.stride, 36u);
    EXPECT_EQ(mesh.fileVertexSize, 24u);
    for (size_t i = 0; i < 4; ++i) {
        size_t v = i * 36;
        EXPECT_EQ(FloatAt(mesh.vertices, v), static_cast<float>(i & 1));
        EXPECT_EQ(FloatAt(mesh.vertices, v + 4), static_cast<float>(i >> 1));
        EXPECT_EQ(FloatAt(mesh.vertices, v + 12), 0.0f);
        EXPECT_EQ(FloatAt(mesh.vertices, v + 16), 0.0f);
        EXPECT_EQ(FloatAt(mesh.vertices, v + 20), -1.0f);
        EXPECT_EQ(U32At(mesh.vertices, v + 24), 0xFF000000u | i);
        EXPECT_EQ(FloatAt(mesh.vertices, v + 28), static_cast<float>(i & 1));
        EXPECT_EQ(FloatAt(mesh.vertices, v + 32), static_cast<float>(i >> 1));
    }
}

TEST(MeshFileTest, FortyFourByteVerticesKeepTwoTextureCoordinatesUnlessModeDropsWeights) {
    MeshWriter two = Quad(44);
    two.vertices[2].u2 = 7.0f;
    two.single = MeshWriter::Chunk{{"normals.tga"}, 0, 'X'};
    MeshFile kept = MustRead(two);
    EXPECT_EQ(kept.format, 594u);
    EXPECT_EQ(kept.stride, 44u);
    EXPECT_EQ(FloatAt(kept.vertices, 2 * 44 + 36), 7.0f);

    MeshWriter weights = Quad(44);
    weights.mode = 84;
    weights.single = MeshWriter::Chunk{{"normals.tga"}, 0, 'X'};
    for (auto& v : weights.vertices)
        v.w0 = 123.0f; // the bytes that go
    MeshFile dropped = MustRead(weights);
    EXPECT_EQ(dropped.format, 338u);
    EXPECT_EQ(dropped.stride, 36u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(FloatAt(dropped.vertices, i * 36 + 20), 1.0f); // normal z kept
        EXPECT_EQ(U32At(dropped.vertices, i * 36 + 24), 0xFF000000u | i);
        EXPECT_EQ(FloatAt(dropped.vertices, i * 36 + 28), static_cast<float>(i & 1));
    }
}

TEST(MeshFileTest, SkinNamesAreSkippedAndTheSingleNameChunkFollowsTheOthers) {
    MeshWriter w = Quad();
    w.skin = std::vector<std::string>{"pelvis", "torso", std::string(200, 'b')};
    w.chunks = {{{"a.tga", "b.tga"}, 1, 'R'}, {{}, 0, 'B'}};
    w.single = MeshWriter::Chunk{{"x.tga"}, 1, 'X'};
    MeshFile mesh = MustRead(w);
    ASSERT_EQ(mesh.chunks.size(), 3u);
    EXPECT_EQ(mesh.chunks[0].names, (std::vector<std::string>{"a.tga", "b.tga"}));
    EXPECT_EQ(mesh.chunks[1].kind, 'B');
    EXPECT_EQ(mesh.chunks[2].kind, 'X');
    EXPECT_EQ(mesh.chunks[2].names, std::vector<std::string>{"x.tga"});
    EXPECT_EQ(mesh.chunks[2].firstFace, 1u);
    EXPECT_EQ(mesh.faceTotal, 2u);
    EXPECT_EQ(mesh.box.max.z, 1.0f);
}

TEST(MeshFileTest, SixteenAndThirtyTwoBitIndicesReadAlike) {
    MeshWriter narrow = Quad();
    MeshWriter wide = Quad();
    wide.wide = true;
    MeshFile a = MustRead(narrow), b = MustRead(wide);
    EXPECT_FALSE(a.wideIndices);
    EXPECT_TRUE(b.wideIndices);
    EXPECT_EQ(a.indices, b.indices);
    EXPECT_EQ(a.indices, (std::vector<uint32_t>{0, 1, 3, 0, 3, 2}));
}

TEST(MeshFileTest, EachChunkKeepsOnlyItsVerticesInOrderOfFirstUse) {
    MeshWriter w = Quad();
    w.chunks = {{{"first.tga"}, 1}, {{"second.tga"}, 2}};
    w.indices = {0, 1, 2, 3, 1, 3, 2, 3, 1};
    MeshFile mesh = MustRead(w);
    EXPECT_EQ(mesh.chunks[0].distinctVertices, 3u);
    EXPECT_EQ(mesh.chunks[1].distinctVertices, 3u);
    auto parts = view3d::BuildChunkMeshes(mesh, 0, 2, {}, false);
    ASSERT_EQ(parts.size(), 2u);
    const MeshData& second = *parts[1];
    EXPECT_EQ(second.vertexCount, 3u);
    EXPECT_EQ(second.faceCount, 2u);
    EXPECT_EQ(second.indices, (std::vector<uint16_t>{0, 1, 0, 2, 0, 1}));
    // slot 0 is file vertex 3, slot 1 vertex 1, slot 2 vertex 2
    EXPECT_EQ(std::memcmp(second.vertices.data(), mesh.vertices.data() + 3 * 36, 36), 0);
    EXPECT_EQ(std::memcmp(second.vertices.data() + 36, mesh.vertices.data() + 36, 36), 0);
    EXPECT_EQ(std::memcmp(second.vertices.data() + 72, mesh.vertices.data() + 72, 36), 0);
    ASSERT_EQ(second.textures.size(), 1u);
    EXPECT_EQ(second.textures[0].name, "second.tga");
    EXPECT_EQ(second.textures[0].hasAlpha, 0u);
    EXPECT_EQ(second.textures[0].mipMap, 1u);
}

TEST(MeshFileTest, BuiltPartsAreMovedWithTheirBoxCorners) {
    MeshWriter w = Quad();
    MeshFile mesh = MustRead(w);
    view3d::PositionTransform t;
    t.ThenOffset({10.0f, 0.0f, 0.0f});
    // a quarter turn about z, stored as the files write it: row 0 is (0, 1, 0)
    glm::mat4 turn(1.0f);
    turn[0] = {0, 1, 0, 0};
    turn[1] = {-1, 0, 0, 0};
    t.Then(turn);
    auto parts = view3d::BuildChunkMeshes(mesh, 0, 1, t, false);
    const MeshData& part = *parts[0];
    // file vertex 1 (1, 0, 0) -> (11, 0, 0) -> (0, 11, 0)
    glm::vec3 p = part.Position(1);
    EXPECT_NEAR(p.x, 0.0f, 1e-5);
    EXPECT_NEAR(p.y, 11.0f, 1e-5);
    EXPECT_NEAR(part.box.max.x, -1.0f, 1e-5); // (1, 1, 1) -> (11, 1, 1) -> (-1, 11, 1)
    EXPECT_NEAR(part.box.max.y, 11.0f, 1e-5);
}

TEST(MeshFileTest, CountsThatOverflowThirtyTwoBitsFail) {
    MeshWriter faces = Quad();
    faces.chunks[0].faces = 0x55555556u; // three times wraps to 2
    EXPECT_EQ(FailureOf(faces), "the chunks' face counts are too large");

    MeshWriter total = Quad();
    total.chunks = {{{"a"}, 0x80000000u}, {{"b"}, 0x80000000u}}; // the sum wraps to 0
    EXPECT_FALSE(Read(total.Bytes()));

    MeshWriter vertices = Quad();
    vertices.vertexCountField = 0x80000000u; // times 36 wraps to 0
    EXPECT_EQ(FailureOf(vertices), "file ends inside the vertices");
}

TEST(MeshFileTest, MalformedFilesFailWithAReason) {
    MeshWriter names = Quad();
    names.chunks[0].names = std::vector<std::string>(9, "n.tga");
    EXPECT_EQ(FailureOf(names), "a chunk names more than 8 textures");

    MeshWriter index = Quad();
    index.indices[4] = 4;
    EXPECT_EQ(FailureOf(index), "an index is beyond the vertices");

    MeshWriter size = Quad();
    size.vertexSize = 40;
    EXPECT_EQ(FailureOf(size), "vertex size is not 24, 36 or 44");

    MeshWriter tag = Quad();
    tag.vertexTag = "VERX";
    EXPECT_EQ(FailureOf(tag), "vertex tag missing");

    MeshWriter noFaces = Quad();
    noFaces.chunks[0].faces = 0;
    noFaces.indices.clear();
    EXPECT_EQ(FailureOf(noFaces), "no faces");

    MeshWriter noVertices = Quad();
    noVertices.vertices.clear();
    EXPECT_EQ(FailureOf(noVertices), "no vertices");
}

TEST(MeshFileTest, EveryCutShortFileFailsWithoutReadingPastItsEnd) {
    MeshWriter w = Quad();
    w.skin = std::vector<std::string>{"bone"};
    w.single = MeshWriter::Chunk{{"x.tga"}, 0, 'X'};
    std::string full = w.Bytes();
    for (size_t n = 0; n + 4 < full.size(); ++n) {
        // a heap copy of exactly n bytes, so the sanitizers see any overread
        std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        MeshFile mesh;
        std::string error;
        EXPECT_FALSE(view3d::ReadMeshFile(cut, mesh, error)) << n << " bytes";
    }
    // the four closing bytes carry nothing
    EXPECT_TRUE(Read(full.substr(0, full.size() - 4)));
    EXPECT_TRUE(Read(full));
}

TEST(MeshFileTest, ChunksBeyondSixteenBitSlotsAreRefused) {
    auto chunkOf = [](uint32_t distinct) {
        MeshWriter w;
        w.vertices.resize(distinct);
        w.wide = true;
        const uint32_t faces = (distinct + 2) / 3;
        w.chunks = {{{"big.tga"}, faces}};
        for (uint32_t i = 0; i < faces * 3; ++i)
            w.indices.push_back(i % distinct);
        return w;
    };
    MeshFile fits = MustRead(chunkOf(65536));
    auto parts = view3d::BuildChunkMeshes(fits, 0, 1, {}, false);
    EXPECT_EQ(parts[0]->vertexCount, 65536u);
    EXPECT_EQ(parts[0]->indices[65535], 65535u);
    EXPECT_EQ(FailureOf(chunkOf(65537)), "a chunk uses more vertices than 16-bit indices reach");
}

} // namespace
