#include "pak/BitReader.h"
#include "pak/LegacyDecoders.h"

#include <bit>
#include <memory>

namespace pak {
namespace {

using legacy::BitReader;
using legacy::OutputWindow;

constexpr unsigned MinCodeBits = 9;
constexpr unsigned MaxCodeBits = 13;
constexpr unsigned TableSize = 1u << MaxCodeBits;
constexpr uint32_t ControlCode = 256;
constexpr uint32_t FirstFreeCode = 257;
constexpr uint16_t NoPrefix = 0xFFFF; // marks a table slot that holds no string

// Shrunk members are a dictionary coder: each code above 256 names an earlier
// string plus one byte. The encoder widens the codes and prunes the dictionary
// only when it says so in the stream, so the decoder must follow those
// commands exactly rather than guess from the table's state.
class Unshrinker {
  public:
    Unshrinker(DecodeInput& in, uint64_t size, DecodeOutput& out) : m_bits(in), m_out(out, size) {
        for (uint16_t& p : m_prefix)
            p = NoPrefix;
        for (uint32_t code = FirstFreeCode; code < TableSize; ++code)
            m_free[code / 64] |= uint64_t{1} << (code % 64);
    }

    DecodeResult Run() {
        bool havePrevious = false;
        uint32_t previous = 0;
        while (!m_out.Done()) {
            uint32_t code = 0;
            if (!m_bits.Bits(m_codeBits, code)) return m_out.Fail();
            if (code == ControlCode) {
                if (!Control()) return m_out.Fail();
                continue;
            }
            size_t start = 0;
            if (!havePrevious) {
                // Nothing has been defined yet, so only a single byte can stand here.
                if (code >= ControlCode) return m_out.Fail();
                m_out.Put(static_cast<unsigned char>(code));
                previous = code;
                havePrevious = true;
                continue;
            }
            bool notYetDefined = code >= FirstFreeCode && m_prefix[code] == NoPrefix;
            if (notYetDefined) {
                // The encoder may use the very code it is about to define: that
                // string is the previous one followed by its own first byte. Any
                // other undefined code is corrupt data.
                if (code != m_nextFree || !Expand(previous, start)) return m_out.Fail();
                Define(previous, m_string[start]);
            }
            if (!Expand(code, start)) return m_out.Fail();
            if (!notYetDefined) Define(previous, m_string[start]);
            for (size_t i = start; i < TableSize && !m_out.Done(); ++i)
                m_out.Put(m_string[i]);
            previous = code;
        }
        return m_out.Finish();
    }

  private:
    // Code 256 introduces a command: 1 widens the codes by one bit, 2 prunes
    // the dictionary. Anything else, or widening past 13 bits, is corrupt.
    bool Control() {
        uint32_t command = 0;
        if (!m_bits.Bits(m_codeBits, command)) return false;
        if (command == 1) {
            if (m_codeBits == MaxCodeBits) return false;
            ++m_codeBits;
            return true;
        }
        if (command == 2) {
            PartialClear();
            return true;
        }
        return false;
    }

    // Writes the string of code at the end of m_string, returning where it
    // starts. A chain that reaches a free slot or runs longer than the table
    // can hold (a loop built by hostile data) is rejected.
    bool Expand(uint32_t code, size_t& start) {
        size_t pos = TableSize;
        while (code >= FirstFreeCode) {
            uint16_t prefix = m_prefix[code];
            if (prefix == NoPrefix || pos == 1) return false;
            m_string[--pos] = m_suffix[code];
            code = prefix;
        }
        if (code == ControlCode) return false;
        m_string[--pos] = static_cast<unsigned char>(code);
        start = pos;
        return true;
    }

    // Gives the lowest free code the previous string plus one byte. Once the
    // table is full, strings are simply not added until a prune frees slots.
    void Define(uint32_t prefix, unsigned char suffix) {
        uint32_t code = m_nextFree;
        if (code >= TableSize) return;
        m_prefix[code] = static_cast<uint16_t>(prefix);
        m_suffix[code] = suffix;
        m_free[code / 64] &= ~(uint64_t{1} << (code % 64));
        if (prefix >= FirstFreeCode) ++m_children[prefix];
        NoteMaybeLeaf(code);
        m_nextFree = FindFree(code + 1);
    }

    uint32_t FindFree(uint32_t from) const {
        for (uint32_t word = from / 64; word < TableSize / 64; ++word) {
            uint64_t bits = m_free[word];
            if (word == from / 64) bits &= ~uint64_t{0} << (from % 64);
            if (bits != 0) return word * 64 + static_cast<uint32_t>(std::countr_zero(bits));
        }
        return TableSize;
    }

    // A code can only become a leaf when it is defined or loses its last
    // child, so those moments put it on a list and a prune looks at nothing
    // else. Hostile data can prune after every code; scanning the whole table
    // each time would make decoding time grow with the table, not the input.
    void NoteMaybeLeaf(uint32_t code) {
        if (m_listed[code]) return;
        m_listed[code] = true;
        m_maybeLeaf[m_maybeLeafCount++] = static_cast<uint16_t>(code);
    }

    // Frees every string no other string extends (the leaves of the
    // dictionary as it stands now; codes that lose their last child in this
    // prune stay until the next one). Freed codes are reused lowest first.
    void PartialClear() {
        size_t leaves = 0;
        for (size_t i = 0; i < m_maybeLeafCount; ++i) {
            uint16_t code = m_maybeLeaf[i];
            m_listed[code] = false;
            if (m_prefix[code] != NoPrefix && m_children[code] == 0) m_leaves[leaves++] = code;
        }
        m_maybeLeafCount = 0;
        for (size_t i = 0; i < leaves; ++i) {
            uint16_t code = m_leaves[i];
            uint16_t prefix = m_prefix[code];
            m_prefix[code] = NoPrefix;
            m_free[code / 64] |= uint64_t{1} << (code % 64);
            if (prefix >= FirstFreeCode && --m_children[prefix] == 0) NoteMaybeLeaf(prefix);
        }
        m_nextFree = FindFree(FirstFreeCode);
    }

    BitReader m_bits;
    OutputWindow m_out;
    unsigned m_codeBits = MinCodeBits;
    uint32_t m_nextFree = FirstFreeCode;
    uint16_t m_prefix[TableSize];
    unsigned char m_suffix[TableSize] = {};
    // How many defined strings extend each code, counting strings whose
    // prefix was freed under them: those still keep the slot from being a leaf.
    uint16_t m_children[TableSize] = {};
    uint64_t m_free[TableSize / 64] = {}; // set bits mark codes open for definition
    uint16_t m_maybeLeaf[TableSize] = {};
    size_t m_maybeLeafCount = 0;
    bool m_listed[TableSize] = {};
    uint16_t m_leaves[TableSize] = {};
    unsigned char m_string[TableSize] = {};
};

} // namespace

DecodeResult Unshrink(DecodeInput& in, uint64_t uncompressedSize, DecodeOutput& out) {
    auto decoder = std::make_unique<Unshrinker>(in, uncompressedSize, out);
    return decoder->Run();
}

} // namespace pak
