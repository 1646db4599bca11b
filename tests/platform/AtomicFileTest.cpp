#include "platform/Files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class AtomicFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("vm_atomic_" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        m_target = m_dir / "mission.mi";
        std::ofstream(m_target, std::ios::binary) << "old";
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir))
            names.insert(entry.path().filename().string());
        return names;
    }
    std::string Read(const fs::path& path) const {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    fs::path m_dir, m_target;
};

TEST_F(AtomicFileTest, WritingShowsNoNewNameUntilTheCommit) {
    platform::AtomicFile file;
    ASSERT_TRUE(file.Open(m_target));
    ASSERT_TRUE(file.Write("new contents"));
#ifdef __linux__
    // On the file systems Linux offers unnamed files on, a crash now leaves
    // nothing behind: the folder shows only the old file.
    if (file.Unnamed()) {
        EXPECT_EQ(Names(), std::set<std::string>{"mission.mi"});
    }
#endif
    EXPECT_EQ(Read(m_target), "old");
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(Read(m_target), "new contents");
    EXPECT_EQ(Names(), std::set<std::string>{"mission.mi"});
}

TEST_F(AtomicFileTest, DiscardedOrFailedWritesKeepTheOldFileAndLeaveNothing) {
    {
        platform::AtomicFile file;
        ASSERT_TRUE(file.Open(m_target));
        file.Write("half");
    } // destroyed without Commit
    EXPECT_EQ(Read(m_target), "old");
    EXPECT_EQ(Names(), std::set<std::string>{"mission.mi"});

    // A target that is a folder cannot be replaced: the commit fails cleanly.
    fs::create_directories(m_dir / "folder" / "inside");
    platform::AtomicFile file;
    ASSERT_TRUE(file.Open(m_dir / "folder"));
    file.Write("x");
    EXPECT_FALSE(file.Commit());
    EXPECT_TRUE(fs::is_directory(m_dir / "folder" / "inside"));
    EXPECT_EQ(Names(), (std::set<std::string>{"folder", "mission.mi"}));
}

TEST_F(AtomicFileTest, StaleTemporariesOfTheSameTargetAreRemovedAtTheNextWrite) {
    // What a writer killed while using named temporaries leaves behind.
    for (const char* name : {".mission.mi.tmp12345_0", ".mission.mi.tmp7_12"})
        std::ofstream(m_dir / name) << "partial";
    // Files that merely look alike are not ours to remove.
    for (const char* name : {".mission.mi.tmp", ".mission.mi.tmpnotes", ".other.mi.tmp1_2",
                             "mission.mi.tmp1_2", ".mission.mi.tmp1_2.bak"})
        std::ofstream(m_dir / name) << "keep";
    ASSERT_TRUE(platform::WriteFileAtomically(m_target, "new"));
    EXPECT_EQ(Names(),
              (std::set<std::string>{".mission.mi.tmp", ".mission.mi.tmpnotes", ".other.mi.tmp1_2",
                                     "mission.mi", "mission.mi.tmp1_2", ".mission.mi.tmp1_2.bak"}));
}

TEST_F(AtomicFileTest, PermissionsAreSetOnTheNewFile) {
    platform::AtomicFile file;
    ASSERT_TRUE(file.Open(m_target));
    file.Write("read only");
    ASSERT_TRUE(file.SetPermissions(fs::perms::owner_read | fs::perms::group_read));
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(fs::status(m_target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::group_read);
}

} // namespace
