#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QRadioButton;

// The tree's modeless find dialog: the text, whole word, match case and the
// direction. Every Find Next press is sent as FindNextRequested; closing the
// dialog sends Closing, after which the owner forgets it.
class CFindDialog : public QDialog {
    Q_OBJECT
  public:
    explicit CFindDialog(QWidget* parent = nullptr);

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
    QRadioButton* m_up = nullptr;
    QRadioButton* m_down = nullptr;
};
