#include "CommandLine.h"

bool IsCommandLineRun(const QStringList& arguments)
{
    return arguments.size() > 1;
}

int RunCommandLine(const QStringList& arguments)
{
    (void)arguments;
    return 2;
}
