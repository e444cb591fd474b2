#pragma once

#include "db/Catalog.h"
#include "db/Dialect.h"
#include "db/RowBatch.h"

#include <QStringList>

#include <vector>

namespace qel {

// How the columns of a source table are read into this program so that
// each value arrives exactly as the source holds it. SQLite keeps a value's
// own storage class whatever the column's declared type, and its driver
// hands values over as text of its own making (a double with only 15
// digits, a text cut at a NUL); so from SQLite every value is read as bytes
// that name its class and hold it exactly (see ValueForm::Stored). Other
// databases are read in their columns' own types.
struct ColumnReads {
    QStringList expressions;     // one select-list item per column
    std::vector<ValueForm> forms; // the form each is read in
};

ColumnReads ReadsFor(const Dialect& source, const std::vector<ColumnDefinition>& columns);

// SQLite: the expression that reads a column's value as ValueForm::Stored.
QString SQLiteStoredValue(const QString& quotedColumn);

} // namespace qel
