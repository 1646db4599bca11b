#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace textedit {

// The text window's modeless find dialog: the text, whole word, match case
// and the direction (down at first). Each Find Next press is sent as
// FindNextRequested; closing sends Closing, after which the owner forgets it.
class CTextFindDialog : public QDialog {
    Q_OBJECT
  public:
    // initial: what the dialog starts with (the window's selection).
    explicit CTextFindDialog(const QString& initial, QWidget* parent = nullptr);

    QString Text() const;
    bool MatchCase() const;
    bool WholeWord() const;
    bool SearchDown() const;

  signals:
    void FindNextRequested(const QString& text, bool matchCase, bool wholeWord, bool down);
    void Closing();

  protected:
    void done(int result) override;

  private:
    QLineEdit* m_text = nullptr;
    QCheckBox* m_wholeWord = nullptr;
    QCheckBox* m_matchCase = nullptr;
    QRadioButton* m_down = nullptr;
};

} // namespace textedit
