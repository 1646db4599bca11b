// The "vmed mission" commands, run as a separate program on the demo game's
// crossroads mission: opened from the archive and from extracted files, saved
// and reopened, and with a duplicated entity ID.

#include "support/TestSupport.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace fs = std::filesystem;
using testing_support::ShellQuote;
using testing_support::Slurp;
using testing_support::TempDir;

namespace {

constexpr const char* kMissionMember = "map/single/crossroads/crossroads.mi";
constexpr const char* kMapMember = "map/single/crossroads/map";

struct Outcome {
    int code = -1;
    std::vector<std::string> lines;          // standard output
    std::map<std::string, std::string> info; // the key<TAB>value lines
    std::string err;
};

class MissionCliTest : public ::testing::Test {
  protected:
    std::string GamePak() const { return (fs::path(VM_DEMO_GAME) / "game.pak").string(); }

    // vmed with the given arguments; standard error is kept too, because that
    // is where the document's warnings go.
    Outcome Vmed(const std::string& args) {
        Outcome r;
        fs::path errFile = m_dir.path() / "stderr.txt";
        std::string command =
            ShellQuote(VM_VMED_PATH) + " " + args + " 2>" + ShellQuote(errFile.string());
        FILE* p = ::popen(command.c_str(), "r");
        if (!p) return r;
        std::string out;
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
            out.append(buf, n);
        int status = ::pclose(p);
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.err = Slurp(errFile);
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);) {
            r.lines.push_back(line);
            size_t tab = line.find('\t');
            if (tab != std::string::npos) r.info[line.substr(0, tab)] = line.substr(tab + 1);
        }
        return r;
    }

    // "mission ACTION" with the demo game and this test's resource folder.
    Outcome Mission(const std::string& action, const std::string& rest) {
        return Vmed("mission " + action + " --game-path " + ShellQuote(VM_DEMO_GAME) +
                    " --resource-dir " + ShellQuote((m_dir.path() / "res").string()) + " " + rest);
    }

    // The crossroads mission and its map, extracted from game.pak; the .mi path.
    fs::path ExtractCrossroads() {
        fs::path dir = m_dir.path() / "extracted";
        Outcome r = Vmed("pak extract " + ShellQuote(GamePak()) + " " + ShellQuote(dir.string()) +
                         " " + kMissionMember + " " + kMapMember);
        EXPECT_EQ(r.code, 0) << r.err;
        return dir / kMissionMember;
    }

    TempDir m_dir;
};

TEST_F(MissionCliTest, InfoOfTheDemoMissionInTheArchive) {
    Outcome r =
        Mission("info", std::string("--member ") + kMissionMember + " " + ShellQuote(GamePak()));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.info["kind"], "0");
    EXPECT_EQ(r.info["roots"], "2");
    long entities = std::stol(r.info["entities"]);
    EXPECT_GT(entities, 0);
    // Every categorised entity is one of the mission's entities.
    long categorised = 0;
    for (const auto& [key, value] : r.info)
        if (key.rfind("category.", 0) == 0) categorised += std::stol(value);
    EXPECT_GT(categorised, 0);
    EXPECT_LE(categorised, entities);
    EXPECT_EQ(r.info["waypoints"], "3");
    EXPECT_EQ(r.info["zones"], "2");
    EXPECT_EQ(r.info["events"], "2");
    EXPECT_EQ(r.info["triggers"], "2");
    EXPECT_EQ(r.info["camerapaths"], "1");
    // The member came out of the archive together with the map it is built on.
    EXPECT_TRUE(fs::exists(m_dir.path() / "res" / kMissionMember));
    EXPECT_TRUE(fs::exists(m_dir.path() / "res" / kMapMember));
}

TEST_F(MissionCliTest, FileWithoutExtensionOpensAsMap) {
    fs::path mission = ExtractCrossroads();
    Outcome r = Mission("info", ShellQuote((mission.parent_path() / "map").string()));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.info["kind"], "1");
    EXPECT_EQ(r.info["roots"], "1");
    EXPECT_GT(std::stol(r.info["entities"]), 0);
}

TEST_F(MissionCliTest, SavedMissionReopensTheSameAndCarriesItsMap) {
    fs::path mission = ExtractCrossroads();
    Outcome before = Mission("info", ShellQuote(mission.string()));
    ASSERT_EQ(before.code, 0) << before.err;

    fs::path out = m_dir.path() / "saved" / "copy.mi";
    fs::create_directories(out.parent_path());
    ASSERT_EQ(Mission("save", ShellQuote(mission.string()) + " " + ShellQuote(out.string())).code,
              0);
    ASSERT_TRUE(fs::exists(out));
    const std::string baseMap = Slurp(mission.parent_path() / "map");
    EXPECT_EQ(Slurp(out.parent_path() / "map"), baseMap);
    Outcome after = Mission("info", ShellQuote(out.string()));
    EXPECT_EQ(after.code, 0) << after.err;
    EXPECT_EQ(after.lines, before.lines);

    // A map already beside the target is replaced by the mission's own.
    std::ofstream(out.parent_path() / "map", std::ios::binary) << "{map}\r\n";
    ASSERT_EQ(Mission("save", ShellQuote(mission.string()) + " " + ShellQuote(out.string())).code,
              0);
    EXPECT_EQ(Slurp(out.parent_path() / "map"), baseMap);
}

TEST_F(MissionCliTest, DuplicatedEntityIdIsReportedOnStandardError) {
    fs::path mission = ExtractCrossroads();
    fs::path dir = m_dir.path() / "dup";
    fs::create_directories(dir);
    fs::copy_file(mission.parent_path() / "map", dir / "map");
    std::ofstream(dir / "dup.mi", std::ios::binary)
        << "{mission\r\n"
           "\t{Entity \"m4a2\" 0x8001\r\n\t\t{Position 0 0 0}\r\n\t\t{MID 1}\r\n\t}\r\n"
           "\t{Entity \"m4a2\" 0x8001\r\n\t\t{Position 5 5 0}\r\n\t\t{MID 2}\r\n\t}\r\n"
           "}\r\n";
    Outcome r = Mission("info", ShellQuote((dir / "dup.mi").string()));
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.err.find("Duplicate ID value '0x8001'"), std::string::npos) << r.err;
    // The MIDs differ: only the ID is reported, and both entities are kept.
    EXPECT_EQ(r.err.find("MID"), std::string::npos) << r.err;
    EXPECT_EQ(r.info["entities"], "2");
}

TEST_F(MissionCliTest, DamagedMissionIsReportedAndSavedOnlyWhenAccepted) {
    fs::path mission = ExtractCrossroads();
    fs::path dir = m_dir.path() / "cut";
    fs::create_directories(dir);
    fs::copy_file(mission.parent_path() / "map", dir / "map");
    const std::string text = Slurp(mission);
    std::ofstream(dir / "cut.mi", std::ios::binary) << text.substr(0, text.size() / 2);
    const std::string in = ShellQuote((dir / "cut.mi").string());

    // info reads on and says what was read with trouble.
    Outcome info = Mission("info", in);
    EXPECT_EQ(info.code, 0) << info.err;
    EXPECT_NE(info.err.find("' was read with problems:\nline "), std::string::npos) << info.err;
    EXPECT_NE(info.err.find("still open at the end of the file"), std::string::npos) << info.err;
    EXPECT_EQ(info.info["kind"], "0");

    // save refuses unless told to keep what was read.
    fs::path out = m_dir.path() / "out" / "cut.mi";
    fs::create_directories(out.parent_path());
    Outcome refused = Mission("save", in + " " + ShellQuote(out.string()));
    EXPECT_EQ(refused.code, 2);
    EXPECT_NE(refused.err.find("--accept-damaged"), std::string::npos) << refused.err;
    EXPECT_FALSE(fs::exists(out));
    EXPECT_FALSE(fs::exists(out.parent_path() / "map"));

    Outcome saved = Mission("save", "--accept-damaged " + in + " " + ShellQuote(out.string()));
    ASSERT_EQ(saved.code, 0) << saved.err;
    // What was saved is balanced: it opens without a word.
    Outcome again = Mission("info", ShellQuote(out.string()));
    EXPECT_EQ(again.code, 0);
    EXPECT_EQ(again.err, "");
    EXPECT_EQ(again.info["entities"], info.info["entities"]);
}

TEST_F(MissionCliTest, FailuresExitWithTwo) {
    fs::path mission = ExtractCrossroads();
    EXPECT_EQ(Mission("info", ShellQuote((m_dir.path() / "missing.mi").string())).code, 2);
    // A mission whose base map is not beside it (and no dialog to pick one).
    fs::path alone = m_dir.path() / "alone" / "alone.mi";
    fs::create_directories(alone.parent_path());
    fs::copy_file(mission, alone);
    EXPECT_EQ(Mission("info", ShellQuote(alone.string())).code, 2);
    EXPECT_EQ(Mission("info", ShellQuote(GamePak())).code, 2); // an archive needs --member
    EXPECT_EQ(Mission("save", ShellQuote(mission.string()) + " " +
                                  ShellQuote((m_dir.path() / "no" / "dir" / "x.mi").string()))
                  .code,
              2);
    EXPECT_EQ(Mission("save", ShellQuote(mission.string())).code, 2);
    EXPECT_EQ(Vmed("mission info " + ShellQuote(mission.string())).code, 2);
    EXPECT_EQ(Vmed("mission info --game-path " + ShellQuote(VM_DEMO_GAME) + " " +
                   ShellQuote(mission.string()))
                  .code,
              2);
    EXPECT_EQ(Vmed("mission frob").code, 2);
    EXPECT_EQ(Vmed("mission").code, 2);
}

} // namespace
