#include "tree/FindDialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

CFindDialog::CFindDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Find"));
    setModal(false);

    m_text = new QLineEdit(QStringLiteral("*"), this);
    m_text->setObjectName(QStringLiteral("text"));
    m_text->selectAll();
    m_wholeWord = new QCheckBox(QStringLiteral("Match &whole word only"), this);
    m_wholeWord->setObjectName(QStringLiteral("wholeWord"));
    m_matchCase = new QCheckBox(QStringLiteral("Match &case"), this);
    m_matchCase->setObjectName(QStringLiteral("matchCase"));
    auto* direction = new QGroupBox(QStringLiteral("Direction"), this);
    m_up = new QRadioButton(QStringLiteral("&Up"), direction);
    m_down = new QRadioButton(QStringLiteral("&Down"), direction);
    m_down->setChecked(true);
    auto* directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(m_up);
    directionLayout->addWidget(m_down);

    auto* findNext = new QPushButton(QStringLiteral("&Find Next"), this);
    findNext->setObjectName(QStringLiteral("findNext"));
    findNext->setDefault(true);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setAutoDefault(false);
    connect(findNext, &QPushButton::clicked, this,
            [this] { emit FindNextRequested(Text(), MatchCase(), WholeWord(), SearchDown()); });
    connect(close, &QPushButton::clicked, this, &CFindDialog::reject);
    connect(m_text, &QLineEdit::textChanged, findNext,
            [findNext](const QString& t) { findNext->setEnabled(!t.isEmpty()); });

    auto* textRow = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("Fi&nd what:"), this);
    label->setBuddy(m_text);
    textRow->addWidget(label);
    textRow->addWidget(m_text, 1);
    auto* left = new QVBoxLayout;
    left->addLayout(textRow);
    auto* options = new QHBoxLayout;
    auto* checks = new QVBoxLayout;
    checks->addWidget(m_wholeWord);
    checks->addWidget(m_matchCase);
    options->addLayout(checks);
    options->addWidget(direction);
    left->addLayout(options);
    auto* right = new QVBoxLayout;
    right->addWidget(findNext);
    right->addWidget(close);
    right->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right);
}

QString CFindDialog::Text() const {
    return m_text->text();
}
bool CFindDialog::MatchCase() const {
    return m_matchCase->isChecked();
}
bool CFindDialog::WholeWord() const {
    return m_wholeWord->isChecked();
}
bool CFindDialog::SearchDown() const {
    return m_down->isChecked();
}

void CFindDialog::done(int result) {
    QDialog::done(result);
    emit Closing();
}
