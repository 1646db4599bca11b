#include "pak/PakArchive.h"
#include "pak/PakCentral.h"
#include "pak/PakDecode.h"
#include "pak/PakFile.h"
#include "pak/PakTarget.h"

#include "platform/Text.h"

#include <chrono>
#include <unordered_set>

namespace fs = std::filesystem;

namespace pak {
namespace {

// Member data is read and written in blocks this large: a game archive's
// small members then come out of one read each, and big ones reach the disk
// in few writes.
constexpr size_t kDataBuffer = 1024 * 1024;
constexpr size_t kOutputBuffer = 1024 * 1024;

struct LocalData {
    uint32_t crc = 0;
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    uint16_t method = 0;
    uint16_t flags = 0;
};

// The state shared by the members of one extraction or check.
class CMemberRunner {
  public:
    CMemberRunner(CPakFile& file, const PakEndRecord& end, PakPass& pass)
        : m_file(file), m_pass(pass), m_cursor(file, kDataBuffer), m_sink(kOutputBuffer),
          m_extraBytes(end.extraBytes) {}

    // Reads the member's local header and leaves the cursor on its data.
    // Returns PakOk or the member's grade (noted in the pass).
    int ReadLocal(const PakCentralEntry& e, LocalData& local);
    // Decodes the data behind the local header into file (null: check only)
    // and grades the outcome.
    int DecodeData(const PakCentralEntry& e, const LocalData& local, std::FILE* file);

  private:
    bool LocalSignatureAt(int64_t offset);
    int Refuse(const PakCentralEntry& e, int result, std::string reason) {
        m_pass.Note(result, e.name, std::move(reason));
        return result;
    }

    CPakFile& m_file;
    PakPass& m_pass;
    CPakCursor m_cursor;
    CPakSink m_sink;
    CPakDecoder m_decoder;
    int64_t m_extraBytes;
    bool m_firstLocal = true;
};

bool CMemberRunner::LocalSignatureAt(int64_t offset) {
    if (offset < 0) return false;
    m_cursor.Seek(static_cast<uint64_t>(offset));
    unsigned char sig[4];
    return m_cursor.Read(sig, 4) && ReadLe32(sig) == kLocalSignature;
}

int CMemberRunner::ReadLocal(const PakCentralEntry& e, LocalData& local) {
    int64_t offset = static_cast<int64_t>(e.localOffset) + m_extraBytes;
    bool found = LocalSignatureAt(offset);
    // Archives with data in front whose offsets were adjusted after all put the
    // first local header at its plain offset; that settles it for the rest.
    if (!found && m_firstLocal && m_extraBytes != 0 && LocalSignatureAt(e.localOffset)) {
        m_extraBytes = 0;
        found = true;
    }
    m_firstLocal = false;
    if (!found)
        return Refuse(e, PakBadFormat, "no local header where the central directory puts it");

    unsigned char h[26];
    if (!m_cursor.Read(h, sizeof h))
        return Refuse(e, PakError, "local header cut off by the end of the archive");
    local.flags = ReadLe16(h + 2);
    local.method = ReadLe16(h + 4);
    uint16_t nameLength = ReadLe16(h + 22);
    uint16_t extraLength = ReadLe16(h + 24);
    // The output name comes from the central directory, where the selection and
    // the safety checks looked; a local header naming something else belongs
    // to another member or is forged.
    std::string localName;
    if (nameLength != e.nameLength ||
        !m_cursor.ReadString(localName, std::min<size_t>(nameLength, e.name.size())) ||
        localName != e.name)
        return Refuse(e, PakBadFormat, "local header names another member");
    if (local.method != e.method)
        return Refuse(e, PakBadFormat, "local header gives another method");
    if (!m_cursor.Skip(nameLength - e.name.size()) || !m_cursor.Skip(extraLength))
        return Refuse(e, PakError, "local header cut off by the end of the archive");

    if ((local.flags | e.flags) & 8) {
        // Sizes and CRC follow the data; the central directory has them.
        local.crc = e.crc;
        local.compressedSize = e.compressedSize;
        local.uncompressedSize = e.uncompressedSize;
    } else {
        local.crc = ReadLe32(h + 10);
        local.compressedSize = ReadLe32(h + 14);
        local.uncompressedSize = ReadLe32(h + 18);
    }
    if (m_cursor.Tell() + local.compressedSize > m_file.Size())
        return Refuse(e, PakError,
                      "bytes missing: the member's data runs past the end of the archive");
    return PakOk;
}

int CMemberRunner::DecodeData(const PakCentralEntry& e, const LocalData& local, std::FILE* file) {
    m_sink.Begin(file, local.uncompressedSize);
    PakDecodeStatus status = m_decoder.Decode(m_cursor, local.compressedSize, local.method,
                                              local.flags, local.uncompressedSize, m_sink);
    switch (status) {
    case PakDecodeStatus::WriteFailed:
        return Refuse(e, PakCannotWrite, "writing the file failed");
    case PakDecodeStatus::BadData:
        return Refuse(e, PakError, "the member's data cannot be decoded");
    case PakDecodeStatus::TooLong:
        return Refuse(e, PakError,
                      "the member holds more data than its size says; output cut at that size");
    case PakDecodeStatus::Ok:
        break;
    }
    if (m_sink.Total() != local.uncompressedSize)
        return Refuse(e, PakError, "the member holds less data than its size says");
    if (m_sink.Crc() != local.crc) return Refuse(e, PakError, "CRC-32 mismatch");
    return PakOk;
}

void SetFileTimeAndAttributes(const fs::path& path, const PakCentralEntry& e) {
    std::error_code ec;
    auto seconds =
        std::chrono::sys_seconds(std::chrono::seconds(PakEntryTime(e.dosDate, e.dosTime)));
    fs::last_write_time(path, std::chrono::file_clock::from_sys(seconds), ec);
    // Of the DOS attribute bits only read-only means something to this file
    // system; hidden, system and archive have no counterpart.
    if (e.externalAttributes & 0x01)
        fs::permissions(path,
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove, ec);
}

bool IsDirectoryEntry(const std::string& name) {
    return !name.empty() && (name.back() == '/' || name.back() == '\\');
}

// Extracts one selected member. Returns its grade, already noted in the pass;
// PakCannotWrite means the target cannot take any more and the pass stops.
int ExtractMember(const PakCentralEntry& e, const PakExtractOptions& options, CMemberRunner& runner,
                  CPakTarget& target, bool& targetReady, PakPass& pass) {
    if (const char* why = PakUnsupportedReason(e.flags, e.method, e.versionNeeded)) {
        pass.Note(PakWarning, e.name, why);
        return PakWarning;
    }
    PakPlacement place;
    std::string reason;
    if (int grade = PlaceMemberName(e.name, options.keepPaths, place, reason)) {
        pass.Note(grade, e.name, reason);
        return grade;
    }
    LocalData local;
    if (int grade = runner.ReadLocal(e, local)) return grade;
    if (PakUnsupportedReason(local.flags, e.method, e.versionNeeded)) {
        pass.Note(PakWarning, e.name, "encrypted member skipped");
        return PakWarning;
    }
    // The target folder is made only once something is to be written to it.
    if (!targetReady && !target.Prepare(reason)) {
        pass.Note(PakCannotWrite, {}, reason);
        return PakCannotWrite;
    }
    targetReady = true;
    fs::path dir;
    if (int grade = target.MakeFolders(place, dir, reason)) {
        pass.Note(grade, e.name, reason);
        return grade;
    }
    if (place.file.empty() || IsDirectoryEntry(e.name)) return PakOk;

    std::FILE* file = nullptr;
    fs::path path;
    if (int grade = target.OpenOutputFile(dir, place.file, options.overwrite, file, path, reason)) {
        pass.Note(grade, e.name, reason);
        return grade;
    }
    int grade = runner.DecodeData(e, local, file);
    if (std::fclose(file) != 0 && grade == PakOk) {
        pass.Note(PakCannotWrite, e.name, "closing the file failed");
        grade = PakCannotWrite;
    }
    SetFileTimeAndAttributes(path, e);
    return grade;
}

} // namespace

bool CPakArchive::Extract(const PakExtractOptions& options,
                          const std::vector<std::string>& lowerCaseNames,
                          const fs::path& targetDir) {
    PakPass pass;
    if (!BeginPass(pass)) return FinishPass(pass) == PakOk;
    CPakDirectory directory(*m_file, m_end, pass);
    if (!directory.Start()) {
        if (!directory.Failed()) pass.Note(PakNoFiles, {}, "no member selected was found");
        return FinishPass(pass) == PakOk;
    }
    const std::unordered_set<std::string> wanted(lowerCaseNames.begin(), lowerCaseNames.end());
    CPakTarget target(targetDir);
    CMemberRunner runner(*m_file, m_end, pass);
    bool anySelected = false;
    bool targetReady = false;
    PakCentralEntry e;
    while (directory.Next(e, false)) {
        if (!wanted.count(platform::ToLowerCp1252(e.name))) continue;
        anySelected = true;
        if (ExtractMember(e, options, runner, target, targetReady, pass) == PakCannotWrite) break;
    }
    if (!directory.Failed() && !anySelected)
        pass.Note(PakNoFiles, {}, "no member selected was found");
    return FinishPass(pass) == PakOk;
}

int CPakArchive::Test(std::vector<std::string>* failingNames) {
    PakPass pass;
    if (!BeginPass(pass)) return FinishPass(pass);
    CPakDirectory directory(*m_file, m_end, pass);
    if (directory.Start()) {
        CMemberRunner runner(*m_file, m_end, pass);
        PakCentralEntry e;
        while (directory.Next(e, false)) {
            size_t before = m_problems.size();
            if (const char* why = PakUnsupportedReason(e.flags, e.method, e.versionNeeded)) {
                pass.Note(PakWarning, e.name, why);
            } else {
                LocalData local;
                if (runner.ReadLocal(e, local) == PakOk) {
                    if (PakUnsupportedReason(local.flags, e.method, e.versionNeeded))
                        pass.Note(PakWarning, e.name, "encrypted member skipped");
                    else
                        runner.DecodeData(e, local, nullptr);
                }
            }
            if (failingNames && m_problems.size() > before) failingNames->push_back(e.name);
        }
    }
    return FinishPass(pass);
}

} // namespace pak
