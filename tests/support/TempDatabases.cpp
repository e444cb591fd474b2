#include "tests/support/TempDatabases.h"

#include <QDir>

using namespace qel;
using namespace qel::test;

namespace qel::test {

TempDatabases::TempDatabases() : TempDatabases(QDir::tempPath()) {}

TempDatabases::TempDatabases(const QString& root) : dir_(root + QStringLiteral("/qelcleanup-test-XXXXXX")) {}

QString TempDatabases::path(const QString& fileName) const
{
    return dir_.filePath(fileName);
}

QString TempDatabases::connection(const QString& fileName) const
{
    return SQLiteConnection(path(fileName));
}

QString TempDatabases::AwkwardName()
{
#ifdef _WIN32
    return QStringLiteral("dir ü€ 調査 'q'");
#else
    return QStringLiteral("dir ü€ 調査 'q\"");
#endif
}

} // namespace qel::test
