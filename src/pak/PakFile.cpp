#include "pak/PakFile.h"

#include <algorithm>
#include <cerrno>

namespace pak {

bool CPakFile::Open(const std::filesystem::path& path, std::error_code& error) {
    Close();
    // The cursors do their own buffering in large blocks; a second buffer
    // inside the stream would only copy every byte once more.
    m_buf.pubsetbuf(nullptr, 0);
    errno = 0;
    if (!m_buf.open(path, std::ios::in | std::ios::binary)) {
        error = std::error_code(errno ? errno : EIO, std::generic_category());
        return false;
    }
    auto end = m_buf.pubseekoff(0, std::ios::end, std::ios::in);
    if (end == std::streampos(std::streamoff(-1))) {
        error = std::make_error_code(std::errc::io_error);
        m_buf.close();
        return false;
    }
    m_size = static_cast<uint64_t>(std::streamoff(end));
    m_position = m_size;
    m_open = true;
    return true;
}

void CPakFile::Close() {
    if (m_buf.is_open()) m_buf.close();
    m_open = false;
    m_size = 0;
    m_position = 0;
}

size_t CPakFile::ReadAt(uint64_t offset, void* dst, size_t size) {
    if (!m_open || offset >= m_size) return 0;
    size = static_cast<size_t>(std::min<uint64_t>(size, m_size - offset));
    if (offset != m_position) {
        auto pos =
            m_buf.pubseekpos(std::streampos(static_cast<std::streamoff>(offset)), std::ios::in);
        if (pos == std::streampos(std::streamoff(-1))) return 0;
        m_position = offset;
    }
    auto got = m_buf.sgetn(static_cast<char*>(dst), static_cast<std::streamsize>(size));
    if (got < 0) got = 0;
    m_position += static_cast<uint64_t>(got);
    return static_cast<size_t>(got);
}

void CPakCursor::Seek(uint64_t offset) {
    if (offset >= m_bufferStart && offset <= m_bufferStart + m_length) {
        m_pos = static_cast<size_t>(offset - m_bufferStart);
        return;
    }
    m_bufferStart = offset;
    m_length = 0;
    m_pos = 0;
}

bool CPakCursor::Refill() {
    m_bufferStart += m_pos;
    m_pos = 0;
    m_length = m_file.ReadAt(m_bufferStart, m_buffer.data(), m_buffer.size());
    return m_length > 0;
}

const unsigned char* CPakCursor::Peek(size_t& available) {
    if (m_pos >= m_length && !Refill()) {
        available = 0;
        return nullptr;
    }
    available = m_length - m_pos;
    return m_buffer.data() + m_pos;
}

bool CPakCursor::Read(void* dst, size_t size) {
    auto* out = static_cast<unsigned char*>(dst);
    while (size > 0) {
        if (m_pos >= m_length && size >= m_buffer.size()) {
            // Large reads bypass the buffer instead of passing through it.
            uint64_t at = m_bufferStart + m_pos;
            size_t got = m_file.ReadAt(at, out, size);
            m_bufferStart = at + got;
            m_length = 0;
            m_pos = 0;
            return got == size;
        }
        size_t available = 0;
        const unsigned char* src = Peek(available);
        if (available == 0) return false;
        size_t n = std::min(available, size);
        std::memcpy(out, src, n);
        m_pos += n;
        out += n;
        size -= n;
    }
    return true;
}

bool CPakCursor::Skip(uint64_t size) {
    uint64_t target = Tell() + size;
    Seek(target);
    // Skipping may not run past the end: a header that claims more bytes than
    // the file holds is cut off.
    return target <= m_file.Size();
}

bool CPakCursor::ReadString(std::string& out, size_t size) {
    out.resize(size);
    if (size == 0) return true;
    if (!Read(out.data(), size)) {
        out.clear();
        return false;
    }
    return true;
}

} // namespace pak
