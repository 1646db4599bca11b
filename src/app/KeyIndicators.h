#pragma once

#include <QObject>

class QLabel;
class QStatusBar;

namespace app {

// The lock keys the status bar shows.
struct LockStates {
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

// What the keyboard's lock lights show now; all off where the platform
// cannot tell (the offscreen platform of the tests).
LockStates ReadLockStates();

// The status bar's key indicators "CAP", "NUM" and "SCRL": each is shown
// greyed while its lock is off. They follow every key the application sees.
class CKeyIndicators : public QObject {
    Q_OBJECT
  public:
    explicit CKeyIndicators(QStatusBar* bar);
    void Refresh();
    void Show(const LockStates& states);
    const LockStates& Shown() const { return m_shown; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLabel* m_caps;
    QLabel* m_num;
    QLabel* m_scroll;
    LockStates m_shown;
};

} // namespace app
