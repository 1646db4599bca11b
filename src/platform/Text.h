#pragma once

#include <string>
#include <string_view>

// The game's files are Windows-1252 bytes. These helpers compare and convert
// such byte strings without depending on the process locale.
namespace platform {

// Lower-case of one Windows-1252 byte (ASCII letters, the accented letters
// 0xC0-0xDE except 0xD7, and Š Œ Ž Ÿ of the 0x80-0x9F range).
unsigned char LowerCp1252(unsigned char c);
unsigned char UpperCp1252(unsigned char c);

// Case-insensitive equality and search over Windows-1252 letters.
bool EqualsNoCase(std::string_view a, std::string_view b);
bool ContainsNoCase(std::string_view haystack, std::string_view needle);
std::string ToLowerCp1252(std::string_view s);
// The text without its surrounding double quotes; unchanged unless it both
// begins and ends with one. Quoted values of the game's files keep their
// quotes, and callers that need the bare text strip them with this.
std::string StripQuotes(std::string_view s);

// Converts Windows-1252 bytes to UTF-8 (for JSON output and Qt widgets).
std::string Cp1252ToUtf8(std::string_view s);
// The Windows-1252 byte of a Unicode code point, or '?' when the code page
// has none: the way back for text typed into a widget.
char Cp1252ByteOf(char32_t codePoint);

// Locale-independent number formatting as the game's files write them.
std::string FormatFloat6(double x);          // "%.6f"
std::string FormatUnsigned(unsigned long n); // "%lu"
std::string FormatHex(unsigned long n);      // "0x" followed by "%lx"
std::string FormatInt(long n);               // "%d"

// Locale-independent readers with the leading-numeric-part semantics of the C
// conversions: leading whitespace is skipped, trailing garbage ignored, and
// text without a number reads as 0.
double ParseDouble(const char* text);
unsigned long ParseUnsigned(const char* text, int base = 10); // strtoul, wraps "-1"
long ParseLong(const char* text, int base = 10);

} // namespace platform
