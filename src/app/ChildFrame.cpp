#include "app/ChildFrame.h"

#include "textedit/DirectEditView.h"
#include "tree/VarnholtMapEditorView.h"
#include "view3d/widget/Map3DView.h"

#include <QCloseEvent>

namespace app {

CChildFrame::CChildFrame(CDocumentHolder* holder, QWidget* view,
                         std::function<bool(CChildFrame*)> canClose, QWidget* parent)
    : QMdiSubWindow(parent), m_holder(holder), m_canClose(std::move(canClose)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWidget(view);
}

CVarnholtMapEditorView* CChildFrame::TreeView() const {
    return qobject_cast<CVarnholtMapEditorView*>(widget());
}

textedit::CDirectEditView* CChildFrame::TextView() const {
    return qobject_cast<textedit::CDirectEditView*>(widget());
}

CMap3DView* CChildFrame::MapView() const {
    return qobject_cast<CMap3DView*>(widget());
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (m_canClose && !m_canClose(this)) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
    if (event->isAccepted()) emit Closed(this);
}

} // namespace app
