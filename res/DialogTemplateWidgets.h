#pragma once

#include "DialogUnits.h"

#include <DialogTemplates.h>

class QDialog;

// Gives the dialog the template's title, font and fixed client size, a
// caption with only the system menu and Close, and one child widget per
// control, placed from its dialog units and created in tab order. Every
// control's object name is its id, or its template name when it has none.
// Returns the units the layout used.
DialogUnits BuildFromTemplate(QDialog& dialog, const DialogTemplate& dialogTemplate);

// The display format of a short date with the year in four digits, so that
// editing a date never moves it into another century.
QString ShortDateFormat();
