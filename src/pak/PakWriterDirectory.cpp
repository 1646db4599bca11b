#include "pak/PakTypes.h"
#include "pak/PakWriterDetail.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace pak::pakwriter {
namespace {

constexpr size_t SearchBlockSize = 64 * 1024;
// Candidates for the end record that are checked against the directory they point at
// before the search gives up. Real archives have one; a comment may hold a stray copy of the
// signature, and a hostile file full of them must not turn the search into a long crawl.
constexpr int MaxEndCandidates = 32;

struct EndRecord {
    uint64_t position = 0; // where the signature was found
    uint16_t thisDisk = 0;
    uint16_t directoryDisk = 0;
    uint16_t entriesThisDisk = 0;
    uint16_t totalEntries = 0;
    uint32_t directorySize = 0;
    uint32_t directoryOffset = 0;
    uint16_t commentLength = 0;
    // Bytes found before the archive proper (a prepended stub) that its offsets leave out.
    uint64_t shift = 0;
    uint64_t directoryStart = 0; // absolute
};

bool HasSignature(PakInputFile& input, uint64_t offset, uint32_t signature) {
    unsigned char bytes[4];
    return input.ReadAt(offset, bytes, 4) && Get32(bytes) == signature;
}

// Parses the record at `position` and locates the central directory it describes. PakOk
// when the record fits the file and its directory is where it says (possibly behind a
// prefix); otherwise the grade that rejects this candidate.
int CheckEndCandidate(PakInputFile& input, uint64_t position, EndRecord& end) {
    unsigned char raw[EndRecordSize];
    if (!input.ReadAt(position, raw, sizeof raw)) return PakNotZip;
    end.position = position;
    end.thisDisk = Get16(raw + 4);
    end.directoryDisk = Get16(raw + 6);
    end.entriesThisDisk = Get16(raw + 8);
    end.totalEntries = Get16(raw + 10);
    end.directorySize = Get32(raw + 12);
    end.directoryOffset = Get32(raw + 16);
    end.commentLength = Get16(raw + 20);
    if (position + EndRecordSize + end.commentLength > input.Size()) return PakNotZip;
    if (end.thisDisk != 0 || end.directoryDisk != 0 || end.entriesThisDisk != end.totalEntries)
        return PakMultiVolume;
    // Archives that needed the 64-bit extension cannot be rewritten without it.
    if (end.directorySize == 0xFFFFFFFF || end.directoryOffset == 0xFFFFFFFF ||
        (position >= 20 && HasSignature(input, position - 20, Zip64LocatorSignature)))
        return PakBadFormat;

    uint64_t expected = uint64_t(end.directoryOffset) + end.directorySize;
    if (expected > position) return PakError; // bytes missing
    uint64_t extra = position - expected;
    if (end.totalEntries == 0) {
        if (end.directorySize != 0) return PakBadFormat;
        end.shift = extra;
        end.directoryStart = position;
        return PakOk;
    }
    if (HasSignature(input, end.directoryOffset + extra, CentralSignature)) {
        end.shift = extra;
    } else if (extra != 0 && HasSignature(input, end.directoryOffset, CentralSignature)) {
        end.shift = 0;
    } else {
        return PakBadFormat;
    }
    end.directoryStart = end.directoryOffset + end.shift;
    return PakOk;
}

// Searches the whole file backwards for the end record. The last candidate whose directory
// checks out wins, so trailing data of any length and a stray signature inside the archive
// comment are both passed over.
int FindEndRecord(PakInputFile& input, EndRecord& end) {
    const uint64_t size = input.Size();
    if (size < EndRecordSize) return PakNotZip;
    std::vector<unsigned char> block(SearchBlockSize + 3);
    std::array<unsigned char, 3> carry{};
    size_t carried = 0;
    uint64_t blockEnd = size;
    int candidates = 0;
    int worst = PakNotZip;
    while (blockEnd > 0) {
        uint64_t blockStart = blockEnd > SearchBlockSize ? blockEnd - SearchBlockSize : 0;
        size_t length = static_cast<size_t>(blockEnd - blockStart);
        if (!input.ReadAt(blockStart, block.data(), length)) return PakUnexpectedEof;
        // The first bytes of the block after this one complete a signature that starts here.
        std::memcpy(block.data() + length, carry.data(), carried);
        // Only signatures that start inside this block are new; the carried bytes were
        // scanned with the block they came from.
        size_t scanLength = length + carried;
        size_t starts = scanLength >= 4 ? std::min(length, scanLength - 3) : 0;
        for (size_t i = starts; i-- > 0;) {
            if (Get32(block.data() + i) != EndSignature) continue;
            uint64_t position = blockStart + i;
            if (position + EndRecordSize > size) continue;
            int grade = CheckEndCandidate(input, position, end);
            if (grade == PakOk) return PakOk;
            // A multi-volume or 64-bit record is a real archive we refuse, not noise.
            if (grade == PakMultiVolume || worst == PakNotZip) worst = grade;
            if (++candidates >= MaxEndCandidates) return worst;
        }
        carried = std::min<size_t>(3, length);
        std::memcpy(carry.data(), block.data(), carried);
        blockEnd = blockStart;
    }
    return worst;
}

// Reads `count` central headers from the directory bytes. Each header is checked to lie
// inside the directory before its fields are used.
int ParseDirectory(const std::string& directory, uint16_t count, uint64_t shift,
                   std::vector<PakWriterEntry>& entries) {
    const auto* base = reinterpret_cast<const unsigned char*>(directory.data());
    size_t pos = 0;
    entries.reserve(count);
    for (unsigned i = 0; i < count; ++i) {
        if (directory.size() - pos < CentralHeaderSize) return PakBadFormat;
        const unsigned char* h = base + pos;
        if (Get32(h) != CentralSignature) return PakBadFormat;
        PakWriterEntry e;
        e.versionMadeBy = Get16(h + 4);
        e.versionNeeded = Get16(h + 6);
        e.flags = Get16(h + 8);
        e.method = Get16(h + 10);
        e.dosTime = Get16(h + 12);
        e.dosDate = Get16(h + 14);
        e.crc = Get32(h + 16);
        e.compressedSize = Get32(h + 20);
        e.uncompressedSize = Get32(h + 24);
        size_t nameLength = Get16(h + 28);
        size_t extraLength = Get16(h + 30);
        size_t commentLength = Get16(h + 32);
        e.diskNumberStart = Get16(h + 34);
        e.internalAttributes = Get16(h + 36);
        e.externalAttributes = Get32(h + 38);
        uint32_t offset = Get32(h + 42);
        pos += CentralHeaderSize;
        if (nameLength == 0 || directory.size() - pos < nameLength + extraLength + commentLength)
            return PakBadFormat;
        if (e.compressedSize == 0xFFFFFFFF || e.uncompressedSize == 0xFFFFFFFF ||
            offset == 0xFFFFFFFF || e.diskNumberStart != 0)
            return PakBadFormat;
        e.sourceOffset = uint64_t(offset) + shift;
        e.name.assign(directory, pos, nameLength);
        e.storedName = e.name;
        e.centralExtra.assign(directory, pos + nameLength, extraLength);
        e.comment.assign(directory, pos + nameLength + extraLength, commentLength);
        e.dosMode = (e.versionMadeBy >> 8) == 0;
        pos += nameLength + extraLength + commentLength;
        entries.push_back(std::move(e));
    }
    // Another central header behind the counted ones means the end record's count is short
    // (or wrapped); rewriting would silently drop the rest.
    if (directory.size() - pos >= 4 && Get32(base + pos) == CentralSignature) return PakBadFormat;
    return PakOk;
}

// Length of the data descriptor behind a member's data, or 0 when none matches the central
// entry. Writers put it with or without its signature, and a few with 64-bit sizes.
size_t DescriptorLength(const unsigned char* d, size_t available, const PakWriterEntry& e) {
    auto matches32 = [&](const unsigned char* p) {
        return Get32(p) == e.crc && Get32(p + 4) == e.compressedSize &&
               Get32(p + 8) == e.uncompressedSize;
    };
    auto matches64 = [&](const unsigned char* p) {
        return Get32(p) == e.crc && Get32(p + 4) == e.compressedSize && Get32(p + 8) == 0 &&
               Get32(p + 12) == e.uncompressedSize && Get32(p + 16) == 0;
    };
    bool signature = available >= 4 && Get32(d) == DescriptorSignature;
    if (signature && available >= 16 && matches32(d + 4)) return 16;
    if (signature && available >= 24 && matches64(d + 4)) return 24;
    if (available >= 12 && matches32(d)) return 12;
    if (available >= 20 && matches64(d)) return 20;
    return 0;
}

// Entries in the order of their records in the old archive.
std::vector<const PakWriterEntry*> ByOffset(const std::vector<PakWriterEntry>& entries) {
    std::vector<const PakWriterEntry*> order;
    order.reserve(entries.size());
    for (const auto& e : entries)
        order.push_back(&e);
    std::sort(order.begin(), order.end(), [](const PakWriterEntry* a, const PakWriterEntry* b) {
        return a->sourceOffset < b->sourceOffset;
    });
    return order;
}

} // namespace

uint64_t MinimumRecordLength(const PakWriterEntry& e) {
    return LocalHeaderSize + e.name.size() + e.compressedSize;
}

int ReadOldArchive(PakInputFile& input, PakOldArchive& archive) {
    EndRecord end;
    int grade = FindEndRecord(input, end);
    if (grade != PakOk) return grade;

    archive.comment.resize(end.commentLength);
    if (!input.ReadAt(end.position + EndRecordSize, archive.comment.data(), end.commentLength))
        return PakUnexpectedEof;

    // The directory's size was checked against the file, so this never exceeds the bytes
    // actually present.
    std::string directory(end.directorySize, '\0');
    if (!input.ReadAt(end.directoryStart, directory.data(), directory.size()))
        return PakUnexpectedEof;
    grade = ParseDirectory(directory, end.totalEntries, end.shift, archive.entries);
    if (grade != PakOk) return grade;
    archive.directoryStart = end.directoryStart;

    // Two entries sharing bytes would copy the same data twice under different names, and
    // enough of them would blow an archive up far beyond its own size. The local headers are
    // not read yet, so this uses the smallest record each entry can have; CheckRecordsApart
    // repeats it with the real lengths.
    auto order = ByOffset(archive.entries);
    for (size_t i = 0; i < order.size(); ++i) {
        uint64_t next = i + 1 < order.size() ? order[i + 1]->sourceOffset : end.directoryStart;
        if (order[i]->sourceOffset + MinimumRecordLength(*order[i]) > next) return PakBadFormat;
    }
    archive.preambleLength = order.empty() ? end.directoryStart : order.front()->sourceOffset;
    return PakOk;
}

int CheckLocalRecord(PakInputFile& input, uint64_t directoryStart, PakWriterEntry& e) {
    // Header, name and a typical extra field in one read; a longer extra field takes a second.
    const uint64_t offset = e.sourceOffset;
    if (offset >= directoryStart || directoryStart - offset < LocalHeaderSize)
        return PakUnexpectedEof;
    std::string local(static_cast<size_t>(std::min<uint64_t>(LocalHeaderSize + e.name.size() + 256,
                                                             directoryStart - offset)),
                      '\0');
    if (!input.ReadAhead(offset, local.data(), local.size())) return PakUnexpectedEof;
    const auto* h = reinterpret_cast<const unsigned char*>(local.data());
    if (Get32(h) != LocalSignature) return PakBadFormat;
    size_t nameLength = Get16(h + 26);
    size_t extraLength = Get16(h + 28);
    if (nameLength != e.name.size()) return PakBadFormat;
    size_t headerLength = LocalHeaderSize + nameLength + extraLength;
    if (local.size() < headerLength) {
        size_t have = local.size();
        local.resize(headerLength);
        if (!input.ReadAhead(offset + have, local.data() + have, headerLength - have))
            return PakUnexpectedEof;
        h = reinterpret_cast<const unsigned char*>(local.data());
    }
    if (local.compare(LocalHeaderSize, nameLength, e.name) != 0) return PakBadFormat;
    e.localFlags = Get16(h + 6);
    e.localExtra = local.substr(LocalHeaderSize + nameLength, extraLength);

    uint64_t dataEnd = offset + headerLength + e.compressedSize;
    uint64_t descriptor = 0;
    if (e.localFlags & 0x08) {
        unsigned char d[24];
        size_t available =
            dataEnd < directoryStart
                ? static_cast<size_t>(std::min<uint64_t>(24, directoryStart - dataEnd))
                : 0;
        if (!input.ReadAhead(dataEnd, d, available)) return PakUnexpectedEof;
        descriptor = DescriptorLength(d, available, e);
        if (descriptor == 0) return PakBadFormat;
    }
    e.recordLength = headerLength + e.compressedSize + descriptor;
    // Members live in front of the directory; a record running into it is not a member.
    if (offset + e.recordLength > directoryStart) return PakUnexpectedEof;
    return PakOk;
}

int CheckRecordsApart(const std::vector<PakWriterEntry>& entries) {
    auto order = ByOffset(entries);
    const PakWriterEntry* previous = nullptr;
    for (const PakWriterEntry* e : order) {
        if (e->recordLength == 0) continue; // replaced, never measured
        if (previous && previous->sourceOffset + previous->recordLength > e->sourceOffset)
            return PakBadFormat;
        previous = e;
    }
    return PakOk;
}

} // namespace pak::pakwriter
