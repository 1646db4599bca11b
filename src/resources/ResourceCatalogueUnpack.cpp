// Start-up load: bringing the parts of the game's archives the editor needs
// into the resource directory, then cataloguing them.

#include "pak/PakArchive.h"
#include "resources/ResourceCatalogue.h"

#include "platform/Progress.h"
#include "platform/Text.h"

namespace fs = std::filesystem;

namespace resources {

namespace {

constexpr char kSeparator = static_cast<char>(fs::path::preferred_separator);
constexpr const char* kGamePathTitle = "Please select the Game Path of \"Varnholt\"";

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           platform::EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// Opens and lists an archive; false when it cannot be read at all. A
// warning (an empty archive, extra bytes in front) still gives a usable table.
bool OpenAndList(pak::CPakArchive& pak, const fs::path& path) {
    if (!pak.Open(path)) return false;
    return pak.List() || pak.LastResult() == pak::PakWarning;
}

} // namespace

CResourceCatalogue::CResourceCatalogue(platform::Prompts* prompts, platform::Progress* progress,
                                       ResourcePathDialogs* dialogs)
    : m_prompts(prompts), m_progress(progress), m_dialogs(dialogs) {}

CResourceCatalogue::~CResourceCatalogue() = default;

void CResourceCatalogue::SetGamePath(std::string path) {
    m_gamePath = std::move(path);
    m_paths.Invalidate();
}

void CResourceCatalogue::SetResourceDir(std::string path) {
    m_resourceDir = std::move(path);
    m_paths.Invalidate();
}

void CResourceCatalogue::Step(const std::string& text) {
    if (!m_progress) return;
    m_progress->SetText(text);
    m_progress->Step();
}

std::optional<fs::path> CResourceCatalogue::ArchivePath(std::string_view archive) const {
    if (m_gamePath.empty()) return std::nullopt;
    return m_paths.Find(m_gamePath + kSeparator + std::string(archive));
}

bool CResourceCatalogue::EnsureResourceDir() {
    if (m_resourceDir.empty()) {
        std::optional<std::string> chosen;
        if (m_dialogs)
            chosen = m_dialogs->AskResourceDirectory(m_gamePath + kSeparator + "resource");
        if (!chosen || chosen->empty()) return false;
        SetResourceDir(*chosen);
    }
    // One level only: a resource directory inside a folder that does not
    // exist is a typing error the extraction then reports per member.
    std::error_code ec;
    if (!fs::exists(m_resourceDir, ec)) fs::create_directory(m_resourceDir, ec);
    return true;
}

bool CResourceCatalogue::PrefixPresent(std::string_view prefix) const {
    size_t slash = prefix.find_last_of("/\\");
    std::string dir = m_resourceDir;
    std::string_view last = prefix;
    if (slash != std::string_view::npos) {
        dir += kSeparator;
        dir += prefix.substr(0, slash);
        last = prefix.substr(slash + 1);
    }
    return !m_paths.ListMatching(dir, platform::ToLowerCp1252(last)).empty();
}

int CResourceCatalogue::UnpackDirectory(std::string_view archive, std::string_view prefix,
                                        bool force) {
    if (!m_resourceDir.empty() && !force && PrefixPresent(prefix)) return 0;
    Step("Checking/Unpacking Entities: \"" + std::string(prefix) + "\"");

    auto path = ArchivePath(archive);
    if (!path) return -1;
    pak::CPakArchive pak(m_prompts);
    if (!OpenAndList(pak, *path)) return -1;

    std::vector<std::string> selection;
    for (const pak::PakMemberInfo& member : pak.Members())
        if (StartsWithNoCase(member.name, prefix))
            selection.push_back(platform::ToLowerCp1252(member.name));
    if (selection.empty()) return 0;
    if (!EnsureResourceDir()) return -1;

    // Members that fail are skipped by the extraction itself; the catalogue
    // then holds whatever did arrive, as with a missing archive.
    pak.Extract(pak::PakExtractOptions{}, selection, m_resourceDir);
    m_paths.Invalidate();
    return static_cast<int>(selection.size());
}

bool CResourceCatalogue::UnpackFile(std::string_view archive, std::string_view path) {
    if (!m_resourceDir.empty() && m_paths.Find(m_resourceDir + kSeparator + std::string(path)))
        return true;
    Step("Unpacking file: \"" + std::string(path) + "\"");

    auto archivePath = ArchivePath(archive);
    if (!archivePath) return false;
    pak::CPakArchive pak(m_prompts);
    if (!OpenAndList(pak, *archivePath)) return false;

    // The member of exactly that name wins over one that merely begins with
    // it (set/skin.set before set/skin.set.old), whatever the member order.
    const pak::PakMemberInfo* chosen = nullptr;
    for (const pak::PakMemberInfo& member : pak.Members()) {
        if (platform::EqualsNoCase(member.name, path)) {
            chosen = &member;
            break;
        }
        if (!chosen && StartsWithNoCase(member.name, path)) chosen = &member;
    }
    if (!chosen) return false;
    if (!EnsureResourceDir()) return false;

    // A member that cannot be extracted (damaged, encrypted, unwritable)
    // leaves the file missing: report it, so that the caller falls back to
    // the next archive instead of reading a set that is not there.
    bool extracted = pak.Extract(pak::PakExtractOptions{}, {platform::ToLowerCp1252(chosen->name)},
                                 m_resourceDir) ||
                     pak.LastResult() == pak::PakWarning;
    m_paths.Invalidate();
    if (platform::EqualsNoCase(chosen->name, path))
        return m_paths.Find(m_resourceDir + kSeparator + std::string(path)).has_value();
    return extracted;
}

bool CResourceCatalogue::LoadResources() {
    if (m_gamePath.empty() && m_dialogs) SetGamePath(m_dialogs->BrowseFolder(kGamePathTitle));
    if (m_resourceDir.empty()) {
        std::optional<std::string> chosen;
        if (m_dialogs)
            chosen = m_dialogs->AskResourceDirectory(m_gamePath + kSeparator + "resource");
        if (!chosen || chosen->empty()) return false;
        SetResourceDir(*chosen);
    }
    if (m_gamePath.empty()) return false;

    if (m_progress) {
        m_progress->Start(kLoadProgressRange);
        m_progress->SetText("Scanning available Entities");
    }

    UnpackFile("localize.pak", "set/text/mission.lng");
    for (const char* set :
         {"set/registry/games.reg", "set/breed.set", "set/environment.set", "set/skin.set"})
        if (!UnpackFile("resource/Patch/1.pat", set)) UnpackFile("game.pak", set);

    for (const UnpackRow& row : UnpackTable()) {
        bool force = UnpackDirectory("game.pak", row.prefix, false) != 0;
        for (const auto& [archive, prefixes] : row.patches)
            for (const char* prefix : prefixes)
                UnpackDirectory(archive, prefix, force);
    }

    m_entries.clear();
    m_firstByName.clear();
    for (auto& list : m_lists)
        list.clear();
    std::vector<std::string> skies;
    for (const ScanRow& row : ScanTable()) {
        if (m_progress) m_progress->Step();
        auto& list = row.list < 0 ? skies : m_lists[static_cast<size_t>(row.list)];
        ScanEntities(row.base, row.sub, list, row.category);
    }

    ReadSets();
    if (m_progress) m_progress->Close();
    return true;
}

} // namespace resources
