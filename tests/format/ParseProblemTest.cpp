// What the parser reports about text it read with trouble. The tree must be
// the same whether problems are collected or not: reporting never changes
// what is read.

#include "DefTestUtil.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using format::ParseProblem;

std::vector<ParseProblem> ProblemsOf(std::string_view text, DefNodeList* out = nullptr) {
    std::vector<ParseProblem> problems;
    DefNodeList roots;
    ParseDefinitionText(text, roots, &problems);
    // The same text read without a list gives the same tree.
    EXPECT_EQ(Describe(roots), Describe(Parse(text)));
    if (out) *out = std::move(roots);
    return problems;
}

std::string Joined(const std::vector<ParseProblem>& problems) {
    std::string out;
    for (const auto& p : problems)
        out += std::to_string(p.line) + ": " + p.message + "\n";
    return out;
}

TEST(ParseProblemTest, WellFormedTextHasNoProblems) {
    EXPECT_TRUE(
        ProblemsOf("; lead\r\n{Unit 1 2}{Empty}\r\n{\"quoted name\" \"a ; {value}\" 0x1F -12"
                   "\r\n\t{Child (ignored {stuff}) 5}\r\n\t/* note */{Child2}\r\n}\r\n"
                   "; trailing comment")
            .empty());
    EXPECT_TRUE(ProblemsOf("").empty());
    EXPECT_TRUE(ProblemsOf("{a 1}\r{b {c 3}}\r").empty());
    // A DOS end-of-file mark and NUL padding after the text lose nothing.
    EXPECT_TRUE(ProblemsOf(std::string_view("{a 1}\r\n\x1a", 8)).empty());
    EXPECT_TRUE(ProblemsOf(std::string_view("{a 1}\r\n\0\0\r\n", 11)).empty());
}

TEST(ParseProblemTest, BlocksLeftOpenAreCountedWithTheOutermost) {
    DefNodeList roots;
    auto problems = ProblemsOf("{mission \"$map$\"\r\n"
                               "\t{Entity \"tank\" 0x1\r\n"
                               "\t\t{Position 1 2 3}\r\n"
                               "\t\t{MID 4",
                               &roots);
    EXPECT_EQ(Describe(roots), "mission[\"$map$\"](Entity[\"tank\"|0x1](Position[1|2|3] MID[4]))");
    EXPECT_EQ(Joined(problems), "4: 3 blocks are still open at the end of the file; the outermost "
                                "is the block 'mission', opened on line 1\n");

    EXPECT_EQ(Joined(ProblemsOf("{a 1}\n\n{b\n{c}")),
              "4: 1 block is still open at the end of the file: the block 'b', opened on line 3\n");
    EXPECT_EQ(Joined(ProblemsOf("{a 1}\n{")),
              "2: 1 block is still open at the end of the file: the block without a name, opened "
              "on line 2\n");
}

TEST(ParseProblemTest, TextOutsideBlocksIsReportedWhereItStands) {
    // One stray word is skipped and parsing goes on; a second stops it.
    EXPECT_EQ(Joined(ProblemsOf("{a 1}\r\nxyz\r\n{b 2}")),
              "2: the word 'xyz' outside any block was skipped\n");
    EXPECT_EQ(Joined(ProblemsOf("{a 1}\nxyz\nabc {b 2}")),
              "2: the word 'xyz' outside any block was skipped\n"
              "3: the file was read up to the word 'abc' outside any block; the rest was not "
              "read\n");
    EXPECT_EQ(Joined(ProblemsOf("}}}}")),
              "1: the file was read up to the character '}' outside any block; the rest was not "
              "read\n");
    // A value after a child block ends its parent, so the real "}" is left over.
    EXPECT_EQ(Joined(ProblemsOf("{A 1\n {B}\n 2\n}")),
              "3: the word '2' after a nested block was read as the end of the block 'A'\n"
              "4: the character '}' outside any block was skipped\n");
    // Long words are cut in the message.
    auto problems = ProblemsOf("{a} " + std::string(100, 'w'));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].message,
              "the word '" + std::string(40, 'w') + "...' outside any block was skipped");
}

TEST(ParseProblemTest, RunsThatReachTheEndOfTheFileAreReported) {
    EXPECT_EQ(Joined(ProblemsOf("{a 1}\n{q \"never closed }\n{b 2}")),
              "2: a quoted text runs to the end of the file\n"
              "3: 1 block is still open at the end of the file: the block 'q', opened on line 2\n");
    EXPECT_EQ(Joined(ProblemsOf("{a 1}\n/* never closed\n{b 2}")),
              "2: a comment opened with '/*' runs to the end of the file\n");
    EXPECT_EQ(Joined(ProblemsOf("{a 1}\n{p 1 (2 {x}\n{q}")),
              "2: a '(' is never closed: everything after it was skipped\n"
              "3: 1 block is still open at the end of the file: the block 'p', opened on line 2\n");
    // A comment that closes exactly at the end is complete.
    EXPECT_TRUE(ProblemsOf("{a 1} /* done */").empty());
}

TEST(ParseProblemTest, BinaryBytesAreReportedOnce) {
    EXPECT_EQ(Joined(ProblemsOf(std::string_view("{a 1}\n{b 2}\0{c 3}\n", 18))),
              "2: the file ends at a NUL byte; the rest was not read\n");
    EXPECT_EQ(Joined(ProblemsOf("{a 1}\n{b \x01 2 \x02}\n\x7f")),
              "2: 3 control bytes that are not text were skipped; the first, 0x01, is on this "
              "line\n");
    EXPECT_EQ(Joined(ProblemsOf("{a \x1b 1}")),
              "1: a control byte (0x1B) that is not text was skipped\n");

    // Random bytes never pass for a clean file, whatever they happen to hold.
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        std::string noise(4096, '\0');
        for (char& c : noise)
            c = static_cast<char>(rng());
        EXPECT_FALSE(ProblemsOf(noise).empty()) << "round " << round;
    }
}

TEST(ParseProblemTest, TheDocumentLoadCollectsThroughTheScanner) {
    CDefScanner scanner = CDefScanner::FromText("{a 1}\nxyz\n{b");
    scanner.CollectProblems();
    DefNodeList roots;
    while (ParseBlocks(scanner, nullptr, roots)) {
    }
    EXPECT_EQ(Joined(scanner.TakeProblems()),
              "2: the word 'xyz' outside any block was skipped\n"
              "3: 1 block is still open at the end of the file: the block 'b', opened on line 3\n");
    EXPECT_TRUE(scanner.TakeProblems().empty());

    // A scanner that is not asked notes nothing.
    CDefScanner quiet = CDefScanner::FromText("{a 1}\nxyz\n{b");
    while (ParseBlocks(quiet, nullptr, roots)) {
    }
    EXPECT_TRUE(quiet.TakeProblems().empty());
}

TEST(ParseProblemTest, DescriptionShowsTheFirstTenAndCountsTheRest) {
    std::vector<ParseProblem> problems;
    for (size_t i = 1; i <= 12; ++i)
        problems.push_back({i * 10, "problem " + std::to_string(i)});
    std::string text = format::DescribeProblems(problems);
    EXPECT_EQ(text.substr(0, 40), "line 10: problem 1\nline 20: problem 2\nli");
    EXPECT_NE(text.find("line 100: problem 10\nand 2 more\n"), std::string::npos);
    EXPECT_EQ(text.find("problem 11"), std::string::npos);
    problems.resize(10);
    EXPECT_EQ(format::DescribeProblems(problems).find("more"), std::string::npos);
}

TEST(ParseProblemTest, DemoMissionReadsWithoutProblems) {
    const std::filesystem::path dir = std::filesystem::path(VM_DEMO_GAME) / "mods" / "demo_mod" /
                                      "resource" / "map" / "single" / "demo_mod";
    if (!std::filesystem::exists(dir / "demo_mod.mi"))
        GTEST_SKIP() << "demo game not generated: " << dir;
    for (const char* name : {"demo_mod.mi", "map"}) {
        std::vector<ParseProblem> problems;
        DefNodeList roots;
        EXPECT_TRUE(ParseDefinitionFile(dir / name, roots, &problems));
        EXPECT_EQ(Joined(problems), "") << name;
    }
}

// The shared corpus of damaged definition files: each file with the kind of
// problem it must give, or none for the well-formed ones.
struct CorpusRow {
    const char* file;
    const char* expected; // part of a problem message; empty: no problems
};

void PrintTo(const CorpusRow& row, std::ostream* os) {
    *os << row.file;
}

class ParseProblemCorpusTest : public ::testing::TestWithParam<CorpusRow> {};

TEST_P(ParseProblemCorpusTest, ReportsExactlyWhatIsDamaged) {
    VM_REQUIRE_SHARED_TESTDATA(root);
    const auto file = root / "adversarial" / "def" / GetParam().file;
    if (!std::filesystem::exists(file)) GTEST_SKIP() << "not generated: " << file;
    std::vector<ParseProblem> problems;
    DefNodeList roots, plain;
    ParseDefinitionFile(file, roots, &problems);
    ParseDefinitionFile(file, plain);
    ASSERT_EQ(roots.size(), plain.size());
    for (size_t i = 0; i < roots.size(); ++i)
        EXPECT_EQ(roots[i]->CountNodes(), plain[i]->CountNodes());

    const std::string expected = GetParam().expected;
    if (expected.empty()) {
        EXPECT_EQ(Joined(problems), "");
    } else {
        EXPECT_NE(Joined(problems).find(expected), std::string::npos) << Joined(problems);
        for (const auto& p : problems)
            EXPECT_GE(p.line, 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, ParseProblemCorpusTest,
    ::testing::Values(CorpusRow{"control.def", ""},
                      CorpusRow{"unbalanced_open.def", "1: 10000 blocks are still open"},
                      CorpusRow{"nest_1m_braces.def", "500000 blocks are still open"},
                      CorpusRow{"big_token_50mb.def", ""},
                      CorpusRow{"quote_unclosed.def", "1: a quoted text runs to the end"},
                      CorpusRow{"nul_middle.def", "2: the file ends at a NUL byte"},
                      CorpusRow{"comment_unclosed.def", "2: a comment opened with '/*' runs"},
                      CorpusRow{"long_line.def", ""}, CorpusRow{"high_bytes.def", ""},
                      CorpusRow{"cr_only.def", ""},
                      CorpusRow{"only_close_braces.def", "read up to the character '}'"},
                      CorpusRow{"paren_unclosed.def", "1: a '(' is never closed"},
                      CorpusRow{"entity_id_300hex.def", ""}, CorpusRow{"entity_id_range.def", ""},
                      CorpusRow{"mid_range.def", ""}, CorpusRow{"empty.def", ""}));

} // namespace
