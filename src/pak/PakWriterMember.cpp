#include "pak/PakTypes.h"
#include "pak/PakWriterDetail.h"
#include "platform/DosTime.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <system_error>
#include <vector>

#include <zlib.h>

namespace pak::pakwriter {
namespace {

constexpr size_t SourceBlockSize = size_t(1) << 20;
constexpr size_t DeflateBlockSize = 256 * 1024;

constexpr uint8_t ReadOnlyAttribute = 0x01;
constexpr uint8_t DirectoryAttribute = 0x10;
constexpr uint8_t ArchiveAttribute = 0x20;

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

int64_t SecondsNow() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The attribute byte a Windows machine would report for the source. A freshly written file
// carries the archive bit there, so every file gets it; read-only stands for a file its
// owner may not write.
uint8_t AttributeByte(const std::filesystem::file_status& status) {
    uint8_t attributes = 0;
    if (status.type() == std::filesystem::file_type::directory)
        attributes |= DirectoryAttribute;
    else
        attributes |= ArchiveAttribute;
    if ((status.permissions() & std::filesystem::perms::owner_write) ==
        std::filesystem::perms::none)
        attributes |= ReadOnlyAttribute;
    return attributes;
}

// Compressed archives inside the archive would not shrink again; they are stored as they are.
bool IsStoredBySuffix(const std::string& name) {
    static const char* const suffixes[] = {".Z", ".zip", ".zoo", ".arc", ".lzh", ".arj"};
    for (const char* suffix : suffixes) {
        std::string_view s(suffix);
        if (name.size() >= s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0)
            return true;
    }
    return false;
}

// Reads the source through `sink`, keeping its CRC and length. PakOk, or the grade of the
// failure (a read error, or a source that grew beyond what the archive can describe).
template <typename Sink> int ReadSource(FILE* source, PakWriterEntry& e, Sink&& sink) {
    std::vector<unsigned char> block(SourceBlockSize);
    uLong crc = crc32(0L, Z_NULL, 0);
    uint64_t total = 0;
    for (;;) {
        size_t n = std::fread(block.data(), 1, block.size(), source);
        if (n == 0) break;
        crc = crc32(crc, block.data(), static_cast<uInt>(n));
        total += n;
        if (total > MaxField32) return PakError;
        int grade = sink(block.data(), n, false);
        if (grade != PakOk) return grade;
    }
    if (std::ferror(source)) return PakError;
    int grade = sink(block.data(), 0, true);
    if (grade != PakOk) return grade;
    e.crc = static_cast<uint32_t>(crc);
    e.uncompressedSize = total;
    return PakOk;
}

int WriteDeflated(FILE* source, PakOutputFile& out, PakWriterEntry& e) {
    z_stream zs{};
    if (deflateInit2(&zs, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return PakNoMemory;
    std::unique_ptr<z_stream, int (*)(z_stream*)> guard(&zs, deflateEnd);
    std::vector<unsigned char> compressed(DeflateBlockSize);
    uint64_t written = 0;
    int grade = ReadSource(source, e, [&](unsigned char* data, size_t n, bool finish) {
        zs.next_in = data;
        zs.avail_in = static_cast<uInt>(n);
        int status;
        do {
            zs.next_out = compressed.data();
            zs.avail_out = static_cast<uInt>(compressed.size());
            status = deflate(&zs, finish ? Z_FINISH : Z_NO_FLUSH);
            if (status == Z_STREAM_ERROR) return int(PakError);
            size_t have = compressed.size() - zs.avail_out;
            written += have;
            if (written > MaxField32) return int(PakError);
            if (!out.Write(compressed.data(), have)) return int(PakCannotWrite);
        } while (zs.avail_out == 0 || (finish && status != Z_STREAM_END));
        return int(PakOk);
    });
    e.compressedSize = written;
    return grade;
}

int WriteStored(FILE* source, PakOutputFile& out, PakWriterEntry& e) {
    int grade = ReadSource(source, e, [&](unsigned char* data, size_t n, bool) {
        return out.Write(data, n) ? int(PakOk) : int(PakCannotWrite);
    });
    e.compressedSize = e.uncompressedSize;
    return grade;
}

} // namespace

int ReadSourceInfo(const std::filesystem::path& path, PakSourceInfo& info) {
    std::error_code ec;
    auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status)) return PakError;
    info.isDirectory = std::filesystem::is_directory(status);
    if (!info.isDirectory && !std::filesystem::is_regular_file(status)) return PakError;
    info.size = info.isDirectory ? 0 : std::filesystem::file_size(path, ec);
    if (ec) return PakError;
    info.attributes = AttributeByte(status);
    auto written = std::filesystem::last_write_time(path, ec);
    info.modified = ec ? SecondsNow()
                       : std::chrono::duration_cast<std::chrono::seconds>(
                             std::chrono::file_clock::to_sys(written).time_since_epoch())
                             .count();
    return PakOk;
}

uint16_t MethodFor(const std::string& storedName, uint64_t size) {
    return size == 0 || IsStoredBySuffix(storedName) ? 0 : 8;
}

std::string LocalHeader(const PakWriterEntry& e) {
    std::string h;
    h.reserve(LocalHeaderSize + e.storedName.size() + e.localExtra.size());
    Put32(h, LocalSignature);
    Put16(h, e.versionNeeded);
    Put16(h, e.localFlags);
    Put16(h, e.method);
    Put16(h, e.dosTime);
    Put16(h, e.dosDate);
    Put32(h, e.crc);
    Put32(h, static_cast<uint32_t>(e.compressedSize));
    Put32(h, static_cast<uint32_t>(e.uncompressedSize));
    Put16(h, static_cast<uint16_t>(e.storedName.size()));
    Put16(h, static_cast<uint16_t>(e.localExtra.size()));
    h += e.storedName;
    h += e.localExtra;
    return h;
}

std::string CentralHeader(const PakWriterEntry& e) {
    std::string h;
    h.reserve(CentralHeaderSize + e.storedName.size() + e.centralExtra.size() + e.comment.size());
    Put32(h, CentralSignature);
    Put16(h, e.versionMadeBy);
    Put16(h, e.versionNeeded);
    Put16(h, e.flags);
    Put16(h, e.method);
    Put16(h, e.dosTime);
    Put16(h, e.dosDate);
    Put32(h, e.crc);
    Put32(h, static_cast<uint32_t>(e.compressedSize));
    Put32(h, static_cast<uint32_t>(e.uncompressedSize));
    Put16(h, static_cast<uint16_t>(e.storedName.size()));
    Put16(h, static_cast<uint16_t>(e.centralExtra.size()));
    Put16(h, static_cast<uint16_t>(e.comment.size()));
    Put16(h, e.diskNumberStart);
    Put16(h, e.internalAttributes);
    Put32(h, e.externalAttributes);
    Put32(h, static_cast<uint32_t>(e.localHeaderOffset));
    h += e.storedName;
    h += e.centralExtra;
    h += e.comment;
    return h;
}

int AddMember(PakOutputFile& out, PakWriterEntry& e) {
    PakSourceInfo info;
    int grade = ReadSourceInfo(e.sourcePath, info);
    if (grade != PakOk) return grade;
    bool directoryEntry = !e.storedName.empty() && e.storedName.back() == '/';
    if (directoryEntry != info.isDirectory || info.size > MaxField32 ||
        e.storedName.size() > 0xFFFF)
        return PakError;

    e.method = MethodFor(e.storedName, info.size);
    e.versionMadeBy = e.dosMode ? 20 : uint16_t(2 | (11 << 8));
    e.versionNeeded = e.method == 8 ? 20 : 10;
    e.flags = e.localFlags = 0x08;
    platform::UnixToDos(info.modified, e.dosDate, e.dosTime);
    e.crc = 0;
    e.uncompressedSize = info.size;
    e.compressedSize = e.method == 0 ? info.size : 0;
    e.diskNumberStart = 0;
    e.externalAttributes =
        e.dosMode ? info.attributes : (info.attributes | (e.externalAttributes & 0xFF00));
    e.internalAttributes = info.attributes;
    // Extra fields of a replaced member describe its old data (times, owners, alignment);
    // carried over they would contradict the new data, so the new member has none.
    e.localExtra.clear();
    e.centralExtra.clear();

    e.localHeaderOffset = out.Position();
    if (!out.Write(LocalHeader(e))) return PakCannotWrite;

    if (!directoryEntry) {
        FilePtr source(std::fopen(e.sourcePath.string().c_str(), "rb"));
        if (!source) return PakError;
        grade =
            e.method == 8 ? WriteDeflated(source.get(), out, e) : WriteStored(source.get(), out, e);
        if (grade != PakOk) return grade;
    }

    // The output is a file on disk, so the header is finished in place and no data
    // descriptor is needed.
    e.flags &= ~0x08;
    e.localFlags &= ~0x08;
    if (e.localHeaderOffset > MaxField32) return PakError;
    return out.WriteAt(e.localHeaderOffset, LocalHeader(e)) ? PakOk : PakCannotWrite;
}

} // namespace pak::pakwriter
