// "vmed mission lint" as a separate program: the demo mission is clean,
// planted faults come out one a line in line order, and the exit code tells
// clean, findings and unreadable apart.

#include "support/TestSupport.h"

#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using testing_support::ShellQuote;

const char* kMap = R"({map
	{WorldBound -100 -100 100 100}
	{Entity "120_3m:summer" 0x0 {Position 0 0 0}}
	{Entity "house_small" 0x1 {Position 10 10 0}}
}
)";

class LintCliTest : public ::testing::Test {
  protected:
    void Write(const fs::path& path, const std::string& text) {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    testing_support::VmedResult Lint(const std::string& rest) {
        return testing_support::RunVmed("mission lint " + rest);
    }
    std::string Catalogue() {
        return "--game-path " + ShellQuote(VM_DEMO_GAME) + " --resource-dir " +
               ShellQuote((m_dir.path() / "res").string()) + " ";
    }
    bool DemoBuilt() const { return fs::exists(fs::path(VM_DEMO_GAME) / "game.pak"); }

    testing_support::TempDir m_dir;
};

TEST_F(LintCliTest, DemoMissionIsClean) {
    if (!DemoBuilt()) GTEST_SKIP() << "demo game not built";
    auto r = Lint(Catalogue() + "--member map/single/crossroads/crossroads.mi " +
                  ShellQuote((fs::path(VM_DEMO_GAME) / "game.pak").string()));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "");
}

TEST_F(LintCliTest, FindingsAreOneLineEachInLineOrder) {
    Write(m_dir.path() / "m" / "map", kMap);
    const fs::path mission = m_dir.path() / "m" / "m.mi";
    Write(mission, R"({mission
	{Entity "m4a2" 0x8000 {Position 10 10 0} {MID 1}}
	{Entity "nonesuch" 0x8001 {Position 300 10 0} {MID 1}}
	{Link 0x8001 To 0x8009 "driver"}
}
)");
    const std::string dup = "8\terror\tDuplicate MID 1 of Entity 0x8001 (\"nonesuch\"): the entity "
                            "on line 2 has it too.\n";
    const std::string outside = "6\twarning\tEntity 0x8001 (\"nonesuch\") at (300, 10) lies "
                                "outside the map bounds (-100, -100, 100, 100).\n";
    const std::string link = "10\terror\tLink names vehicle ID 0x8009, which no entity has.\n";
    auto r = Lint(ShellQuote(mission.string()));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, outside + dup + link);

    // With the catalogue the unknown type is found as well.
    if (!DemoBuilt()) GTEST_SKIP() << "demo game not built";
    r = Lint(Catalogue() + ShellQuote(mission.string()));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "6\twarning\tEntity 0x8001 (\"nonesuch\") has the type nonesuch, which "
                     "the entity catalogue does not know.\n" +
                         outside + dup + link);
}

TEST_F(LintCliTest, UnreadableFilesAndBadArgumentsExitWithTwo) {
    // A mission without its base map cannot be opened.
    const fs::path lonely = m_dir.path() / "lonely" / "x.mi";
    Write(lonely, "{mission\n}\n");
    // A mission whose last block is left open.
    Write(m_dir.path() / "open" / "map", kMap);
    const fs::path open = m_dir.path() / "open" / "o.mi";
    Write(open, "{mission\n\t{Entity \"m4a2\" 0x8000 {Position 10 10 0}\n");
    for (const std::string& args :
         {ShellQuote((m_dir.path() / "missing.mi").string()), ShellQuote(lonely.string()),
          ShellQuote(open.string()), "--game-path /nowhere " + ShellQuote(lonely.string()),
          "--member a.mi " + ShellQuote(lonely.string()), std::string()}) {
        auto r = Lint(args);
        EXPECT_EQ(r.code, 2) << args;
        EXPECT_EQ(r.out, "") << args;
    }
    auto help = Lint("--help");
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("LINE<TAB>SEVERITY<TAB>MESSAGE"), std::string::npos);
}

} // namespace
