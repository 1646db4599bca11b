#pragma once

#include "format/ParseProblem.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// Splits definition text into tokens. The whole file is held in one buffer
// and scanned in place: tokens are views into that buffer, valid for the
// scanner's lifetime, so no token costs an allocation.
//
// The buffer ends at the first NUL byte of the file (the game's reader stops
// there too) and trailing CR and LF bytes are dropped, so nothing beyond the
// buffer is ever looked at, whatever the file holds.
class CDefScanner {
  public:
    CDefScanner() = default;
    // Reads the file at path; Ok() is false when it cannot be read.
    explicit CDefScanner(const std::filesystem::path& path);
    // Reads the rest of a file the caller owns and keeps open.
    explicit CDefScanner(FILE* file);
    static CDefScanner FromText(std::string_view text);

    bool Ok() const { return m_ok; }

    // The next token, or an empty view when the input is exhausted.
    std::string_view NextToken();
    // Hands back the last length bytes read (never before the start).
    void UnreadToken(size_t length);
    // Called right after a "(" token: consumes tokens until the parentheses balance.
    void SkipParenRun();
    // Called right after a quote token: the string up to and including the
    // next quote. An unclosed quote takes the rest of the input.
    std::string_view ReadQuotedString();
    // The next token with parenthesised runs skipped.
    std::string_view NextTokenSkippingParens();

    // Comments consumed since the last TakeComment().
    bool HasPendingComment() const { return !m_pendingComment.empty(); }
    std::string TakeComment();

    size_t Position() const { return m_pos; }
    size_t Remaining() const { return m_end - m_pos; }
    size_t Size() const { return m_end; }
    // Where a token returned by this scanner starts in the buffer.
    size_t OffsetOf(std::string_view token) const {
        return static_cast<size_t>(token.data() - m_buffer.data());
    }

    // Problems are noted only after CollectProblems(); a scanner that is not
    // asked keeps no list and does no extra work. The parser adds what only
    // it can see through ReportProblem.
    void CollectProblems();
    bool CollectingProblems() const { return m_collect; }
    // Notes a problem at a buffer offset; ignored unless collecting.
    void ReportProblem(size_t offset, std::string message);
    // The 1-based line of a buffer offset.
    size_t LineOf(size_t offset);
    // The problems noted so far, in line order; the list is emptied.
    std::vector<format::ParseProblem> TakeProblems();

  private:
    void Load(std::string data);
    // Kept out of the scanning loops: called only while collecting.
    void NoteControlByte(size_t offset);
    void NoteRunToEnd(size_t offset, const char* message);

    std::string m_buffer; // file bytes plus a terminating NUL
    size_t m_pos = 0;
    size_t m_end = 0; // index of the terminating NUL
    std::string m_pendingComment;
    bool m_ok = false;

    // Problem collection; all of it idle unless m_collect is set.
    bool m_collect = false;
    std::vector<format::ParseProblem> m_problems;
    size_t m_nulLine = 0; // line of a NUL that cut the file short, 0 when none
    size_t m_controlBytes = 0;
    size_t m_firstControl = 0;
    size_t m_lineCursor = 0; // LineOf counts on from here
    size_t m_lineAtCursor = 1;
};

namespace format {

// Character classes of definition text.
enum CharClass : uint8_t { Whitespace, Punctuation, Word, Other, End };
CharClass ClassOf(unsigned char c);

} // namespace format
