#include "view3d/device/OffscreenContext.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <string_view>

namespace view3d {

namespace {

// Whether the space-separated list names extension as a whole word.
bool HasExtension(const char* list, std::string_view extension) {
    if (!list) return false;
    std::string_view rest(list);
    while (!rest.empty()) {
        const size_t end = rest.find(' ');
        if (rest.substr(0, end) == extension) return true;
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    return false;
}

} // namespace

OffscreenContext::OffscreenContext(int width, int height) {
    if (!epoxy_has_egl()) {
        Fail("no EGL library");
        return;
    }
    // Without a driver behind EGL the platform entry points are missing,
    // and calling them would end the program: ask first.
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!HasExtension(clientExtensions, "EGL_EXT_platform_base") ||
        !HasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
        Fail("no surfaceless EGL platform");
        return;
    }
    m_display =
        eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (m_display == EGL_NO_DISPLAY || !eglInitialize(m_display, &major, &minor)) {
        Fail("no surfaceless EGL display");
        return;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        Fail("EGL offers no desktop OpenGL");
        return;
    }
    const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                 3,
                                 EGL_CONTEXT_MINOR_VERSION,
                                 3,
                                 EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                 EGL_NONE};
    m_context = eglCreateContext(m_display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
    if (m_context == EGL_NO_CONTEXT ||
        !eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, m_context)) {
        Fail("no OpenGL 3.3 core context");
        return;
    }
    glGenRenderbuffers(1, &m_colour);
    glBindRenderbuffer(GL_RENDERBUFFER, m_colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glGenRenderbuffers(1, &m_depth);
    glBindRenderbuffer(GL_RENDERBUFFER, m_depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    glGenFramebuffers(1, &m_framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_colour);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                              m_depth);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        glDeleteFramebuffers(1, &m_framebuffer);
        m_framebuffer = 0;
        Fail("offscreen framebuffer incomplete");
    }
}

OffscreenContext::~OffscreenContext() {
    if (m_context != EGL_NO_CONTEXT) {
        if (m_framebuffer) glDeleteFramebuffers(1, &m_framebuffer);
        if (m_colour) glDeleteRenderbuffers(1, &m_colour);
        if (m_depth) glDeleteRenderbuffers(1, &m_depth);
        eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(m_display, m_context);
    }
    // The display stays initialised: terminating it unloads the driver,
    // which would leave the driver's own lasting allocations without names
    // for the leak checker, and a later context would load it again.
}

bool OffscreenContext::Fail(const std::string& why) {
    m_why = why;
    return false;
}

} // namespace view3d
