#pragma once

#include <QStringList>

// True when the arguments ask for a command rather than the window.
bool IsCommandLineRun(const QStringList& arguments);

// Runs a command without a window; returns the process exit status.
int RunCommandLine(const QStringList& arguments);
