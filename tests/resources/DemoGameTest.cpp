// The demo game is the fixture of every later test, so its generator is held
// to what a real installation guarantees: the same bytes on every run, archives
// that our reader and a foreign reader both accept, definition files that parse,
// and patches that really change what they override.

#include "format/DefParser.h"
#include "pak/PakArchive.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

const fs::path kGenerator =
    fs::path(__FILE__).parent_path().parent_path().parent_path() / "tools/demo-game/vm-demo-game";

const char* const kArchives[] = {"game.pak", "localize.pak", "resource/Patch/1.pat",
                                 "resource/Patch/2.pat"};

std::string Quoted(const fs::path& p) {
    return "'" + p.string() + "'";
}

bool RunGenerator(const fs::path& outDir) {
    std::string command = Quoted(kGenerator) + " " + Quoted(outDir) + " > /dev/null";
    return std::system(command.c_str()) == 0;
}

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

bool EndsWith(const std::string& s, std::string_view tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Relative path -> content of every file below root.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file())
            files[fs::relative(e.path(), root).generic_string()] = ReadAll(e.path());
    return files;
}

// Lists an archive with our reader and extracts all of it into target.
std::vector<std::string> ListAndExtract(const fs::path& archivePath, const fs::path& target) {
    pak::CPakArchive pak;
    EXPECT_TRUE(pak.Open(archivePath)) << archivePath;
    EXPECT_TRUE(pak.List()) << archivePath;
    std::vector<std::string> names;
    for (const auto& m : pak.Members())
        names.push_back(m.name);
    std::vector<std::string> lower;
    for (const auto& n : names)
        lower.push_back(Lower(n));
    EXPECT_TRUE(pak.Extract({}, lower, target)) << archivePath;
    return names;
}

// Walks a mesh file in the game's layout and returns what is wrong with it, or
// an empty text. Every later model test trusts these files, so a generator
// fault must show here rather than as a missing model in a screenshot.
std::string MeshLayoutProblem(const std::string& d) {
    size_t p = 32;
    auto u32 = [&](size_t at) {
        uint32_t v = 0;
        if (at + 4 <= d.size()) std::memcpy(&v, d.data() + at, 4);
        return v;
    };
    auto skipName = [&] { p += p < d.size() ? 1 + static_cast<unsigned char>(d[p]) : 1; };
    if (d.size() < 32) return "shorter than its header";
    if (d.compare(p, 4, "SKIN") == 0) {
        uint32_t n = u32(p + 4);
        p += 8;
        for (uint32_t i = 0; i < n; ++i)
            skipName();
    }
    uint64_t faces = 0;
    int chunks = 0;
    while (d.compare(p, 4, "MESH") == 0 && p + 20 <= d.size() &&
           (d[p + 4] == 'R' || d[p + 4] == 'B')) {
        unsigned names = static_cast<unsigned char>(d[p + 5]);
        if (names > 8) return "more than eight names in a chunk";
        faces += u32(p + 12);
        p += 20;
        for (unsigned i = 0; i < names; ++i)
            skipName();
        ++chunks;
    }
    if (chunks == 0) return "no material chunk";
    if (d.compare(p, 5, "MESHX") == 0) {
        faces += u32(p + 12);
        p += 20;
        skipName();
    }
    if (d.compare(p, 4, "VERT") != 0) return "no VERT tag where expected";
    uint32_t count = u32(p + 4), size = u32(p + 8);
    if (size != 24 && size != 36 && size != 44) return "vertex size " + std::to_string(size);
    p += 12 + uint64_t{count} * size;
    bool wide = d.compare(p, 4, "IND4") == 0;
    p += 8;
    for (uint64_t i = 0; i < faces * 3; ++i) {
        uint32_t index = 0;
        if (p + (wide ? 4 : 2) > d.size()) return "index list cut short";
        std::memcpy(&index, d.data() + p, wide ? 4 : 2);
        if (index >= count) return "index beyond the vertices";
        p += wide ? 4 : 2;
    }
    if (faces == 0 || count == 0) return "empty mesh";
    if (p + 4 != d.size()) return "trailing or missing bytes after the indices";
    return {};
}

class DemoGameTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        s_dir = new testing_support::TempDir;
        s_generated =
            RunGenerator(s_dir->path() / "first") && RunGenerator(s_dir->path() / "second");
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(s_generated) << "generator failed: " << kGenerator; }

    static fs::path Game() { return s_dir->path() / "first"; }

    inline static testing_support::TempDir* s_dir = nullptr;
    inline static bool s_generated = false;
};

TEST_F(DemoGameTest, TwoRunsWriteTheSameBytes) {
    auto first = Snapshot(s_dir->path() / "first");
    auto second = Snapshot(s_dir->path() / "second");
    ASSERT_EQ(first.size(), second.size());
    for (const auto& [name, bytes] : first) {
        ASSERT_TRUE(second.count(name)) << name;
        EXPECT_TRUE(second[name] == bytes) << name << " differs between runs";
    }
}

TEST_F(DemoGameTest, InstallationHasItsArchivesModAndGameStandIn) {
    for (const char* archive : kArchives)
        EXPECT_TRUE(fs::is_regular_file(Game() / archive)) << archive;
    auto exe = Game() / "Varnholt.exe";
    ASSERT_TRUE(fs::is_regular_file(exe));
    EXPECT_NE(fs::status(exe).permissions() & fs::perms::owner_exec, fs::perms::none);

    DefNodeList mod;
    ASSERT_TRUE(ParseDefinitionFile(Game() / "mods/demo_mod/info.mod", mod));
    ASSERT_EQ(mod.size(), 1u);
    EXPECT_EQ(mod[0]->Name(), "mod");
    for (const char* key : {"name", "desc", "version"}) {
        const char* value = mod[0]->FindValue(key);
        ASSERT_NE(value, nullptr) << key;
        EXPECT_EQ(value[0], '"') << key;
    }
}

TEST_F(DemoGameTest, EveryArchivePassesOurChecksAndPythonsZipTest) {
    for (const char* archive : kArchives) {
        pak::CPakArchive pak;
        ASSERT_TRUE(pak.Open(Game() / archive)) << archive;
        ASSERT_TRUE(pak.List()) << archive;
        EXPECT_FALSE(pak.Members().empty()) << archive;
        std::vector<std::string> failing;
        EXPECT_EQ(pak.Test(&failing), pak::PakOk) << archive;
        EXPECT_TRUE(failing.empty()) << archive << ": " << failing.front();
    }
    std::string script = "import sys, zipfile\n"
                         "for p in sys.argv[1:]:\n"
                         "    with zipfile.ZipFile(p) as z:\n"
                         "        if z.testzip() is not None: sys.exit(1)\n";
    std::string command = "python3 -c '" + script + "'";
    for (const char* archive : kArchives)
        command += " " + Quoted(Game() / archive);
    EXPECT_EQ(std::system(command.c_str()), 0);
}

TEST_F(DemoGameTest, EveryTextResourceParsesIntoNodes) {
    testing_support::TempDir unpacked;
    std::vector<std::string> names = ListAndExtract(Game() / "game.pak", unpacked.path());
    for (const char* patch : {"localize.pak", "resource/Patch/1.pat", "resource/Patch/2.pat"}) {
        auto more = ListAndExtract(Game() / patch, unpacked.path());
        names.insert(names.end(), more.begin(), more.end());
    }
    const std::string_view textKinds[] = {".def", ".set", ".reg", ".lng", ".mi",  "/map",
                                          ".mdl", ".bne", ".tex", ".ebm", ".mtl", ".fx"};
    size_t parsed = 0, definitions = 0;
    for (const auto& name : names) {
        std::string low = Lower(name);
        if (std::none_of(std::begin(textKinds), std::end(textKinds),
                         [&](std::string_view k) { return EndsWith(low, k); }))
            continue;
        DefNodeList nodes;
        EXPECT_TRUE(ParseDefinitionFile(unpacked.path() / name, nodes)) << name;
        ++parsed;
        if (EndsWith(low, ".def")) ++definitions;
    }
    EXPECT_GE(definitions, 100u);
    EXPECT_GT(parsed, definitions);
}

// The editor catalogues what it finds below these folders; each must offer
// several types so that every list of the entity bar has a choice.
TEST_F(DemoGameTest, EveryCatalogueFolderHoldsAtLeastThreeTypes) {
    pak::CPakArchive pak;
    ASSERT_TRUE(pak.Open(Game() / "game.pak"));
    ASSERT_TRUE(pak.List());
    const char* const folders[] = {"entity/landscape/map",
                                   "entity/-vehicle/tank",
                                   "entity/-vehicle/cannon",
                                   "entity/-vehicle/btr",
                                   "entity/-vehicle/car",
                                   "entity/-vehicle/marine",
                                   "entity/-vehicle/airborne",
                                   "entity/-vehicle/train",
                                   "entity/inventory/",
                                   "entity/-human/",
                                   "entity/-fauna/",
                                   "entity/construction/house",
                                   "entity/construction/hangar",
                                   "entity/construction/monastery",
                                   "entity/construction/town",
                                   "entity/construction/fence",
                                   "entity/construction/entourage",
                                   "entity/construction/cover",
                                   "entity/flora/bush",
                                   "entity/flora/tree",
                                   "entity/flora/forest_trash",
                                   "entity/flora/conifers",
                                   "entity/landscape/stamp",
                                   "entity/background/sky",
                                   "entity/landscape/patch",
                                   "entity/landscape/rock",
                                   "properties/particle",
                                   "entity/sound/",
                                   "entity/landscape/water",
                                   "entity/construction/bridge",
                                   "entity/construction/railway",
                                   "entity/construction/trash",
                                   "fx/smoke/"};
    for (const char* folder : folders) {
        size_t count = 0;
        for (const auto& m : pak.Members()) {
            std::string low = Lower(m.name);
            if (low.rfind(folder, 0) == 0 && EndsWith(low, ".def")) ++count;
        }
        EXPECT_GE(count, 3u) << folder;
    }
}

// A patch that shipped the same bytes as the base archive would hide a broken
// override order, so every patched member must differ from the original.
TEST_F(DemoGameTest, PatchesChangeEveryMemberTheyOverride) {
    testing_support::TempDir base, patch;
    ListAndExtract(Game() / "game.pak", base.path());
    for (const char* archive : {"resource/Patch/1.pat", "resource/Patch/2.pat"}) {
        size_t overriding = 0;
        for (const auto& name : ListAndExtract(Game() / archive, patch.path())) {
            if (!fs::exists(base.path() / name)) continue;
            ++overriding;
            EXPECT_TRUE(ReadAll(base.path() / name) != ReadAll(patch.path() / name))
                << archive << " ships " << name << " unchanged";
        }
        EXPECT_GT(overriding, 0u) << archive;
    }
}

TEST_F(DemoGameTest, EveryMeshFileFollowsTheGamesLayout) {
    testing_support::TempDir unpacked;
    size_t meshes = 0;
    for (const auto& name : ListAndExtract(Game() / "game.pak", unpacked.path())) {
        if (!EndsWith(Lower(name), ".ply")) continue;
        ++meshes;
        EXPECT_EQ(MeshLayoutProblem(ReadAll(unpacked.path() / name)), "") << name;
    }
    EXPECT_GT(meshes, 100u);
}

// Models, textures and sprites name their files; a name that leads nowhere
// would make later tests fail for the fixture's sake. A leading '/' starts
// from the resource folder, anything else from the naming file's folder; map
// grounds are named inside their variant folders.
TEST_F(DemoGameTest, EveryFileNamedByAResourceExists) {
    testing_support::TempDir unpacked;
    auto names = ListAndExtract(Game() / "game.pak", unpacked.path());
    const std::string_view kinds[] = {".def", ".mdl", ".bne", ".tex", ".ebm", ".mtl"};
    size_t references = 0;
    for (const auto& name : names) {
        std::string low = Lower(name);
        if (std::none_of(std::begin(kinds), std::end(kinds),
                         [&](std::string_view k) { return EndsWith(low, k); }))
            continue;
        bool isMap = low.rfind("entity/landscape/map/", 0) == 0;
        CDefFile file(unpacked.path() / name);
        std::vector<const CDefNode*> work;
        for (const auto& n : file.Nodes())
            work.push_back(n.get());
        while (!work.empty()) {
            const CDefNode* node = work.back();
            work.pop_back();
            for (const CDefNode* c : node->Children())
                work.push_back(c);
            std::string key(node->Name());
            size_t index = key == "stage" ? 1 : 0;
            static const char* const named[] = {"Extension", "Skeleton", "VolumeView",
                                                "Frame",     "Sprite",   "bone",
                                                "Heightmap", "stage",    "Sound"};
            if (std::find(std::begin(named), std::end(named), key) == std::end(named)) continue;
            const char* raw = node->GetValue(index);
            if (raw == nullptr) continue;
            std::string ref = raw;
            if (ref.size() >= 2 && ref.front() == '"') ref = ref.substr(1, ref.size() - 2);
            if (ref.find('.') == std::string::npos) continue; // bone names, not files
            if (isMap && (key == "VolumeView" || key == "Heightmap")) {
                if (ref.find(".mod/") == std::string::npos) ref = "summer.mod/" + ref;
            }
            fs::path target = ref[0] == '/' ? unpacked.path() / ref.substr(1)
                                            : (unpacked.path() / name).parent_path() / ref;
            ++references;
            EXPECT_TRUE(fs::exists(target)) << name << ": " << key << " " << ref;
        }
    }
    EXPECT_GT(references, 400u);
}

} // namespace
