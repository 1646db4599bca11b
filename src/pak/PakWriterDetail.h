#pragma once

// Private pieces of the pak archive writer, shared by its .cpp files and its tests.

#include "platform/Files.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace pak::pakwriter {

// Offsets and sizes are written as 32-bit fields; the archives carry no 64-bit extension.
inline constexpr uint64_t MaxField32 = 0xFFFFFFFFull;
// Entry counts of the end record are 16-bit.
inline constexpr size_t MaxEntries = 0xFFFF;

inline constexpr uint32_t LocalSignature = 0x04034B50;
inline constexpr uint32_t CentralSignature = 0x02014B50;
inline constexpr uint32_t EndSignature = 0x06054B50;
inline constexpr uint32_t DescriptorSignature = 0x08074B50;
inline constexpr uint32_t Zip64LocatorSignature = 0x07064B50;

inline constexpr size_t LocalHeaderSize = 30;
inline constexpr size_t CentralHeaderSize = 46;
inline constexpr size_t EndRecordSize = 22;

inline uint16_t Get16(const unsigned char* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
inline uint32_t Get32(const unsigned char* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void Put16(std::string& out, uint16_t v) {
    out.push_back(char(v & 0xFF));
    out.push_back(char(v >> 8));
}
inline void Put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(char((v >> (8 * i)) & 0xFF));
}

// One member of the archive being written. Members read from the old archive keep every
// central field exactly, so an unchanged member's central header comes out as it went in
// apart from its offset.
struct PakWriterEntry {
    uint16_t versionMadeBy = 0; // low byte version, high byte host
    uint16_t versionNeeded = 0;
    uint16_t flags = 0;
    uint16_t localFlags = 0;
    uint16_t method = 0;
    uint16_t dosTime = 0;
    uint16_t dosDate = 0;
    uint32_t crc = 0;
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    uint16_t diskNumberStart = 0;
    uint16_t internalAttributes = 0;
    uint32_t externalAttributes = 0;
    uint64_t localHeaderOffset = 0; // in the new archive
    uint64_t sourceOffset = 0;      // of the local header in the old archive, prefix included

    std::string name;       // key of the member map: the full name for added members
    std::string storedName; // the name written into the headers
    std::string localExtra;
    std::string centralExtra;
    std::string comment;

    // Bytes of the local record in the old archive: header, name, extra, data, descriptor.
    // 0 until CheckLocalRecord has measured it.
    uint64_t recordLength = 0;

    std::filesystem::path sourcePath;
    bool marked = false; // (re)compress from sourcePath instead of copying
    bool dosMode = false;
};

// The old archive as the writer needs it: every member, the bytes before the first
// member, and the archive comment.
struct PakOldArchive {
    std::vector<PakWriterEntry> entries; // central directory order
    uint64_t preambleLength = 0;
    uint64_t directoryStart = 0; // absolute offset of the central directory
    std::string comment;
};

// The archive being rewritten, read at absolute offsets.
class PakInputFile {
  public:
    PakInputFile() = default;
    ~PakInputFile();
    PakInputFile(const PakInputFile&) = delete;
    PakInputFile& operator=(const PakInputFile&) = delete;

    bool Open(const std::filesystem::path& path);
    uint64_t Size() const { return m_size; }
    // Reads exactly `length` bytes; false when the file ends first or the read fails.
    bool ReadAt(uint64_t offset, void* data, size_t length);
    // The same for small reads that mostly move forward through the file, such as the
    // local headers of consecutive members: they are served from a read-ahead window.
    bool ReadAhead(uint64_t offset, void* data, size_t length);
    int Descriptor() const;
    void Close();

  private:
    FILE* m_file = nullptr;
    uint64_t m_size = 0;
    std::vector<char> m_window;
    uint64_t m_windowStart = 0;
};

// The new archive, written beside the old one under a temporary name and moved over it
// only by Commit.
class PakOutputFile {
  public:
    bool Open(const std::filesystem::path& target);
    // Where the next byte goes, counting copies still queued.
    uint64_t Position() const { return m_position + m_pendingLength; }
    bool Write(const void* data, size_t length);
    bool Write(const std::string& bytes) { return Write(bytes.data(), bytes.size()); }
    // Overwrites bytes already written (a local header once its sizes are known) and
    // returns to the end of the output.
    bool WriteAt(uint64_t offset, const std::string& bytes);
    // Appends `length` bytes taken from `offset` of the input. Consecutive ranges of the
    // input are joined and copied in one go by Flush or the next write, so an archive of
    // thousands of unchanged members is copied like one file. False when the input is too
    // short for the range (InputShort() then tells) or an earlier copy failed.
    bool QueueCopy(PakInputFile& input, uint64_t offset, uint64_t length);
    bool Flush();
    bool InputShort() const { return m_inputShort; }
    // Gives the new file `perms` and renames it over the target.
    bool Commit(std::filesystem::perms perms);
    void Discard() { m_file.Discard(); }

  private:
    bool CopyBuffered(uint64_t offset, uint64_t length);
    bool CopyInKernel(uint64_t offset, uint64_t length, bool& refused);

    platform::AtomicFile m_file;
    uint64_t m_position = 0;
    bool m_failed = false;
    bool m_inputShort = false;
    PakInputFile* m_input = nullptr;
    uint64_t m_pendingFrom = 0;
    uint64_t m_pendingLength = 0;
    std::vector<char> m_buffer;
};

// What the file system tells about a source: its size, last-write time (seconds since
// 1970), the attribute byte a Windows machine would show, and whether it is a folder.
struct PakSourceInfo {
    uint64_t size = 0;
    int64_t modified = 0;
    uint8_t attributes = 0;
    bool isDirectory = false;
};

// PakOk, or PakError when the source is missing or neither a file nor a folder.
int ReadSourceInfo(const std::filesystem::path& path, PakSourceInfo& info);
// 0 (stored) for empty sources and names of already compressed archives, else 8 (deflated).
uint16_t MethodFor(const std::string& storedName, uint64_t size);
std::string LocalHeader(const PakWriterEntry& e);
std::string CentralHeader(const PakWriterEntry& e);
// Compresses e.sourcePath into the output as a new local record at the current position and
// fills in e's header fields. PakOk, or the grade of the failure; the output is then unusable.
int AddMember(PakOutputFile& out, PakWriterEntry& e);

// Reads the end record and the central directory of the old archive. Returns a PakResult
// grade; anything but PakOk means the directory could not be read completely and
// consistently, so rewriting would lose members. The local headers are checked separately
// (CheckLocalRecord), only for the members that are copied.
int ReadOldArchive(PakInputFile& input, PakOldArchive& archive);
// Checks a member's local header against its central entry (signature, name) and measures
// its local record, data descriptor included, into e.recordLength.
int CheckLocalRecord(PakInputFile& input, uint64_t directoryStart, PakWriterEntry& e);
// PakBadFormat when two measured records share bytes.
int CheckRecordsApart(const std::vector<PakWriterEntry>& entries);
// The smallest local record the central entry allows: header, name and data.
uint64_t MinimumRecordLength(const PakWriterEntry& e);

} // namespace pak::pakwriter
