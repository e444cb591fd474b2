#pragma once

#include "gui/DialogTemplates.h"
#include "gui/DialogUnits.h"

#include <QString>

class QDialog;

namespace qel {

// Gives the dialog the template's title, a caption with only the system
// menu and Close, and one child widget per control, created in tab order
// and named after the template. Nothing is placed here: each window's
// arrangement puts the controls into layouts (DialogLayouts.h). Returns the
// dialog units of the desktop's font, by which the arrangement sizes
// margins, spacing and the controls the template gives a fixed size.
DialogUnits BuildFromTemplate(QDialog& dialog, const DialogTemplate& dialogTemplate);

// The display format of a short date with the year in four digits, so that
// editing a date never moves it into another century.
QString ShortDateFormat();

} // namespace qel
