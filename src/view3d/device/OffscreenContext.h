#pragma once

#include <cstdint>
#include <string>

namespace view3d {

// An OpenGL 3.3 core context with no window, made through EGL on Mesa's
// surfaceless platform (its software renderer when there is no GPU), and a
// framebuffer of colour and depth that stands for the back buffer. The
// command-line tool draws minimaps in one, and the pixel tests draw in one;
// both go on without drawing when the machine cannot make one (Why() says
// why).
class OffscreenContext {
  public:
    OffscreenContext(int width, int height);
    ~OffscreenContext();
    OffscreenContext(const OffscreenContext&) = delete;
    OffscreenContext& operator=(const OffscreenContext&) = delete;

    bool Ready() const { return m_framebuffer != 0; }
    const std::string& Why() const { return m_why; }
    uint32_t Framebuffer() const { return m_framebuffer; }

  private:
    bool Fail(const std::string& why);

    void* m_display = nullptr; // EGLDisplay
    void* m_context = nullptr; // EGLContext
    uint32_t m_framebuffer = 0;
    uint32_t m_colour = 0;
    uint32_t m_depth = 0;
    std::string m_why;
};

} // namespace view3d
