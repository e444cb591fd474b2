#include <Catalog.h>
#include <Connection.h>
#include <Dialect.h>
#include <DatabaseError.h>
#include <Recordset.h>

#include <TempDatabases.h>

#include <gtest/gtest.h>

class CatalogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        c = OpenConnection(temp.connection(QStringLiteral("c.db")));
        catalog = BindCatalog(*c);
    }
    TempDatabases temp;
    std::unique_ptr<Connection> c;
    std::unique_ptr<Catalog> catalog;
};

TEST_F(CatalogTest, EveryTypeTheBackupCreatesReadsBackWithTheSameCodeAndSize)
{
    const std::vector<ColumnDefinition> columns = {
        {QStringLiteral("narrow255"), adVarChar, 255},   {QStringLiteral("narrow300"), adVarChar, 300},
        {QStringLiteral("wide20"), adVarWChar, 20},      {QStringLiteral("wide256"), adVarWChar, 256},
        {QStringLiteral("longText"), adLongVarChar, kLongTextSize},
        {QStringLiteral("longWide"), adLongVarWChar, kLongWideTextSize},
        {QStringLiteral("accessMemo"), adLongVarWChar, 0},
        {QStringLiteral("fixed"), adChar, 10},           {QStringLiteral("fixedWide"), adWChar, 3},
        {QStringLiteral("stamp"), adDBTimeStamp, 16},    {QStringLiteral("oleDate"), adDate, 8},
        {QStringLiteral("day"), adDBDate, 6},            {QStringLiteral("flag"), adBoolean, 2},
        {QStringLiteral("small"), adSmallInt, 2},        {QStringLiteral("whole"), adInteger, 4},
        {QStringLiteral("big"), adBigInt, 8},            {QStringLiteral("tiny"), adUnsignedTinyInt, 1},
        {QStringLiteral("single"), adSingle, 4},         {QStringLiteral("dbl"), adDouble, 8},
        {QStringLiteral("money"), adCurrency, 8},        {QStringLiteral("num"), adNumeric, 19},
        {QStringLiteral("raw"), adVarBinary, 50},        {QStringLiteral("blob"), adLongVarBinary, kLongTextSize},
        {QStringLiteral("guid"), adGUID, 16},
    };
    catalog->AppendTable(QStringLiteral("AllTypes"), columns);

    auto fresh = BindCatalog(*c); // read back from the database, not from memory
    const auto read = fresh->Columns(QStringLiteral("AllTypes"));
    ASSERT_EQ(read.size(), columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i) {
        EXPECT_EQ(read[i].name, columns[i].name);
        EXPECT_EQ(read[i].type, columns[i].type) << columns[i].name.toStdString();
        const int expectedSize = columns[i].definedSize == 0 ? kLongWideTextSize : columns[i].definedSize;
        EXPECT_EQ(read[i].definedSize, expectedSize) << columns[i].name.toStdString();
    }
}

TEST_F(CatalogTest, DeclaredTypesOfTheProductsTablesMapToAdoCodes)
{
    c->Execute(QStringLiteral("CREATE TABLE p (a int, b varchar(300), c nvarchar(20), d datetime, e bit, "
                              "f double precision, g text, h bigint, i real, j smallint)"));
    const auto cols = catalog->Columns(QStringLiteral("p"));
    const std::vector<std::pair<int, int>> expected = {
        {adInteger, 4},        {adVarChar, 300}, {adVarWChar, 20}, {adDBTimeStamp, 16}, {adBoolean, 2},
        {adDouble, 8},         {adLongVarChar, kLongTextSize},     {adBigInt, 8},       {adSingle, 4},
        {adSmallInt, 2}};
    ASSERT_EQ(cols.size(), expected.size());
    for (std::size_t i = 0; i < cols.size(); ++i) {
        EXPECT_EQ(cols[i].type, expected[i].first) << cols[i].name.toStdString();
        EXPECT_EQ(cols[i].definedSize, expected[i].second) << cols[i].name.toStdString();
    }
}

TEST_F(CatalogTest, ColumnsOfATableWhoseNameIsAPatternAreItsOwn)
{
    c->Execute(QStringLiteral("CREATE TABLE Statistic_Call (a int)"));
    c->Execute(QStringLiteral("CREATE TABLE StatisticXCall (b int, c int)"));
    const auto cols = catalog->Columns(QStringLiteral("Statistic_Call"));
    ASSERT_EQ(cols.size(), 1u);
    EXPECT_EQ(cols[0].name, QStringLiteral("a"));
}

TEST_F(CatalogTest, LookupAddAndDropColumns)
{
    c->Execute(QStringLiteral("CREATE TABLE t (a int, b varchar(10))"));
    catalog->AppendColumn(QStringLiteral("t"), {QStringLiteral("c"), adVarWChar, 40});
    catalog->DeleteColumn(QStringLiteral("t"), QStringLiteral("b"));
    const auto cols = catalog->Columns(QStringLiteral("T")); // looked up without regard to case
    ASSERT_EQ(cols.size(), 2u);
    EXPECT_EQ(cols[1].name, QStringLiteral("c"));
    EXPECT_EQ(cols[1].definedSize, 40);
    EXPECT_THROW(catalog->Columns(QStringLiteral("missing")), DatabaseError);
    EXPECT_THROW(catalog->LookupTable(QStringLiteral("missing")), DatabaseError);
}

TEST_F(CatalogTest, DropsAnyTableNameSafelyAndKeepsTheListInStep)
{
    const QString awkward = QStringLiteral("odd]name\"; DROP TABLE keep; --");
    c->Execute(QStringLiteral("CREATE TABLE keep (x int)"));
    catalog->AppendTable(awkward, {{QStringLiteral("x"), adInteger, 4}});
    catalog->AppendTable(QStringLiteral("with space"), {{QStringLiteral("x"), adInteger, 4}});
    EXPECT_EQ(catalog->TableCount(), 3);

    catalog->DeleteTable(awkward);
    catalog->DeleteTable(QStringLiteral("with space"));
    EXPECT_EQ(catalog->TableCount(), 1);
    EXPECT_EQ(catalog->TableName(0), QStringLiteral("keep"));
    EXPECT_THROW(catalog->DeleteTable(QStringLiteral("with space")), DatabaseError);

    auto fresh = BindCatalog(*c);
    ASSERT_EQ(fresh->TableCount(), 1);
    EXPECT_EQ(fresh->TableName(0), QStringLiteral("keep"));
}

// No Access driver runs here, so the contract is checked on paper: each
// column an Access target is given, named as the Access ODBC driver reports
// it back, reads as the type it was created with, so that a second backup
// into the same file finds every column matching.
TEST(AccessColumnTypes, ReadBackAsTheyWereCreated)
{
    const Dialect access(Dialect::Kind::Access);
    struct Case { int type; int size; const char* reported; long long reportedSize; };
    const Case cases[] = {
        {adVarWChar, 255, "VARCHAR", 255}, {adLongVarWChar, 0, "LONGCHAR", 1073741823}, {adDate, 8, "DATETIME", 19},
        {adBoolean, 2, "BIT", 1},          {adInteger, 4, "INTEGER", 10},               {adSmallInt, 2, "SMALLINT", 5},
        {adUnsignedTinyInt, 1, "BYTE", 3}, {adSingle, 4, "REAL", 7},                    {adDouble, 8, "DOUBLE", 15},
        {adCurrency, 8, "CURRENCY", 19},   {adGUID, 16, "GUID", 36},                    {adLongVarBinary, 0, "LONGBINARY", 1073741823},
    };
    for (const Case& c : cases) {
        const QString created = access.columnType(c.type, c.size);
        const AdoColumnType back = AdoTypeFromAccessType(QLatin1String(c.reported), c.reportedSize);
        EXPECT_EQ(back.type, c.type) << created.toStdString();
        EXPECT_EQ(back.definedSize, IsTextType(c.type) ? c.size : FixedSizeOf(c.type)) << created.toStdString();
    }
}
