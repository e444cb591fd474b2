#include "db/Catalog.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Dialect.h"
#include "db/Result.h"
#include "tests/support/TempDatabases.h"

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

namespace {

ColumnDefinition Column(const char* name, ColumnType type, int size, int precision = 0, int scale = 0)
{
    ColumnDefinition c;
    c.name = QLatin1String(name);
    c.type = type;
    c.definedSize = size;
    c.precision = precision;
    c.scale = scale;
    return c;
}

} // namespace

class CatalogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        c = Connection::Open(temp.connection(QStringLiteral("c.db")));
        catalog = std::make_unique<Catalog>(*c);
    }
    TempDatabases temp;
    std::unique_ptr<Connection> c;
    std::unique_ptr<Catalog> catalog;
};

TEST_F(CatalogTest, EveryTypeTheBackupCreatesReadsBackWithTheSameTypeAndSize)
{
    using T = ColumnType;
    const std::vector<ColumnDefinition> columns = {
        Column("narrow255", T::VarChar, 255),   Column("narrow300", T::VarChar, 300),
        Column("wide20", T::VarWChar, 20),      Column("wide256", T::VarWChar, 256),
        Column("longText", T::LongVarChar, kLongTextSize),
        Column("longWide", T::LongVarWChar, kLongWideTextSize),
        Column("accessMemo", T::LongVarWChar, 0),
        Column("fixed", T::Char, 10),           Column("fixedWide", T::WChar, 3),
        Column("stamp", T::DBTimeStamp, 16),    Column("oleDate", T::Date, 8),
        Column("day", T::DBDate, 6),            Column("flag", T::Boolean, 2),
        Column("small", T::SmallInt, 2),        Column("whole", T::Integer, 4),
        Column("big", T::BigInt, 8),            Column("tiny", T::UnsignedTinyInt, 1),
        Column("single", T::Single, 4),         Column("dbl", T::Double, 8),
        Column("money", T::Currency, 8),        Column("num", T::Numeric, 19),
        Column("raw", T::VarBinary, 50),        Column("blob", T::LongVarBinary, kLongTextSize),
        Column("guid", T::Guid, 16),
    };
    catalog->CreateTable(QStringLiteral("AllTypes"), columns);

    Catalog fresh(*c); // read back from the database, not from memory
    const auto read = fresh.Columns(QStringLiteral("AllTypes"));
    ASSERT_EQ(read.size(), columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i) {
        EXPECT_EQ(read[i].name, columns[i].name);
        EXPECT_EQ(read[i].type, columns[i].type) << columns[i].name.toStdString();
        const int expectedSize = columns[i].definedSize == 0 ? kLongWideTextSize : columns[i].definedSize;
        EXPECT_EQ(read[i].definedSize, expectedSize) << columns[i].name.toStdString();
    }
}

TEST_F(CatalogTest, DeclaredTypesOfTheProductsTablesMapToColumnTypes)
{
    using T = ColumnType;
    c->Execute(QStringLiteral("CREATE TABLE p (a int, b varchar(300), c nvarchar(20), d datetime, e bit, "
                              "f double precision, g text, h bigint, i real, j smallint, k numeric(12,4), l)"));
    const auto cols = catalog->Columns(QStringLiteral("p"));
    const std::vector<std::pair<ColumnType, int>> expected = {
        {T::Integer, 4},     {T::VarChar, 300}, {T::VarWChar, 20}, {T::DBTimeStamp, 16}, {T::Boolean, 2},
        {T::Double, 8},      {T::LongVarChar, kLongTextSize},      {T::BigInt, 8},       {T::Single, 4},
        {T::SmallInt, 2},    {T::Numeric, 19},  {T::LongVarChar, kLongTextSize}};
    ASSERT_EQ(cols.size(), expected.size());
    for (std::size_t i = 0; i < cols.size(); ++i) {
        EXPECT_EQ(cols[i].type, expected[i].first) << cols[i].name.toStdString();
        EXPECT_EQ(cols[i].definedSize, expected[i].second) << cols[i].name.toStdString();
    }
    EXPECT_EQ(cols[10].precision, 12);
    EXPECT_EQ(cols[10].scale, 4);
}

TEST_F(CatalogTest, ColumnsOfATableWhoseNameIsAPatternAreItsOwn)
{
    c->Execute(QStringLiteral("CREATE TABLE Statistic_Call (a int)"));
    c->Execute(QStringLiteral("CREATE TABLE StatisticXCall (b int, c int)"));
    const auto cols = catalog->Columns(QStringLiteral("Statistic_Call"));
    ASSERT_EQ(cols.size(), 1u);
    EXPECT_EQ(cols[0].name, QStringLiteral("a"));
}

TEST_F(CatalogTest, ASameNamedTableInAnotherSchemaIsNotMerged)
{
    c->Execute(QStringLiteral("CREATE TABLE Statistic_Call (CallID int, Start_Time datetime)"));
    c->Execute(QStringLiteral("ATTACH DATABASE '%1' AS archive").arg(temp.path(QStringLiteral("archive.db"))));
    c->Execute(QStringLiteral("CREATE TABLE archive.Statistic_Call (x int, y int, z int)"));
    c->Execute(QStringLiteral("CREATE TABLE archive.OnlyThere (x int)"));

    const auto entry = catalog->LookupTable(QStringLiteral("Statistic_Call"));
    EXPECT_EQ(entry.schema, QStringLiteral("main"));
    const auto cols = catalog->Columns(QStringLiteral("Statistic_Call"));
    ASSERT_EQ(cols.size(), 2u);
    EXPECT_EQ(cols[0].name, QStringLiteral("CallID"));
    EXPECT_EQ(cols[1].name, QStringLiteral("Start_Time"));

    // A table only the attached database holds is reached as SQLite
    // reaches it, and dropped there.
    EXPECT_EQ(catalog->LookupTable(QStringLiteral("OnlyThere")).schema, QStringLiteral("archive"));
    catalog->DropTable(QStringLiteral("OnlyThere"));
    Result left(*c, QStringLiteral("SELECT COUNT(*) FROM archive.sqlite_master WHERE name = 'OnlyThere'"));
    ASSERT_TRUE(left.Next());
    EXPECT_EQ(left.Value(0).toInt64(), 0);
}

TEST_F(CatalogTest, LookupAddAndDropColumns)
{
    c->Execute(QStringLiteral("CREATE TABLE t (a int, b varchar(10))"));
    catalog->AddColumn(QStringLiteral("t"), Column("c", ColumnType::VarWChar, 40));
    catalog->DropColumn(QStringLiteral("t"), QStringLiteral("b"));
    const auto cols = catalog->Columns(QStringLiteral("T")); // looked up without regard to case
    ASSERT_EQ(cols.size(), 2u);
    EXPECT_EQ(cols[1].name, QStringLiteral("c"));
    EXPECT_EQ(cols[1].type, ColumnType::VarWChar);
    EXPECT_EQ(cols[1].definedSize, 40);
    EXPECT_THROW(catalog->Columns(QStringLiteral("missing")), DatabaseError);
    EXPECT_THROW(catalog->LookupTable(QStringLiteral("missing")), DatabaseError);
}

TEST_F(CatalogTest, DropsAnyTableNameSafelyAndKeepsTheListInStep)
{
    const QString awkward = QStringLiteral("odd]name\"; DROP TABLE keep; --");
    c->Execute(QStringLiteral("CREATE TABLE keep (x int)"));
    catalog->CreateTable(awkward, {Column("x", ColumnType::Integer, 4)});
    catalog->CreateTable(QStringLiteral("with space"), {Column("x", ColumnType::Integer, 4)});
    EXPECT_EQ(catalog->TableCount(), 3);

    catalog->DropTable(awkward);
    catalog->DropTable(QStringLiteral("with space"));
    EXPECT_EQ(catalog->TableCount(), 1);
    EXPECT_EQ(catalog->TableName(0), QStringLiteral("keep"));
    EXPECT_THROW(catalog->DropTable(QStringLiteral("with space")), DatabaseError);

    Catalog fresh(*c);
    ASSERT_EQ(fresh.TableCount(), 1);
    EXPECT_EQ(fresh.TableName(0), QStringLiteral("keep"));
}

TEST_F(CatalogTest, NamesMatchAsSQLiteMatchesThemAndOnlyAMissingTableIsPassedOver)
{
    c->Execute(QStringLiteral("CREATE TABLE zeblist1 (x int)"));
    c->Execute(QStringLiteral("CREATE TABLE [ZEBLiſt2] (x int)")); // long s: no "ZEBList2" to SQLite
    c->Execute(QStringLiteral("CREATE VIEW ZEBCall1 AS SELECT * FROM zeblist1"));
    EXPECT_FALSE(catalog->DropTableIfPresent(QStringLiteral("ZEBList2")));
    EXPECT_FALSE(catalog->DropTableIfPresent(QStringLiteral("ZEBCall1"))); // a view is no table
    EXPECT_TRUE(catalog->DropTableIfPresent(QStringLiteral("ZEBList1")));
    EXPECT_EQ(Catalog(*c).TableCount(), 2);

    // A table that is there but cannot be dropped is a failure, not absent.
    auto holder = Connection::Open(temp.connection(QStringLiteral("c.db")));
    holder->Execute(QStringLiteral("BEGIN EXCLUSIVE"));
    auto locked = Connection::Open(temp.connection(QStringLiteral("c.db")), 1);
    Catalog lockedCatalog(*locked);
    EXPECT_THROW(lockedCatalog.DropTableIfPresent(QStringLiteral("ZEBLiſt2")), DatabaseError);
}

// No Access driver runs here, so the contract is checked on paper: each
// column an Access target is given, named as the Access ODBC driver reports
// it back, reads as the type it was created with, so that a second backup
// into the same file finds every column matching.
TEST_F(CatalogTest, AWidenedColumnKeepsEveryOtherPartOfAnAwkwardlyWrittenTable)
{
    // Quoted names holding commas and quotes, a comment, a column without a
    // type, constraints of columns and of the table, a rowid alias.
    c->Execute(QStringLiteral("CREATE TABLE \"we\"\"ird\" ( -- the administrator's own\n"
                              "  [Id] INTEGER PRIMARY KEY,\n"
                              "  \"Na,me\" varchar (10) NOT NULL DEFAULT ('a,b') CHECK (length(\"Na,me\") > 0),\n"
                              "  `x`, Amount numeric(8, 2) /* money */,\n"
                              "  CONSTRAINT once UNIQUE (\"Na,me\", x))"));
    c->Execute(QStringLiteral("INSERT INTO \"we\"\"ird\" (Id, \"Na,me\", x, Amount) VALUES (7, 'seven', X'00', 12.5)"));
    ColumnDefinition name = Column("Na,me", ColumnType::VarChar, 300);
    name.nullable = false;
    ColumnDefinition x = Column("x", ColumnType::VarBinary, 50);
    catalog->ChangeColumnTypes(QStringLiteral("we\"ird"), {name, x});

    Result stored(*c, QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'we\"ird'"));
    ASSERT_TRUE(stored.Next());
    const QString sql = stored.Value(0).text();
    for (const char* kept : {"[Id] INTEGER PRIMARY KEY", "varchar(300) NOT NULL DEFAULT ('a,b') CHECK (length(\"Na,me\") > 0)",
                             "`x` varbinary(50)", "Amount numeric(8, 2) /* money */", "CONSTRAINT once UNIQUE (\"Na,me\", x)"})
        EXPECT_TRUE(sql.contains(QLatin1String(kept))) << kept << " in " << sql.toStdString();
    Result row(*c, QStringLiteral("SELECT rowid, \"Na,me\", quote(x), Amount FROM \"we\"\"ird\""));
    ASSERT_TRUE(row.Next());
    EXPECT_EQ(row.Value(0).toInt64(), 7) << "the rowid alias keeps its values";
    EXPECT_EQ(row.Value(1).text(), QStringLiteral("seven"));
    EXPECT_EQ(row.Value(2).text(), QStringLiteral("X'00'"));
    EXPECT_THROW(c->Execute(QStringLiteral("INSERT INTO \"we\"\"ird\" (\"Na,me\", x) VALUES ('seven', X'00')")), DatabaseError);
}

TEST(AccessColumnTypes, ReadBackAsTheyWereCreated)
{
    using T = ColumnType;
    const Dialect access(Dialect::Kind::Access);
    struct Case {
        ColumnType type;
        int size;
        const char* reported;
        long long reportedSize;
    };
    const Case cases[] = {
        {T::VarWChar, 255, "VARCHAR", 255}, {T::LongVarWChar, 0, "LONGCHAR", 1073741823}, {T::Date, 8, "DATETIME", 19},
        {T::Boolean, 2, "BIT", 1},          {T::Integer, 4, "INTEGER", 10},               {T::SmallInt, 2, "SMALLINT", 5},
        {T::UnsignedTinyInt, 1, "BYTE", 3}, {T::Single, 4, "REAL", 7},                    {T::Double, 8, "DOUBLE", 15},
        {T::Currency, 8, "CURRENCY", 19},   {T::Guid, 16, "GUID", 36},                    {T::LongVarBinary, 0, "LONGBINARY", 1073741823},
    };
    for (const Case& c : cases) {
        const QString created = access.ColumnTypeText({c.type, c.size});
        const ColumnTypeInfo back = ColumnTypeFromAccess(QLatin1String(c.reported), c.reportedSize);
        EXPECT_EQ(back.type, c.type) << created.toStdString();
        EXPECT_EQ(back.definedSize, IsTextType(c.type) ? c.size : FixedSizeOf(c.type)) << created.toStdString();
    }
}
