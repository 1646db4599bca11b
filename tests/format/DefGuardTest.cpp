#include "DefTestUtil.h"

#include "format/DefGuard.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Writes one node with the given name and value and reads the text back.
DefNodeList WriteAndRead(std::string_view name, std::string_view value) {
    CDefNode node(name);
    if (!value.empty()) node.AddValue(value);
    format::StringSink sink;
    node.WriteNode(sink);
    return Parse(sink.text);
}

bool ReadsBack(std::string_view name, std::string_view value) {
    DefNodeList roots = WriteAndRead(name, value);
    if (roots.size() != 1 || roots[0]->Name() != name || roots[0]->ChildCount() != 0) return false;
    auto values = roots[0]->Values();
    if (value.empty()) return values.empty();
    return values.size() == 1 && values[0] == value;
}

std::string RandomText(std::mt19937& rng) {
    // Mostly the bytes that matter to the reader, some of anything.
    static const std::string interesting = "\"{}();/*.,=-_ \t\r\nab0x9\xE4\xDF\x80\x01";
    std::uniform_int_distribution<int> length(1, 8), pick(0, 9), any(0, 255);
    std::uniform_int_distribution<size_t> from(0, interesting.size() - 1);
    std::string text;
    for (int n = length(rng); n > 0; --n)
        text += pick(rng) < 8 ? interesting[from(rng)] : static_cast<char>(any(rng));
    return text;
}

TEST(DefGuardTest, EveryAcceptedValueAndNameReadsBackIdentically) {
    std::mt19937 rng(20261208);
    int acceptedValues = 0, acceptedNames = 0, acceptedQuoted = 0;
    for (int round = 0; round < 20000; ++round) {
        const std::string text = RandomText(rng);
        if (format::CheckValue(text).empty()) {
            ++acceptedValues;
            EXPECT_TRUE(ReadsBack("x", text)) << "value [" << text << "]";
        }
        if (format::CheckName(text).empty()) {
            ++acceptedNames;
            EXPECT_TRUE(ReadsBack(text, "1")) << "name [" << text << "]";
        }
        if (format::CheckQuotedText(text).empty()) {
            ++acceptedQuoted;
            const std::string quoted = "\"" + text + "\"";
            EXPECT_TRUE(ReadsBack("x", quoted)) << "quoted [" << text << "]";
        }
    }
    // The generator must reach both sides of the rule, or the test proves nothing.
    EXPECT_GT(acceptedValues, 500);
    EXPECT_GT(acceptedNames, 500);
    EXPECT_GT(acceptedQuoted, 500);
}

TEST(DefGuardTest, OrdinaryNamesAndValuesPass) {
    for (const char* value : {"0x8001", "-12.5", "Tiger_I", "file.mdl", "\"my dusk\"", "=", ",",
                              ")", "\"a;b {c}\"", "\xE4pfel"})
        EXPECT_EQ(format::CheckValue(value), "") << value;
    for (const char* name : {"Entity", "\"Two words\"", "MID", ")"})
        EXPECT_EQ(format::CheckName(name), "") << name;
    EXPECT_EQ(format::CheckQuotedText("my dusk, with {braces}; and a line\r\nend"), "");
}

TEST(DefGuardTest, RefusalsNameTheCharacterThatIsNotAllowed) {
    EXPECT_EQ(format::CheckQuotedText("my dusk\"}"),
              "The text 'my dusk\"}' cannot be stored in the file: the character '\"' (double "
              "quote) is not allowed there.");
    EXPECT_EQ(format::CheckValue("two words"),
              "The value 'two words' cannot be stored in the file: the character ' ' (space) is "
              "not allowed there. Use a single word or number, or put the text in double quotes.");
    EXPECT_NE(format::CheckValue("\"Bad\"} {evil\"").find("'\"' (double quote)"),
              std::string::npos);
    EXPECT_NE(format::CheckValue("1,5").find("','"), std::string::npos);
    EXPECT_NE(format::CheckValue("\"open").find("does not close it"), std::string::npos);
    EXPECT_NE(format::CheckName("{").find("'{'"), std::string::npos);
    EXPECT_NE(format::CheckValue(std::string("a\0b", 3)).find("NUL"), std::string::npos);
    EXPECT_EQ(format::CheckValue(""), "A value cannot be empty.");
}

TEST(DefGuardTest, FindUnwritableSkipsWhatTheWriterLeavesOut) {
    DefNodeList roots = Parse("{mission {Entity 0x1 {Name \"ok\"}} {Environment \"dusk\"}}");
    EXPECT_FALSE(format::FindUnwritable(roots));

    CDefNode* env = roots[0]->Child(1);
    env->SetFirstValue("\"my dusk\"}\"");
    auto found = format::FindUnwritable(roots);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->node, env);

    env->locked = true; // the base map's nodes are never written
    EXPECT_FALSE(format::FindUnwritable(roots));
}

} // namespace
