// varnholt-editor: the desktop map and mission editor.

#include "app/EditorApplication.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

QString Environment(const char* name) {
    return QString::fromLocal8Bit(qgetenv(name));
}

// Qt would abort without a display; say how to get one instead.
bool DisplayAvailable() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
#else
    return true;
#endif
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QString program = QString::fromLocal8Bit(argc > 0 ? argv[0] : "varnholt-editor");
    app::ParsedCommandLine parsed = app::ParseCommandLine(arguments, Environment("VM_GAME_PATH"),
                                                          Environment("VM_RESOURCE_DIR"));
    if (!parsed.error.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n\n%s", argv[0], qPrintable(parsed.error),
                     qPrintable(app::CommandLineHelp(program)));
        return 2;
    }
    if (parsed.options.help) {
        std::fputs(qPrintable(app::CommandLineHelp(program)), stdout);
        return 0;
    }
    if (!DisplayAvailable()) {
        std::fprintf(
            stderr,
            "%s: no display found (DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM are unset).\n"
            "Run it under a virtual X server, for example:\n"
            "  xvfb-run -a %s --game-path G --resource-dir R [FILE]\n",
            argv[0], argv[0]);
        return 2;
    }

    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tarnwick"));
    QApplication::setApplicationName(QString::fromUtf8(app::kAppName));
    // No display name: the platform would append it to every window title,
    // and the main frame's title already names the editor.

    // A file named relative to the start folder stays valid whatever the
    // dialogs do to the working folder later.
    app::StartOptions options = parsed.options;
    if (!options.file.isEmpty() && !options.file.startsWith(QLatin1Char('$')))
        options.file = QDir::current().absoluteFilePath(options.file);

    app::CVarnholtApp editor;
    if (!editor.InitInstance(options)) {
        editor.ExitInstance();
        return 1;
    }

    if (!options.screenshot.isEmpty()) {
        QString target = options.screenshot;
        QTimer::singleShot(1000, &application, [&editor, target] {
            bool saved = editor.MainFrame()->grab().save(target, "PNG");
            if (!saved)
                std::fprintf(stderr, "cannot write the screenshot %s\n", qPrintable(target));
            QCoreApplication::exit(saved ? 0 : 1);
        });
    }
    int code = application.exec();
    int exitCode = editor.ExitInstance();
    return code != 0 ? code : exitCode;
}
