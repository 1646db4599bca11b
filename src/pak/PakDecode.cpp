#include "pak/PakDecode.h"

#include "pak/LegacyDecoders.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include <zlib.h>

namespace pak {

void CPakSink::Begin(std::FILE* file, uint64_t limit) {
    m_file = file;
    m_limit = limit;
    m_used = 0;
    m_total = 0;
    m_crc = static_cast<uint32_t>(crc32_z(0L, Z_NULL, 0));
    m_overflow = false;
    m_writeFailed = false;
}

// Bytes past the declared size are cut off here: a member that lies about its
// size never makes the output grow beyond what the archive promised.
bool CPakSink::Accept(const unsigned char* data, size_t& size) {
    if (size > m_limit - m_total) {
        size = static_cast<size_t>(m_limit - m_total);
        m_overflow = true;
    }
    m_crc = static_cast<uint32_t>(crc32_z(m_crc, data, size));
    m_total += size;
    return !m_overflow;
}

bool CPakSink::Flush() {
    if (m_file && m_used > 0 && std::fwrite(m_buffer.data(), 1, m_used, m_file) != m_used)
        m_writeFailed = true;
    m_used = 0;
    return !m_writeFailed;
}

unsigned char* CPakSink::Space(size_t& available) {
    if (m_used == m_buffer.size()) Flush();
    available = m_buffer.size() - m_used;
    return m_buffer.data() + m_used;
}

bool CPakSink::Produced(size_t size) {
    Accept(m_buffer.data() + m_used, size);
    m_used += size;
    if (m_used == m_buffer.size()) Flush();
    return !m_overflow && !m_writeFailed;
}

bool CPakSink::Put(const unsigned char* data, size_t size) {
    Accept(data, size);
    if (!m_file) return !m_overflow;
    if (m_used == 0 && size >= m_buffer.size() / 2) {
        // A large block goes to the file as it is, without a copy.
        if (std::fwrite(data, 1, size, m_file) != size) m_writeFailed = true;
        return !m_overflow && !m_writeFailed;
    }
    while (size > 0 && !m_writeFailed) {
        size_t n = std::min(size, m_buffer.size() - m_used);
        std::memcpy(m_buffer.data() + m_used, data, n);
        m_used += n;
        data += n;
        size -= n;
        if (m_used == m_buffer.size()) Flush();
    }
    return !m_overflow && !m_writeFailed;
}

bool CPakSink::Finish() {
    return Flush();
}

namespace {

PakDecodeStatus SinkStatus(const CPakSink& out) {
    if (out.WriteFailed()) return PakDecodeStatus::WriteFailed;
    if (out.Overflowed()) return PakDecodeStatus::TooLong;
    return PakDecodeStatus::Ok;
}

// Hands the old decoders the member's compressed bytes, never more than the
// central directory gives it.
class CursorInput : public DecodeInput {
  public:
    CursorInput(CPakCursor& cursor, uint64_t size) : m_cursor(cursor), m_left(size) {}
    size_t Read(unsigned char* dst, size_t max) override {
        size_t n = static_cast<size_t>(std::min<uint64_t>(max, m_left));
        if (n == 0) return 0;
        size_t available = 0;
        const unsigned char* src = m_cursor.Peek(available);
        n = std::min(n, available);
        if (n == 0) return 0;
        std::memcpy(dst, src, n);
        m_cursor.Consume(n);
        m_left -= n;
        return n;
    }

  private:
    CPakCursor& m_cursor;
    uint64_t m_left;
};

class SinkOutput : public DecodeOutput {
  public:
    explicit SinkOutput(CPakSink& sink) : m_sink(sink) {}
    bool Write(const unsigned char* data, size_t size) override { return m_sink.Put(data, size); }

  private:
    CPakSink& m_sink;
};

} // namespace

struct CPakDecoder::Inflater {
    z_stream stream{};
    bool ready = false;
    ~Inflater() {
        if (ready) inflateEnd(&stream);
    }
};

CPakDecoder::CPakDecoder() : m_inflater(new Inflater) {}

CPakDecoder::~CPakDecoder() = default;

PakDecodeStatus CPakDecoder::Decode(CPakCursor& in, uint64_t compressedSize, uint16_t method,
                                    uint16_t flags, uint64_t uncompressedSize, CPakSink& out) {
    PakDecodeStatus status = PakDecodeStatus::BadData;
    if (method == 0) {
        status = Store(in, compressedSize, out);
    } else if (method == 8) {
        status = Inflate(in, compressedSize, out);
    } else if (method >= 1 && method <= 6) {
        CursorInput input(in, compressedSize);
        SinkOutput output(out);
        DecodeResult r = method == 1   ? Unshrink(input, uncompressedSize, output)
                         : method == 6 ? Explode(input, flags, uncompressedSize, output)
                                       : Unreduce(input, method - 1, uncompressedSize, output);
        status = r == DecodeResult::Ok ? PakDecodeStatus::Ok : PakDecodeStatus::BadData;
        if (r == DecodeResult::OutputFailed || out.WriteFailed() || out.Overflowed())
            status = SinkStatus(out);
    }
    if (!out.Finish() && status != PakDecodeStatus::TooLong) status = PakDecodeStatus::WriteFailed;
    return status;
}

PakDecodeStatus CPakDecoder::Store(CPakCursor& in, uint64_t compressedSize, CPakSink& out) {
    uint64_t left = compressedSize;
    while (left > 0) {
        size_t available = 0;
        const unsigned char* src = in.Peek(available);
        if (available == 0) return PakDecodeStatus::BadData;
        size_t n = static_cast<size_t>(std::min<uint64_t>(available, left));
        bool ok = out.Put(src, n);
        in.Consume(n);
        left -= n;
        if (!ok) return SinkStatus(out);
    }
    return PakDecodeStatus::Ok;
}

// Inflates straight from the cursor's buffer into the sink's block: no byte is
// copied on the way, and each block reaches the file in one write.
PakDecodeStatus CPakDecoder::Inflate(CPakCursor& in, uint64_t compressedSize, CPakSink& out) {
    z_stream& z = m_inflater->stream;
    if (!m_inflater->ready) {
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return PakDecodeStatus::BadData;
        m_inflater->ready = true;
    } else if (inflateReset(&z) != Z_OK) {
        return PakDecodeStatus::BadData;
    }
    uint64_t left = compressedSize;
    for (;;) {
        size_t available = 0;
        const unsigned char* src = left > 0 ? in.Peek(available) : nullptr;
        uInt given = static_cast<uInt>(std::min<uint64_t>({available, left, UINT_MAX}));
        z.next_in = const_cast<Bytef*>(src);
        z.avail_in = given;
        size_t room = 0;
        unsigned char* dst = out.Space(room);
        uInt space = static_cast<uInt>(std::min<size_t>(room, UINT_MAX));
        z.next_out = dst;
        z.avail_out = space;
        int ret = inflate(&z, Z_NO_FLUSH);
        size_t consumed = given - z.avail_in;
        size_t produced = space - z.avail_out;
        in.Consume(consumed);
        left -= consumed;
        if (produced > 0 && !out.Produced(produced)) return SinkStatus(out);
        if (ret == Z_STREAM_END) return PakDecodeStatus::Ok;
        if (ret != Z_OK && ret != Z_BUF_ERROR) return PakDecodeStatus::BadData;
        // No progress: the compressed bytes ran out before the stream ended.
        if (consumed == 0 && produced == 0) return PakDecodeStatus::BadData;
    }
}

} // namespace pak
