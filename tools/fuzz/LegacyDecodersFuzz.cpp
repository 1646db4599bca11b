// Feeds arbitrary bytes to the decoders of the oldest pak compression methods.
// The first byte picks the method (and, for imploding, the window and literal
// code flags), the next three the declared size; the rest is the member data.
// Input reaches the decoder in uneven pieces so every refill path is taken.

#include "pak/LegacyDecoders.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

class FuzzInput : public pak::DecodeInput {
  public:
    FuzzInput(const uint8_t* data, size_t size, size_t piece)
        : m_data(data), m_size(size), m_piece(piece) {}
    size_t Read(unsigned char* dst, size_t max) override {
        size_t n = std::min({max, m_piece, m_size - m_pos});
        if (n > 0) std::memcpy(dst, m_data + m_pos, n);
        m_pos += n;
        return n;
    }

  private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_piece;
    size_t m_pos = 0;
};

class CountingOutput : public pak::DecodeOutput {
  public:
    uint64_t total = 0;
    bool Write(const unsigned char*, size_t size) override {
        total += size;
        return true;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    unsigned selector = data[0];
    // At most 1 MB of output keeps each run short; the decoders never size
    // anything from this value, which is what the large cap would catch.
    uint64_t declared =
        (uint64_t{data[1]} | uint64_t{data[2]} << 8 | uint64_t{data[3]} << 16) & 0xFFFFF;
    size_t piece = (selector & 0x80) ? 1 + (data[1] & 7) : SIZE_MAX;
    FuzzInput in(data + 4, size - 4, piece);
    CountingOutput out;
    pak::DecodeResult result;
    switch (selector % 6) {
    case 0:
        result = pak::Unshrink(in, declared, out);
        break;
    case 5:
        result = pak::Explode(in, static_cast<uint16_t>((selector >> 3) & 6), declared, out);
        break;
    default:
        result = pak::Unreduce(in, static_cast<int>(selector % 6), declared, out);
        break;
    }
    if (out.total > declared) std::abort();
    if (result == pak::DecodeResult::Ok && out.total != declared) std::abort();
    return 0;
}
