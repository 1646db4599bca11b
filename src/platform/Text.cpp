#include "platform/Text.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdlib>

namespace platform {
namespace {

struct CaseTables {
    std::array<unsigned char, 256> lower{};
    std::array<unsigned char, 256> upper{};
    CaseTables() {
        for (int i = 0; i < 256; ++i)
            lower[i] = upper[i] = static_cast<unsigned char>(i);
        auto pair = [this](int up, int low) {
            lower[up] = static_cast<unsigned char>(low);
            upper[low] = static_cast<unsigned char>(up);
        };
        for (int c = 'A'; c <= 'Z'; ++c)
            pair(c, c + 32);
        for (int c = 0xC0; c <= 0xDE; ++c)
            if (c != 0xD7) pair(c, c + 32);
        pair(0x8A, 0x9A); // S caron
        pair(0x8C, 0x9C); // OE ligature
        pair(0x8E, 0x9E); // Z caron
        pair(0x9F, 0xFF); // Y diaeresis
    }
};

const CaseTables& Tables() {
    static const CaseTables tables;
    return tables;
}

// Unicode code points of 0x80-0x9F in Windows-1252; 0 marks the five unused
// bytes, which are passed through as the C1 control of the same number.
constexpr std::array<unsigned short, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace

unsigned char LowerCp1252(unsigned char c) {
    return Tables().lower[c];
}
unsigned char UpperCp1252(unsigned char c) {
    return Tables().upper[c];
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    const auto& low = Tables().lower;
    for (size_t i = 0; i < a.size(); ++i)
        if (low[static_cast<unsigned char>(a[i])] != low[static_cast<unsigned char>(b[i])])
            return false;
    return true;
}

bool ContainsNoCase(std::string_view haystack, std::string_view needle) {
    if (needle.empty()) return true;
    if (needle.size() > haystack.size()) return false;
    for (size_t i = 0; i + needle.size() <= haystack.size(); ++i)
        if (EqualsNoCase(haystack.substr(i, needle.size()), needle)) return true;
    return false;
}

std::string ToLowerCp1252(std::string_view s) {
    std::string out(s);
    const auto& low = Tables().lower;
    for (auto& c : out)
        c = static_cast<char>(low[static_cast<unsigned char>(c)]);
    return out;
}

std::string Cp1252ToUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size() + s.size() / 8);
    for (unsigned char c : s) {
        unsigned cp = c;
        if (c >= 0x80 && c <= 0x9F && kHighControls[c - 0x80] != 0) cp = kHighControls[c - 0x80];
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

char Cp1252ByteOf(char32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<char>(codePoint);
    // The five bytes the code page leaves undefined stand for themselves, as
    // Cp1252ToUtf8 passes them on.
    for (unsigned i = 0; i < 32; ++i)
        if (kHighControls[i] != 0 ? kHighControls[i] == codePoint : codePoint == 0x80 + i)
            return static_cast<char>(0x80 + i);
    return '?';
}

std::string FormatFloat6(double x) {
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, 6);
    return std::string(buf, r.ptr);
}

std::string FormatUnsigned(unsigned long n) {
    return std::to_string(n);
}

std::string FormatHex(unsigned long n) {
    char buf[24] = {'0', 'x'};
    auto r = std::to_chars(buf + 2, buf + sizeof buf, n, 16);
    return std::string(buf, r.ptr);
}

std::string FormatInt(long n) {
    return std::to_string(n);
}

double ParseDouble(const char* text) {
    if (!text) return 0.0;
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    const char* end = p;
    while (*end)
        ++end;
    double value = 0.0;
    std::from_chars_result r{};
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        r = std::from_chars(p + 2, end, value, std::chars_format::hex);
        if (r.ec == std::errc::invalid_argument) value = 0.0; // "0x" alone reads as 0
    } else {
        r = std::from_chars(p, end, value, std::chars_format::general);
        if (r.ec == std::errc::invalid_argument) value = 0.0;
    }
    if (r.ec == std::errc::result_out_of_range) {
        // Keep the C conversion's answer for overflow and underflow.
        value = std::strtod(p, nullptr);
    }
    return negative ? -value : value;
}

unsigned long ParseUnsigned(const char* text, int base) {
    return text ? std::strtoul(text, nullptr, base) : 0UL;
}

long ParseLong(const char* text, int base) {
    return text ? std::strtol(text, nullptr, base) : 0L;
}

std::string StripQuotes(std::string_view s) {
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
    return std::string(s);
}

} // namespace platform
