#include "document/DocExport.h"

#include "document/EnvironmentPresets.h"
#include "document/VarnholtMapEditorDoc.h"
#include "format/DefGuard.h"
#include "format/DefParser.h"
#include "pak/PakArchive.h"
#include "platform/Files.h"
#include "platform/Prompts.h"
#include "platform/Text.h"

#include <algorithm>
#include <cmath>

namespace fs = std::filesystem;

namespace document {

namespace {

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

// The first value of the child of that name, without its first and last
// characters (the quotes).
std::string InnerText(const CDefNode& node, const char* child) {
    const CDefNode* c = node.FindChild(child);
    const char* v = c ? c->GetValue(0) : nullptr;
    std::string text = v ? v : "";
    return text.size() >= 2 ? text.substr(1, text.size() - 2) : std::string();
}

CDefNode* AddNamed(CDefNode* parent, std::string_view name, const std::string* value = nullptr) {
    auto node = std::make_unique<CDefNode>();
    if (value)
        node->Assign(name, {*value});
    else
        node->Assign(name, {});
    return parent->AppendChild(std::move(node));
}

CDefNode* AddText(CDefNode* parent, std::string_view name, std::string_view text) {
    std::string quoted = Quoted(text);
    return AddNamed(parent, name, &quoted);
}

std::string WriteNodes(const DefNodeList& nodes) {
    format::StringSink sink;
    for (const auto& node : nodes)
        node->WriteNode(sink);
    return sink.text;
}

// Writes a file of the mod completely or not at all, making its folders.
bool WriteModFile(const fs::path& target, std::string_view bytes) {
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    return platform::WriteFileAtomically(target, bytes);
}

void Tell(platform::Prompts* prompts, std::string_view text,
          platform::Icon icon = platform::Icon::Warning) {
    if (prompts) prompts->Message(text, icon);
}

// The custom environment presets an export hands on to the game.
fs::path CustomPresets(const ExportPaths& paths) {
    return CustomPresetLocation::In(paths.userDataDir, paths.editorDir).FileToRead();
}

// ": <why>" from the first problem the archive noted, or empty.
std::string PakReason(const pak::CPakArchive& pak) {
    for (const pak::PakProblem& problem : pak.Problems())
        if (!problem.reason.empty())
            return ": " +
                   (problem.name.empty() ? problem.reason : problem.name + ": " + problem.reason);
    return {};
}

void TellWriteFailed(platform::Prompts* prompts, const fs::path& path) {
    Tell(prompts, "Failed to save the file '" + path.string() + "'.", platform::Icon::Error);
}

} // namespace

// --- mods ------------------------------------------------------------------------------

std::vector<ExistingMod> ListExistingMods(const std::string& gamePath) {
    std::vector<ExistingMod> mods;
    std::error_code ec;
    fs::path folder = fs::path(gamePath) / "mods";
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_directory(ec)) continue;
        fs::path info = it->path() / "info.mod";
        if (!fs::is_regular_file(info, ec)) continue;
        ExistingMod mod;
        mod.folder = it->path().filename().string();
        CDefFile file(info);
        for (const auto& node : file.Nodes()) {
            mod.title = InnerText(*node, "name");
            mod.description = InnerText(*node, "desc");
            mod.version = InnerText(*node, "version");
            break;
        }
        mods.push_back(std::move(mod));
    }
    std::sort(mods.begin(), mods.end(),
              [](const auto& a, const auto& b) { return a.folder < b.folder; });
    return mods;
}

void ApplyModDefaults(ModInfo& info) {
    if (info.description.empty()) info.description = "Description here";
    if (info.name.empty()) info.name = "unknown";
    if (info.title.empty()) info.title = "unknown";
    if (info.version.empty()) info.version = "1.0.0.0";
}

bool ValidModName(std::string_view name) {
    if (name.empty() || name == "." || name == ".." || name.size() > 200) return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F ||
            std::string_view("/\\:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos)
            return false;
    // Windows drops trailing dots and spaces, which would put the mod in another folder.
    return name.back() != '.' && name.back() != ' ' && name.front() != ' ';
}

std::string CheckModInfo(const ModInfo& info) {
    // Each of them is written between quotes: the name as the registry's
    // key, the others into info.mod and the mission texts.
    for (const std::string* text : {&info.name, &info.title, &info.version, &info.description})
        if (std::string problem = format::CheckQuotedText(*text); !problem.empty()) return problem;
    if (!info.name.empty() && !ValidModName(info.name))
        return "The mod name '" + info.name +
               "' cannot be used as a folder name.\nUse a name without path separators "
               "or the characters \\ / : * ? \" < > |.";
    return {};
}

void AddModToGamesReg(DefNodeList& roots, const std::string& modName, const std::string& fileStem,
                      int side) {
    for (const auto& root : roots) {
        if (platform::EqualsNoCase(root->Name(), "campaigns")) {
            CDefNode* bonus = root->Find("\"5. Bonus missions\"");
            if (!bonus) {
                bonus = AddNamed(root.get(), "\"5. Bonus missions\"");
                AddText(bonus, "name", "Bonus missions");
                CDefNode* background = AddText(bonus, "background", "background/scene-1:1");
                AddText(background, "screenshot", "/interface/background/main.ebm");
                AddText(background, "media", "bonus bkg");
                AddText(bonus, "multiplayer", "1");
                AddNamed(bonus, "bonus");
            }
            CDefNode* missions = nullptr;
            for (CDefNode* c : bonus->Children())
                if ((missions = c->Find("missions"))) break;
            if (!missions) missions = AddNamed(bonus, "missions");
            std::string key = Quoted(modName);
            if (!missions->Find(key)) {
                CDefNode* entry = AddNamed(missions, key);
                AddText(entry, "name", "mission/b_8/name");
                AddText(entry, "coopBreed", "rus.infantry_smg");
                CDefNode* intro = AddNamed(entry, "intro");
                AddText(intro, "background", "/video/bonus/tank.ebm");
                CDefNode* music = AddNamed(entry, "side_music");
                AddText(music, "\"start\"", "bridge");
                AddText(music, "\"main_loop\"", "bridge");
                AddText(entry, "scene", "single/" + modName + ":" + fileStem);
            }
        } else if (platform::EqualsNoCase(root->Name(), "sides")) {
            std::string key = Quoted("single\\" + modName);
            if (!root->Find(key)) {
                std::string sideText = platform::FormatInt(side);
                AddNamed(root.get(), key, &sideText);
            }
        }
    }
}

void AddModToMissionLng(DefNodeList& roots, const std::string& title) {
    for (const auto& root : roots) {
        if (!platform::EqualsNoCase(root->Name(), "tags") || root->Find("\"b_8\"")) continue;
        CDefNode* entry = AddNamed(root.get(), "\"b_8\"");
        AddText(entry, "\"name\"", title);
    }
}

// --- minimap ---------------------------------------------------------------------------

BoundsPicture MinimapPicture(const BoundsPicture& picture, const GroundExtent& extent,
                             const BoundsRect& world) {
    const int W = std::max(picture.width, 0), H = std::max(picture.height, 0);
    const Box3& box = extent.picture;
    double dx = std::fabs(double(box.maxX) - box.minX), dy = std::fabs(double(box.maxY) - box.minY);
    double s = H >= W ? (dy > 0 ? H / dy : 0.0) : (dx > 0 ? W / dx : 0.0);
    auto truncated = [](double v) { return std::isfinite(v) ? static_cast<long long>(v) : 0LL; };
    long long x0 = std::max(0LL, truncated(s * (double(world.left) - box.minX + extent.offsetX)));
    long long y0 = std::max(0LL, truncated(s * (double(world.top) - box.minY + extent.offsetY)));
    long long w = std::max(0LL, truncated(s * (double(world.right) - world.left)));
    long long h = std::max(0LL, truncated(s * (double(world.bottom) - world.top)));
    // Whatever the world rectangle says, the crop stays inside the picture.
    x0 = std::min<long long>(x0, W);
    y0 = std::min<long long>(y0, H);
    w = std::min<long long>(w, W - x0);
    h = std::min<long long>(h, H - y0);
    if (picture.pixels.size() < size_t(W) * size_t(H)) w = h = 0;

    BoundsPicture out;
    out.width = static_cast<int>(w) + 6;
    out.height = static_cast<int>(h) + 6;
    out.pixels.assign(size_t(out.width) * size_t(out.height), 0xFFFFFFFFu);
    for (long long y = 0; y < h; ++y)
        std::copy_n(picture.pixels.begin() + static_cast<long>((y0 + y) * W + x0), w,
                    out.pixels.begin() + static_cast<long>((y + 3) * out.width + 3));
    return out;
}

std::string TgaBytes(const BoundsPicture& picture) {
    std::string bytes(18, '\0');
    bytes[2] = 2;
    bytes[12] = static_cast<char>(picture.width & 0xFF);
    bytes[13] = static_cast<char>((picture.width >> 8) & 0xFF);
    bytes[14] = static_cast<char>(picture.height & 0xFF);
    bytes[15] = static_cast<char>((picture.height >> 8) & 0xFF);
    bytes[16] = 24;
    bytes.reserve(18 + size_t(picture.width) * size_t(picture.height) * 3);
    for (int y = picture.height - 1; y >= 0; --y)
        for (int x = 0; x < picture.width; ++x) {
            uint32_t p = picture.pixels[size_t(y) * size_t(picture.width) + size_t(x)];
            bytes.push_back(static_cast<char>(p & 0xFF));
            bytes.push_back(static_cast<char>((p >> 8) & 0xFF));
            bytes.push_back(static_cast<char>((p >> 16) & 0xFF));
        }
    return bytes;
}

bool CreateMinimap(const fs::path& modFolder, const std::string& modName,
                   const BoundsPicture& picture, const GroundExtent& extent,
                   const BoundsRect& world, platform::Prompts* prompts) {
    fs::path folder = modFolder / "resource" / "interface" / "minimap";
    if (std::string problem = format::CheckQuotedText(modName + ".tga"); !problem.empty()) {
        Tell(prompts, problem);
        return false;
    }
    DefNodeList description;
    description.push_back(std::make_unique<CDefNode>());
    CDefNode* bitmap = description.back().get();
    bitmap->Assign("bitmap", {});
    std::string one = "1", none = "none";
    AddNamed(bitmap, "Filtering", &one);
    AddNamed(bitmap, "Blend", &none);
    AddText(bitmap, "Frame", modName + ".tga");
    fs::path ebm = folder / (modName + ".ebm");
    if (!WriteModFile(ebm, WriteNodes(description))) {
        TellWriteFailed(prompts, ebm);
        return false;
    }
    // A picture that cannot be written does not fail the export.
    WriteModFile(folder / (modName + ".tga"), TgaBytes(MinimapPicture(picture, extent, world)));
    return true;
}

// --- the exports -----------------------------------------------------------------------

bool ExportToPak(CVarnholtMapEditorDoc& doc, const ExportPaths& paths) {
    const DocumentServices& services = doc.Services();
    if (services.host && !services.host->SaveModified()) return false;
    const std::string& path = doc.PathName();
    const std::string& dir = paths.resourceDir;
    // The prefix must end at a folder boundary: "/res2/x.mi" is not below "/res".
    bool inside = !dir.empty() && path.size() > dir.size() &&
                  path.compare(0, dir.size(), dir) == 0 &&
                  (dir.back() == '/' || dir.back() == '\\' || path[dir.size()] == '/' ||
                   path[dir.size()] == '\\');
    if (!inside) {
        Tell(services.prompts, kNotInResourceDir, platform::Icon::Information);
        return false;
    }
    std::string member = path.substr(dir.size());
    while (!member.empty() && (member.front() == '/' || member.front() == '\\'))
        member.erase(0, 1);
    std::replace(member.begin(), member.end(), '\\', '/');

    pak::CPakArchive pak(services.prompts);
    fs::path archive = fs::path(paths.gamePath) / "game.pak";
    std::error_code ec;
    if (!fs::exists(archive, ec)) {
        Tell(services.prompts, "Could not find 'game.pak' in the game folder '" + paths.gamePath +
                                   "'.\nSee File/Options");
        return false;
    }
    // Open reports an archive it cannot open itself.
    if (!pak.Open(archive)) return false;
    if (!pak.List() && pak.LastResult() > pak::PakWarning) {
        Tell(services.prompts,
             "The archive '" + archive.string() + "' could not be read" + PakReason(pak) + ".",
             platform::Icon::Error);
        return false;
    }
    for (const auto& m : pak.Members())
        if (platform::EqualsNoCase(m.name, member)) {
            if (!services.prompts || !services.prompts->AskYesNo(kOverwriteMemberQuestion))
                return false;
            break;
        }
    pak::PakAddRequest request;
    request.dosMode = false;
    request.keepPath = true;
    request.sourcePath = path;
    request.archiveName = member;
    if (!pak.Update(request)) {
        // The archive keeps its old content when an update fails.
        Tell(services.prompts,
             "The file '" + path + "' could not be exported into '" + archive.string() + "'" +
                 PakReason(pak) + ".",
             platform::Icon::Error);
        return false;
    }
    return true;
}

bool ExportMod(CVarnholtMapEditorDoc& doc, const ExportPaths& paths, const ModInfo* given) {
    const DocumentServices& services = doc.Services();
    platform::Prompts* prompts = services.prompts;
    if (services.host && !services.host->SaveModified()) return false;
    if (doc.PathName().empty()) {
        // The mod is made from the saved file; an unsaved document has none.
        Tell(prompts, kSaveBeforeExport);
        return false;
    }

    ModInfo info;
    if (given) {
        info = *given;
    } else {
        info.side = doc.PlayerSide();
        std::error_code ec;
        info.customEnvironmentAvailable = fs::is_regular_file(CustomPresets(paths), ec);
        info.customEnvironment = info.customEnvironmentAvailable;
        if (!services.dialogs ||
            !services.dialogs->EditModInfo(info, ListExistingMods(paths.gamePath)))
            return false;
    }
    ApplyModDefaults(info);
    if (std::string problem = CheckModInfo(info); !problem.empty()) {
        Tell(prompts, problem);
        return false;
    }

    const bool mission = doc.Kind() == Mission;
    fs::path modFolder = fs::path(paths.gamePath) / "mods" / info.name;
    fs::path missionFolder = modFolder / "resource" / "map" / "single" / info.name;
    fs::path source = doc.PathName();
    std::optional<std::string> content = platform::ReadWholeFile(source);
    if (!content) {
        Tell(prompts, kExportError);
        return false;
    }

    // Every definition file of the mod is built and checked before the first
    // byte is written, so a text that would not read back leaves the mod
    // folder as it was.
    DefNodeList description;
    description.push_back(std::make_unique<CDefNode>());
    description.back()->Assign("mod", {});
    AddText(description.back().get(), "name", info.title);
    AddText(description.back().get(), "desc", info.description);
    AddText(description.back().get(), "version", info.version);

    // The registry and the texts are always rebuilt from the resource
    // directory's copies, so exporting twice gives the same files.
    struct Table {
        const char* source;
        fs::path target;
        const char* missing;
        bool games;
        bool found = false;
        DefNodeList nodes;
    };
    Table tables[] = {
        {"set/registry/games.reg",
         modFolder / "resource" / "set" / "registry" / "games.reg",
         kNoGamesReg,
         true,
         false,
         {}},
        {"set/text/mission.lng",
         modFolder / "resource" / "set" / "text" / "mission.lng",
         kNoMissionLng,
         false,
         false,
         {}},
    };
    for (Table& table : tables) {
        table.found = ParseDefinitionFile(fs::path(paths.resourceDir) / table.source, table.nodes);
        if (!table.found || !mission) continue;
        if (table.games)
            AddModToGamesReg(table.nodes, info.name, source.stem().string(), info.side);
        else
            AddModToMissionLng(table.nodes, info.title);
    }
    for (const DefNodeList* nodes : {&description, &tables[0].nodes, &tables[1].nodes})
        if (auto bad = format::FindUnwritable(*nodes)) {
            Tell(prompts, bad->problem);
            return false;
        }
    doc.SetPlayerSide(info.side);

    if (!WriteModFile(missionFolder / source.filename(), *content)) {
        Tell(prompts, kExportError);
        return false;
    }
    if (info.exportMap && !doc.BaseMapPath().empty())
        if (std::optional<std::string> map = platform::ReadWholeFile(doc.BaseMapPath()))
            WriteModFile(missionFolder / "map", *map);

    fs::path environment = modFolder / "resource" / "set" / "environment.set";
    std::error_code ec;
    if (info.customEnvironment) {
        if (std::optional<std::string> env = platform::ReadWholeFile(CustomPresets(paths)))
            WriteModFile(environment, *env);
    } else {
        fs::remove(environment, ec);
    }

    if (!WriteModFile(modFolder / "info.mod", WriteNodes(description))) {
        TellWriteFailed(prompts, modFolder / "info.mod");
        return false;
    }
    for (const Table& table : tables) {
        if (!table.found) {
            if (mission) Tell(prompts, table.missing);
            continue;
        }
        if (!mission) continue;
        if (!WriteModFile(table.target, WriteNodes(table.nodes))) {
            TellWriteFailed(prompts, table.target);
            return false;
        }
    }

    const BoundsPicture* picture = services.host ? services.host->GetBoundsPicture() : nullptr;
    if (picture && info.minimap &&
        !CreateMinimap(modFolder, info.name, *picture, doc.Extent(), doc.WorldRect(), prompts))
        return false;
    Tell(prompts, kExportSuccess, platform::Icon::Information);
    return true;
}

} // namespace document
