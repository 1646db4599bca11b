#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

namespace pak {

// Where a member goes below the target folder: its folder levels and its file
// name (empty for a directory entry).
struct PakPlacement {
    std::vector<std::string> folders;
    std::string file;
};

// Turns a stored member name into a placement below the target folder.
// Returns PakOk, or the grade with which the member is refused: names that are
// absolute, name a drive or a network share, climb with "..", or hold control
// bytes never reach the file system.
int PlaceMemberName(const std::string& name, bool keepPaths, PakPlacement& out,
                    std::string& reason);

// The target folder of one extraction. It creates folders and files only
// below its root and never through a symbolic link.
//
// Members whose names differ only in case are one file here, as they are on
// the game's own file system: a folder or file that already exists under
// another case is reused with its existing spelling, so a later member
// Entity/A.def replaces entity/a.def instead of standing beside it, and a
// case-insensitive lookup of the resource folder finds exactly one file.
class CPakTarget {
  public:
    explicit CPakTarget(std::filesystem::path root) : m_root(std::move(root)) {}

    // Creates the root folder if needed; false when it cannot be made.
    bool Prepare(std::string& reason);

    // Creates the placement's folders; on success dir is the real folder.
    // Returns PakOk or PakError (a level could not be made or is no folder).
    int MakeFolders(const PakPlacement& placement, std::filesystem::path& dir, std::string& reason);

    // Creates (or replaces) the file named in the placement inside dir, which
    // MakeFolders returned. Returns PakOk with file set, PakWarning when a
    // folder (or, without overwrite, a file) stands there, PakError when the
    // name cannot exist on this file system, PakCannotWrite otherwise.
    int OpenOutputFile(const std::filesystem::path& dir, const std::string& name, bool overwrite,
                       std::FILE*& file, std::filesystem::path& path, std::string& reason);

  private:
    enum class Kind { Folder, File, Link, Other };
    struct Entry {
        std::string name;
        Kind kind;
    };
    using Listing = std::unordered_map<std::string, Entry>;

    Listing& ListingOf(const std::filesystem::path& dir);

    std::filesystem::path m_root;
    // What each folder touched so far holds, keyed by the lower-cased name.
    std::unordered_map<std::string, Listing> m_listings;
};

} // namespace pak
