#pragma once

#include <QMdiSubWindow>

#include <functional>

class CVarnholtMapEditorView;
class CMap3DView;

namespace textedit {
class CDirectEditView;
}

namespace app {

class CDocumentHolder;

// A document window inside the main frame, always shown maximised. It holds
// one view of its document.
class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
  public:
    // canClose is asked before the window closes (the document manager asks
    // to save the document when its last window goes); false keeps it open.
    CChildFrame(CDocumentHolder* holder, QWidget* view, std::function<bool(CChildFrame*)> canClose,
                QWidget* parent = nullptr);

    CDocumentHolder* Holder() const { return m_holder; }
    // The element tree shown in this window, or nullptr.
    CVarnholtMapEditorView* TreeView() const;
    // The text view shown in this window, or nullptr.
    textedit::CDirectEditView* TextView() const;
    // The 3D view shown in this window, or nullptr.
    CMap3DView* MapView() const;

  signals:
    // The window has agreed to close; it is deleted afterwards.
    void Closed(CChildFrame* frame);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    CDocumentHolder* m_holder;
    std::function<bool(CChildFrame*)> m_canClose;
};

} // namespace app
