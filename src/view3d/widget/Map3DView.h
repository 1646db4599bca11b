#pragma once

#include "view3d/MapEditor.h"
#include "view3d/MapScene.h"
#include "view3d/device/GlRenderDevice.h"
#include "view3d/widget/QtZonePainter.h"

#include <QOpenGLWidget>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace document {
class CVarnholtMapEditorDoc;
}

// The 3D window of a map or mission: an OpenGL widget around the document's
// scene. It makes the device on its context, forwards size, mouse and key
// events to the scene and its camera, paints the status text over the
// frame, and goes fullscreen by becoming a window of its own. When the
// context goes away (re-parenting, a screen change, a driver reset) the
// scene lets go of its device objects and gets them back on the next frame.
class CMap3DView : public QOpenGLWidget, private view3d::SceneWindow {
    Q_OBJECT
  public:
    CMap3DView(document::CVarnholtMapEditorDoc& doc, view3d::MapScene::Services services,
               const view3d::SceneOptions& options, QWidget* parent = nullptr);
    ~CMap3DView() override;

    document::CVarnholtMapEditorDoc* Document() const { return m_doc; }
    view3d::MapScene& Scene() { return *m_scene; }
    bool Started() const { return m_scene->Started(); }
    // The document's hints (about to save, bounds changed, go to element).
    void OnUpdate(int hint, intptr_t param);
    // Brings an element of the document into the middle of the view.
    void FocusOn(const CDefNode* element);
    // Shared options changed: filters reset the device, toggles rebuild the lists.
    void SetOptions(const view3d::SceneOptions& options);
    // The minification filters the device offers (RenderDevice.h caps bits).
    uint32_t TextureFilterCaps() const;
    QString DeviceStats() const;

    // The "Fullscreen" command: fullscreen and back. False when the switch
    // failed; the view is then windowed again.
    bool ToggleFullscreen();
    bool IsFullscreen() const { return m_fullscreen; }
    // The top view of the map for the minimap and the bounds dialog.
    std::optional<document::BoundsPicture> CaptureMinimap();

    // The editing tools and the dialogs they open (may be null).
    view3d::MapEditor& Editor() { return m_scene->Editor(); }
    void SetEditDialogs(std::unique_ptr<view3d::EditDialogs> dialogs) {
        m_editDialogs = std::move(dialogs);
        m_scene->Editor().SetDialogs(m_editDialogs.get());
    }
    // Runs an editing command in the view's context and shows the result.
    template <typename Command> auto RunEdit(Command command) {
        ContextGuard guard(*this);
        auto result = command(m_scene->Editor());
        ShowEditState();
        return result;
    }

    // The frame around the view starts or ends a size or move: the view
    // pauses meanwhile and takes its new size at the end.
    void EnterSizeMove();
    void ExitSizeMove();
    // The main window was minimised (pause) or shown again (resume).
    void SetMinimised(bool minimised);

  signals:
    // The view cannot go on: its document's frame should close.
    void CloseRequested();
    // The fullscreen window was closed: the view is windowed again and the
    // main window should close.
    void FullscreenClosed();

  protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // Makes the view's context current for its lifetime and puts the
    // previous one back.
    class ContextGuard {
      public:
        explicit ContextGuard(CMap3DView& view) : m_view(view), m_token(view.MakeCurrent()) {}
        ~ContextGuard() { m_view.RestoreCurrent(m_token); }
        ContextGuard(const ContextGuard&) = delete;
        ContextGuard& operator=(const ContextGuard&) = delete;

      private:
        CMap3DView& m_view;
        ContextToken m_token;
    };
    // SceneWindow
    ContextToken MakeCurrent() override;
    void RestoreCurrent(const ContextToken& token) override;
    view3d::RenderDevice* CreateDevice() override;
    bool CreateFullscreenWindow() override { return true; }
    bool AttachDevice() override { return true; }
    void CloseFrame() override;
    void SetWaitCursor(bool on) override;
    void AdoptWindowSize() override;

    void StartUp();
    void ContextAboutToGo();
    void ApplySize();
    QPointF DevicePoint(const QPointF& logical) const;
    view3d::PointerState Pointer(const QPointF& logical, Qt::MouseButtons buttons) const;
    // The cursor of the editing tools' mode, and a repaint.
    void ShowEditState();

    document::CVarnholtMapEditorDoc* m_doc;
    QtZonePainter m_zonePainter;
    std::unique_ptr<view3d::EditDialogs> m_editDialogs;
    std::unique_ptr<view3d::MapScene> m_scene;
    std::unique_ptr<view3d::GlRenderDevice> m_device;
    view3d::SceneOptions m_options;
    QString m_stats;
    bool m_startQueued = false;
    bool m_closing = false;
    bool m_fullscreen = false;
    bool m_waitCursor = false;
    bool m_minimised = false;
    bool m_sizeMove = false;
    QRect m_windowedGeometry;
    QPointF m_lastPointer;
    int m_shownCursor = -1;
};
