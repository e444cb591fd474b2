// The removal date is a calendar day, whatever the time zone the program
// runs in: on a day whose local midnight does not exist (the clocks jump
// from 00:00 to 01:00) the clean-up still deletes exactly the rows before
// that day, and a backup made row by row carries a time of a skipped hour
// as the wall-clock value it is.
#include "fixtures/StatisticsSchema.h"
#include "tests/cli/CleanupProcess.h"
#include "tests/cli/CommandLineFixture.h"
#include "tests/support/TableContents.h"

#include <map>
#include <utility>
#include <vector>

using namespace qel;
using namespace qel::test;

namespace {

// The rows of every statistics table that a clean-up before `day` must
// take, by table.
std::map<QString, long long> Doomed(const QString& statistics, const QString& day, bool kept)
{
    const QString oldCalls = QStringLiteral("SELECT CallID FROM Statistic_Call WHERE Start_Time < '%1'").arg(day);
    std::map<QString, long long> rows;
    for (const auto& t : StatisticsTables()) {
        const QString doomed = t.callColumn.isEmpty() ? QStringLiteral("%1 < '%2'").arg(t.dateColumn, day)
                                                      : QStringLiteral("%1 IN (%2)").arg(t.callColumn, oldCalls);
        rows[t.name] = CountRows(statistics, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %3(%2)")
                                                 .arg(t.name, doomed, kept ? QStringLiteral("NOT ") : QString()));
    }
    return rows;
}

// A copy of a row of the table with some of its columns set: the rows on
// both sides of a day's first moment.
QStringList CopiedRow(const QString& table, const std::vector<std::pair<QString, QString>>& values)
{
    QStringList sql{QStringLiteral("DROP TABLE IF EXISTS temp.copied"),
                    QStringLiteral("CREATE TEMP TABLE copied AS SELECT * FROM %1 LIMIT 1").arg(table)};
    for (const auto& [column, value] : values)
        sql << QStringLiteral("UPDATE copied SET %1 = %2").arg(column, value);
    sql << QStringLiteral("INSERT INTO %1 SELECT * FROM copied").arg(table);
    return sql;
}

QString Text(const QString& text)
{
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

} // namespace

class CutoffTimeZoneTest : public CommandLineTest {
protected:
    Result RunIn(const QString& zone, const QStringList& arguments)
    {
        QProcessEnvironment env;
        env.insert(QStringLiteral("TZ"), zone);
        CleanupProcess run(QStringLiteral(QELCLEANUP_BINARY), arguments, configHome(), {}, env);
        const CleanupProcess::Outcome outcome = run.Finish();
        return {outcome.exitCode, outcome.out, outcome.err};
    }
};

TEST_F(CutoffTimeZoneTest, OnADayWithoutLocalMidnightExactlyTheRowsBeforeItGo)
{
    struct Day {
        const char* zone;
        const char* date; // the clocks go from 00:00 to 01:00 in the zone
    };
    // In order of the days, each run on what the one before left.
    const Day days[] = {{"Asia/Beirut", "2024-03-31"}, {"Africa/Cairo", "2024-04-26"}, {"America/Santiago", "2024-09-08"}};
    int call = 900000;
    for (const Day& d : days) {
        const QString day = QLatin1String(d.date);
        const QString dayBefore = QDate::fromString(day, Qt::ISODate).addDays(-1).toString(Qt::ISODate);
        // Rows in the last second before the day and in the hour the zone skips.
        QStringList rows;
        for (const QString& time : {dayBefore + QStringLiteral(" 23:59:59"), day + QStringLiteral(" 00:30:00")}) {
            const QString id = QString::number(++call);
            rows << CopiedRow(QStringLiteral("Statistic_Call"), {{"CallID", id}, {"Start_Time", Text(time)}})
                 << CopiedRow(QStringLiteral("Statistic_Agent"), {{"CallID", id}})
                 << CopiedRow(QStringLiteral("Statistic_Alarms"), {{"Time", Text(time)}});
        }
        ExecuteAll(product.statistics(), rows);
        const auto doomed = Doomed(product.statistics(), day, false);
        const auto kept = Doomed(product.statistics(), day, true);
        long long total = 0;
        for (const auto& [table, count] : doomed)
            total += count;
        ASSERT_GT(kept.at(QStringLiteral("Statistic_Call")), 0) << d.date;

        const Result r = RunIn(QLatin1String(d.zone), QStringList{"by-date", "--before", day} + Settings());
        EXPECT_EQ(r.exitCode, 0) << d.zone << ": " << r.err.toStdString();
        EXPECT_EQ(r.out, QStringLiteral("Clean up successful : %1 records deleted!\n").arg(total)) << d.zone;
        for (const auto& [table, count] : kept) {
            EXPECT_EQ(Count(product.statistics(), QStringLiteral("SELECT COUNT(*) FROM ") + table), count)
                << d.zone << ' ' << table.toStdString();
        }
        for (const auto& [table, count] : Doomed(product.statistics(), day, false))
            EXPECT_EQ(count, 0) << d.zone << ' ' << table.toStdString();
        EXPECT_EQ(Count(product.statistics(),
                        QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE Start_Time = '%1 00:30:00'").arg(day)),
                  1)
            << d.zone << ": the row of the skipped hour is of the day itself";
    }
}

TEST_F(CutoffTimeZoneTest, ARowByRowBackupCarriesATimeOfTheSkippedHourAsItIs)
{
    // Berlin skips 02:00 to 03:00 on 31 March 2024.
    ExecuteAll(product.statistics(),
               CopiedRow(QStringLiteral("Statistic_Call"),
                         {{"CallID", "900001"},
                          {"Start_Time", "'2024-03-31 02:30:00'"},
                          {"End_Time", "'2024-03-31 02:59:59'"}})
                   + CopiedRow(QStringLiteral("Statistic_Alarms"), {{"Time", "'2024-03-31 02:30:00'"}}));
    const QString old = QStringLiteral("Start_Time < '2024-04-01'");
    const QStringList callColumns = ColumnsOf(product.statistics(), QStringLiteral("Statistic_Call"));
    const QStringList alarmColumns = ColumnsOf(product.statistics(), QStringLiteral("Statistic_Alarms"));
    const QStringList calls = RowTexts(product.statistics(), QStringLiteral("Statistic_Call"), callColumns, old);
    const QStringList alarms = RowTexts(product.statistics(), QStringLiteral("Statistic_Alarms"), alarmColumns,
                                        QStringLiteral("Time < '2024-04-01'"));

    QProcessEnvironment env;
    env.insert(QStringLiteral("TZ"), QStringLiteral("Europe/Berlin"));
    CleanupProcess run(QStringLiteral(QELCLEANUP_TEST_CHILD),
                       QStringList{"--before", "2024-04-01", "--set", "BackupType=1"} + Settings(), configHome(), {}, env);
    const CleanupProcess::Outcome outcome = run.Finish();
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();

    EXPECT_EQ(RowDifference(calls, RowTexts(product.backup(), QStringLiteral("Statistic_Call"), callColumns)), QString());
    EXPECT_EQ(RowDifference(alarms, RowTexts(product.backup(), QStringLiteral("Statistic_Alarms"), alarmColumns)),
              QString());
    EXPECT_EQ(Count(product.backup(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE CallID = 900001 AND "
                                                     "Start_Time = '2024-03-31 02:30:00'")),
              1);
}
