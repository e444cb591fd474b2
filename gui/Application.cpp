#include "gui/Application.h"

#include "core/SettingsStore.h"
#include "gui/MainWindow.h"

#include <QApplication>

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
