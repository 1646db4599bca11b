// The 3D view's camera: map geometry, turning, panning inside the bounds,
// zoom limits, quarter turns, focus, and the document's "Camera" block.

#include "view3d/Camera.h"
#include "format/DefNode.h"
#include "format/DefParser.h"
#include "platform/Text.h"

#include <glm/ext/matrix_transform.hpp>
#include <glm/gtc/constants.hpp>
#include <gtest/gtest.h>

#include <cmath>

using namespace view3d;

namespace {

constexpr float kTol = 1e-3f;

void ExpectNear(const glm::vec3& a, const glm::vec3& b, float tol = kTol) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

void ExpectSameRotation(const glm::quat& a, const glm::quat& b) {
    // q and -q are the same rotation.
    EXPECT_NEAR(std::fabs(glm::dot(a, b)), 1.0f, 1e-5f);
}

glm::vec3 Turned(const glm::mat4& m, const glm::vec3& v) {
    return glm::vec3(m * glm::vec4(v, 0.0f));
}

DefNodeList Parse(std::string_view text) {
    DefNodeList roots;
    EXPECT_TRUE(ParseDefinitionText(text, roots));
    return roots;
}

// Applies the writes as the view's caller does, through plain node setters.
void Apply(const std::vector<CameraBlockWrite>& writes, DefNodeList& roots) {
    for (const CameraBlockWrite& w : writes) {
        CDefNode& root = *roots[w.rootIndex];
        CDefNode* block = root.FindChild("Camera");
        if (w.create) {
            ASSERT_EQ(block, nullptr);
            auto created = std::make_unique<CDefNode>();
            created->Assign("Camera", {});
            block = root.InsertChild(w.insertIndex, std::move(created));
        }
        ASSERT_NE(block, nullptr);
        for (const CameraBlockEntry& e : w.entries)
            for (size_t i = 0; i < e.values.size(); ++i)
                block->SetTextAt(e.name.c_str(), i, e.values[i].c_str());
    }
}

std::string BlockText(const CDefNode& root) {
    format::StringSink sink;
    root.FindChild("Camera")->WriteNode(sink);
    return sink.text;
}

const char* kMap = R"({map
	{WorldBound 0 0 2000 1000}
	{Camera {Position 1000 400} {Distance 300 200 2000} {ViewAngle 0.5 10 60} {YawAngle 1.25}}
})";

const char* kMission = R"({map
	{WorldBound 0 0 2000 1000}
	{Camera {Position 5 5} {Distance 50 200 2000} {ViewAngle 0.1 10 60}}
}
{mission
	{Camera {Position 1200 300} {Distance 400 200 2000} {ViewAngle 0.25 10 60} {YawAngle 1.0}}
	{Environment "day"}
})";

class CameraTest : public ::testing::Test {
  protected:
    Camera m_camera;

    void SetUp() override {
        m_camera.SetWindow(800.0f, 600.0f);
        m_camera.SetWorldBound({0.0f, 0.0f, 2000.0f, 1000.0f}); // s 1000, C (1000, 500, 0)
    }
};

// Where a map point lands on the screen: x right and y up, in -1..1.
glm::vec3 Ndc(const Camera& camera, const glm::vec3& p) {
    const glm::vec4 c =
        camera.ProjectionMatrix() * camera.ViewMatrix() * camera.WorldMatrix() * glm::vec4(p, 1.0f);
    return glm::vec3(c) / c.w;
}

TEST_F(CameraTest, MapGeometryAndProjectionFollowTheWorldBound) {
    Camera fresh;
    EXPECT_EQ(fresh.MapSize(), 20000.0f);
    ExpectNear(fresh.Translation(), {0.0f, 0.0f, -100.0f});

    EXPECT_EQ(m_camera.MapSize(), 1000.0f);
    ExpectNear(m_camera.MapCentre(), {1000.0f, 500.0f, 0.0f});
    // Unturned, the camera looks straight down on the centre from 100 up
    // (z points down).
    ExpectNear(m_camera.EyePoint(), {1000.0f, 500.0f, -100.0f});

    const glm::mat4 p = m_camera.ProjectionMatrix();
    const float cot = 1.0f / std::tan(glm::quarter_pi<float>() / 2.0f);
    EXPECT_NEAR(p[1][1], cot, 1e-5f);
    EXPECT_NEAR(p[0][0], cot * 600.0f / 800.0f, 1e-5f);
    auto depth = [&](float z) {
        const glm::vec4 c = p * glm::vec4(0.0f, 0.0f, z, 1.0f);
        return c.z / c.w;
    };
    EXPECT_NEAR(depth(-1.0f), 0.0f, 1e-5f);
    EXPECT_NEAR(depth(-2000000.0f), 1.0f, 1e-5f);
    EXPECT_EQ(m_camera.ViewMatrix(), glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 0.0f, 1.0f)));

    // A larger map rescales the sky and ground by new size / old size.
    EXPECT_FLOAT_EQ(m_camera.SetWorldBound({0.0f, 0.0f, 2000.0f, 4000.0f}), 2.0f);
    EXPECT_EQ(m_camera.MapSize(), 2000.0f);
}

TEST_F(CameraTest, UnturnedCameraLooksStraightDownWithEastRightAndNorthDown) {
    const glm::vec3 below = Ndc(m_camera, {1000.0f, 500.0f, 0.0f});
    EXPECT_NEAR(below.x, 0.0f, 1e-5f);
    EXPECT_NEAR(below.y, 0.0f, 1e-5f);
    EXPECT_GT(below.z, 0.0f);
    EXPECT_LT(below.z, 1.0f);
    EXPECT_GT(Ndc(m_camera, {1010.0f, 500.0f, 0.0f}).x, 0.0f);
    // The game shows its maps with north at the bottom.
    EXPECT_LT(Ndc(m_camera, {1000.0f, 510.0f, 0.0f}).y, 0.0f);
    // Higher up is nearer.
    EXPECT_LT(Ndc(m_camera, {1000.0f, 500.0f, -20.0f}).z, below.z);

    glm::vec3 origin, direction;
    m_camera.PickRay(400.0f, 300.0f, origin, direction);
    ExpectNear(direction, {0.0f, 0.0f, 1.0f});
    EXPECT_NEAR(origin.x, 1000.0f, kTol);
    EXPECT_NEAR(origin.y, 500.0f, kTol);
}

TEST_F(CameraTest, WheelStepFollowsMapSizeAndIsRefusedWholePastTheLimits) {
    EXPECT_TRUE(m_camera.Wheel(120)); // 1000 * 120 * 0.0001
    EXPECT_NEAR(m_camera.Translation().z, -88.0f, kTol);
    EXPECT_NEAR(glm::length(m_camera.EyePoint() - glm::vec3(1000, 500, 0)), 88.0f, 0.01f);
    EXPECT_TRUE(m_camera.Wheel(-120));
    EXPECT_NEAR(m_camera.Translation().z, -100.0f, kTol);

    EXPECT_FALSE(m_camera.Wheel(1000)); // would reach 0: not clipped to -10
    EXPECT_NEAR(m_camera.Translation().z, -100.0f, kTol);
    EXPECT_TRUE(m_camera.Wheel(800));
    EXPECT_NEAR(m_camera.Translation().z, -20.0f, kTol);

    EXPECT_TRUE(m_camera.Wheel(-46800));
    EXPECT_NEAR(m_camera.Translation().z, -4700.0f, 0.05f);
    EXPECT_FALSE(m_camera.Wheel(-1200)); // would reach -4820
    EXPECT_NEAR(m_camera.Translation().z, -4700.0f, 0.05f);
}

TEST_F(CameraTest, RightDragMovesTheMapWithTheCursorInBothDirectionsScaledByZoomAndMapSize) {
    // g = 500 / 100 = 5; dx = (400 - 320) / 800 / 5 = 0.02 of the map size.
    m_camera.ButtonDown(CameraRight, 400.0f, 300.0f);
    EXPECT_TRUE(m_camera.MouseMove(CameraRight, 320.0f, 300.0f));
    ExpectNear(m_camera.Translation(), {-20.0f, 0.0f, -100.0f});
    // The last position moved on: the same point again does nothing.
    m_camera.MouseMove(CameraRight, 320.0f, 300.0f);
    ExpectNear(m_camera.Translation(), {-20.0f, 0.0f, -100.0f});

    // Up and down the screen moves north and south too: dy = -60 / 600 / 5.
    // Pulled down, the map brings its south (the top of the screen) nearer.
    m_camera.ButtonDown(CameraRight, 400.0f, 300.0f);
    m_camera.MouseMove(CameraRight, 400.0f, 360.0f);
    ExpectNear(m_camera.Translation(), {-20.0f, 20.0f, -100.0f});
    EXPECT_LT(m_camera.Target().y, 500.0f);

    // After a quarter turn the same drag moves along the other axis.
    m_camera.KeyDown(CameraKey::Left);
    m_camera.ButtonDown(CameraRight, 400.0f, 300.0f);
    m_camera.MouseMove(CameraRight, 400.0f, 360.0f);
    EXPECT_NEAR(std::fabs(m_camera.Translation().x + 20.0f), 20.0f, kTol);
    EXPECT_NEAR(m_camera.Translation().y, 20.0f, kTol);

    // Halfway out, g halves the step.
    m_camera.Wheel(-5000);
    ASSERT_NEAR(m_camera.Translation().z, -600.0f, kTol);
    const glm::vec3 before = m_camera.Translation();
    m_camera.ButtonDown(CameraRight, 400.0f, 300.0f);
    m_camera.MouseMove(CameraRight, 400.0f, 330.0f); // -30 / 600 / (500 / 600)
    EXPECT_NEAR(glm::length(m_camera.Translation() - before), 60.0f, kTol);
}

TEST_F(CameraTest, PanStopsAtTheBoundOnThatAxisOnly) {
    // A stored camera far north of the map leaves T.y outside its range
    // [-500, 500]; the next pan brings it back to the bound, while x moves
    // freely.
    DefNodeList roots =
        Parse(R"({map {Camera {Position 1000 5000} {Distance 100} {ViewAngle 1.5}}})");
    ASSERT_TRUE(m_camera.ResetFromDocument(roots));
    ASSERT_LT(m_camera.Translation().y, -500.0f);
    m_camera.ButtonDown(CameraRight, 400.0f, 300.0f);
    m_camera.MouseMove(CameraRight, 399.0f, 300.0f);
    EXPECT_EQ(m_camera.Translation().y, -500.0f);
    EXPECT_GT(m_camera.Translation().x, -1000.0f);
    EXPECT_LT(m_camera.Translation().x, 1000.0f);

    // A long drag stops at x's bound: the point looked at stays on the map.
    m_camera.ButtonDown(CameraRight, 400.0f, 300.0f);
    m_camera.MouseMove(CameraRight, 400000.0f, 300.0f);
    EXPECT_EQ(std::fabs(m_camera.Translation().x), 1000.0f);
    EXPECT_EQ(m_camera.Translation().y, -500.0f);
}

TEST_F(CameraTest, MiddleDragTurnsYawAndPitchFromThePressPoint) {
    m_camera.ButtonDown(CameraMiddle, 400.0f, 300.0f);
    const glm::quat pitch0 = m_camera.Pitch();
    // c = (400 - 230) / 340 = 0.5 and (427.5 - 300) / 255 = 0.5: thirty
    // degrees about the vertical and about the screen's horizontal.
    EXPECT_TRUE(m_camera.MouseMove(CameraMiddle, 230.0f, 427.5f));
    const float a = glm::radians(30.0f);
    ExpectSameRotation(m_camera.Yaw(), glm::angleAxis(a, glm::vec3(0, 1, 0)));
    ExpectSameRotation(m_camera.Pitch(), glm::angleAxis(-a, glm::vec3(1, 0, 0)) * pitch0);
    // The eye circles the point it looks at, at the same distance.
    EXPECT_NEAR(glm::length(m_camera.EyePoint() - m_camera.Target()), 100.0f, 0.01f);

    // Each move starts again from the press: back at the press point the
    // camera is as it was.
    m_camera.MouseMove(CameraMiddle, 400.0f, 300.0f);
    ExpectSameRotation(m_camera.Yaw(), glm::quat(1, 0, 0, 0));
    ExpectSameRotation(m_camera.Pitch(), pitch0);

    // A left press stores the arcs and the quaternions too, but no position.
    m_camera.MouseMove(CameraMiddle, 230.0f, 300.0f);
    m_camera.ButtonDown(CameraLeft, 230.0f, 300.0f);
    m_camera.MouseMove(CameraMiddle, 230.0f, 300.0f);
    ExpectSameRotation(m_camera.Yaw(), glm::angleAxis(a, glm::vec3(0, 1, 0)));
}

TEST_F(CameraTest, DragBetweenOppositeArcEdgesGivesAHalfTurnNotNaN) {
    m_camera.ButtonDown(CameraMiddle, 0.0f, 300.0f);  // c clamped to 1
    m_camera.MouseMove(CameraMiddle, 800.0f, 300.0f); // c clamped to -1
    ExpectNear(Turned(m_camera.YawMatrix(), {1, 0, 0}), {-1.0f, 0.0f, 0.0f});
    ExpectNear(Turned(m_camera.YawMatrix(), {0, 1, 0}), {0.0f, 1.0f, 0.0f});

    m_camera.ButtonDown(CameraMiddle, 400.0f, 0.0f);
    m_camera.MouseMove(CameraMiddle, 400.0f, 600.0f);
    const CameraPose pose = m_camera.Pose();
    EXPECT_TRUE(std::isfinite(pose.distance));
    EXPECT_TRUE(std::isfinite(pose.eye.x) && std::isfinite(pose.eye.z));
}

TEST_F(CameraTest, ArrowKeysTurnTheYawByQuarterTurns) {
    EXPECT_TRUE(m_camera.KeyDown(CameraKey::Left));
    ExpectNear(Turned(m_camera.YawMatrix(), {1, 0, 0}), {0, 0, -1});
    // The map turns about the point below the eye: east now runs along the
    // screen's vertical.
    const glm::vec3 east = Ndc(m_camera, {1010.0f, 500.0f, 0.0f});
    EXPECT_NEAR(east.x, 0.0f, 1e-4f);
    EXPECT_NE(east.y, 0.0f);
    EXPECT_TRUE(m_camera.KeyDown(CameraKey::Left));
    ExpectNear(Turned(m_camera.YawMatrix(), {1, 0, 0}), {-1, 0, 0});
    EXPECT_LT(Ndc(m_camera, {1010.0f, 500.0f, 0.0f}).x, 0.0f) << "half a turn";
    EXPECT_TRUE(m_camera.KeyDown(CameraKey::Right));
    EXPECT_TRUE(m_camera.KeyDown(CameraKey::Right));
    ExpectNear(Turned(m_camera.YawMatrix(), {1, 0, 0}), {1, 0, 0});
    EXPECT_FALSE(m_camera.KeyDown(CameraKey::Up));
    EXPECT_FALSE(m_camera.KeyDown(CameraKey::Down));
}

TEST_F(CameraTest, FocusPansTheElementToTheGroundPointAndZoomsInTo200) {
    m_camera.Focus({1000.0f, 500.0f, 0.0f}, {1300.0f, 450.0f, 7.0f});
    ExpectNear(m_camera.Translation(), {-300.0f, 50.0f, -100.0f}); // nearer than -200 stays
    ExpectNear(m_camera.EyePoint(), {1300.0f, 450.0f, -100.0f});

    m_camera.Wheel(-10000); // to -1100
    m_camera.Focus({1300.0f, 450.0f, 0.0f}, {1300.0f, 450.0f, 0.0f});
    ExpectNear(m_camera.Translation(), {-300.0f, 50.0f, -200.0f});
}

TEST_F(CameraTest, MouseBeforeTheWindowHasASizeIsIgnored) {
    Camera camera;
    camera.ButtonDown(CameraRight, 10.0f, 10.0f);
    EXPECT_FALSE(camera.MouseMove(CameraRight, 50.0f, 50.0f));
    EXPECT_FALSE(camera.MouseMove(CameraMiddle, 50.0f, 50.0f));
    ExpectNear(camera.Translation(), {0.0f, 0.0f, -100.0f});
    ExpectSameRotation(camera.Yaw(), glm::quat(1, 0, 0, 0));
}

TEST_F(CameraTest, ResetFromAMapBlockLooksAtItsTargetAndIgnoresTheYaw) {
    DefNodeList roots = Parse(kMap);
    ASSERT_TRUE(m_camera.ResetFromDocument(roots));
    // The camera looks at the stored target from the stored distance,
    // down by the stored angle; a map's yaw is always a quarter turn's half.
    const CameraPose pose = m_camera.Pose();
    ExpectNear(pose.target, {1000.0f, 400.0f, 0.0f}, 0.01f);
    EXPECT_NEAR(pose.distance, 300.0f, 0.01f);
    EXPECT_NEAR(pose.viewAngle, 0.5f, 1e-4f);
    EXPECT_NEAR(pose.yawAngle, glm::quarter_pi<float>(), 1e-4f);
    // The eye stands above the ground, towards the yaw's direction.
    const glm::vec3 eye = m_camera.EyePoint();
    EXPECT_LT(eye.z, 0.0f);
    EXPECT_GT(eye.x, 1000.0f);
    EXPECT_GT(eye.y, 400.0f);
    const glm::vec3 centre = Ndc(m_camera, {1000.0f, 400.0f, 0.0f});
    EXPECT_NEAR(centre.x, 0.0f, 1e-4f);
    EXPECT_NEAR(centre.y, 0.0f, 1e-4f);

    DefNodeList none = Parse("{map {WorldBound 0 0 2000 1000}}");
    Camera untouched;
    EXPECT_FALSE(untouched.ResetFromDocument(none));
    ExpectNear(untouched.Translation(), {0.0f, 0.0f, -100.0f});
}

TEST_F(CameraTest, ResetFromAMissionReadsTheSecondRootWithItsYawAndKeepsTheZoomLimits) {
    DefNodeList roots = Parse(kMission);
    ASSERT_TRUE(m_camera.ResetFromDocument(roots));
    const CameraPose pose = m_camera.Pose();
    ExpectNear(pose.target, {1200.0f, 300.0f, 0.0f}, 0.01f);
    EXPECT_NEAR(pose.distance, 400.0f, 0.01f);
    EXPECT_NEAR(pose.viewAngle, 0.25f, 1e-4f);
    EXPECT_NEAR(pose.yawAngle, 1.0f, 1e-4f);

    // Resetting twice gives the same camera, not twice the turn.
    ASSERT_TRUE(m_camera.ResetFromDocument(roots));
    EXPECT_NEAR(m_camera.Pose().yawAngle, 1.0f, 1e-4f);

    DefNodeList far = Parse("{map {Camera {Position 0 0} {Distance 90000} {ViewAngle 0.5}}}");
    ASSERT_TRUE(m_camera.ResetFromDocument(far));
    EXPECT_EQ(m_camera.Translation().z, Camera::kFarthestZoom);
}

TEST_F(CameraTest, NumbersThatAreNotFiniteAreNotRead) {
    DefNodeList roots = Parse("{map {Camera {Position nan 400} {Distance inf} {ViewAngle 0.5}}}");
    ASSERT_TRUE(m_camera.ResetFromDocument(roots));
    const glm::vec3 t = m_camera.Translation();
    EXPECT_TRUE(std::isfinite(t.x) && std::isfinite(t.y) && std::isfinite(t.z));
    EXPECT_NEAR(t.z, Camera::kNearestZoom, kTol); // distance 0: the nearest zoom
}

TEST_F(CameraTest, UntouchedCameraSavesTheMapBlockBackUnchanged) {
    DefNodeList roots = Parse(kMap);
    const std::string before = BlockText(*roots[0]);
    ASSERT_TRUE(m_camera.ResetFromDocument(roots));
    const auto writes = m_camera.SaveToDocument(roots);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].rootIndex, 0u);
    EXPECT_FALSE(writes[0].create);
    ASSERT_EQ(writes[0].entries.size(), 3u); // no YawAngle for a map
    EXPECT_EQ(writes[0].entries[1].values,
              (std::vector<std::string>{"300.000000", "200.000000", "2000.000000"}));
    EXPECT_EQ(writes[0].entries[2].values,
              (std::vector<std::string>{"0.500000", "10.000000", "60.000000"}));
    Apply(writes, roots);
    const std::string after = BlockText(*roots[0]);
    EXPECT_NE(after.find("1000.000000 400.000000"), std::string::npos) << after;
    EXPECT_NE(after.find("{YawAngle 1.25}"), std::string::npos) << after;

    // Saved again through a new camera, the block stays as it is.
    Camera again;
    again.SetWindow(800.0f, 600.0f);
    again.SetWorldBound({0.0f, 0.0f, 2000.0f, 1000.0f});
    ASSERT_TRUE(again.ResetFromDocument(roots));
    Apply(again.SaveToDocument(roots), roots);
    EXPECT_EQ(BlockText(*roots[0]), after);
    EXPECT_NE(before, after); // only the number format changed
}

TEST_F(CameraTest, UntouchedMissionCameraSavesBothBlocksWithTheYawInTheMissionOnly) {
    DefNodeList roots = Parse(kMission);
    ASSERT_TRUE(m_camera.ResetFromDocument(roots));
    const auto writes = m_camera.SaveToDocument(roots);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].rootIndex, 1u);
    ASSERT_EQ(writes[0].entries.size(), 4u);
    EXPECT_EQ(writes[0].entries[0].values, (std::vector<std::string>{"1200.000000", "300.000000"}));
    EXPECT_EQ(writes[0].entries[1].values, (std::vector<std::string>{"400.000000"}));
    EXPECT_EQ(writes[0].entries[3].name, "YawAngle");
    EXPECT_EQ(writes[0].entries[3].values, (std::vector<std::string>{"1.000000"}));
    EXPECT_EQ(writes[1].rootIndex, 0u);
    ASSERT_EQ(writes[1].entries.size(), 3u);
    EXPECT_EQ(writes[1].entries[0].values, (std::vector<std::string>{"1200.000000", "300.000000"}));
    Apply(writes, roots);
    // The mission's Distance keeps its other values.
    EXPECT_NE(BlockText(*roots[1]).find("{Distance 400.000000 200 2000}"), std::string::npos)
        << BlockText(*roots[1]);
}

TEST_F(CameraTest, MovedCameraSavesTheGroundPointAtTheCentreOfTheView) {
    DefNodeList roots = Parse(kMission);
    ASSERT_TRUE(m_camera.ResetFromDocument(roots));
    m_camera.Wheel(-1000);
    const CameraPose pose = m_camera.Pose();
    glm::vec3 origin, direction;
    m_camera.PickRay(400.0f, 300.0f, origin, direction);
    ASSERT_GT(direction.z, 0.0f); // looking down
    const glm::vec3 ground = origin - (origin.z / direction.z) * direction;
    ExpectNear(pose.target, {ground.x, ground.y, 0.0f}, 0.05f);
    EXPECT_NEAR(pose.distance, glm::length(pose.target - pose.eye), kTol);
    EXPECT_NEAR(pose.distance, 500.0f, 0.01f);
    EXPECT_NEAR(pose.viewAngle, 0.25f, 1e-4f);
    EXPECT_NEAR(pose.yawAngle, std::atan2(-pose.direction.x, -pose.direction.y), 1e-5f);

    const auto writes = m_camera.SaveToDocument(roots);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[1].entries[0].values[0], platform::FormatFloat6(pose.target.x));

    // What was saved reads back as the same camera.
    Apply(writes, roots);
    Camera again;
    again.SetWindow(800.0f, 600.0f);
    again.SetWorldBound({0.0f, 0.0f, 2000.0f, 1000.0f});
    ASSERT_TRUE(again.ResetFromDocument(roots));
    ExpectNear(again.EyePoint(), m_camera.EyePoint(), 0.01f);
}

TEST_F(CameraTest, LevelViewSavesThePointItCircles) {
    m_camera.ButtonDown(CameraMiddle, 400.0f, 300.0f);
    m_camera.MouseMove(CameraMiddle, 400.0f, 45.0f); // a quarter turn of pitch, up to level
    const CameraPose pose = m_camera.Pose();
    EXPECT_NEAR(pose.viewAngle, 0.0f, 1e-3f);
    ExpectNear(pose.target, {1000.0f, 500.0f, 0.0f});
    EXPECT_NEAR(pose.distance, 100.0f, kTol);
}

TEST_F(CameraTest, MissingBlocksAreCreatedAfterTheBoundsOrFirst) {
    struct Case {
        const char* text;
        size_t index;
    };
    const Case cases[] = {
        {"{map {a} {WorldBound 0 0 1 1} {CameraBound 0 0 1 1} {PatherBound 0 0 1 1} {b}}", 4},
        {"{map {a} {b} {CameraBound 0 0 1 1} {WorldBound 0 0 1 1} {c}}", 3},
        {"{map {a} {WorldBound 0 0 1 1} {c}}", 2},
        {"{map {a} {c}}", 0},
    };
    for (const Case& c : cases) {
        DefNodeList roots = Parse(c.text);
        const auto writes = m_camera.SaveToDocument(roots);
        ASSERT_EQ(writes.size(), 1u);
        EXPECT_TRUE(writes[0].create) << c.text;
        EXPECT_EQ(writes[0].insertIndex, c.index) << c.text;
    }

    // A mission root without a block gets its own as its first child.
    DefNodeList roots = Parse(R"({map {Camera {Position 1 2}}} {mission {Environment "day"}})");
    const auto writes = m_camera.SaveToDocument(roots);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_TRUE(writes[0].create);
    EXPECT_EQ(writes[0].insertIndex, 0u);
    EXPECT_FALSE(writes[1].create);
    Apply(writes, roots);
    EXPECT_EQ(roots[1]->Child(0)->Name(), "Camera");
    EXPECT_NE(roots[1]->Child(0)->FindChild("YawAngle"), nullptr);
}

} // namespace
