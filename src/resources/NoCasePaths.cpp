#include "resources/NoCasePaths.h"

#include "platform/Text.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace resources {

namespace {

constexpr char kSeparator = static_cast<char>(fs::path::preferred_separator);

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::symlink_status(p, ec).type() != fs::file_type::not_found && !ec;
}

} // namespace

std::vector<std::string> SplitLevels(std::string_view path) {
    std::vector<std::string> levels;
    if (!path.empty() && (path[0] == '/' || path[0] == '\\')) levels.emplace_back("/");
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) levels.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return levels;
}

std::string NativeSeparators(std::string_view path) {
    std::string out(path);
    std::replace_if(
        out.begin(), out.end(), [](char c) { return c == '/' || c == '\\'; }, kSeparator);
    return out;
}

bool ListingOrderLess(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char ca = platform::UpperCp1252(static_cast<unsigned char>(a[i]));
        unsigned char cb = platform::UpperCp1252(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb;
    }
    return a.size() < b.size();
}

const CNoCasePaths::Listing& CNoCasePaths::ListingOf(const fs::path& dir) {
    auto [it, added] = m_listings.try_emplace(dir.string());
    if (!added) return it->second;
    std::error_code ec;
    for (fs::directory_iterator d(dir, ec), end; !ec && d != end; d.increment(ec)) {
        std::string name = d->path().filename().string();
        // Two names that differ only in case cannot both come from the game;
        // the first one listed stands for both.
        it->second.try_emplace(platform::ToLowerCp1252(name), name);
    }
    return it->second;
}

std::optional<fs::path> CNoCasePaths::Find(std::string_view path) {
    if (path.empty()) return std::nullopt;
    fs::path exact(NativeSeparators(path));
    if (Exists(exact)) return exact;

    std::vector<std::string> levels = SplitLevels(path);
    fs::path current;
    size_t i = 0;
    if (!levels.empty() && levels[0] == "/") {
        current = fs::path("/");
        i = 1;
    }
    for (; i < levels.size(); ++i) {
        const std::string& level = levels[i];
        fs::path candidate = current.empty() ? fs::path(level) : current / level;
        if (level == "." || level == ".." || Exists(candidate)) {
            current = candidate;
            continue;
        }
        const Listing& listing = ListingOf(current.empty() ? fs::path(".") : current);
        auto it = listing.find(platform::ToLowerCp1252(level));
        if (it == listing.end()) return std::nullopt;
        current = current.empty() ? fs::path(it->second) : current / it->second;
    }
    return current;
}

std::vector<std::string> CNoCasePaths::ListMatching(std::string_view dir,
                                                    std::string_view lowerPrefix) {
    std::vector<std::string> names;
    auto real = Find(dir);
    std::error_code ec;
    if (!real || !fs::is_directory(*real, ec)) return names;
    for (const auto& [lower, name] : ListingOf(*real))
        if (lower.compare(0, lowerPrefix.size(), lowerPrefix) == 0) names.push_back(name);
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return ListingOrderLess(a, b); });
    return names;
}

} // namespace resources
