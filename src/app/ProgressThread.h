#pragma once

#include "platform/Progress.h"

#include <QPointer>

#include <string>
#include <string_view>

class QLabel;
class QProgressBar;
class QWidget;

namespace app {

// The progress display of a long load: a small window with a bar and a line
// of text. It shares nothing with the loader but a copy of the last text.
// Qt widgets live on the thread that runs the windows, which is also the one
// that loads, so each call updates the window directly and lets it repaint;
// input waits until the load is over.
class CProgressThread : public platform::Progress {
  public:
    explicit CProgressThread(QWidget* parent = nullptr) : m_parent(parent) {}
    ~CProgressThread() override;
    void SetParent(QWidget* parent) { m_parent = parent; }

    void Start(int range) override;
    void Step() override;
    void SetText(std::string_view text) override;
    void Close() override;

    // The last text shown, kept as a copy because the loader reuses its buffer.
    const std::string& Text() const { return m_text; }
    int Value() const;
    bool IsShown() const { return m_window != nullptr; }

  private:
    void Repaint();

    QPointer<QWidget> m_parent;
    QPointer<QWidget> m_window;
    QProgressBar* m_bar = nullptr;
    QLabel* m_label = nullptr;
    std::string m_text;
};

} // namespace app
