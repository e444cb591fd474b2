#include "TempDatabases.h"

#include <QDir>

TempDatabases::TempDatabases() : dir_(QDir::tempPath() + QStringLiteral("/qelcleanup-test-XXXXXX")) {}

QString TempDatabases::path(const QString& fileName) const
{
    return dir_.filePath(fileName);
}

QString TempDatabases::connection(const QString& fileName) const
{
    return SQLiteConnection(path(fileName));
}

