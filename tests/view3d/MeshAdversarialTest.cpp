// The shared corpus of broken mesh files: the control file loads exactly,
// every other one fails to read without touching bytes outside the file.
#include "support/TestSupport.h"
#include "view3d/MeshFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

struct Row {
    std::string id, file;
};

std::vector<Row> MeshRows(const fs::path& root) {
    std::vector<Row> rows;
    std::ifstream in(root / "adversarial" / "manifest.tsv");
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> cells;
        std::stringstream split(line);
        for (std::string cell; std::getline(split, cell, '\t');)
            cells.push_back(cell);
        if (cells.size() > 2 && cells[1] == "mesh") rows.push_back({cells[0], cells[2]});
    }
    return rows;
}

TEST(MeshAdversarialTest, ControlLoadsAndEveryBrokenFileFails) {
    VM_REQUIRE_SHARED_TESTDATA(shared);
    std::vector<Row> rows = MeshRows(shared);
    if (rows.empty()) GTEST_SKIP() << "no mesh rows in the manifest";
    EXPECT_GE(rows.size(), 15u);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id + " " + row.file);
        fs::path path = shared / "adversarial" / row.file;
        ASSERT_TRUE(fs::exists(path));
        view3d::MeshFile mesh;
        std::string error;
        bool ok = view3d::ReadMeshFile(path, mesh, error);
        if (row.id != "M01") {
            EXPECT_FALSE(ok);
            EXPECT_FALSE(error.empty());
            // what a failed read leaves behind is nothing
            EXPECT_TRUE(mesh.vertices.empty() && mesh.indices.empty());
            continue;
        }
        ASSERT_TRUE(ok) << error;
        auto parts = view3d::BuildChunkMeshes(mesh, 0, mesh.chunks.size(), {}, false);
        ASSERT_EQ(parts.size(), 1u);
        const view3d::MeshData& part = *parts[0];
        EXPECT_EQ(part.format, 338u);
        EXPECT_EQ(part.stride, 36u);
        EXPECT_EQ(part.vertexCount, 4u);
        EXPECT_EQ(part.faceCount, 2u);
        EXPECT_EQ(part.indices, (std::vector<uint16_t>{0, 1, 2, 0, 2, 3}));
        EXPECT_EQ(part.box.min, glm::vec3(0.0f));
        EXPECT_EQ(part.box.max, glm::vec3(1.0f, 1.0f, 0.0f));
        ASSERT_EQ(part.textures.size(), 1u);
        EXPECT_EQ(part.textures[0].name, "control.tga");
        EXPECT_EQ(part.textures[0].hasAlpha, 0u);
        EXPECT_EQ(part.textures[0].mipMap, 1u);
    }
}

} // namespace
