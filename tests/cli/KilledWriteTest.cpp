// A writer killed at any moment must leave the user's folder as it was or as
// it should be after the write, and nothing else: vmed updating an archive and
// saving a mission is killed with SIGKILL at random moments, and afterwards
// the target is byte for byte the old or the complete new file, and no
// temporary file is left beside it.

#include "support/TestSupport.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;
using testing_support::Slurp;
using testing_support::TempDir;

namespace {

constexpr const char* kMissionMember = "map/single/crossroads/crossroads.mi";
constexpr const char* kMapMember = "map/single/crossroads/map";

class KilledWriteTest : public ::testing::Test {
  protected:
    // Starts vmed with the arguments; the child's output is thrown away.
    pid_t Start(const std::vector<std::string>& args) {
        std::vector<std::string> all{VM_VMED_PATH};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        if (posix_spawn(&pid, VM_VMED_PATH, &actions, nullptr, argv.data(), environ) != 0) pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }

    // Runs vmed to the end; its exit code, and how long it took.
    int Run(const std::vector<std::string>& args, std::chrono::microseconds* took = nullptr) {
        auto start = std::chrono::steady_clock::now();
        pid_t pid = Start(args);
        if (pid < 0) return -1;
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (took)
            *took = std::chrono::duration_cast<std::chrono::microseconds>(
                std::chrono::steady_clock::now() - start);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Runs vmed and kills it after the delay (or lets it finish first).
    void RunAndKill(const std::vector<std::string>& args, std::chrono::microseconds delay) {
        pid_t pid = Start(args);
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(delay);
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
    }

    static std::set<std::string> Names(const fs::path& folder) {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }

    // Random bytes: deflating them is slow, which keeps the write long enough
    // for the kills to land in the middle of it.
    static void WriteNoise(const fs::path& path, size_t size, unsigned seed) {
        std::mt19937 rng(seed);
        std::string bytes(size, '\0');
        for (char& c : bytes)
            c = static_cast<char>(rng());
        std::ofstream(path, std::ios::binary) << bytes;
    }

    TempDir m_dir;
    std::mt19937 m_rng{20261208};
};

TEST_F(KilledWriteTest, KilledArchiveUpdateLeavesTheOldOrTheNewArchiveAndNoTemporary) {
    const fs::path sources = m_dir.path() / "sources";
    fs::create_directories(sources);
    WriteNoise(sources / "first.bin", 2 << 20, 1);
    WriteNoise(sources / "second.bin", 12 << 20, 2);

    // The old archive holds one member; the new one has the second beside it.
    const fs::path base = m_dir.path() / "base.pak";
    std::ofstream(base, std::ios::binary) << std::string("PK\x05\x06", 4) << std::string(18, '\0');
    ASSERT_EQ(Run({"pak", "add", base.string(), (sources / "first.bin").string(), "a/first.bin"}),
              0);
    const fs::path reference = m_dir.path() / "reference.pak";
    fs::copy_file(base, reference);
    std::chrono::microseconds took{};
    ASSERT_EQ(
        Run({"pak", "add", reference.string(), (sources / "second.bin").string(), "a/second.bin"},
            &took),
        0);
    const std::string oldBytes = Slurp(base), newBytes = Slurp(reference);
    ASSERT_NE(oldBytes, newBytes);

    const fs::path game = m_dir.path() / "game";
    fs::create_directories(game);
    // The kill lands anywhere from the start to a little past the time an
    // uninterrupted update took; when the machine is busy that time varies,
    // so a run that finished before its kill narrows the window.
    long window = took.count() * 6 / 5;
    int sawOld = 0, sawNew = 0;
    for (int round = 0; round < 40 && (round < 12 || sawOld < 3); ++round) {
        fs::copy_file(base, game / "game.pak", fs::copy_options::overwrite_existing);
        std::uniform_int_distribution<long> when(0, window);
        RunAndKill({"pak", "add", (game / "game.pak").string(), (sources / "second.bin").string(),
                    "a/second.bin"},
                   std::chrono::microseconds(when(m_rng)));
        const std::string now = Slurp(game / "game.pak");
        EXPECT_TRUE(now == oldBytes || now == newBytes) << "round " << round;
        sawOld += now == oldBytes;
        sawNew += now == newBytes;
        if (now == newBytes) window = std::max(window * 3 / 4, 1000L);
        EXPECT_EQ(Names(game), std::set<std::string>{"game.pak"}) << "round " << round;
    }
    // Both outcomes happen, or the kills never landed inside the write.
    EXPECT_GT(sawOld, 0);
    RecordProperty("killed_before_done", sawOld);
    RecordProperty("done_before_kill", sawNew);
}

TEST_F(KilledWriteTest, KilledMissionSaveLeavesTheOldOrTheNewFilesAndNoTemporary) {
    const fs::path extracted = m_dir.path() / "extracted";
    ASSERT_EQ(Run({"pak", "extract", (fs::path(VM_DEMO_GAME) / "game.pak").string(),
                   extracted.string(), kMissionMember, kMapMember}),
              0);
    const fs::path mission = extracted / kMissionMember;
    const std::vector<std::string> common{"mission",        "save",
                                          "--game-path",    VM_DEMO_GAME,
                                          "--resource-dir", (m_dir.path() / "res").string(),
                                          mission.string()};

    const fs::path reference = m_dir.path() / "reference";
    fs::create_directories(reference);
    auto save = common;
    save.push_back((reference / "copy.mi").string());
    std::chrono::microseconds took{};
    ASSERT_EQ(Run(save, &took), 0);
    const std::string newMission = Slurp(reference / "copy.mi");
    const std::string newMap = Slurp(reference / "map");
    const std::string oldMission = "{mission}\r\n", oldMap = "{map}\r\n";

    const fs::path target = m_dir.path() / "target";
    fs::create_directories(target);
    std::uniform_int_distribution<long> when(0, took.count() * 6 / 5);
    save.back() = (target / "copy.mi").string();
    for (int round = 0; round < 12; ++round) {
        std::ofstream(target / "copy.mi", std::ios::binary | std::ios::trunc) << oldMission;
        std::ofstream(target / "map", std::ios::binary | std::ios::trunc) << oldMap;
        RunAndKill(save, std::chrono::microseconds(when(m_rng)));
        const std::string nowMission = Slurp(target / "copy.mi");
        const std::string nowMap = Slurp(target / "map");
        EXPECT_TRUE(nowMission == oldMission || nowMission == newMission) << "round " << round;
        EXPECT_TRUE(nowMap == oldMap || nowMap == newMap) << "round " << round;
        EXPECT_EQ(Names(target), (std::set<std::string>{"copy.mi", "map"})) << "round " << round;
    }
}

} // namespace
