#pragma once

#include <QString>
#include <QTemporaryDir>

#include "tests/support/QtPrinters.h"

#include "fixtures/ProductDatabases.h"

namespace qel::test {

// A temporary folder for a test's database files, removed afterwards.
class TempDatabases {
public:
    TempDatabases();

    QString path(const QString& fileName) const;

    // An ODBC connection string for a SQLite file in the folder.
    QString connection(const QString& fileName) const;

private:
    QTemporaryDir dir_;
};

} // namespace qel::test
