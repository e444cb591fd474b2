#pragma once

#include "gui/DialogUnits.h"

class QDialog;
class QGridLayout;
class QSize;
class QWidget;

namespace qel {

// The arrangements of the dialog templates in Qt layouts: the controls keep
// the templates' places relative to one another (which group holds them,
// what stands beside and below what), while their sizes come from the
// desktop's font and style, so that every text fits, every group's title
// sits on its own frame above its controls, and a window can be enlarged.
// Margins and spacing are the templates' usual 7 and 4 dialog units.

// The main window: the connection strings beside the picture; the backup
// section below them; the clean-up by date beside the clean-up by survey
// above "Cleanup Deleted"; the progress of a run, when given, above the
// status line with Close at the bottom. Returns the grid of the status line
// (last row: the status line and Close).
QGridLayout* ArrangeMainWindow(QDialog& window, const DialogUnits& units, QWidget* backupSection,
                               QWidget* progress = nullptr);

// The survey selection: the list above, the clean options and OK and Cancel
// below it.
void ArrangeSurveySelection(QDialog& dialog, const DialogUnits& units);

// The About box: the icon, the two lines of text and OK; of fixed size.
void ArrangeAboutBox(QDialog& dialog, const DialogUnits& units);

// Gives a window its preferred size, bounded by the screen it opens on
// (less room for the window frame) but never below what its layout needs.
void FitToScreen(QWidget& window, const QSize& preferred);

} // namespace qel
