#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace pak {

// The archive file opened for reading. Reads name their absolute offset, so
// several cursors can walk different parts of the archive (the central
// directory and the member data) without disturbing each other; the file is
// only repositioned when a read does not continue where the last one ended.
class CPakFile {
  public:
    // False with the reason in error when the file cannot be opened.
    bool Open(const std::filesystem::path& path, std::error_code& error);
    void Close();
    bool IsOpen() const { return m_open; }
    uint64_t Size() const { return m_size; }

    // Reads up to size bytes at offset; returns how many were read (fewer only
    // at the end of the file or on a read error).
    size_t ReadAt(uint64_t offset, void* dst, size_t size);

  private:
    std::filebuf m_buf;
    uint64_t m_size = 0;
    uint64_t m_position = 0;
    bool m_open = false;
};

// A buffered, forward-reading view of the archive with absolute 64-bit seeks.
// Seeking inside the bytes already buffered only moves the read position, so
// walking headers that follow each other costs no file access.
class CPakCursor {
  public:
    CPakCursor(CPakFile& file, size_t bufferSize) : m_file(file), m_buffer(bufferSize) {}

    void Seek(uint64_t offset);
    uint64_t Tell() const { return m_bufferStart + m_pos; }

    // Copies exactly size bytes; false (with the bytes that were there
    // consumed) when the file ends first.
    bool Read(void* dst, size_t size);
    bool Skip(uint64_t size);
    bool ReadString(std::string& out, size_t size);

    // The bytes buffered at the read position, refilling when none are left;
    // an empty result means the end of the file.
    const unsigned char* Peek(size_t& available);
    void Consume(size_t size) { m_pos += size; }

  private:
    bool Refill();

    CPakFile& m_file;
    std::vector<unsigned char> m_buffer;
    uint64_t m_bufferStart = 0;
    size_t m_length = 0;
    size_t m_pos = 0;
};

inline uint16_t ReadLe16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t ReadLe32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

} // namespace pak
