#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Reads a whole file into memory; nullopt when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

// A file written beside its target under a temporary name and moved over the
// target only by Commit(). Until then the old target stays untouched; a writer
// destroyed without Commit() removes its temporary file.
class AtomicFile {
  public:
    AtomicFile() = default;
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file in the target's folder; false when it cannot.
    bool Open(const std::filesystem::path& target);
    FILE* Stream() const { return m_file; }
    const std::filesystem::path& TempPath() const { return m_temp; }
    bool Write(std::string_view bytes);
    // Flushes, syncs (unless sync is false) and renames over the target.
    // False (and the target left as it was) when any write failed or the
    // rename was refused.
    bool Commit(bool sync = true);
    void Discard();

  private:
    std::filesystem::path m_target;
    std::filesystem::path m_temp;
    FILE* m_file = nullptr;
    bool m_failed = false;
};

// Writes bytes to a file through an AtomicFile.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes);

} // namespace platform
