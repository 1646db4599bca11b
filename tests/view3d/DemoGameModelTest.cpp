// The demo game's models, checked against what its generator wrote: every
// mesh reads, every vertex layout occurs and converts as the generator laid
// it out, bone chains place the parts, and the types' models come together
// as the view asks for them.
#include "format/DefParser.h"
#include "resources/ResourceCatalogue.h"
#include "support/TestSupport.h"
#include "view3d/MeshFile.h"
#include "view3d/ModelCache.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <tuple>

namespace fs = std::filesystem;
using view3d::MeshData;
using view3d::MeshFile;

namespace {

uint32_t Argb(uint32_t r, uint32_t g, uint32_t b) {
    return 0xFF000000u | r << 16 | g << 8 | b;
}
// Pictures and meshes of the patch archives are tinted so overrides show.
const uint32_t kPatchTint = Argb(200, 40, 40);

float FloatAt(const MeshData& mesh, size_t vertex, size_t offset) {
    float f;
    std::memcpy(&f, mesh.vertices.data() + vertex * mesh.stride + offset, 4);
    return f;
}
uint32_t ColourOf(const MeshData& mesh, size_t vertex) {
    uint32_t c;
    std::memcpy(&c, mesh.vertices.data() + vertex * mesh.stride + mesh.ColourOffset(), 4);
    return c;
}

class DemoGameModelTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!fs::exists(fs::path(VM_DEMO_GAME) / "game.pak")) return;
        s_res = new testing_support::TempDir;
        s_catalogue = new resources::CResourceCatalogue(nullptr, nullptr, nullptr);
        s_catalogue->SetGamePath(VM_DEMO_GAME);
        s_catalogue->SetResourceDir(s_res->path().string());
        ASSERT_TRUE(s_catalogue->LoadResources());
        s_cache = new view3d::CModelCache(*s_catalogue);
    }
    static void TearDownTestSuite() {
        delete s_cache;
        delete s_catalogue;
        delete s_res;
        s_cache = nullptr;
        s_catalogue = nullptr;
        s_res = nullptr;
    }
    void SetUp() override {
        if (!s_catalogue) GTEST_SKIP() << "demo game not generated";
    }

    static fs::path Res() { return s_res->path(); }
    static MeshFile MustRead(const fs::path& path) {
        MeshFile mesh;
        std::string error;
        EXPECT_TRUE(view3d::ReadMeshFile(path, mesh, error)) << path << ": " << error;
        return mesh;
    }
    static const view3d::ModelData* Element(const std::string& name) {
        CDefNode element("Entity");
        element.SetFirstValueQuoted(name);
        std::string reason;
        const view3d::ModelData* model = s_cache->ModelForElement(element, &reason);
        EXPECT_TRUE(model) << name << ": " << reason;
        return model;
    }

    inline static testing_support::TempDir* s_res = nullptr;
    inline static resources::CResourceCatalogue* s_catalogue = nullptr;
    inline static view3d::CModelCache* s_cache = nullptr;
};

TEST_F(DemoGameModelTest, EveryMeshReadsAndEveryLayoutOccurs) {
    std::set<std::tuple<uint32_t, bool, bool>> layouts; // size, weights dropped, 32-bit indices
    size_t files = 0;
    for (const auto& item : fs::recursive_directory_iterator(Res())) {
        if (item.path().extension() != ".ply") continue;
        ++files;
        MeshFile mesh = MustRead(item.path());
        layouts.emplace(mesh.fileVertexSize, mesh.mode == 84, mesh.wideIndices);
        auto parts = view3d::BuildChunkMeshes(mesh, 0, mesh.chunks.size(), {}, false);
        for (const auto& part : parts)
            for (uint16_t index : part->indices)
                ASSERT_LT(index, part->vertexCount) << item.path();
    }
    EXPECT_GT(files, 100u);
    for (auto layout : {std::make_tuple(24u, false, false), std::make_tuple(24u, false, true),
                        std::make_tuple(36u, false, false), std::make_tuple(36u, false, true),
                        std::make_tuple(44u, false, false), std::make_tuple(44u, true, false)})
        EXPECT_TRUE(layouts.count(layout))
            << std::get<0>(layout) << " " << std::get<1>(layout) << " " << std::get<2>(layout);
}

TEST_F(DemoGameModelTest, ConvertedVerticesHoldWhatTheGeneratorWrote) {
    // a crate: 24-byte vertices of one wooden box, 1.2 x 0.8 x 0.8, up being -z
    MeshFile crate = MustRead(Res() / "entity/inventory/box_ammo/body.ply");
    EXPECT_EQ(crate.fileVertexSize, 24u);
    auto box = view3d::BuildChunkMeshes(crate, 0, 1, {}, false);
    const MeshData& c = *box[0];
    EXPECT_EQ(c.format, 338u);
    for (size_t i = 0; i < c.vertexCount; ++i) {
        EXPECT_EQ(ColourOf(c, i), Argb(130, 90, 50));
        EXPECT_EQ(FloatAt(c, i, 20), -1.0f);
        glm::vec3 p = c.Position(i);
        EXPECT_NEAR(std::abs(p.x), 0.6f, 1e-5);
        EXPECT_NEAR(std::abs(p.y), 0.4f, 1e-5);
        EXPECT_TRUE(std::abs(p.z) < 1e-5 || std::abs(p.z + 0.8f) < 1e-5) << p.z;
    }

    // a torso: 44-byte vertices whose bone weights (1, 0) are dropped
    MeshFile torso = MustRead(Res() / "entity/-human/officer/torso.ply");
    EXPECT_EQ(torso.fileVertexSize, 44u);
    EXPECT_EQ(torso.stride, 36u);
    EXPECT_EQ(torso.chunks.back().kind, 'X');
    auto cloth = view3d::BuildChunkMeshes(torso, 0, 1, {}, false);
    for (size_t i = 0; i < cloth[0]->vertexCount; ++i) {
        EXPECT_EQ(ColourOf(*cloth[0], i), Argb(80, 90, 70));
        float u = FloatAt(*cloth[0], i, 28), v = FloatAt(*cloth[0], i, 32);
        EXPECT_TRUE(u >= 0 && u <= 1 && v >= 0 && v <= 1) << u << " " << v;
    }

    // a hull: 44-byte vertices keep a second texture coordinate, four times the first
    MeshFile hull = MustRead(Res() / "entity/-vehicle/tank_medium/m4a2/body.ply");
    EXPECT_EQ(hull.format, 594u);
    auto parts = view3d::BuildChunkMeshes(hull, 0, hull.chunks.size(), {}, true);
    ASSERT_EQ(parts.size(), 2u); // body and tracks; the normal-map chunk has no faces
    for (const auto& part : parts) {
        for (size_t i = 0; i < part->vertexCount; ++i) {
            EXPECT_FLOAT_EQ(FloatAt(*part, i, 36), 4 * FloatAt(*part, i, 28));
            EXPECT_FLOAT_EQ(FloatAt(*part, i, 40), 4 * FloatAt(*part, i, 32));
            uint32_t colour = ColourOf(*part, i);
            EXPECT_TRUE(colour == Argb(90, 100, 60) || colour == Argb(40, 40, 40) ||
                        colour == kPatchTint)
                << std::hex << colour;
        }
    }
    EXPECT_EQ(parts[0]->textures.size(), 2u);
    EXPECT_EQ(parts[0]->textures[0].name, "/texture/common/model/tank.dds.tex");
}

TEST_F(DemoGameModelTest, TurretAndGunFollowTheirBoneChains) {
    const view3d::ModelData* tank = Element("t-34-76-41");
    ASSERT_TRUE(tank);
    ASSERT_EQ(tank->PartCount(), 5u); // hull, tracks, turret, gun, track decal
    const auto* gun = dynamic_cast<const MeshData*>(tank->Part(3));
    ASSERT_TRUE(gun);
    // the gun's own file, compacted the same way, moved by hand: its offset,
    // then the turret's offset, then the turret's turn of 0.4 radians
    MeshFile file = MustRead(Res() / "entity/-vehicle/tank_medium/t-34-76-41/gun.ply");
    auto local = view3d::BuildChunkMeshes(file, 0, 1, {}, false);
    ASSERT_EQ(local[0]->vertexCount, gun->vertexCount);
    const float c = std::cos(0.4f), s = std::sin(0.4f);
    for (size_t i = 0; i < gun->vertexCount; ++i) {
        glm::vec3 p = local[0]->Position(i) + glm::vec3(0.9f, 0.0f, -0.45f);
        p += glm::vec3(-0.3f, 0.0f, -1.6f);
        glm::vec3 turned(p.x * c - p.y * s, p.x * s + p.y * c, p.z);
        glm::vec3 got = gun->Position(i);
        EXPECT_NEAR(got.x, turned.x, 1e-5);
        EXPECT_NEAR(got.y, turned.y, 1e-5);
        EXPECT_NEAR(got.z, turned.z, 1e-5);
    }
}

TEST_F(DemoGameModelTest, OnlyShownDecalsAreLoadedWithTheirOwnFlags) {
    const view3d::ModelData* tank = Element("m4a2");
    ASSERT_TRUE(tank);
    size_t sprites = 0;
    for (size_t i = 0; i < tank->PartCount(); ++i) {
        if (!tank->Part(i)->IsSprite()) continue;
        ++sprites;
        const auto* track = static_cast<const view3d::SpriteData*>(tank->Part(i));
        // the track decal; the "broken" scorch decal never loads
        EXPECT_EQ(fs::path(track->textures[0].name).filename(), "track.tga");
        EXPECT_EQ(track->textures[0].mipMap, 0u);
        EXPECT_EQ(track->textures[0].hasAlpha, 1u);
        EXPECT_EQ(track->axis, glm::vec2(16, 0));
        EXPECT_EQ(track->preScaleX, 1.5f);
        EXPECT_EQ(track->box.max, glm::vec3(16, 32, 0));
    }
    EXPECT_EQ(sprites, 1u);
    ASSERT_TRUE(tank->TexMods());
    CDefNode element("Entity", "m4a2");
    element.AddChildQuoted("TexMod", "winter");
    EXPECT_EQ(view3d::TexModificationName(*tank, element), "winter");
}

TEST_F(DemoGameModelTest, EveryDrawnTypeHasItsModel) {
    size_t loaded = 0;
    for (const resources::CEntityEntry& entry : s_catalogue->Entries()) {
        if (entry.category == resources::CategoryMapDefinitions ||
            entry.category == resources::CategorySky) {
            std::string reason;
            EXPECT_TRUE(s_cache->ModelForObject(entry, &reason)) << entry.name << ": " << reason;
            continue;
        }
        DefNodeList nodes;
        ParseDefinitionFile(entry.path, nodes);
        bool drawn = false, map = false;
        for (const auto& node : nodes) {
            drawn |= node->Name() == "Extension" || node->Name() == "DecalView";
            map |= node->Name() == "Heightmap";
        }
        if (!drawn || map) continue;
        std::string reason;
        EXPECT_TRUE(s_cache->ModelForEntity(entry, {}, &reason)) << entry.name << ": " << reason;
        ++loaded;
    }
    EXPECT_GT(loaded, 80u);
}

TEST_F(DemoGameModelTest, MapsAndSkiesLoadAsObjects) {
    const resources::CEntityEntry* map = s_catalogue->FindEntity("120_3m");
    ASSERT_TRUE(map);
    std::string reason;
    const view3d::ModelData* ground = s_cache->ModelForObject(*map, &reason);
    ASSERT_TRUE(ground) << reason;
    const auto* mesh = dynamic_cast<const MeshData*>(ground);
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->textures[0].name, "/texture/common/ground/dgrass5.bmp.tex");
    EXPECT_NEAR(mesh->box.min.x, -180.0f, 1e-3);
    EXPECT_NEAR(mesh->box.max.y, 180.0f, 1e-3);
    // as an element with a variant, the ground's bone reads the variant's folder
    const view3d::ModelData* winter = s_cache->ModelForEntity(*map, "winter", &reason);
    ASSERT_TRUE(winter) << reason;
    EXPECT_EQ(winter->PartCount(), 2u);

    const view3d::ModelData* sky = s_cache->ModelForObject(*s_catalogue->FindEntity("sky_day"));
    ASSERT_TRUE(sky);
    EXPECT_TRUE(sky->IsSprite());
    EXPECT_EQ(sky->BoundingBox().min, glm::vec3(-32, -32, 0));
}

} // namespace
