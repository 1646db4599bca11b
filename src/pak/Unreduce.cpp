#include "pak/BitReader.h"
#include "pak/LegacyDecoders.h"

#include <memory>

namespace pak {
namespace {

using legacy::BitReader;
using legacy::OutputWindow;

constexpr unsigned MaxFollowers = 32;
constexpr unsigned char RepeatMarker = 0x90;

// Reduced members run two stages. The inner one predicts each byte from the
// byte before it through a table of likely followers; the outer one expands
// runs: the marker byte 0x90 introduces a (length, distance) pair copied from
// the recent output, and 0x90 followed by 0 stands for the marker itself.
// The factor (1 to 4) shares the pair's first byte between length and distance.
class Unreducer {
  public:
    Unreducer(DecodeInput& in, int factor, uint64_t size, DecodeOutput& out)
        : m_bits(in), m_out(out, size), m_factor(static_cast<unsigned>(factor)) {}

    DecodeResult Run() {
        // An empty member may carry no data at all, not even the tables.
        if (m_out.Done()) return m_out.Finish();
        if (!ReadFollowerSets()) return m_out.Fail();
        const uint32_t lengthMask = 0xFFu >> m_factor;
        while (!m_out.Done()) {
            unsigned char c = 0;
            if (!NextByte(c)) return m_out.Fail();
            if (c != RepeatMarker) {
                m_out.Put(c);
                continue;
            }
            unsigned char v = 0;
            if (!NextByte(v)) return m_out.Fail();
            if (v == 0) {
                m_out.Put(RepeatMarker);
                continue;
            }
            uint32_t length = v & lengthMask;
            if (length == lengthMask) {
                unsigned char more = 0;
                if (!NextByte(more)) return m_out.Fail();
                length += more;
            }
            unsigned char low = 0;
            if (!NextByte(low)) return m_out.Fail();
            size_t distance = (static_cast<size_t>(v >> (8 - m_factor)) << 8) + low + 1;
            m_out.Copy(distance, length + 3);
        }
        return m_out.Finish();
    }

  private:
    // The sets are stored for byte 255 first, down to byte 0: a 6-bit count
    // and that many bytes each. A count above 32 cannot come from an encoder.
    bool ReadFollowerSets() {
        for (int byte = 255; byte >= 0; --byte) {
            uint32_t count = 0;
            if (!m_bits.Bits(6, count) || count > MaxFollowers) return false;
            m_count[byte] = static_cast<unsigned char>(count);
            for (uint32_t i = 0; i < count; ++i) {
                uint32_t follower = 0;
                if (!m_bits.Bits(8, follower)) return false;
                m_followers[byte][i] = static_cast<unsigned char>(follower);
            }
            unsigned width = 1;
            while ((1u << width) < count)
                ++width;
            m_indexBits[byte] = static_cast<unsigned char>(width);
        }
        return true;
    }

    // One byte of the inner stage. After a byte with followers, a 0 bit
    // selects one of them by index and a 1 bit announces a plain byte.
    bool NextByte(unsigned char& c) {
        unsigned count = m_count[m_last];
        uint32_t value = 0;
        if (count != 0) {
            uint32_t plain = 0;
            if (!m_bits.Bits(1, plain)) return false;
            if (plain == 0) {
                if (!m_bits.Bits(m_indexBits[m_last], value) || value >= count) return false;
                c = m_followers[m_last][value];
                m_last = c;
                return true;
            }
        }
        if (!m_bits.Bits(8, value)) return false;
        c = static_cast<unsigned char>(value);
        m_last = c;
        return true;
    }

    BitReader m_bits;
    OutputWindow m_out;
    unsigned m_factor;
    unsigned char m_last = 0; // the inner stage's previous byte, before runs are expanded
    unsigned char m_count[256] = {};
    unsigned char m_indexBits[256] = {};
    unsigned char m_followers[256][MaxFollowers] = {};
};

} // namespace

DecodeResult Unreduce(DecodeInput& in, int factor, uint64_t uncompressedSize, DecodeOutput& out) {
    // The factor comes from the member's method number, which the caller checks;
    // an impossible one is treated like undecodable data rather than trusted.
    if (factor < 1 || factor > 4) return DecodeResult::BadData;
    auto decoder = std::make_unique<Unreducer>(in, factor, uncompressedSize, out);
    return decoder->Run();
}

} // namespace pak
