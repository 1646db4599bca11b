#include "pak/PakTarget.h"

#include "pak/PakTypes.h"

#include "platform/Text.h"

#include <cerrno>
#include <system_error>

namespace fs = std::filesystem;

namespace pak {
namespace {

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

// A level made only of dots and spaces is "..", or becomes it on file systems
// that drop trailing dots and spaces from names.
bool IsDotsAndSpaces(const std::string& part) {
    return part.find_first_not_of(". ") == std::string::npos;
}

std::FILE* OpenNew(const fs::path& path) {
#ifdef _WIN32
    return _wfopen(path.c_str(), L"wbx");
#else
    return std::fopen(path.c_str(), "wbx");
#endif
}

bool IsNameError(int error) {
    return error == ENAMETOOLONG || error == EINVAL || error == EILSEQ;
}

} // namespace

int PlaceMemberName(const std::string& name, bool keepPaths, PakPlacement& out,
                    std::string& reason) {
    out = PakPlacement{};
    if (name.empty()) {
        reason = "member without a name skipped";
        return PakWarning;
    }
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F) {
            reason = "name holds control characters, member skipped";
            return PakWarning;
        }
    }
    // Names are checked level by level after splitting on both separators:
    // the game's own file system takes '\' as a separator too, so a check of
    // the '/' levels alone would let "sub/..\..\x" climb out.
    if (IsSeparator(name.front())) {
        reason = "absolute name would leave the target folder, member skipped";
        return PakError;
    }
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = start;
        while (end < name.size() && !IsSeparator(name[end]))
            ++end;
        std::string part = name.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") continue;
        if (IsDotsAndSpaces(part)) {
            reason = "name climbs out of the target folder, member skipped";
            return PakError;
        }
        if (part.find(':') != std::string::npos) {
            reason = "name refers to a drive or stream, member skipped";
            return PakError;
        }
        parts.push_back(std::move(part));
    }
    if (parts.empty()) return PakOk;
    if (!IsSeparator(name.back())) {
        out.file = std::move(parts.back());
        parts.pop_back();
    }
    if (keepPaths) out.folders = std::move(parts);
    return PakOk;
}

bool CPakTarget::Prepare(std::string& reason) {
    std::error_code ec;
    if (fs::is_directory(m_root, ec)) return true;
    fs::create_directories(m_root, ec);
    if (fs::is_directory(m_root)) return true;
    reason = "cannot create the target folder: " + ec.message();
    return false;
}

CPakTarget::Listing& CPakTarget::ListingOf(const fs::path& dir) {
    auto [it, added] = m_listings.try_emplace(dir.string());
    if (!added) return it->second;
    std::error_code ec;
    for (fs::directory_iterator d(dir, ec), end; !ec && d != end; d.increment(ec)) {
        fs::file_status st = d->symlink_status(ec);
        if (ec) continue;
        Kind kind = fs::is_directory(st)      ? Kind::Folder
                    : fs::is_symlink(st)      ? Kind::Link
                    : fs::is_regular_file(st) ? Kind::File
                                              : Kind::Other;
        std::string name = d->path().filename().string();
        it->second.try_emplace(platform::ToLowerCp1252(name), Entry{name, kind});
    }
    return it->second;
}

int CPakTarget::MakeFolders(const PakPlacement& placement, fs::path& dir, std::string& reason) {
    dir = m_root;
    for (const std::string& part : placement.folders) {
        Listing& listing = ListingOf(dir);
        std::string key = platform::ToLowerCp1252(part);
        auto found = listing.find(key);
        if (found != listing.end()) {
            if (found->second.kind != Kind::Folder) {
                reason =
                    found->second.kind == Kind::Link
                        ? "folder '" + found->second.name + "' is a symbolic link, member skipped"
                        : "a file stands where folder '" + found->second.name + "' is needed";
                return PakError;
            }
            dir /= found->second.name;
            continue;
        }
        fs::path next = dir / part;
        std::error_code ec;
        bool made = fs::create_directory(next, ec);
        if (!made && !fs::is_directory(fs::symlink_status(next, ec))) {
            reason = "cannot create folder '" + part + "'";
            return PakError;
        }
        listing.try_emplace(key, Entry{part, Kind::Folder});
        if (made) m_listings.try_emplace(next.string());
        dir = std::move(next);
    }
    return PakOk;
}

int CPakTarget::OpenOutputFile(const fs::path& dir, const std::string& name, bool overwrite,
                               std::FILE*& file, fs::path& path, std::string& reason) {
    file = nullptr;
    Listing& listing = ListingOf(dir);
    std::string key = platform::ToLowerCp1252(name);
    std::string real = name;
    auto found = listing.find(key);
    bool exists = found != listing.end();
    if (exists) {
        real = found->second.name;
        if (found->second.kind == Kind::Folder) {
            reason = "a folder of this name exists, member skipped";
            return PakWarning;
        }
        if (!overwrite && found->second.kind == Kind::File) {
            reason = "file exists, member skipped";
            return PakWarning;
        }
    }
    path = dir / real;
    for (int attempt = 0; attempt < 2; ++attempt) {
        // An existing file, read-only or not, is removed rather than opened:
        // writing through it would follow a link, or change every other name
        // the same file has.
        if (exists) {
            std::error_code ec;
            fs::remove(path, ec);
            if (ec) {
                reason = "cannot replace the existing file: " + ec.message();
                return PakCannotWrite;
            }
        }
        errno = 0;
        file = OpenNew(path);
        if (file) break;
        int error = errno;
        if (error == EEXIST && attempt == 0) {
            exists = true;
            continue;
        }
        reason = "cannot create the file: " + std::generic_category().message(error);
        return IsNameError(error) ? PakError : PakCannotWrite;
    }
    std::setvbuf(file, nullptr, _IONBF, 0);
    listing.insert_or_assign(key, Entry{real, Kind::File});
    return PakOk;
}

} // namespace pak
