#include "app/KeyIndicators.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QStatusBar>

namespace app {

CKeyIndicators::CKeyIndicators(QStatusBar* bar) : QObject(bar) {
    auto make = [bar](const char* text) {
        auto* label = new QLabel(QString::fromLatin1(text), bar);
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 8);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        bar->addPermanentWidget(label);
        return label;
    };
    m_caps = make("CAP");
    m_num = make("NUM");
    m_scroll = make("SCRL");
    if (qApp) qApp->installEventFilter(this);
    Refresh();
}

void CKeyIndicators::Refresh() {
    Show(ReadLockStates());
}

void CKeyIndicators::Show(const LockStates& states) {
    m_shown = states;
    m_caps->setEnabled(states.caps);
    m_num->setEnabled(states.num);
    m_scroll->setEnabled(states.scroll);
}

bool CKeyIndicators::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyRelease || type == QEvent::ApplicationActivate) Refresh();
    return QObject::eventFilter(watched, event);
}

} // namespace app
