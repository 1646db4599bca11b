#include "DefTestUtil.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

TEST(DefParserTest, TwoBlocksOnOneLine) {
    auto roots = Parse("{Pos 1 2} {Empty}");
    EXPECT_EQ(Describe(roots), "Pos[1|2] Empty[]");
}

TEST(DefParserTest, ValuesComeBeforeChildrenAndDepthsFollowNesting) {
    auto roots = Parse("{Unit 5\n\t{A 1}\n\t{B {C}}\n}");
    ASSERT_EQ(roots.size(), 1u);
    EXPECT_EQ(Describe(roots), "Unit[5](A[1] B[](C[]))");
    EXPECT_EQ(roots[0]->depth, 0);
    EXPECT_EQ(roots[0]->Child(0)->depth, 1);
    EXPECT_EQ(roots[0]->Child(1)->Child(0)->depth, 2);
}

TEST(DefParserTest, QuotedNamesAndValuesKeepTheirQuotesAndContents) {
    auto roots = Parse("{\"a name\" \"x ; {y}\" 0x1F -12}");
    ASSERT_EQ(roots.size(), 1u);
    EXPECT_EQ(roots[0]->Name(), "\"a name\"");
    EXPECT_STREQ(roots[0]->GetValue(0), "\"x ; {y}\"");
    EXPECT_STREQ(roots[0]->GetValue(1), "0x1F");
    EXPECT_STREQ(roots[0]->GetValue(2), "-12");
}

TEST(DefParserTest, ParenthesisedRunsAreIgnored) {
    EXPECT_EQ(Describe(Parse("{Name ( { 1 } ) 2}")), "Name[2]");
    EXPECT_EQ(Describe(Parse("{(x) 3 4}")), "[3|4]");
    EXPECT_EQ(Describe(Parse("{A (p) {B} (q) {C}}")), "A[](B[] C[])");
}

TEST(DefParserTest, HeadTakesAnyTokenAsName) {
    EXPECT_EQ(Describe(Parse("{} 1}")), "}[1]");
    EXPECT_EQ(Describe(Parse("{= , )}")), "=[,|)]");
}

TEST(DefParserTest, CommentsAttachToTheFollowingBlock) {
    auto roots = Parse("; lead\r\n{A 1 ; after value\r\n}\r\n/* block */{B}\n; trailing\n");
    ASSERT_EQ(roots.size(), 2u);
    EXPECT_EQ(roots[0]->LeadingComment(), "; lead\r\n");
    EXPECT_EQ(roots[1]->LeadingComment(), "; after value\r\n/* block */");
    auto lf = Parse("/* c */\n{X}\n");
    EXPECT_EQ(lf[0]->LeadingComment(), "/* c */");
}

TEST(DefParserTest, ValueAfterChildClosesTheParentEarly) {
    // The second value stands where "}" belongs; the real "}" is then a
    // stray top-level token and is skipped.
    auto roots = Parse("{A 1 {B} 2} {C}");
    EXPECT_EQ(Describe(roots), "A[1](B[]) C[]");
}

TEST(DefParserTest, OneStrayTokenBetweenTopLevelBlocksIsTolerated) {
    EXPECT_EQ(Describe(Parse("{A} stray {B}")), "A[] B[]");
    EXPECT_EQ(Describe(Parse("{A} two strays {B}")), "A[]");
}

TEST(DefParserTest, EndOfInputClosesEveryOpenBlock) {
    EXPECT_EQ(Describe(Parse("{A 1 {B 2 {C")), "A[1](B[2](C[]))");
    EXPECT_EQ(Describe(Parse("{")), "[]");
}

TEST(DefParserTest, DuplicateIdsAndMidsAreReportedAndKept) {
    testing_support::RecordingPrompts prompts;
    std::vector<uint32_t> ids(format::kRegistrySize), mids(format::kRegistrySize);
    format::DuplicateChecks checks{ids.data(), mids.data(), &prompts};
    CDefScanner s = CDefScanner::FromText("{Entity \"a\" 0x10 {MID 7}} {Entity \"b\" 0x10 {MID 7}} "
                                          "{Entity \"c\" 0x0 {MID 0}} {Entity \"d\" 0x0 {MID 0}}");
    DefNodeList roots;
    while (ParseBlocks(s, nullptr, roots, checks, false)) {
    }
    EXPECT_EQ(roots.size(), 4u);
    EXPECT_EQ(prompts.messages,
              (std::vector<std::string>{"Duplicate ID value '0x10'", "Duplicate MID value '7'"}));
}

TEST(DefParserTest, LockedNodesAreNeitherCheckedNorRegistered) {
    testing_support::RecordingPrompts prompts;
    std::vector<uint32_t> ids(format::kRegistrySize), mids(format::kRegistrySize);
    format::DuplicateChecks checks{ids.data(), mids.data(), &prompts};
    CDefScanner map = CDefScanner::FromText("{Entity \"a\" 0x5 {MID 3}}");
    DefNodeList roots;
    while (ParseBlocks(map, nullptr, roots, checks, true)) {
    }
    CDefScanner mission = CDefScanner::FromText("{Entity \"a\" 0x5 {MID 3}}");
    while (ParseBlocks(mission, nullptr, roots, checks, false)) {
    }
    EXPECT_TRUE(roots[0]->locked);
    EXPECT_TRUE(roots[0]->Child(0)->locked);
    EXPECT_FALSE(roots[1]->locked);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(ids[5], 5u);
    EXPECT_EQ(mids[3], 3u);
}

TEST(DefParserTest, ParseBlocksUnderAParentAppendsChildren) {
    CDefNode parent("P");
    parent.depth = 2;
    DefNodeList unused;
    CDefScanner s = CDefScanner::FromText("{a} {b} }{c}");
    CDefNode* last = ParseBlocks(s, &parent, unused);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->Name(), "b");
    EXPECT_EQ(parent.ChildCount(), 2u);
    EXPECT_EQ(parent.Child(0)->depth, 3);
    EXPECT_TRUE(unused.empty());
}

TEST(DefParserTest, FilesAppendToTheListAndMissingFilesFail) {
    testing_support::TempDir dir;
    auto path = dir.path() / "x.def";
    std::ofstream(path, std::ios::binary) << "{A}\r\n{B}\r\n";
    DefNodeList roots;
    roots.push_back(std::make_unique<CDefNode>("First"));
    EXPECT_TRUE(ParseDefinitionFile(path, roots));
    EXPECT_EQ(Describe(roots), "First[] A[] B[]");
    DefNodeList none;
    EXPECT_FALSE(ParseDefinitionFile("", none));
    EXPECT_FALSE(ParseDefinitionFile(dir.path() / "missing.def", none));
    CDefFile file(path);
    EXPECT_EQ(file.Nodes().size(), 2u);
    CDefFile missing(dir.path() / "missing.def");
    EXPECT_TRUE(missing.Empty());
}

} // namespace
