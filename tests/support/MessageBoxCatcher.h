#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <vector>

namespace testing_support {

// Answers every message box that opens while it lives: records its text and
// the window it was opened over, then closes it. Message boxes run their own
// event loop, in which the catcher's timer fires; nothing else needs one.
class MessageBoxCatcher {
  public:
    MessageBoxCatcher() {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || box == m_last) return;
            m_last = box;
            texts << box->text();
            parents.push_back(box->parentWidget());
            box->done(QMessageBox::Ok);
        });
        m_timer.start();
    }

    QStringList texts;
    std::vector<QPointer<QWidget>> parents;

  private:
    QTimer m_timer;
    QPointer<QMessageBox> m_last;
};

} // namespace testing_support
