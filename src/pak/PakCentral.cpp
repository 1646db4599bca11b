#include "pak/PakCentral.h"

#include "platform/DosTime.h"

#include <ctime>

namespace pak {
namespace {

// Big enough that a game's whole central directory takes a handful of reads.
constexpr size_t kDirectoryBuffer = 64 * 1024;
// The end record is searched in blocks of this size, from the end of the file
// towards its start; any block size finds the same record.
constexpr size_t kSearchBlock = 64 * 1024;
constexpr size_t kEndRecordSize = 22;

bool IsEndSignature(const unsigned char* p) {
    return ReadLe32(p) == kEndSignature;
}

} // namespace

int64_t PakEntryTime(uint16_t dosDate, uint16_t dosTime) {
    int64_t seconds = 0;
    if (platform::DosToUnix(dosDate, dosTime, seconds)) return seconds;
    return static_cast<int64_t>(std::time(nullptr));
}

const char* PakUnsupportedReason(uint16_t flags, uint16_t method, uint16_t versionNeeded) {
    if (flags & 1) return "encrypted member skipped";
    if (method == 7 || method > 8) return "compression method not supported, member skipped";
    unsigned version = versionNeeded & 0xFF;
    unsigned host = versionNeeded >> 8;
    if (version > (host == 2 ? 42u : 20u)) return "needs a newer unzip version, member skipped";
    return nullptr;
}

CPakDirectory::CPakDirectory(CPakFile& file, PakEndRecord& end, PakPass& pass)
    : m_file(file), m_end(end), m_pass(pass), m_cursor(file, kDirectoryBuffer) {}

bool CPakDirectory::Fail(int result, std::string reason) {
    m_pass.Note(result, {}, std::move(reason));
    m_failed = true;
    return false;
}

// A record whose comment would run past the end of the file cannot be the
// archive's own: such bytes are part of a comment or of data that only looks
// like a record, and the search goes on towards the start of the file.
bool CPakDirectory::CheckCandidate(uint64_t at) {
    unsigned char f[18];
    if (m_file.ReadAt(at + 4, f, sizeof f) != sizeof f) return false;
    uint16_t commentLength = ReadLe16(f + 16);
    if (at + kEndRecordSize + commentLength > m_file.Size()) return false;
    m_end = PakEndRecord{};
    m_end.thisDisk = ReadLe16(f);
    m_end.directoryDisk = ReadLe16(f + 2);
    m_end.entriesThisDisk = ReadLe16(f + 4);
    m_end.totalEntries = ReadLe16(f + 6);
    m_end.directorySize = ReadLe32(f + 8);
    m_end.directoryOffset = ReadLe32(f + 12);
    m_end.foundAt = at;
    m_end.comment.resize(commentLength);
    if (commentLength &&
        m_file.ReadAt(at + kEndRecordSize, m_end.comment.data(), commentLength) != commentLength)
        return false;
    return true;
}

// The whole file is searched, not only its last 64 KB, and the last record in
// the file wins: archives with long trailing data are still found.
bool CPakDirectory::LocateEndRecord() {
    const uint64_t size = m_file.Size();
    if (size < kEndRecordSize) return false;
    std::vector<unsigned char> block(kSearchBlock + 3);
    // Signature starts lie at most 22 bytes before the end; the bytes that can
    // hold them end 18 bytes before it.
    uint64_t blockEnd = size - (kEndRecordSize - 4);
    size_t carry = 0;
    while (blockEnd > 0) {
        uint64_t blockStart = blockEnd > kSearchBlock ? blockEnd - kSearchBlock : 0;
        size_t length = static_cast<size_t>(blockEnd - blockStart);
        // The first bytes of the block read before (the one after this one)
        // sit right behind it, so a signature across the two is seen.
        std::memmove(block.data() + length, block.data(), carry);
        if (m_file.ReadAt(blockStart, block.data(), length) != length) return false;
        size_t total = length + carry;
        for (size_t i = length; i-- > 0;) {
            if (i + 4 <= total && IsEndSignature(block.data() + i) &&
                CheckCandidate(blockStart + i))
                return true;
        }
        carry = std::min<size_t>(3, length);
        blockEnd = blockStart;
    }
    return false;
}

bool CPakDirectory::Start() {
    if (!LocateEndRecord())
        return Fail(PakNotZip, "no end of central directory record: not a zip archive");
    if (m_end.thisDisk != m_end.directoryDisk)
        return Fail(PakMultiVolume, "the archive spans several volumes");

    const int64_t expected = static_cast<int64_t>(m_end.directorySize) + m_end.directoryOffset;
    m_end.extraBytes = static_cast<int64_t>(m_end.foundAt) - expected;
    if (m_end.directoryOffset == 0 && m_end.directorySize != 0)
        m_pass.Note(PakError, {},
                    "central directory offset missing; taken to end at the end record");
    else if (m_end.extraBytes < 0)
        m_pass.Note(PakError, {},
                    "bytes missing: the central directory does not fit before the end record");
    else if (m_end.extraBytes > 0)
        m_pass.Note(PakWarning, {},
                    std::to_string(m_end.extraBytes) + " extra bytes at the start of the archive");

    if ((m_end.directorySize == 0 && m_end.directoryOffset == 0) ||
        (m_end.totalEntries == 0 && m_end.directorySize == 0)) {
        m_pass.Note(PakWarning, {}, "the archive is empty");
        m_done = true;
        return false;
    }

    auto signatureAt = [this](int64_t offset) {
        unsigned char sig[4];
        return offset >= 0 && m_file.ReadAt(static_cast<uint64_t>(offset), sig, 4) == 4 &&
               ReadLe32(sig) == kCentralSignature;
    };
    int64_t start = static_cast<int64_t>(m_end.directoryOffset) + m_end.extraBytes;
    if (!signatureAt(start)) {
        if (!signatureAt(m_end.directoryOffset))
            return Fail(PakBadFormat, "no central directory where the end record puts it");
        m_pass.Note(PakError, {}, "central directory found only at its stored offset");
        m_end.extraBytes = 0;
        start = m_end.directoryOffset;
    }
    m_cursor.Seek(static_cast<uint64_t>(start));
    return true;
}

bool CPakDirectory::Next(PakCentralEntry& e, bool wantComment) {
    if (m_failed || m_done) return false;
    if (m_read == m_end.totalEntries) {
        m_done = true;
        unsigned char sig[4];
        if (!m_cursor.Read(sig, 4) || !IsEndSignature(sig))
            m_pass.Note(PakWarning, {}, "the central directory is not followed by its end record");
        return false;
    }
    unsigned char h[46];
    if (!m_cursor.Read(h, 4)) return Fail(PakUnexpectedEof, "the central directory ends early");
    if (ReadLe32(h) != kCentralSignature)
        return Fail(PakBadFormat,
                    "central directory entry " + std::to_string(m_read + 1) + " is missing");
    if (!m_cursor.Read(h + 4, sizeof h - 4))
        return Fail(PakUnexpectedEof, "the central directory ends early");
    e.versionMadeBy = ReadLe16(h + 4);
    e.versionNeeded = ReadLe16(h + 6);
    e.flags = ReadLe16(h + 8);
    e.method = ReadLe16(h + 10);
    e.dosTime = ReadLe16(h + 12);
    e.dosDate = ReadLe16(h + 14);
    e.crc = ReadLe32(h + 16);
    e.compressedSize = ReadLe32(h + 20);
    e.uncompressedSize = ReadLe32(h + 24);
    e.nameLength = ReadLe16(h + 28);
    uint16_t extraLength = ReadLe16(h + 30);
    uint16_t commentLength = ReadLe16(h + 32);
    e.diskNumber = ReadLe16(h + 34);
    e.internalAttributes = ReadLe16(h + 36);
    e.externalAttributes = ReadLe32(h + 38);
    e.localOffset = ReadLe32(h + 42);

    size_t kept = std::min<size_t>(e.nameLength, kMaxMemberName);
    if (!m_cursor.ReadString(e.name, kept) || !m_cursor.Skip(e.nameLength - kept) ||
        !m_cursor.Skip(extraLength))
        return Fail(PakUnexpectedEof, "the central directory ends early");
    if (kept < e.nameLength) m_pass.Note(PakWarning, e.name, "name longer than 259 bytes cut");
    bool commentOk = wantComment ? m_cursor.ReadString(e.comment, commentLength)
                                 : (e.comment.clear(), m_cursor.Skip(commentLength));
    if (!commentOk) return Fail(PakUnexpectedEof, "the central directory ends early");
    ++m_read;
    return true;
}

} // namespace pak
