#include "view3d/MapTemplateList.h"

#include "resources/NoCasePaths.h"

#include <algorithm>
#include <system_error>

namespace view3d {

namespace {

namespace fs = std::filesystem;

bool EndsWithNoCase(const std::string& name, std::string_view suffix) {
    if (name.size() < suffix.size()) return false;
    return std::equal(suffix.begin(), suffix.end(), name.end() - suffix.size(), [](char a, char b) {
        auto lower = [](char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        };
        return lower(a) == lower(b);
    });
}

struct Entry {
    std::string name;
    bool folder = false;
};

// The folder's entries in listing order; symbolic links count as files, so
// a link back up the tree cannot make the walk go round for ever.
std::vector<Entry> ListFolder(const fs::path& dir) {
    std::vector<Entry> out;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code statusError;
        const fs::file_status status = it->symlink_status(statusError);
        if (statusError) continue;
        out.push_back({it->path().filename().string(), fs::is_directory(status)});
    }
    std::sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) {
        return resources::ListingOrderLess(a.name, b.name);
    });
    return out;
}

void ListModFolder(const fs::path& dir, const std::string& mapName, const std::string& modName,
                   std::vector<std::string>& out) {
    for (const Entry& entry : ListFolder(dir)) {
        if (!entry.folder && EndsWithNoCase(entry.name, ".ply"))
            out.push_back(mapName + ":" + modName);
    }
}

// Template folders are a few levels deep; a deeper tree is not a template,
// and stopping there keeps the walk's stack small whatever is on disk.
constexpr int kMaxFolderDepth = 32;

void ListTemplateFolder(const fs::path& dir, const std::string& mapName, int depth,
                        std::vector<std::string>& out) {
    for (const Entry& entry : ListFolder(dir)) {
        if (!entry.folder) continue;
        if (EndsWithNoCase(entry.name, ".mod"))
            ListModFolder(dir / entry.name, mapName, entry.name.substr(0, entry.name.size() - 4),
                          out);
        else if (depth < kMaxFolderDepth)
            ListTemplateFolder(dir / entry.name, mapName, depth + 1, out);
    }
}

} // namespace

std::vector<std::string> ListMapTemplates(const std::filesystem::path& resourceDir,
                                          const std::vector<std::string>& mapNames) {
    std::vector<std::string> out;
    resources::CNoCasePaths paths;
    for (const std::string& name : mapNames) {
        if (name.empty()) continue;
        const auto folder =
            paths.Find((resourceDir / "entity" / "landscape" / "map" / name).string());
        if (!folder) continue;
        ListTemplateFolder(*folder, name, 0, out);
    }
    return out;
}

} // namespace view3d
