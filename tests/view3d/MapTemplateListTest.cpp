#include "view3d/MapTemplateList.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

namespace fs = std::filesystem;

class MapTemplateListTest : public ::testing::Test {
  protected:
    testing_support::TempDir m_tmp;
    fs::path m_maps = m_tmp.path() / "entity" / "landscape" / "map";

    void Touch(const std::string& relative) {
        const fs::path path = m_maps / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "ply";
    }
};

TEST_F(MapTemplateListTest, EachPieceInAVariantFolderIsOneEntry) {
    Touch("120_3M/preview.ply"); // outside every variant folder
    Touch("120_3M/winter.MOD/Ground.PLY");
    Touch("120_3M/summer.mod/ground.ply");
    Touch("120_3M/summer.mod/readme.txt");
    Touch("120_3M/summer.mod/inner/deep.ply"); // below a variant folder
    Touch("120_3M/summer.mod/inner.mod/deeper.ply");
    Touch("120_3M/extra/autumn.mod/a.ply");
    Touch("120_3M/extra/autumn.mod/b.ply");
    Touch("120_3M/empty.mod/ground.tga");
    Touch("land/night.mod/ground.ply");
    fs::create_directories(m_maps / "120_3M" / "folder.ply.mod" / "x.ply");

    const auto list = view3d::ListMapTemplates(m_tmp.path(), {"120_3m", "missing", "", "land"});
    const std::vector<std::string> expected = {"120_3m:autumn", "120_3m:autumn", "120_3m:summer",
                                               "120_3m:winter", "land:night"};
    EXPECT_EQ(list, expected);
}

TEST_F(MapTemplateListTest, LinkedFoldersAreNotFollowed) {
    Touch("loop/a.mod/ground.ply");
    std::error_code ec;
    fs::create_directory_symlink(m_maps / "loop", m_maps / "loop" / "again", ec);
    if (ec) GTEST_SKIP() << "no symbolic links here";
    fs::create_directory_symlink(m_maps / "loop" / "a.mod", m_maps / "loop" / "b.mod", ec);
    EXPECT_EQ(view3d::ListMapTemplates(m_tmp.path(), {"loop"}),
              (std::vector<std::string>{"loop:a"}));
}

TEST_F(MapTemplateListTest, DeepFoldersEndTheSearch) {
    std::string deep = "deep";
    for (int i = 0; i < 40; ++i)
        deep += "/d";
    Touch(deep + "/x.mod/ground.ply");
    Touch("deep/d/d/y.mod/ground.ply");
    EXPECT_EQ(view3d::ListMapTemplates(m_tmp.path(), {"deep"}),
              (std::vector<std::string>{"deep:y"}));
}

} // namespace
