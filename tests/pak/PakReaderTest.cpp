#include "pak/PakArchive.h"

#include "PakReaderTestSupport.h"
#include "support/TestSupport.h"

#include <ctime>

using namespace pak;
using namespace pak_reader_test;
using testing_support::RecordingPrompts;
using testing_support::TempDir;

namespace {

class PakReaderTest : public ::testing::Test {
  protected:
    std::filesystem::path Write(const std::string& name, const std::string& bytes) {
        auto path = m_dir.path() / name;
        WriteAll(path, bytes);
        return path;
    }

    // Opens and lists an archive made of the given bytes.
    bool OpenAndList(CPakArchive& archive, const std::string& bytes) {
        EXPECT_TRUE(archive.Open(Write("a.zip", bytes)));
        return archive.List();
    }

    TempDir m_dir;
};

TEST_F(PakReaderTest, ListReadsEveryCentralEntryInArchiveOrder) {
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += "{Unit tiger_" + std::to_string(i) + " 0x1f}\r\n";
    TestMember deflated{"Entity/Tanks/Tiger.def", text, 8};
    deflated.comment = "main battle tank";
    TestMember readOnly{"data/blob.bin", std::string("\x00\x01\x02\xff", 4)};
    readOnly.externalAttributes = 0x21;
    TestMember folder{"texture/", ""};
    folder.externalAttributes = 0x10;
    CPakArchive archive;
    ASSERT_TRUE(OpenAndList(archive, BuildZip({deflated, readOnly, folder}, "archive comment")));
    EXPECT_EQ(archive.LastResult(), PakOk);

    const auto& m = archive.Members();
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].name, "Entity/Tanks/Tiger.def");
    EXPECT_EQ(m[0].uncompressedSize, text.size());
    EXPECT_EQ(m[0].compressedSize, RawDeflate(text).size());
    EXPECT_FLOAT_EQ(m[0].ratio, float((double(text.size()) - double(m[0].compressedSize)) /
                                      double(text.size())));
    EXPECT_EQ(m[0].comment, "main battle tank");
    EXPECT_EQ(m[0].method, 8);
    EXPECT_EQ(m[0].crc, Crc(text));
    // The DOS fields read as UTC: 2004-06-15 12:30:20.
    EXPECT_EQ(m[0].time, 1087302620);
    EXPECT_EQ(m[1].attributes, 0x21);
    EXPECT_EQ(m[1].ratio, 0.0f);
    EXPECT_EQ(m[2].name, "texture/");
    EXPECT_EQ(m[2].attributes, 0x10);
    EXPECT_EQ(m[2].ratio, 0.0f);

    EXPECT_EQ(archive.Totals().uncompressed, text.size() + 4);
    EXPECT_EQ(archive.Totals().compressed, m[0].compressedSize + 4);
    EXPECT_EQ(archive.EndRecord().comment, "archive comment");
    EXPECT_EQ(archive.EndRecord().totalEntries, 3);
}

TEST_F(PakReaderTest, InvalidDosTimeGivesTheCurrentTime) {
    TestMember m{"a.txt", "a"};
    m.dosDate = 0; // month 0
    CPakArchive archive;
    ASSERT_TRUE(OpenAndList(archive, BuildZip({m})));
    EXPECT_NEAR(double(archive.Members()[0].time), double(std::time(nullptr)), 60.0);
}

// The end record is found wherever it lies: across the reader's block
// boundaries (2048-byte and larger ones alike) and behind long trailing data.
TEST_F(PakReaderTest, EndRecordIsFoundAcrossBlockBoundariesAndBehindTrailingData) {
    const std::string comment(100, 'C');
    const size_t base = BuildZip({{"filler.bin", ""}, {"small.txt", "small\n"}}).size() - 22;
    for (size_t at : {2045u, 2046u, 2047u, 4094u, 65534u}) {
        SCOPED_TRACE(at);
        std::string filler(at - base, 'f');
        std::string bytes = BuildZip({{"filler.bin", filler}, {"small.txt", "small\n"}}, comment);
        ASSERT_EQ(bytes.substr(at, 4), std::string("PK\x05\x06", 4));
        CPakArchive archive;
        EXPECT_TRUE(OpenAndList(archive, bytes));
        EXPECT_EQ(archive.Members().size(), 2u);
    }
    for (size_t trailing :
         {1u, 2047u, 65530u, 65531u, 65532u, 65533u, 65534u, 65535u, 70000u, 200000u}) {
        SCOPED_TRACE(trailing);
        std::string bytes =
            BuildZip({{"small.txt", "small\n"}}, {}, {}, std::string(trailing, 't'));
        CPakArchive archive;
        EXPECT_TRUE(OpenAndList(archive, bytes));
        EXPECT_EQ(archive.Members().size(), 1u);
    }
}

TEST_F(PakReaderTest, EmptyArchiveListsNothingWithAWarning) {
    CPakArchive archive;
    EXPECT_FALSE(OpenAndList(archive, BuildZip({})));
    EXPECT_EQ(archive.LastResult(), PakWarning);
    EXPECT_TRUE(archive.Members().empty());

    EXPECT_FALSE(archive.Extract({}, {"a.txt"}, m_dir.path() / "out"));
    EXPECT_EQ(archive.LastResult(), PakNoFiles);
    EXPECT_FALSE(std::filesystem::exists(m_dir.path() / "out"));
}

TEST_F(PakReaderTest, FilesWithoutAnEndRecordAreNoArchives) {
    std::string full = BuildZip({{"one.txt", std::string(500, '1')}, {"two.txt", "2"}});
    std::string noise;
    for (int i = 0; i < 4096; ++i)
        noise += char((i * 7919 + 13) % 251 == 'P' ? 0 : (i * 7919 + 13) % 251);
    for (const std::string& bytes : {std::string(), noise, full.substr(0, full.size() - 30),
                                     full.substr(0, 200), std::string("PK\x05\x06", 4)}) {
        CPakArchive archive;
        EXPECT_FALSE(OpenAndList(archive, bytes));
        EXPECT_EQ(archive.LastResult(), PakNotZip);
        EXPECT_FALSE(archive.Extract({}, {"one.txt"}, m_dir.path() / "out"));
        EXPECT_EQ(archive.LastResult(), PakNotZip);
    }
    EXPECT_FALSE(std::filesystem::exists(m_dir.path() / "out"));
}

TEST_F(PakReaderTest, OpenReportsOnlyFilesThatExistButCannotBeOpened) {
    RecordingPrompts prompts;
    CPakArchive archive(&prompts);
    EXPECT_FALSE(archive.Open(m_dir.path() / "missing.pak"));
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_FALSE(archive.List());

    std::filesystem::create_directory(m_dir.path() / "folder.pak");
    EXPECT_FALSE(archive.Open(m_dir.path() / "folder.pak"));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].rfind(
                  "Cannot open file '" + (m_dir.path() / "folder.pak").string() + "': ", 0),
              0u)
        << prompts.messages[0];
}

TEST_F(PakReaderTest, NamesLongerThan259BytesAreCutWithAWarning) {
    CPakArchive archive;
    EXPECT_FALSE(OpenAndList(archive, BuildZip({{std::string(300, 'N'), "x"}, {"ok.txt", "ok"}})));
    EXPECT_EQ(archive.LastResult(), PakWarning);
    ASSERT_EQ(archive.Members().size(), 2u);
    EXPECT_EQ(archive.Members()[0].name, std::string(259, 'N'));
    EXPECT_EQ(archive.Members()[1].name, "ok.txt");
}

TEST_F(PakReaderTest, DataInFrontOfTheArchiveShiftsEveryOffsetWithAWarning) {
    std::string prefix(3000, 'S');
    CPakArchive archive;
    EXPECT_FALSE(
        OpenAndList(archive, BuildZip({{"a.txt", "alpha"}, {"b/b.txt", "beta", 8}}, {}, prefix)));
    EXPECT_EQ(archive.LastResult(), PakWarning);
    EXPECT_EQ(archive.EndRecord().extraBytes, 3000);
    EXPECT_EQ(archive.Members().size(), 2u);

    auto out = m_dir.path() / "out";
    EXPECT_FALSE(archive.Extract({}, {"a.txt", "b/b.txt"}, out));
    EXPECT_EQ(archive.LastResult(), PakWarning);
    EXPECT_EQ(ReadAll(out / "a.txt"), "alpha");
    EXPECT_EQ(ReadAll(out / "b" / "b.txt"), "beta");
}

TEST_F(PakReaderTest, TestChecksEveryMemberWithoutWritingFiles) {
    TestMember badCrc{"bad.txt", "bad", 0};
    badCrc.crc = 0x12345678;
    TestMember secret{"secret.txt", std::string(20, 's')};
    secret.flags = 1;
    TestMember tooLong{"lie.bin", std::string(5000, 'z'), 8};
    tooLong.uncompressedSize = 100;
    TestMember tooShort{"short.bin", std::string(50, 'q'), 8};
    tooShort.uncompressedSize = 0xFFFFFFF0;
    std::vector<TestMember> members{
        {"good.txt", "good", 8}, badCrc, secret, tooLong, tooShort, {"dir/", ""}};
    CPakArchive archive;
    ASSERT_TRUE(archive.Open(Write("t.zip", BuildZip(members))));
    std::vector<std::string> failing;
    EXPECT_EQ(archive.Test(&failing), PakError);
    EXPECT_EQ(failing, (std::vector<std::string>{"bad.txt", "secret.txt", "lie.bin", "short.bin"}));

    CPakArchive clean;
    ASSERT_TRUE(
        clean.Open(Write("c.zip", BuildZip({{"good.txt", "good", 8}, {"s.txt", "stored"}}))));
    failing.clear();
    EXPECT_EQ(clean.Test(&failing), PakOk);
    EXPECT_TRUE(failing.empty());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.path()), {}), 2);
}

TEST_F(PakReaderTest, UpdateRewritesTheArchiveGivenToOpen) {
    auto path = Write("u.zip", BuildZip({{"keep.txt", "keep", 8}}));
    auto source = Write("new.txt", "new member\n");
    CPakArchive archive;
    ASSERT_TRUE(archive.Open(path));
    PakAddRequest request;
    request.sourcePath = source.string();
    request.archiveName = "added/new.txt";
    ASSERT_TRUE(archive.Update(request)) << archive.LastResult();

    CPakArchive reread;
    ASSERT_TRUE(reread.Open(path));
    ASSERT_TRUE(reread.List());
    std::vector<std::string> names;
    for (const auto& m : reread.Members())
        names.push_back(m.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"added/new.txt", "keep.txt"}));
    EXPECT_EQ(reread.Test(nullptr), PakOk);
}

} // namespace
