#include "pak/PakWriter.h"

#include "PakWriterTestSupport.h"
#include "support/TestSupport.h"

#include <chrono>

#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace pak_test;
using pak::PakAddRequest;

namespace {

// Four members of the kinds a game archive holds, with an archive comment.
const char* const MakeArchiveScript = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w') as z:
    z.comment = b'varnholt pak'
    def add(name, data, method, attr):
        info = zipfile.ZipInfo(name, (2004, 6, 15, 12, 30, 0))
        info.compress_type = method
        info.external_attr = attr
        z.writestr(info, data)
    add('entity/tanks/tiger.def', b'{Entity tiger}\r\n' * 200, zipfile.ZIP_DEFLATED, 0xABCD1221)
    add('texture/', b'', zipfile.ZIP_STORED, 0x10)
    add('maps/m1/map', b'{Map}\r\n' * 50, zipfile.ZIP_STORED, 0x21)
    add('missions/m1.mi', b'{Mission}\r\n' * 100, zipfile.ZIP_DEFLATED, 0x20)
)";

class PakWriterTest : public ::testing::Test {
  protected:
    fs::path Path(const std::string& name) const { return m_dir.path() / name; }

    fs::path MakeArchive(const std::string& name = "game.pak") {
        fs::path archive = Path(name);
        auto r = Python(m_dir.path(), MakeArchiveScript, Quote(archive.string()));
        EXPECT_EQ(r.exitCode, 0) << r.output;
        return archive;
    }

    fs::path MakeSource(const std::string& name, const std::string& data) {
        fs::path source = Path("src") / name;
        WriteBytes(source, data);
        return source;
    }

    static bool Update(const fs::path& archive, const fs::path& source,
                       std::optional<std::string> archiveName, int* grade = nullptr,
                       bool keepPath = true, bool dosMode = false) {
        PakAddRequest request;
        request.sourcePath = source.string();
        request.archiveName = std::move(archiveName);
        request.keepPath = keepPath;
        request.dosMode = dosMode;
        return pak::UpdatePakArchive(archive, request, grade);
    }

    RawArchive Parse(const fs::path& archive) {
        auto raw = ParseRaw(ReadBytes(archive));
        EXPECT_TRUE(raw.has_value()) << archive;
        return raw.value_or(RawArchive{});
    }

    size_t FilesInFolder() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(m_dir.path()), {}));
    }

    testing_support::TempDir m_dir;
};

TEST_F(PakWriterTest, ReplacingAMemberKeepsEveryOtherMemberIntact) {
    auto archive = MakeArchive();
    RawArchive before = Parse(archive);
    std::string mission = "{Mission edited}\r\n";
    ASSERT_TRUE(Update(archive, MakeSource("m1.mi", mission), "missions\\m1.mi"));

    RawArchive after = Parse(archive);
    ASSERT_EQ(after.members.size(), before.members.size());
    EXPECT_EQ(after.comment, "varnholt pak");
    for (size_t i = 0; i < before.members.size(); ++i) {
        const RawMember& old = before.members[i];
        const RawMember& now = after.members[i];
        ASSERT_EQ(now.name, old.name) << "order is kept";
        if (old.name == "missions/m1.mi") continue;
        EXPECT_EQ(now.localRecord, old.localRecord) << old.name;
        EXPECT_EQ(now.central, old.central) << old.name;
    }
    const RawMember* replaced = FindMember(after, "missions/m1.mi");
    EXPECT_EQ(replaced->crc, Crc(mission));
    EXPECT_EQ(replaced->uncompressedSize, mission.size());
    EXPECT_EQ(replaced->method, 8);
    EXPECT_EQ(FilesInFolder(), 3u) << "no temporary file is left behind";
}

TEST_F(PakWriterTest, NewMembersCarryTheSourcesTimeAttributesAndVersions) {
    auto archive = MakeArchive();
    auto source = MakeSource("new.def", std::string(5000, 'x'));
    // 2021-03-04 05:06:08 UTC; DOS fields hold it as UTC wall time.
    fs::last_write_time(source, std::chrono::file_clock::from_sys(
                                    std::chrono::sys_seconds{std::chrono::seconds{1614834368}}));
    auto readOnly = MakeSource("ro.txt", "locked");
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read);

    ASSERT_TRUE(Update(archive, source, "added/new.def"));
    ASSERT_TRUE(Update(archive, readOnly, "added/ro.txt", nullptr, true, true));

    RawArchive raw = Parse(archive);
    ASSERT_EQ(raw.members.size(), 6u);
    const RawMember& added = raw.members[4];
    EXPECT_EQ(added.name, "added/new.def");
    EXPECT_EQ(added.versionMadeBy, 2 | (11 << 8));
    EXPECT_EQ(added.versionNeeded, 20);
    EXPECT_EQ(added.flags, 0);
    EXPECT_EQ(added.dosDate, ((2021 - 1980) << 9) | (3 << 5) | 4);
    EXPECT_EQ(added.dosTime, (5 << 11) | (6 << 5) | 4);
    EXPECT_EQ(added.externalAttributes, 0x20u);
    EXPECT_EQ(added.internalAttributes, 0x20);
    // The local header was finished in place: same CRC and sizes as the directory, no
    // descriptor.
    EXPECT_EQ(U16(added.localRecord, 6), 0);
    EXPECT_EQ(U32(added.localRecord, 14), added.crc);
    EXPECT_EQ(U32(added.localRecord, 18), added.compressedSize);
    EXPECT_EQ(added.localRecord.size(), 30 + added.name.size() + added.compressedSize);

    const RawMember& dos = raw.members[5];
    EXPECT_EQ(dos.versionMadeBy, 20);
    EXPECT_EQ(dos.externalAttributes, 0x21u);
}

TEST_F(PakWriterTest, ReplacedMemberDropsStaleExtrasButKeepsHighAttributeBitsAndComment) {
    std::string data = "old";
    std::string z;
    // One member with an extra field and a comment, high attribute bits set.
    P32(z, 0x04034B50), P16(z, 10), P16(z, 0), P16(z, 0), P32(z, 0), P32(z, Crc(data)), P32(z, 3),
        P32(z, 3), P16(z, 5), P16(z, 8);
    z += "a.txt" + std::string("UT\x04\0abcd", 8) + data;
    std::string central;
    P32(central, 0x02014B50), P16(central, 0x31E), P16(central, 10), P16(central, 0),
        P16(central, 0), P32(central, 0), P32(central, Crc(data)), P32(central, 3), P32(central, 3),
        P16(central, 5), P16(central, 8), P16(central, 4), P32(central, 0),
        P32(central, 0x81A41201), P32(central, 0);
    central += "a.txt" + std::string("UT\x04\0abcd", 8) + "note";
    std::string end;
    P32(end, 0x06054B50), P32(end, 0), P16(end, 1), P16(end, 1), P32(end, uint32_t(central.size())),
        P32(end, uint32_t(z.size())), P16(end, 0);
    auto archive = Path("x.pak");
    WriteBytes(archive, z + central + end);

    ASSERT_TRUE(Update(archive, MakeSource("a.txt", "new data"), "a.txt"));
    RawArchive raw = Parse(archive);
    const RawMember& m = raw.members.at(0);
    EXPECT_TRUE(m.localExtra.empty());
    EXPECT_TRUE(m.centralExtra.empty());
    EXPECT_EQ(m.externalAttributes, 0x1220u);
    EXPECT_EQ(m.central.substr(m.central.size() - 4), "note");
}

TEST_F(PakWriterTest, StoredNameFollowsKeepPathAndLosesItsRoot) {
    struct Case {
        std::optional<std::string> archiveName;
        bool keepPath;
        std::string stored;
    };
    auto source = MakeSource("file.txt", "data");
    std::string sourceName = source.string().substr(1);
    const Case cases[] = {
        {"missions\\m2\\m2.mi", true, "missions/m2/m2.mi"},
        {"C:\\Games\\pak\\x.txt", true, "Games/pak/x.txt"},
        {"\\\\server\\share\\dir\\y.txt", true, "dir/y.txt"},
        {"/abs/z.txt", true, "abs/z.txt"},
        {"deep\\dir/only.txt", false, "only.txt"},
        {std::nullopt, true, sourceName},
        {"C:\\dir\\a.txt", true, "dir/a.txt"}, // replaces the member added first
    };
    auto archive = MakeArchive();
    ASSERT_TRUE(Update(archive, source, "dir/a.txt"));
    size_t expected = 5;
    for (const auto& c : cases) {
        ASSERT_TRUE(Update(archive, source, c.archiveName, nullptr, c.keepPath)) << c.stored;
        if (c.stored != "dir/a.txt") ++expected;
        RawArchive raw = Parse(archive);
        EXPECT_EQ(raw.members.size(), expected);
        EXPECT_NE(FindMember(raw, c.stored), nullptr) << c.stored;
    }
}

TEST_F(PakWriterTest, MethodDependsOnSizeAndExactCaseArchiveSuffix) {
    auto archive = MakeArchive();
    std::string text(4096, 'a');
    ASSERT_TRUE(Update(archive, MakeSource("readme.zip", text), "docs/readme.zip"));
    ASSERT_TRUE(Update(archive, MakeSource("README.ZIP", text), "docs/README.ZIP"));
    ASSERT_TRUE(Update(archive, MakeSource("old.Z", text), "docs/old.Z"));
    ASSERT_TRUE(Update(archive, MakeSource("empty.txt", ""), "docs/empty.txt"));

    RawArchive raw = Parse(archive);
    EXPECT_EQ(FindMember(raw, "docs/readme.zip")->method, 0);
    EXPECT_EQ(FindMember(raw, "docs/readme.zip")->versionNeeded, 10);
    EXPECT_EQ(FindMember(raw, "docs/README.ZIP")->method, 8);
    EXPECT_EQ(FindMember(raw, "docs/old.Z")->method, 0);
    const RawMember* empty = FindMember(raw, "docs/empty.txt");
    EXPECT_EQ(empty->method, 0);
    EXPECT_EQ(empty->crc, 0u);
    EXPECT_EQ(empty->compressedSize, 0u);
    EXPECT_EQ(empty->uncompressedSize, 0u);
}

TEST_F(PakWriterTest, DescriptorsPrefixesAndDuplicatesAreRewrittenFaithfully) {
    ZipBuilder b;
    b.Add({"dd_sig.txt", "with signature\n", true, true});
    b.Add({"dd_nosig.txt", "without signature\n", true, false});
    b.Add({"twice.txt", "first\n"});
    b.Add({"twice.txt", "second\n"});
    b.SetComment("kept");
    std::string stub = "MZ stub PK\x03\x04 PK\x01\x02 not an archive\n";
    auto archive = Path("x.pak");
    WriteBytes(archive, stub + b.Build());
    RawArchive before = Parse(archive);
    ASSERT_EQ(before.prefix, stub.size());

    ASSERT_TRUE(Update(archive, MakeSource("t.txt", "third\n"), "twice.txt"));
    std::string bytes = ReadBytes(archive);
    EXPECT_EQ(bytes.substr(0, stub.size()), stub);
    RawArchive after = Parse(archive);
    EXPECT_EQ(after.prefix, 0u) << "offsets now count the stub";
    ASSERT_EQ(after.members.size(), 4u);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(after.members[i].localRecord, before.members[i].localRecord);
    EXPECT_EQ(after.members[2].crc, Crc("third\n"));
    EXPECT_EQ(after.members[3].crc, Crc("third\n"));
    EXPECT_EQ(after.comment, "kept");
}

TEST_F(PakWriterTest, EmptyArchiveReceivesItsFirstMember) {
    auto archive = Path("empty.pak");
    WriteBytes(archive, ZipBuilder().Build());
    ASSERT_TRUE(Update(archive, MakeSource("a.txt", "a"), "a.txt"));
    RawArchive raw = Parse(archive);
    ASSERT_EQ(raw.members.size(), 1u);
    EXPECT_EQ(raw.members[0].offset, 0u);
}

TEST_F(PakWriterTest, ArchivePermissionsAndLinksSurviveTheUpdate) {
    auto archive = MakeArchive();
    fs::permissions(archive, fs::perms::owner_read | fs::perms::group_read);
    auto link = Path("link.pak");
    fs::create_symlink(archive, link);
    ASSERT_TRUE(Update(link, MakeSource("a.txt", "a"), "a.txt"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Parse(archive).members.size(), 5u);
    EXPECT_EQ(fs::status(archive).permissions(), fs::perms::owner_read | fs::perms::group_read);
}

// Every way an update can fail must leave the archive exactly as it was.
TEST_F(PakWriterTest, FailedUpdatesLeaveTheArchiveByteIdentical) {
    ZipBuilder b;
    b.Add({"one.txt", "first member\n"});
    b.Add({"two.txt", "second member\n", true, false});
    const std::string good = b.Build();
    const size_t directory = U32(good, good.size() - 6);
    const size_t second = 30 + 7 + 13;
    auto patched = [&](size_t at, const std::string& bytes) {
        std::string z = good;
        z.replace(at, bytes.size(), bytes);
        return z;
    };
    auto le32 = [](uint32_t v) {
        std::string s;
        P32(s, v);
        return s;
    };
    ZipBuilder d;
    d.Add({"one.txt", "first\n"});
    d.Add({"one.txt", "again\n"});
    const std::string dupes = d.Build();
    const size_t dupesDirectory = U32(dupes, dupes.size() - 6);
    auto source = MakeSource("new.txt", "new");
    struct Case {
        const char* what;
        std::string archive;
        fs::path source;
        std::optional<std::string> name;
        int grade;
    };
    const Case cases[] = {
        {"source missing", good, Path("src/none.txt"), "n.txt", pak::PakError},
        {"source is a folder", good, Path("src"), "n.txt", pak::PakError},
        {"no source named", good, fs::path(), "n.txt", pak::PakError},
        {"name is only a root", good, source, "C:\\", pak::PakError},
        {"not an archive", std::string(5000, 'x'), source, "n.txt", pak::PakNotZip},
        {"directory cut short", good.substr(0, directory + 50) + good.substr(good.size() - 22),
         source, "n.txt", pak::PakError},
        {"end record counts one entry", patched(good.size() - 14, std::string("\1\0\1\0", 4)),
         source, "n.txt", pak::PakBadFormat},
        {"end record counts 65535 entries", patched(good.size() - 14, "\xFF\xFF\xFF\xFF"), source,
         "n.txt", pak::PakBadFormat},
        {"local name differs", patched(30, "ONE"), source, "n.txt", pak::PakBadFormat},
        {"member runs into the directory", patched(directory + 20, le32(0x7FFFFFF0)), source,
         "n.txt", pak::PakBadFormat},
        {"local extra field runs past the end", patched(second + 28, "\xFF\xFF"), source, "n.txt",
         pak::PakUnexpectedEof},
        {"second header names the first member", patched(directory + 46 + 7 + 42, le32(0)), source,
         "n.txt", pak::PakBadFormat},
        {"members overlap",
         dupes.substr(0, dupesDirectory + 46 + 7 + 42) + le32(0) +
             dupes.substr(dupesDirectory + 46 + 7 + 46),
         source, "n.txt", pak::PakBadFormat},
        {"descriptor does not match", patched(second + 30 + 7 + 14, "XXXX"), source, "n.txt",
         pak::PakBadFormat},
        {"multi-volume", patched(good.size() - 18, std::string("\1\0", 2)), source, "n.txt",
         pak::PakMultiVolume},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto archive = Path("bad.pak");
        WriteBytes(archive, c.archive);
        size_t files = FilesInFolder();
        int grade = -1;
        EXPECT_FALSE(Update(archive, c.source, c.name, &grade));
        EXPECT_EQ(grade, c.grade);
        EXPECT_EQ(ReadBytes(archive), c.archive);
        EXPECT_EQ(FilesInFolder(), files);
    }
    int grade = -1;
    EXPECT_FALSE(Update(Path("absent.pak"), source, "n.txt", &grade));
    EXPECT_FALSE(fs::exists(Path("absent.pak")));
}

TEST_F(PakWriterTest, UnwritableFolderFailsAndKeepsTheArchive) {
    auto folder = Path("locked");
    fs::create_directories(folder);
    auto archive = folder / "game.pak";
    WriteBytes(archive, ZipBuilder().Build());
    auto source = MakeSource("a.txt", "a");
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    // The super-user writes anywhere; an immutable folder stops even it.
    bool immutable =
        ::geteuid() == 0 && RunCommand("chattr +i " + Quote(folder.string())).exitCode == 0;
    struct Unlock {
        fs::path folder;
        bool immutable;
        ~Unlock() {
            if (immutable) RunCommand("chattr -i " + Quote(folder.string()));
            fs::permissions(folder, fs::perms::owner_all);
        }
    } unlock{folder, immutable};
    if (::geteuid() == 0 && !immutable) GTEST_SKIP() << "cannot make a folder unwritable";

    int grade = -1;
    EXPECT_FALSE(Update(archive, source, "a.txt", &grade));
    EXPECT_EQ(grade, pak::PakCannotWrite);
    EXPECT_EQ(ReadBytes(archive), ZipBuilder().Build());
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1);
}

// Sizes are 32-bit fields: a source or a result beyond them is refused before anything is
// written. Sparse files keep these checks quick.
TEST_F(PakWriterTest, SizesBeyondFourGigabytesAreRefused) {
    auto archive = MakeArchive();
    std::string before = ReadBytes(archive);
    auto huge = Path("src/huge.bin");
    WriteBytes(huge, "");
    fs::resize_file(huge, (uint64_t(1) << 32) + 1);
    EXPECT_FALSE(Update(archive, huge, "huge.bin"));
    EXPECT_EQ(ReadBytes(archive), before);

    // One stored member of nearly 4 GB; adding 8 KB stored would push the directory past
    // the 32-bit offsets.
    const uint32_t size = 0xFFFFF000;
    std::string header;
    P32(header, 0x04034B50), P16(header, 10), P16(header, 0), P16(header, 0), P32(header, 0),
        P32(header, 0), P32(header, size), P32(header, size), P16(header, 5), P16(header, 0);
    header += "b.bin";
    std::string tail;
    P32(tail, 0x02014B50), P16(tail, 10), P16(tail, 10), P16(tail, 0), P16(tail, 0), P32(tail, 0),
        P32(tail, 0), P32(tail, size), P32(tail, size), P16(tail, 5), P16(tail, 0), P16(tail, 0),
        P32(tail, 0), P32(tail, 0), P32(tail, 0);
    tail += "b.bin";
    const uint64_t directory = header.size() + uint64_t(size);
    P32(tail, 0x06054B50), P32(tail, 0), P16(tail, 1), P16(tail, 1), P32(tail, 51),
        P32(tail, uint32_t(directory)), P16(tail, 0);
    auto big = Path("big.pak");
    WriteBytes(big, header);
    fs::resize_file(big, directory);
    {
        std::ofstream out(big, std::ios::binary | std::ios::app);
        out << tail;
    }
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Update(big, MakeSource("more.zip", std::string(8192, 'm')), "more.zip"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(fs::file_size(big), directory + tail.size());
    EXPECT_EQ(FilesInFolder(), 4u);
}

} // namespace
