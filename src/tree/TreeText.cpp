#include "tree/TreeText.h"

#include "format/DefNode.h"
#include "platform/Text.h"

#include <QList>

namespace tree {
QString NodeText(std::string_view bytes) {
    return QString::fromStdString(platform::Cp1252ToUtf8(bytes));
}

std::string NodeBytes(const QString& text) {
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (char32_t c : text.toUcs4())
        out.push_back(platform::Cp1252ByteOf(c));
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
