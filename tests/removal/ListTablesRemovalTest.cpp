#include "tests/removal/RemovalFixture.h"

#include "db/Catalog.h"
#include "db/DatabaseError.h"

using namespace qel;
using namespace qel::test;

namespace {

const QString kReport = QStringLiteral("OnCmdListcleanup");

QStringList TablesOfLists(std::initializer_list<int> ids)
{
    QStringList names;
    for (int id : ids)
        names << QStringLiteral("ZEBCall%1").arg(id) << QStringLiteral("ZEBList%1").arg(id)
              << QStringLiteral("ZEBEmail%1").arg(id);
    return names;
}

} // namespace

using ListTablesRemoval = RemovalTest;
QEL_ON_EVERY_BACKEND(ListTablesRemoval);

TEST_P(ListTablesRemoval, RemovesTheTablesOfEveryDeletedListAndASecondRunFindsNone)
{
    db().CreateAll();
    const auto before = Contents(db().lists());
    const auto callCenterBefore = Contents(db().callCenter());

    ops.CleanUpDeletedLists();

    ExpectOnlyMessage(Counted(StringId::ListTablesDeleted, 12));
    EXPECT_EQ(Contents(db().lists()), Without(before, TablesOfLists({1, 3, 5, 8})));
    EXPECT_EQ(Contents(db().callCenter()), callCenterBefore);

    feedback.messages.clear();
    ops.CleanUpDeletedLists();
    ExpectOnlyMessage(Counted(StringId::ListTablesDeleted, 0));
}

TEST_P(ListTablesRemoval, MissingTablesArePassedOverAndNotCounted)
{
    const std::vector<ListRow> lists = {{7, 1, true}, {9, 1, true}, {11, 2, false}};
    db().CreateCallCenter({}, lists);
    db().CreateListTables(lists);
    // List 7 keeps only ZEBList7; list 9's tables are all gone.
    ExecuteAll(db().lists(), {QStringLiteral("DROP TABLE ZEBCall7"), QStringLiteral("DROP TABLE ZEBEmail7"),
                              QStringLiteral("DROP TABLE ZEBCall9"), QStringLiteral("DROP TABLE ZEBList9"),
                              QStringLiteral("DROP TABLE ZEBEmail9")});
    const auto before = Contents(db().lists());

    ops.CleanUpDeletedLists();

    ExpectOnlyMessage(Counted(StringId::ListTablesDeleted, 1));
    EXPECT_EQ(Contents(db().lists()), Without(before, {"ZEBList7"}));
}

TEST_P(ListTablesRemoval, NoDeletedListShowsNothingAndLeavesTheListDatabaseAlone)
{
    db().CreateCallCenter({}, {{1, 1, false}, {2, 2, false}});
    settings.listDB = Unopenable();

    ops.CleanUpDeletedLists();

    EXPECT_TRUE(feedback.messages.empty()) << feedback.messageTexts().join(QLatin1Char('\n')).toStdString();
}

TEST_P(ListTablesRemoval, FailuresOutsideSingleTablesAreReported)
{
    db().CreateAll();
    const auto before = Contents(db().lists());

    settings.listDB = Unopenable();
    ops.CleanUpDeletedLists();
    ExpectOnlyReport(kReport);

    feedback.messages.clear();
    settings.callCenterSrc = Unopenable();
    ops.CleanUpDeletedLists();
    ExpectOnlyReport(kReport);

    feedback.messages.clear();
    ops.DropListTablesOfSurveys({1});
    ExpectOnlyReport(kReport);

    db().ApplyTo(settings);
    EXPECT_EQ(Contents(db().lists()), before);
}

TEST_P(ListTablesRemoval, OperationRemovesTheListsOfTheGivenSurveysDeletedOrNot)
{
    db().CreateAll();
    const auto before = Contents(db().lists());

    // Survey 42 has a live list 7 and a deleted list 8; survey 1 has list 1.
    ops.DropListTablesOfSurveys({42, 1});

    ExpectOnlyMessage(Counted(StringId::ListTablesDeleted, 9));
    EXPECT_EQ(Contents(db().lists()), Without(before, TablesOfLists({1, 7, 8})));
}

TEST_P(ListTablesRemoval, OperationWritesSurveyIdentifiersAsSignedNumbers)
{
    const std::vector<ListRow> lists = {{3, -1, false}, {4, 7, false}};
    db().CreateCallCenter({}, lists);
    db().CreateListTables(lists);
    const auto before = Contents(db().lists());

    ops.DropListTablesOfSurveys({0xFFFFFFFFu});

    ExpectOnlyMessage(Counted(StringId::ListTablesDeleted, 3));
    EXPECT_EQ(Contents(db().lists()), Without(before, TablesOfLists({3})));
}

TEST_P(ListTablesRemoval, OperationWithoutListsShowsNothingAndLeavesTheListDatabaseAlone)
{
    db().CreateAll();
    settings.listDB = Unopenable();

    EXPECT_TRUE(ops.DropListTablesOfSurveys({999}));
    EXPECT_TRUE(feedback.messages.empty()) << feedback.messageTexts().join(QLatin1Char('\n')).toStdString();

    // No survey asks nothing: "IN ()", which SQL Server refuses, is never
    // sent, and not even the call-centre database is opened.
    settings.callCenterSrc = Unopenable();
    EXPECT_TRUE(ops.DropListTablesOfSurveys({}));
    EXPECT_TRUE(feedback.messages.empty()) << feedback.messageTexts().join(QLatin1Char('\n')).toStdString();
}

// The list of tables is read once; a table another program drops after
// that is passed over like one that was never there. SQL Server answers
// the drop with Msg 3701, SQLite with "no such table".
TEST_P(ListTablesRemoval, ATableDroppedByAnotherProgramMeanwhileIsPassedOver)
{
    const std::vector<ListRow> lists = {{7, 1, true}};
    db().CreateCallCenter({}, lists);
    db().CreateListTables(lists);
    auto connection = Connection::Open(db().lists(), 30);
    Catalog catalog(*connection);
    ASSERT_TRUE(catalog.FindTable(QStringLiteral("ZEBCall7")));

    ExecuteAll(db().lists(), {QStringLiteral("DROP TABLE ZEBCall7")});

    EXPECT_FALSE(catalog.DropTableIfPresent(QStringLiteral("ZEBCall7")));
    EXPECT_FALSE(catalog.FindTable(QStringLiteral("ZEBCall7")));
    EXPECT_TRUE(catalog.DropTableIfPresent(QStringLiteral("ZEBList7")));
    const QStringList left = TableNames(db().lists());
    EXPECT_FALSE(left.contains(QStringLiteral("ZEBList7")));
    EXPECT_TRUE(left.contains(QStringLiteral("ZEBEmail7")));
}

using ListTablesRemovalOnSqlServer = OnSqlServer<RemovalTest>;

// Msg 3701 also says "or you do not have permission": a table the login
// sees but may not drop is a failure, never a table already gone.
TEST_F(ListTablesRemovalOnSqlServer, ATableTheLoginMayReadButNotDropIsAFailureNotGone)
{
    const std::vector<ListRow> lists = {{7, 1, true}};
    db().CreateCallCenter({}, lists);
    db().CreateListTables(lists);
    auto connection = Connection::Open(db().lists(), 30);
    ExecuteAll(*connection, {QStringLiteral("CREATE USER qel_reader WITHOUT LOGIN"),
                             QStringLiteral("GRANT SELECT ON ZEBCall7 TO qel_reader")});
    connection->Execute(QStringLiteral("EXECUTE AS USER = N'qel_reader'"));
    Catalog catalog(*connection);
    ASSERT_TRUE(catalog.FindTable(QStringLiteral("ZEBCall7")));

    try {
        catalog.DropTableIfPresent(QStringLiteral("ZEBCall7"));
        ADD_FAILURE() << "a table that could not be dropped counted as gone or as dropped";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.nativeError(), 3701) << e.description().toStdString();
    }
    connection->Execute(QStringLiteral("REVERT"));
    EXPECT_TRUE(TableNames(db().lists()).contains(QStringLiteral("ZEBCall7")));
}
