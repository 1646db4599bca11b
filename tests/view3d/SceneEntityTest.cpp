// Scene entities: moving, turning, flags, selection, links and surviving a
// device reset on the recording device.

#include "view3d/SceneEntity.h"
#include "SceneTestSupport.h"
#include "document/DocumentHost.h"
#include "format/DefNode.h"
#include "view3d/StandardMeshes.h"

#include <utility>

using namespace view3d;
using scene_test::FakeResolver;
using scene_test::FakeTextures;
using scene_test::Positions;
using scene_test::Square;

namespace {

class RecordingRelay : public document::MessageRelay {
  public:
    std::vector<std::pair<intptr_t, intptr_t>> sent;
    void Relay(document::AppMessage message, intptr_t first, intptr_t second) override {
        EXPECT_EQ(message, document::AppMessage::ElementEdit);
        sent.emplace_back(first, second);
    }
};

class SceneEntityTest : public ::testing::Test {
  protected:
    RecordingDevice m_device;
    FakeTextures m_textures;
    FakeResolver m_resolver;
    StandardMeshes m_meshes;
    std::unique_ptr<MeshData> m_box = Square(0.0f, 10.0f);
    CDefNode m_node{"Entity", "m4a2"};

    void SetUp() override { ASSERT_TRUE(BuildStandardMeshes(m_meshes)); }

    std::unique_ptr<MeshObject> BoxObject() {
        auto object = std::make_unique<MeshObject>();
        object->InitFromModel(*m_box);
        return object;
    }
    glm::vec3 FirstVertex(SceneObject& object) {
        return Positions(m_device.VertexBytes(object.VertexBuffer()), object.Stride())[0];
    }
};

TEST_F(SceneEntityTest, RestoreMovesTheFreshVerticesToTheRequestedPositionTurned) {
    m_node.AddChild("Turn", "90.000000");
    SceneEntity entity(&m_node, KindSounds, {100.0f, 200.0f, 5.0f});
    entity.SetObject(BoxObject());
    ASSERT_TRUE(entity.HasRotation());
    ASSERT_EQ(entity.RestoreDeviceObjects(m_device), DeviceResult::Ok);
    // (10, 0) turned a quarter is (0, 10).
    auto corners = Positions(m_device.VertexBytes(entity.Object()->VertexBuffer()), 36);
    EXPECT_NEAR(corners[1].x, 100.0f, 1e-4f);
    EXPECT_NEAR(corners[1].y, 210.0f, 1e-4f);
    EXPECT_EQ(entity.Object()->Position(), glm::vec3(100.0f, 200.0f, 5.0f));

    // A relative move goes by the difference, unturned.
    entity.MoveTo({110.0f, 200.0f, 5.0f}, true);
    corners = Positions(m_device.VertexBytes(entity.Object()->VertexBuffer()), 36);
    EXPECT_NEAR(corners[1].x, 110.0f, 1e-4f);
    EXPECT_NEAR(corners[1].y, 210.0f, 1e-4f);
}

TEST_F(SceneEntityTest, ADeviceResetPutsEntitiesBackWhereTheyWereLastMoved) {
    SceneEntity entity(&m_node, KindSounds, {10.0f, 0.0f, 0.0f});
    entity.SetObject(BoxObject());
    ASSERT_EQ(entity.RestoreDeviceObjects(m_device), DeviceResult::Ok);
    entity.MoveTo({40.0f, 5.0f, 0.0f}, true);

    // Lost: the default-pool buffers block the reset until they are released.
    m_device.SetLost(true);
    EXPECT_EQ(m_device.TestCooperativeLevel(), DeviceResult::DeviceLost);
    m_device.SetLost(false);
    EXPECT_EQ(m_device.TestCooperativeLevel(), DeviceResult::DeviceNotReset);
    EXPECT_EQ(m_device.Reset({800, 600, true}), DeviceResult::InvalidCall);
    entity.ReleaseDeviceObjects();
    EXPECT_EQ(entity.CurrentPosition(), glm::vec3(0.0f));
    ASSERT_EQ(m_device.Reset({800, 600, true}), DeviceResult::Ok);
    ASSERT_EQ(entity.RestoreDeviceObjects(m_device), DeviceResult::Ok);
    EXPECT_EQ(FirstVertex(*entity.Object()), glm::vec3(40.0f, 5.0f, 0.0f));
    EXPECT_EQ(entity.CurrentPosition(), glm::vec3(40.0f, 5.0f, 0.0f));

    // A failing restore passes the code on and moves nothing.
    entity.ReleaseDeviceObjects();
    m_device.FailCall("CreateVertexBuffer", DeviceResult::OutOfVideoMemory);
    EXPECT_EQ(entity.RestoreDeviceObjects(m_device), DeviceResult::OutOfVideoMemory);
    EXPECT_EQ(entity.CurrentPosition(), glm::vec3(0.0f));
}

TEST_F(SceneEntityTest, PlayerFlagFloatsAboveTheTopAndFollowsRelativeMoves) {
    m_node.AddChild("Player", "1");
    auto tall = scene_test::Mesh({{0, 0, 0}, {10, 0, 0}, {0, 10, 30}}, {0, 1, 2});
    PlayerSceneEntity entity(&m_node, KindTanks, {100.0f, 100.0f, 2.0f});
    auto object = std::make_unique<MeshObject>();
    object->InitFromModel(*tall);
    entity.SetObject(std::move(object));
    ASSERT_EQ(entity.CreateFlag(m_device, m_meshes.flagBox, m_textures, m_resolver),
              DeviceResult::Ok);
    ASSERT_NE(entity.Flag(), nullptr);
    EXPECT_TRUE(m_textures.cached.count("$Player1$"));
    ASSERT_EQ(entity.RestoreDeviceObjects(m_device), DeviceResult::Ok);

    SceneObject& flag = *entity.Flag();
    // The mesh reaches from z 2 to 32; above it is towards smaller z.
    EXPECT_EQ(flag.Position(), glm::vec3(100.0f, 100.0f, -18.0f));
    EXPECT_NEAR(flag.Centre().z, -18.0f, 1e-4f);
    EXPECT_NEAR(flag.Centre().x, 100.0f, 1e-4f);

    entity.MoveTo({150.0f, 100.0f, 2.0f}, true);
    EXPECT_EQ(flag.Position(), glm::vec3(150.0f, 100.0f, -18.0f));
    EXPECT_NEAR(flag.Centre().x, 150.0f, 1e-4f);

    entity.ReleaseDeviceObjects();
    EXPECT_EQ(m_device.LiveDefaultPoolResources(), 0u);
}

TEST_F(SceneEntityTest, SelectionSwapsMaterialsAndTellsTheMainFrame) {
    const glm::vec4 green(0.0f, 1.0f, 0.0f, 1.0f);
    SceneEntity entity(&m_node, KindSounds, {0, 0, 0}, &green);
    entity.SetObject(BoxObject());
    EXPECT_EQ(entity.Object()->GetMaterial()->diffuse, green);
    RecordingRelay relay;
    entity.Select(&relay);
    EXPECT_TRUE(entity.Selected());
    EXPECT_EQ(entity.Object()->GetMaterial()->diffuse, glm::vec4(1, 0, 0, 1));
    EXPECT_EQ(entity.ActiveMaterial().power, 1.0f);
    entity.Deselect(&relay);
    EXPECT_EQ(entity.Object()->GetMaterial()->diffuse, green);
    const auto node = reinterpret_cast<intptr_t>(&m_node);
    EXPECT_EQ(relay.sent, (std::vector<std::pair<intptr_t, intptr_t>>{{4, node}, {3, node}}));

    entity.SetColour({0, 0, 1, 1});
    EXPECT_EQ(entity.ActiveMaterial().ambient, glm::vec4(0, 0, 1, 1));
    EXPECT_EQ(entity.NormalMaterialOf().diffuse, glm::vec4(0, 0, 1, 1));
}

TEST_F(SceneEntityTest, WaypointTurnsLinkColouredAfterDeselectAndStoresItsTarget) {
    const glm::vec4 blue(0.0f, 0.0f, 1.0f, 1.0f);
    LinkSceneEntity link(&m_node, KindLink, {0, 0, 0}, &blue);
    auto object = std::make_unique<LinkedMeshObject>();
    object->InitFromModel(m_meshes.sphere);
    link.SetObject(std::move(object));
    EXPECT_EQ(link.ActiveMaterial().diffuse, blue);
    link.Select(nullptr);
    link.Deselect(nullptr);
    EXPECT_EQ(link.ActiveMaterial().diffuse, kLinkColour);

    ASSERT_EQ(link.RestoreDeviceObjects(m_device), DeviceResult::Ok);
    link.SetTarget({30.0f, 40.0f, 2.0f});
    EXPECT_EQ(glm::vec3(m_node.SceneParams()[0], m_node.SceneParams()[1], m_node.SceneParams()[2]),
              glm::vec3(30.0f, 40.0f, 2.0f));
    auto* linked = static_cast<LinkedMeshObject*>(link.Object());
    EXPECT_EQ(linked->Target(), glm::vec3(30.0f, 40.0f, 2.0f));
    EXPECT_EQ(Positions(m_device.VertexBytes(linked->LineBuffer()), 12)[1],
              glm::vec3(30.0f, 40.0f, -8.0f));
    EXPECT_TRUE(link.SetTargetPoint({1, 2, 3}));
}

TEST_F(SceneEntityTest, TurningLeavesTheNodeToTheDocument) {
    // Turns and couplings are written by the document's edits; the entity
    // only takes the rotation its node now says.
    SceneEntity tank(&m_node, KindTanks, {0, 0, 0});
    tank.SetTurnOnly(45.0);
    EXPECT_TRUE(tank.HasRotation());
    EXPECT_EQ(m_node.FindChild("Turn"), nullptr);
    EXPECT_NEAR(tank.Rotation()[0][1], std::sin(0.785398f), 1e-5f);
}

} // namespace
