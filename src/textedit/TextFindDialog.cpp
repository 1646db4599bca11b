#include "textedit/TextFindDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace textedit {

CTextFindDialog::CTextFindDialog(const QString& initial, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Find"));
    setModal(false);

    m_text = new QLineEdit(initial, this);
    m_text->setObjectName(QStringLiteral("text"));
    m_text->selectAll();
    m_wholeWord = new QCheckBox(QStringLiteral("Match &whole word only"), this);
    m_wholeWord->setObjectName(QStringLiteral("wholeWord"));
    m_matchCase = new QCheckBox(QStringLiteral("Match &case"), this);
    m_matchCase->setObjectName(QStringLiteral("matchCase"));
    auto* direction = new QGroupBox(QStringLiteral("Direction"), this);
    auto* up = new QRadioButton(QStringLiteral("&Up"), direction);
    up->setObjectName(QStringLiteral("up"));
    m_down = new QRadioButton(QStringLiteral("&Down"), direction);
    m_down->setObjectName(QStringLiteral("down"));
    m_down->setChecked(true);
    auto* directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(up);
    directionLayout->addWidget(m_down);

    auto* findNext = new QPushButton(QStringLiteral("&Find Next"), this);
    findNext->setObjectName(QStringLiteral("findNext"));
    findNext->setDefault(true);
    findNext->setEnabled(!initial.isEmpty());
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setAutoDefault(false);
    connect(findNext, &QPushButton::clicked, this,
            [this] { emit FindNextRequested(Text(), MatchCase(), WholeWord(), SearchDown()); });
    connect(close, &QPushButton::clicked, this, &CTextFindDialog::reject);
    connect(m_text, &QLineEdit::textChanged, findNext,
            [findNext](const QString& t) { findNext->setEnabled(!t.isEmpty()); });

    auto* label = new QLabel(QStringLiteral("Fi&nd what:"), this);
    label->setBuddy(m_text);
    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0);
    layout->addWidget(m_text, 0, 1, 1, 2);
    layout->addWidget(findNext, 0, 3);
    layout->addWidget(m_wholeWord, 1, 0, 1, 2);
    layout->addWidget(direction, 1, 2, 2, 1);
    layout->addWidget(close, 1, 3);
    layout->addWidget(m_matchCase, 2, 0, 1, 2);
}

QString CTextFindDialog::Text() const {
    return m_text->text();
}

bool CTextFindDialog::MatchCase() const {
    return m_matchCase->isChecked();
}

bool CTextFindDialog::WholeWord() const {
    return m_wholeWord->isChecked();
}

bool CTextFindDialog::SearchDown() const {
    return m_down->isChecked();
}

void CTextFindDialog::done(int result) {
    QDialog::done(result);
    emit Closing();
}

} // namespace textedit
