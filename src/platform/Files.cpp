#include "platform/Files.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace platform {

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
    FILE* f = std::fopen(path.string().c_str(), "rb");
    if (!f) return std::nullopt;
    std::string data;
    char buf[1 << 16];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        data.append(buf, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    if (!ok) return std::nullopt;
    return data;
}

AtomicFile::~AtomicFile() {
    Discard();
}

bool AtomicFile::Open(const std::filesystem::path& target) {
    Discard();
    m_target = target;
    m_failed = false;
    static std::atomic<unsigned> counter{0};
    auto folder = target.parent_path();
    if (folder.empty()) folder = ".";
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = "." + target.filename().string() + ".tmp" +
                           std::to_string(stamp % 100000) + "_" + std::to_string(counter++);
        m_temp = folder / name;
        // "x" refuses an existing file, so two writers never share a temporary.
        m_file = std::fopen(m_temp.string().c_str(), "wbx");
        if (m_file) return true;
        if (errno != EEXIST) break;
    }
    m_temp.clear();
    return false;
}

bool AtomicFile::Write(std::string_view bytes) {
    if (!m_file || m_failed) return false;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size())
        m_failed = true;
    return !m_failed;
}

bool AtomicFile::Commit(bool sync) {
    if (!m_file) return false;
    bool ok = !m_failed && std::fflush(m_file) == 0 && !std::ferror(m_file);
#ifndef _WIN32
    if (ok && sync) ok = ::fsync(fileno(m_file)) == 0;
#endif
    ok = (std::fclose(m_file) == 0) && ok;
    m_file = nullptr;
    if (ok) {
        std::error_code ec;
        std::filesystem::rename(m_temp, m_target, ec);
        ok = !ec;
    }
    if (!ok) {
        std::error_code ec;
        std::filesystem::remove(m_temp, ec);
    }
    m_temp.clear();
    return ok;
}

void AtomicFile::Discard() {
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_temp.empty()) {
        std::error_code ec;
        std::filesystem::remove(m_temp, ec);
        m_temp.clear();
    }
}

bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes) {
    AtomicFile file;
    return file.Open(target) && file.Write(bytes) && file.Commit();
}

} // namespace platform
