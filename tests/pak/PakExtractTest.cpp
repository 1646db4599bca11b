#include "pak/PakArchive.h"

#include "PakReaderTestSupport.h"
#include "platform/DosTime.h"
#include "platform/Text.h"
#include "support/TestSupport.h"

#include <chrono>

using namespace pak;
using namespace pak_reader_test;
using testing_support::TempDir;
namespace fs = std::filesystem;

namespace {

class PakExtractTest : public ::testing::Test {
  protected:
    // Extracts the named members of an archive made of the given members into
    // the folder "out"; returns Extract's result and keeps the archive's grade.
    bool ExtractNames(const std::vector<TestMember>& members, const std::vector<std::string>& names,
                      PakExtractOptions options = {}) {
        auto path = m_dir.path() / "a.zip";
        WriteAll(path, BuildZip(members));
        CPakArchive archive;
        EXPECT_TRUE(archive.Open(path));
        bool ok = archive.Extract(options, names, Out());
        m_result = archive.LastResult();
        m_problems = archive.Problems();
        return ok;
    }

    // Extracts every member, selecting them as the resource loader does: by
    // the lower-cased names of the member table.
    bool ExtractAll(const std::vector<TestMember>& members) {
        std::vector<std::string> names;
        for (const auto& m : members)
            names.push_back(platform::ToLowerCp1252(m.name));
        return ExtractNames(members, names);
    }

    fs::path Out() const { return m_dir.path() / "out"; }

    TempDir m_dir;
    int m_result = -1;
    std::vector<PakProblem> m_problems;
};

TEST_F(PakExtractTest, SelectionIgnoresCaseButFilesKeepTheStoredCase) {
    ASSERT_TRUE(ExtractNames({{"Entity/Tanks/A.def", "tank", 8}, {"other.txt", "x"}},
                             {"entity/tanks/a.def"}));
    EXPECT_EQ(ReadAll(Out() / "Entity" / "Tanks" / "A.def"), "tank");
    EXPECT_FALSE(fs::exists(Out() / "other.txt"));
}

TEST_F(PakExtractTest, NothingSelectedFoundIsGraded) {
    EXPECT_FALSE(ExtractNames({{"a.txt", "a"}}, {"b.txt", "A.TXT"}));
    EXPECT_EQ(m_result, PakNoFiles);
}

TEST_F(PakExtractTest, DirectoryEntryOnlyCreatesTheFolder) {
    TestMember folder{"texture/units/", ""};
    folder.externalAttributes = 0x10;
    ASSERT_TRUE(ExtractAll({folder}));
    EXPECT_TRUE(fs::is_directory(Out() / "texture" / "units"));
    EXPECT_EQ(std::distance(fs::recursive_directory_iterator(Out()), {}), 2);
}

TEST_F(PakExtractTest, FilesTakeTheMemberTimeAndReadOnlyAttribute) {
    TestMember ro{"ro.txt", "new\n"};
    ro.externalAttributes = 0x01;
    TestMember rw{"rw.txt", "new\n"};
    fs::create_directories(Out());
    for (const char* name : {"ro.txt", "rw.txt"}) {
        WriteAll(Out() / name, "old contents");
        fs::permissions(Out() / name, fs::perms::owner_read | fs::perms::group_read);
    }
    ASSERT_TRUE(ExtractAll({ro, rw}));
    EXPECT_EQ(ReadAll(Out() / "ro.txt"), "new\n");
    EXPECT_EQ(ReadAll(Out() / "rw.txt"), "new\n");
    const auto anyWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    EXPECT_EQ(fs::status(Out() / "ro.txt").permissions() & anyWrite, fs::perms::none);
    EXPECT_NE(fs::status(Out() / "rw.txt").permissions() & fs::perms::owner_write, fs::perms::none);

    int64_t seconds = 0;
    ASSERT_TRUE(platform::DosToUnix(ro.dosDate, ro.dosTime, seconds));
    auto written = std::chrono::file_clock::to_sys(fs::last_write_time(Out() / "ro.txt"));
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(written.time_since_epoch()).count(),
              seconds);
}

TEST_F(PakExtractTest, WrongCrcIsWrittenButGradedAsAnError) {
    TestMember bad{"bad.txt", "stored bytes"};
    bad.crc = 0xDEADBEEF;
    EXPECT_FALSE(ExtractAll({{"good1.txt", "one", 8}, bad, {"good2.txt", "two", 8}}));
    EXPECT_EQ(m_result, PakError);
    EXPECT_EQ(ReadAll(Out() / "bad.txt"), "stored bytes");
    EXPECT_EQ(ReadAll(Out() / "good1.txt"), "one");
    EXPECT_EQ(ReadAll(Out() / "good2.txt"), "two");
}

TEST_F(PakExtractTest, SkippedMembersWarnWhileTheOthersAreExtracted) {
    TestMember secret{"secret.txt", std::string(32, 's')};
    secret.flags = 1;
    TestMember method9{"m9.bin", "xx"};
    method9.method = 9;
    TestMember tooNew{"new.bin", "xx"};
    tooNew.versionNeeded = 45;
    TestMember unixNew{"unix.bin", "unix"};
    unixNew.versionNeeded = (2 << 8) | 42; // allowed: host byte 2 raises the limit
    EXPECT_FALSE(ExtractAll({{"ok.txt", "canary\n"},
                             secret,
                             method9,
                             tooNew,
                             unixNew,
                             {"ok_after.txt", "after\n", 8}}));
    EXPECT_EQ(m_result, PakWarning);
    EXPECT_FALSE(fs::exists(Out() / "secret.txt"));
    EXPECT_FALSE(fs::exists(Out() / "m9.bin"));
    EXPECT_FALSE(fs::exists(Out() / "new.bin"));
    EXPECT_EQ(ReadAll(Out() / "unix.bin"), "unix");
    EXPECT_EQ(ReadAll(Out() / "ok.txt"), "canary\n");
    EXPECT_EQ(ReadAll(Out() / "ok_after.txt"), "after\n");
}

TEST_F(PakExtractTest, NamesThatWouldLeaveTheTargetAreRefused) {
    const std::vector<std::string> hostile{"../ESCAPED1.txt",
                                           "a/b/../../../ESCAPED2.txt",
                                           "..\\ESCAPED3.txt",
                                           "/tmp/ESCAPED4.txt",
                                           "C:\\ESCAPED5.txt",
                                           "C:ESCAPED6.txt",
                                           "\\\\server\\share\\ESCAPED7.txt",
                                           "sub/..\\..\\ESCAPED8.txt",
                                           "sub/.. /ESCAPED9.txt",
                                           "x/.../ESCAPED10.txt"};
    std::vector<TestMember> members{{"ok.txt", "canary\n"}};
    for (const auto& name : hostile)
        members.push_back({name, "escaped\n"});
    members.push_back({"ok_after.txt", "after\n", 8});
    fs::create_directories(m_dir.path() / "deep" / "er");
    auto saved = fs::current_path();
    fs::current_path(m_dir.path() / "deep" / "er");
    bool ok = ExtractAll(members);
    fs::current_path(saved);
    EXPECT_FALSE(ok);
    EXPECT_EQ(m_result, PakError);
    EXPECT_EQ(m_problems.size(), hostile.size());
    EXPECT_EQ(ReadAll(Out() / "ok.txt"), "canary\n");
    EXPECT_EQ(ReadAll(Out() / "ok_after.txt"), "after\n");
    // Nothing but the two canaries was written, inside the target or anywhere else.
    for (const auto& entry : fs::recursive_directory_iterator(m_dir.path()))
        EXPECT_EQ(entry.path().filename().string().find("ESCAPED"), std::string::npos)
            << entry.path();
    EXPECT_FALSE(fs::exists("/tmp/ESCAPED4.txt"));
}

TEST_F(PakExtractTest, HarmlessDotLevelsAndDoubleSeparatorsAreDropped) {
    ASSERT_TRUE(ExtractAll({{"./a//b/./c.txt", "c"}}));
    EXPECT_EQ(ReadAll(Out() / "a" / "b" / "c.txt"), "c");
}

TEST_F(PakExtractTest, SymbolicLinksInTheTargetAreNeverFollowed) {
    auto outside = m_dir.path() / "outside";
    fs::create_directories(outside);
    WriteAll(outside / "victim.txt", "untouched");
    fs::create_directories(Out());
    fs::create_directory_symlink(outside, Out() / "linkdir");
    fs::create_symlink(outside / "victim.txt", Out() / "file.txt");
    EXPECT_FALSE(
        ExtractAll({{"linkdir/new.txt", "x"}, {"file.txt", "replaced"}, {"ok.txt", "ok"}}));
    EXPECT_EQ(m_result, PakError);
    EXPECT_FALSE(fs::exists(outside / "new.txt"));
    EXPECT_EQ(ReadAll(outside / "victim.txt"), "untouched");
    EXPECT_FALSE(fs::is_symlink(Out() / "file.txt"));
    EXPECT_EQ(ReadAll(Out() / "file.txt"), "replaced");
    EXPECT_EQ(ReadAll(Out() / "ok.txt"), "ok");
}

// Names that differ only in case are one file, as on the game's file system:
// the later member's data under the spelling met first.
TEST_F(PakExtractTest, NamesDifferingOnlyInCaseEndAsOneFile) {
    ASSERT_TRUE(ExtractAll(
        {{"Entity/A.def", "upper\n"}, {"entity/a.def", "lower\n"}, {"ENTITY/b.def", "b\n"}}));
    EXPECT_EQ(ReadAll(Out() / "Entity" / "A.def"), "lower\n");
    EXPECT_EQ(ReadAll(Out() / "Entity" / "b.def"), "b\n");
    EXPECT_EQ(std::distance(fs::recursive_directory_iterator(Out()), {}), 3);

    // Folders already on disk are reused under their own spelling.
    ASSERT_TRUE(ExtractAll({{"ENTITY/c.def", "c\n"}}));
    EXPECT_EQ(ReadAll(Out() / "Entity" / "c.def"), "c\n");
}

TEST_F(PakExtractTest, KeepPathsOffWritesEveryMemberIntoTheTarget) {
    PakExtractOptions flat;
    flat.keepPaths = false;
    ASSERT_TRUE(
        ExtractNames({{"a/b/c.txt", "c"}, {"d\\e.txt", "e"}}, {"a/b/c.txt", "d\\e.txt"}, flat));
    EXPECT_EQ(ReadAll(Out() / "c.txt"), "c");
    EXPECT_EQ(ReadAll(Out() / "e.txt"), "e");
}

TEST_F(PakExtractTest, SizeLiesAreCaughtAndCutAtTheDeclaredSize) {
    TestMember longer{"long.bin", std::string(1 << 20, '\0'), 8};
    longer.uncompressedSize = 1000;
    TestMember shorter{"short.bin", std::string(100, 'h'), 8};
    shorter.uncompressedSize = 0xFFFFFFF0;
    TestMember storedLonger{"stored.bin", std::string(300, 's')};
    storedLonger.uncompressedSize = 200;
    EXPECT_FALSE(ExtractAll({longer, shorter, storedLonger, {"ok.txt", "ok"}}));
    EXPECT_EQ(m_result, PakError);
    EXPECT_EQ(fs::file_size(Out() / "long.bin"), 1000u);
    EXPECT_EQ(ReadAll(Out() / "short.bin"), std::string(100, 'h'));
    EXPECT_EQ(fs::file_size(Out() / "stored.bin"), 200u);
    EXPECT_EQ(ReadAll(Out() / "ok.txt"), "ok");
}

TEST_F(PakExtractTest, TruncatedOrCorruptDataIsAnErrorForThatMemberOnly) {
    std::string text(5000, 'w');
    std::string bytes = BuildZip({{"a.txt", text, 8}, {"b.txt", "b"}});
    // Corrupt the first member's deflate stream with an invalid block type.
    bytes[30 + 5] = char(0xFF);
    WriteAll(m_dir.path() / "c.zip", bytes);
    CPakArchive archive;
    ASSERT_TRUE(archive.Open(m_dir.path() / "c.zip"));
    EXPECT_FALSE(archive.Extract({}, {"a.txt", "b.txt"}, Out()));
    EXPECT_EQ(archive.LastResult(), PakError);
    EXPECT_EQ(ReadAll(Out() / "b.txt"), "b");
}

TEST_F(PakExtractTest, TargetThatCannotBeCreatedStopsWithCannotWrite) {
    WriteAll(Out(), "a file, not a folder");
    EXPECT_FALSE(ExtractAll({{"a.txt", "a"}, {"b.txt", "b"}}));
    EXPECT_EQ(m_result, PakCannotWrite);
}

TEST_F(PakExtractTest, ManyMembersComeOutThroughSharedBuffers) {
    std::vector<TestMember> members;
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i) {
        std::string data(size_t(i * 997 % 5000), char('a' + i % 26));
        members.push_back({"dir" + std::to_string(i % 7) + "/m" + std::to_string(i) + ".bin", data,
                           uint16_t(i % 3 ? 8 : 0)});
        names.push_back(platform::ToLowerCp1252(members.back().name));
    }
    members.push_back({"big.bin", std::string(3 << 20, 'B'), 8});
    names.push_back("big.bin");
    ASSERT_TRUE(ExtractNames(members, names));
    for (const auto& m : members)
        ASSERT_EQ(ReadAll(MemberPath(Out(), m.name)), m.data) << m.name;
}

} // namespace
