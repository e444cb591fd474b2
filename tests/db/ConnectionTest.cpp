#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Result.h"
#include "db/Transaction.h"

#include "tests/support/RecordingFeedback.h"
#include "tests/support/TempDatabases.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

namespace {

DatabaseError CatchError(const std::function<void()>& action)
{
    try {
        action();
    } catch (const DatabaseError& e) {
        return e;
    }
    ADD_FAILURE() << "no DatabaseError was raised";
    return DatabaseError({}, {});
}

} // namespace

TEST(CommandTimeoutRule, ReadsTheLeadingIntegerAsTheCLibraryDoes)
{
    EXPECT_EQ(CommandTimeout(QStringLiteral("0")), 300);
    EXPECT_EQ(CommandTimeout(QString()), 300);
    EXPECT_EQ(CommandTimeout(QStringLiteral("abc")), 300);
    EXPECT_EQ(CommandTimeout(QStringLiteral("  45x")), 45);
    EXPECT_EQ(CommandTimeout(QStringLiteral("+12")), 12);
    EXPECT_EQ(CommandTimeout(QStringLiteral("-5")), -5);
    EXPECT_EQ(CommandTimeout(QStringLiteral("600")), 600);
    EXPECT_EQ(CommandTimeout(QStringLiteral("99999999999")), INT_MAX);
}

class ConnectionTest : public ::testing::Test {
protected:
    TempDatabases temp;
};

TEST_F(ConnectionTest, OpensSQLiteAndKnowsItsDialect)
{
    auto c = Connection::Open(temp.connection(QStringLiteral("a.db")), 30);
    EXPECT_EQ(c->dbmsName(), QStringLiteral("SQLite"));
    EXPECT_TRUE(c->dialect().isSQLite());
    EXPECT_EQ(c->commandTimeout(), 30);
}

TEST_F(ConnectionTest, ExecuteReportsAffectedRows)
{
    auto c = Connection::Open(temp.connection(QStringLiteral("a.db")));
    c->Execute(QStringLiteral("CREATE TABLE t (id int, name varchar(20))"));
    EXPECT_EQ(c->Execute(QStringLiteral("INSERT INTO t VALUES (1,'a'),(2,'b'),(3,'c')")), 3);
    EXPECT_EQ(c->Execute(QStringLiteral("DELETE  FROM t WHERE id in (SELECT id FROM t WHERE id < 3)")), 2);
    EXPECT_EQ(c->Execute(QStringLiteral("DELETE  FROM t WHERE id > 100")), 0);
}

// The SQLite driver takes narrow strings only; the driver manager's own
// conversion of a wide one garbled letters beyond ASCII into another path.
TEST_F(ConnectionTest, ASQLiteFileNamedWithAnyLettersIsTheFileOpened)
{
    const QString folder = temp.path(TempDatabases::AwkwardName());
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString name = QStringLiteral("stätistik € 調査 'q.db");
    Connection::Open(SQLiteConnection(folder + QLatin1Char('/') + name))->Execute(QStringLiteral("CREATE TABLE t (x int)"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{name});
}

TEST_F(ConnectionTest, DriverThatIsNotInstalledIsADatabaseError)
{
    const auto e = CatchError([] { Connection::Open(QStringLiteral("Driver=No Such Driver;Database=x")); });
    EXPECT_FALSE(e.source().isEmpty());
    EXPECT_TRUE(e.description().contains(QLatin1String("No Such Driver"))) << e.description().toStdString();
}

TEST_F(ConnectionTest, SQLiteFileInAMissingFolderIsADatabaseError)
{
    const auto e = CatchError([&] { Connection::Open(temp.connection(QStringLiteral("no/such/folder/x.db"))); });
    EXPECT_EQ(e.source(), QStringLiteral("SQLite"));
    EXPECT_FALSE(e.description().isEmpty());
}

TEST_F(ConnectionTest, SyntaxErrorIsADatabaseErrorAndTheConnectionStaysUsable)
{
    auto c = Connection::Open(temp.connection(QStringLiteral("a.db")));
    const auto e = CatchError([&] { c->Execute(QStringLiteral("DELETE FROM WHERE")); });
    EXPECT_EQ(e.source(), QStringLiteral("SQLite"));
    EXPECT_TRUE(e.description().contains(QLatin1String("syntax error"))) << e.description().toStdString();
    EXPECT_NO_THROW(c->Execute(QStringLiteral("CREATE TABLE ok (x int)")));
}

TEST_F(ConnectionTest, NegativeCommandTimeoutIsRefusedBeforeAnythingOpens)
{
    const auto e = CatchError([&] { Connection::Open(temp.connection(QStringLiteral("a.db")), -5); });
    EXPECT_TRUE(e.description().contains(QLatin1String("-5")));
    EXPECT_FALSE(QFile::exists(temp.path(QStringLiteral("a.db"))));
}

TEST_F(ConnectionTest, LockHeldByAnotherConnectionTimesOutAfterTheCommandTimeout)
{
    const QString db = temp.connection(QStringLiteral("locked.db"));
    auto holder = Connection::Open(db);
    holder->Execute(QStringLiteral("CREATE TABLE t (x int)"));
    auto holding = std::make_unique<Transaction>(*holder);
    holder->Execute(QStringLiteral("INSERT INTO t VALUES (1)")); // holds the write lock

    auto waiter = Connection::Open(db, 1);
    QElapsedTimer timer;
    timer.start();
    const auto e = CatchError([&] { waiter->Execute(QStringLiteral("INSERT INTO t VALUES (2)")); });
    EXPECT_LT(timer.elapsed(), 20000);
    EXPECT_GE(timer.elapsed(), 900);
    EXPECT_TRUE(e.description().contains(QLatin1String("locked"))) << e.description().toStdString();
    holding->Commit();
    EXPECT_NO_THROW(waiter->Execute(QStringLiteral("INSERT INTO t VALUES (3)")));
}

TEST_F(ConnectionTest, FreeTdsAgainstAClosedPortReportsTheDriversText)
{
    const auto e = CatchError([] {
        Connection::Open(QStringLiteral("Driver=FreeTDS;Server=127.0.0.1;Port=1;Database=x;UID=a;PWD=b;TDS_Version=7.4"), 5);
    });
    EXPECT_TRUE(e.source().contains(QLatin1String("FreeTDS"))) << e.source().toStdString();
    EXPECT_TRUE(e.description().contains(QLatin1String("Unable to connect"))) << e.description().toStdString();
}

class ResultTest : public ConnectionTest {
protected:
    void SetUp() override
    {
        c = Connection::Open(temp.connection(QStringLiteral("r.db")));
        c->Execute(QStringLiteral("CREATE TABLE v (s smallint, i int, b bigint, t tinyint, f bit, r real, d float, "
                                  "n numeric, dt datetime, txt varchar(300), w nvarchar(20), bin blob)"));
    }
    std::unique_ptr<Connection> c;
};

TEST_F(ResultTest, EmptyResultHasNoRowAndNoValue)
{
    Result rows(*c, QStringLiteral("SELECT * FROM v"));
    EXPECT_EQ(rows.ColumnCount(), 12);
    EXPECT_THROW(rows.Value(0), DatabaseError);
    EXPECT_FALSE(rows.Next());
    EXPECT_THROW(rows.Value(0), DatabaseError);
}

TEST_F(ResultTest, NullsOfEveryTypeReadAsNullAndGiveEmptyText)
{
    c->Execute(QStringLiteral("INSERT INTO v VALUES (NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL)"));
    Result rows(*c, QStringLiteral("SELECT * FROM v"));
    ASSERT_TRUE(rows.Next());
    for (int i = 0; i < rows.ColumnCount(); ++i) {
        EXPECT_TRUE(rows.Value(i).isNull()) << "field " << i;
        EXPECT_EQ(FieldText(rows.Value(i)), QString()) << "field " << i;
    }
}

TEST_F(ResultTest, ValuesCarryTheirTypesAndConvertToText)
{
    c->Execute(QStringLiteral("INSERT INTO v VALUES (-7, 123456, 9000000000, 200, 1, 1.5, 2.25, 12.5, "
                              "'2023-03-15 12:00:00', 'text', 'wide ä€', x'00ff')"));
    Result rows(*c, QStringLiteral("SELECT * FROM v"));
    ASSERT_TRUE(rows.Next());
    EXPECT_EQ(rows.Value(QStringLiteral("S")).type(), FieldValue::Type::Int16); // names ignore case
    EXPECT_EQ(FieldText(rows.Value(0)), QStringLiteral("-7"));
    EXPECT_EQ(FieldText(rows.Value(1)), QStringLiteral("123456"));
    EXPECT_EQ(rows.Value(2).type(), FieldValue::Type::Int64);
    EXPECT_EQ(FieldText(rows.Value(2)), QString()); // 64-bit integers give no text
    EXPECT_EQ(rows.Value(3).type(), FieldValue::Type::UInt8);
    EXPECT_EQ(rows.Value(4).type(), FieldValue::Type::Bool);
    EXPECT_EQ(FieldText(rows.Value(4)), QStringLiteral("1"));
    EXPECT_EQ(FieldText(rows.Value(5)), QString()); // floating point gives no text
    EXPECT_EQ(FieldText(rows.Value(6)), QString());
    EXPECT_EQ(rows.Value(6).real(), 2.25);
    EXPECT_EQ(rows.Value(8).type(), FieldValue::Type::DateTime);
    EXPECT_EQ(FieldText(rows.Value(8)), QStringLiteral("45000.5")); // noon of 15 March 2023
    EXPECT_EQ(FieldText(rows.Value(9)), QStringLiteral("text"));
    EXPECT_EQ(rows.Value(10).text(), QStringLiteral("wide ä€"));
    EXPECT_EQ(rows.Value(11).bytes(), QByteArray("\x00\xff", 2));
    EXPECT_THROW(rows.Value(QStringLiteral("missing")), DatabaseError);
    EXPECT_FALSE(rows.Next());
}

TEST_F(ResultTest, FalseBooleanAndLongTextRoundTrip)
{
    const QString longText(5000, QLatin1Char('x'));
    c->Execute(QStringLiteral("INSERT INTO v (f, txt) VALUES (0, '%1')").arg(longText));
    Result rows(*c, QStringLiteral("SELECT f, txt FROM v"));
    ASSERT_TRUE(rows.Next());
    EXPECT_EQ(FieldText(rows.Value(0)), QStringLiteral("0"));
    EXPECT_EQ(rows.Value(1).text(), longText);
}

TEST_F(ResultTest, TablesSchemaListsTablesAndViews)
{
    c->Execute(QStringLiteral("CREATE VIEW vv AS SELECT * FROM v"));
    QStringList seen;
    for (Result rows = Result::Tables(*c); rows.Next();)
        seen << rows.Value(QStringLiteral("TABLE_NAME")).text() + QLatin1Char(':')
                + rows.Value(QStringLiteral("TABLE_TYPE")).text();
    EXPECT_TRUE(seen.contains(QStringLiteral("v:TABLE"))) << seen.join(',').toStdString();
    EXPECT_TRUE(seen.contains(QStringLiteral("vv:VIEW"))) << seen.join(',').toStdString();
}
