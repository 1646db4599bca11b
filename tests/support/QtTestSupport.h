#pragma once

#include <QApplication>

#include <cstdlib>

namespace testing_support {

// The one application object the window tests share; made on first use, on
// the offscreen platform unless the environment names another one.
inline QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "vm_tests";
    static char* argv[] = {name, nullptr};
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

} // namespace testing_support
