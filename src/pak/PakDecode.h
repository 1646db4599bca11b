#pragma once

#include "pak/PakFile.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace pak {

// Receives a member's decoded bytes: keeps the CRC-32 and the count, and writes
// them to the output file (if any) in large blocks. Bytes beyond the size the
// archive declares are neither counted nor written.
class CPakSink {
  public:
    explicit CPakSink(size_t bufferSize) : m_buffer(bufferSize) {}

    // Starts a member; file may be null when the bytes are only checked.
    void Begin(std::FILE* file, uint64_t limit);
    // Free room in the block being filled; Produced says how much of it was used.
    unsigned char* Space(size_t& available);
    bool Produced(size_t size);
    bool Put(const unsigned char* data, size_t size);
    // Writes what is left in the block; false when a write failed.
    bool Finish();

    uint32_t Crc() const { return m_crc; }
    uint64_t Total() const { return m_total; }
    bool Overflowed() const { return m_overflow; }
    bool WriteFailed() const { return m_writeFailed; }

  private:
    bool Accept(const unsigned char* data, size_t& size);
    bool Flush();

    std::vector<unsigned char> m_buffer;
    size_t m_used = 0;
    std::FILE* m_file = nullptr;
    uint64_t m_limit = 0;
    uint64_t m_total = 0;
    uint32_t m_crc = 0;
    bool m_overflow = false;
    bool m_writeFailed = false;
};

enum class PakDecodeStatus {
    Ok,          // the data ended where it should
    BadData,     // malformed, or it ended before the member was complete
    TooLong,     // it decodes to more bytes than declared
    WriteFailed, // the output refused bytes
};

// Decodes one member's data, read from the cursor at its position, into the
// sink. The methods are 0 (stored), 1 (shrunk), 2 to 5 (reduced), 6 (imploded)
// and 8 (deflated); the caller has refused any other.
class CPakDecoder {
  public:
    CPakDecoder();
    ~CPakDecoder();
    CPakDecoder(const CPakDecoder&) = delete;
    CPakDecoder& operator=(const CPakDecoder&) = delete;

    PakDecodeStatus Decode(CPakCursor& in, uint64_t compressedSize, uint16_t method, uint16_t flags,
                           uint64_t uncompressedSize, CPakSink& out);

  private:
    PakDecodeStatus Store(CPakCursor& in, uint64_t compressedSize, CPakSink& out);
    PakDecodeStatus Inflate(CPakCursor& in, uint64_t compressedSize, CPakSink& out);

    struct Inflater;
    std::unique_ptr<Inflater> m_inflater;
};

} // namespace pak
