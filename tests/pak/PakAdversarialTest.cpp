// Runs every hostile and odd archive of the shared adversarial corpus the way
// the resource loader does (Open, List, select every listed name lower-cased,
// Extract) and checks grades, the files written and that nothing escaped.

#include "pak/PakArchive.h"

#include "PakReaderTestSupport.h"
#include "platform/Text.h"
#include "support/TestSupport.h"

#include <cstdio>
#include <functional>
#include <set>

using namespace pak;
using namespace pak_reader_test;
using testing_support::TempDir;
namespace fs = std::filesystem;

namespace {

std::string TextBlob(int lines, const std::string& tag) {
    std::string out;
    char buf[128];
    for (int i = 0; i < lines; ++i) {
        std::snprintf(buf, sizeof buf,
                      "%s line %04d: pak archive test data, not a real game file.\r\n", tag.c_str(),
                      i);
        out += buf;
    }
    return out;
}

std::string ShrinkText() {
    std::string out;
    char buf[128];
    for (int i = 0; i < 300; ++i) {
        std::snprintf(buf, sizeof buf,
                      "line %05d: the quick brown fox jumps over the lazy dog %d\n", i, i * i % 97);
        out += buf;
    }
    return out;
}

const std::string kOk = "canary\n";
const std::string kOkAfter = "canary after\n";

using Files = std::vector<std::pair<std::string, std::string>>;
using Check = std::function<void(const fs::path& target, const CPakArchive& archive)>;

struct Row {
    const char* id;
    const char* file;
    int listGrade; // List is true exactly when this is PakOk
    int extractGrade;
    Files files; // written byte-exact below the target
    std::vector<std::string> absent;
    Check extra;
    bool update = false; // also add a member with Update and read the result back
};

void PrintTo(const Row& row, std::ostream* os) {
    *os << row.id << " " << row.file;
}

Files WithCanaries(Files files = {}) {
    files.insert(files.begin(), {"ok.txt", kOk});
    files.push_back({"ok_after.txt", kOkAfter});
    return files;
}

std::vector<Row> Rows() {
    const Files canaries = WithCanaries();
    std::string blob;
    for (int r = 0; r < 4; ++r)
        for (int i = 0; i < 256; ++i)
            blob += char(i);
    auto noFiles = [](const fs::path& target, const CPakArchive&) {
        EXPECT_TRUE(!fs::exists(target) || fs::is_empty(target));
    };
    return {
        {"Z01",
         "control.zip",
         PakOk,
         PakOk,
         {{"readme.txt", TextBlob(40, "readme")},
          {"data/sub/blob.bin", blob},
          {"data/empty.txt", ""},
          {"ok.txt", kOk}},
         {},
         [](const fs::path&, const CPakArchive& a) { EXPECT_EQ(a.Members().size(), 4u); }},
        {"Z02", "trav_dotdot.zip", PakOk, PakError, canaries, {}, {}},
        {"Z03", "trav_dotdot_mid.zip", PakOk, PakError, canaries, {"a"}, {}},
        {"Z04", "trav_backslash.zip", PakOk, PakError, canaries, {}, {}},
        {"Z05", "trav_abs_etc.zip", PakOk, PakError, canaries, {"etc"}, {}},
        {"Z06", "trav_drive.zip", PakOk, PakError, canaries, {}, {}},
        {"Z07", "trav_unc.zip", PakOk, PakError, canaries, {"server"}, {}},
        {"Z08", "trav_mixed_sep.zip", PakOk, PakError, canaries, {"sub"}, {}},
        {"Z09",
         "deep_nesting.zip",
         PakOk,
         PakOk,
         WithCanaries({{[] {
                            std::string n;
                            for (int i = 0; i < 120; ++i)
                                n += "d/";
                            return n + "deep.txt";
                        }(),
                        "deep\n"}}),
         {},
         {}},
        // A 259-byte file name is longer than this file system allows: refused
        // as an error for that member alone.
        {"Z10",
         "name_300.zip",
         PakWarning,
         PakError,
         canaries,
         {},
         [](const fs::path&, const CPakArchive& a) {
             EXPECT_EQ(a.Members()[1].name, std::string(259, 'N'));
         }},
        {"Z11",
         "case_dupes.zip",
         PakOk,
         PakOk,
         WithCanaries({{"Entity/A.def", "lower\n"}}),
         {"entity"},
         [](const fs::path& t, const CPakArchive&) {
             EXPECT_EQ(std::distance(fs::recursive_directory_iterator(t), {}), 4);
         }},
        {"Z12", "name_nul.zip", PakOk, PakWarning, canaries, {"nul"}, {}},
        {"Z13", "name_ctrl.zip", PakOk, PakWarning, canaries, {}, {}},
        {"Z14", "dir_file_clash.zip", PakOk, PakError, WithCanaries({{"node", "F\n"}}), {}, {}},
        {"Z15",
         "bomb_1000x.zip",
         PakOk,
         PakOk,
         WithCanaries({{"zeros.bin", std::string(10 << 20, '\0')}}),
         {},
         {}},
        {"Z16",
         "size_lie_small.zip",
         PakOk,
         PakError,
         canaries,
         {},
         [](const fs::path& t, const CPakArchive&) {
             EXPECT_LE(fs::file_size(t / "lie.bin"), 1000u);
         }},
        {"Z17",
         "size_decl_huge.zip",
         PakOk,
         PakError,
         WithCanaries({{"huge.txt", TextBlob(2, "huge").substr(0, 100)}}),
         {},
         {}},
        {"Z18",
         "crc_bad.zip",
         PakOk,
         PakError,
         {{"good1.txt", "good one\n"},
          {"badcrc.txt", "this member's stored CRC is wrong\n"},
          {"good2.txt", "good two\n"}},
         {},
         {}},
        {"Z19", "trunc_in_cd.zip", PakNotZip, PakNotZip, {}, {}, noFiles},
        {"Z20", "trunc_in_local.zip", PakNotZip, PakNotZip, {}, {}, noFiles},
        {"Z21", "trunc_in_data.zip", PakNotZip, PakNotZip, {}, {}, noFiles},
        {"Z22",
         "eocd_entries_more.zip",
         PakBadFormat,
         PakBadFormat,
         {},
         {},
         [](const fs::path&, const CPakArchive& a) { EXPECT_EQ(a.Members().size(), 2u); }},
        {"Z23", "cd_offset_past_eof.zip", PakError, PakError, canaries, {}, {}},
        {"Z24", "extra_bytes_negative.zip", PakError, PakError, canaries, {}, {}},
        {"Z25",
         "prepended_stub.zip",
         PakWarning,
         PakWarning,
         {{"alpha.txt", TextBlob(20, "alpha")},
          {"beta/beta.txt", TextBlob(20, "beta")},
          {"ok.txt", kOk}},
         {},
         {},
         true},
        {"Z26", "comment_fake_eocd.zip", PakOk, PakOk, canaries, {}, {}},
        {"Z27",
         "overlap_two_central.zip",
         PakOk,
         PakBadFormat,
         {{"a.txt", "AAAA\n"}},
         {"b.txt"},
         {}},
        {"Z28", "local_name_mismatch.zip", PakOk, PakBadFormat, canaries, {"safe.txt"}, {}},
        {"Z29",
         "encrypted.zip",
         PakOk,
         PakWarning,
         canaries,
         {"secret.txt"},
         [](const fs::path&, const CPakArchive& a) {
             EXPECT_EQ(a.Totals().compressed,
                       a.Members()[0].compressedSize + 20 + a.Members()[2].compressedSize);
         }},
        {"Z30",
         "methods_unsupported.zip",
         PakOk,
         PakWarning,
         canaries,
         {"method07.bin", "method09.bin", "method12.bin", "method14.bin", "method99.bin"},
         {}},
        {"Z31",
         "shrink_valid.zip",
         PakOk,
         PakOk,
         WithCanaries({{"shrunk.txt", ShrinkText()}}),
         {},
         {}},
        {"Z32", "shrink_bad.zip", PakOk, PakError, canaries, {}, {}},
        {"Z33", "implode_tree_overflow.zip", PakOk, PakError, canaries, {}, {}},
        {"Z34", "multivolume.zip", PakMultiVolume, PakMultiVolume, {}, {}, noFiles},
        {"Z35", "empty_archive.zip", PakWarning, PakNoFiles, {}, {}, noFiles, true},
        {"Z36",
         "dd_with_sig.zip",
         PakOk,
         PakOk,
         {{"dd_one.txt", TextBlob(25, "one")},
          {"dd_two.txt", TextBlob(25, "two")},
          {"ok.txt", kOk}},
         {},
         {},
         true},
        {"Z37",
         "dd_no_sig.zip",
         PakOk,
         PakOk,
         {{"dd_one.txt", TextBlob(25, "one")},
          {"dd_two.txt", TextBlob(25, "two")},
          {"ok.txt", kOk}},
         {},
         {},
         true},
        {"Z38", "zero_bytes.zip", PakNotZip, PakNotZip, {}, {}, noFiles},
        {"Z39", "random_4k.bin", PakNotZip, PakNotZip, {}, {}, noFiles},
        {"Z40",
         "eocd_straddle_2048.zip",
         PakOk,
         PakOk,
         {{"small.txt", "small\n"}, {"ok.txt", kOk}},
         {},
         [](const fs::path& t, const CPakArchive&) {
             EXPECT_TRUE(fs::is_regular_file(t / "filler.bin"));
         }},
        {"Z41",
         "trailing_junk_70k.zip",
         PakOk,
         PakOk,
         {{"before_junk.txt", TextBlob(10, "junk")}, {"ok.txt", kOk}},
         {},
         {}},
        {"Z42",
         "attr_readonly_dup.zip",
         PakOk,
         PakOk,
         {{"ro.txt", "v2\n"}},
         {},
         [](const fs::path& t, const CPakArchive&) {
             const auto anyWrite =
                 fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
             EXPECT_EQ(fs::status(t / "ro.txt").permissions() & anyWrite, fs::perms::none);
         }},
    };
}

// No file or folder named like the hostile members exists outside the target.
void ExpectNothingEscaped(const fs::path& sandbox, const fs::path& target) {
    for (auto it = fs::recursive_directory_iterator(sandbox);
         it != fs::recursive_directory_iterator(); ++it) {
        if (it->path() == target) {
            it.disable_recursion_pending();
            continue;
        }
        EXPECT_EQ(it->path().filename().string().find("ESCAPED"), std::string::npos) << it->path();
    }
    for (const auto& root : {fs::path("/"), fs::path("/etc"), fs::temp_directory_path()}) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(root, ec))
            EXPECT_EQ(entry.path().filename().string().find("ESCAPED"), std::string::npos)
                << entry.path();
    }
}

std::vector<std::string> LowerNames(const CPakArchive& archive) {
    std::vector<std::string> names;
    for (const auto& m : archive.Members())
        names.push_back(platform::ToLowerCp1252(m.name));
    return names;
}

class PakAdversarialTest : public ::testing::TestWithParam<Row> {};

TEST_P(PakAdversarialTest, BehavesAsTheCorpusRequires) {
    VM_REQUIRE_SHARED_TESTDATA(shared);
    const Row& row = GetParam();
    const fs::path archivePath = shared / "adversarial" / "zip" / row.file;
    ASSERT_TRUE(fs::exists(archivePath));
    TempDir sandbox;
    const fs::path target = sandbox.path() / "target";
    fs::create_directories(sandbox.path() / "cwd");
    const fs::path saved = fs::current_path();
    fs::current_path(sandbox.path() / "cwd");

    CPakArchive archive;
    EXPECT_TRUE(archive.Open(archivePath));
    EXPECT_EQ(archive.List(), row.listGrade == PakOk);
    EXPECT_EQ(archive.LastResult(), row.listGrade);
    EXPECT_EQ(archive.Extract({}, LowerNames(archive), target), row.extractGrade == PakOk);
    EXPECT_EQ(archive.LastResult(), row.extractGrade);
    fs::current_path(saved);

    for (const auto& [name, content] : row.files) {
        auto path = MemberPath(target, name);
        ASSERT_TRUE(fs::is_regular_file(path)) << name;
        EXPECT_TRUE(ReadAll(path) == content) << name << " differs";
    }
    for (const auto& name : row.absent)
        EXPECT_FALSE(fs::exists(MemberPath(target, name))) << name;
    if (row.extra) row.extra(target, archive);
    ExpectNothingEscaped(sandbox.path(), target);

    if (!row.update) return;
    // The writer works on a copy; what it leaves must read back completely.
    const fs::path copy = sandbox.path() / "copy.zip";
    fs::copy_file(archivePath, copy);
    const std::string before = ReadAll(copy);
    WriteAll(sandbox.path() / "added.txt", "added by the test\n");
    CPakArchive writer;
    ASSERT_TRUE(writer.Open(copy));
    PakAddRequest request;
    request.sourcePath = (sandbox.path() / "added.txt").string();
    request.archiveName = "added/added.txt";
    if (!writer.Update(request)) {
        EXPECT_EQ(ReadAll(copy), before) << "a failed update must leave the archive as it was";
        return;
    }
    CPakArchive reread;
    ASSERT_TRUE(reread.Open(copy));
    reread.List();
    EXPECT_LE(reread.LastResult(), PakWarning);
    const fs::path again = sandbox.path() / "again";
    reread.Extract({}, LowerNames(reread), again);
    EXPECT_LE(reread.LastResult(), PakWarning);
    Files expected = row.files;
    expected.push_back({"added/added.txt", "added by the test\n"});
    for (const auto& [name, content] : expected)
        EXPECT_TRUE(ReadAll(MemberPath(again, name)) == content) << name;
}

INSTANTIATE_TEST_SUITE_P(Zip, PakAdversarialTest, ::testing::ValuesIn(Rows()),
                         [](const ::testing::TestParamInfo<Row>& info) {
                             return std::string(info.param.id);
                         });

TEST(PakAdversarialCorpus, EveryZipRowOfTheManifestHasACase) {
    VM_REQUIRE_SHARED_TESTDATA(shared);
    std::set<std::string> covered;
    for (const auto& row : Rows())
        covered.insert(row.file);
    std::string tsv = ReadAll(shared / "adversarial" / "manifest.tsv");
    size_t pos = 0;
    int rows = 0;
    while ((pos = tsv.find("\tzip\tzip/", pos)) != std::string::npos) {
        pos += 9;
        std::string file = tsv.substr(pos, tsv.find('\t', pos) - pos);
        EXPECT_TRUE(covered.count(file)) << file;
        ++rows;
    }
    EXPECT_GE(rows, 42);
}

} // namespace
