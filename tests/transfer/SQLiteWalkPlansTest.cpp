#include "cleanup/transfer/TransferStatements.h"
#include "cleanup/transfer/WalkKey.h"
#include "db/Catalog.h"
#include "db/Connection.h"
#include "db/Result.h"

#include "tests/support/TempDatabases.h"

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

namespace Sql = TransferStatements;

namespace {

// SQLite's plan for a statement, one line per step.
QStringList PlanOf(Connection& connection, const QString& sql)
{
    QStringList steps;
    for (Result plan(connection, QStringLiteral("EXPLAIN QUERY PLAN ") + sql); plan.Next();)
        steps << plan.Value(3).text();
    return steps;
}

} // namespace

// Every statement a batch walk sends while the product's writers wait reads
// only the rows of its window: none scans the table. A scan of a large
// table holds the file for as long as it takes, and a writer's commit waits
// that long.
TEST(SQLiteWalkPlans, NoStatementOfTheWalkScansTheTable)
{
    TempDatabases temp;
    auto connection = Connection::Open(temp.connection(QStringLiteral("plans.db")));
    connection->Execute(QStringLiteral("CREATE TABLE Calls (CallID int NOT NULL, Start_Time datetime NULL)"));
    connection->Execute(QStringLiteral("CREATE TABLE Keyed (ID int NOT NULL, Part int NOT NULL, Note text, "
                                       "PRIMARY KEY (ID, Part)) WITHOUT ROWID"));
    Catalog catalog(*connection);
    for (const QString& table : {QStringLiteral("Calls"), QStringLiteral("Keyed")}) {
        const WalkKey key = FindWalkKey(*connection, catalog, table, QString());
        const QStringList after = key.columns.size() == 1 ? QStringList{QStringLiteral("5")}
                                                          : QStringList{QStringLiteral("5"), QStringLiteral("2")};
        QStringList statements{Sql::SQLiteWindowEnd(table, key, after, 4000),
                               Sql::SQLiteDeleteRange(table, key, QStringLiteral("1 = 1"), KeyRange{after, after})};
        if (key.columns.size() == 1)
            statements << Sql::SQLiteKeyBounds(table, key);
        for (const QString& sql : statements)
            for (const QString& step : PlanOf(*connection, sql))
                EXPECT_FALSE(step.startsWith(QLatin1String("SCAN ") + table)) << sql.toStdString() << "\n"
                                                                               << step.toStdString();
    }
}

// The reads before the first delete walk too: the calls a run takes, the
// check of the date columns, and the counts of a preview each read one
// window of the table along its key, even where an index of the column they
// compare would tempt SQLite to read that index whole in every window.
TEST(SQLiteWalkPlans, TheCallSetTheDateCheckAndThePreviewsCountsReadOneWindowAlongTheKey)
{
    TempDatabases temp;
    auto connection = Connection::Open(temp.connection(QStringLiteral("plans.db")));
    connection->Execute(QStringLiteral("CREATE TABLE Statistic_Call (CallID int NOT NULL, TaskID int, Start_Time datetime)"));
    connection->Execute(QStringLiteral("CREATE INDEX Started ON Statistic_Call (Start_Time)"));
    connection->Execute(QStringLiteral("CREATE INDEX Tasks ON Statistic_Call (TaskID, CallID)"));
    connection->Execute(QStringLiteral("ANALYZE"));
    for (const QString& sql : Sql::CreateCallSet(connection->dialect()))
        connection->Execute(sql);
    Catalog catalog(*connection);
    const WalkKey key = FindWalkKey(*connection, catalog, QStringLiteral("Statistic_Call"), QString());
    const KeyRange range{{QStringLiteral("4000")}, {QStringLiteral("8000")}};
    const QString window = WalkStatements::RangeCondition(connection->dialect(), key, range);
    const QStringList statements{
        Sql::SQLiteAddRangeToCallSet(key, Sql::CallsBeforeDate(QStringLiteral("'2024-03-05'")), range),
        Sql::SQLiteAddRangeToCallSet(key, Sql::SurveyCondition(QStringLiteral("TaskID"), {3, 4}), range),
        Sql::SQLiteDateFormOffender(QStringLiteral("Statistic_Call"), QStringLiteral("Start_Time"), QDate(2024, 3, 5), window),
        Sql::SQLiteCountRange(QStringLiteral("Statistic_Call"), key, Sql::CallsBeforeDate(QStringLiteral("'2024-03-05'")), range),
        Sql::SQLiteCountRange(QStringLiteral("Statistic_Call"), key, Sql::SurveyCondition(QStringLiteral("TaskID"), {3, 4}), range)};
    for (const QString& sql : statements) {
        const QStringList plan = PlanOf(*connection, sql);
        const auto read = std::find_if(plan.begin(), plan.end(),
                                       [](const QString& step) { return step.contains(QLatin1String("Statistic_Call")); });
        ASSERT_NE(read, plan.end()) << sql.toStdString();
        EXPECT_TRUE(read->startsWith(QLatin1String("SEARCH Statistic_Call USING INTEGER PRIMARY KEY")))
            << sql.toStdString() << "\n" << plan.join('\n').toStdString();
    }
}
