#include "app/ProgressThread.h"

#include "app/QtPlatform.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace app {

CProgressThread::~CProgressThread() {
    Close();
}

void CProgressThread::Start(int range) {
    Close();
    auto* window =
        new QWidget(m_parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->setWindowTitle(QString::fromUtf8(kAppName));
    m_bar = new QProgressBar(window);
    m_bar->setRange(0, range > 0 ? range : 0);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    m_label = new QLabel(FromGameText(m_text), window);
    m_label->setMinimumWidth(420);
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(m_bar);
    layout->addWidget(m_label);
    window->adjustSize();
    // Centred over the main window, or on the screen before it is shown.
    QWidget* anchor = m_parent && m_parent->isVisible() ? m_parent.data() : nullptr;
    QRect area =
        anchor ? anchor->frameGeometry()
               : (QApplication::primaryScreen() ? QApplication::primaryScreen()->availableGeometry()
                                                : QRect(0, 0, 800, 600));
    window->move(area.center() - window->rect().center());
    m_window = window;
    window->show();
    window->raise();
    Repaint();
}

void CProgressThread::Step() {
    if (!m_bar) return;
    if (m_bar->value() < m_bar->maximum()) m_bar->setValue(m_bar->value() + 1);
    Repaint();
}

void CProgressThread::SetText(std::string_view text) {
    m_text.assign(text);
    if (!m_label) return;
    m_label->setText(FromGameText(m_text));
    Repaint();
}

void CProgressThread::Close() {
    if (m_window) delete m_window.data();
    m_window = nullptr;
    m_bar = nullptr;
    m_label = nullptr;
}

int CProgressThread::Value() const {
    return m_bar ? m_bar->value() : 0;
}

void CProgressThread::Repaint() {
    // Only painting: input arriving during the load waits for the event loop.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace app
