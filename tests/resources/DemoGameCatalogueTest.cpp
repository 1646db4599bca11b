// The catalogue loaded from the demo game, as the editor loads it at start:
// every category the editor offers is populated, the patch archives win
// over game.pak, and the sets arrive.
#include "CatalogueTestSupport.h"

#include "format/DefParser.h"

using namespace catalogue_test;

namespace {

class DemoGameCatalogueTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!fs::exists(fs::path(VM_DEMO_GAME) / "game.pak"))
            GTEST_SKIP() << "demo game not generated";
        m_catalogue.SetGamePath(VM_DEMO_GAME);
        m_catalogue.SetResourceDir(m_res.path().string());
        ASSERT_TRUE(m_catalogue.LoadResources());
    }
    size_t Count(int category) const {
        size_t n = 0;
        for (const auto& e : m_catalogue.Entries())
            n += e.category == category;
        return n;
    }
    testing_support::TempDir m_res;
    testing_support::RecordingPrompts m_prompts;
    resources::CResourceCatalogue m_catalogue{&m_prompts, nullptr, nullptr};
};

TEST_F(DemoGameCatalogueTest, EveryScannedCategoryHoldsSeveralTypes) {
    for (const auto& row : resources::ScanTable())
        EXPECT_GE(Count(row.category), 3u) << "category " << row.category << " from " << row.base;
    EXPECT_GE(m_catalogue.BreedList().size(), 6u);
    std::vector<CDefNode*> presets;
    for (const auto& top : m_catalogue.EnvironmentPresets())
        top->CollectAll("Preset", presets);
    EXPECT_GE(presets.size(), 4u);
    EXPECT_FALSE(m_catalogue.SkeletonMap().empty());
    EXPECT_TRUE(m_prompts.messages.empty());
}

TEST_F(DemoGameCatalogueTest, UpperCaseDefinitionsAndPatchedTypesAreFound) {
    const resources::CEntityEntry* gun = m_catalogue.FindEntity("M5");
    ASSERT_NE(gun, nullptr);
    EXPECT_EQ(gun->name, "m5");
    const resources::CEntityEntry* chicken = m_catalogue.FindEntity("chicken");
    ASSERT_NE(chicken, nullptr);
    DefNodeList roots;
    ASSERT_TRUE(ParseDefinitionFile(chicken->path, roots));
    bool patched = false;
    for (const auto& r : roots)
        patched |= r->Find("revision") != nullptr;
    EXPECT_TRUE(patched) << "the chicken of the second patch archive should replace game.pak's";
}

TEST_F(DemoGameCatalogueTest, StaticMapObjectsAreNoUnits) {
    CDefNode tank("Entity", "pz-4d_xx");
    tank.SetFirstValue("\"pz-4d_xx\"");
    EXPECT_TRUE(resources::CheckEntityType(tank, m_catalogue));
    EXPECT_FALSE(tank.isUnit);
    CDefNode unknown("Entity", "no_such_type");
    EXPECT_FALSE(resources::CheckEntityType(unknown, m_catalogue));
}

} // namespace
