#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The text window's text as plain bytes: line ends, long lines and the
// border between the game's Windows-1252 bytes and the editing component's
// UTF-8. No window is needed for any of it.
namespace textedit {

// Texts up to this size are taken over from the document at once.
inline constexpr size_t kWholeTextLimit = 0xA00000;
// Lines longer than this are shown wrapped in the window; the text itself
// is never broken, since a break inside a quoted value would change the value.
inline constexpr size_t kMaxLineLength = 2048;

// The text with every line ending in CR LF: a lone CR gets an LF after it,
// a lone LF a CR before it; CR LF pairs stay.
std::string NormaliseLineEnds(std::string_view text);

// Whether any line (without its line end) is longer than limit bytes.
bool HasLineLongerThan(std::string_view text, size_t limit);

// UTF-8 from the editing component as Windows-1252 bytes. A character that
// Windows-1252 cannot hold becomes '?', as everywhere the editor takes typed text.
std::string Utf8ToCp1252(std::string_view utf8);

} // namespace textedit
