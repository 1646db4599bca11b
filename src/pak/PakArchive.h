#pragma once

#include "pak/PakTypes.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace platform {
class Prompts;
}

namespace pak {

class CPakFile;
struct PakPass;

// One member of an archive as its central directory describes it.
struct PakMemberInfo {
    uint32_t uncompressedSize = 0;
    uint32_t compressedSize = 0;
    float ratio = 0.0f;     // (uncompressed - compressed) / uncompressed; 0 for empty members
    uint8_t attributes = 0; // MS-DOS attribute bits; 0x10 marks a directory
    uint16_t diskNumber = 0;
    int64_t time = 0; // seconds since 1970 of the member's DOS date and time
    std::string comment;
    std::string name; // as stored: '/' separators, case kept, at most 259 bytes

    // Beyond the table the editor uses: what listings and checks show.
    uint16_t method = 0;
    uint32_t crc = 0;
    uint16_t flags = 0;
    uint16_t versionMadeBy = 0;
    uint16_t versionNeeded = 0;
};

struct PakExtractOptions {
    bool keepPaths = true; // recreate the stored folders; off writes every member flat
    bool overwrite = true; // replace existing files
};

// Sums over the member table, filled by List.
struct PakTotals {
    uint64_t uncompressed = 0;
    uint64_t compressed = 0; // 12 header bytes of every encrypted member left out
    float ratio = 0.0f;
    // Taken from the last central entry.
    uint8_t versionMadeBy = 0;
    uint8_t hostMadeBy = 0; // capped at 12
    uint8_t versionNeeded = 0;
    uint8_t hostNeeded = 0; // capped at 12
    bool lastEncrypted = false;
};

// The end-of-central-directory record as found in the file.
struct PakEndRecord {
    uint16_t thisDisk = 0;
    uint16_t directoryDisk = 0;
    uint16_t entriesThisDisk = 0;
    uint16_t totalEntries = 0;
    uint32_t directorySize = 0;
    uint32_t directoryOffset = 0;
    std::string comment;
    uint64_t foundAt = 0;
    // Where the record was found minus where the directory's size and offset put
    // it: positive when something was prepended to the archive without its
    // offsets being adjusted.
    int64_t extraBytes = 0;
};

// Why one member (or the archive itself, with an empty name) was not handled cleanly.
struct PakProblem {
    std::string name;
    int result = PakOk;
    std::string reason;
};

// A pak archive (zip format: single volume, no encryption, no zip64) opened for
// one job: listing, extracting, checking or updating. Each operation grades its
// outcome (PakResult); the boolean operations return true only for PakOk, and
// LastResult() gives the grade. No operation shows anything but Open, which
// reports a file that exists but cannot be opened through the prompts.
class CPakArchive {
  public:
    explicit CPakArchive(platform::Prompts* prompts = nullptr);
    ~CPakArchive();
    CPakArchive(const CPakArchive&) = delete;
    CPakArchive& operator=(const CPakArchive&) = delete;

    // False without a message when the path names nothing; false after the
    // platform's file-error message when the file cannot be opened. Either way
    // LastResult() is then PakNotZip: there is no archive to read.
    bool Open(const std::filesystem::path& path);

    // Reads the central directory into Members() and Totals(). The table keeps
    // whatever was read even when the result is false.
    bool List();

    // Extracts every member whose lower-cased stored name is one of
    // lowerCaseNames into targetDir. Members that would land outside targetDir
    // are refused; a member that fails does not stop the others, a failed
    // write does.
    bool Extract(const PakExtractOptions& options, const std::vector<std::string>& lowerCaseNames,
                 const std::filesystem::path& targetDir);

    // Decodes every member and checks its size and CRC-32 without writing
    // anything. Returns the grade; the names of members skipped or failing are
    // appended to failingNames when given.
    int Test(std::vector<std::string>* failingNames);

    // Adds or replaces one file. The archive is closed first, then rewritten in
    // place; the object must be opened again before it reads anything.
    bool Update(const PakAddRequest& request);

    int LastResult() const { return m_result; }
    const std::vector<PakMemberInfo>& Members() const { return m_members; }
    const PakTotals& Totals() const { return m_totals; }
    const PakEndRecord& EndRecord() const { return m_end; }
    const std::vector<PakProblem>& Problems() const { return m_problems; }
    const std::filesystem::path& Path() const { return m_path; }

  private:
    // Starts an operation: clears the problems; false (graded) when no archive is open.
    bool BeginPass(PakPass& pass);
    int FinishPass(const PakPass& pass);

    platform::Prompts* m_prompts;
    std::filesystem::path m_path;
    std::unique_ptr<CPakFile> m_file;
    PakEndRecord m_end;
    std::vector<PakMemberInfo> m_members;
    PakTotals m_totals;
    std::vector<PakProblem> m_problems;
    int m_result = PakOk;
};

} // namespace pak
