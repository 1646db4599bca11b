#pragma once

#include <cstddef>
#include <cstdint>

// Decoders for the compression methods of the oldest pak archives: shrinking
// (method 1), reducing with factors 1 to 4 (methods 2 to 5) and imploding
// (method 6). zlib knows none of them.
namespace pak {

// Supplies the compressed bytes of one member. Read returns the number of
// bytes placed in dst (at most max); 0 means the member's data has ended.
class DecodeInput {
  public:
    virtual ~DecodeInput() = default;
    virtual size_t Read(unsigned char* dst, size_t max) = 0;
};

// Receives decoded bytes in blocks. Write returns false when the bytes could
// not be stored; the decoder then stops at once.
class DecodeOutput {
  public:
    virtual ~DecodeOutput() = default;
    virtual bool Write(const unsigned char* data, size_t size) = 0;
};

enum class DecodeResult {
    Ok,           // exactly uncompressedSize bytes were written
    BadData,      // the compressed data is malformed or ends early
    OutputFailed, // DecodeOutput::Write returned false
};

// Each decoder writes at most uncompressedSize bytes, never reads past what
// the input supplies, and uses memory bounded independently of the sizes the
// archive declares.
DecodeResult Unshrink(DecodeInput& in, uint64_t uncompressedSize, DecodeOutput& out);
// factor is 1 to 4 (method number minus 1).
DecodeResult Unreduce(DecodeInput& in, int factor, uint64_t uncompressedSize, DecodeOutput& out);
// flags is the member's general purpose bit flag: bit 1 selects the 8 KB
// window, bit 2 the literal tree.
DecodeResult Explode(DecodeInput& in, uint16_t flags, uint64_t uncompressedSize, DecodeOutput& out);

} // namespace pak
