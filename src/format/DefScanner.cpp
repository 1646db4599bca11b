#include "format/DefScanner.h"

#include "platform/Files.h"

#include <algorithm>
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

namespace {

// Line ends are CR LF, a lone LF or a lone CR. text[to] must be readable.
size_t CountLineEnds(const char* text, size_t from, size_t to) {
    size_t lines = 0;
    for (size_t i = from; i < to; ++i)
        lines += text[i] == '\n' || (text[i] == '\r' && text[i + 1] != '\n');
    return lines;
}

// Text after a NUL that is only more NULs or blank space loses nothing.
bool OnlyPaddingFrom(const std::string& data, size_t from) {
    for (size_t i = from; i < data.size(); ++i)
        if (data[i] != '\0' &&
            format::ClassOf(static_cast<unsigned char>(data[i])) != format::Whitespace)
            return false;
    return true;
}

constexpr unsigned char kDosEndOfFile = 0x1A;

} // namespace

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
    if (nul != std::string::npos) {
        // Remember where the file was cut, for a caller that asks later.
        if (!OnlyPaddingFrom(m_buffer, nul + 1))
            m_nulLine = 1 + CountLineEnds(m_buffer.data(), 0, nul);
        m_buffer.resize(nul);
    }
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
                bool closed = false;
                for (size_t i = m_pos + 2; i + 1 < m_end; ++i) {
                    if (buf[i] == '*' && buf[i + 1] == '/') {
                        stop = i + 2;
                        closed = true;
                        break;
                    }
                }
                if (!closed && m_collect) [[unlikely]]
                    NoteRunToEnd(start, "a comment opened with '/*' runs to the end of the file");
                m_pendingComment.append(buf + start, stop - start);
                m_pos = stop;
                continue;
            }
            return {buf + m_pos++, 1};
        }
        // A control byte on its own is skipped.
        if (m_collect) [[unlikely]]
            NoteControlByte(m_pos);
        ++m_pos;
    }
    return {};
}

void CDefScanner::UnreadToken(size_t length) {
    m_pos = length > m_pos ? 0 : m_pos - length;
}

void CDefScanner::SkipParenRun() {
    const size_t open = m_pos > 0 ? m_pos - 1 : 0;
    int depth = 1;
    while (depth > 0) {
        std::string_view t = NextToken();
        if (t.empty()) {
            if (m_collect) [[unlikely]]
                NoteRunToEnd(open, "a '(' is never closed: everything after it was skipped");
            return;
        }
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
    if (!close && m_collect) [[unlikely]]
        NoteRunToEnd(start, "a quoted text runs to the end of the file");
    m_pos = stop;
    return {m_buffer.data() + start, stop - start};
}

std::string CDefScanner::TakeComment() {
    std::string out;
    out.swap(m_pendingComment);
    return out;
}

void CDefScanner::CollectProblems() {
    if (m_collect) return;
    m_collect = true;
    if (m_nulLine)
        m_problems.push_back({m_nulLine, "the file ends at a NUL byte; the rest was not read"});
}

void CDefScanner::ReportProblem(size_t offset, std::string message) {
    if (!m_collect) return;
    m_problems.push_back({LineOf(offset), std::move(message)});
}

void CDefScanner::NoteRunToEnd(size_t offset, const char* message) {
    ReportProblem(offset, message);
}

void CDefScanner::NoteControlByte(size_t offset) {
    // Old DOS tools end text files with a Ctrl-Z; dropping it loses nothing.
    if (offset + 1 == m_end && static_cast<unsigned char>(m_buffer[offset]) == kDosEndOfFile)
        return;
    if (m_controlBytes++ == 0) m_firstControl = offset;
}

size_t CDefScanner::LineOf(size_t offset) {
    if (offset > m_end) offset = m_end;
    // Problems mostly arrive in file order, so counting goes on from the last one.
    if (offset < m_lineCursor) {
        m_lineCursor = 0;
        m_lineAtCursor = 1;
    }
    m_lineAtCursor += CountLineEnds(m_buffer.data(), m_lineCursor, offset);
    m_lineCursor = offset;
    return m_lineAtCursor;
}

std::vector<format::ParseProblem> CDefScanner::TakeProblems() {
    if (m_controlBytes) {
        char byte[8];
        std::snprintf(byte, sizeof byte, "0x%02X",
                      static_cast<unsigned char>(m_buffer[m_firstControl]));
        std::string message =
            m_controlBytes == 1
                ? std::string("a control byte (") + byte + ") that is not text was skipped"
                : std::to_string(m_controlBytes) +
                      " control bytes that are not text were skipped; the first, " + byte +
                      ", is on this line";
        m_problems.push_back({LineOf(m_firstControl), std::move(message)});
        m_controlBytes = 0;
    }
    std::stable_sort(m_problems.begin(), m_problems.end(),
                     [](const auto& a, const auto& b) { return a.line < b.line; });
    std::vector<format::ParseProblem> out;
    out.swap(m_problems);
    return out;
}
