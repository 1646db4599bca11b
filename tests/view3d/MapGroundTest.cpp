#include "view3d/MapGround.h"
#include "ModelTestSupport.h"
#include "format/DefNode.h"
#include "format/DefParser.h"
#include "view3d/HeightmapFile.h"
#include "view3d/MapPlacement.h"
#include "view3d/SceneEntity.h"
#include "view3d/SceneObject.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace view3d;

const float kCellX = 10000.0f / 139.0f;
const float kCellY = 10000.0f / 233.0f;

glm::vec3 FloatsAt(const MeshData& mesh, size_t vertex, size_t offset) {
    glm::vec3 out;
    std::memcpy(&out[0], &mesh.vertices[vertex * mesh.stride + offset], 12);
    return out;
}

glm::vec2 PairAt(const MeshData& mesh, size_t vertex, size_t offset) {
    glm::vec2 out;
    std::memcpy(&out[0], &mesh.vertices[vertex * mesh.stride + offset], 8);
    return out;
}

TEST(MapGroundDescriptionTest, KindFollowsTheTemplateReference) {
    CDefNode created("Entity", "$createmap$");
    MapGroundDescription d = DescribeMapGround(created);
    EXPECT_EQ(d.kind, KindMap);
    EXPECT_TRUE(d.created);

    CDefNode withVariant("Entity", "120_3m:summer:x");
    d = DescribeMapGround(withVariant);
    EXPECT_EQ(d.kind, KindMap);
    EXPECT_FALSE(d.created);
    EXPECT_EQ(d.entity, "120_3m");
    EXPECT_EQ(d.variant, "summer:x");

    // Without a variant there is no height mesh, whatever the name says.
    for (const char* value : {"120_3m", "createmap", "$createmap$ "}) {
        CDefNode plain("Entity", value);
        EXPECT_EQ(DescribeMapGround(plain).kind, KindMapNoTemplate) << value;
    }
    CDefNode empty("Entity");
    EXPECT_EQ(DescribeMapGround(empty).kind, KindMapNoTemplate);
}

TEST(FlatGroundTest, IsTheGrassGridOfTheCreatedMap) {
    auto group = BuildFlatGround();
    ASSERT_EQ(group->PartCount(), 1u);
    const auto* mesh = dynamic_cast<const MeshData*>(group->Part(0));
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->vertexCount, 32760u);
    EXPECT_EQ(mesh->faceCount, 64774u);
    EXPECT_EQ(mesh->format, 594u);
    EXPECT_EQ(mesh->stride, 44u);
    EXPECT_EQ(mesh->vertices.size(), 32760u * 44u);
    EXPECT_EQ(mesh->indices.size(), 64774u * 3u);
    for (const Box& box : {mesh->box, group->box}) {
        EXPECT_EQ(box.min, glm::vec3(-3000, -5000, 0));
        EXPECT_EQ(box.max, glm::vec3(3000, 5000, 0));
    }
    ASSERT_EQ(mesh->textures.size(), 1u);
    EXPECT_EQ(mesh->textures[0].name, "/texture/common/ground/dgrass5.bmp.tex");

    // Corners and the vertex at the origin: column k, row i is vertex i * 140 + k.
    struct Probe {
        uint32_t k, i;
    };
    for (Probe p : {Probe{0, 0}, Probe{139, 233}, Probe{69, 116}, Probe{5, 200}}) {
        const size_t vertex = p.i * 140 + p.k;
        const glm::vec3 pos = mesh->Position(vertex);
        EXPECT_NEAR(pos.x, (static_cast<float>(p.k) - 69.0f) * kCellX, 1e-3f);
        EXPECT_NEAR(pos.y, (static_cast<float>(p.i) - 116.0f) * kCellY, 1e-3f);
        EXPECT_EQ(pos.z, 0.0f);
        EXPECT_EQ(FloatsAt(*mesh, vertex, 12), glm::vec3(0, 0, -1));
        const glm::vec2 uv = PairAt(*mesh, vertex, mesh->TexCoordOffset());
        EXPECT_NEAR(uv.x, static_cast<float>(p.k) * kCellX / 512.0f, 1e-5f);
        EXPECT_NEAR(uv.y, static_cast<float>(p.i) * kCellY / 512.0f, 1e-5f);
        EXPECT_EQ(PairAt(*mesh, vertex, mesh->TexCoordOffset() + 8), glm::vec2(0, 0));
    }

    // Cell of row 1, column 2: C = 2 * 140 + 2, D = 140 + 2.
    const size_t cell = (1 * 139 + 2) * 6;
    const std::vector<uint16_t> faces(mesh->indices.begin() + cell,
                                      mesh->indices.begin() + cell + 6);
    EXPECT_EQ(faces, (std::vector<uint16_t>{282, 142, 143, 283, 282, 143}));
    for (uint16_t index : mesh->indices)
        ASSERT_LT(index, mesh->vertexCount);
}

TEST(GroundExtentTest, GroundBoxIsOrderedWhilePictureBoxKeepsTheModelsCorners) {
    document::GroundExtent extent;
    FillGroundExtent({{10, -5, 3}, {-10, 5, -3}}, extent);
    EXPECT_EQ(extent.picture.minX, 10);
    EXPECT_EQ(extent.picture.maxX, -10);
    EXPECT_EQ(extent.picture.minZ, 3);
    EXPECT_EQ(extent.ground.minX, -10);
    EXPECT_EQ(extent.ground.maxX, 10);
    EXPECT_EQ(extent.ground.minY, -5);
    EXPECT_EQ(extent.ground.maxY, 5);
    EXPECT_EQ(extent.ground.minZ, -3);
    EXPECT_EQ(extent.ground.maxZ, 3);
}

// Records every path offered and loads with the file reader.
class RecordingLoader : public HeightmapLoader {
  public:
    std::vector<std::string> offered;
    FileHeightmapLoader files;
    bool LoadHeightmap(const std::string& path) override {
        offered.push_back(path);
        return files.LoadHeightmap(path);
    }
};

std::string GreyTga(uint16_t w, uint16_t h, uint8_t value) {
    std::string out(18, '\0');
    out[2] = 3;
    out[12] = static_cast<char>(w & 0xFF);
    out[13] = static_cast<char>(w >> 8);
    out[14] = static_cast<char>(h & 0xFF);
    out[15] = static_cast<char>(h >> 8);
    out[16] = 8;
    return out + std::string(static_cast<size_t>(w) * h, static_cast<char>(value));
}

class MapTemplateTest : public model_test::ModelFixture {
  protected:
    CModelCache m_cache{m_catalogue};
    RecordingLoader m_loader;
    testing_support::RecordingPrompts m_prompts;

    void WriteTemplate() {
        Write("entity/test/m1/m1.def", R"({Boundary {Destination 360.000000 240.000000}
	{Origin 12.5 -7}}
{Heightmap "missing.tga"}
{Heightmap "short.tga"}
{Heightmap "good.tga"}
{Heightmap "never.tga"}
{Extension "m1.mdl"})");
        Write("entity/test/m1/m1.mdl", R"({Skeleton {VolumeView "summer.mod/ground.ply"}})");
        Write("entity/test/m1/summer.mod/ground.ply", mesh_test::Quad().Bytes());
        Write("entity/test/m1/summer.mod/short.tga", GreyTga(64, 64, 9).substr(0, 200));
        Write("entity/test/m1/summer.mod/good.tga", GreyTga(3, 2, 7));
        Write("entity/test/m1/summer.mod/never.tga", GreyTga(1, 1, 1));
        m_catalogue.ScanEntities("entity", "test", m_list, resources::CategoryMapDefinitions);
    }
};

TEST_F(MapTemplateTest, HeightmapsAreTriedInOrderUntilOneLoads) {
    WriteTemplate();
    CDefNode element("Entity", "m1:summer");
    MapGround ground = BuildMapGround(element, m_catalogue, m_cache, &m_loader, &m_prompts);
    ASSERT_TRUE(ground.model) << ground.reason;
    EXPECT_EQ(ground.description.kind, KindMap);

    ASSERT_EQ(m_loader.offered.size(), 3u);
    for (const std::string& path : m_loader.offered)
        EXPECT_NE(path.find("summer.mod"), std::string::npos) << path;
    EXPECT_NE(m_loader.offered[2].find("good.tga"), std::string::npos);
    EXPECT_EQ(ground.info.heightmap, m_loader.offered[2]);
    const std::vector<std::string> expected = {
        "Cannot load heightmap from \"" + m_loader.offered[0] + "\"",
        "Cannot load heightmap from \"" + m_loader.offered[1] + "\""};
    EXPECT_EQ(ground.info.messages, expected);
    EXPECT_EQ(m_prompts.messages, expected);
    ASSERT_TRUE(m_loader.files.Loaded());
    EXPECT_EQ(m_loader.files.Image().width, 3u);
    EXPECT_EQ(m_loader.files.Image().At(2, 1), 7);

    EXPECT_TRUE(ground.info.boundary.hasDestination);
    EXPECT_EQ(ground.info.boundary.destination, glm::vec2(360, 240));
    EXPECT_TRUE(ground.info.boundary.hasOrigin);
    EXPECT_EQ(ground.info.boundary.origin, glm::vec2(12.5f, -7));
    ASSERT_TRUE(ground.extentSet);
    EXPECT_EQ(ground.extent.picture.maxX, 1.0f);
    EXPECT_EQ(ground.extent.ground.maxY, 1.0f);
}

TEST_F(MapTemplateTest, EveryBuildReadsTheTemplateEvenWhenItsModelIsCached) {
    WriteTemplate();
    CDefNode element("Entity", "m1:summer");
    MapGround first = BuildMapGround(element, m_catalogue, m_cache, &m_loader, nullptr);
    MapGround second = BuildMapGround(element, m_catalogue, m_cache, &m_loader, nullptr);
    EXPECT_EQ(first.model, second.model);
    EXPECT_EQ(m_loader.offered.size(), 6u);
    EXPECT_EQ(second.info.heightmap, first.info.heightmap);
    EXPECT_TRUE(second.info.boundary.hasOrigin);
}

TEST_F(MapTemplateTest, WithoutAVariantNoHeightmapIsAskedFor) {
    WriteTemplate();
    CDefNode element("Entity", "m1");
    MapGround ground = BuildMapGround(element, m_catalogue, m_cache, &m_loader, &m_prompts);
    EXPECT_EQ(ground.description.kind, KindMapNoTemplate);
    EXPECT_TRUE(ground.model) << ground.reason;
    EXPECT_TRUE(m_loader.offered.empty());
    EXPECT_TRUE(m_prompts.messages.empty());
    EXPECT_TRUE(ground.info.boundary.hasDestination);
}

TEST_F(MapTemplateTest, WhenNoHeightmapLoadsEachFailureIsShownAndLoadingGoesOn) {
    Write("entity/test/m2/m2.def", R"({Heightmap "a.tga"} {Heightmap} {Boundary {Destination 1}})");
    std::string absurd = GreyTga(1, 1, 0); // then made 65535 x 65535
    absurd[12] = absurd[13] = absurd[14] = absurd[15] = '\xFF';
    Write("entity/test/m2/v.mod/a.tga", absurd);
    m_catalogue.ScanEntities("entity", "test", m_list, resources::CategoryMapDefinitions);
    CDefNode element("Entity", "m2:v");
    MapGround ground = BuildMapGround(element, m_catalogue, m_cache, &m_loader, &m_prompts);
    EXPECT_FALSE(ground.model);
    EXPECT_FALSE(ground.extentSet);
    EXPECT_TRUE(ground.info.heightmap.empty());
    ASSERT_EQ(m_prompts.messages.size(), 2u);
    EXPECT_EQ(m_prompts.messages[1], "Cannot load heightmap from \"\"");
    EXPECT_FALSE(ground.info.boundary.hasDestination); // one number is not a pair
    EXPECT_FALSE(m_loader.files.LastError().empty());
}

TEST_F(MapTemplateTest, CreatedGroundAndUnknownTypes) {
    CDefNode created("Entity", "$createmap$");
    MapGround ground = BuildMapGround(created, m_catalogue, m_cache, &m_loader, &m_prompts);
    ASSERT_TRUE(ground.model);
    EXPECT_EQ(ground.model, ground.ownedModel.get());
    EXPECT_EQ(ground.extent.ground.minX, -3000.0f);
    EXPECT_EQ(ground.extent.ground.maxY, 5000.0f);
    EXPECT_EQ(ground.extent.picture.maxZ, 0.0f);
    EXPECT_TRUE(m_loader.offered.empty());

    CDefNode unknown("Entity", "nowhere:summer");
    ground = BuildMapGround(unknown, m_catalogue, m_cache, &m_loader, &m_prompts);
    EXPECT_FALSE(ground.model);
    EXPECT_FALSE(ground.reason.empty());
}

// The created ground as the view holds it: a map entity with its object.
std::unique_ptr<SceneEntity> FlatMapEntity(CDefNode& element, const ModelData& model, int kind,
                                           const glm::vec3& position = glm::vec3(0.0f)) {
    auto entity = std::make_unique<PlayerSceneEntity>(&element, kind, position);
    auto object = std::make_unique<ModelObject>();
    object->InitFromModel(model);
    entity->SetObject(std::move(object));
    return entity;
}

TEST(MapHeightMeshTest, GroundPointLiesOnTheCreatedGroundAndFollowsTheMapOrigin) {
    auto model = BuildFlatGround();
    CDefNode element("Entity", "$createmap$");
    auto map = FlatMapEntity(element, *model, KindMap);
    auto mesh = BuildMapHeightMesh(*map);
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->positions.size(), 32760u);
    EXPECT_EQ(mesh->FaceCount(), 64774u);

    auto point = GroundPointOnRay(mesh.get(), {123.0f, -456.0f, -50.0f}, {0, 0, 1});
    ASSERT_TRUE(point);
    EXPECT_NEAR(point->x, 123.0f, 1e-2f);
    EXPECT_NEAR(point->y, -456.0f, 1e-2f);
    EXPECT_NEAR(point->z, 0.0f, 1e-4f);
    EXPECT_FALSE(GroundPointOnRay(mesh.get(), {123.0f, -456.0f, -50.0f}, {0, 0, -1}));
    EXPECT_FALSE(GroundPointOnRay(mesh.get(), {6000.0f, 0.0f, -50.0f}, {0, 0, 1}));

    EXPECT_TRUE(GroundPointOnRay(mesh.get(), {5000.0f, 0.0f, -50.0f}, {0, 0, 1}));
    document::GroundExtent extent;
    EXPECT_FALSE(ApplyMapOrigin(extent, *map, mesh.get()));
    extent.offsetX = 100.0f;
    extent.offsetY = 50.0f;
    const glm::vec3 corner = mesh->positions[0];
    EXPECT_TRUE(ApplyMapOrigin(extent, *map, mesh.get()));
    EXPECT_EQ(map->RequestedPosition(), glm::vec3(-100, -50, 0));
    EXPECT_EQ(map->CurrentPosition(), glm::vec3(-100, -50, 0));
    EXPECT_NEAR(mesh->positions[0].x, corner.x - 100.0f, 1e-2f);
    EXPECT_NEAR(mesh->positions[0].y, corner.y - 50.0f, 1e-2f);
    // The grid's edges (x from -4964 to 5036) have moved with it.
    EXPECT_FALSE(GroundPointOnRay(mesh.get(), {5000.0f, 0.0f, -50.0f}, {0, 0, 1}));
    EXPECT_TRUE(GroundPointOnRay(mesh.get(), {-5050.0f, 0.0f, -50.0f}, {0, 0, 1}));
}

TEST(MapHeightMeshTest, MeshStaysUnderAMapPlacedAwayFromTheOrigin) {
    auto model = BuildFlatGround();
    CDefNode element("Entity", "$createmap$");
    auto map = FlatMapEntity(element, *model, KindMap, {10.0f, 20.0f, 5.0f});
    auto mesh = BuildMapHeightMesh(*map);
    ASSERT_TRUE(mesh);
    const glm::vec3 source = static_cast<const MeshData*>(model->Part(0))->Position(0);
    EXPECT_NEAR(mesh->positions[0].x, source.x + 10.0f, 1e-2f);
    document::GroundExtent extent;
    extent.offsetX = 100.0f;
    extent.offsetY = 50.0f;
    ASSERT_TRUE(ApplyMapOrigin(extent, *map, mesh.get()));
    EXPECT_EQ(map->RequestedPosition(), glm::vec3(-100, -50, 5));
    // Built at (10, 20, 5), now at (-100, -50, 5): the mesh went the same way.
    EXPECT_NEAR(mesh->positions[0].x, source.x - 100.0f, 1e-2f);
    EXPECT_NEAR(mesh->positions[0].y, source.y - 50.0f, 1e-2f);
    EXPECT_NEAR(mesh->positions[0].z, source.z + 5.0f, 1e-4f);
}

TEST(MapHeightMeshTest, AMapWithoutTemplateHasNoGroundPoint) {
    auto model = BuildFlatGround();
    CDefNode element("Entity", "plain");
    auto map = FlatMapEntity(element, *model, KindMapNoTemplate);
    auto mesh = BuildMapHeightMesh(*map);
    EXPECT_FALSE(mesh);
    EXPECT_FALSE(GroundPointOnRay(mesh.get(), {0, 0, -50}, {0, 0, 1}));
    document::GroundExtent extent;
    extent.offsetX = 1.0f;
    EXPECT_TRUE(ApplyMapOrigin(extent, *map, nullptr));
    EXPECT_EQ(map->RequestedPosition(), glm::vec3(-1, 0, 0));
}

} // namespace
