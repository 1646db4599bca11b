#include "pak/PakArchive.h"
#include "pak/PakCentral.h"
#include "pak/PakFile.h"
#include "pak/PakWriter.h"

#include "platform/Prompts.h"

namespace pak {
namespace {

float Ratio(uint64_t uncompressed, uint64_t compressed) {
    if (uncompressed == 0) return 0.0f;
    return static_cast<float>(
        (static_cast<double>(uncompressed) - static_cast<double>(compressed)) /
        static_cast<double>(uncompressed));
}

PakMemberInfo MakeMemberInfo(const PakCentralEntry& e) {
    PakMemberInfo m;
    m.uncompressedSize = e.uncompressedSize;
    m.compressedSize = e.compressedSize;
    m.ratio = Ratio(e.uncompressedSize, e.compressedSize);
    m.attributes = static_cast<uint8_t>(e.externalAttributes & 0xFF);
    m.diskNumber = e.diskNumber;
    m.time = PakEntryTime(e.dosDate, e.dosTime);
    m.comment = e.comment;
    m.name = e.name;
    m.method = e.method;
    m.crc = e.crc;
    m.flags = e.flags;
    m.versionMadeBy = e.versionMadeBy;
    m.versionNeeded = e.versionNeeded;
    return m;
}

} // namespace

CPakArchive::CPakArchive(platform::Prompts* prompts) : m_prompts(prompts), m_file(new CPakFile) {}

CPakArchive::~CPakArchive() = default;

bool CPakArchive::Open(const std::filesystem::path& path) {
    m_path = path;
    m_file->Close();
    m_problems.clear();
    // Until an archive is open there is nothing to read, which the operations
    // report as they report a file that is no archive.
    m_result = PakNotZip;
    std::error_code ec;
    auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status)) return false;
    if (std::filesystem::is_directory(status))
        ec = std::make_error_code(std::errc::is_a_directory);
    else if (m_file->Open(path, ec))
        ec.clear();
    if (ec) {
        if (m_prompts)
            m_prompts->Message("Cannot open file '" + path.string() + "': " + ec.message(),
                               platform::Icon::Error);
        return false;
    }
    m_result = PakOk;
    return true;
}

bool CPakArchive::BeginPass(PakPass& pass) {
    m_problems.clear();
    pass.problems = &m_problems;
    if (m_file->IsOpen()) return true;
    pass.Note(PakNotZip, {}, "the archive is not open");
    return false;
}

int CPakArchive::FinishPass(const PakPass& pass) {
    m_result = pass.grade;
    return m_result;
}

bool CPakArchive::List() {
    PakPass pass;
    m_members.clear();
    m_totals = PakTotals{};
    if (!BeginPass(pass)) return FinishPass(pass) == PakOk;

    CPakDirectory directory(*m_file, m_end, pass);
    if (directory.Start()) {
        m_members.reserve(m_end.totalEntries);
        PakCentralEntry entry;
        while (directory.Next(entry, true)) {
            m_members.push_back(MakeMemberInfo(entry));
            m_totals.uncompressed += entry.uncompressedSize;
            // An encrypted member's data starts with a 12-byte header that is
            // not part of the packed file.
            uint32_t packed = entry.compressedSize;
            if (entry.flags & 1) packed = packed > 12 ? packed - 12 : 0;
            m_totals.compressed += packed;
            m_totals.versionMadeBy = static_cast<uint8_t>(entry.versionMadeBy & 0xFF);
            m_totals.hostMadeBy = static_cast<uint8_t>(std::min(entry.versionMadeBy >> 8, 12));
            m_totals.versionNeeded = static_cast<uint8_t>(entry.versionNeeded & 0xFF);
            m_totals.hostNeeded = static_cast<uint8_t>(std::min(entry.versionNeeded >> 8, 12));
            m_totals.lastEncrypted = (entry.flags & 1) != 0;
        }
    }
    m_totals.ratio = Ratio(m_totals.uncompressed, m_totals.compressed);
    return FinishPass(pass) == PakOk;
}

bool CPakArchive::Update(const PakAddRequest& request) {
    // The writer reopens the archive itself and replaces it; this object's
    // handle would pin the old file.
    m_file->Close();
    m_problems.clear();
    int result = PakOk;
    bool ok = UpdatePakArchive(m_path, request, &result);
    m_result = ok ? PakOk : (result == PakOk ? PakError : result);
    return ok;
}

} // namespace pak
