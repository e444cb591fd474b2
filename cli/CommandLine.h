#pragma once

#include <QStringList>

namespace qel {

// True when the arguments ask for a command rather than the window: any
// first argument that is not an option, or one of the command line's own
// options; the window keeps the toolkit's options (-platform, -style, ...).
bool IsCommandLineRun(const QStringList& arguments);
bool IsCommandLineRun(int argc, char** argv);

// Runs a command without a window; returns the process exit status.
int RunCommandLine(int argc, char** argv);

// Why a run without a command has no window: no display to show it on, or
// a build without it (-DQEL_GUI=OFF).
enum class NoWindow { NoDisplay, NotBuilt };

// Says that the window cannot be shown and how to run a command instead;
// returns the exit status of a usage error.
int ReportNoWindow(NoWindow reason);

} // namespace qel
