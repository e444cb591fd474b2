// Clean-ups by date of a statistics database shaped as administrators'
// databases are, not as the fixtures make them (see AwkwardShapes): keys
// and rowids past 2^31, a column named RowID, a table WITHOUT ROWID, far
// rowids, rows alike in every value, values of every storage class. Run as
// the program is run, on each route a SQLite backup takes: every row that
// leaves the statistics database is in the backup once, bit for bit, the
// dry run counts what the run deletes, and a rerun finds nothing to do.
#include "cleanup/transfer/BackupLedger.h"
#include "db/Connection.h"
#include "fixtures/FixtureOptions.h"
#include "fixtures/ProductDatabases.h"
#include "fixtures/StatisticsSchema.h"
#include "tests/cli/CleanupProcess.h"
#include "tests/support/AwkwardShapes.h"
#include "tests/support/TableContents.h"
#include "tests/support/TempDatabases.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <map>

using namespace qel;
using namespace qel::test;

namespace {

enum class Route { NoBackup, Attached, RowByRow, WriteAheadLog };

std::string RouteName(const ::testing::TestParamInfo<Route>& info)
{
    switch (info.param) {
    case Route::NoBackup: return "NoBackup";
    case Route::Attached: return "Attached";
    case Route::RowByRow: return "RowByRow";
    case Route::WriteAheadLog: return "WriteAheadLog";
    }
    return {};
}

using TableRows = std::map<QString, QStringList>;

const QString kBefore = QStringLiteral("2024-03-05");

QByteArray FileDigest(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class TableShapesTest : public ::testing::TestWithParam<Route> {
protected:
    void SetUp() override
    {
        FixtureOptions options;
        options.calls = 300;
        options.dateRows = 200;
        product.CreateAll(options);
        ReshapeStatistics(product.statistics(), 3000);
        if (GetParam() == Route::WriteAheadLog)
            Connection::Open(product.statistics())->Execute(QStringLiteral("PRAGMA journal_mode = WAL"));
        before = Statistics(product.statistics());
    }

    TableRows Statistics(const QString& connection)
    {
        TableRows rows;
        const QStringList present = TableNames(connection);
        for (const auto& table : StatisticsTables())
            rows[table.name] = present.contains(table.name)
                ? RowTexts(connection, table.name, ColumnsOf(product.statistics(), table.name))
                : QStringList();
        return rows;
    }

    // The test child, which forces the row-by-row route, takes no command.
    QStringList Arguments(const QStringList& extra = {}, bool commandLine = true) const
    {
        QStringList arguments;
        if (commandLine)
            arguments << QStringLiteral("by-date");
        arguments << QStringLiteral("--before") << kBefore << extra;
        for (const QString& setting :
             {"StatSrc=" + product.statistics(), "CallCenterSrc=" + product.callCenter(), "StatTgt=" + product.backup(),
              QStringLiteral("BackupType=%1").arg(GetParam() == Route::NoBackup ? 0 : 1), QStringLiteral("BatchSize=97"),
              QStringLiteral("Timeout=30")})
            arguments << QStringLiteral("--set") << setting;
        return arguments;
    }

    CleanupProcess::Outcome Run(const QStringList& extra = {})
    {
        const QString program = GetParam() == Route::RowByRow ? QStringLiteral(QELCLEANUP_TEST_CHILD)
                                                              : QStringLiteral(QELCLEANUP_BINARY);
        return CleanupProcess(program, Arguments(extra, GetParam() != Route::RowByRow), temp.path(QStringLiteral("config")))
            .Finish(120000);
    }

    // What the dry run counts of each table, from its report.
    std::map<QString, long long> DryRunCounts()
    {
        const QString report = temp.path(QStringLiteral("dry-run.json"));
        const CleanupProcess::Outcome dryRun =
            CleanupProcess(QStringLiteral(QELCLEANUP_BINARY),
                           Arguments({QStringLiteral("--dry-run"), QStringLiteral("--report"), report}),
                           temp.path(QStringLiteral("config")))
                .Finish(120000);
        EXPECT_EQ(dryRun.exitCode, 0) << dryRun.err.toStdString();
        QFile file(report);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        std::map<QString, long long> counts;
        for (const QJsonValue& table : QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("tables")).toArray())
            counts[table[QStringLiteral("table")].toString()] = table[QStringLiteral("deleted")].toInteger();
        return counts;
    }

    TempDatabases temp{MemoryBackedTempPath()};
    ProductDatabases product{temp.path(QStringLiteral("product"))};
    TableRows before;
};

INSTANTIATE_TEST_SUITE_P(Routes, TableShapesTest,
                         ::testing::Values(Route::NoBackup, Route::Attached, Route::RowByRow, Route::WriteAheadLog),
                         RouteName);

TEST_P(TableShapesTest, EveryRowLeavesOnceExactlyAsTheDryRunCountedAndARerunFindsNothing)
{
    const std::map<QString, long long> counted = DryRunCounts();
    const CleanupProcess::Outcome run = Run();
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();

    const TableRows source = Statistics(product.statistics());
    const TableRows backup = GetParam() == Route::NoBackup ? TableRows() : Statistics(product.backup());
    long long deleted = 0;
    for (const auto& [table, rows] : before) {
        const std::string name = table.toStdString();
        const long long gone = rows.size() - source.at(table).size();
        EXPECT_EQ(gone, counted.count(table) ? counted.at(table) : 0) << name << ": the dry run counted what leaves";
        deleted += gone;
        if (GetParam() == Route::NoBackup)
            continue;
        EXPECT_EQ(RowDifference(rows, Together(source.at(table), backup.at(table))), QString())
            << name << ": every row is in the statistics database or the backup, once, bit for bit";
    }
    EXPECT_EQ(run.out.trimmed(), QStringLiteral("Clean up successful : %1 records deleted!").arg(deleted));
    // Each awkward table lost its old rows, whatever its shape.
    for (const char* table : {"Statistic_Call", "Statistic_Agent", "Statistic_Location", "Statistic_OutboundGroup",
                              "Statistic_RoutePath", "Statistic_Alarms", "Statistic_Messages", "Statistic_Predictive"})
        EXPECT_GT(before.at(QLatin1String(table)).size(), source.at(QLatin1String(table)).size()) << table;
    EXPECT_EQ(CountRows(product.statistics(), QStringLiteral("SELECT COUNT(*) FROM Statistic_RoutePath WHERE Step = 99")), 1)
        << "the new call's far row stays";

    const QStringList after = TableNames(product.backup());
    const TableRows backupBefore = GetParam() == Route::NoBackup ? TableRows() : Statistics(product.backup());
    const CleanupProcess::Outcome rerun = Run();
    ASSERT_EQ(rerun.exitCode, 0) << rerun.err.toStdString();
    EXPECT_EQ(rerun.out.trimmed(), QStringLiteral("Clean up successful : 0 records deleted!"));
    EXPECT_TRUE(Statistics(product.statistics()) == source);
    if (GetParam() != Route::NoBackup) {
        EXPECT_TRUE(Statistics(product.backup()) == backupBefore) << "a rerun copies nothing twice";
        if (after.contains(QLatin1String(BackupLedger::kTableName))) {
            EXPECT_EQ(CountRows(product.backup(), QStringLiteral("SELECT COUNT(*) FROM QelCleanupLedger")), 0);
        }
    }
}

TEST_P(TableShapesTest, ATableWhoseEveryRowidNameIsAColumnIsRefusedBeforeAnyRowGoes)
{
    ExecuteAll(product.statistics(), {QStringLiteral("ALTER TABLE Statistic_Session ADD COLUMN rowid int"),
                                      QStringLiteral("ALTER TABLE Statistic_Session ADD COLUMN _rowid_ int"),
                                      QStringLiteral("ALTER TABLE Statistic_Session ADD COLUMN OID int")});
    before = Statistics(product.statistics());
    const QString file = product.path(QStringLiteral("statistics.db"));
    const QByteArray digest = FileDigest(file);
    const CleanupProcess::Outcome run = Run();
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QLatin1String("Statistic_Session has columns named rowid, _rowid_ and oid")))
        << run.err.toStdString();
    EXPECT_FALSE(run.out.contains(QLatin1String("Clean up successful"))) << run.out.toStdString();
    if (GetParam() != Route::WriteAheadLog) { // a WAL file's bytes move between the file and its log
        EXPECT_EQ(FileDigest(file), digest) << "nothing was deleted";
    }
    EXPECT_TRUE(Statistics(product.statistics()) == before);
}
