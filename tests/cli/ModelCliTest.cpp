// vmed model: checking mesh files and loading entity models from the demo game.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string Q(const fs::path& p) {
    return testing_support::ShellQuote(p.string());
}

TEST(ModelCliTest, CheckReportsEachFileAndFailsOnABrokenOne) {
    testing_support::TempDir tmp;
    const fs::path demo = VM_DEMO_GAME;
    if (!fs::exists(demo / "game.pak")) GTEST_SKIP() << "demo game not generated";
    // a real mesh out of the demo game, and a broken one beside it
    fs::path unpacked = tmp.path() / "out";
    ASSERT_EQ(testing_support::RunVmed("pak extract " + Q(demo / "game.pak") + " " + Q(unpacked) +
                                       " entity/inventory/box_ammo/body.ply")
                  .code,
              0);
    fs::path good = unpacked / "entity/inventory/box_ammo/body.ply";
    fs::path bad = tmp.path() / "bad.ply";
    std::ofstream(bad, std::ios::binary) << "DEMOMSH1 too short";

    auto ok = testing_support::RunVmed("model check " + Q(good));
    EXPECT_EQ(ok.code, 0);
    EXPECT_EQ(ok.out, good.string() + ": 1 chunks, 24 vertices, 12 faces\n");

    auto mixed = testing_support::RunVmed("model check " + Q(good) + " " + Q(bad));
    EXPECT_EQ(mixed.code, 2);
    std::vector<std::string> lines = Lines(mixed.out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], bad.string() + ": error: file ends inside the header");
    EXPECT_EQ(testing_support::RunVmed("model check").code, 2);
}

TEST(ModelCliTest, InfoPrintsTheModelsOfNamedTypesAndOfAll) {
    testing_support::TempDir res;
    const std::string base =
        "model info --game-path " + Q(VM_DEMO_GAME) + " --resource-dir " + Q(res.path());
    auto named = testing_support::RunVmed(base + " m4a2 sky_day sound_of_nothing birds");
    ASSERT_EQ(named.code, 0);
    std::vector<std::string> lines = Lines(named.out);
    ASSERT_EQ(lines.size(), 4u);
    // hull, tracks, turret, gun and the track decal, with six textures
    EXPECT_EQ(lines[0].rfind("m4a2\t5\t", 0), 0u) << lines[0];
    EXPECT_EQ(lines[0].substr(lines[0].rfind('\t')), "\t6");
    EXPECT_EQ(lines[1], "sky_day\t1\t4\t2\t1");
    EXPECT_EQ(lines[2], "sound_of_nothing\tno model\tunknown entity type");
    EXPECT_EQ(lines[3], "birds\tno model\tthe definition names nothing to show");

    auto all = testing_support::RunVmed(base + " --all");
    ASSERT_EQ(all.code, 0);
    lines = Lines(all.out);
    EXPECT_GE(lines.size(), 100u);
    size_t models = 0;
    for (const std::string& line : lines) {
        size_t fields = std::count(line.begin(), line.end(), '\t') + 1;
        bool none = line.find("\tno model\t") != std::string::npos;
        EXPECT_TRUE(none ? fields >= 3 : fields == 5) << line;
        models += !none;
    }
    EXPECT_GE(models, 90u);
}

TEST(ModelCliTest, InfoRefusesWrongArgumentsAndFailedLoads) {
    testing_support::TempDir res;
    EXPECT_EQ(
        testing_support::RunVmed("model info --resource-dir " + Q(res.path()) + " --all").code, 2);
    EXPECT_EQ(testing_support::RunVmed("model info --game-path '' --resource-dir " + Q(res.path()) +
                                       " --all")
                  .code,
              2);
    EXPECT_EQ(testing_support::RunVmed("model info --game-path " + Q(VM_DEMO_GAME) +
                                       " --resource-dir " + Q(res.path()) + " --all m4a2")
                  .code,
              2);
    EXPECT_EQ(testing_support::RunVmed("model --help").code, 0);
    EXPECT_EQ(testing_support::RunVmed("model frobnicate").code, 2);
}

} // namespace
