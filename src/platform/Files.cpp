#include "platform/Files.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
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

namespace {

std::filesystem::path FolderOf(const std::filesystem::path& target) {
    auto folder = target.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

// A fresh hidden name beside the target: ".name.tmpSTAMP_N".
std::string TemporaryName(const std::filesystem::path& target) {
    static std::atomic<unsigned> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    return "." + target.filename().string() + ".tmp" + std::to_string(stamp % 100000) + "_" +
           std::to_string(counter++);
}

// Removes what earlier writers of the same target left behind when they were
// killed: with named temporaries a crash leaves a partial copy of the target,
// as large as the target, that nobody would ever see or remove.
void RemoveStaleTemporaries(const std::filesystem::path& target) {
    std::error_code ec;
    std::filesystem::directory_iterator it(FolderOf(target), ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!AtomicFile::IsTemporaryOf(target, name)) continue;
        std::error_code removeError;
        if (it->is_regular_file(removeError)) std::filesystem::remove(it->path(), removeError);
    }
}

} // namespace

bool AtomicFile::IsTemporaryOf(const std::filesystem::path& target, const std::string& fileName) {
    const std::string prefix = "." + target.filename().string() + ".tmp";
    if (fileName.size() <= prefix.size() || fileName.compare(0, prefix.size(), prefix) != 0)
        return false;
    // Only the names TemporaryName makes: digits, one underscore, digits.
    bool underscore = false;
    for (size_t i = prefix.size(); i < fileName.size(); ++i) {
        const char c = fileName[i];
        if (c == '_' && !underscore && i > prefix.size()) {
            underscore = true;
            continue;
        }
        if (c < '0' || c > '9') return false;
    }
    return underscore && fileName.back() != '_';
}

AtomicFile::~AtomicFile() {
    Discard();
}

bool AtomicFile::Open(const std::filesystem::path& target) {
    Discard();
    m_target = target;
    m_failed = false;
    m_unnamed = false;
    const auto folder = FolderOf(target);
    RemoveStaleTemporaries(target);
#if defined(__linux__) && defined(O_TMPFILE)
    // An unnamed file in the target's folder: if this process dies before
    // Commit(), the file system drops it with the last descriptor.
    int fd = ::open(folder.string().c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd >= 0) {
        m_file = ::fdopen(fd, "wb");
        if (m_file) {
            m_unnamed = true;
            return true;
        }
        ::close(fd);
    }
#endif
    return OpenNamed(folder);
}

bool AtomicFile::OpenNamed(const std::filesystem::path& folder) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_temp = folder / TemporaryName(m_target);
        // "x" refuses an existing file, so two writers never share a temporary.
        m_file = std::fopen(m_temp.string().c_str(), "wbx");
        if (m_file) return true;
        if (errno != EEXIST) break;
    }
    m_temp.clear();
    return false;
}

bool AtomicFile::LinkIntoFolder(const std::filesystem::path& folder) {
#if defined(__linux__) && defined(O_TMPFILE)
    const std::string self = "/proc/self/fd/" + std::to_string(fileno(m_file));
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto name = folder / TemporaryName(m_target);
        int rc =
            ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.string().c_str(), AT_SYMLINK_FOLLOW);
        // Without /proc, a privileged process can still link the descriptor itself.
        if (rc != 0 && errno == ENOENT)
            rc = ::linkat(fileno(m_file), "", AT_FDCWD, name.string().c_str(), AT_EMPTY_PATH);
        if (rc == 0) {
            m_temp = name;
            return true;
        }
        if (errno != EEXIST) return false;
    }
#else
    (void)folder;
#endif
    return false;
}

bool AtomicFile::Write(std::string_view bytes) {
    if (!m_file || m_failed) return false;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size())
        m_failed = true;
    return !m_failed;
}

bool AtomicFile::SetPermissions(std::filesystem::perms perms) {
    if (!m_file) return false;
#ifndef _WIN32
    return ::fchmod(fileno(m_file), static_cast<mode_t>(perms)) == 0;
#else
    std::error_code ec;
    std::filesystem::permissions(m_temp, perms, ec);
    return !ec;
#endif
}

bool AtomicFile::Commit(bool sync) {
    if (!m_file) return false;
    bool ok = !m_failed && std::fflush(m_file) == 0 && !std::ferror(m_file);
#ifndef _WIN32
    if (ok && sync) ok = ::fsync(fileno(m_file)) == 0;
#endif
    // The unnamed file gets its hidden name only now, complete and synced, for
    // the moment until the rename.
    if (ok && m_unnamed) ok = LinkIntoFolder(FolderOf(m_target));
    ok = (std::fclose(m_file) == 0) && ok;
    m_file = nullptr;
    m_unnamed = false;
    if (ok) {
        std::error_code ec;
        std::filesystem::rename(m_temp, m_target, ec);
        ok = !ec;
    }
    if (!ok && !m_temp.empty()) {
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
    m_unnamed = false;
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
