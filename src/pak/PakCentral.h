#pragma once

#include "pak/PakArchive.h"
#include "pak/PakFile.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace pak {

// Member names longer than this are cut when read; the rest is skipped.
constexpr size_t kMaxMemberName = 259;

constexpr uint32_t kLocalSignature = 0x04034B50;
constexpr uint32_t kCentralSignature = 0x02014B50;
constexpr uint32_t kEndSignature = 0x06054B50;

// The running grade of one operation and the problems met on the way.
struct PakPass {
    int grade = PakOk;
    std::vector<PakProblem>* problems = nullptr;

    void Note(int result, const std::string& name, std::string reason) {
        grade = std::max(grade, result);
        if (problems) problems->push_back({name, result, std::move(reason)});
    }
};

// One entry of the central directory.
struct PakCentralEntry {
    uint16_t versionMadeBy = 0;
    uint16_t versionNeeded = 0;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint16_t dosTime = 0;
    uint16_t dosDate = 0;
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    uint16_t nameLength = 0; // as stored, before any cut
    uint16_t diskNumber = 0;
    uint16_t internalAttributes = 0;
    uint32_t externalAttributes = 0;
    uint32_t localOffset = 0;
    std::string name;
    std::string comment;
};

// Walks the central directory of an archive from its end record. Failures are
// graded into the pass; a walk that failed stops the operation.
class CPakDirectory {
  public:
    CPakDirectory(CPakFile& file, PakEndRecord& end, PakPass& pass);

    // Finds the end record and the start of the directory. False when there is
    // nothing to walk: either the archive is empty (a warning) or the pass
    // failed (Failed() is true).
    bool Start();
    // Reads the next entry; false after the last one or on failure.
    bool Next(PakCentralEntry& entry, bool wantComment);
    bool Failed() const { return m_failed; }

  private:
    bool LocateEndRecord();
    bool CheckCandidate(uint64_t at);
    bool Fail(int result, std::string reason);

    CPakFile& m_file;
    PakEndRecord& m_end;
    PakPass& m_pass;
    CPakCursor m_cursor;
    unsigned m_read = 0;
    bool m_failed = false;
    bool m_done = false;
};

// The entry's time in seconds since 1970: the DOS fields read as UTC, the
// current time when they hold no valid date.
int64_t PakEntryTime(uint16_t dosDate, uint16_t dosTime);

// Why a member cannot be decoded by this reader, or nullptr when it can.
const char* PakUnsupportedReason(uint16_t flags, uint16_t method, uint16_t versionNeeded);

} // namespace pak
