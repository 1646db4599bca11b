// Cataloguing the unpacked entity definitions and reading the three sets.

#include "resources/ResourceCatalogue.h"

#include "format/DefParser.h"
#include "platform/Text.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace resources {

namespace {

constexpr char kSeparator = static_cast<char>(fs::path::preferred_separator);

struct FolderEntry {
    std::string name;
    fs::path path;
    bool folder;
};

// The entries of a folder whose lower-cased names begin with lowerPrefix, in
// the order the game's file system lists them. The order decides which of
// two types of the same name FindEntity returns, so it must not depend on
// the order in which this file system happens to return entries.
std::vector<FolderEntry> ListFolder(const fs::path& dir, std::string_view lowerPrefix) {
    std::vector<FolderEntry> entries;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (platform::ToLowerCp1252(name).compare(0, lowerPrefix.size(), lowerPrefix) != 0)
            continue;
        std::error_code statEc;
        entries.push_back({name, it->path(), it->is_directory(statEc)});
    }
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
        return ListingOrderLess(a.name, b.name);
    });
    return entries;
}

std::string Unquote(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

} // namespace

void CResourceCatalogue::ScanEntities(std::string_view base, const char* sub,
                                      std::vector<std::string>& list, int category) {
    if (m_resourceDir.empty()) return;
    auto dir = m_paths.Find(m_resourceDir + kSeparator + std::string(base));
    std::error_code ec;
    if (!dir || !fs::is_directory(*dir, ec)) return;
    std::vector<std::string> visited;
    ScanFolder(*dir, sub ? platform::ToLowerCp1252(sub) : std::string(), list, category, visited);
}

void CResourceCatalogue::ScanFolder(const fs::path& dir, std::string_view lowerPrefix,
                                    std::vector<std::string>& list, int category,
                                    std::vector<std::string>& visited) {
    // A folder linked into one of its own ancestors would recurse without
    // end; each folder is entered once per branch of the walk.
    std::error_code ec;
    std::string canonical = fs::weakly_canonical(dir, ec).string();
    if (std::find(visited.begin(), visited.end(), canonical) != visited.end()) return;
    visited.push_back(canonical);

    for (const FolderEntry& entry : ListFolder(dir, lowerPrefix)) {
        if (entry.folder) {
            ScanFolder(entry.path, {}, list, category, visited);
            continue;
        }
        if (!platform::EqualsNoCase(entry.path.extension().string(), ".def")) continue;
        std::string name = platform::ToLowerCp1252(entry.path.stem().string());
        list.push_back(name);
        m_firstByName.try_emplace(name, m_entries.size());
        m_entries.push_back({name, entry.path.string(), category});
    }
    visited.pop_back();
}

const CEntityEntry* CResourceCatalogue::FindEntity(std::string_view name) const {
    auto it = m_firstByName.find(platform::ToLowerCp1252(name));
    return it == m_firstByName.end() ? nullptr : &m_entries[it->second];
}

CEntityEntry* CResourceCatalogue::FindEntity(std::string_view name) {
    return const_cast<CEntityEntry*>(std::as_const(*this).FindEntity(name));
}

void CResourceCatalogue::ReadSets() {
    auto parse = [this](const char* name, DefNodeList& nodes) {
        nodes.clear();
        if (auto path = m_paths.Find(m_resourceDir + kSeparator + "set" + kSeparator + name))
            ParseDefinitionFile(*path, nodes);
    };

    parse("environment.set", m_environment);

    m_breedList.clear();
    m_breedMap.clear();
    parse("breed.set", m_breedSet);
    if (!m_breedSet.empty()) {
        for (CDefNode* breed : m_breedSet.front()->Children()) {
            std::string name(breed->Name());
            m_breedList.push_back(name);
            m_breedMap[name] = breed;
        }
    }

    m_skeletonMap.clear();
    DefNodeList skins;
    parse("skin.set", skins);
    if (!skins.empty()) {
        for (CDefNode* skin : skins.front()->Children()) {
            // A skin without a skeleton names nothing to load; leaving it out
            // makes its lookup fail like that of an unknown skin.
            CDefNode* skeleton = skin->FindChild("skeleton");
            if (!skeleton || skeleton->ValueCount() == 0) continue;
            m_skeletonMap[std::string(skin->Name())] = Unquote(skeleton->GetValue(0));
        }
    }
}

} // namespace resources
