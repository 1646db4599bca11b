#include "textedit/ColorEditLexer.h"

#include <Qsci/qsciscintilla.h>

#include <QByteArray>
#include <QColor>

namespace textedit {

namespace {

// Styles 32 to 39 are the component's own (line numbers, brace highlight, ...).
constexpr int kLastFreeStyle = 31;

} // namespace

QColor ToQColor(Colour colour) {
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

CColorEditLexer::CColorEditLexer(const CColorRules& rules, const QFont& font, QObject* parent)
    : QsciLexerCustom(parent), m_rules(rules), m_font(font) {
    setDefaultFont(m_font);
    setFont(m_font, -1);
}

QString CColorEditLexer::description(int style) const {
    if (style == 0) return QStringLiteral("Text");
    for (const auto& [colour, s] : m_styles)
        if (s == style) return QStringLiteral("Colour %1").arg(colour, 6, 16, QLatin1Char('0'));
    return {};
}

QColor CColorEditLexer::defaultColor(int style) const {
    for (const auto& [colour, s] : m_styles)
        if (s == style) return ToQColor(colour);
    return Qt::black;
}

QFont CColorEditLexer::defaultFont(int) const {
    return m_font;
}

QColor CColorEditLexer::defaultPaper(int) const {
    return Qt::white;
}

const char* CColorEditLexer::wordCharacters() const {
    // A word for double click and whole-word search: letters, digits and "_".
    return "_abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
}

int CColorEditLexer::StyleOf(Colour colour) {
    auto it = m_styles.find(colour);
    if (it != m_styles.end()) return it->second;
    const int style = static_cast<int>(m_styles.size()) + 1;
    if (style > kLastFreeStyle) return 0;
    m_styles.emplace(colour, style);
    setColor(ToQColor(colour), style);
    setFont(m_font, style);
    setPaper(Qt::white, style);
    return style;
}

void CColorEditLexer::styleText(int start, int end) {
    QsciScintilla* ed = editor();
    if (!ed || end <= start) return;
    // Colours depend on the whole line: always start at a line's beginning.
    const long firstLine = ed->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION,
                                             static_cast<unsigned long>(start));
    const long from = ed->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE,
                                        static_cast<unsigned long>(firstLine));
    QByteArray bytes(static_cast<qsizetype>(end - from) + 1, '\0');
    ed->SendScintilla(QsciScintillaBase::SCI_GETTEXTRANGE, from, static_cast<long>(end),
                      bytes.data());
    bytes.chop(1);

    startStyling(static_cast<int>(from));
    std::string_view text(bytes.constData(), static_cast<size_t>(bytes.size()));
    size_t lineStart = 0;
    while (lineStart < text.size()) {
        size_t lineEnd = text.find('\n', lineStart);
        const size_t next = lineEnd == std::string_view::npos ? text.size() : lineEnd + 1;
        size_t contentEnd = lineEnd == std::string_view::npos ? text.size() : lineEnd;
        if (contentEnd > lineStart && text[contentEnd - 1] == '\r') --contentEnd;
        size_t at = lineStart;
        for (const ColourRun& run :
             m_rules.ColourLine(text.substr(lineStart, contentEnd - lineStart))) {
            const size_t runStart = lineStart + run.start;
            if (runStart > at) setStyling(static_cast<int>(runStart - at), 0);
            setStyling(static_cast<int>(run.length), StyleOf(run.colour));
            at = runStart + run.length;
        }
        if (next > at) setStyling(static_cast<int>(next - at), 0);
        lineStart = next;
    }
}

} // namespace textedit
