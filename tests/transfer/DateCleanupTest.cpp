#include "cleanup/CleanupOperations.h"
#include "db/Connection.h"
#include "db/Result.h"
#include "cleanup/transfer/StatisticsCatalogue.h"
#include "fixtures/StatisticsSchema.h"

#include "fixtures/ProductDatabases.h"
#include "db/Catalog.h"
#include "tests/support/BackendTest.h"
#include "tests/support/RecordingFeedback.h"
#include "tests/support/Rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using namespace qel;
using namespace qel::test;

namespace {

const QDate kCutoff(2024, 3, 5);

// Rows of every statistics table, split at the cut-off: the rows the clean-up
// by date must remove and the rows it must keep.
struct Census {
    std::map<QString, long long> doomed;
    std::map<QString, long long> kept;
    long long totalDoomed() const
    {
        long long n = 0;
        for (const auto& [table, count] : doomed)
            n += count;
        return n;
    }
};

long long Rows(const QString& connection, const QString& table)
{
    return CountRows(connection, QStringLiteral("SELECT COUNT(*) FROM ") + table);
}

// Every column of every table as the catalogue describes it, to tell
// whether a run changed any.
QStringList Definitions(const QString& connection)
{
    auto c = Connection::Open(connection);
    Catalog catalog(*c);
    QStringList definitions;
    for (const TableEntry& table : catalog.Tables())
        for (const ColumnDefinition& column : catalog.Columns(table.name))
            definitions << QStringLiteral("%1.%2 %3 %4 %5,%6 %7")
                               .arg(table.name, column.name, column.typeName)
                               .arg(column.definedSize)
                               .arg(column.precision)
                               .arg(column.scale)
                               .arg(column.nullable ? QLatin1String("NULL") : QLatin1String("NOT NULL"));
    definitions.sort();
    return definitions;
}

} // namespace

class DateCleanupTest : public BackendTest {
protected:
    void SetUpProduct() override
    {
        product().CreateAll(options);
        product().ApplyTo(settings);
        settings.timeout = QStringLiteral("30");
        state.removalDate = kCutoff;
    }
    bool Run()
    {
        return CleanupOperations(settings, state, feedback).CleanUpByDate(TargetConnection(settings, state)).completed();
    }

    Census TakeCensus()
    {
        const QString statistics = product().statistics();
        const QString cutoff = databases().DateLiteral(kCutoff);
        Census census;
        const QString oldCalls = QStringLiteral("SELECT CallID FROM Statistic_Call WHERE Start_Time < %1").arg(cutoff);
        const QStringList present = TableNames(statistics);
        for (const auto& t : StatisticsTables()) {
            if (!present.contains(t.name))
                continue;
            const QString doomed = t.callColumn.isEmpty() ? QStringLiteral("%1 < %2").arg(t.dateColumn, cutoff)
                                                          : QStringLiteral("%1 IN (%2)").arg(t.callColumn, oldCalls);
            census.doomed[t.name] = CountRows(statistics, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2").arg(t.name, doomed));
            census.kept[t.name] = CountRows(statistics, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE NOT (%2)").arg(t.name, doomed));
        }
        return census;
    }

    FixtureOptions options;
    CleanupSettings settings;
    RunState state;
    RecordingFeedback feedback;
};

QEL_ON_EVERY_BACKEND(DateCleanupTest);

// Cases that read what only SQLite does, or that need no server to mean
// what they say.
using DateCleanupOnSQLite = OnSQLite<DateCleanupTest>;

TEST_P(DateCleanupTest, DeletesExactlyTheOldRowsOfEveryTableAndCountsThem)
{
    const Census before = TakeCensus();
    ASSERT_GT(before.totalDoomed(), 0);
    ASSERT_TRUE(Run());

    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_EQ(feedback.messages[0].text,
              QStringLiteral("Clean up successful : %1 records deleted!").arg(before.totalDoomed()));
    EXPECT_EQ(feedback.messages[0].kind, MessageKind::Information);
    for (const auto& t : StatisticsTables()) {
        EXPECT_EQ(Rows(product().statistics(), t.name), before.kept.at(t.name)) << t.name.toStdString();
        if (!t.dateColumn.isEmpty()) { // rows of the cut-off day itself stay
            EXPECT_GT(CountRows(product().statistics(), QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2 >= %3 AND %2 < %4")
                                                            .arg(t.name, t.dateColumn, databases().DateLiteral(kCutoff),
                                                                 databases().DateLiteral(kCutoff.addDays(1)))),
                      0) << t.name.toStdString();
        }
    }
    EXPECT_EQ(state.stage, 25);
    EXPECT_EQ(feedback.statuses.first(), QStringLiteral("Opening databases"));
    EXPECT_EQ(feedback.statuses.at(1), QStringLiteral("Stage 1/21: Deleting records"));
    EXPECT_TRUE(feedback.statuses.contains(QStringLiteral("Stage 22/21: Deleting records")));
    EXPECT_TRUE(TableNames(product().backup()).isEmpty()); // no backup: the target is never opened

    // Nothing is left to delete the second time.
    feedback = RecordingFeedback();
    ASSERT_TRUE(Run());
    EXPECT_EQ(feedback.messageTexts(), QStringList{QStringLiteral("Clean up successful : 0 records deleted!")});
}

TEST_P(DateCleanupTest, WithABackupEveryDeletedRowIsInTheTargetFirst)
{
    settings.backupType = 1;
    const Census before = TakeCensus();
    ASSERT_TRUE(Run()) << feedback.messageTexts().join('\n').toStdString();
    ASSERT_EQ(feedback.messages.size(), 1u);
    for (const auto& t : StatisticsTables())
        EXPECT_EQ(Rows(product().backup(), t.name), before.doomed.at(t.name)) << t.name.toStdString();
    for (const QString& reference : {QStringLiteral("Agents"), QStringLiteral("Surveys"), QStringLiteral("Lists")})
        EXPECT_EQ(Rows(product().backup(), reference), Rows(product().callCenter(), reference));
    EXPECT_TRUE(feedback.statuses.contains(QStringLiteral("Stage 1/21: Creating fields in target")));

    // A second backup of the same source adds the rows the later cut-off
    // takes, and changes no column.
    const QStringList definitionsBefore = Definitions(product().backup());
    const long long callsBetween = CountRows(product().statistics(),
                                             QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE Start_Time < %1")
                                                 .arg(databases().DateLiteral(QDate(2024, 6, 1))));
    ASSERT_GT(callsBetween, 0);
    state.removalDate = QDate(2024, 6, 1);
    feedback = RecordingFeedback();
    ASSERT_TRUE(Run());
    EXPECT_EQ(Definitions(product().backup()), definitionsBefore);
    EXPECT_EQ(Rows(product().backup(), QStringLiteral("Statistic_Call")),
              before.doomed.at(QStringLiteral("Statistic_Call")) + callsBetween);
    EXPECT_EQ(Rows(product().backup(), QStringLiteral("Agents")), Rows(product().callCenter(), QStringLiteral("Agents")));
}

TEST_F(DateCleanupOnSQLite, WithoutSqlServerSyntaxTheSqlOnlyTablesAreLeftAndDatesUseHashSigns)
{
    settings.sourceSQL = 0;
    const Census before = TakeCensus();
    EXPECT_FALSE(Run());
    // SQLite does not read #...# dates: the selection of old calls is refused
    // before the first step, and nothing is deleted.
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_TRUE(feedback.messages[0].text.startsWith(QStringLiteral("ADO error in DoSQLCleanup ('SQLite' : ")))
        << feedback.messages[0].text.toStdString();
    EXPECT_TRUE(feedback.messages[0].text.contains(QLatin1String("#2024")));
    EXPECT_EQ(TakeCensus().doomed, before.doomed);

    // One statement per table sends the texts as they are: the first step
    // is the one refused.
    settings.batchSize = 0;
    feedback = RecordingFeedback();
    EXPECT_FALSE(Run());
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_TRUE(feedback.messages[0].text.startsWith(QStringLiteral("ADO error in Statistic_Agent ('SQLite' : ")))
        << feedback.messages[0].text.toStdString();
    EXPECT_EQ(TakeCensus().doomed, before.doomed);
}

TEST(DateCleanupSteps, TwentyStepsWhenTheSourceIsNotSqlServer)
{
    int steps = 0;
    for (const auto& step : DateCleanupSteps())
        steps += step.sqlOnly ? 0 : 1;
    EXPECT_EQ(steps, 20);
    EXPECT_EQ(DateCleanupSteps().size(), 25u);
    EXPECT_EQ(DateCleanupSteps()[8].table, QStringLiteral("Statistic_TransferMC"));
    EXPECT_EQ(DateCleanupSteps()[8].column, QStringLiteral("1"));
}

TEST_F(DateCleanupOnSQLite, AWrongConnectionStringIsReportedAndChangesNothing)
{
    const Census before = TakeCensus();
    settings.statSrc = QStringLiteral("Driver=No Such Driver;Database=x");
    EXPECT_FALSE(Run());
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_TRUE(feedback.messages[0].text.startsWith(QStringLiteral("ADO error in DoSQLCleanup ('unixODBC Driver Manager' : ")))
        << feedback.messages[0].text.toStdString();
    EXPECT_EQ(TakeCensus().doomed, before.doomed);
}

TEST_P(DateCleanupTest, AMissingTableIsFoundBeforeTheFirstRowIsDeleted)
{
    for (const int backupType : {0, 1}) {
        SCOPED_TRACE(backupType);
        settings.backupType = backupType;
        product().CreateAll(options);
        ExecuteAll(product().statistics(), {QStringLiteral("DROP TABLE Statistic_Messages")});
        if (backupType)
            ExecuteAll(product().callCenter(), {QStringLiteral("DROP TABLE Agents")});
        const Census before = TakeCensus();
        feedback = RecordingFeedback();
        EXPECT_FALSE(Run());
        ASSERT_EQ(feedback.messages.size(), 1u);
        const QString report = feedback.messages[0].text;
        EXPECT_TRUE(report.startsWith(QStringLiteral("Refused in DoSQLCleanup: "))) << report.toStdString();
        EXPECT_TRUE(report.contains(QLatin1String("Statistic_Messages"))) << report.toStdString();
        EXPECT_EQ(report.contains(QLatin1String("Agents")), backupType == 1) << report.toStdString();
        EXPECT_EQ(TakeCensus().doomed, before.doomed) << "nothing was deleted";
        EXPECT_FALSE(TableNames(product().backup()).contains(QStringLiteral("Statistic_Agent"))) << "nothing was copied";
    }
}

TEST_F(DateCleanupOnSQLite, AJetTargetThatCannotOpenIsReportedAndDeletesNothing)
{
    settings.backupType = 2;
    settings.accessTgt = databases().files().path(QStringLiteral("backup.mdb"));
    const Census before = TakeCensus();
    EXPECT_FALSE(Run());
    EXPECT_TRUE(state.accessTarget);
    ASSERT_EQ(feedback.messages.size(), 1u);
    // The Access driver is not on this machine: a setting it cannot use.
    EXPECT_TRUE(feedback.messages[0].text.startsWith(QStringLiteral("Settings error in DoSQLCleanup: The ODBC driver ")))
        << feedback.messages[0].text.toStdString();
    EXPECT_EQ(TakeCensus().doomed, before.doomed);
}

TEST_P(DateCleanupTest, ABackupIntoASourceDatabaseIsRefusedBeforeAnythingChanges)
{
    settings.backupType = 1;
    const Census before = TakeCensus();
    for (const QString& source : {product().callCenter(), product().statistics()}) {
        feedback = RecordingFeedback();
        settings.statTgt = source;
        EXPECT_FALSE(Run());
        ASSERT_EQ(feedback.messages.size(), 1u);
        EXPECT_TRUE(feedback.messages[0].text.startsWith(QStringLiteral("Refused in DoSQLCleanup: The backup target ")))
            << feedback.messages[0].text.toStdString();
    }
    EXPECT_EQ(TakeCensus().doomed, before.doomed);
    EXPECT_EQ(Rows(product().callCenter(), QStringLiteral("Agents")), 12);
}

TEST_P(DateCleanupTest, EveryBatchSizeDeletesTheSameRowsWithAndWithoutBackup)
{
    // 0 sends each table's delete as one statement; 7 takes many batches
    // per table, so that each batch statement runs again on what the one
    // before left.
    for (const int batchSize : {0, 7}) {
        for (const int backupType : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "batch size " << batchSize << ", backup type " << backupType);
            product().CreateAll(options);
            for (const QString& table : TableNames(product().backup()))
                ExecuteAll(product().backup(), {QStringLiteral("DROP TABLE ") + table});
            settings.batchSize = batchSize;
            settings.backupType = backupType;
            const Census before = TakeCensus();
            feedback = RecordingFeedback();
            ASSERT_TRUE(Run()) << feedback.messageTexts().join('\n').toStdString();
            EXPECT_EQ(feedback.messageTexts(),
                      QStringList{QStringLiteral("Clean up successful : %1 records deleted!").arg(before.totalDoomed())});
            for (const auto& t : StatisticsTables()) {
                EXPECT_EQ(Rows(product().statistics(), t.name), before.kept.at(t.name)) << t.name.toStdString();
                if (backupType) {
                    EXPECT_EQ(Rows(product().backup(), t.name), before.doomed.at(t.name)) << t.name.toStdString();
                }
            }
        }
    }
}

namespace {

// Keeps where each step stood after each of its batches.
class ProgressRecorder : public RecordingFeedback {
public:
    void ShowProgress(const TableProgress& p) override { progress.push_back(p); }
    std::vector<TableProgress> progress;
};

} // namespace

// The preview counts what the run then deletes; the run's progress ends each
// table at its rows, counted or reckoned from the walk; and the run record
// holds the rows each table lost and the backup gained.
TEST_P(DateCleanupTest, PreviewProgressAndRecordAgreeWithWhatLeavesEachTable)
{
    settings.backupType = 1;
    settings.batchSize = 20;
    const Census before = TakeCensus();
    CleanupPreview preview;
    ASSERT_TRUE(CleanupOperations(settings, state, feedback).PreviewByDate(TargetConnection(settings, state), preview))
        << feedback.messageTexts().join('\n').toStdString();
    EXPECT_TRUE(preview.backup);
    EXPECT_TRUE(preview.droppedTables.isEmpty());
    EXPECT_TRUE(TableNames(product().backup()).isEmpty()) << "a preview never opens the backup";
    std::map<QString, long long> previewed;
    for (const CleanupPreview::Table& t : preview.tables)
        if (!t.wholeCopy)
            previewed[t.table] = t.rows;
    EXPECT_EQ(previewed, before.doomed);
    EXPECT_EQ(preview.deletedRows(), before.totalDoomed());

    ProgressRecorder recorder;
    CleanupOperations operations(settings, state, recorder);
    RunOutcome outcome = operations.CleanUpByDate(TargetConnection(settings, state));
    ASSERT_TRUE(outcome.completed()) << recorder.messageTexts().join('\n').toStdString();
    for (const auto& [table, rows] : before.doomed) {
        const RunOutcome::Table& entry = outcome.TableEntry(table);
        EXPECT_EQ(entry.deleted, rows) << table.toStdString();
        EXPECT_EQ(entry.copied, rows) << table.toStdString();
        const TableProgress* last = nullptr;
        for (const TableProgress& p : recorder.progress) {
            if (p.table != table)
                continue;
            // Rows only ever add up; the same count again is the total put
            // right once the walk is through.
            if (last) {
                EXPECT_TRUE(p.done > last->done || (p.done == last->done && !p.estimated)) << table.toStdString();
            }
            EXPECT_GE(p.total, p.done);
            last = &p;
        }
        if (rows == 0)
            continue;
        ASSERT_NE(last, nullptr) << table.toStdString();
        EXPECT_EQ(last->done, rows) << table.toStdString();
        EXPECT_EQ(last->total, rows) << table.toStdString();
        EXPECT_FALSE(last->estimated) << table.toStdString();
        EXPECT_EQ(last->secondsLeft() <= 0.0, true) << table.toStdString();
    }
    EXPECT_EQ(outcome.TableEntry(QStringLiteral("Agents")).copied, Rows(product().callCenter(), QStringLiteral("Agents")));
    EXPECT_EQ(outcome.deletedRows(), before.totalDoomed());
    EXPECT_EQ(outcome.copiedRows(), before.totalDoomed() + Rows(product().callCenter(), QStringLiteral("Agents"))
                                        + Rows(product().callCenter(), QStringLiteral("Surveys"))
                                        + Rows(product().callCenter(), QStringLiteral("Lists")));
}

namespace {

// A table's rows as a sorted multiset of their printed values.
std::vector<std::string> RowMultiset(const QString& connection, const QString& table)
{
    std::vector<std::string> rows;
    for (const Row& row : ReadRows(connection, QStringLiteral("SELECT * FROM ") + table)) {
        std::ostringstream text;
        for (const FieldValue& value : row) {
            PrintTo(value, &text);
            text << '|';
        }
        rows.push_back(text.str());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<std::string> Merged(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    std::sort(a.begin(), a.end());
    return a;
}

} // namespace

// Rows alike in every value, in tables without a key, copied through this
// program into a backup it reaches as another database (the route a backup
// on another server takes): each leaves once, also when the run is stopped
// half-way and run again.
TEST_P(DateCleanupTest, RowsAlikeInTablesWithoutAKeyLeaveOnceThroughThisProgram)
{
    settings.backupType = 1;
    settings.batchSize = 25;
    const QString cutoff = databases().DateLiteral(kCutoff);
    ExecuteAll(product().statistics(),
               {QStringLiteral("INSERT INTO Statistic_Alarms SELECT * FROM Statistic_Alarms WHERE Time < %1").arg(cutoff),
                QStringLiteral("INSERT INTO Statistic_KeyIn SELECT * FROM Statistic_KeyIn WHERE StartTime < %1").arg(cutoff),
                QStringLiteral("INSERT INTO Statistic_Agent SELECT * FROM Statistic_Agent")});
    const Census census = TakeCensus();
    std::map<QString, std::vector<std::string>> before;
    for (const auto& t : StatisticsTables())
        before[t.name] = RowMultiset(product().statistics(), t.name);

    CleanupDatabases::Options rowByRow;
    rowByRow.rowByRow = true;
    int batches = 0;
    CleanupOperations stopped(settings, state, feedback);
    stopped.setDatabaseOptions(rowByRow);
    stopped.setStopRequested([&] { return ++batches > 15; });
    EXPECT_FALSE(stopped.CleanUpByDate(TargetConnection(settings, state)));
    CleanupOperations rerun(settings, state, feedback);
    rerun.setDatabaseOptions(rowByRow);
    ASSERT_TRUE(rerun.CleanUpByDate(TargetConnection(settings, state))) << feedback.messageTexts().join('\n').toStdString();

    for (const auto& t : StatisticsTables()) {
        EXPECT_EQ(Rows(product().statistics(), t.name), census.kept.at(t.name)) << t.name.toStdString();
        EXPECT_EQ(Merged(RowMultiset(product().statistics(), t.name), RowMultiset(product().backup(), t.name)), before.at(t.name))
            << t.name.toStdString() << ": every row once, in the statistics database or the backup";
    }
    EXPECT_EQ(CountRows(product().backup(), QStringLiteral("SELECT COUNT(*) FROM QelCleanupLedger")), 0);
}
