#pragma once

namespace qel {

// The windowed tool: starts the toolkit with the program's arguments, shows
// the main window modally and returns the exit status when it closes.
int RunWindow(int argc, char** argv);

} // namespace qel
