// The frame's draw lists and the far-to-near order of the object list.

#include "SceneTestSupport.h"
#include "view3d/SceneEntityFactory.h"

using namespace view3d;
using scene_test::Square;

namespace {

// An object that only has a distance and an alpha flag.
class Sorted : public SceneObject {
  public:
    Sorted(float distance, bool alpha, glm::vec3 centre = glm::vec3(0.0f)) : m_alpha(alpha) {
        SetCameraDistance(distance);
        m_centre = centre;
    }
    bool HasAlpha() const override { return m_alpha; }

  private:
    bool m_alpha;
};

TEST(RenderListsTest, FarObjectsComeFirstAndNearlyLevelOnesPutAlphaFirst) {
    Sorted nearOpaque(10.0f, false), nearAlpha(10.5f, true), far(50.0f, false),
        farAlpha(20.0f, true);
    std::vector<SceneObject*> list = {&nearOpaque, &nearAlpha, &far, &farAlpha};
    SortForFrame(list);
    EXPECT_EQ(list, (std::vector<SceneObject*>{&far, &farAlpha, &nearAlpha, &nearOpaque}));

    // A difference of exactly 1.0 is decided by distance, not alpha.
    Sorted a(11.0f, false), b(10.0f, true);
    list = {&b, &a};
    SortForFrame(list);
    EXPECT_EQ(list.front(), &a);

    // Many nearly level objects (a chain the rule cannot order strictly)
    // sort without harm.
    std::vector<std::unique_ptr<Sorted>> crowd;
    list.clear();
    for (int i = 0; i < 500; ++i) {
        crowd.push_back(std::make_unique<Sorted>(float(i % 37) * 0.4f, i % 3 == 0));
        list.push_back(crowd.back().get());
    }
    SortForFrame(list);
    EXPECT_EQ(list.size(), 500u);
}

TEST(RenderListsTest, ListsSplitMapPartsSpritesMeshesFlagsAndWaypoints) {
    RecordingDevice device;
    scene_test::FakeTextures textures;
    scene_test::FakeResolver resolver;
    ModelGroupData mapData;
    mapData.parts.push_back(Square(0.0f));
    mapData.parts.push_back(Square(1.0f));
    ModelGroupData unitData;
    unitData.parts.push_back(Square(0.0f));
    unitData.parts.push_back(Square<SpriteData>(1.0f));
    auto flagBox = Square(0.0f);

    PlayerSceneEntity map(nullptr, KindMap, {0, 0, 0});
    auto mapObject = std::make_unique<ModelObject>();
    mapObject->InitFromModel(mapData);
    map.SetObject(std::move(mapObject));
    PlayerSceneEntity unit(nullptr, KindTanks, {0, 0, 0});
    auto unitObject = std::make_unique<ModelObject>();
    unitObject->InitFromModel(unitData);
    unit.SetObject(std::move(unitObject));
    unit.CreateFlag(device, *flagBox, textures, resolver);
    SceneEntity waypoint(nullptr, KindLink, {0, 0, 0});
    waypoint.SetObject(std::make_unique<LinkedMeshObject>());

    RenderLists lists;
    lists.Build({&map, &unit}, {&waypoint});
    EXPECT_EQ(lists.ground,
              (std::vector<SceneObject*>{map.Object()->Part(0), map.Object()->Part(1)}));
    EXPECT_EQ(lists.objects, (std::vector<SceneObject*>{unit.Object()->Part(0), unit.Flag()}));
    EXPECT_EQ(lists.decals, (std::vector<SceneObject*>{unit.Object()->Part(1)}));
    EXPECT_EQ(lists.links, (std::vector<SceneObject*>{waypoint.Object()}));

    // Distances are measured to the box centres.
    Sorted near(0.0f, false, {0, 0, 10}), far(0.0f, false, {0, 0, 100});
    lists.objects = {&near, &far};
    lists.SortObjects({0, 0, 0});
    EXPECT_FLOAT_EQ(near.CameraDistance(), 10.0f);
    EXPECT_EQ(lists.objects.front(), &far);
}

} // namespace
