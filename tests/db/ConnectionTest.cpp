#include <Connection.h>
#include <DatabaseError.h>
#include <ErrorReport.h>
#include <Recordset.h>

#include <RecordingFeedback.h>
#include <TempDatabases.h>

#include <QElapsedTimer>

#include <gtest/gtest.h>

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
    auto c = OpenConnection(temp.connection(QStringLiteral("a.db")), 30);
    EXPECT_EQ(c->dbmsName(), QStringLiteral("SQLite"));
    EXPECT_TRUE(c->dialect().isSQLite());
    EXPECT_EQ(c->commandTimeout(), 30);
}

TEST_F(ConnectionTest, ExecuteReportsAffectedRows)
{
    auto c = OpenConnection(temp.connection(QStringLiteral("a.db")));
    c->Execute(QStringLiteral("CREATE TABLE t (id int, name varchar(20))"));
    EXPECT_EQ(ExecuteStatement(*c, QStringLiteral("INSERT INTO t VALUES (1,'a'),(2,'b'),(3,'c')")), 3);
    EXPECT_EQ(ExecuteStatement(*c, QStringLiteral("DELETE  FROM t WHERE id in (SELECT id FROM t WHERE id < 3)")), 2);
    EXPECT_EQ(ExecuteStatement(*c, QStringLiteral("DELETE  FROM t WHERE id > 100")), 0);
}

TEST_F(ConnectionTest, DriverThatIsNotInstalledIsADatabaseError)
{
    const auto e = CatchError([] { OpenConnection(QStringLiteral("Driver=No Such Driver;Database=x")); });
    EXPECT_FALSE(e.source().isEmpty());
    EXPECT_TRUE(e.description().contains(QLatin1String("No Such Driver"))) << e.description().toStdString();
}

TEST_F(ConnectionTest, SQLiteFileInAMissingFolderIsADatabaseError)
{
    const auto e = CatchError([&] { OpenConnection(temp.connection(QStringLiteral("no/such/folder/x.db"))); });
    EXPECT_EQ(e.source(), QStringLiteral("SQLite"));
    EXPECT_FALSE(e.description().isEmpty());
}

TEST_F(ConnectionTest, SyntaxErrorIsADatabaseErrorAndTheConnectionStaysUsable)
{
    auto c = OpenConnection(temp.connection(QStringLiteral("a.db")));
    const auto e = CatchError([&] { c->Execute(QStringLiteral("DELETE FROM WHERE")); });
    EXPECT_EQ(e.source(), QStringLiteral("SQLite"));
    EXPECT_TRUE(e.description().contains(QLatin1String("syntax error"))) << e.description().toStdString();
    EXPECT_NO_THROW(c->Execute(QStringLiteral("CREATE TABLE ok (x int)")));
}

TEST_F(ConnectionTest, NegativeCommandTimeoutIsRefusedBeforeAnythingOpens)
{
    const auto e = CatchError([&] { OpenConnection(temp.connection(QStringLiteral("a.db")), -5); });
    EXPECT_TRUE(e.description().contains(QLatin1String("-5")));
    EXPECT_FALSE(QFile::exists(temp.path(QStringLiteral("a.db"))));
}

TEST_F(ConnectionTest, LockHeldByAnotherConnectionTimesOutAfterTheCommandTimeout)
{
    const QString db = temp.connection(QStringLiteral("locked.db"));
    auto holder = OpenConnection(db);
    holder->Execute(QStringLiteral("CREATE TABLE t (x int)"));
    holder->SetAutoCommit(false);
    holder->Execute(QStringLiteral("INSERT INTO t VALUES (1)")); // holds the write lock

    auto waiter = OpenConnection(db, 1);
    QElapsedTimer timer;
    timer.start();
    const auto e = CatchError([&] { waiter->Execute(QStringLiteral("INSERT INTO t VALUES (2)")); });
    EXPECT_LT(timer.elapsed(), 20000);
    EXPECT_GE(timer.elapsed(), 900);
    EXPECT_TRUE(e.description().contains(QLatin1String("locked"))) << e.description().toStdString();
    holder->Commit();
    holder->SetAutoCommit(true);
    EXPECT_NO_THROW(waiter->Execute(QStringLiteral("INSERT INTO t VALUES (3)")));
}

TEST_F(ConnectionTest, FreeTdsAgainstAClosedPortReportsTheDriversText)
{
    const auto e = CatchError([] {
        OpenConnection(QStringLiteral("Driver=FreeTDS;Server=127.0.0.1;Port=1;Database=x;UID=a;PWD=b;TDS_Version=7.4"), 5);
    });
    EXPECT_TRUE(e.source().contains(QLatin1String("FreeTDS"))) << e.source().toStdString();
    EXPECT_TRUE(e.description().contains(QLatin1String("Unable to connect"))) << e.description().toStdString();
}

TEST_F(ConnectionTest, ReportShowsContextSourceAndDescriptionThroughTheFeedback)
{
    RecordingFeedback feedback;
    ReportDatabaseError(feedback, QStringLiteral("DoSQLCleanup"),
                        DatabaseError(QStringLiteral("SQLite"), QStringLiteral("no such table: x")));
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_EQ(feedback.messages[0].text, QStringLiteral("ADO error in DoSQLCleanup ('SQLite' : 'no such table: x')"));
    EXPECT_EQ(feedback.messages[0].kind, MessageKind::DatabaseError);
}

class RecordsetTest : public ConnectionTest {
protected:
    void SetUp() override
    {
        c = OpenConnection(temp.connection(QStringLiteral("r.db")));
        c->Execute(QStringLiteral("CREATE TABLE v (s smallint, i int, b bigint, t tinyint, f bit, r real, d float, "
                                  "n numeric, dt datetime, txt varchar(300), w nvarchar(20), bin blob)"));
    }
    std::unique_ptr<Connection> c;
};

TEST_F(RecordsetTest, EmptyResultIsAtEndAtOnce)
{
    auto rs = OpenRecordset(*c, QStringLiteral("SELECT * FROM v"));
    EXPECT_TRUE(rs->IsEOF());
    EXPECT_EQ(rs->RecordCount(), 0);
    EXPECT_THROW(rs->ReadField(0), DatabaseError);
}

TEST_F(RecordsetTest, NullsOfEveryTypeReadAsNullAndGiveEmptyText)
{
    c->Execute(QStringLiteral("INSERT INTO v VALUES (NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL)"));
    auto rs = OpenRecordset(*c, QStringLiteral("SELECT * FROM v"));
    ASSERT_FALSE(rs->IsEOF());
    for (int i = 0; i < rs->FieldCount(); ++i) {
        EXPECT_TRUE(rs->ReadField(i).isNull()) << "field " << i;
        EXPECT_EQ(VariantToText(rs->ReadField(i)), QString()) << "field " << i;
    }
}

TEST_F(RecordsetTest, ValuesCarryTheirTypesAndConvertToText)
{
    c->Execute(QStringLiteral("INSERT INTO v VALUES (-7, 123456, 9000000000, 200, 1, 1.5, 2.25, 12.5, "
                              "'2023-03-15 12:00:00', 'text', 'wide ä€', x'00ff')"));
    auto rs = OpenRecordset(*c, QStringLiteral("SELECT * FROM v"));
    ASSERT_EQ(rs->RecordCount(), 1);
    EXPECT_EQ(rs->ReadField(QStringLiteral("S")).type(), Variant::Type::Int16); // names ignore case
    EXPECT_EQ(VariantToText(rs->ReadField(0)), QStringLiteral("-7"));
    EXPECT_EQ(VariantToText(rs->ReadField(1)), QStringLiteral("123456"));
    EXPECT_EQ(rs->ReadField(2).type(), Variant::Type::Int64);
    EXPECT_EQ(VariantToText(rs->ReadField(2)), QString()); // 64-bit integers give no text
    EXPECT_EQ(rs->ReadField(3).type(), Variant::Type::UInt8);
    EXPECT_EQ(rs->ReadField(4).type(), Variant::Type::Bool);
    EXPECT_EQ(VariantToText(rs->ReadField(4)), QStringLiteral("1"));
    EXPECT_EQ(VariantToText(rs->ReadField(5)), QString()); // floating point gives no text
    EXPECT_EQ(VariantToText(rs->ReadField(6)), QString());
    EXPECT_EQ(rs->ReadField(6).real(), 2.25);
    EXPECT_EQ(rs->ReadField(8).type(), Variant::Type::Date);
    EXPECT_EQ(VariantToText(rs->ReadField(8)), QStringLiteral("45000.5")); // noon of 15 March 2023
    EXPECT_EQ(VariantToText(rs->ReadField(9)), QStringLiteral("text"));
    EXPECT_EQ(rs->ReadField(10).text(), QStringLiteral("wide ä€"));
    EXPECT_EQ(rs->ReadField(11).bytes(), QByteArray("\x00\xff", 2));
    EXPECT_THROW(rs->ReadField(QStringLiteral("missing")), DatabaseError);
    rs->MoveNext();
    EXPECT_TRUE(rs->IsEOF());
}

TEST_F(RecordsetTest, FalseBooleanAndLongTextRoundTrip)
{
    const QString longText(5000, QLatin1Char('x'));
    c->Execute(QStringLiteral("INSERT INTO v (f, txt) VALUES (0, '%1')").arg(longText));
    auto rs = OpenRecordset(*c, QStringLiteral("SELECT f, txt FROM v"));
    EXPECT_EQ(VariantToText(rs->ReadField(0)), QStringLiteral("0"));
    EXPECT_EQ(rs->ReadField(1).text(), longText);
}

TEST_F(RecordsetTest, TablesSchemaListsTablesAndViews)
{
    c->Execute(QStringLiteral("CREATE VIEW vv AS SELECT * FROM v"));
    auto rs = Recordset::OpenTablesSchema(*c);
    QStringList seen;
    for (; !rs->IsEOF(); rs->MoveNext())
        seen << rs->ReadField(QStringLiteral("TABLE_NAME")).text() + QLatin1Char(':')
                + rs->ReadField(QStringLiteral("TABLE_TYPE")).text();
    EXPECT_TRUE(seen.contains(QStringLiteral("v:TABLE"))) << seen.join(',').toStdString();
    EXPECT_TRUE(seen.contains(QStringLiteral("vv:VIEW"))) << seen.join(',').toStdString();
}
