#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using Run = testing_support::VmedResult;

Run Vmed(const std::string& args) {
    return testing_support::RunVmed(args);
}

// vmed with its standard error kept in err.
Run VmedWithErrors(const std::string& args, const std::filesystem::path& errFile,
                   std::string& err) {
    Run r = Vmed(args + " 2>" + testing_support::ShellQuote(errFile.string()) + " ; exit $?");
    err = testing_support::Slurp(errFile);
    return r;
}

class DefCliTest : public ::testing::Test {
  protected:
    std::string Write(const std::string& name, const std::string& text) {
        auto path = dir.path() / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }
    testing_support::TempDir dir;
};

TEST_F(DefCliTest, CheckCountsEveryNodeAndFailsOnUnreadableFiles) {
    auto a = Write("a.def", "{A {B} {C {D}}}\r\n{E}");
    auto r = Vmed("def check '" + a + "'");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, a + ": 5 nodes\n");
    auto missing = (dir.path() / "none.def").string();
    auto bad = Vmed("def check '" + a + "' '" + missing + "'");
    EXPECT_EQ(bad.code, 2);
    EXPECT_EQ(bad.out, a + ": 5 nodes\n");
}

TEST_F(DefCliTest, CheckReportsWhatWasReadWithTroubleOnStandardError) {
    auto clean = Write("clean.def", "{A 1}\r\n");
    auto open = Write("open.def", "{mission\r\n\t{Entity 0x1\r\n\t\t{Position 1 2 3}\r\n");
    auto stray = Write("stray.def", "{A 1}\r\n}\r\n");
    auto errFile = dir.path() / "err.txt";
    std::string err;

    auto ok = VmedWithErrors("def check '" + clean + "'", errFile, err);
    EXPECT_EQ(ok.code, 0);
    EXPECT_EQ(err, "");

    auto r =
        VmedWithErrors("def check '" + clean + "' '" + open + "' '" + stray + "'", errFile, err);
    EXPECT_EQ(r.code, 1);
    // Standard output stays one count per file.
    EXPECT_EQ(r.out, clean + ": 1 nodes\n" + open + ": 3 nodes\n" + stray + ": 1 nodes\n");
    EXPECT_EQ(err, open +
                       ":3: 2 blocks are still open at the end of the file; the outermost is the "
                       "block 'mission', opened on line 1\n" +
                       stray + ":2: the character '}' outside any block was skipped\n");

    // An unreadable file outranks a damaged one.
    auto missing = (dir.path() / "none.def").string();
    EXPECT_EQ(VmedWithErrors("def check '" + open + "' '" + missing + "'", errFile, err).code, 2);
    EXPECT_NE(err.find(missing + ": cannot be read"), std::string::npos);
}

TEST_F(DefCliTest, FmtWritesTheEditorsLayoutToAFileOrStdout) {
    auto a = Write("a.def", "; note\n{A 1   2 {B \"x y\"}}");
    auto r = Vmed("def fmt '" + a + "'");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "\r\n; note\n{A 1 2\r\n\t{B \"x y\"}\r\n}\r\n");
    auto out = (dir.path() / "out.def").string();
    EXPECT_EQ(Vmed("def fmt '" + a + "' -o '" + out + "'").code, 0);
    std::ifstream in(out, std::ios::binary);
    std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(written, r.out);
    EXPECT_EQ(Vmed("def fmt '" + a + "' -o '" + (dir.path() / "no/such/dir/x").string() + "'").code,
              2);
}

TEST_F(DefCliTest, DumpPrintsStableJsonInUtf8) {
    auto a = Write("a.def", "; c\n{Gr\xf6\xdf"
                            "e \"q\\\" 1 {K}}");
    auto r = Vmed("def dump '" + a + "'");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "[{\"name\": \"Gr\xc3\xb6\xc3\x9f"
                     "e\", \"values\": [\"\\\"q\\\\\\\"\", \"1\"], \"comment\": \"; c\\n\", "
                     "\"children\": [{\"name\": \"K\", \"values\": [], \"children\": []}]}]\n");
}

TEST_F(DefCliTest, HelpAndUsageErrors) {
    EXPECT_EQ(Vmed("--help").code, 0);
    auto help = Vmed("def --help");
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("def fmt FILE [-o OUT]"), std::string::npos);
    EXPECT_EQ(Vmed("def frobnicate").code, 1);
    EXPECT_EQ(Vmed("def dump").code, 1);
}

} // namespace
