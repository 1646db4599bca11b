// Line ends, long lines and the Windows-1252 border of the text window.

#include "textedit/EditText.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

using namespace textedit;

namespace {

TEST(EditTextTest, EveryLineEndBecomesCrLf) {
    EXPECT_EQ(NormaliseLineEnds("a\nb\n"), "a\r\nb\r\n");
    EXPECT_EQ(NormaliseLineEnds("a\rb\r"), "a\r\nb\r\n");
    EXPECT_EQ(NormaliseLineEnds("a\r\nb\r\n"), "a\r\nb\r\n");
    // Mixed, doubled and trailing breaks each stay one break.
    EXPECT_EQ(NormaliseLineEnds("a\n\rb\r\r\nc\n\n"), "a\r\n\r\nb\r\n\r\nc\r\n\r\n");
    EXPECT_EQ(NormaliseLineEnds("\r"), "\r\n");
    EXPECT_EQ(NormaliseLineEnds(""), "");
    // Everything else is kept byte for byte, NULs and high bytes included.
    const std::string bytes("x\0\x80\xff\t", 5);
    EXPECT_EQ(NormaliseLineEnds(bytes), bytes);
}

TEST(EditTextTest, LongLinesAreFoundButNeverBroken) {
    const std::string line3000(3000, 'x');
    EXPECT_TRUE(HasLineLongerThan("a\r\n" + line3000 + "\r\nb", kMaxLineLength));
    EXPECT_FALSE(HasLineLongerThan(std::string(kMaxLineLength, 'x') + "\r\n" +
                                       std::string(kMaxLineLength, 'y'),
                                   kMaxLineLength));
    EXPECT_TRUE(HasLineLongerThan(std::string(kMaxLineLength + 1, 'x'), kMaxLineLength));
    // A line of 3000 bytes with a space at 2000 comes out unchanged.
    std::string spaced = line3000;
    spaced[2000] = ' ';
    EXPECT_EQ(NormaliseLineEnds(spaced), spaced);
}

TEST(EditTextTest, EveryWindows1252ByteSurvivesTheTripThroughUtf8) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToCp1252(platform::Cp1252ToUtf8(all)), all);
}

TEST(EditTextTest, WhatWindows1252CannotHoldBecomesAQuestionMark) {
    EXPECT_EQ(Utf8ToCp1252("a\xe2\x82\xac"), "a\x80");               // the euro sign
    EXPECT_EQ(Utf8ToCp1252("\xe4\xb8\xad|\xf0\x9f\x98\x80"), "?|?"); // CJK, emoji
    // Broken sequences: a stray continuation byte, a lead byte cut off.
    EXPECT_EQ(Utf8ToCp1252("\x80x\xc3"), "?x?");
}

} // namespace
