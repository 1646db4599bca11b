#include "textedit/EditText.h"

#include "platform/Text.h"

namespace textedit {

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
        out += valid ? platform::Cp1252ByteOf(cp) : '?';
        i += valid ? length : 1;
    }
    return out;
}

} // namespace textedit
