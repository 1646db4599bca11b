#include "support/TestSupport.h"

#include "platform/Files.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace fs = std::filesystem;

namespace {

// Runs vmed with its standard error captured alongside its output.
testing_support::VmedResult VmedWithErrors(const std::string& args,
                                           const std::string& environment = {}) {
    testing_support::VmedResult r;
    std::string cmd = environment + "'" + VM_VMED_PATH + "' " + args + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;)
        r.out.append(buf, n);
    int status = pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// A copy of the demo game with the river mission extracted into its resources.
class ExportCliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::path demo = VM_DEMO_GAME;
        if (!fs::exists(demo / "game.pak")) GTEST_SKIP() << "demo game not built";
        game = dir.path() / "game";
        res = dir.path() / "res";
        fs::copy(demo, game, fs::copy_options::recursive);
        ASSERT_EQ(Vmed("catalogue " + Paths()).code, 0);
        ASSERT_EQ(Vmed("pak extract '" + (game / "game.pak").string() + "' '" + res.string() +
                       "' map/single/river/river.mi map/single/river/map")
                      .code,
                  0);
        mission = (res / "map/single/river/river.mi").string();
    }
    static testing_support::VmedResult Vmed(const std::string& args) {
        return testing_support::RunVmed(args);
    }
    std::string Paths() const {
        return "--game-path '" + game.string() + "' --resource-dir '" + res.string() + "'";
    }

    testing_support::TempDir dir;
    fs::path game, res;
    std::string mission;
};

TEST_F(ExportCliTest, ModExportBuildsTheModFolder) {
    ASSERT_EQ(Vmed("export-mod " + Paths() + " --name 'river mod' --title River --side 3 '" +
                   mission + "'")
                  .code,
              0);
    fs::path mod = game / "mods" / "river mod";
    EXPECT_TRUE(fs::exists(mod / "resource/map/single/river mod/river.mi"));
    EXPECT_TRUE(fs::exists(mod / "resource/map/single/river mod/map"));
    std::string reg = platform::ReadWholeFile(mod / "resource/set/registry/games.reg").value_or("");
    EXPECT_NE(reg.find("{\"single\\river mod\" 3}"), std::string::npos);
    EXPECT_NE(reg.find("{scene \"single/river mod:river\"}"), std::string::npos);
    std::string info = platform::ReadWholeFile(mod / "info.mod").value_or("");
    EXPECT_NE(info.find("{name \"River\"}"), std::string::npos);

    ASSERT_EQ(Vmed("export-mod " + Paths() + " --name x --no-map '" + mission + "'").code, 0);
    EXPECT_FALSE(fs::exists(game / "mods/x/resource/map/single/x/map"));
    EXPECT_EQ(Vmed("export-mod " + Paths() + " --name '../../outside' '" + mission + "'").code, 2);
    EXPECT_FALSE(fs::exists(dir.path() / "outside"));
    EXPECT_EQ(Vmed("export-mod " + Paths() + " --name x --side 7 '" + mission + "'").code, 2);
}

TEST_F(ExportCliTest, ModExportDrawsTheMinimapOffscreenOrSaysWhyNot) {
    testing_support::VmedResult r =
        VmedWithErrors("export-mod " + Paths() + " --name pics '" + mission + "'");
    ASSERT_EQ(r.code, 0) << r.out;
    const fs::path folder = game / "mods/pics/resource/interface/minimap";
    if (r.out.find("the minimap was skipped") != std::string::npos) {
        // A machine without any OpenGL: nothing half written.
        EXPECT_FALSE(fs::exists(folder / "pics.tga"));
        GTEST_SKIP() << r.out;
    }
    const std::string ebm = platform::ReadWholeFile(folder / "pics.ebm").value_or("");
    EXPECT_NE(ebm.find("\"pics.tga\""), std::string::npos) << ebm;
    const std::string tga = platform::ReadWholeFile(folder / "pics.tga").value_or("");
    ASSERT_GT(tga.size(), 18u);
    const int width = uint8_t(tga[12]) | uint8_t(tga[13]) << 8;
    const int height = uint8_t(tga[14]) | uint8_t(tga[15]) << 8;
    EXPECT_EQ(tga[2], 2);
    EXPECT_EQ(tga[16], 24);
    ASSERT_EQ(tga.size(), 18u + size_t(width) * height * 3);
    // The world's part of a picture 250 pixels along the map's longer side,
    // in a frame of three white pixels.
    EXPECT_LE(std::max(width, height), 250 + 6);
    EXPECT_GT(std::min(width, height), 6 + 50);
    auto pixel = [&](int x, int y) { // rows are stored bottom first
        const size_t at = 18 + (size_t(height - 1 - y) * width + x) * 3;
        return std::string(tga.substr(at, 3));
    };
    const std::string white(3, '\xFF');
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(pixel(i, height / 2), white);
        EXPECT_EQ(pixel(width - 1 - i, height / 2), white);
        EXPECT_EQ(pixel(width / 2, i), white);
        EXPECT_EQ(pixel(width / 2, height - 1 - i), white);
    }
    // Inside the frame the map was drawn: not all one colour.
    size_t differing = 0;
    for (int y = 3; y < height - 3; y += 7)
        for (int x = 3; x < width - 3; x += 7)
            if (pixel(x, y) != pixel(3, 3)) ++differing;
    EXPECT_GT(differing, size_t(20));

    // Asked not to, it writes none.
    ASSERT_EQ(Vmed("export-mod " + Paths() + " --name bare --no-minimap '" + mission + "'").code,
              0);
    EXPECT_FALSE(fs::exists(game / "mods/bare/resource/interface/minimap/bare.tga"));
}

TEST_F(ExportCliTest, WithoutAnyOpenGlTheMinimapIsSkippedAndSaid) {
    // No EGL driver at all: the export still succeeds, without a minimap.
    testing_support::VmedResult r =
        VmedWithErrors("export-mod " + Paths() + " --name nogl '" + mission + "'",
                       "__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json ");
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("the minimap was skipped"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(game / "mods/nogl/info.mod"));
    EXPECT_FALSE(fs::exists(game / "mods/nogl/resource/interface/minimap/nogl.tga"));
}

TEST_F(ExportCliTest, ModTextsThatWouldNotReadBackAreRefusedBeforeAnythingIsWritten) {
    for (const char* option : {"--title", "--desc", "--version", "--name"}) {
        testing_support::VmedResult r =
            VmedWithErrors("export-mod " + Paths() + " --name quoted " + option +
                           " 'Bad\"} {evil' '" + mission + "'");
        EXPECT_EQ(r.code, 2) << option;
        EXPECT_NE(r.out.find("the character '\"' (double quote) is not allowed"), std::string::npos)
            << option << ": " << r.out;
    }
    EXPECT_FALSE(fs::exists(game / "mods" / "quoted"));
    EXPECT_FALSE(fs::exists(game / "mods" / "Bad\"} {evil"));
}

TEST_F(ExportCliTest, PakExportNeedsYesToReplaceAMember) {
    EXPECT_EQ(Vmed("export-pak " + Paths() + " '" + mission + "'").code, 2);
    EXPECT_EQ(Vmed("export-pak " + Paths() + " '" + mission + "' --yes").code, 0);
    EXPECT_EQ(
        std::system(("unzip -tqq '" + (game / "game.pak").string() + "' >/dev/null 2>&1").c_str()),
        0);
    // A file outside the resource directory is refused.
    fs::copy_file(mission, dir.path() / "elsewhere.mi");
    fs::copy_file(res / "map/single/river/map", dir.path() / "map");
    EXPECT_EQ(
        Vmed("export-pak " + Paths() + " '" + (dir.path() / "elsewhere.mi").string() + "' --yes")
            .code,
        2);
}

} // namespace
