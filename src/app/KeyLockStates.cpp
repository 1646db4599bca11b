// The lock keys' state, asked of the platform. Kept apart from the widgets:
// the X11 headers define names (KeyPress, None, ...) that clash with Qt's.

#include "app/KeyIndicators.h"

#include <QGuiApplication>

#ifdef _WIN32
#include <windows.h>
#elif defined(VM_HAVE_X11)
#include <X11/XKBlib.h>
#endif

namespace app {

LockStates ReadLockStates() {
    LockStates states;
#ifdef _WIN32
    states.caps = (GetKeyState(VK_CAPITAL) & 1) != 0;
    states.num = (GetKeyState(VK_NUMLOCK) & 1) != 0;
    states.scroll = (GetKeyState(VK_SCROLL) & 1) != 0;
#elif defined(VM_HAVE_X11)
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (Display* display = x11 ? x11->display() : nullptr) {
        unsigned int lights = 0;
        if (XkbGetIndicatorState(display, XkbUseCoreKbd, &lights) == Success) {
            // The core keyboard's lights, in their usual order.
            states.caps = (lights & 0x1) != 0;
            states.num = (lights & 0x2) != 0;
            states.scroll = (lights & 0x4) != 0;
        }
    }
#endif
    return states;
}

} // namespace app
