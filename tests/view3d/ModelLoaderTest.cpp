// Model and skeleton descriptions: placement of simple models, bone chains
// of skeleton models, variant folders, and what an entity's model is made of.
#include "ModelTestSupport.h"

#include "format/DefParser.h"

using namespace model_test;
using namespace mesh_test;

namespace {

const char* kDir = "entity/test/";

// A mesh of two chunks over one quad (vertices (0|1, 0|1, 0)), plus a
// single-name chunk without faces.
std::string TwoChunkMesh() {
    MeshWriter w = Quad();
    w.chunks = {{{"first.tga"}, 1}, {{"second.tga"}, 1}};
    w.single = MeshWriter::Chunk{{"extra.tga"}, 0, 'X'};
    return w.Bytes();
}

// A mesh of one triangle at the origin.
std::string PointMesh() {
    MeshWriter w;
    w.vertices.resize(3);
    w.chunks = {{{"p.tga"}, 1}};
    w.indices = {0, 1, 2};
    w.box[3] = w.box[4] = w.box[5] = 0.0f;
    return w.Bytes();
}

bool Near(const glm::vec3& a, const glm::vec3& b) {
    return glm::all(glm::lessThan(glm::abs(a - b), glm::vec3(1e-4f)));
}

class ModelLoaderTest : public ModelFixture {
  protected:
    view3d::CModelLoader m_loader{m_catalogue};
};

TEST_F(ModelLoaderTest, SimpleModelShowsOnlyTheFirstChunkPlacedByTheBodyMatrix) {
    Write("m/a.ply", TwoChunkMesh());
    std::string mdl = Write("m/a.mdl", R"({Skeleton
	{VolumeView "a.ply"}
	{bone "body"
		{Matrix34 1 0 0 0 1 0 0 0 1 100 0 0}
	}
}
)");
    std::string error;
    auto mesh = m_loader.LoadSimpleModel(mdl, error);
    ASSERT_TRUE(mesh) << error;
    EXPECT_EQ(mesh->faceCount, 1u);
    EXPECT_EQ(mesh->vertexCount, 3u);
    ASSERT_EQ(mesh->textures.size(), 1u);
    EXPECT_EQ(mesh->textures[0].name, "first.tga");
    EXPECT_TRUE(Near(mesh->Position(1), {101, 0, 0}));
    EXPECT_TRUE(Near(mesh->box.min, {100, 0, 0}));
    EXPECT_TRUE(Near(mesh->box.max, {101, 1, 1}));
    EXPECT_EQ(fs::path(mesh->fileName).filename(), "a.ply");
}

TEST_F(ModelLoaderTest, SkeletonFileTakesItsMatrixAndOrientation) {
    Write("m/b.ply", PointMesh());
    // a quarter turn about z from Orientation, the lift to z = 5 from matrix
    std::string bne = Write("m/b.bne", R"({skeleton
	{matrix 1 0 0 0 0 1 0 0 0 0 1 0 0 0 5 1}
	{VolumeView "b.ply"}
	{Orientation 0 1 0 -1 0 0 0 0 1}
}
)");
    std::string error;
    auto mesh = m_loader.LoadSimpleModel(bne, error);
    ASSERT_TRUE(mesh) << error;
    EXPECT_TRUE(Near(mesh->Position(0), {0, 0, 5}));
    EXPECT_TRUE(Near(mesh->box.max, {0, 0, 5}));
}

TEST_F(ModelLoaderTest, SkeletonModelMovesEachBoneByItsChainUpToTheRoot) {
    Write("m/body.ply", TwoChunkMesh());
    Write("m/gun.ply", PointMesh());
    std::string mdl = Write("m/t.mdl", R"({Skeleton
	{VolumeView "body.ply"}
	{bone "hull"
		{Position 0 0 -1}
		{Orientation 1 0 0 0 1 0 0 0 1}
		{VolumeView "body.ply"}
		{bone "turret"
			{Matrix34 0 1 0 -1 0 0 0 0 1 0 0 0}
			{Position 2 0 0}
			{bone "gun"
				{Matrix34 1 0 0 0 1 0 0 0 1 0 0 0}
				{Position 1 0 0}
				{VolumeView "gun.ply"}
			}
		}
	}
}
)");
    std::string error;
    auto group = m_loader.LoadSkeletonModel(mdl, {}, error);
    ASSERT_TRUE(group) << error;
    // the hull's two chunks with faces, then the gun; the empty chunk and
    // the turret (no geometry of its own) add nothing
    ASSERT_EQ(group->PartCount(), 3u);
    auto part = [&](size_t i) { return static_cast<const view3d::MeshData*>(group->Part(i)); };
    EXPECT_EQ(part(0)->textures[0].name, "first.tga");
    EXPECT_EQ(part(1)->textures[0].name, "second.tga");
    EXPECT_TRUE(Near(part(0)->Position(0), {0, 0, -1}));
    // gun: (0,0,0) + (1,0,0), turned by nothing, + (2,0,0), turned a quarter
    // to (0,3,0), + (0,0,-1) under the hull's identity
    EXPECT_TRUE(Near(part(2)->Position(0), {0, 3, -1}));
    EXPECT_TRUE(Near(group->box.min, {0, 0, -1}));
    EXPECT_TRUE(Near(group->box.max, {1, 3, 0}));
}

TEST_F(ModelLoaderTest, VariantBonesComeFromTheVariantFolder) {
    Write("m/winter.mod/g.ply", PointMesh());
    std::string mdl = Write("m/v.mdl", R"({Skeleton {bone "body" {VolumeView "g.ply"}}})");
    std::string error;
    EXPECT_TRUE(m_loader.LoadSkeletonModel(mdl, "winter", error)) << error;
    EXPECT_FALSE(m_loader.LoadSkeletonModel(mdl, "", error));
    EXPECT_NE(error.find("cannot open the file"), std::string::npos) << error;
    EXPECT_FALSE(m_loader.LoadSkeletonModel(mdl, "summer", error));
}

// An entity of two mesh parts (hull chunks) with decals and texture
// modifications; the "broken" decal's picture is missing, so loading it
// would fail the whole model.
class ElementModelTest : public ModelFixture {
  protected:
    view3d::CModelCache m_cache{m_catalogue};

    void SetUp() override {
        ModelFixture::SetUp();
        Write(std::string(kDir) + "tank/body.ply", TwoChunkMesh());
        Write(std::string(kDir) + "tank/tank.mdl",
              R"({Skeleton {bone "body" {VolumeView "body.ply"}}})");
        Write("fx/track.ebm", "{bitmap {Frame \"track.tga\"} {Axis 16 0}}");
        Write("fx/track.tga", Tga(32, 8));
        Write("fx/scorch.ebm", "{bitmap {Frame \"scorch.tga\"}}");
        Write(std::string(kDir) + "tank/tank.def", R"({Extension "tank.mdl"}
{Skeleton "tank_skel.mdl"}
{TexMods {winter "winter"} {desert "sand"}}
{DecalView "broken" {Sprite "/fx/scorch.ebm"}}
{DecalView "track" {Sprite "/fx/track.ebm" {Scale 1.5}}}
)");
        Write(std::string(kDir) + "crater/crater.def",
              R"({TexMods {old "old"}} {DecalView "ground" {Sprite "/fx/track.ebm"}})");
        Scan();
    }
};

TEST_F(ElementModelTest, PartsComeFromExtensionsAndShownDecalsInOrder) {
    CDefNode element("Entity", "tank");
    std::string reason;
    const view3d::ModelData* model = m_cache.ModelForElement(element, &reason);
    ASSERT_TRUE(model) << reason;
    ASSERT_EQ(model->PartCount(), 3u);
    EXPECT_FALSE(model->Part(0)->IsSprite());
    EXPECT_FALSE(model->Part(1)->IsSprite());
    EXPECT_TRUE(model->Part(2)->IsSprite());
    view3d::SpriteParameters params;
    EXPECT_TRUE(model->Part(2)->GetSpriteParameters(params));
    EXPECT_EQ(params.preScale, glm::vec2(1.5f, 1.5f));
    ASSERT_TRUE(model->TexMods());
    CDefNode placed("Entity", "tank");
    placed.AddChildQuoted("TexMod", "desert");
    EXPECT_EQ(view3d::TexModificationName(*model, placed), "sand");
    EXPECT_EQ(view3d::TexModificationName(*model, element), "");
    // loaded once: the same data for every element of the type
    EXPECT_EQ(m_cache.ModelForElement(placed), model);
    EXPECT_EQ(m_cache.Size(), 1u);
}

TEST_F(ElementModelTest, OnePartIsTheModelItselfAndKeepsTheTextureModifications) {
    CDefNode element("Entity", "crater");
    const view3d::ModelData* model = m_cache.ModelForElement(element);
    ASSERT_TRUE(model);
    EXPECT_TRUE(model->IsSprite());
    EXPECT_EQ(model->Part(0), model);
    EXPECT_TRUE(dynamic_cast<const view3d::SpriteData*>(model));
    ASSERT_TRUE(model->TexMods());
}

TEST_F(ElementModelTest, UnreadableGeometryGivesNoModelUntilItIsMended) {
    Write(std::string(kDir) + "tank/body.ply", "MESH");
    CDefNode element("Entity", "tank");
    std::string reason;
    EXPECT_FALSE(m_cache.ModelForElement(element, &reason));
    EXPECT_NE(reason.find("body.ply: file ends inside the header"), std::string::npos) << reason;
    Write(std::string(kDir) + "tank/body.ply", TwoChunkMesh());
    EXPECT_TRUE(m_cache.ModelForElement(element, &reason)) << reason;
    CDefNode unknown("Entity", "no_such_type");
    EXPECT_FALSE(m_cache.ModelForElement(unknown, &reason));
}

TEST_F(ModelLoaderTest, SkeletonEntriesServeObjectsOnly) {
    Write(std::string(kDir) + "man/legs.ply", TwoChunkMesh());
    Write(std::string(kDir) + "man/man.bne", R"({skeleton {VolumeView "legs.ply"}})");
    Write(std::string(kDir) + "man/man_skel.mdl", R"({Skeleton {bone "man.bne"}})");
    Write(std::string(kDir) + "man/man.def", R"({Skeleton "man_skel.mdl"})");
    Write(std::string(kDir) + "sky/sky.def", R"({Sprite "/fx/sky.ebm" {Visibility 0.25}}
{Skeleton "man_skel.mdl"})");
    Write("fx/sky.ebm", "{bitmap {Frame \"sky.tga\"} {Mipmap 0}}");
    Write("fx/sky.tga", Tga(4, 4));
    Scan();
    view3d::CModelCache cache(m_catalogue);
    std::string reason;
    EXPECT_FALSE(cache.ModelForEntity(Entry("man"), {}, &reason));
    EXPECT_EQ(reason, "the definition names nothing to show");
    const view3d::ModelData* man = cache.ModelForObject(Entry("man"), &reason);
    ASSERT_TRUE(man) << reason;
    EXPECT_EQ(static_cast<const view3d::MeshData*>(man)->faceCount, 1u);
    // a "Sprite" comes before a "Skeleton", whatever the order in the file
    const view3d::ModelData* sky = cache.ModelForObject(Entry("sky"), &reason);
    ASSERT_TRUE(sky) << reason;
    ASSERT_TRUE(sky->IsSprite());
    const auto* sprite = static_cast<const view3d::SpriteData*>(sky);
    EXPECT_EQ(sprite->visibility, 0.25f);
    EXPECT_EQ(sprite->textures[0].mipMap, 0u);
}

} // namespace
