#include "DefTestUtil.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using testing_support::RecordingPrompts;

DefNodeList ParseShared(const std::filesystem::path& file) {
    DefNodeList roots;
    ParseDefinitionFile(file, roots);
    return roots;
}

// The document load: ParseBlocks repeated with fresh registries.
DefNodeList ParseAsDocument(const std::filesystem::path& file, RecordingPrompts& prompts) {
    std::vector<uint32_t> ids(format::kRegistrySize), mids(format::kRegistrySize);
    format::DuplicateChecks checks{ids.data(), mids.data(), &prompts};
    CDefScanner scanner(file);
    DefNodeList roots;
    while (ParseBlocks(scanner, nullptr, roots, checks, false)) {
    }
    return roots;
}

struct CountingSink : format::DefSink {
    size_t lines = 0;
    void Write(const char* data, size_t size) override {
        for (size_t i = 0; i < size; ++i)
            lines += data[i] == '\n';
    }
};

class DefAdversarialTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root = testing_support::SharedTestData();
        if (root.empty())
            GTEST_SKIP() << "shared test data folder not found: " << VM_SHARED_TESTDATA;
        dir = root / "adversarial" / "def";
    }
    std::filesystem::path root, dir;
};

TEST_F(DefAdversarialTest, WellFormedControlFile) {
    auto roots = ParseShared(dir / "control.def");
    ASSERT_EQ(roots.size(), 3u);
    EXPECT_EQ(Describe(roots),
              "Unit[1|2] Empty[] \"quoted name\"[\"a value\"|0x1F|-12](Child[5] Child2[])");
    EXPECT_EQ(roots[0]->LeadingComment(), "; leading comment\r\n");
    EXPECT_EQ(roots[2]->Child(1)->depth, 1);
}

TEST_F(DefAdversarialTest, DeepNestingNeitherOverflowsTheStackNorLosesNodes) {
    auto open = ParseShared(dir / "unbalanced_open.def");
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0]->CountNodes(), 10000u);
    const CDefNode* n = open[0].get();
    int depth = 0;
    while (n->ChildCount()) {
        n = n->Child(0);
        ++depth;
    }
    EXPECT_EQ(depth, 9999);
    EXPECT_EQ(n->depth, 9999);
    EXPECT_STREQ(n->GetValue(0), "1");
    CountingSink counted;
    EXPECT_TRUE(open[0]->WriteNode(counted));
    EXPECT_EQ(counted.lines, 19999u); // two lines per parent, one for the leaf

    auto braces = ParseShared(dir / "nest_1m_braces.def");
    ASSERT_EQ(braces.size(), 1u);
    EXPECT_EQ(braces[0]->CountNodes(), 500000u);
    EXPECT_EQ(braces[0]->Name(), "{");
    // Walking, copying and destroying the chain must work too. (Writing it
    // is checked on the shallower chain: its indentation grows quadratically.)
    CDefNode copy;
    copy.CopyFrom(*braces[0]);
    EXPECT_EQ(copy.CountNodes(), 500000u);
    EXPECT_EQ(copy.Find("missing"), nullptr);
    braces.clear();
}

TEST_F(DefAdversarialTest, UnterminatedRunsStopAtTheEndOfTheInput) {
    auto quote = ParseShared(dir / "quote_unclosed.def");
    ASSERT_EQ(quote.size(), 1u);
    EXPECT_EQ(quote[0]->Name(), "q");
    EXPECT_STREQ(quote[0]->GetValue(0), "1");
    if (quote[0]->ValueCount() > 1) {
        EXPECT_EQ(quote[0]->GetValue(1)[0], '"');
    }

    auto comment = ParseShared(dir / "comment_unclosed.def");
    EXPECT_EQ(Describe(comment), "a[1]");

    auto paren = ParseShared(dir / "paren_unclosed.def");
    EXPECT_EQ(Describe(paren), "p[1]");
}

TEST_F(DefAdversarialTest, OddBytesAndLineEnds) {
    EXPECT_EQ(Describe(ParseShared(dir / "nul_middle.def")), "a[1] b[2]");
    auto high = ParseShared(dir / "high_bytes.def");
    ASSERT_EQ(high.size(), 3u);
    EXPECT_EQ(high[0]->Name(), "Gr\xf6\xdf"
                               "e");
    for (auto v : high[1]->Values())
        for (unsigned char c : v)
            EXPECT_GE(c, 0x80);
    EXPECT_EQ(Describe(*high[2]), "after[2]");
    auto cr = ParseShared(dir / "cr_only.def");
    ASSERT_EQ(cr.size(), 2u);
    EXPECT_EQ(cr[0]->LeadingComment(), "; lead\r");
    EXPECT_EQ(cr[1]->LeadingComment(), "; mid\r");
    EXPECT_EQ(Describe(cr), "a[1] b[2](c[3])");
}

TEST_F(DefAdversarialTest, EmptyAndBraceOnlyFilesGiveNoNodes) {
    DefNodeList roots;
    EXPECT_FALSE(ParseDefinitionFile(dir / "empty.def", roots));
    EXPECT_FALSE(ParseDefinitionFile(dir / "only_close_braces.def", roots));
    EXPECT_TRUE(roots.empty());
}

TEST_F(DefAdversarialTest, LongLinesParseInOnePass) {
    auto roots = ParseShared(dir / "long_line.def");
    ASSERT_EQ(roots.size(), 1u);
    auto values = roots[0]->Values();
    ASSERT_EQ(values.size(), 200000u);
    EXPECT_EQ(values[0], "0");
    EXPECT_EQ(values[199999], "199999");
}

TEST_F(DefAdversarialTest, IdsAndMidsOutsideTheRegistriesAreNeverStored) {
    RecordingPrompts hex;
    auto ids300 = ParseAsDocument(dir / "entity_id_300hex.def", hex);
    EXPECT_EQ(ids300.size(), 4u);
    EXPECT_EQ(hex.messages, std::vector<std::string>{"Duplicate ID value '0x12'"});

    RecordingPrompts range;
    auto ids = ParseAsDocument(dir / "entity_id_range.def", range);
    EXPECT_EQ(ids.size(), 6u);
    EXPECT_EQ(range.messages, std::vector<std::string>{"Duplicate ID value '0xffff'"});

    RecordingPrompts mid;
    auto mids = ParseAsDocument(dir / "mid_range.def", mid);
    EXPECT_EQ(mids.size(), 9u);
    EXPECT_EQ(mid.messages, std::vector<std::string>{"Duplicate MID value '65535'"});
}

} // namespace
