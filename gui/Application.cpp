#include "gui/Application.h"

#include "core/SettingsStore.h"
#include "gui/MainWindow.h"

#include <QApplication>

#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

namespace qel {

namespace {

// The program is a console program, so that its commands can print; the
// window needs no console, and one opened only for it (started from the
// desktop) is let go again.
void ReleaseOwnConsole()
{
#ifdef _WIN32
    DWORD processes[2];
    if (GetConsoleProcessList(processes, 2) == 1)
        FreeConsole();
#endif
}

} // namespace

bool CanShowWindow(int argc, char** argv)
{
    // A platform chosen by hand (offscreen, vnc, ...) is the user's word.
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "-platform", 9) == 0 || std::strncmp(argv[i], "--platform", 10) == 0)
            return true;
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true;
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)
    // X11 and Wayland: a window needs a display to connect to.
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    return true; // Windows and macOS always have their desktop
#endif
}

int RunWindow(int argc, char** argv)
{
    ReleaseOwnConsole();
    QApplication app(argc, argv);
    // Message boxes carry the name of the tool this one replaces; the
    // settings live under its key whatever the executable is called.
    QCoreApplication::setOrganizationName(QLatin1String(SettingsStore::kOrganization));
    QCoreApplication::setApplicationName(QLatin1String(SettingsStore::kApplication));

    MainWindow window(SettingsStore{}); // reads the settings
    window.exec();
    return 0;
}

} // namespace qel
