// Archives written by everyday archivers must list and extract exactly: the
// game's modders pack their files with whatever tool they have.
#include "PakWriterTestSupport.h"

#include "pak/PakArchive.h"

#include "platform/Text.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using namespace pak_test;
namespace fs = std::filesystem;

struct Tool {
    const char* name;
    const char* program;
    const char* pack; // run inside the source tree; %s is the quoted archive path
};

const Tool kTools[] = {
    {"zip", "zip", "zip -qr %s ."},
    {"7z", "7z", "7z a -tzip -bd -bb0 %s . >/dev/null"},
    {"bsdtar", "bsdtar", "bsdtar --format zip -cf %s ."},
    {"python", "python3",
     "python3 -c \"import os,sys,zipfile\n"
     "with zipfile.ZipFile(sys.argv[1],'w') as z:\n"
     " for r,d,f in os.walk('.'):\n"
     "  for n in sorted(f):\n"
     "   p=os.path.join(r,n)[2:]\n"
     "   z.write(p,p,zipfile.ZIP_DEFLATED if n.endswith('.def') else zipfile.ZIP_STORED)\" %s"},
};

class PakToolArchivesTest : public ::testing::TestWithParam<Tool> {};

std::map<std::string, std::string> SourceTree() {
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += "{Entity \"tank/medium_tank\" 0x" + std::to_string(i) + "}\r\n";
    std::string binary;
    for (unsigned i = 0; i < 70000; ++i)
        binary.push_back(static_cast<char>((i * 2654435761u) >> 24));
    return {{"entity/tank/Medium_Tank.def", text},
            {"texture/ground.dds", binary},
            {"set/empty.set", ""},
            {"readme.txt", "plain words\n"}};
}

TEST_P(PakToolArchivesTest, EveryMemberExtractsByteForByte) {
    const Tool& tool = GetParam();
    if (!HaveTool(tool.program)) GTEST_SKIP() << tool.program << " is not installed";
    testing_support::TempDir dir;
    fs::path tree = dir.path() / "tree", archive = dir.path() / "made.zip",
             out = dir.path() / "out";
    auto files = SourceTree();
    for (const auto& [name, bytes] : files)
        WriteBytes(tree / name, bytes);

    char command[1024];
    std::snprintf(command, sizeof command, tool.pack, Quote(archive.string()).c_str());
    auto made = RunCommand("cd " + Quote(tree.string()) + " && " + command);
    ASSERT_EQ(made.exitCode, 0) << made.output;

    pak::CPakArchive pak;
    ASSERT_TRUE(pak.Open(archive));
    ASSERT_TRUE(pak.List()) << pak.LastResult();
    std::vector<std::string> names;
    for (const auto& m : pak.Members())
        names.push_back(platform::ToLowerCp1252(m.name));
    ASSERT_TRUE(pak.Extract({}, names, out)) << pak.LastResult();
    for (const auto& [name, bytes] : files)
        EXPECT_EQ(ReadBytes(out / name), bytes) << tool.name << ": " << name;
    std::vector<std::string> failing;
    EXPECT_EQ(pak.Test(&failing), pak::PakOk);
    EXPECT_TRUE(failing.empty());
}

INSTANTIATE_TEST_SUITE_P(Archivers, PakToolArchivesTest, ::testing::ValuesIn(kTools),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
