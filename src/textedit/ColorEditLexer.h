#pragma once

#include "textedit/ColorRules.h"

#include <Qsci/qscilexercustom.h>

#include <QFont>

#include <map>

namespace textedit {

// Paints the text window's lines as the colouring rules say. Every line is
// coloured on its own (no state runs from one line to the next), so the
// editing component restyles only the lines it shows or that changed.
class CColorEditLexer : public QsciLexerCustom {
    Q_OBJECT
  public:
    // rules must outlive the lexer.
    CColorEditLexer(const CColorRules& rules, const QFont& font, QObject* parent = nullptr);

    const char* language() const override { return "Varnholt definition"; }
    QString description(int style) const override;
    QColor defaultColor(int style) const override;
    QFont defaultFont(int style) const override;
    QColor defaultPaper(int style) const override;
    const char* wordCharacters() const override;
    void styleText(int start, int end) override;

    // The style that draws a colour; style 0 is the normal text.
    int StyleOf(Colour colour);

  private:
    const CColorRules& m_rules;
    QFont m_font;
    std::map<Colour, int> m_styles;
};

// A colour of the rules (0x00BBGGRR) as Qt takes it.
QColor ToQColor(Colour colour);

} // namespace textedit
