#include "platform/Text.h"
#include "platform/DosTime.h"
#include "platform/Files.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <clocale>

namespace {

TEST(TextTest, CaseFoldingCoversTheCodePageLetters) {
    EXPECT_TRUE(platform::EqualsNoCase("STRA\xdf"
                                       "E",
                                       "stra\xdf"
                                       "e"));
    EXPECT_TRUE(platform::EqualsNoCase("\xc4\xd6\xdc", "\xe4\xf6\xfc"));
    EXPECT_TRUE(platform::EqualsNoCase("\x8a\x8c\x8e\x9f", "\x9a\x9c\x9e\xff"));
    EXPECT_FALSE(platform::EqualsNoCase("\xd7", "\xf7")); // multiplication and division signs
    EXPECT_FALSE(platform::EqualsNoCase("abc", "abcd"));
    EXPECT_TRUE(platform::ContainsNoCase("Medium TANK", "tank"));
    EXPECT_EQ(platform::ToLowerCp1252("Entity/\xc4"
                                      "A.DEF"),
              "entity/\xe4"
              "a.def");
}

TEST(TextTest, Utf8ConversionMapsTheHighControlRange) {
    EXPECT_EQ(platform::Cp1252ToUtf8("a\x80\xe9\x9f"), "a\xe2\x82\xac\xc3\xa9\xc5\xb8");
    EXPECT_EQ(platform::Cp1252ToUtf8("\x81"), "\xc2\x81");
}

TEST(TextTest, NumbersIgnoreTheLocaleAndReadLikeTheCConversions) {
    std::string saved = std::setlocale(LC_ALL, nullptr);
    bool german = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    EXPECT_EQ(platform::FormatFloat6(-3.25), "-3.250000");
    EXPECT_EQ(platform::FormatFloat6(1e20), "100000000000000000000.000000");
    EXPECT_EQ(platform::ParseDouble("  2.5xyz"), 2.5);
    EXPECT_EQ(platform::ParseDouble("-0x10"), -16.0);
    EXPECT_EQ(platform::ParseDouble("+1e3"), 1000.0);
    EXPECT_EQ(platform::ParseDouble("abc"), 0.0);
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(platform::FormatHex(255), "0xff");
    EXPECT_EQ(platform::FormatUnsigned(4294967297UL), "4294967297");
    EXPECT_EQ(platform::ParseUnsigned("-1"), static_cast<unsigned long>(-1));
    if (!german) GTEST_LOG_(INFO) << "de_DE.UTF-8 not installed; checked in the C locale only";
}

TEST(DosTimeTest, FieldsRoundTripAsUtcAndInvalidFieldsAreRefused) {
    uint16_t date = 0, time = 0;
    platform::UnixToDos(1700000000, date, time); // 2023-11-14 22:13:20
    int64_t back = 0;
    ASSERT_TRUE(platform::DosToUnix(date, time, back));
    EXPECT_EQ(back, 1700000000);
    EXPECT_FALSE(platform::DosToUnix(0, 0, back));                   // month 0
    EXPECT_FALSE(platform::DosToUnix((2 << 5) | 30, 0, back));       // 30 February
    EXPECT_FALSE(platform::DosToUnix((1 << 5) | 1, 24 << 11, back)); // hour 24
    platform::UnixToDos(0, date, time);
    ASSERT_TRUE(platform::DosToUnix(date, time, back));
    EXPECT_EQ(back, 315532800); // clamped to 1980-01-01
}

TEST(FilesTest, AtomicFileReplacesOnlyOnCommit) {
    testing_support::TempDir dir;
    auto target = dir.path() / "doc.mi";
    ASSERT_TRUE(platform::WriteFileAtomically(target, "old"));
    {
        platform::AtomicFile f;
        ASSERT_TRUE(f.Open(target));
        f.Write("half-written");
        // destroyed without Commit
    }
    EXPECT_EQ(*platform::ReadWholeFile(target), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    platform::AtomicFile g;
    ASSERT_TRUE(g.Open(target));
    g.Write("new");
    EXPECT_TRUE(g.Commit());
    EXPECT_EQ(*platform::ReadWholeFile(target), "new");
    platform::AtomicFile nowhere;
    EXPECT_FALSE(nowhere.Open(dir.path() / "missing" / "x"));
}

} // namespace
