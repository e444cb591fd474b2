#include "cli/CommandLine.h"
#include "gui/Application.h"

// The two front ends: a command runs on the command line without a window;
// no command opens the window, where there is a display for it.
int main(int argc, char** argv)
{
    if (qel::IsCommandLineRun(argc, argv))
        return qel::RunCommandLine(argc, argv);
    if (!qel::CanShowWindow(argc, argv))
        return qel::ReportNoWindow();
    return qel::RunWindow(argc, argv);
}
