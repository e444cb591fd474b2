#include "cleanup/RunSummary.h"
#include "core/NumberText.h"
#include "core/RunProgress.h"

#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace qel;

namespace {

TableProgress Table(int stage, const char* name, long long done, long long total, double seconds)
{
    TableProgress progress;
    progress.stage = stage;
    progress.table = QLatin1String(name);
    progress.done = done;
    progress.total = total;
    progress.seconds = seconds;
    return progress;
}

} // namespace

// The progress of a run is the sum over its tables, against the one total
// the preview counted, whatever each table says of itself.
TEST(RunProgressTest, AddsTheTablesAndTheirPartsUpAgainstTheRunsTotal)
{
    RunProgress run;
    run.Begin(100);
    EXPECT_EQ(run.Add(Table(1, "Statistic_Agent", 10, 30, 0.1)).done, 10);
    TableProgress p = run.Add(Table(1, "Statistic_Agent", 30, 30, 0.2));
    EXPECT_EQ(p.done, 30);
    EXPECT_EQ(p.total, 100) << "the run's total, not the table's";
    EXPECT_EQ(p.table, QStringLiteral("Statistic_Agent"));
    p = run.Add(Table(2, "Statistic_Call", 5, 70, 0.0));
    EXPECT_EQ(p.done, 35);
    EXPECT_EQ(p.stage, 2);
    // A long survey list goes in parts: the same table and stage, its count
    // and clock starting again; the rows come on top of the earlier part's.
    run.Add(Table(2, "Statistic_Call", 40, 70, 0.3));
    p = run.Add(Table(2, "Statistic_Call", 20, 30, 0.1));
    EXPECT_EQ(p.done, 90);
    p = run.Add(Table(3, "Statistic_Pause", 20, 20, 0.1));
    EXPECT_EQ(p.done, 110);
    EXPECT_EQ(p.total, 110) << "never below what is done";

    run.Begin(-1); // nothing counted: no total, no time left
    p = run.Add(Table(1, "Statistic_Agent", 7, 30, 0.1));
    EXPECT_EQ(p.done, 7);
    EXPECT_LT(p.total, 0);
    EXPECT_LT(p.secondsLeft(), 0);
    EXPECT_TRUE(ProgressDetailText(p).startsWith(QStringLiteral("7 rows"))) << ProgressDetailText(p).toStdString();
}

TEST(RunProgressTest, CountsAndTimesReadTheSameOnEveryMachine)
{
    EXPECT_EQ(CountText(0), QStringLiteral("0"));
    EXPECT_EQ(CountText(999), QStringLiteral("999"));
    EXPECT_EQ(CountText(1994), QStringLiteral("1,994"));
    EXPECT_EQ(CountText(1234567890123LL), QStringLiteral("1,234,567,890,123"));
    EXPECT_EQ(CountText(-4985), QStringLiteral("-4,985"));
    EXPECT_EQ(ElapsedText(0.4), QStringLiteral("0.4 s"));
    EXPECT_EQ(ElapsedText(59.94), QStringLiteral("59.9 s"));
    EXPECT_EQ(ElapsedText(59.96), QStringLiteral("1 min 00 s"));
    EXPECT_EQ(ElapsedText(125), QStringLiteral("2 min 05 s"));
    EXPECT_EQ(ElapsedText(3720), QStringLiteral("1 h 02 min"));
    EXPECT_EQ(ElapsedText(-1), QStringLiteral("0.0 s"));

    TableProgress p = Table(1, "Statistic_Call", 12000, 40000, 4);
    EXPECT_EQ(ProgressDetailText(p), QStringLiteral("12,000 of 40,000 rows, 3,000 rows/s, 0:10 left"));
}

TEST(RunProgressTest, TheSummarySaysWhatTheRunDeletedCopiedAndDroppedHowLongItTookAndItsRate)
{
    RunOutcome outcome;
    RunOutcome::Table& call = outcome.TableEntry(QStringLiteral("Statistic_Call"));
    call.deleted = 1994;
    call.copied = 1994;
    RunOutcome::Table& agents = outcome.TableEntry(QStringLiteral("Agents")); // copied whole, not a deleted row
    agents.copied = 50;
    EXPECT_EQ(RunSummaryText(outcome, {true, true}, 0.4),
              QStringLiteral("Deleted 1,994 rows (1,994 copied to the backup) in 0.4 s, 4,985 rows/s"));
    EXPECT_EQ(RunSummaryText(outcome, {true, false}, 0.4), QStringLiteral("Deleted 1,994 rows in 0.4 s, 4,985 rows/s"));

    outcome.droppedTables = QStringList{QStringLiteral("A"), QStringLiteral("B")};
    EXPECT_EQ(RunSummaryText(outcome, {true, false}, 2), QStringLiteral("Deleted 1,994 rows, dropped 2 tables in 2.0 s, 997 rows/s"));

    RunOutcome drops;
    drops.droppedTables = QStringList{QStringLiteral("A")};
    EXPECT_EQ(RunSummaryText(drops, {false, false}, 0.05), QStringLiteral("Dropped 1 table in 0.1 s"));
    EXPECT_EQ(RunSummaryText(RunOutcome(), {false, false}, 0), QStringLiteral("Dropped 0 tables in 0.0 s"));
    EXPECT_EQ(RunSummaryText(RunOutcome(), {true, true}, 1), QStringLiteral("Deleted 0 rows (0 copied to the backup) in 1.0 s"));
}
