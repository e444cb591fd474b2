#include "db/Catalog.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"

#include "tests/support/TempDatabases.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

TEST(DatabasePaths, EveryLetterOfAPathReachesTheDriverAndNothingElseIsCreated)
{
    TempDatabases temp;
    const QString folder = temp.path(TempDatabases::AwkwardName());
    ASSERT_TRUE(QDir().mkpath(folder));
    const QStringList names = {QStringLiteral("ü.db"), QStringLiteral("üü€.db"), QStringLiteral("調査.db"),
                               QStringLiteral("o'brien ü.db")};
    const QString table = QStringLiteral("Brand Tracker ü€ 調査");
    for (const QString& name : names) {
        const QString path = folder + QLatin1Char('/') + name;
        auto c = Connection::Open(SQLiteConnection(path));
        c->Execute(QStringLiteral("CREATE TABLE [%1] (x int)").arg(table));
        EXPECT_EQ(SQLiteDatabaseFile(*c), QFileInfo(path).canonicalFilePath()) << name.toStdString();
        Catalog catalog(*c);
        EXPECT_EQ(catalog.TableName(0), table) << name.toStdString();
    }
    QStringList expected = names;
    expected.sort();
    EXPECT_EQ(QDir(folder).entryList(QDir::Files, QDir::Name), expected);
}

TEST(DatabasePaths, AMissingFileIsRefusedWhenAskedWithItsPathAndNotCreated)
{
    TempDatabases temp;
    const auto refused = [](const QString& path) {
        try {
            Connection::Open(SQLiteConnection(path), 5, MissingDatabase::Refuse);
        } catch (const DatabaseError& e) {
            return e.description();
        }
        return QStringLiteral("opened");
    };
    const QString file = temp.path(QStringLiteral("missing.db"));
    EXPECT_EQ(refused(file), QStringLiteral("connect failed: the file %1 does not exist").arg(QDir::toNativeSeparators(file)));
    EXPECT_FALSE(QFileInfo::exists(file));
    const QString folder = temp.path(QStringLiteral("no such folder"));
    EXPECT_EQ(refused(folder + QStringLiteral("/x.db")),
              QStringLiteral("connect failed: the folder %1 does not exist").arg(QDir::toNativeSeparators(folder)));

    Connection::Open(SQLiteConnection(file), 5, MissingDatabase::Create); // a backup target may be new
    EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_NO_THROW(Connection::Open(SQLiteConnection(file), 5, MissingDatabase::Refuse));
}
