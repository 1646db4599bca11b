#pragma once

#include "platform/Text.h"

#include <QString>

#include <string>
#include <string_view>

// Texts of the game's files are Windows-1252 bytes; the property dialogs
// show and take Unicode. These convert at the border between the two.
namespace editors {

inline QString ToQt(std::string_view bytes) {
    return QString::fromStdString(platform::Cp1252ToUtf8(bytes));
}

// What the user typed, as bytes for a node; characters the code page lacks become '?'.
inline std::string ToBytes(const QString& text) {
    std::string out;
    for (char32_t c : text.toUcs4())
        out += platform::Cp1252ByteOf(c);
    return out;
}

} // namespace editors
