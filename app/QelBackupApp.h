#pragma once

// The application object of the windowed tool: names the settings, shows the
// main window modally, and ends the program when it closes.
class CQelBackupApp {
public:
    // Runs the main window. Returns false: the program ends when the window
    // closes, with no event loop of its own after it.
    bool InitInstance();
};
