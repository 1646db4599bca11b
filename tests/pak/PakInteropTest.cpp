#include "pak/PakArchive.h"
#include "pak/PakWriter.h"

#include "PakWriterTestSupport.h"
#include "support/TestSupport.h"

#include <chrono>
#include <map>
#include <set>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace pak_test;

namespace {

// Archive checkers and how each is asked to test an archive; a checker that is not
// installed is left out. Python's zipfile is asked separately, for many archives at once,
// because its start-up dominates the run time.
struct Checker {
    const char* tool;
    const char* command;
};
const Checker Checkers[] = {
    {"unzip", "unzip -tqq "},
    {"7z", "7z t -tzip "},
    {"bsdtar", "bsdtar -tf "},
};

bool Installed(const std::string& tool) {
    static std::map<std::string, bool> known;
    auto it = known.find(tool);
    if (it == known.end()) it = known.emplace(tool, HaveTool(tool)).first;
    return it->second;
}

std::map<std::string, int> CheckResults(const fs::path& archive) {
    std::map<std::string, int> results;
    for (const auto& c : Checkers)
        if (Installed(c.tool))
            results[c.tool] = RunCommand(c.command + Quote(archive.string())).exitCode;
    return results;
}

// The archives among `archives` that Python's zipfile cannot open or test cleanly.
std::set<std::string> PythonFailures(const fs::path& folder,
                                     const std::vector<fs::path>& archives) {
    std::set<std::string> failures;
    if (!Installed("python3")) return failures;
    std::string args;
    for (const auto& a : archives)
        args += " " + Quote(a.string());
    auto r = Python(folder, R"(
import sys, zipfile
for name in sys.argv[1:]:
    try:
        with zipfile.ZipFile(name) as z:
            if z.testzip() is not None:
                print(name)
    except Exception:
        print(name)
)",
                    args);
    std::istringstream lines(r.output);
    for (std::string line; std::getline(lines, line);)
        failures.insert(line);
    return failures;
}

bool AddFile(const fs::path& archive, const fs::path& source, const std::string& name) {
    pak::PakAddRequest request;
    request.sourcePath = source.string();
    request.archiveName = name;
    return pak::UpdatePakArchive(archive, request);
}

class PakInteropTest : public ::testing::Test {
  protected:
    fs::path Path(const std::string& name) const { return m_dir.path() / name; }
    testing_support::TempDir m_dir;
};

TEST_F(PakInteropTest, ToolArchiveUpdatedThroughTheArchiveClassPassesEveryChecker) {
    if (!HaveTool("zip")) GTEST_SKIP() << "zip is not installed";
    std::map<std::string, std::string> files = {
        {"entity/tanks/tiger.def", std::string(3000, 't')},
        {"entity/guns/pak40.def", "{Entity pak40}\r\n"},
        {"maps/m1/map", std::string(20000, 'm')},
    };
    for (const auto& [name, data] : files)
        WriteBytes(Path("tree") / name, data);
    auto archive = Path("game.pak");
    // Info-ZIP adds time and owner extra fields, which unchanged members must keep.
    ASSERT_EQ(RunCommand("cd " + Quote(Path("tree").string()) + " && zip -qr " +
                         Quote(archive.string()) + " . && echo 'game archive' | zip -qz " +
                         Quote(archive.string()))
                  .exitCode,
              0);
    RawArchive before = ParseRaw(ReadBytes(archive)).value();

    std::map<std::string, std::string> changes = {
        {"entity/tanks/tiger.def", "{Entity tiger edited}\r\n"},
        {"missions/new.mi", std::string(50000, 'n')},
        {"docs/readme.zip", std::string(700, 'r')},
        {"docs/empty.txt", ""},
    };
    for (const auto& [name, data] : changes) {
        auto source = Path("src") / fs::path(name).filename();
        WriteBytes(source, data);
        pak::CPakArchive pak;
        ASSERT_TRUE(pak.Open(archive));
        pak::PakAddRequest request;
        request.sourcePath = source.string();
        request.archiveName = name;
        ASSERT_TRUE(pak.Update(request)) << name;
        files[name] = data;
    }

    for (const auto& [tool, exitCode] : CheckResults(archive))
        EXPECT_EQ(exitCode, 0) << tool;
    EXPECT_TRUE(PythonFailures(m_dir.path(), {archive}).empty());
    RawArchive after = ParseRaw(ReadBytes(archive)).value();
    EXPECT_EQ(after.comment, before.comment);
    for (const auto& old : before.members) {
        if (changes.count(old.name)) continue;
        const RawMember* now = FindMember(after, old.name);
        ASSERT_NE(now, nullptr) << old.name;
        EXPECT_EQ(now->localRecord, old.localRecord) << old.name;
        EXPECT_EQ(now->central, old.central) << old.name;
    }

    pak::CPakArchive pak;
    ASSERT_TRUE(pak.Open(archive));
    ASSERT_TRUE(pak.List());
    std::vector<std::string> names;
    for (const auto& m : pak.Members())
        names.push_back(m.name);
    EXPECT_EQ(names.size(), before.members.size() + 3);
    ASSERT_TRUE(pak.Extract({}, names, Path("out")));
    for (const auto& [name, data] : files)
        EXPECT_EQ(ReadBytes(Path("out") / name), data) << name;
}

// Archives made by many archivers over the years, each given one new member: every old
// member must come through with its exact bytes, and every checker that accepted the
// original must accept the result.
TEST_F(PakInteropTest, RealWorldArchivesKeepEveryMemberThroughAnUpdate) {
    VM_REQUIRE_SHARED_TESTDATA(shared);
    auto source = Path("added.txt");
    WriteBytes(source, "added by the editor\n");
    std::vector<fs::path> archives;
    for (const auto& file : fs::directory_iterator(shared / "zip")) {
        std::string ext = file.path().extension().string();
        if (ext != ".zip" && ext != ".ZIP") continue;
        archives.push_back(Path(file.path().filename().string()));
        fs::copy_file(file.path(), archives.back());
        fs::permissions(archives.back(), fs::perms::owner_read | fs::perms::owner_write);
    }
    EXPECT_GE(archives.size(), 30u);
    auto pythonBefore = PythonFailures(m_dir.path(), archives);
    std::map<fs::path, std::map<std::string, int>> toolsBefore;
    for (const auto& archive : archives) {
        SCOPED_TRACE(archive.filename().string());
        toolsBefore[archive] = CheckResults(archive);
        auto before = ParseRaw(ReadBytes(archive));
        ASSERT_TRUE(before.has_value());

        ASSERT_TRUE(AddFile(archive, source, "added/added.txt"));
        auto after = ParseRaw(ReadBytes(archive));
        ASSERT_TRUE(after.has_value());
        ASSERT_EQ(after->members.size(), before->members.size() + 1);
        EXPECT_EQ(after->comment, before->comment);
        for (size_t i = 0; i < before->members.size(); ++i) {
            EXPECT_EQ(after->members[i].localRecord, before->members[i].localRecord);
            EXPECT_EQ(after->members[i].central, before->members[i].central);
        }
        for (const auto& [tool, exitCode] : CheckResults(archive)) {
            if (toolsBefore[archive][tool] == 0) {
                EXPECT_EQ(exitCode, 0) << tool;
            }
        }
    }
    for (const auto& failed : PythonFailures(m_dir.path(), archives))
        EXPECT_TRUE(pythonBefore.count(failed)) << failed << " passed Python's zipfile before";
}

// The hostile archives: an update either succeeds keeping every old member intact or fails
// leaving the file byte-identical, quickly and without touching memory it should not. The
// cases whose expected outcome describes an update must succeed.
TEST_F(PakInteropTest, HostileArchivesUpdateSoundlyOrNotAtAll) {
    VM_REQUIRE_SHARED_TESTDATA(shared);
    std::map<std::string, bool> mustSucceed;
    std::istringstream manifest(ReadBytes(shared / "adversarial" / "manifest.tsv"));
    for (std::string line; std::getline(manifest, line);) {
        if (line.rfind("Z", 0) != 0 || line.find("Update") == std::string::npos) continue;
        size_t file = line.find("\tzip/");
        mustSucceed[line.substr(file + 5, line.find('\t', file + 1) - file - 5)] = true;
    }
    EXPECT_EQ(mustSucceed.size(), 4u);
    auto source = Path("added.txt");
    WriteBytes(source, "added\n");

    for (const auto& file : fs::directory_iterator(shared / "adversarial" / "zip")) {
        std::string name = file.path().filename().string();
        SCOPED_TRACE(name);
        auto archive = Path(name);
        fs::copy_file(file.path(), archive);
        fs::permissions(archive, fs::perms::owner_read | fs::perms::owner_write);
        std::string original = ReadBytes(archive);
        auto start = std::chrono::steady_clock::now();
        bool ok = AddFile(archive, source, "added/added.txt");
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        if (mustSucceed.count(name)) {
            EXPECT_TRUE(ok);
        }
        if (!ok) {
            EXPECT_EQ(ReadBytes(archive), original);
            continue;
        }
        auto before = ParseRaw(original);
        auto after = ParseRaw(ReadBytes(archive));
        ASSERT_TRUE(before && after);
        ASSERT_EQ(after->members.size(), before->members.size() + 1);
        for (size_t i = 0; i < before->members.size(); ++i)
            EXPECT_EQ(after->members[i].localRecord, before->members[i].localRecord);
        EXPECT_EQ(after->members.back().crc, Crc("added\n"));
        if (Installed("unzip") && before->members.empty()) {
            EXPECT_EQ(RunCommand("unzip -tqq " + Quote(archive.string())).exitCode, 0);
        }
    }
}

} // namespace
