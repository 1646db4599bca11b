#include "DefTestUtil.h"

#include "format/DefArchive.h"

#include <gtest/gtest.h>

#include <random>

namespace {

std::string Write(const DefNodeList& roots) {
    format::StringSink sink;
    for (const auto& r : roots)
        r->WriteNode(sink);
    return sink.text;
}

TEST(DefWriterTest, LeavesAreOneLineAndParentsIndentByDepth) {
    auto roots = Parse("{Leaf 1 two} {mission {Registry {MID 12}}}");
    EXPECT_EQ(Write(roots),
              "{Leaf 1 two}\r\n{mission\r\n\t{Registry\r\n\t\t{MID 12}\r\n\t}\r\n}\r\n");
}

TEST(DefWriterTest, EmptyValuesAreLeftOut) {
    CDefNode n("N");
    n.AddValue("a");
    n.AddValue("");
    n.AddValue("b");
    format::StringSink sink;
    EXPECT_TRUE(n.WriteNode(sink));
    EXPECT_EQ(sink.text, "{N a b}\r\n");
}

TEST(DefWriterTest, LockedAndNamelessNodesAreSkippedWithTheirSubtrees) {
    auto roots = Parse("{A {B {C}} {D}} {E}");
    roots[0]->Child(0)->locked = true;
    roots[1]->SetName("");
    format::StringSink sink;
    EXPECT_TRUE(roots[0]->WriteNode(sink));
    EXPECT_FALSE(roots[1]->WriteNode(sink));
    EXPECT_EQ(sink.text, "{A\r\n\t{D}\r\n}\r\n");
    roots[0]->locked = true;
    format::StringSink none;
    EXPECT_TRUE(roots[0]->WriteNode(none));
    EXPECT_EQ(none.text, "");
}

TEST(DefWriterTest, LeadingCommentsSurviveRepeatedRoundTrips) {
    std::string text = "{A\r\n\t; about b\r\n\t{B 1}\r\n\t/* c */{C}\r\n}\r\n";
    auto roots = Parse(text);
    std::string once = Write(roots);
    EXPECT_EQ(once, "{A\r\n\t\r\n; about b\r\n\t{B 1}\r\n\t\r\n/* c */\t{C}\r\n}\r\n");
    auto again = Parse(once);
    EXPECT_EQ(again[0]->Child(0)->LeadingComment(), "; about b\r\n");
    EXPECT_EQ(Write(again), once);
}

TEST(DefWriterTest, ArchiveFormRoundTripsWithDefaultFields) {
    auto roots = Parse(
        "; gone\n{Entity \"tank\" 0x1f {Position 1 2 3} {Inventory {Item \"a\"} {Item \"b\"}}}");
    CDefNode& src = *roots[0];
    src.isUnit = false;
    src.Child(0)->SetDepth(4);
    CDefArchive store;
    ASSERT_TRUE(src.Serialize(store));
    CDefArchive load(store.Bytes());
    CDefNode copy;
    ASSERT_TRUE(copy.Serialize(load));
    EXPECT_TRUE(load.AtEnd());
    EXPECT_EQ(Describe(copy), Describe(src));
    EXPECT_EQ(copy.LeadingComment(), "");
    EXPECT_TRUE(copy.isUnit);
    EXPECT_EQ(copy.Child(0)->depth, 0);
    EXPECT_EQ(copy.Child(1)->Child(1)->depth, 0);
}

TEST(DefWriterTest, ArchiveFormUsesLongLengthsAndCounts) {
    CDefNode n(std::string(300, 'n'));
    n.AddValue(std::string(70000, 'v'));
    for (int i = 0; i < 0x10000; ++i)
        n.AddChild("c");
    CDefArchive store;
    n.Serialize(store);
    const std::string& b = store.Bytes();
    EXPECT_EQ(static_cast<unsigned char>(b[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(b[1]) | (static_cast<unsigned char>(b[2]) << 8), 300);
    CDefArchive load(b);
    CDefNode copy;
    ASSERT_TRUE(copy.Serialize(load));
    EXPECT_EQ(copy.ChildCount(), 0x10000u);
    EXPECT_EQ(std::string(copy.GetValue(0)).size(), 70000u);
}

TEST(DefWriterTest, TruncatedArchiveFailsWithoutReadingPastTheEnd) {
    auto roots = Parse("{A 1 2 {B 3 {C}}}");
    CDefArchive store;
    roots[0]->Serialize(store);
    const std::string& bytes = store.Bytes();
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        CDefArchive load(std::string_view(bytes).substr(0, cut));
        CDefNode n;
        EXPECT_FALSE(n.Serialize(load)) << "cut at " << cut;
    }
    // A declared count far beyond the bytes present must not allocate for it.
    std::string hostile("\x01"
                        "A"
                        "\xff\xff"
                        "\xff\xff\xff\x7f",
                        8);
    CDefArchive load(hostile);
    CDefNode n;
    EXPECT_FALSE(n.Serialize(load));
}

// Random trees written and read back must give the same tree, and writing
// that again must give the same bytes.
class RoundTripProperty : public ::testing::TestWithParam<int> {};

std::string RandomWord(std::mt19937& rng) {
    static const char* pool[] = {"Entity",
                                 "Position",
                                 "0x1f",
                                 "-12.500000",
                                 "a_b",
                                 "file.ext",
                                 "\"quoted ; { text\"",
                                 "Gr\xf6\xdf"
                                 "e",
                                 "\"\"",
                                 "42",
                                 "MID",
                                 "x-y",
                                 "\xe9t\xe9"};
    return pool[rng() % (sizeof pool / sizeof pool[0])];
}

TEST_P(RoundTripProperty, ParseWriteParseGivesTheSameTree) {
    std::mt19937 rng(static_cast<unsigned>(GetParam()));
    DefNodeList roots;
    int top = 1 + static_cast<int>(rng() % 5);
    for (int t = 0; t < top; ++t) {
        auto root = std::make_unique<CDefNode>();
        root->Assign(RandomWord(rng), {});
        std::vector<CDefNode*> open{root.get()};
        int nodes = static_cast<int>(rng() % 40);
        for (int k = 0; k < nodes; ++k) {
            CDefNode* parent = open[rng() % open.size()];
            CDefNode* c = parent->AddChild(RandomWord(rng));
            int values = static_cast<int>(rng() % 4);
            for (int v = 0; v < values; ++v)
                c->AddValue(RandomWord(rng));
            if (rng() % 4 == 0) c->SetLeadingComment(rng() % 2 ? "; note\r\n" : "/* block */");
            open.push_back(c);
        }
        roots.push_back(std::move(root));
    }
    std::string first = Write(roots);
    auto parsed = Parse(first);
    EXPECT_EQ(Describe(parsed), Describe(roots));
    EXPECT_EQ(Write(parsed), first);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RoundTripProperty, ::testing::Range(1, 101));

} // namespace
