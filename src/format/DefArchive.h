#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The compact binary form in which single nodes travel through the
// clipboard. Storing appends to the byte string; loading reads from it and
// fails (never reads past the end) when the bytes run out.
class CDefArchive {
  public:
    // An archive for storing.
    CDefArchive() : m_storing(true) {}
    // An archive for loading the given bytes.
    explicit CDefArchive(std::string_view bytes) : m_storing(false), m_bytes(bytes) {}

    bool IsStoring() const { return m_storing; }
    const std::string& Bytes() const { return m_bytes; }
    bool AtEnd() const { return m_pos >= m_bytes.size(); }

    void WriteString(std::string_view s);
    void WriteCount(uint32_t n);
    void WriteBytes(const void* data, size_t size) {
        m_bytes.append(static_cast<const char*>(data), size);
    }

    bool ReadString(std::string& s);
    bool ReadCount(uint32_t& n);
    bool ReadBytes(void* data, size_t size);
    // A view of the next size bytes, consumed; false when fewer remain.
    bool ReadView(std::string_view& view, size_t size);

  private:
    void WriteU16(uint16_t v);
    void WriteU32(uint32_t v);
    bool ReadU8(uint8_t& v);
    bool ReadU16(uint16_t& v);
    bool ReadU32(uint32_t& v);

    bool m_storing;
    std::string m_bytes;
    size_t m_pos = 0;
};
