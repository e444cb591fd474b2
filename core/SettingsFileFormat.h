#pragma once

#include <QIODevice>
#include <QSettings>

namespace qel {

// The settings file where there is no registry: the same place and name as
// before ($XDG_CONFIG_HOME/<organization>/<application>.conf), "[Section]"
// lines and one "Key=value" line per setting, but every value is taken as a
// person wrote it: backslashes, commas, semicolons, quotes and inner spaces
// are part of it. Only a value wholly between double quotes is unquoted
// (with \\ and \" inside), so values that begin or end with blanks, or hold
// control characters, can still be kept.
//
// Files written by earlier versions through Qt's INI format (no header line
// of this format) still read as they were meant: their quoted values lose
// Qt's escapes, and an unquoted value loses them only where it could have
// come from Qt's writer (no ';', ',' or '=', every backslash an escape).
QSettings::Format SettingsFileFormat();

// The two halves of the format, as QSettings calls them.
bool ReadSettingsFile(QIODevice& device, QSettings::SettingsMap& map);
bool WriteSettingsFile(QIODevice& device, const QSettings::SettingsMap& map);

} // namespace qel
