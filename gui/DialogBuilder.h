#pragma once

#include "gui/DialogTemplates.h"
#include "gui/DialogUnits.h"

#include <QString>

class QDialog;

namespace qel {

// Gives the dialog the template's title, font and fixed client size, a
// caption with only the system menu and Close, and one child widget per
// control, placed from its dialog units and created in tab order. Every
// control's object name is its template name. Returns the units the layout
// used.
DialogUnits BuildFromTemplate(QDialog& dialog, const DialogTemplate& dialogTemplate);

// The display format of a short date with the year in four digits, so that
// editing a date never moves it into another century.
QString ShortDateFormat();

} // namespace qel
