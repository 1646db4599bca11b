#include "pak/PakWriterDetail.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#if !defined(_WIN32)
#include <unistd.h>
#endif
#if defined(__linux__)
#include <fcntl.h>
#endif

namespace pak::pakwriter {
namespace {

// Unchanged members are copied in large blocks: a game archive of a gigabyte is mostly
// copying, and small blocks would make an update far slower than a plain file copy.
constexpr size_t CopyBlockSize = size_t(1) << 20;

bool SeekTo(FILE* file, uint64_t offset) {
#if defined(_WIN32)
    return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

} // namespace

PakInputFile::~PakInputFile() {
    Close();
}

void PakInputFile::Close() {
    if (m_file) std::fclose(m_file);
    m_file = nullptr;
}

int PakInputFile::Descriptor() const {
    return m_file ? fileno(m_file) : -1;
}

bool PakInputFile::Open(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    m_size = std::filesystem::file_size(path, ec);
    if (ec) return false;
    m_file = std::fopen(path.string().c_str(), "rb");
    return m_file != nullptr;
}

bool PakInputFile::ReadAt(uint64_t offset, void* data, size_t length) {
    if (!m_file || offset > m_size || length > m_size - offset) return false;
    if (length == 0) return true;
#if defined(_WIN32)
    return SeekTo(m_file, offset) && std::fread(data, 1, length, m_file) == length;
#else
    // One positioned read per header: reading the directory of a large archive touches
    // tens of thousands of local headers, and a seek plus a buffered read would double the
    // system calls and read more than asked.
    auto* out = static_cast<char*>(data);
    while (length > 0) {
        ssize_t n = ::pread(fileno(m_file), out, length, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        out += n;
        offset += static_cast<uint64_t>(n);
        length -= static_cast<size_t>(n);
    }
    return true;
#endif
}

bool PakInputFile::ReadAhead(uint64_t offset, void* data, size_t length) {
    constexpr size_t WindowSize = 64 * 1024;
    if (length > WindowSize) return ReadAt(offset, data, length);
    bool inside = offset >= m_windowStart && offset - m_windowStart <= m_window.size() &&
                  length <= m_window.size() - (offset - m_windowStart);
    if (!inside) {
        if (offset > m_size) return false;
        m_window.resize(static_cast<size_t>(std::min<uint64_t>(WindowSize, m_size - offset)));
        m_windowStart = offset;
        if (!ReadAt(offset, m_window.data(), m_window.size())) {
            m_window.clear();
            return false;
        }
        if (length > m_window.size()) return false;
    }
    std::copy_n(m_window.data() + (offset - m_windowStart), length, static_cast<char*>(data));
    return true;
}

bool PakOutputFile::Open(const std::filesystem::path& target) {
    m_position = 0;
    m_failed = m_inputShort = false;
    m_pendingLength = 0;
    if (!m_file.Open(target)) return false;
    // Headers are written a few dozen bytes at a time; a larger stream buffer keeps that
    // from turning into one system call each.
    std::setvbuf(m_file.Stream(), nullptr, _IOFBF, 64 * 1024);
    return true;
}

bool PakOutputFile::Write(const void* data, size_t length) {
    if (!Flush()) return false;
    if (length != 0 && std::fwrite(data, 1, length, m_file.Stream()) != length) {
        m_failed = true;
        return false;
    }
    m_position += length;
    return true;
}

bool PakOutputFile::WriteAt(uint64_t offset, const std::string& bytes) {
    if (!Flush()) return false;
    FILE* out = m_file.Stream();
    if (offset + bytes.size() > m_position || !SeekTo(out, offset) ||
        std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() ||
        !SeekTo(out, m_position)) {
        m_failed = true;
        return false;
    }
    return true;
}

bool PakOutputFile::QueueCopy(PakInputFile& input, uint64_t offset, uint64_t length) {
    if (m_failed || !m_file.Stream()) return false;
    if (offset > input.Size() || length > input.Size() - offset) {
        m_inputShort = m_failed = true;
        return false;
    }
    if (m_pendingLength != 0 && (m_input != &input || m_pendingFrom + m_pendingLength != offset)) {
        if (!Flush()) return false;
    }
    if (m_pendingLength == 0) {
        m_input = &input;
        m_pendingFrom = offset;
    }
    m_pendingLength += length;
    return true;
}

bool PakOutputFile::Flush() {
    if (m_failed || !m_file.Stream()) return false;
    if (m_pendingLength == 0) return true;
    uint64_t offset = m_pendingFrom, length = m_pendingLength;
    m_pendingLength = 0;
    bool refused = true;
    bool ok = CopyInKernel(offset, length, refused);
    if (refused) ok = CopyBuffered(offset, length);
    if (!ok) m_failed = true;
    return ok;
}

#if defined(__linux__)
constexpr uint64_t kWritebackChunk = uint64_t(32) << 20;
#endif

bool PakOutputFile::CopyInKernel(uint64_t offset, uint64_t length, bool& refused) {
    refused = true;
#if defined(__linux__)
    // The kernel copies between the two files without passing the bytes through this
    // process. File systems that cannot do it answer with an error before copying anything,
    // and the buffered copy takes over.
    FILE* out = m_file.Stream();
    if (std::fflush(out) != 0) {
        refused = false;
        return false;
    }
    int inFd = m_input->Descriptor();
    int outFd = fileno(out);
    loff_t inOffset = static_cast<loff_t>(offset);
    loff_t outOffset = static_cast<loff_t>(m_position);
    uint64_t left = length;
    while (left > 0) {
        size_t chunk = static_cast<size_t>(std::min<uint64_t>(left, kWritebackChunk));
        loff_t chunkStart = outOffset;
        ssize_t done = copy_file_range(inFd, &inOffset, outFd, &outOffset, chunk, 0);
        // Start writing the copied range to disk now, beside the copy, so that little of
        // the new archive is still only in memory when it replaces the old one.
        if (done > 0)
            sync_file_range(outFd, chunkStart, static_cast<loff_t>(done), SYNC_FILE_RANGE_WRITE);
        if (done < 0 && errno == EINTR) continue;
        if (done < 0 && left == length) return false; // refused: nothing copied yet
        refused = false;
        if (done <= 0) {
            m_inputShort = done == 0; // the archive shrank under us
            return false;
        }
        left -= static_cast<uint64_t>(done);
    }
    refused = false;
    if (!SeekTo(out, m_position + length)) return false;
    m_position += length;
    return true;
#else
    (void)offset;
    (void)length;
    return false;
#endif
}

bool PakOutputFile::CopyBuffered(uint64_t offset, uint64_t length) {
    if (m_buffer.empty()) m_buffer.resize(CopyBlockSize);
    FILE* out = m_file.Stream();
    while (length > 0) {
        size_t chunk = static_cast<size_t>(std::min<uint64_t>(length, m_buffer.size()));
        if (!m_input->ReadAt(offset, m_buffer.data(), chunk)) {
            m_inputShort = true;
            return false;
        }
        if (std::fwrite(m_buffer.data(), 1, chunk, out) != chunk) return false;
        m_position += chunk;
        offset += chunk;
        length -= chunk;
    }
    return true;
}

bool PakOutputFile::Commit(std::filesystem::perms perms) {
    if (!Flush()) {
        m_file.Discard();
        return false;
    }
    // The new archive takes the old one's permissions, so a read-only archive stays
    // read-only; the temporary file is ours, so this works even then.
    m_file.SetPermissions(perms);
    // No full sync before the rename: it would double the time of every export
    // into a game-sized archive. Replacing a file by renaming over it orders the
    // new data before the new name on the file systems the game is installed
    // on, and the writeback started during the copy has most data on disk by now.
    return m_file.Commit(false);
}

} // namespace pak::pakwriter
