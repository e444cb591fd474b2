#pragma once

namespace qel {

// The windowed tool: starts the toolkit with the program's arguments, shows
// the main window modally and returns the exit status when it closes.
int RunWindow(int argc, char** argv);

// Whether the toolkit has somewhere to show the window. Without a display
// it would abort the program; the caller says so instead.
bool CanShowWindow(int argc, char** argv);

} // namespace qel
