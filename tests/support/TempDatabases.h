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
    // The folder in `root` instead of the system's temporary folder.
    explicit TempDatabases(const QString& root);

    QString path(const QString& fileName) const;

    // An ODBC connection string for a SQLite file in the folder.
    QString connection(const QString& fileName) const;

    // A folder name with what paths may hold here and connection strings
    // must carry intact: letters beyond ASCII, blanks and quotes (Windows
    // allows no double quote in a file name).
    static QString AwkwardName();

private:
    QTemporaryDir dir_;
};

} // namespace qel::test
