#include "view3d/widget/Map3DView.h"

#include "document/VarnholtMapEditorDoc.h"
#include "platform/Prompts.h"
#include "view3d/DeviceEnumeration.h"
#include "view3d/device/GlRenderDevice.h"
#include "view3d/widget/EditCursors.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QPainter>
#include <QScreen>
#include <QSurfaceFormat>
#include <QTimer>
#include <QWheelEvent>

#include <cmath>

using namespace view3d;

namespace {

// What this machine's OpenGL offers, in the terms the device choice works
// with: the screen's desktop mode and one device whose surfaces are the
// context's framebuffer formats, windowed and fullscreen.
PlatformDescription DescribePlatform(const QOpenGLContext& context, const QScreen* screen,
                                     const std::string& renderer) {
    const QSurfaceFormat format = context.format();
    AdapterOffer adapter;
    adapter.ordinal = 0;
    adapter.description = renderer;
    const QSize size = screen ? screen->size() * screen->devicePixelRatio() : QSize(1280, 800);
    const int depth = screen ? screen->depth() : 24;
    adapter.desktop.width = static_cast<uint32_t>(size.width());
    adapter.desktop.height = static_cast<uint32_t>(size.height());
    adapter.desktop.format = depth == 16 ? ColourFormat::R5G6B5 : ColourFormat::X8R8G8B8;
    adapter.desktop.refreshRate =
        screen ? static_cast<uint32_t>(std::lround(screen->refreshRate())) : 60;
    adapter.modes.push_back(adapter.desktop);

    DeviceOffer device;
    device.type = DeviceType::Hal;
    // OpenGL transforms and lights on the driver's side, and a context
    // accepts every state the view sets.
    device.caps.hardwareTransformAndLighting = true;
    device.caps.pureDevice = true;
    device.caps.presentIntervals = {PresentInterval::Immediate, PresentInterval::One};
    const int red = std::max(format.redBufferSize(), 8),
              green = std::max(format.greenBufferSize(), 8),
              blue = std::max(format.blueBufferSize(), 8),
              alpha = std::max(format.alphaBufferSize(), 0);
    ColourFormat back = ColourFormatFromBits(red, green, blue, alpha, alpha == 0 ? 8 : 0);
    if (back == ColourFormat::Unknown) back = ColourFormat::X8R8G8B8;
    DepthOffer depthOffer;
    depthOffer.format = DepthFormatFromBits(std::max(format.depthBufferSize(), 24),
                                            std::max(format.stencilBufferSize(), 0));
    if (depthOffer.format == DepthFormat::Unknown) depthOffer.format = DepthFormat::D24S8;
    for (bool windowed : {true, false}) {
        SurfaceOffer surface;
        surface.adapterFormat = adapter.desktop.format;
        surface.backBufferFormat = back;
        surface.windowed = windowed;
        surface.depthFormats.push_back(depthOffer);
        surface.multisamples.push_back({0, 1});
        if (format.samples() > 1)
            surface.multisamples.push_back({static_cast<uint32_t>(format.samples()), 1});
        device.surfaces.push_back(surface);
    }
    adapter.devices.push_back(device);
    PlatformDescription platform;
    platform.adapters.push_back(adapter);
    return platform;
}

} // namespace

CMap3DView::CMap3DView(CVarnholtMapEditorDoc& doc, MapScene::Services services,
                       const SceneOptions& options, QWidget* parent)
    : QOpenGLWidget(parent), m_doc(&doc), m_scene([&] {
          services.zonePainter = &m_zonePainter;
          return std::make_unique<MapScene>(doc, services);
      }()),
      m_options(options) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(64, 48);
    m_scene->SetOptions(options);
}

CMap3DView::~CMap3DView() {
    m_closing = true;
    // The context goes with the base class, after this object: its notice
    // must not reach a view that is no longer there.
    if (QOpenGLContext* gl = context())
        disconnect(gl, &QOpenGLContext::aboutToBeDestroyed, this, nullptr);
    if (m_waitCursor) QApplication::restoreOverrideCursor();
    // Everything the scene made lives in this widget's context.
    if (context()) makeCurrent();
    m_scene.reset();
    m_device.reset();
    if (context()) doneCurrent();
}

// --- start-up ---------------------------------------------------------------------------

void CMap3DView::initializeGL() {
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &CMap3DView::ContextAboutToGo,
            Qt::DirectConnection);
    if (m_device) {
        // A new context after the old one went: the device makes its
        // objects again at the next reset.
        m_device->ContextRestored();
        return;
    }
    // The start-up shows a progress window and may show messages; it runs
    // from the event loop, not from inside the context's set-up.
    if (!m_startQueued) {
        m_startQueued = true;
        QTimer::singleShot(0, this, &CMap3DView::StartUp);
    }
}

void CMap3DView::StartUp() {
    if (m_closing || m_scene->Started()) return;
    makeCurrent();
    m_scene->StartUp(*this);
    doneCurrent();
    update();
}

RenderDevice* CMap3DView::CreateDevice() {
    const QSize size = this->size() * devicePixelRatio();
    std::string error;
    m_device = GlRenderDevice::Create(
        view3d::PresentParameters{static_cast<uint32_t>(std::max(size.width(), 1)),
                                  static_cast<uint32_t>(std::max(size.height(), 1)), true},
        &error);
    if (!m_device) return nullptr;
    m_device->SetBackBufferFramebuffer(defaultFramebufferObject());
    DeviceEnumeration enumeration;
    if (!enumeration.Enumerate(DescribePlatform(*context(), screen(), m_device->RendererName()))) {
        m_device.reset();
        return nullptr;
    }
    const InitialSettings settings = enumeration.ChooseInitialSettings();
    if (!settings.windowed && !settings.fullscreen) {
        m_device.reset();
        return nullptr;
    }
    const DeviceSettings& chosen = settings.windowed ? *settings.windowed : *settings.fullscreen;
    const AdapterEntry* adapter = enumeration.FindAdapter(chosen.adapterOrdinal);
    m_stats = QString::fromStdString(DeviceStatsText(chosen, adapter ? adapter->description : ""));
    m_scene->SetDeviceStats(m_stats.toStdString());
    setToolTip(m_stats);
    return m_device.get();
}

void CMap3DView::CloseFrame() {
    // Closing from inside the start-up would delete the view under it.
    QTimer::singleShot(0, this, [this] { emit CloseRequested(); });
}

void CMap3DView::SetWaitCursor(bool on) {
    if (on == m_waitCursor) return;
    m_waitCursor = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void CMap3DView::AdoptWindowSize() {
    QTimer::singleShot(0, this, [this] {
        ApplySize();
        update();
    });
}

// --- size, loss and painting ------------------------------------------------------------

void CMap3DView::ApplySize() {
    if (!m_scene->Started() || !m_device || m_sizeMove || m_minimised) return;
    const QSize size = this->size() * devicePixelRatio();
    if (size.isEmpty()) return;
    makeCurrent();
    m_device->SetBackBufferFramebuffer(defaultFramebufferObject());
    const bool ok = m_scene->SizeChanged(static_cast<uint32_t>(size.width()),
                                         static_cast<uint32_t>(size.height()));
    doneCurrent();
    if (!ok) {
        if (platform::Prompts* prompts = m_scene->Prompts())
            prompts->Message(kResetFailedMessage, platform::Icon::Error);
        CloseFrame();
    }
}

void CMap3DView::resizeGL(int, int) {
    if (m_scene->Started()) QTimer::singleShot(0, this, &CMap3DView::ApplySize);
}

void CMap3DView::ContextAboutToGo() {
    if (!m_device) return;
    makeCurrent();
    m_scene->InvalidateDeviceObjects();
    m_device->ContextLost();
    m_scene->MarkDeviceLost();
    doneCurrent();
}

void CMap3DView::paintGL() {
    if (!m_device || !m_scene->Started()) {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        return;
    }
    m_device->SetBackBufferFramebuffer(defaultFramebufferObject());
    const DeviceResult r = m_scene->RenderFrame();
    if (!Succeeded(r) || m_scene->DeviceLost()) return;
    // The status text goes over the frame in the view's font. The painter
    // starts from the states it expects, not the ones the frame left.
    QOpenGLExtraFunctions* gl = context()->extraFunctions();
    // The frame is opaque: blended faces leave alpha below one in the
    // framebuffer, which the window would show darkened over black.
    gl->glBindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
    gl->glDisable(GL_SCISSOR_TEST);
    gl->glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_TRUE);
    gl->glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    gl->glClear(GL_COLOR_BUFFER_BIT);
    gl->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    gl->glBindVertexArray(0);
    gl->glUseProgram(0);
    gl->glDisable(GL_SCISSOR_TEST);
    gl->glDisable(GL_DEPTH_TEST);
    gl->glDisable(GL_CULL_FACE);
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gl->glBindSampler(0, 0);
    gl->glBindSampler(1, 0);
    gl->glActiveTexture(GL_TEXTURE0);
    gl->glBindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
    gl->glViewport(0, 0, width() * devicePixelRatio(), height() * devicePixelRatio());
    QPainter painter(this);
    painter.setPen(QColor(0xFF, 0x00, 0x00));
    QFont font = painter.font();
    font.setPointSize(8);
    painter.setFont(font);
    painter.drawText(QPoint(2, painter.fontMetrics().ascent()),
                     QString::fromStdString(m_scene->StatusText()));
}

// --- input -----------------------------------------------------------------------------------

QPointF CMap3DView::DevicePoint(const QPointF& logical) const {
    return logical * devicePixelRatio();
}

PointerState CMap3DView::Pointer(const QPointF& logical, Qt::MouseButtons buttons) const {
    const QPointF p = DevicePoint(logical);
    PointerState pointer;
    pointer.x = float(p.x());
    pointer.y = float(p.y());
    pointer.left = buttons & Qt::LeftButton;
    pointer.middle = buttons & Qt::MiddleButton;
    pointer.right = buttons & Qt::RightButton;
    return pointer;
}

SceneWindow::ContextToken CMap3DView::MakeCurrent() {
    ContextToken token;
    QOpenGLContext* previous = QOpenGLContext::currentContext();
    token.context = previous;
    token.surface = previous ? previous->surface() : nullptr;
    if (context() && previous != context()) makeCurrent();
    return token;
}

void CMap3DView::RestoreCurrent(const ContextToken& token) {
    auto* previous = static_cast<QOpenGLContext*>(token.context);
    if (previous == context()) return;
    if (previous && token.surface)
        previous->makeCurrent(static_cast<QSurface*>(token.surface));
    else if (context())
        doneCurrent();
}

void CMap3DView::ShowEditState() {
    const int mode = static_cast<int>(m_scene->Editor().Cursor());
    if (mode != m_shownCursor) {
        m_shownCursor = mode;
        if (mode == 0)
            unsetCursor();
        else
            setCursor(EditCursor(mode));
    }
    update();
}

void CMap3DView::mousePressEvent(QMouseEvent* event) {
    if (!m_scene->Started()) return;
    const PointerState pointer = Pointer(event->position(), event->buttons());
    m_lastPointer = event->position();
    Camera& camera = m_scene->GetCamera();
    ContextGuard current(*this);
    MapEditor& editor = m_scene->Editor();
    switch (event->button()) {
    case Qt::LeftButton:
        editor.LeftDown(pointer);
        camera.ButtonDown(CameraLeft, pointer.x, pointer.y);
        break;
    case Qt::RightButton:
        editor.RightDown();
        camera.ButtonDown(CameraRight, pointer.x, pointer.y);
        break;
    case Qt::MiddleButton:
        editor.MiddleDown();
        camera.ButtonDown(CameraMiddle, pointer.x, pointer.y);
        break;
    default:
        return;
    }
    ShowEditState();
}

void CMap3DView::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_scene->Started()) return;
    const PointerState pointer = Pointer(event->position(), event->buttons());
    ContextGuard current(*this);
    if (event->button() == Qt::LeftButton)
        m_scene->Editor().LeftUp(pointer);
    else
        m_scene->Editor().OtherUp();
    ShowEditState();
}

void CMap3DView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_scene->Started()) return;
    const PointerState pointer = Pointer(event->position(), event->buttons());
    m_lastPointer = event->position();
    unsigned buttons = 0;
    if (pointer.left) buttons |= CameraLeft;
    if (pointer.right) buttons |= CameraRight;
    if (pointer.middle) buttons |= CameraMiddle;
    ContextGuard current(*this);
    bool changed = m_scene->Editor().MouseMove(pointer);
    changed |= m_scene->GetCamera().MouseMove(buttons, pointer.x, pointer.y);
    const int mode = static_cast<int>(m_scene->Editor().Cursor());
    if (changed || mode != m_shownCursor) ShowEditState();
}

void CMap3DView::wheelEvent(QWheelEvent* event) {
    if (!m_scene->Started()) return;
    if (m_scene->GetCamera().Wheel(event->angleDelta().y())) update();
    event->accept();
}

namespace {

EditKey EditKeyOf(int key) {
    switch (key) {
    case Qt::Key_Up:
        return EditKey::Up;
    case Qt::Key_Down:
        return EditKey::Down;
    case Qt::Key_W:
        return EditKey::W;
    case Qt::Key_E:
        return EditKey::E;
    case Qt::Key_L:
        return EditKey::L;
    case Qt::Key_Z:
        return EditKey::Z;
    case Qt::Key_C:
        return EditKey::C;
    default:
        return EditKey::Other;
    }
}

} // namespace

void CMap3DView::keyPressEvent(QKeyEvent* event) {
    if (!m_scene->Started()) return QOpenGLWidget::keyPressEvent(event);
    ContextGuard current(*this);
    const EditKey key = EditKeyOf(event->key());
    const PointerState pointer = Pointer(m_lastPointer, QGuiApplication::mouseButtons());
    switch (event->key()) {
    case Qt::Key_Left:
        if (m_scene->GetCamera().KeyDown(CameraKey::Left)) update();
        return;
    case Qt::Key_Right:
        if (m_scene->GetCamera().KeyDown(CameraKey::Right)) update();
        return;
    case Qt::Key_Delete:
        // The window-wide Delete leaves its key to the view with the focus.
        m_scene->Editor().Delete();
        ShowEditState();
        return;
    case Qt::Key_Escape:
        if (m_fullscreen) break;
        m_scene->Editor().Cancel();
        ShowEditState();
        return;
    default:
        break;
    }
    if (key == EditKey::Other) return QOpenGLWidget::keyPressEvent(event);
    // A held letter is one press, however long it is held; the height keys repeat.
    if (event->isAutoRepeat() && key != EditKey::Up && key != EditKey::Down) return;
    m_scene->Editor().KeyDown(key, pointer);
    ShowEditState();
}

void CMap3DView::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && m_fullscreen && !event->isAutoRepeat()) {
        ToggleFullscreen();
        return;
    }
    const EditKey key = EditKeyOf(event->key());
    if (!m_scene->Started() || key == EditKey::Other || event->isAutoRepeat())
        return QOpenGLWidget::keyReleaseEvent(event);
    ContextGuard current(*this);
    m_scene->Editor().KeyUp(key, Pointer(m_lastPointer, QGuiApplication::mouseButtons()));
    ShowEditState();
}

void CMap3DView::closeEvent(QCloseEvent* event) {
    if (m_fullscreen) {
        // Closing the fullscreen window brings the view back into its frame
        // and then closes the main window.
        event->ignore();
        ToggleFullscreen();
        emit FullscreenClosed();
        return;
    }
    QOpenGLWidget::closeEvent(event);
}

// --- commands ------------------------------------------------------------------------------

void CMap3DView::OnUpdate(int hint, intptr_t param) {
    if (!m_scene->Started()) return;
    const bool device = context() && m_device;
    if (device) makeCurrent();
    m_scene->OnUpdate(static_cast<document::UpdateHint>(hint), param);
    if (device) doneCurrent();
    update();
}

void CMap3DView::FocusOn(const CDefNode* element) {
    if (m_scene->Started() && m_scene->FocusOn(element)) update();
}

void CMap3DView::SetOptions(const SceneOptions& options) {
    m_options = options;
    const bool device = context() && m_device;
    if (device) makeCurrent();
    m_scene->SetOptions(options);
    if (device) doneCurrent();
    update();
}

uint32_t CMap3DView::TextureFilterCaps() const {
    return m_device ? m_device->TextureFilterCaps() : 0;
}

QString CMap3DView::DeviceStats() const {
    return m_stats;
}

bool CMap3DView::ToggleFullscreen() {
    if (!m_scene->Started()) return false;
    m_scene->Pause(true);
    m_sizeMove = true;
    m_fullscreen = !m_fullscreen;
    // The widget becomes a window of its own and back; its context is made
    // anew each time, which the scene takes as a lost and restored device.
    if (m_fullscreen) {
        m_windowedGeometry = geometry();
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        setWindowTitle(parentWidget() ? parentWidget()->windowTitle() : QString());
        showFullScreen();
    } else {
        setWindowFlags(Qt::Widget);
        setGeometry(m_windowedGeometry);
        show();
    }
    m_scene->SetFullscreen(m_fullscreen);
    m_sizeMove = false;
    m_scene->Pause(false);
    activateWindow();
    setFocus();
    QTimer::singleShot(0, this, [this] {
        ApplySize();
        update();
    });
    return true;
}

std::optional<document::BoundsPicture> CMap3DView::CaptureMinimap() {
    if (!m_scene->Started() || !m_device) return std::nullopt;
    makeCurrent();
    m_device->SetBackBufferFramebuffer(defaultFramebufferObject());
    std::optional<document::BoundsPicture> picture = m_scene->CaptureMinimap();
    doneCurrent();
    update();
    return picture;
}

void CMap3DView::EnterSizeMove() {
    m_sizeMove = true;
    m_scene->Pause(true);
}

void CMap3DView::ExitSizeMove() {
    if (!m_sizeMove) return;
    m_sizeMove = false;
    m_scene->Pause(false);
    ApplySize();
    update();
}

void CMap3DView::SetMinimised(bool minimised) {
    if (minimised == m_minimised) return;
    m_minimised = minimised;
    m_scene->Pause(minimised);
    if (!minimised) {
        ApplySize();
        update();
    }
}
