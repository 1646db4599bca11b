#include "format/DefScanner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Tokens(std::string_view text) {
    CDefScanner s = CDefScanner::FromText(text);
    std::vector<std::string> out;
    for (auto t = s.NextToken(); !t.empty(); t = s.NextToken())
        out.emplace_back(t);
    return out;
}

using V = std::vector<std::string>;

TEST(DefScannerTest, WordsKeepNumbersNamesAndFileNamesWhole) {
    EXPECT_EQ(Tokens("-3.25 0x1F some_name file.ext"),
              (V{"-3.25", "0x1F", "some_name", "file.ext"}));
}

TEST(DefScannerTest, PunctuationBytesAreTokensOfTheirOwn) {
    EXPECT_EQ(Tokens(".5"), (V{".", "5"}));
    EXPECT_EQ(Tokens("1,2"), (V{"1", ",", "2"}));
    EXPECT_EQ(Tokens("$map$"), (V{"$", "map", "$"}));
    EXPECT_EQ(Tokens("{a=b}"), (V{"{", "a", "=", "b", "}"}));
}

TEST(DefScannerTest, ExtraLettersAndHighBytesBelongToWords) {
    EXPECT_EQ(Tokens("Gr\xf6\xdf"
                     "e \x80\x81\xff"),
              (V{"Gr\xf6\xdf"
                 "e",
                 "\x80\x81\xff"}));
    EXPECT_EQ(format::ClassOf(0xE4), format::Word);
    EXPECT_EQ(format::ClassOf(0x7F), format::Other);
    EXPECT_EQ(format::ClassOf('-'), format::Word);
    EXPECT_EQ(format::ClassOf('.'), format::Punctuation);
}

TEST(DefScannerTest, CommentsAreCollectedWithTheirLineEnds) {
    CDefScanner s = CDefScanner::FromText("a ; one\r\nb;two\nc /* three */ d ;four\re");
    V tokens;
    for (auto t = s.NextToken(); !t.empty(); t = s.NextToken())
        tokens.emplace_back(t);
    EXPECT_EQ(tokens, (V{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(s.TakeComment(), "; one\r\n;two\n/* three */;four\r");
    EXPECT_FALSE(s.HasPendingComment());
}

TEST(DefScannerTest, InputEndsAtNulAndTrailingLineEnds) {
    CDefScanner s = CDefScanner::FromText(std::string("a b\r\n\r\n", 7));
    EXPECT_EQ(s.Size(), 3u);
    CDefScanner n = CDefScanner::FromText(std::string("a\0b", 3));
    EXPECT_EQ(n.NextToken(), "a");
    EXPECT_TRUE(n.NextToken().empty());
}

TEST(DefScannerTest, UnclosedQuotesAndCommentsStopAtTheEnd) {
    CDefScanner q = CDefScanner::FromText("\"abc ; {");
    EXPECT_EQ(q.NextToken(), "\"");
    EXPECT_EQ(q.ReadQuotedString(), "\"abc ; {");
    EXPECT_TRUE(q.NextToken().empty());

    CDefScanner c = CDefScanner::FromText("x /* never closed");
    EXPECT_EQ(c.NextToken(), "x");
    EXPECT_TRUE(c.NextToken().empty());
    EXPECT_EQ(c.TakeComment(), "/* never closed");
}

TEST(DefScannerTest, ParenRunsAreSkippedWithNesting) {
    CDefScanner s = CDefScanner::FromText("( a ( { } ) b ) c");
    EXPECT_EQ(s.NextTokenSkippingParens(), "c");
    CDefScanner u = CDefScanner::FromText("x");
    EXPECT_EQ(u.NextToken(), "x");
    u.UnreadToken(5);
    EXPECT_EQ(u.Position(), 0u);
}

TEST(DefScannerTest, MissingFileIsNotOk) {
    CDefScanner s(std::filesystem::path("/nonexistent/file.def"));
    EXPECT_FALSE(s.Ok());
    EXPECT_TRUE(s.NextToken().empty());
}

} // namespace
