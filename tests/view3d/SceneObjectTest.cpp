// Scene objects on the recording device: what they draw, how they build and
// lose their buffers, how they move, and which textures they end up with.

#include "SceneTestSupport.h"
#include "format/DefNode.h"
#include "view3d/StandardMeshes.h"

#include <glm/ext/matrix_transform.hpp>

using namespace view3d;
using scene_test::FakeResolver;
using scene_test::FakeTextures;
using scene_test::Positions;
using scene_test::Square;
using scene_test::Textured;

namespace {

class SceneObjectTest : public ::testing::Test {
  protected:
    RecordingDevice m_device;
    FakeTextures m_textures;
    FakeResolver m_resolver;
    Material m_material = NormalMaterialForTest();

    static Material NormalMaterialForTest() {
        Material m;
        m.diffuse = m.ambient = {0.5f, 0.5f, 0.5f, 1.0f};
        return m;
    }

    // Builds a mesh object from data with textures loaded and buffers made,
    // and forgets the calls so far.
    template <class T> std::unique_ptr<T> Ready(const MeshData& data) {
        auto object = std::make_unique<T>();
        object->InitFromModel(data);
        object->SetMaterial(&m_material);
        object->LoadTextures(m_device, data, m_textures, m_resolver, {});
        EXPECT_EQ(object->CreateDeviceObjects(m_device), DeviceResult::Ok);
        m_device.ClearLog();
        return object;
    }
};

TEST_F(SceneObjectTest, MeshRendersMaterialStagesStreamAndOneTriangleList) {
    auto none = Square(0.0f);
    auto plain = Ready<MeshObject>(*none);
    plain->Render(m_device);
    const std::string vb = HandleName(plain->VertexBuffer());
    const std::string ib = HandleName(plain->IndexBuffer());
    EXPECT_EQ(m_device.Log(), (std::vector<std::string>{
                                  "SetMaterial d=0.5,0.5,0.5,1 a=0.5,0.5,0.5,1 s=0,0,0,1 "
                                  "e=0,0,0,1 p=0",
                                  "SetTexture 0 null",
                                  "SetFVF 338",
                                  "SetStreamSource 0 " + vb + " 0 36",
                                  "SetIndices " + ib,
                                  "DrawIndexedPrimitive TriangleList 0 0 4 0 2",
                              }));

    // One texture: stage 0 takes it, stage 1 is cleared. Two: the second
    // goes to stage 0 and the first to stage 1.
    auto one = Textured({"a"});
    auto single = Ready<MeshObject>(*one);
    single->Render(m_device);
    const std::string a = HandleName(m_textures.Find("/tex/a.dds"));
    EXPECT_EQ(m_device.LogLines("SetTexture"),
              (std::vector<std::string>{"SetTexture 0 " + a, "SetTexture 1 null"}));

    auto two = Textured({"a", "b"});
    auto dual = Ready<MeshObject>(*two);
    m_device.ClearLog();
    dual->Render(m_device);
    const std::string b = HandleName(m_textures.Find("/tex/b.dds"));
    EXPECT_EQ(m_device.LogLines("SetTexture"),
              (std::vector<std::string>{"SetTexture 0 " + b, "SetTexture 1 " + a}));
}

TEST_F(SceneObjectTest, CreateCopiesTheModelIntoDefaultPoolBuffersAndReleaseFreesThem) {
    auto data = Square(3.0f);
    MeshObject object;
    object.InitFromModel(*data);
    ASSERT_EQ(object.CreateDeviceObjects(m_device), DeviceResult::Ok);
    EXPECT_EQ(m_device.LogLines("Create"),
              (std::vector<std::string>{"CreateVertexBuffer 144 520 338 default -> vb1",
                                        "CreateIndexBuffer 12 8 Index16 default -> ib2"}));
    EXPECT_EQ(m_device.VertexBytes(object.VertexBuffer()), data->vertices);
    std::vector<uint8_t> indices(12);
    std::memcpy(indices.data(), data->indices.data(), 12);
    EXPECT_EQ(m_device.IndexBytes(object.IndexBuffer()), indices);

    object.ReleaseDeviceObjects();
    EXPECT_EQ(m_device.LiveDefaultPoolResources(), 0u);
    EXPECT_FALSE(object.VertexBuffer());
    // Drawing without buffers asks nothing of the device.
    m_device.ClearLog();
    object.Render(m_device);
    EXPECT_TRUE(m_device.Log().empty());
}

TEST_F(SceneObjectTest, AFailedIndexBufferReleasesTheVertexBufferAndPassesTheCodeOn) {
    auto data = Square(0.0f);
    MeshObject object;
    object.InitFromModel(*data);
    m_device.FailCall("CreateIndexBuffer", DeviceResult::OutOfVideoMemory);
    EXPECT_EQ(object.CreateDeviceObjects(m_device), DeviceResult::OutOfVideoMemory);
    EXPECT_EQ(m_device.LiveVertexBuffers(), 0u);
    EXPECT_FALSE(object.VertexBuffer());
}

TEST_F(SceneObjectTest, TransformMovesDeviceVerticesAndBoxButTheMapKeepsItsBox) {
    auto data = Square(0.0f);
    auto object = Ready<MeshObject>(*data);
    const glm::mat4 quarter =
        glm::rotate(glm::mat4(1.0f), glm::radians(90.0f), glm::vec3(0.0f, 0.0f, 1.0f));
    object->Transform({10.0f, 20.0f, 5.0f}, &quarter, KindBuildings);
    auto moved = Positions(m_device.VertexBytes(object->VertexBuffer()), 36);
    // (1, 0) turned a quarter is (0, 1), then moved.
    EXPECT_NEAR(moved[1].x, 10.0f, 1e-5f);
    EXPECT_NEAR(moved[1].y, 21.0f, 1e-5f);
    EXPECT_NEAR(moved[1].z, 5.0f, 1e-5f);
    EXPECT_NEAR(object->GetBox().min.x, 9.0f, 1e-5f);
    EXPECT_NEAR(object->GetBox().max.y, 21.0f, 1e-5f);
    EXPECT_NEAR(object->Centre().x, 9.5f, 1e-5f);
    EXPECT_FLOAT_EQ(object->GetTop(), 5.0f);
    // The source copy is untouched: a restore starts from the model again.
    EXPECT_EQ(
        std::vector<uint8_t>(object->SourceVertices().begin(), object->SourceVertices().end()),
        data->vertices);

    const Box before = object->GetBox();
    object->Transform({100.0f, 0.0f, 0.0f}, nullptr, KindMap);
    EXPECT_EQ(object->GetBox().min, before.min);
    EXPECT_EQ(object->GetBox().max, before.max);
    EXPECT_NEAR(Positions(m_device.VertexBytes(object->VertexBuffer()), 36)[0].x, 110.0f, 1e-4f);
}

TEST_F(SceneObjectTest, ScaleGrowsTheCopyThatTheNextRestoreUses) {
    auto data = Square(1.0f);
    auto object = Ready<MeshObject>(*data);
    object->Scale(2.0f);
    object->ReleaseDeviceObjects();
    ASSERT_EQ(object->CreateDeviceObjects(m_device), DeviceResult::Ok);
    auto positions = Positions(m_device.VertexBytes(object->VertexBuffer()), 36);
    EXPECT_EQ(positions[3], glm::vec3(2.0f, 2.0f, 2.0f));
}

TEST_F(SceneObjectTest, LinkLineIsDrawnOnlyWithATargetAndFollowsMovesAndTargets) {
    auto data = Square(0.0f);
    auto link = Ready<LinkedMeshObject>(*data);
    link->Render(m_device);
    EXPECT_TRUE(m_device.LogLines("DrawPrimitive ").empty());

    link->SetTarget({50.0f, 60.0f, 9999.0f});
    link->Transform({1.0f, 2.0f, 3.0f}, nullptr, KindLink);
    m_device.ClearLog();
    link->Render(m_device);
    const std::string line = HandleName(link->LineBuffer());
    std::vector<std::string> expected = {"SetTexture 0 null", "SetFVF 2",
                                         "SetStreamSource 0 " + line + " 0 12",
                                         "DrawPrimitive LineList 0 1"};
    std::vector<std::string> head(m_device.Log().begin() + 1, m_device.Log().begin() + 5);
    EXPECT_EQ(head, expected);
    EXPECT_EQ(m_device.Log().back(), "DrawIndexedPrimitive TriangleList 0 0 4 0 2");
    auto ends = Positions(m_device.VertexBytes(link->LineBuffer()), 12);
    EXPECT_EQ(ends[0], glm::vec3(1.0f, 2.0f, -7.0f));
    EXPECT_EQ(ends[1], glm::vec3(50.0f, 60.0f, 9989.0f));

    // Unlinking (z 10000) draws no line again; the line buffer is managed
    // and does not block a reset.
    link->SetTarget({0.0f, 0.0f, kNoTarget});
    m_device.ClearLog();
    link->Render(m_device);
    EXPECT_TRUE(m_device.LogLines("DrawPrimitive ").empty());
    link->ReleaseDeviceObjects();
    EXPECT_EQ(m_device.LiveDefaultPoolResources(), 0u);
    EXPECT_EQ(m_device.LiveVertexBuffers(), 1u);
}

TEST_F(SceneObjectTest, PlayerFlagsShareOneCachedPicturePerPlayerAndShowItOnTwoFaces) {
    StandardMeshes meshes;
    ASSERT_TRUE(BuildStandardMeshes(meshes));
    CDefNode element("Entity", "m4a2");
    element.AddChild("Player", "2");
    PlayerFlagObject first(&element);
    first.InitFromModel(meshes.flagBox);
    ASSERT_EQ(first.LoadTextures(m_device, meshes.flagBox, m_textures, m_resolver, {}),
              DeviceResult::Ok);
    PlayerFlagObject second(&element);
    second.InitFromModel(meshes.flagBox);
    second.LoadTextures(m_device, meshes.flagBox, m_textures, m_resolver, {});
    ASSERT_TRUE(m_textures.cached.count("$Player2$"));
    EXPECT_EQ(first.Textures()[0].texture, second.Textures()[0].texture);
    EXPECT_EQ(m_device.LogLines("CreateTexture").size(), 1u);
    EXPECT_EQ(
        m_device.LogLines("CreateTexture")[0].find("CreateTexture 32x16 format 1 levels 1 full"),
        0u);

    ASSERT_EQ(first.CreateDeviceObjects(m_device), DeviceResult::Ok);
    auto bytes = m_device.VertexBytes(first.VertexBuffer());
    auto uv = [&](int vertex) {
        float f[2];
        std::memcpy(f, &bytes[vertex * 36 + 28], 8);
        return glm::vec2(f[0], f[1]);
    };
    EXPECT_EQ(uv(4), glm::vec2(0, 1));
    EXPECT_EQ(uv(7), glm::vec2(1, 1));
    EXPECT_EQ(uv(12), glm::vec2(1, 0));
    EXPECT_EQ(uv(15), glm::vec2(0, 0));

    // Player numbers outside 0..3 (or none) take the last picture.
    EXPECT_EQ(PlayerFlagBitmap(0), 317);
    EXPECT_EQ(PlayerFlagBitmap(3), 258);
    EXPECT_EQ(PlayerFlagBitmap(4), 259);
    EXPECT_EQ(PlayerFlagBitmap(-1), 259);

    PlayerFlagObject empty(&element);
    EXPECT_EQ(empty.CreateDeviceObjects(m_device), DeviceResult::Fail);
}

TEST_F(SceneObjectTest, MeshTexturesTakeTheirFlagsFromTheDescriptionOnceAndFromAlphaPictures) {
    m_resolver.alpha = {"glass"};
    m_resolver.mipmaps = {"glass"};
    m_resolver.unknown = {"gone"};
    m_textures.withAlpha = {"/tex/leaf#winter.dds"};
    auto data = Textured({"glass", "gone"});
    MeshObject object;
    object.InitFromModel(*data);
    EXPECT_EQ(object.LoadTextures(m_device, *data, m_textures, m_resolver, {}), DeviceResult::Ok);
    EXPECT_EQ(m_textures.loads, (std::vector<std::string>{"/tex/glass.dds mip"}));
    EXPECT_EQ(object.Textures()[0].hasAlpha, 1u);
    EXPECT_TRUE(object.HasAlpha());
    EXPECT_FALSE(object.Textures()[1].texture); // nothing resolved: skipped

    // A cached texture is reused as it is: no second load, no description.
    MeshObject again;
    again.InitFromModel(*data);
    again.LoadTextures(m_device, *data, m_textures, m_resolver, {});
    EXPECT_EQ(m_textures.loads.size(), 1u);
    EXPECT_EQ(again.Textures()[0].texture, object.Textures()[0].texture);
    EXPECT_EQ(again.Textures()[0].hasAlpha, 0u);

    // The variant's picture, without mip-maps (its description has none),
    // counts as alpha because the picture has an alpha channel.
    auto leaf = Textured({"leaf"});
    MeshObject tree;
    tree.InitFromModel(*leaf);
    tree.LoadTextures(m_device, *leaf, m_textures, m_resolver, "winter");
    EXPECT_EQ(m_textures.loads.back(), "/tex/leaf#winter.dds nomip");
    EXPECT_TRUE(tree.HasAlpha());

    // A picture that cannot be loaded leaves the slot empty and says so.
    m_textures.missing = {"/tex/rock.dds"};
    auto rock = Textured({"rock"});
    MeshObject stone;
    stone.InitFromModel(*rock);
    EXPECT_EQ(stone.LoadTextures(m_device, *rock, m_textures, m_resolver, {}), DeviceResult::Fail);
    EXPECT_FALSE(stone.Textures()[0].texture);

    // Mip-maps switched off (the sky) stay off whatever the description says.
    m_resolver.mipmaps.push_back("cloud");
    auto sky = Textured({"cloud"});
    MeshObject dome;
    dome.InitFromModel(*sky);
    dome.ClearMipMapFlags();
    dome.LoadTextures(m_device, *sky, m_textures, m_resolver, {});
    EXPECT_EQ(m_textures.loads.back(), "/tex/cloud.dds nomip");
}

TEST_F(SceneObjectTest, SpriteSetsOpacityIntoTheMaterialAndPreScalesOnlyWhenTurned) {
    SpriteData data;
    scene_test::FillMesh(data, {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {10, 10, 0}},
                         {0, 1, 2, 2, 1, 3});
    data.preScaleX = 2.0f;
    data.preScaleY = 3.0f;
    data.visibility = 0.25f;
    data.textures = {{"/res/pic/smoke.tga", 1, 0}};
    SpriteObject sprite;
    sprite.InitFromModel(data);
    sprite.SetMaterial(&m_material);
    sprite.LoadTextures(m_device, data, m_textures, m_resolver, {});
    EXPECT_EQ(m_textures.loads, (std::vector<std::string>{"/res/pic/smoke.tga nomip"}));
    EXPECT_EQ(sprite.Textures()[0].hasAlpha, 1u);
    ASSERT_EQ(sprite.CreateDeviceObjects(m_device), DeviceResult::Ok);
    EXPECT_FLOAT_EQ(m_material.diffuse.a, 0.25f);
    EXPECT_FLOAT_EQ(m_material.ambient.a, 0.25f);
    EXPECT_FLOAT_EQ(m_material.emissive.a, 0.25f);

    sprite.Transform({1.0f, 1.0f, 0.0f}, nullptr, KindTrash);
    EXPECT_EQ(Positions(m_device.VertexBytes(sprite.VertexBuffer()), 36)[3],
              glm::vec3(11.0f, 11.0f, 0.0f));
    // Even the map's kind gets a new box for a sprite.
    EXPECT_EQ(sprite.GetBox().max, glm::vec3(11.0f, 11.0f, 0.0f));

    sprite.ReleaseDeviceObjects();
    sprite.CreateDeviceObjects(m_device);
    const glm::mat4 identity(1.0f);
    sprite.Transform({0.0f, 0.0f, 0.0f}, &identity, KindMap);
    EXPECT_EQ(Positions(m_device.VertexBytes(sprite.VertexBuffer()), 36)[3],
              glm::vec3(20.0f, 30.0f, 0.0f));
    EXPECT_EQ(sprite.GetBox().max, glm::vec3(20.0f, 30.0f, 0.0f));

    m_device.ClearLog();
    sprite.Render(m_device);
    EXPECT_EQ(m_device.LogLines("SetTexture"),
              (std::vector<std::string>{"SetTexture 0 " +
                                        HandleName(m_textures.Find("/res/pic/smoke.tga"))}));
}

TEST_F(SceneObjectTest, ModelBuildsPartsByKindAndStopsCreatingAtTheFirstFailure) {
    ModelGroupData group;
    group.parts.push_back(Square(0.0f));
    group.parts.push_back(Square<SpriteData>(5.0f));
    group.parts.push_back(Square(9.0f));
    group.UpdateBox();
    ModelObject model;
    model.InitFromModel(group);
    model.SetMaterial(&m_material);
    ASSERT_EQ(model.PartCount(), 3u);
    EXPECT_FALSE(model.Part(0)->IsSprite());
    EXPECT_TRUE(model.Part(1)->IsSprite());
    EXPECT_EQ(model.Part(2)->GetMaterial(), &m_material);

    m_device.FailCall("CreateVertexBuffer", DeviceResult::OutOfVideoMemory, 1);
    EXPECT_EQ(model.CreateDeviceObjects(m_device), DeviceResult::OutOfVideoMemory);
    EXPECT_TRUE(model.Part(0)->VertexBuffer());
    EXPECT_FALSE(model.Part(2)->VertexBuffer());
    EXPECT_EQ(m_device.LogLines("CreateVertexBuffer").size(), 2u);

    model.ReleaseDeviceObjects();
    EXPECT_EQ(m_device.LiveDefaultPoolResources(), 0u);
    ASSERT_EQ(model.CreateDeviceObjects(m_device), DeviceResult::Ok);
    model.Transform({100.0f, 0.0f, 1.0f}, nullptr, KindBuildings);
    EXPECT_FLOAT_EQ(model.GetTop(), 10.0f);
    EXPECT_EQ(model.GetBox().min, glm::vec3(100.0f, 0.0f, 1.0f));
    EXPECT_EQ(model.Centre(), glm::vec3(100.5f, 0.5f, 5.5f));

    ModelObject empty;
    EXPECT_FLOAT_EQ(empty.GetTop(), -1e9f);
    EXPECT_EQ(empty.GetBox().min, glm::vec3(1e9f));
    EXPECT_EQ(empty.GetBox().max, glm::vec3(-1e9f));
}

TEST_F(SceneObjectTest, GroundQuadIsASandSquareThatKeepsItsScaleAcrossARestore) {
    GroundQuadObject quad({100.0f, 200.0f, -5.0f}, 10.0f);
    ASSERT_EQ(quad.CreateDeviceObjects(m_device), DeviceResult::Ok);
    auto corners = Positions(m_device.VertexBytes(quad.VertexBuffer()), 32);
    EXPECT_EQ(corners, (std::vector<glm::vec3>{
                           {110, 190, -5}, {110, 210, -5}, {90, 190, -5}, {90, 210, -5}}));
    auto bytes = m_device.VertexBytes(quad.VertexBuffer());
    float normalAndUv[5];
    std::memcpy(normalAndUv, &bytes[3 * 32 + 12], sizeof normalAndUv);
    EXPECT_EQ(glm::vec3(normalAndUv[0], normalAndUv[1], normalAndUv[2]), glm::vec3(0, 0, -1));
    EXPECT_EQ(glm::vec2(normalAndUv[3], normalAndUv[4]), glm::vec2(1, 1));

    m_device.ClearLog();
    quad.Render(m_device);
    EXPECT_EQ(m_device.Log()[0],
              "SetMaterial d=0.862745,0.827451,0.721569,1 a=0.862745,0.827451,0.721569,1 "
              "s=0,0,0,1 e=0,0,0,1 p=0");
    EXPECT_EQ(m_device.Log()[1], "SetTexture 0 null");
    EXPECT_EQ(m_device.Log().back(), "DrawIndexedPrimitive TriangleList 0 0 4 0 2");

    quad.Scale(2.0f);
    quad.ReleaseDeviceObjects();
    ASSERT_EQ(quad.CreateDeviceObjects(m_device), DeviceResult::Ok);
    corners = Positions(m_device.VertexBytes(quad.VertexBuffer()), 32);
    EXPECT_EQ(corners[0], glm::vec3(120, 180, -5));
    EXPECT_EQ(corners[3], glm::vec3(80, 220, -5));
}

} // namespace
