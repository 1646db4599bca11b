#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using Run = testing_support::VmedResult;

Run Vmed(const std::string& args) {
    return testing_support::RunVmed(args);
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
