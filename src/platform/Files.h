#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Reads a whole file into memory; nullopt when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

// A file written beside its target and moved over the target only by
// Commit(). Until then the old target stays untouched; a writer destroyed
// without Commit() leaves nothing behind.
//
// Where the file system allows it the file has no name until Commit() (an
// unnamed temporary file, linked into the folder just before the rename), so
// a process killed while writing leaves no partial file in the user's
// folder. Elsewhere a hidden named temporary is used, and temporaries that a
// killed writer left for the same target are removed at the next Open().
class AtomicFile {
  public:
    AtomicFile() = default;
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file in the target's folder; false when it cannot.
    bool Open(const std::filesystem::path& target);
    FILE* Stream() const { return m_file; }
    // Whether the temporary file has no name (nothing to clean up after a crash).
    bool Unnamed() const { return m_unnamed; }
    bool Write(std::string_view bytes);
    // Gives the new file these permissions (the old file's, say); false when refused.
    bool SetPermissions(std::filesystem::perms perms);
    // Flushes, syncs (unless sync is false) and renames over the target.
    // False (and the target left as it was) when any write failed or the
    // rename was refused.
    bool Commit(bool sync = true);
    void Discard();

    // The hidden names temporaries of target take in its folder; stale ones
    // are removed by Open().
    static bool IsTemporaryOf(const std::filesystem::path& target, const std::string& fileName);

  private:
    bool OpenNamed(const std::filesystem::path& folder);
    bool LinkIntoFolder(const std::filesystem::path& folder);

    std::filesystem::path m_target;
    std::filesystem::path m_temp; // empty while the file has no name
    FILE* m_file = nullptr;
    bool m_unnamed = false;
    bool m_failed = false;
};

// Writes bytes to a file through an AtomicFile.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes);

} // namespace platform
