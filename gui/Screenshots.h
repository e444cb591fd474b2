#pragma once

namespace qel {

// Saves pictures of the main window, of the confirmation of a clean-up by
// date and of the survey selection dialog as they open with the current
// settings. The arguments are FOLDER SUFFIX: it writes
// FOLDER/main-window-SUFFIX.png, FOLDER/confirmation-SUFFIX.png and
// FOLDER/survey-selection-SUFFIX.png, and returns the exit status.
// tools/screenshots.sh runs it under Xvfb on the demo data set.
int RunScreenshots(int argc, char** argv);

} // namespace qel
