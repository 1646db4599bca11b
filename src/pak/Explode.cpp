#include "pak/BitReader.h"
#include "pak/LegacyDecoders.h"

#include <memory>

namespace pak {
namespace {

using legacy::BitReader;
using legacy::OutputWindow;

constexpr unsigned MaxCodeLength = 16;
constexpr unsigned LiteralSymbols = 256;
constexpr unsigned LengthSymbols = 64;
constexpr unsigned DistanceSymbols = 64;

// A prefix code read from its stored bit lengths. The stored codes, read bit
// by bit, are the complement of the usual canonical code built from the same
// lengths (shortest codes first, equal lengths in symbol order), so decoding
// inverts each bit and walks the canonical code.
struct PrefixCode {
    uint16_t count[MaxCodeLength + 1] = {}; // how many codes have each length
    uint16_t symbol[LiteralSymbols] = {};   // symbols by code length, then by value
};

// The code is stored as a byte count less one, then bytes each holding a run:
// high nibble the number of symbols less one, low nibble their code length
// less one. The runs must cover exactly the code's symbols and the lengths
// must form a complete code; anything else cannot come from an encoder, and
// a code with gaps or overlaps would decode ambiguously.
bool ReadPrefixCode(BitReader& bits, unsigned symbols, PrefixCode& code) {
    uint32_t lastByte = 0;
    if (!bits.Bits(8, lastByte)) return false;
    unsigned char lengths[LiteralSymbols];
    unsigned filled = 0;
    for (uint32_t i = 0; i <= lastByte; ++i) {
        uint32_t run = 0;
        if (!bits.Bits(8, run)) return false;
        unsigned repeat = (run >> 4) + 1;
        if (repeat > symbols - filled) return false;
        for (unsigned k = 0; k < repeat; ++k)
            lengths[filled++] = static_cast<unsigned char>((run & 15) + 1);
    }
    if (filled != symbols) return false;

    for (unsigned s = 0; s < symbols; ++s)
        ++code.count[lengths[s]];
    int32_t unused = 1;
    for (unsigned len = 1; len <= MaxCodeLength; ++len) {
        unused = unused * 2 - code.count[len];
        if (unused < 0) return false;
    }
    if (unused != 0) return false;

    uint16_t next[MaxCodeLength + 1] = {};
    for (unsigned len = 1; len < MaxCodeLength; ++len)
        next[len + 1] = next[len] + code.count[len];
    for (unsigned s = 0; s < symbols; ++s)
        code.symbol[next[lengths[s]]++] = static_cast<uint16_t>(s);
    return true;
}

bool DecodeSymbol(BitReader& bits, const PrefixCode& code, uint32_t& symbol) {
    int32_t value = 0; // the bits read so far, inverted
    int32_t first = 0; // the first canonical code of the current length
    int32_t index = 0; // where that length's symbols begin
    for (unsigned len = 1; len <= MaxCodeLength; ++len) {
        uint32_t bit = 0;
        if (!bits.Bits(1, bit)) return false;
        value |= static_cast<int32_t>(bit ^ 1);
        int32_t count = code.count[len];
        if (value - first < count) {
            symbol = code.symbol[index + value - first];
            return true;
        }
        index += count;
        first = (first + count) << 1;
        value <<= 1;
    }
    return false;
}

// Imploded members: literals and (distance, length) pairs over a 4 KB or 8 KB
// window, coded with two prefix codes (lengths, distances) or three (with
// literals first). A literal code raises the shortest match from 2 to 3 bytes.
class Exploder {
  public:
    Exploder(DecodeInput& in, uint16_t flags, uint64_t size, DecodeOutput& out)
        : m_bits(in), m_out(out, size), m_lowDistanceBits((flags & 2) ? 7 : 6),
          m_hasLiteralCode((flags & 4) != 0), m_minMatch(m_hasLiteralCode ? 3 : 2) {}

    DecodeResult Run() {
        // An empty member may carry no data at all, not even the codes.
        if (m_out.Done()) return m_out.Finish();
        if (m_hasLiteralCode && !ReadPrefixCode(m_bits, LiteralSymbols, m_literals))
            return m_out.Fail();
        if (!ReadPrefixCode(m_bits, LengthSymbols, m_lengths)) return m_out.Fail();
        if (!ReadPrefixCode(m_bits, DistanceSymbols, m_distances)) return m_out.Fail();
        while (!m_out.Done()) {
            uint32_t isLiteral = 0;
            if (!m_bits.Bits(1, isLiteral)) return m_out.Fail();
            bool ok = isLiteral ? Literal() : Match();
            if (!ok) return m_out.Fail();
        }
        return m_out.Finish();
    }

  private:
    bool Literal() {
        uint32_t c = 0;
        bool ok = m_hasLiteralCode ? DecodeSymbol(m_bits, m_literals, c) : m_bits.Bits(8, c);
        if (ok) m_out.Put(static_cast<unsigned char>(c));
        return ok;
    }

    bool Match() {
        uint32_t low = 0, high = 0, length = 0;
        if (!m_bits.Bits(m_lowDistanceBits, low) || !DecodeSymbol(m_bits, m_distances, high) ||
            !DecodeSymbol(m_bits, m_lengths, length)) {
            return false;
        }
        if (length == LengthSymbols - 1) {
            uint32_t extra = 0;
            if (!m_bits.Bits(8, extra)) return false;
            length += extra;
        }
        size_t distance = ((size_t{high} << m_lowDistanceBits) | low) + 1;
        m_out.Copy(distance, length + m_minMatch);
        return true;
    }

    BitReader m_bits;
    OutputWindow m_out;
    unsigned m_lowDistanceBits;
    bool m_hasLiteralCode;
    unsigned m_minMatch;
    PrefixCode m_literals;
    PrefixCode m_lengths;
    PrefixCode m_distances;
};

} // namespace

DecodeResult Explode(DecodeInput& in, uint16_t flags, uint64_t uncompressedSize,
                     DecodeOutput& out) {
    auto decoder = std::make_unique<Exploder>(in, flags, uncompressedSize, out);
    return decoder->Run();
}

} // namespace pak
