#pragma once

#include "db/Catalog.h"
#include "db/Dialect.h"
#include "db/RowBatch.h"

#include <QStringList>

#include <vector>

namespace qel {

// How the columns of a source table are read into this program so that
// each value arrives exactly as the source holds it. SQLite keeps a value's
// own storage whatever the column's declared type, and its driver writes a
// double with only 15 digits; so from SQLite every column is read as text
// (a double as all 17 of its digits), a binary one as bytes, and the target
// database types the text as its column is typed. Other databases are read
// in their columns' own types.
struct ColumnReads {
    QStringList expressions;     // one select-list item per column
    std::vector<ValueForm> forms; // the form each is read in
};

ColumnReads ReadsFor(const Dialect& source, const std::vector<ColumnDefinition>& columns);

} // namespace qel
