#include "tests/support/AwkwardShapes.h"

#include "db/Connection.h"
#include "db/Statement.h"
#include "fixtures/ProductDatabases.h"

#include <QStringList>

#include <cmath>
#include <cstring>
#include <random>

namespace qel::test {

namespace {

// Doubles of random bits, NaN left out (SQLite keeps no NaN), bound as
// doubles so that each arrives bit for bit.
void AddRandomDoubles(Connection& c, int count, const QString& oldTime)
{
    std::mt19937_64 bits(20261208);
    Statement insert(c);
    insert.Prepare(QStringLiteral("INSERT INTO Statistic_Predictive (TaskID, StartTime, DialRatio) VALUES (-1, '%1', ?)")
                       .arg(oldTime));
    double value = 0;
    SQLLEN length = 0;
    insert.Check(SQLBindParameter(insert.handle(), 1, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0, &value, 0, &length),
                 "SQLBindParameter");
    for (int i = 0; i < count;) {
        const std::uint64_t pattern = bits();
        std::memcpy(&value, &pattern, sizeof value);
        if (std::isnan(value))
            continue;
        insert.Execute();
        ++i;
    }
}

} // namespace

void ReshapeStatistics(const QString& connection, int randomDoubles, const QDate& cutoff)
{
    auto c = Connection::Open(connection);
    const QString day = cutoff.toString(Qt::ISODate);
    const QString oldTime = cutoff.addDays(-3).toString(Qt::ISODate) + QStringLiteral(" 10:00:00");
    // Calls past 2^31, and Statistic_Call keyed by them as its rowid.
    ExecuteAll(*c, {
        QStringLiteral("CREATE TABLE Calls (CallID INTEGER PRIMARY KEY, TaskID int NULL, Start_Time datetime NULL, "
                       "End_Time datetime NULL, Duration bigint NULL, Direction varchar(10) NULL, Completed bit NULL, "
                       "CallerName nvarchar(255) NULL, Remarks text NULL, Score double precision NULL)"),
        QStringLiteral("INSERT INTO Calls SELECT CallID + 5000000000, TaskID, Start_Time, End_Time, Duration, Direction, "
                       "Completed, CallerName, Remarks, Score FROM Statistic_Call"),
        QStringLiteral("DROP TABLE Statistic_Call"),
        QStringLiteral("ALTER TABLE Calls RENAME TO Statistic_Call"),
    });
    for (const char* table : {"Statistic_Agent", "Statistic_ExternalNumber", "Statistic_InboundGroup", "Statistic_Location",
                              "Statistic_OutboundGroup", "Statistic_Project", "Statistic_RoutePath", "Statistic_Transfer"})
        c->Execute(QStringLiteral("UPDATE %1 SET CallID = CallID + 5000000000").arg(QLatin1String(table)));
    c->Execute(QStringLiteral("UPDATE Statistic_TransferMC SET CallID1 = CallID1 + 5000000000, CallID2 = CallID2 + 5000000000"));

    ExecuteAll(*c, {
        // rowids past 2^31, and one at the smallest there is
        QStringLiteral("UPDATE Statistic_Agent SET rowid = rowid + 2147483547"),
        QStringLiteral("UPDATE Statistic_Agent SET rowid = -9223372036854775807 WHERE rowid = (SELECT max(rowid) FROM Statistic_Agent)"),
        // a column that hides the name rowid
        QStringLiteral("ALTER TABLE Statistic_Location ADD COLUMN RowID text"),
        QStringLiteral("UPDATE Statistic_Location SET RowID = CASE WHEN _rowid_ % 3 = 0 THEN NULL ELSE "
                       "printf('%08X-0000-4000-8000-%012X', (_rowid_ * 2654435761) % 4294967296, _rowid_) END"),
        // no rowid at all
        QStringLiteral("CREATE TABLE OutboundGroup (CallID int NOT NULL, Seq int NOT NULL, GroupID int NULL, "
                       "DialMode varchar(20) NULL, PRIMARY KEY (CallID, Seq)) WITHOUT ROWID"),
        QStringLiteral("INSERT INTO OutboundGroup SELECT CallID, rowid, GroupID, DialMode FROM Statistic_OutboundGroup"),
        QStringLiteral("DROP TABLE Statistic_OutboundGroup"),
        QStringLiteral("ALTER TABLE OutboundGroup RENAME TO Statistic_OutboundGroup"),
        // far rowids, with nothing between
        QStringLiteral("INSERT INTO Statistic_RoutePath (rowid, CallID, Step, RouteText) SELECT 3000000000000, CallID, 98, "
                       "'far, old' FROM Statistic_Call WHERE Start_Time < '%1' ORDER BY CallID LIMIT 1").arg(day),
        QStringLiteral("INSERT INTO Statistic_RoutePath (rowid, CallID, Step, RouteText) SELECT 4000000000000, CallID, 99, "
                       "'far, new' FROM Statistic_Call WHERE Start_Time >= '%1' ORDER BY CallID LIMIT 1").arg(day),
        // rows alike in every value
        QStringLiteral("INSERT INTO Statistic_Alarms SELECT * FROM Statistic_Alarms WHERE Time < '%1'").arg(day),
        QStringLiteral("INSERT INTO Statistic_Alarms SELECT * FROM Statistic_Alarms WHERE Time < '%1' AND AlarmID % 5 = 0 "
                       "LIMIT 10").arg(day),
        // every storage class, whatever the declared type
        QStringLiteral("ALTER TABLE Statistic_Messages ADD COLUMN Payload blob"),
        QStringLiteral("ALTER TABLE Statistic_Messages ADD COLUMN Anything"),
        QStringLiteral("INSERT INTO Statistic_Messages (MessageID, MessageTime, Body, Payload, Anything) VALUES "
                       "(9223372036854775807, '%1', 'x' || char(0) || 'y', 7, 9e999), "
                       "(-9223372036854775808, '%1', x'DEADBEEF', 2.5, -9e999), "
                       "('not a number', '%1', printf('%.20000c', 'w'), 'text', 4.9406564584124654e-324), "
                       "(x'0102', '%1', '', x'00', 2.2250738585072014e-308), "
                       "(1.5, '%1', NULL, NULL, 1.7976931348623157e308), "
                       "(0, '%1', char(252, 8364, 35519, 128512), -9223372036854775808, -0.0)")
            .arg(oldTime),
    });
    AddRandomDoubles(*c, randomDoubles, oldTime);
}

} // namespace qel::test
