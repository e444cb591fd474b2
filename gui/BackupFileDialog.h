#pragma once

#include <QString>
#include <QStringList>

class QFileDialog;

namespace qel {

// Turns a filter written as "Text|pattern;pattern|Text|pattern||" into name
// filters: each text, followed by its patterns in parentheses unless the
// text already ends with them.
QStringList NameFiltersFromPairs(const QString& pairs);

// Sets up a save dialog for the Access backup file: Access files first,
// default suffix "mdb", the given initial name, a prompt before an existing
// file is overwritten, and the platform's own dialog where there is one.
void ConfigureBackupFileDialog(QFileDialog& dialog, const QString& initialName);

} // namespace qel
