#include "format/DefScanner.h"

#include "platform/Files.h"

#include <array>
#include <cstring>

namespace format {
namespace {

// Bit 0x80 of a table entry marks bytes that may continue a word: word bytes and ".".
constexpr uint8_t kContinuesWord = 0x80;

struct ClassTable {
    std::array<uint8_t, 256> entries{};
    constexpr ClassTable() {
        for (int c = 0; c < 256; ++c) {
            uint8_t cls = Other;
            if (c == 0)
                cls = End;
            else if (c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r')
                cls = Whitespace;
            else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                     c == '_' || c == '-')
                cls = Word;
            else if (c >= 0x21 && c <= 0x7E)
                cls = Punctuation;
            // Bytes from 0x80 up are letters of the game's code page (the seven
            // umlauts and sharp s among them): they belong to words.
            else if (c >= 0x80)
                cls = Word;
            if (cls == Word || c == '.') cls |= kContinuesWord;
            entries[c] = cls;
        }
    }
};

constexpr ClassTable kTable;

} // namespace

CharClass ClassOf(unsigned char c) {
    return static_cast<CharClass>(kTable.entries[c] & 0x7F);
}

} // namespace format

CDefScanner::CDefScanner(const std::filesystem::path& path) {
    if (path.empty()) return;
    auto data = platform::ReadWholeFile(path);
    if (!data) return;
    Load(std::move(*data));
}

CDefScanner::CDefScanner(FILE* file) {
    if (!file) return;
    std::string data;
    char buf[1 << 16];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, file)) > 0)
        data.append(buf, n);
    if (std::ferror(file)) return;
    Load(std::move(data));
}

CDefScanner CDefScanner::FromText(std::string_view text) {
    CDefScanner s;
    s.Load(std::string(text));
    return s;
}

void CDefScanner::Load(std::string data) {
    m_buffer = std::move(data);
    size_t nul = m_buffer.find('\0');
    if (nul != std::string::npos) m_buffer.resize(nul);
    while (!m_buffer.empty() && (m_buffer.back() == '\r' || m_buffer.back() == '\n'))
        m_buffer.pop_back();
    m_end = m_buffer.size();
    m_buffer.push_back('\0');
    m_pos = 0;
    m_ok = true;
}

std::string_view CDefScanner::NextToken() {
    using namespace format;
    const char* buf = m_buffer.data();
    const auto* table = kTable.entries.data();
    while (m_pos < m_end) {
        const unsigned char c = static_cast<unsigned char>(buf[m_pos]);
        const uint8_t cls = table[c] & 0x7F;
        if (cls == Word) {
            size_t start = m_pos++;
            while (table[static_cast<unsigned char>(buf[m_pos])] & kContinuesWord)
                ++m_pos;
            return {buf + start, m_pos - start};
        }
        if (cls == Whitespace) {
            ++m_pos;
            while (m_pos < m_end &&
                   (table[static_cast<unsigned char>(buf[m_pos])] & 0x7F) == Whitespace)
                ++m_pos;
            continue;
        }
        if (cls == Punctuation) {
            if (c == ';') {
                // A line comment runs through its line end: CR LF, LF or a lone CR.
                size_t start = m_pos;
                size_t i = m_pos + 1;
                while (i < m_end && buf[i] != '\n' && buf[i] != '\r')
                    ++i;
                if (i < m_end) i += (buf[i] == '\r' && buf[i + 1] == '\n') ? 2 : 1;
                m_pendingComment.append(buf + start, i - start);
                m_pos = i;
                continue;
            }
            if (c == '/' && buf[m_pos + 1] == '*') {
                // A block comment runs through the first "*/", or to the end of the input.
                size_t start = m_pos;
                size_t stop = m_end;
                for (size_t i = m_pos + 2; i + 1 < m_end; ++i) {
                    if (buf[i] == '*' && buf[i + 1] == '/') {
                        stop = i + 2;
                        break;
                    }
                }
                m_pendingComment.append(buf + start, stop - start);
                m_pos = stop;
                continue;
            }
            return {buf + m_pos++, 1};
        }
        // A control byte on its own is skipped.
        ++m_pos;
    }
    return {};
}

void CDefScanner::UnreadToken(size_t length) {
    m_pos = length > m_pos ? 0 : m_pos - length;
}

void CDefScanner::SkipParenRun() {
    int depth = 1;
    while (depth > 0) {
        std::string_view t = NextToken();
        if (t.empty()) return;
        if (t.size() == 1 && t[0] == '(')
            ++depth;
        else if (t.size() == 1 && t[0] == ')')
            --depth;
    }
}

std::string_view CDefScanner::NextTokenSkippingParens() {
    for (;;) {
        std::string_view t = NextToken();
        if (t.size() == 1 && t[0] == '(') {
            SkipParenRun();
            continue;
        }
        return t;
    }
}

std::string_view CDefScanner::ReadQuotedString() {
    // The quote token was just read; the string starts with it.
    size_t start = m_pos - 1;
    const void* close = std::memchr(m_buffer.data() + m_pos, '"', m_end - m_pos);
    size_t stop =
        close ? static_cast<size_t>(static_cast<const char*>(close) - m_buffer.data()) + 1 : m_end;
    m_pos = stop;
    return {m_buffer.data() + start, stop - start};
}

std::string CDefScanner::TakeComment() {
    std::string out;
    out.swap(m_pendingComment);
    return out;
}
