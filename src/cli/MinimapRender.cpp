#include "cli/MinimapRender.h"

#include "document/VarnholtMapEditorDoc.h"

#ifdef VM_HAVE_RENDER_DEVICE
#include "platform/Progress.h"
#include "resources/ResourceCatalogue.h"
#include "view3d/MapScene.h"
#include "view3d/ModelCache.h"
#include "view3d/device/GlRenderDevice.h"
#include "view3d/device/OffscreenContext.h"

#include <memory>
#endif

namespace cli {

#ifdef VM_HAVE_RENDER_DEVICE
namespace {

// The back buffer the map is drawn into; the minimap is scaled down from it.
constexpr uint32_t kTargetSide = 1024;

class OffscreenWindow : public view3d::SceneWindow {
  public:
    explicit OffscreenWindow(uint32_t framebuffer) : m_framebuffer(framebuffer) {}
    view3d::RenderDevice* CreateDevice() override {
        device = view3d::GlRenderDevice::Create(
            view3d::PresentParameters{kTargetSide, kTargetSide, true}, &error);
        if (device) device->SetBackBufferFramebuffer(m_framebuffer);
        return device.get();
    }
    bool CreateFullscreenWindow() override { return false; }
    bool AttachDevice() override { return true; }
    void CloseFrame() override {}
    void SetWaitCursor(bool) override {}
    void AdoptWindowSize() override {}

    std::unique_ptr<view3d::GlRenderDevice> device;
    std::string error;

  private:
    uint32_t m_framebuffer;
};

} // namespace
#endif

std::optional<document::BoundsPicture> RenderMinimap(document::CVarnholtMapEditorDoc& doc,
                                                     const std::string& gamePath,
                                                     const std::string& resourceDir,
                                                     platform::Prompts* prompts, std::string& why) {
#ifdef VM_HAVE_RENDER_DEVICE
    view3d::OffscreenContext context(kTargetSide, kTargetSide);
    if (!context.Ready()) {
        why = "no OpenGL context (" + context.Why() + ")";
        return std::nullopt;
    }
    platform::NullProgress progress;
    resources::CResourceCatalogue catalogue(prompts, &progress, nullptr);
    catalogue.SetGamePath(gamePath);
    catalogue.SetResourceDir(resourceDir);
    if (!catalogue.LoadResources()) {
        why = "the game's resources could not be read";
        return std::nullopt;
    }
    view3d::CModelCache models(catalogue);
    OffscreenWindow window(context.Framebuffer());
    std::optional<document::BoundsPicture> picture;
    {
        view3d::MapScene scene(doc, {&catalogue, &models, prompts, &progress, nullptr});
        if (!scene.StartUp(window)) {
            why = window.device ? "the map could not be drawn"
                                : "no OpenGL 3.3 device (" + window.error + ")";
            return std::nullopt;
        }
        if (scene.SizeChanged(kTargetSide, kTargetSide)) picture = scene.CaptureMinimap();
        scene.DeleteDeviceObjects();
    }
    window.device.reset();
    if (!picture) why = "the map could not be drawn";
    return picture;
#else
    (void)doc;
    (void)gamePath;
    (void)resourceDir;
    (void)prompts;
    why = "this vmed was built without the render device";
    return std::nullopt;
#endif
}

const document::BoundsPicture* MinimapHost::GetBoundsPicture() {
    if (!m_tried) {
        m_tried = true;
        m_picture = RenderMinimap(m_doc, m_gamePath, m_resourceDir, m_prompts, m_why);
    }
    return m_picture ? &*m_picture : nullptr;
}

} // namespace cli
