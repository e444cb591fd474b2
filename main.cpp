#include "cli/CommandLine.h"
#ifdef QEL_WITH_WINDOW
#include "gui/Application.h"
#endif

// The two front ends: a command runs on the command line without a window;
// no command opens the window, where there is a display for it and the
// program was built with it.
int main(int argc, char** argv)
{
    if (qel::IsCommandLineRun(argc, argv))
        return qel::RunCommandLine(argc, argv);
#ifdef QEL_WITH_WINDOW
    if (!qel::CanShowWindow(argc, argv))
        return qel::ReportNoWindow(qel::NoWindow::NoDisplay);
    return qel::RunWindow(argc, argv);
#else
    return qel::ReportNoWindow(qel::NoWindow::NotBuilt);
#endif
}
