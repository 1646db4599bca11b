#pragma once

#include "pak/LegacyDecoders.h"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>

// Shared plumbing of the legacy decoders (Unshrink, Unreduce, Explode): a bit
// reader over the member's compressed bytes and an output window that doubles
// as the history for back-references. Private to the archive code.
namespace pak::legacy {

// Reads a member's compressed data as a bit stream, least significant bit of
// each byte first, as all three old methods store it. Input is pulled from
// DecodeInput in large blocks so the decoders never pay a virtual call per byte.
class BitReader {
  public:
    explicit BitReader(DecodeInput& in) : m_in(in) {}
    BitReader(const BitReader&) = delete;
    BitReader& operator=(const BitReader&) = delete;

    // Takes the next count bits (0 to 32); the first bit read is bit 0 of the
    // value. False when the member's data ends first.
    bool Bits(unsigned count, uint32_t& value) {
        assert(count <= 32);
        if (m_count < count && !Refill(count)) return false;
        value = static_cast<uint32_t>(m_bits & ((uint64_t{1} << count) - 1));
        m_bits >>= count;
        m_count -= count;
        return true;
    }

  private:
    bool Refill(unsigned count) {
        while (m_count <= 56) {
            if (m_pos == m_len) {
                if (m_ended) break;
                // A source that claims more than it was asked for is trusted no further than the
                // buffer.
                m_len = std::min(m_in.Read(m_buf, sizeof m_buf), sizeof m_buf);
                m_pos = 0;
                if (m_len == 0) {
                    // Asking again after the end would let a misbehaving source revive the stream.
                    m_ended = true;
                    break;
                }
            }
            m_bits |= uint64_t{m_buf[m_pos++]} << m_count;
            m_count += 8;
        }
        return m_count >= count;
    }

    DecodeInput& m_in;
    unsigned char m_buf[16384];
    size_t m_pos = 0;
    size_t m_len = 0;
    uint64_t m_bits = 0;
    unsigned m_count = 0;
    bool m_ended = false;
};

// Collects decoded bytes, hands them to DecodeOutput in blocks and keeps the
// recent history for back-references. The buffer starts zeroed and is larger
// than any distance the old methods can express, so a reference reaching back
// before the start of the member reads zeros, as those methods define it.
class OutputWindow {
  public:
    static constexpr size_t Size = 32768;
    static constexpr size_t Mask = Size - 1;

    OutputWindow(DecodeOutput& out, uint64_t limit) : m_out(out), m_remaining(limit) {}
    OutputWindow(const OutputWindow&) = delete;
    OutputWindow& operator=(const OutputWindow&) = delete;

    // True once the declared size is reached or a write failed: decoding stops.
    bool Done() const { return m_remaining == 0; }

    void Put(unsigned char c) {
        assert(m_remaining > 0);
        m_buf[m_pos++] = c;
        --m_remaining;
        if (m_pos == Size) FlushBlock();
    }

    // Repeats length bytes that begin distance bytes back (1 to Size); the
    // copy may overlap what it produces. Stops at the declared size.
    void Copy(size_t distance, uint64_t length) {
        assert(distance >= 1 && distance <= Size);
        size_t from = (m_pos - distance) & Mask;
        // Done() is checked per byte because a failed flush inside Put also ends the copy.
        for (; length > 0 && !Done(); --length) {
            unsigned char c = m_buf[from];
            from = (from + 1) & Mask;
            Put(c);
        }
    }

    // Hands over what is still buffered and grades the run: Ok only when the
    // whole declared size was produced.
    DecodeResult Finish() {
        FlushTail();
        if (m_failed) return DecodeResult::OutputFailed;
        return m_remaining == 0 ? DecodeResult::Ok : DecodeResult::BadData;
    }

    // Ends a run on malformed data. What was decoded so far is still handed
    // over, so the caller can keep a partial file for the user to inspect.
    DecodeResult Fail() {
        FlushTail();
        return m_failed ? DecodeResult::OutputFailed : DecodeResult::BadData;
    }

  private:
    void FlushBlock() {
        if (!m_failed && !m_out.Write(m_buf + m_flushed, Size - m_flushed)) Stop();
        m_pos = 0;
        m_flushed = 0;
    }

    void FlushTail() {
        if (!m_failed && m_pos > m_flushed && !m_out.Write(m_buf + m_flushed, m_pos - m_flushed))
            Stop();
        m_flushed = m_pos;
    }

    void Stop() {
        m_failed = true;
        m_remaining = 0;
    }

    DecodeOutput& m_out;
    uint64_t m_remaining;
    unsigned char m_buf[Size] = {};
    size_t m_pos = 0;
    size_t m_flushed = 0; // bytes of m_buf already handed over (only after FlushTail)
    bool m_failed = false;
};

} // namespace pak::legacy
