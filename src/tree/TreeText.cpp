#include "tree/TreeText.h"

#include "format/DefNode.h"
#include "platform/Text.h"

#include <QList>

#include <array>

namespace tree {
namespace {

// Unicode code points of the bytes 0x80-0x9F, taken from the platform's own
// conversion so that typing back what the tree shows gives the same bytes.
const std::array<char32_t, 32>& HighCodePoints() {
    static const std::array<char32_t, 32> table = [] {
        std::array<char32_t, 32> t{};
        for (int b = 0x80; b <= 0x9F; ++b) {
            const char byte = static_cast<char>(b);
            QString s = QString::fromStdString(platform::Cp1252ToUtf8(std::string_view(&byte, 1)));
            t[b - 0x80] = s.isEmpty() ? char32_t(b) : s.toUcs4().value(0);
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

QString NodeText(std::string_view bytes) {
    return QString::fromStdString(platform::Cp1252ToUtf8(bytes));
}

std::string NodeBytes(const QString& text) {
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (char32_t c : text.toUcs4())
        out.push_back(ByteOf(c));
    return out;
}

QString NodeLabel(const CDefNode& node) {
    std::string label(node.Name());
    auto values = node.Values();
    if (!values.empty()) {
        label += " (";
        for (size_t i = 0; i < values.size(); ++i) {
            if (i) label += " ;";
            label += values[i];
        }
        label += ')';
    }
    return NodeText(label);
}

} // namespace tree
