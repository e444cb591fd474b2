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
