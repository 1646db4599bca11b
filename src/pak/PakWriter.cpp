#include "pak/PakWriter.h"

#include "pak/PakWriterDetail.h"

#include <algorithm>
#include <cctype>
#include <new>
#include <system_error>
#include <vector>

namespace pak {
using namespace pakwriter;
namespace {

// A file to add as a new member, in request order.
struct PendingAdd {
    std::string fullName;
    std::string storedName;
    std::filesystem::path sourcePath;
    bool dosMode = false;
};

// Drops a drive ("C:"), a network share ("//server/share") or leading slashes, so a full
// path from the user's disk becomes a relative member name.
std::string RemoveRoot(const std::string& name) {
    size_t start = 0;
    if (name.size() >= 2 && name[0] == '/' && name[1] == '/') {
        size_t server = name.find('/', 2);
        size_t share = server == std::string::npos ? server : name.find('/', server + 1);
        start = share == std::string::npos ? name.size() : share;
    } else if (name.size() >= 2 && std::isalpha(static_cast<unsigned char>(name[0])) &&
               name[1] == ':') {
        start = 2;
    }
    while (start < name.size() && name[start] == '/')
        ++start;
    return name.substr(start);
}

bool MarkMembers(std::vector<PakWriterEntry>& entries, const std::string& name,
                 const PakAddRequest& request) {
    bool found = false;
    // Duplicate names all take the new data, so whichever one a reader picks is current.
    for (auto& e : entries) {
        if (e.name != name) continue;
        e.marked = true;
        e.sourcePath = request.sourcePath;
        e.dosMode = request.dosMode;
        found = true;
    }
    return found;
}

// Marks the member the request replaces, or queues a new one. PakError when the request
// names no existing file or no usable member name.
int TakeRequest(const PakAddRequest& request, std::vector<PakWriterEntry>& entries,
                std::vector<PendingAdd>& pending) {
    if (request.sourcePath.empty()) return PakError;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(request.sourcePath, ec)) return PakError;

    std::string fullName = request.archiveName && !request.archiveName->empty()
                               ? *request.archiveName
                               : request.sourcePath;
    std::replace(fullName.begin(), fullName.end(), '\\', '/');
    if (MarkMembers(entries, fullName, request)) return PakOk;

    // DOS mode would store the short 8.3 form of the name; this file system keeps no short
    // names, so the name is used as it is.
    std::string storedName = fullName;
    if (request.keepPath) {
        storedName = RemoveRoot(storedName);
    } else {
        size_t slash = storedName.find_last_of('/');
        if (slash != std::string::npos) storedName.erase(0, slash + 1);
    }
    if (storedName.empty() || storedName.size() > 0xFFFF) return PakError;
    if (MarkMembers(entries, storedName, request)) return PakOk;

    pending.push_back({fullName, storedName, request.sourcePath, request.dosMode});
    return PakOk;
}

// Size of the new archive with every new member at its smallest (deflated data may shrink
// to nothing). Refusing up front keeps an update that cannot fit from writing gigabytes
// first; the exact limit is checked again while writing.
uint64_t SmallestNewSize(const PakOldArchive& old, const std::vector<PakWriterEntry>& entries,
                         const std::vector<PendingAdd>& pending) {
    uint64_t total = old.preambleLength + EndRecordSize + old.comment.size();
    auto addNew = [&](const std::string& storedName, const std::filesystem::path& source,
                      const std::string& comment) {
        PakSourceInfo info;
        uint64_t data = 0;
        if (ReadSourceInfo(source, info) == PakOk && MethodFor(storedName, info.size) == 0)
            data = info.size;
        total += LocalHeaderSize + storedName.size() + data + CentralHeaderSize +
                 storedName.size() + comment.size();
    };
    for (const auto& e : entries) {
        if (e.marked) {
            addNew(e.storedName, e.sourcePath, e.comment);
        } else {
            total += e.recordLength + CentralHeaderSize + e.storedName.size() +
                     e.centralExtra.size() + e.comment.size();
        }
    }
    for (const auto& p : pending)
        addNew(p.storedName, p.sourcePath, std::string());
    return total;
}

int WriteDirectoryAndEnd(PakOutputFile& out, const std::vector<PakWriterEntry>& entries,
                         const std::string& comment) {
    if (entries.size() > MaxEntries) return PakError;
    uint64_t directoryOffset = out.Position();
    for (const auto& e : entries)
        if (!out.Write(CentralHeader(e))) return PakCannotWrite;
    uint64_t directorySize = out.Position() - directoryOffset;
    if (directoryOffset > MaxField32 || directorySize > MaxField32) return PakError;

    std::string end;
    Put32(end, EndSignature);
    Put16(end, 0);
    Put16(end, 0);
    Put16(end, static_cast<uint16_t>(entries.size()));
    Put16(end, static_cast<uint16_t>(entries.size()));
    Put32(end, static_cast<uint32_t>(directorySize));
    Put32(end, static_cast<uint32_t>(directoryOffset));
    Put16(end, static_cast<uint16_t>(comment.size()));
    end += comment;
    if (!out.Write(end)) return PakCannotWrite;
    return out.Position() > MaxField32 ? PakError : PakOk;
}

// Writes the preamble and every member into the new archive; the new members are appended
// to old.entries. Old members keep their order; new ones follow in request order. A request
// whose source cannot be read fails the whole update rather than leaving the member out.
int WriteMembers(PakOutputFile& out, PakInputFile& input, PakOldArchive& old,
                 const std::vector<PendingAdd>& pending) {
    auto copyFailure = [&] { return out.InputShort() ? PakUnexpectedEof : PakCannotWrite; };
    if (!out.QueueCopy(input, 0, old.preambleLength)) return copyFailure();
    for (auto& e : old.entries) {
        if (e.marked) {
            if (!out.Flush()) return copyFailure();
            int grade = AddMember(out, e);
            if (grade != PakOk) return grade;
            continue;
        }
        e.localHeaderOffset = out.Position();
        if (e.localHeaderOffset > MaxField32) return PakError;
        if (!out.QueueCopy(input, e.sourceOffset, e.recordLength)) return copyFailure();
    }
    if (!out.Flush()) return copyFailure();
    for (const auto& p : pending) {
        PakWriterEntry e;
        e.name = p.fullName;
        e.storedName = p.storedName;
        e.sourcePath = p.sourcePath;
        e.dosMode = p.dosMode;
        e.marked = true;
        int grade = AddMember(out, e);
        if (grade != PakOk) return grade;
        old.entries.push_back(std::move(e));
    }
    return PakOk;
}

int RunUpdate(const std::filesystem::path& archive, const PakAddRequest& request) {
    // Through a link the new archive replaces the file it points at, not the link.
    std::error_code ec;
    std::filesystem::path target = std::filesystem::canonical(archive, ec);
    if (ec) return PakError;
    auto perms = std::filesystem::status(target, ec).permissions();
    if (ec) return PakError;

    PakInputFile input;
    if (!input.Open(target)) return PakError;
    PakOldArchive old;
    int grade = ReadOldArchive(input, old);
    if (grade != PakOk) return grade;

    std::vector<PakWriterEntry>& entries = old.entries;
    std::vector<PendingAdd> pending;
    grade = TakeRequest(request, entries, pending);
    if (grade != PakOk) return grade;
    // Every header is checked before anything is written: a damaged archive never costs a
    // copy, and the copy itself then runs as one long transfer.
    for (auto& e : entries) {
        if (e.marked) continue;
        grade = CheckLocalRecord(input, old.directoryStart, e);
        if (grade != PakOk) return grade;
    }
    grade = CheckRecordsApart(entries);
    if (grade != PakOk) return grade;
    if (entries.size() + pending.size() > MaxEntries ||
        SmallestNewSize(old, entries, pending) > MaxField32)
        return PakError;

    PakOutputFile out;
    if (!out.Open(target)) return PakCannotWrite;
    grade = WriteMembers(out, input, old, pending);
    if (grade != PakOk) return grade;
    grade = WriteDirectoryAndEnd(out, old.entries, old.comment);
    if (grade != PakOk) return grade;
    // Some systems refuse to replace a file that is still open.
    input.Close();
    return out.Commit(perms) ? PakOk : PakCannotWrite;
}

} // namespace

bool UpdatePakArchive(const std::filesystem::path& archive, const PakAddRequest& request,
                      int* result) {
    int grade;
    try {
        grade = RunUpdate(archive, request);
    } catch (const std::bad_alloc&) {
        grade = PakNoMemory;
    }
    if (result) *result = grade;
    return grade == PakOk;
}

} // namespace pak
