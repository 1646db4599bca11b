// Archives written by real archivers over three decades (every compression
// method, data descriptors, comments, data in front of the archive): each
// must list completely, and every member must come out byte for byte.

#include "pak/PakArchive.h"

#include "PakReaderTestSupport.h"
#include "platform/Text.h"
#include "support/TestSupport.h"

using namespace pak;
using namespace pak_reader_test;
using testing_support::TempDir;
namespace fs = std::filesystem;

namespace {

TEST(PakRealArchivesTest, EveryArchiveListsAndExtractsExactly) {
    VM_REQUIRE_SHARED_TESTDATA(shared);
    const fs::path folder = shared / "zip";
    const Json manifest = JsonReader(ReadAll(folder / "MANIFEST.json")).Parse();
    ASSERT_GE(manifest.items.size(), 30u);
    for (const Json& entry : manifest.items) {
        const std::string file = entry["file"].text;
        SCOPED_TRACE(file);
        // This one asks for a newer unzip version than pak archives may need.
        const bool tooNew = file == "sc_Zip.deflate.dd.zip";
        CPakArchive archive;
        ASSERT_TRUE(archive.Open(folder / file));
        archive.List();
        EXPECT_LE(archive.LastResult(), PakWarning);
        const auto& members = entry["members"].items;
        ASSERT_EQ(archive.Members().size(), members.size());

        std::vector<std::string> names;
        for (size_t i = 0; i < members.size(); ++i) {
            EXPECT_EQ(archive.Members()[i].name, FromHex(members[i]["name_raw_hex"].text));
            names.push_back(platform::ToLowerCp1252(archive.Members()[i].name));
        }
        TempDir out;
        archive.Extract({}, names, out.path());
        const bool shifted = entry["bytes_before_first_local_header"].number > 0 &&
                             !entry["offsets_adjusted_for_prefix"].boolean;
        EXPECT_EQ(archive.LastResult(), tooNew || shifted ? PakWarning : PakOk);
        for (const Json& m : members) {
            const std::string name = FromHex(m["name_raw_hex"].text);
            const fs::path path = MemberPath(out.path(), name);
            if (m["is_dir"].boolean) {
                EXPECT_TRUE(fs::is_directory(path)) << name;
            } else if (tooNew) {
                EXPECT_FALSE(fs::exists(path)) << name;
            } else {
                const std::string data = ReadAll(path);
                EXPECT_EQ(data.size(), static_cast<size_t>(m["uncompressed_size"].number)) << name;
                EXPECT_EQ(Crc(data), std::stoul(m["crc32"].text, nullptr, 16)) << name;
            }
        }
        std::vector<std::string> failing;
        EXPECT_EQ(archive.Test(&failing), tooNew ? PakWarning : archive.LastResult());
        EXPECT_EQ(failing.size(), tooNew ? members.size() : 0u);
    }
}

} // namespace
