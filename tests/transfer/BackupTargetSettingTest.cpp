#include "cleanup/Databases.h"
#include "cleanup/checks/BackupTarget.h"
#include "core/CleanupSettings.h"
#include "core/RunState.h"
#include "db/ParsedConnection.h"
#include "db/DatabaseError.h"

#include "tests/support/TempDatabases.h"

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

TEST(BackupTargetSetting, AnAccessTargetIsOpenedThroughTheAccessDriverAndNamedAsAccessTgt)
{
    CleanupSettings settings;
    RunState state;
    settings.statTgt = QStringLiteral("Driver=SQLite3;Database=/backups/stat.db;PWD=hidden");
    settings.accessTgt = QStringLiteral("C:\\Backup Files\\\u00e9t\u00e9 \u20ac; 2024.mdb");

    settings.backupType = 2;
    const QString access = TargetConnection(settings, state);
    EXPECT_TRUE(state.accessTarget);
    EXPECT_FALSE(access.contains(QLatin1String("Provider"), Qt::CaseInsensitive)) << access.toStdString();
    const ParsedConnection target(access);
    EXPECT_EQ(target.kind(), DriverKind::Access);
    EXPECT_EQ(target.value(QStringLiteral("DBQ")), settings.accessTgt) << "the setting is the file's path, carried intact";
    EXPECT_EQ(DatabaseOrigin(access, DatabaseRole::BackupTarget),
              QStringLiteral("Database of AccessTgt: the Access file %1").arg(settings.accessTgt));
    const QString path = settings.accessTgt;
    settings.accessTgt = QStringLiteral("  ") + path + QStringLiteral(" ");
    EXPECT_EQ(ParsedConnection(TargetConnection(settings, state)).value(QStringLiteral("DBQ")), path);
    settings.accessTgt = path;

    settings.backupType = 1;
    const QString sql = TargetConnection(settings, state);
    EXPECT_FALSE(state.accessTarget);
    EXPECT_EQ(sql, settings.statTgt);
    EXPECT_EQ(DatabaseOrigin(sql, DatabaseRole::BackupTarget), QStringLiteral("Database of StatTgt: the SQLite file /backups/stat.db"));
    // Only the backup target's Access file is AccessTgt's.
    EXPECT_EQ(DatabaseOrigin(access, DatabaseRole::Statistics),
              QStringLiteral("Database of StatSrc: the Access file %1").arg(settings.accessTgt));
}

TEST(BackupTargetSetting, AReadOnlyOpeningReachesTheSameFile)
{
    TempDatabases temp;
    const ParsedConnection setting(temp.connection(QStringLiteral("stats.db")));
    OpenDatabase(setting, DatabaseRole::BackupTarget)->Execute(QStringLiteral("CREATE TABLE t (x int)"));

    const ParsedConnection readOnly = ReadOnlyConnection(setting);
    EXPECT_TRUE(readOnly.value(QStringLiteral("Database")).value_or(QString()).endsWith(QLatin1String("?mode=ro")))
        << readOnly.text().toStdString();
    EXPECT_TRUE(readOnly.sameDatabaseAs(setting));
    EXPECT_EQ(readOnly.description().isEmpty(), false);

    const ReadOnlyOpening opening;
    auto connection = OpenDatabase(setting, DatabaseRole::Statistics);
    EXPECT_THROW(connection->Execute(QStringLiteral("INSERT INTO t VALUES (1)")), DatabaseError);
    EXPECT_EQ(connection->origin(), QStringLiteral("Database of StatSrc: ") + setting.description());
}
