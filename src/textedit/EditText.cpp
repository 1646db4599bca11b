#include "textedit/EditText.h"

#include "platform/Text.h"

#include <array>

namespace textedit {

namespace {

// The code points of the bytes 0x80-0x9F, taken from the conversion the
// other way so that both directions always agree.
const std::array<char32_t, 32>& HighCodePoints() {
    static const std::array<char32_t, 32> table = [] {
        std::array<char32_t, 32> t{};
        for (int b = 0x80; b <= 0x9F; ++b) {
            const char byte = static_cast<char>(b);
            const std::string utf8 = platform::Cp1252ToUtf8(std::string_view(&byte, 1));
            char32_t cp = static_cast<char32_t>(b);
            const auto* u = reinterpret_cast<const unsigned char*>(utf8.data());
            if (utf8.size() == 2)
                cp = static_cast<char32_t>(((u[0] & 0x1F) << 6) | (u[1] & 0x3F));
            else if (utf8.size() == 3)
                cp = static_cast<char32_t>(((u[0] & 0x0F) << 12) | ((u[1] & 0x3F) << 6) |
                                           (u[2] & 0x3F));
            t[static_cast<size_t>(b - 0x80)] = cp;
        }
        return t;
    }();
    return table;
}

char ByteOf(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    const auto& high = HighCodePoints();
    for (size_t i = 0; i < high.size(); ++i)
        if (high[i] == c) return static_cast<char>(0x80 + i);
    return '?';
}

} // namespace

std::string NormaliseLineEnds(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

bool HasLineLongerThan(std::string_view text, size_t limit) {
    size_t length = 0;
    for (char c : text) {
        if (c == '\r' || c == '\n') {
            length = 0;
        } else if (++length > limit) {
            return true;
        }
    }
    return false;
}

std::string Utf8ToCp1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    const size_t n = utf8.size();
    for (size_t i = 0; i < n;) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        // A sequence's length from its lead byte; a stray continuation or a
        // cut-off sequence is one unreadable character.
        size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        char32_t cp = length == 4 ? c & 0x07 : length == 3 ? c & 0x0F : c & 0x1F;
        bool valid = length > 1 && i + length <= n;
        for (size_t k = 1; valid && k < length; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) valid = false;
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        out += valid ? ByteOf(cp) : '?';
        i += valid ? length : 1;
    }
    return out;
}

} // namespace textedit
