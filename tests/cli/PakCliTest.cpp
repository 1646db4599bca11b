// The "vmed pak" commands, run as a separate program on small archives made
// with Python's zipfile.

#include "support/TestSupport.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/wait.h>

namespace fs = std::filesystem;
using testing_support::ShellQuote;
using testing_support::Slurp;
using testing_support::TempDir;

namespace {

struct Outcome {
    int code = -1;
    std::string out;
    std::string err;
};

class PakCliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::system("python3 -c 'import zipfile' >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "python3 not found";
    }

    Outcome Vmed(const std::string& args) {
        Outcome r;
        auto errFile = m_dir.path() / "stderr.txt";
        std::string command =
            std::string(VM_VMED_PATH) + " pak " + args + " 2>" + ShellQuote(errFile.string());
        FILE* p = ::popen(command.c_str(), "r");
        if (!p) return r;
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
            r.out.append(buf, n);
        int status = ::pclose(p);
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.err = Slurp(errFile);
        return r;
    }

    // Writes an archive with Python's zipfile; body is Python code that has
    // the open ZipFile as z.
    fs::path MakeZip(const std::string& name, const std::string& body) {
        auto path = m_dir.path() / name;
        std::ofstream(m_dir.path() / "make.py")
            << "import sys, zipfile\nwith zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) "
               "as z:\n"
            << body;
        EXPECT_EQ(std::system(("python3 " + ShellQuote((m_dir.path() / "make.py").string()) + " " +
                               ShellQuote(path.string()))
                                  .c_str()),
                  0);
        return path;
    }

    fs::path GameArchive() {
        return MakeZip(
            "game.pak",
            "    z.writestr('Entity/Tanks/Tiger.def', '{Unit tiger}\\r\\n' * 50)\n"
            "    z.writestr('Entity/Guns/Pak40.def', '{Gun pak40}\\r\\n')\n"
            "    z.writestr(zipfile.ZipInfo('sound/'), '')\n"
            "    z.writestr('sound/shot.wav', b'RIFF' + bytes(range(256)), zipfile.ZIP_STORED)\n"
            "    z.writestr('readme.txt', 'hello')\n");
    }

    std::string Q(const fs::path& p) { return ShellQuote(p.string()); }

    TempDir m_dir;
};

TEST_F(PakCliTest, ListPrintsMethodSizesCrcAndNameOfEachMember) {
    auto r = Vmed("list " + Q(GameArchive()));
    EXPECT_EQ(r.code, 0) << r.err;
    std::istringstream lines(r.out);
    std::vector<std::string> all;
    for (std::string line; std::getline(lines, line);)
        all.push_back(line);
    ASSERT_EQ(all.size(), 5u) << r.out;
    EXPECT_EQ(all[0].substr(0, 6), "8\t700\t");
    EXPECT_EQ(all[0].substr(all[0].size() - 23), "\tEntity/Tanks/Tiger.def");
    EXPECT_EQ(all[2], "0\t0\t0\t00000000\tsound/");
    EXPECT_EQ(all[3].substr(0, 10), "0\t260\t260\t");
    // CRC-32 of "hello", as 8 lower-case hex digits.
    EXPECT_EQ(all[4].substr(all[4].find('\t', all[4].find('\t', 2) + 1)), "\t3610a686\treadme.txt");

    // Control bytes in names neither break the layout nor reach the terminal.
    r = Vmed("list " + Q(MakeZip("ctl.zip", "    z.writestr('bad\\x1b[7m\\tname.txt', 'x')\n")));
    EXPECT_NE(r.out.find("bad\\x1b[7m\\x09name.txt"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find('\x1b'), std::string::npos);
}

TEST_F(PakCliTest, ExitCodesAreTheGradedResults) {
    auto empty = MakeZip("empty.zip", "    pass\n");
    EXPECT_EQ(Vmed("list " + Q(empty)).code, 1);
    EXPECT_EQ(Vmed("extract " + Q(empty) + " " + Q(m_dir.path() / "x")).code, 7);

    std::ofstream(m_dir.path() / "text.zip") << "not an archive at all";
    auto notZip = Vmed("list " + Q(m_dir.path() / "text.zip"));
    EXPECT_EQ(notZip.code, 5);
    EXPECT_NE(notZip.err.find("not a zip archive"), std::string::npos) << notZip.err;

    auto missing = Vmed("list " + Q(m_dir.path() / "missing.zip"));
    EXPECT_NE(missing.code, 0);
    EXPECT_NE(missing.err.find("does not exist"), std::string::npos) << missing.err;
}

TEST_F(PakCliTest, ExtractTakesNamesAndPrefixesWithoutRegardToCase) {
    auto out = m_dir.path() / "out";
    auto r =
        Vmed("extract " + Q(GameArchive()) + " " + Q(out) + " README.TXT --prefix entity/TANKS/");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Slurp(out / "readme.txt"), "hello");
    EXPECT_TRUE(fs::exists(out / "Entity" / "Tanks" / "Tiger.def"));
    EXPECT_FALSE(fs::exists(out / "Entity" / "Guns"));
    EXPECT_FALSE(fs::exists(out / "sound"));
}

TEST_F(PakCliTest, ExtractWithoutSelectionTakesEverything) {
    auto out = m_dir.path() / "out";
    EXPECT_EQ(Vmed("extract " + Q(GameArchive()) + " " + Q(out)).code, 0);
    EXPECT_EQ(std::distance(fs::recursive_directory_iterator(out), {}), 8);
    EXPECT_EQ(Slurp(out / "sound" / "shot.wav").size(), 260u);
}

TEST_F(PakCliTest, ExtractRefusesNamesThatLeaveTheTarget) {
    auto archive =
        MakeZip("evil.zip", "    z.writestr('ok.txt', 'ok')\n"
                            "    z.writestr(zipfile.ZipInfo('../ESCAPED.txt'), 'evil')\n");
    auto out = m_dir.path() / "out";
    auto r = Vmed("extract " + Q(archive) + " " + Q(out));
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("../ESCAPED.txt"), std::string::npos) << r.err;
    EXPECT_EQ(Slurp(out / "ok.txt"), "ok");
    EXPECT_FALSE(fs::exists(m_dir.path() / "ESCAPED.txt"));
}

TEST_F(PakCliTest, TestNamesTheMembersThatFail) {
    auto good = GameArchive();
    auto r = Vmed("test " + Q(good));
    EXPECT_EQ(r.code, 0) << r.out << r.err;

    // Break the stored CRC of readme.txt in its local and central headers.
    auto bytes = Slurp(good);
    const std::string crc("\x86\xa6\x10\x36", 4);
    for (size_t at = bytes.find(crc); at != std::string::npos; at = bytes.find(crc, at + 1))
        bytes[at] ^= 0x55;
    auto bad = m_dir.path() / "bad.pak";
    std::ofstream(bad, std::ios::binary) << bytes;
    r = Vmed("test " + Q(bad));
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.out.find("readme.txt: CRC-32 mismatch"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Tiger.def"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(m_dir.path() / "readme.txt"));
}

TEST_F(PakCliTest, AddPutsAFileIntoTheArchive) {
    auto archive = GameArchive();
    auto source = m_dir.path() / "mission.mi";
    std::ofstream(source) << "{Mission test}\r\n";
    EXPECT_EQ(Vmed("add " + Q(archive) + " " + Q(source) + " missions/test/mission.mi").code, 0);
    auto listing = Vmed("list " + Q(archive));
    EXPECT_EQ(listing.code, 0);
    EXPECT_NE(listing.out.find("\tmissions/test/mission.mi\n"), std::string::npos) << listing.out;

    auto before = Slurp(archive);
    auto r = Vmed("add " + Q(archive) + " " + Q(m_dir.path() / "nothing.mi") + " x.mi");
    EXPECT_EQ(r.code, 2);
    EXPECT_FALSE(r.err.empty());
    EXPECT_EQ(Slurp(archive), before);
}

TEST_F(PakCliTest, HelpExplainsEveryCommandAndOption) {
    auto r = Vmed("--help");
    EXPECT_EQ(r.code, 0);
    for (const char* word : {"list ARCHIVE", "extract ARCHIVE DIR", "test ARCHIVE",
                             "add ARCHIVE SOURCE MEMBER", "--prefix", "Exit codes"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
}

TEST_F(PakCliTest, WrongArgumentsAreExplained) {
    for (const char* args :
         {"extract only-one", "list", "frobnicate x", "extract a b --bogus", "add a b"}) {
        auto r = Vmed(args);
        EXPECT_EQ(r.code, 2) << args;
        EXPECT_NE(r.err.find("vmed pak: "), std::string::npos) << args;
    }
}

} // namespace
