#include "cleanup/CleanupOperations.h"
#include "db/Connection.h"
#include "db/Result.h"
#include "cleanup/StatisticsCatalogue.h"
#include "fixtures/StatisticsSchema.h"

#include "fixtures/ProductDatabases.h"
#include "tests/support/RecordingFeedback.h"
#include "tests/support/Rows.h"
#include "tests/support/TempDatabases.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

namespace {

const QString kCutoff = QStringLiteral("2024-03-05");

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

Census TakeCensus(const QString& statistics)
{
    Census census;
    const QString oldCalls = QStringLiteral("SELECT CallID FROM Statistic_Call WHERE Start_Time < '%1'").arg(kCutoff);
    const QStringList present = TableNames(statistics);
    for (const auto& t : StatisticsTables()) {
        if (!present.contains(t.name))
            continue;
        const QString doomed = t.callColumn.isEmpty() ? QStringLiteral("%1 < '%2'").arg(t.dateColumn, kCutoff)
                                                      : QStringLiteral("%1 IN (%2)").arg(t.callColumn, oldCalls);
        census.doomed[t.name] = CountRows(statistics, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2").arg(t.name, doomed));
        census.kept[t.name] = CountRows(statistics, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE NOT (%2)").arg(t.name, doomed));
    }
    return census;
}

long long Rows(const QString& connection, const QString& table)
{
    return CountRows(connection, QStringLiteral("SELECT COUNT(*) FROM ") + table);
}

} // namespace

class DateCleanupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        product.CreateAll(options);
        product.ApplyTo(settings);
        settings.timeout = QStringLiteral("30");
        state.removalDate = QDate(2024, 3, 5);
    }
    bool Run() { return CleanupOperations(settings, state, feedback).CleanUpByDate(TargetConnection(settings, state)); }

    TempDatabases temp;
    FixtureOptions options;
    ProductDatabases product{temp.path(QStringLiteral("product"))};
    CleanupSettings settings;
    RunState state;
    RecordingFeedback feedback;
};

TEST_F(DateCleanupTest, DeletesExactlyTheOldRowsOfEveryTableAndCountsThem)
{
    const Census before = TakeCensus(product.statistics());
    ASSERT_GT(before.totalDoomed(), 0);
    ASSERT_TRUE(Run());

    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_EQ(feedback.messages[0].text,
              QStringLiteral("Clean up successful : %1 records deleted!").arg(before.totalDoomed()));
    EXPECT_EQ(feedback.messages[0].kind, MessageKind::Information);
    for (const auto& t : StatisticsTables()) {
        EXPECT_EQ(Rows(product.statistics(), t.name), before.kept.at(t.name)) << t.name.toStdString();
        if (!t.dateColumn.isEmpty()) { // rows of the cut-off day itself stay
            EXPECT_GT(CountRows(product.statistics(), QStringLiteral("SELECT COUNT(*) FROM %1 WHERE date(%2) = '%3'")
                                                          .arg(t.name, t.dateColumn, kCutoff)),
                      0) << t.name.toStdString();
        }
    }
    EXPECT_EQ(state.stage, 25);
    EXPECT_EQ(feedback.statuses.first(), QStringLiteral("Opening databases"));
    EXPECT_EQ(feedback.statuses.at(1), QStringLiteral("Stage 1/21: Deleting records"));
    EXPECT_TRUE(feedback.statuses.contains(QStringLiteral("Stage 22/21: Deleting records")));
    EXPECT_TRUE(TableNames(product.backup()).isEmpty()); // no backup: the target is never opened

    // Nothing is left to delete the second time.
    feedback = RecordingFeedback();
    ASSERT_TRUE(Run());
    EXPECT_EQ(feedback.messageTexts(), QStringList{QStringLiteral("Clean up successful : 0 records deleted!")});
}

TEST_F(DateCleanupTest, WithABackupEveryDeletedRowIsInTheTargetFirst)
{
    settings.backupType = 1;
    const Census before = TakeCensus(product.statistics());
    ASSERT_TRUE(Run()) << feedback.messageTexts().join('\n').toStdString();
    ASSERT_EQ(feedback.messages.size(), 1u);
    for (const auto& t : StatisticsTables())
        EXPECT_EQ(Rows(product.backup(), t.name), before.doomed.at(t.name)) << t.name.toStdString();
    for (const QString& reference : {QStringLiteral("Agents"), QStringLiteral("Surveys"), QStringLiteral("Lists")})
        EXPECT_EQ(Rows(product.backup(), reference), Rows(product.callCenter(), reference));
    EXPECT_TRUE(feedback.statuses.contains(QStringLiteral("Stage 1/21: Creating fields in target")));

    // A second backup of the same source adds the rows the later cut-off
    // takes, and changes no column.
    const QString definition = QStringLiteral("SELECT group_concat(sql, ';') FROM sqlite_master");
    const QString definitionsBefore = ReadRows(product.backup(), definition).at(0).at(0).text();
    const long long callsBetween = CountRows(product.statistics(), QStringLiteral(
        "SELECT COUNT(*) FROM Statistic_Call WHERE Start_Time < '2024-06-01'"));
    ASSERT_GT(callsBetween, 0);
    state.removalDate = QDate(2024, 6, 1);
    feedback = RecordingFeedback();
    ASSERT_TRUE(Run());
    EXPECT_EQ(ReadRows(product.backup(), definition).at(0).at(0).text(), definitionsBefore);
    EXPECT_EQ(Rows(product.backup(), QStringLiteral("Statistic_Call")),
              before.doomed.at(QStringLiteral("Statistic_Call")) + callsBetween);
    EXPECT_EQ(Rows(product.backup(), QStringLiteral("Agents")), Rows(product.callCenter(), QStringLiteral("Agents")));
}

TEST_F(DateCleanupTest, WithoutSqlServerSyntaxTheSqlOnlyTablesAreLeftAndDatesUseHashSigns)
{
    settings.sourceSQL = 0;
    const Census before = TakeCensus(product.statistics());
    EXPECT_FALSE(Run());
    // SQLite does not read #...# dates: the selection of old calls is refused
    // before the first step, and nothing is deleted.
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_TRUE(feedback.messages[0].text.startsWith(QStringLiteral("ADO error in DoSQLCleanup ('SQLite' : ")))
        << feedback.messages[0].text.toStdString();
    EXPECT_TRUE(feedback.messages[0].text.contains(QLatin1String("#2024")));
    EXPECT_EQ(TakeCensus(product.statistics()).doomed, before.doomed);

    // One statement per table sends the texts as they are: the first step
    // is the one refused.
    settings.batchSize = 0;
    feedback = RecordingFeedback();
    EXPECT_FALSE(Run());
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_TRUE(feedback.messages[0].text.startsWith(QStringLiteral("ADO error in Statistic_Agent ('SQLite' : ")))
        << feedback.messages[0].text.toStdString();
    EXPECT_EQ(TakeCensus(product.statistics()).doomed, before.doomed);
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

TEST_F(DateCleanupTest, AWrongConnectionStringIsReportedAndChangesNothing)
{
    const Census before = TakeCensus(product.statistics());
    settings.statSrc = QStringLiteral("Driver=No Such Driver;Database=x");
    EXPECT_FALSE(Run());
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_TRUE(feedback.messages[0].text.startsWith(QStringLiteral("ADO error in DoSQLCleanup ('unixODBC Driver Manager' : ")))
        << feedback.messages[0].text.toStdString();
    EXPECT_EQ(TakeCensus(product.statistics()).doomed, before.doomed);
}

TEST_F(DateCleanupTest, AMissingTableIsFoundBeforeTheFirstRowIsDeleted)
{
    for (const int backupType : {0, 1}) {
        SCOPED_TRACE(backupType);
        settings.backupType = backupType;
        product.CreateAll(options);
        ExecuteAll(product.statistics(), {QStringLiteral("DROP TABLE Statistic_Messages")});
        if (backupType)
            ExecuteAll(product.callCenter(), {QStringLiteral("DROP TABLE Agents")});
        const Census before = TakeCensus(product.statistics());
        feedback = RecordingFeedback();
        EXPECT_FALSE(Run());
        ASSERT_EQ(feedback.messages.size(), 1u);
        const QString report = feedback.messages[0].text;
        EXPECT_TRUE(report.startsWith(QStringLiteral("ADO error in DoSQLCleanup ("))) << report.toStdString();
        EXPECT_TRUE(report.contains(QLatin1String("Statistic_Messages"))) << report.toStdString();
        EXPECT_EQ(report.contains(QLatin1String("Agents")), backupType == 1) << report.toStdString();
        EXPECT_EQ(TakeCensus(product.statistics()).doomed, before.doomed) << "nothing was deleted";
        EXPECT_FALSE(TableNames(product.backup()).contains(QStringLiteral("Statistic_Agent"))) << "nothing was copied";
    }
}

TEST_F(DateCleanupTest, AJetTargetThatCannotOpenIsReportedAndDeletesNothing)
{
    settings.backupType = 2;
    settings.accessTgt = temp.path(QStringLiteral("backup.mdb"));
    const Census before = TakeCensus(product.statistics());
    EXPECT_FALSE(Run());
    EXPECT_TRUE(state.accessTarget);
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_TRUE(feedback.messages[0].text.startsWith(QStringLiteral("ADO error in DoSQLCleanup (")));
    EXPECT_EQ(TakeCensus(product.statistics()).doomed, before.doomed);
}

TEST_F(DateCleanupTest, ABackupIntoASourceDatabaseIsRefusedBeforeAnythingChanges)
{
    settings.backupType = 1;
    const Census before = TakeCensus(product.statistics());
    for (const QString& source : {product.callCenter(), product.statistics()}) {
        feedback = RecordingFeedback();
        settings.statTgt = source;
        EXPECT_FALSE(Run());
        ASSERT_EQ(feedback.messages.size(), 1u);
        EXPECT_TRUE(feedback.messages[0].text.startsWith(QStringLiteral("ADO error in DoSQLCleanup (")))
            << feedback.messages[0].text.toStdString();
    }
    EXPECT_EQ(TakeCensus(product.statistics()).doomed, before.doomed);
    EXPECT_EQ(Rows(product.callCenter(), QStringLiteral("Agents")), 12);
}
