#include "DefTestUtil.h"

#include <gtest/gtest.h>

#include <clocale>

namespace {

TEST(DefNodeTest, ConstructionWithTextQuotesIt) {
    CDefNode plain;
    EXPECT_EQ(plain.Name(), "");
    EXPECT_EQ(plain.ValueCount(), 0u);
    EXPECT_TRUE(plain.isUnit);
    EXPECT_EQ(plain.SceneParams()[2], 10000.0f);
    CDefNode named("Skin", "desert");
    EXPECT_STREQ(named.GetValue(0), "\"desert\"");
    EXPECT_EQ(named.GetValueUnquoted(0), "desert");
}

TEST(DefNodeTest, TypedSettersFormatAsTheGameWrites) {
    CDefNode n("N");
    n.SetFloat(0, 2);
    n.SetHex(1, 255);
    n.SetByte(2, 300);
    n.SetUInt(3, 4000000000UL);
    n.SetFloat(4, -3.25);
    EXPECT_EQ(Describe(n), "N[2.000000|0xff|44|4000000000|-3.250000]");
    n.SetValue(1, "replaced");
    EXPECT_STREQ(n.GetValue(1), "replaced");
    EXPECT_EQ(n.ValueCount(), 5u);
    EXPECT_EQ(n.GetValue(5), nullptr);
    EXPECT_EQ(n.GetValueUnquoted(9), "");
}

TEST(DefNodeTest, NumbersIgnoreTheProcessLocale) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    bool switched =
        std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
    CDefNode n("N");
    n.SetFloat(0, 1.5);
    double x = 0;
    n.SetValue(1, "2.25");
    n.GetFloat(1, x);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_STREQ(n.GetValue(0), "1.500000");
    EXPECT_EQ(x, 2.25);
    if (!switched)
        GTEST_LOG_(INFO) << "no comma-decimal locale installed; checked in the C locale only";
}

TEST(DefNodeTest, TypedGettersReadLeadingNumbers) {
    CDefNode n("N");
    n.AddValue("12abc");
    n.AddValue("-1");
    n.AddValue("1.5e2x");
    n.AddValue("word");
    unsigned long u = 9;
    double d = 9;
    EXPECT_TRUE(n.GetUInt(0, u));
    EXPECT_EQ(u, 12u);
    EXPECT_TRUE(n.GetFloat(2, d));
    EXPECT_EQ(d, 150.0);
    EXPECT_TRUE(n.GetFloat(3, d));
    EXPECT_EQ(d, 0.0);
    EXPECT_FALSE(n.GetUInt(7, u));
    EXPECT_EQ(u, 0u);
}

TEST(DefNodeTest, SettingPastTheEndAppendsAndFillsGaps) {
    CDefNode n("N");
    n.SetValue(0, "a");
    n.SetValue(1, "b");
    n.SetValue(2, "c");
    EXPECT_EQ(n.ValueCount(), 3u);
    n.SetValue(5, "f");
    EXPECT_EQ(Describe(n), "N[a|b|c|||f]");
    n.RemoveValue(1);
    EXPECT_EQ(Describe(n), "N[a|c|||f]");
    n.SetName("Renamed");
    EXPECT_EQ(Describe(n), "Renamed[a|c|||f]");
    for (int i = 0; i < 1000; ++i)
        n.SetValue(0, std::string(static_cast<size_t>(i % 40), 'x'));
    EXPECT_EQ(std::string(n.GetValue(0)), std::string(999 % 40, 'x'));
}

TEST(DefNodeTest, SearchesAreCaseInsensitiveOverTheCodePage) {
    auto roots = Parse("{Mission {Unit \"Tiger\" {MID 4}} {UNIT \"panzer\" {Straße 1}} {Empty}}");
    const CDefNode& m = *roots[0];
    EXPECT_EQ(m.Find("mid")->Name(), "MID");
    EXPECT_EQ(m.Find("unit", "\"PANZER\"")->Child(0)->Name(), "Straße");
    EXPECT_EQ(m.Find("STRASSE"), nullptr);
    EXPECT_NE(m.Find("STRAßE"), nullptr);
    EXPECT_NE(m.Find("mission"), nullptr); // the node itself qualifies
    EXPECT_EQ(m.FindChild("mid"), nullptr);
    EXPECT_EQ(m.FindChild("unit")->GetValueUnquoted(0), "Tiger");
    EXPECT_EQ(m.ChildIndex("mission"), 0);
    EXPECT_EQ(m.ChildIndex("Unit"), 0);
    EXPECT_EQ(m.ChildIndex("empty"), 2);
    EXPECT_EQ(m.ChildIndex("none"), -1);
    EXPECT_STREQ(m.FindValue("mid"), "4");
    EXPECT_EQ(m.FindValue("empty"), nullptr);
    EXPECT_EQ(m.OwnValue("mission"), nullptr);
    std::vector<CDefNode*> all;
    m.CollectAll("unit", all);
    EXPECT_EQ(all.size(), 2u);
}

TEST(DefNodeTest, FindValueSkipsNamesWithoutValues) {
    auto roots = Parse("{R {X} {Y {X 5}}}");
    EXPECT_STREQ(roots[0]->FindValue("x"), "5");
}

TEST(DefNodeTest, FindNextYieldsOneMatchPerChild) {
    auto roots = Parse("{Unit {Unit {Unit}} {A} {Unit 1}}");
    const CDefNode& r = *roots[0];
    int pos = -2;
    std::vector<const CDefNode*> hits;
    while (CDefNode* hit = r.FindNext(pos, "unit"))
        hits.push_back(hit);
    ASSERT_EQ(hits.size(), 3u);
    EXPECT_EQ(hits[0], &r);
    EXPECT_EQ(hits[1], r.Child(0));
    EXPECT_EQ(hits[2], r.Child(2));
    pos = -1;
    int count = 0;
    while (r.FindNextChild(pos, "unit"))
        ++count;
    EXPECT_EQ(count, 2);
}

TEST(DefNodeTest, NumberGroupsRead) {
    auto roots = Parse("{E {Position 1 2} {Position 1.5 -2 3} {Colour 255 128 0}}");
    const CDefNode& e = *roots[0];
    format::DefVec3 v;
    ASSERT_TRUE(e.ReadVector("position", v));
    EXPECT_FLOAT_EQ(v.x, 1.5f);
    EXPECT_FLOAT_EQ(v.y, -2.0f);
    double two[2];
    ASSERT_TRUE(e.ReadDoubles("Position", two, 2));
    EXPECT_EQ(two[0], 1.0);
    EXPECT_FALSE(e.ReadOwnDoubles("Position", two, 2));
    EXPECT_TRUE(e.ReadDoublesHere("Position", two, 2));
    uint32_t packed = 0;
    ASSERT_TRUE(e.ReadPackedBytes("colour", packed, 3));
    EXPECT_EQ(packed, 255u + 128u * 256u);
}

TEST(DefNodeTest, AddingChildrenSetsDepthAndValues) {
    CDefNode r("Root");
    r.depth = 1;
    EXPECT_EQ(r.AddChildVector("P", {1, 2, 3})->depth, 2);
    r.AddChildFloat("F", 0.5);
    r.AddChildUInt("U", 7);
    r.AddChildBytes("C", 0x00112233, 3);
    r.AddChildQuoted("Q", "x y");
    r.AddChild("T", "raw");
    EXPECT_EQ(
        Describe(r),
        "Root[](P[1.000000|2.000000|3.000000] F[0.500000] U[7] C[51|34|17] Q[\"x y\"] T[raw])");
}

TEST(DefNodeTest, FindOrCreateSettersSearchTheWholeSubtree) {
    auto roots = Parse("{Entity \"t\" {Registry {MID 1}}}");
    CDefNode& e = *roots[0];
    e.SetText("MID", "9");
    EXPECT_EQ(Describe(e), "Entity[\"t\"](Registry[](MID[9]))");
    e.SetText("entity", "\"u\"");
    EXPECT_STREQ(e.GetValue(0), "\"u\"");
    e.SetVector("Position", {1, 2, 3});
    e.SetVectorFirst("Direction", {0, 1, 0});
    e.SetUIntAt("Player", 0, 2);
    e.SetHexAt("Id", 1, 16);
    e.SetFloatAt(nullptr, 1, 0.25);
    EXPECT_EQ(Describe(e),
              "Entity[\"u\"|0.250000](Direction[0.000000|1.000000|0.000000] Registry[](MID[9]) "
              "Position[1.000000|2.000000|3.000000] Player[2] Id[|0x10])");
    double d[2] = {1, 2};
    EXPECT_EQ(e.SetDoubles("Size", d, 2), 2u);
    EXPECT_EQ(e.Find("size")->depth, 1);
}

TEST(DefNodeTest, RemoveChildrenByNameAndExactFirstValue) {
    auto roots = Parse("{R {A 1} {a 2} {A} {B 1} {A \"x\"} {A \"X\"}}");
    CDefNode& r = *roots[0];
    r.RemoveChildren("a", "\"x\"");
    EXPECT_EQ(Describe(r), "R[](A[1] a[2] A[] B[1] A[\"X\"])");
    r.RemoveChildren("A");
    EXPECT_EQ(Describe(r), "R[](B[1])");
}

TEST(DefNodeTest, CopyFromIsDeepAndLeavesTheCommentAlone) {
    auto roots = Parse("; c\n{A 1 {B 2 {C}}}");
    CDefNode& src = *roots[0];
    src.locked = true;
    src.Child(0)->isUnit = false;
    src.Child(0)->SetExpanded(true);
    CDefNode copy;
    copy.SetLeadingComment("; mine\n");
    copy.CopyFrom(src);
    EXPECT_EQ(Describe(copy), Describe(src));
    EXPECT_EQ(copy.LeadingComment(), "; mine\n");
    EXPECT_TRUE(copy.locked);
    EXPECT_FALSE(copy.Child(0)->isUnit);
    EXPECT_TRUE(copy.Child(0)->Expanded());
    EXPECT_NE(copy.Child(0), src.Child(0));
    src.Child(0)->SetValue(0, "changed");
    EXPECT_STREQ(copy.Child(0)->GetValue(0), "2");
}

TEST(DefNodeTest, SetDepthRenumbersTheSubtree) {
    auto roots = Parse("{A {B {C}}}");
    CDefNode& a = *roots[0];
    a.SetDepth(3);
    EXPECT_EQ(a.depth, 4);
    EXPECT_EQ(a.Child(0)->Child(0)->depth, 6);
    auto moved = a.DetachChild(0);
    moved->SetDepth(-1);
    EXPECT_EQ(moved->depth, 0);
    EXPECT_EQ(moved->Child(0)->depth, 1);
}

TEST(DefNodeTest, CreateMapMarkerAndSearchMatching) {
    auto roots = Parse("{Mission \"$CreateMap$\"} {Unit \"Tiger Two\" 12}");
    EXPECT_TRUE(roots[0]->IsCreateMap());
    EXPECT_FALSE(roots[1]->IsCreateMap());
    const CDefNode& u = *roots[1];
    EXPECT_TRUE(u.MatchesSearch("tiger", false, false));
    EXPECT_FALSE(u.MatchesSearch("tiger", true, false));
    EXPECT_TRUE(u.MatchesSearch("Tiger Two", true, true));
    EXPECT_FALSE(u.MatchesSearch("Tiger", false, true));
    EXPECT_TRUE(u.MatchesSearch("UNIT", false, true));
    EXPECT_TRUE(u.MatchesSearch("12", true, true));
}

} // namespace
