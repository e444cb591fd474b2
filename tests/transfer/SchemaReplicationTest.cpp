#include "db/Catalog.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Result.h"
#include "cleanup/transfer/SchemaReplication.h"

#include "fixtures/ProductDatabases.h"
#include "tests/support/RecordingFeedback.h"
#include "tests/support/Rows.h"
#include "tests/support/TableContents.h"
#include "tests/support/TempDatabases.h"

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

namespace {

// The CREATE text SQLite keeps for a table: any change of a column shows.
QString StoredDefinition(Connection& c, const QString& table)
{
    const auto rows = ReadRows(c, QStringLiteral("SELECT sql FROM sqlite_master WHERE name = '%1'").arg(table));
    return rows.empty() ? QString() : rows[0][0].text();
}

} // namespace

class SchemaReplicationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        source = Connection::Open(temp.connection(QStringLiteral("source.db")));
        target = Connection::Open(temp.connection(QStringLiteral("target.db")));
        sourceCatalog = BindCatalog(*source);
        targetCatalog = BindCatalog(*target);
        state.accessTarget = false;
        state.stage = 3;
    }

    bool Replicate(const QString& table, FieldNameList& names)
    {
        // Each run binds fresh catalogues, as each clean-up does.
        sourceCatalog = BindCatalog(*source);
        targetCatalog = BindCatalog(*target);
        std::vector<ColumnDefinition> columns;
        const bool ok = SchemaReplication(state, feedback).ReplicateTable(*sourceCatalog, *targetCatalog, table, columns);
        names = NamesOf(columns);
        return ok;
    }

    TempDatabases temp;
    RunState state;
    RecordingFeedback feedback;
    std::unique_ptr<Connection> source, target;
    std::unique_ptr<Catalog> sourceCatalog, targetCatalog;
};

TEST_F(SchemaReplicationTest, CreatesTheTableWithEverySourceColumnInOrderAndChangesNothingOnTheNextRun)
{
    source->Execute(QStringLiteral("CREATE TABLE Statistic_Call (CallID int NOT NULL, Start_Time datetime, Caller nvarchar(255), "
                                   "Remarks text, Route varchar(300), Done bit, Score double precision, Big bigint, Tiny tinyint)"));
    FieldNameList names;
    ASSERT_TRUE(Replicate(QStringLiteral("Statistic_Call"), names));
    EXPECT_EQ(names, (QStringList{"CallID", "Start_Time", "Caller", "Remarks", "Route", "Done", "Score", "Big", "Tiny"}));
    EXPECT_EQ(feedback.statuses, QStringList{QStringLiteral("Stage 3/21: Creating fields in target")});
    EXPECT_EQ(feedback.pumps, 1);

    const auto sourceColumns = BindCatalog(*source)->Columns(QStringLiteral("Statistic_Call"));
    const auto targetColumns = BindCatalog(*target)->Columns(QStringLiteral("Statistic_Call"));
    ASSERT_EQ(targetColumns.size(), sourceColumns.size());
    for (std::size_t i = 0; i < sourceColumns.size(); ++i) {
        EXPECT_EQ(targetColumns[i].name, sourceColumns[i].name);
        EXPECT_EQ(targetColumns[i].type, sourceColumns[i].type) << sourceColumns[i].name.toStdString();
        EXPECT_EQ(targetColumns[i].definedSize, sourceColumns[i].definedSize) << sourceColumns[i].name.toStdString();
    }

    const QString before = StoredDefinition(*target, QStringLiteral("Statistic_Call"));
    FieldNameList again;
    ASSERT_TRUE(Replicate(QStringLiteral("Statistic_Call"), again));
    EXPECT_EQ(again, names); // names of columns that already matched are listed too
    EXPECT_EQ(StoredDefinition(*target, QStringLiteral("Statistic_Call")), before);
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(SchemaReplicationTest, EveryFixtureTableRoundTripsExactly)
{
    ProductDatabases product(temp.path(QStringLiteral("product")));
    product.CreateStatistics({/*calls*/ 5}, {1, 2});
    auto stats = Connection::Open(product.statistics());
    auto statsCatalog = BindCatalog(*stats);
    for (int position = 0; position < statsCatalog->TableCount(); ++position) {
        const QString table = statsCatalog->TableName(position);
        std::vector<ColumnDefinition> first, second;
        SchemaReplication replication(state, feedback);
        ASSERT_TRUE(replication.ReplicateTable(*statsCatalog, *BindCatalog(*target), table, first));
        const QString created = StoredDefinition(*target, table);
        ASSERT_TRUE(replication.ReplicateTable(*statsCatalog, *BindCatalog(*target), table, second));
        EXPECT_EQ(StoredDefinition(*target, table), created) << table.toStdString();
    }
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(SchemaReplicationTest, ChangedAndNewSourceColumnsAreCarriedIntoAnExistingTargetKeepingItsValues)
{
    source->Execute(QStringLiteral("CREATE TABLE T (Id int, Name varchar(50), Note varchar(20), Amount numeric(8,2))"));
    FieldNameList names;
    ASSERT_TRUE(Replicate(QStringLiteral("T"), names));
    target->Execute(QStringLiteral("INSERT INTO T VALUES (1, 'kept', 'kept too', 123456.78)"));
    target->Execute(QStringLiteral("ALTER TABLE T ADD Extra int")); // the target's own column stays

    source->Execute(QStringLiteral("ALTER TABLE T DROP COLUMN Note"));
    source->Execute(QStringLiteral("ALTER TABLE T ADD Note nvarchar(20)")); // another type
    source->Execute(QStringLiteral("ALTER TABLE T DROP COLUMN Amount"));
    source->Execute(QStringLiteral("ALTER TABLE T ADD Amount numeric(12,4)")); // more digits and places
    source->Execute(QStringLiteral("ALTER TABLE T ADD Added datetime"));
    ASSERT_TRUE(Replicate(QStringLiteral("T"), names)) << feedback.messageTexts().join('\n').toStdString();

    QStringList described;
    for (const auto& c : BindCatalog(*target)->Columns(QStringLiteral("T")))
        described << QStringLiteral("%1:%2:%3").arg(c.name).arg(static_cast<int>(c.type)).arg(c.definedSize);
    EXPECT_EQ(described, (QStringList{"Id:3:4", "Name:200:50", "Note:202:20", "Amount:131:19", "Extra:3:4", "Added:135:16"}));
    EXPECT_TRUE(StoredDefinition(*target, QStringLiteral("T")).contains(QLatin1String("numeric(12,4)")));
    const auto rows = ReadRows(*target, QStringLiteral("SELECT Name, Note, quote(Amount) FROM T"));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].text(), QStringLiteral("kept"));
    EXPECT_EQ(rows[0][1].text(), QStringLiteral("kept too")) << "a changed column keeps the backup's values";
    EXPECT_EQ(rows[0][2].text(), QStringLiteral("123456.78"));
}

TEST_F(SchemaReplicationTest, ALongerTextColumnIsWidenedAndAShorterOneLeftWide)
{
    source->Execute(QStringLiteral("CREATE TABLE T (Id int, Name nvarchar(300))"));
    FieldNameList names;
    ASSERT_TRUE(Replicate(QStringLiteral("T"), names));
    target->Execute(QStringLiteral("WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM r WHERE i < 50) "
                                   "INSERT INTO T SELECT i, printf('%.300c', 'n') FROM r"));
    const auto before = ReadRows(*target, QStringLiteral("SELECT * FROM T ORDER BY Id"));

    source->Execute(QStringLiteral("ALTER TABLE T DROP COLUMN Name"));
    source->Execute(QStringLiteral("ALTER TABLE T ADD Name nvarchar(400)"));
    ASSERT_TRUE(Replicate(QStringLiteral("T"), names));
    EXPECT_EQ(BindCatalog(*target)->Columns(QStringLiteral("T")).at(1).definedSize, 400);
    EXPECT_EQ(ReadRows(*target, QStringLiteral("SELECT * FROM T ORDER BY Id")), before) << "no backup value is lost";

    // A source column that became narrower leaves the backup's as wide as it is.
    source->Execute(QStringLiteral("ALTER TABLE T DROP COLUMN Name"));
    source->Execute(QStringLiteral("ALTER TABLE T ADD Name nvarchar(10)"));
    ASSERT_TRUE(Replicate(QStringLiteral("T"), names));
    EXPECT_EQ(BindCatalog(*target)->Columns(QStringLiteral("T")).at(1).definedSize, 400);

    // Values of another kind: SQLite would keep the new ones as text in a
    // text column, and the old ones as numbers where they look like one in
    // an int column; a column of no declared type keeps both as they come.
    source->Execute(QStringLiteral("ALTER TABLE T DROP COLUMN Name"));
    source->Execute(QStringLiteral("ALTER TABLE T ADD Name int"));
    ASSERT_TRUE(Replicate(QStringLiteral("T"), names));
    EXPECT_EQ(BindCatalog(*target)->Columns(QStringLiteral("T")).at(1).typeName, QString());
    EXPECT_EQ(ReadRows(*target, QStringLiteral("SELECT Id, CAST(Name AS TEXT) FROM T ORDER BY Id")), before);
    target->Execute(QStringLiteral("INSERT INTO T VALUES (51, 51)"));
    EXPECT_EQ(Scalar(*target, QStringLiteral("SELECT typeof(Name) = 'integer' FROM T WHERE Id = 51")), 1);
}

TEST_F(SchemaReplicationTest, AWidenedBackupTableKeepsItsConstraintsIndexesTriggersAndViews)
{
    // The administrator's own backup table, with what a table may carry
    // besides its columns.
    source->Execute(QStringLiteral("CREATE TABLE T (Id int, Name nvarchar(300), Stamp datetime)"));
    const QStringList administrators = {
        QStringLiteral("CREATE TABLE T (Id int NOT NULL UNIQUE, Name nvarchar(20) DEFAULT 'none' COLLATE NOCASE, "
                       "Stamp datetime, CHECK (Id > 0))"),
        QStringLiteral("CREATE INDEX T_Name ON T (Name)"),
        QStringLiteral("CREATE INDEX T_Stamp ON T (Stamp DESC) WHERE Stamp IS NOT NULL"),
        QStringLiteral("CREATE TABLE Audit (Id int)"),
        QStringLiteral("CREATE TRIGGER T_Audit AFTER INSERT ON T BEGIN INSERT INTO Audit VALUES (new.Id); END"),
        QStringLiteral("CREATE VIEW T_View AS SELECT Id, Name FROM T"),
        QStringLiteral("INSERT INTO T VALUES (1, 'kept', '2024-03-05 10:00:00')"),
    };
    for (const QString& sql : administrators)
        target->Execute(sql);
    const QString dependents = QStringLiteral("SELECT type, name, sql FROM sqlite_master WHERE type IN ('index', 'trigger', 'view') "
                                              "ORDER BY name");
    const auto before = ReadRows(*target, dependents);
    ASSERT_EQ(before.size(), 5u); // the UNIQUE constraint's index, two indexes, the trigger and the view

    FieldNameList names;
    ASSERT_TRUE(Replicate(QStringLiteral("T"), names)) << feedback.messageTexts().join('\n').toStdString();
    const QString definition = StoredDefinition(*target, QStringLiteral("T"));
    EXPECT_TRUE(definition.contains(QLatin1String("nvarchar(300)"))) << definition.toStdString();
    for (const char* kept : {"NOT NULL UNIQUE", "DEFAULT 'none' COLLATE NOCASE", "CHECK (Id > 0)"})
        EXPECT_TRUE(definition.contains(QLatin1String(kept))) << kept << " in " << definition.toStdString();
    EXPECT_EQ(ReadRows(*target, dependents), before);
    EXPECT_EQ(Scalar(*target, QStringLiteral("SELECT COUNT(*) FROM T_View WHERE Name = 'KEPT'")), 1) << "the view reads the table";

    // The trigger fires, the constraints hold.
    target->Execute(QStringLiteral("INSERT INTO T (Id) VALUES (2)"));
    EXPECT_EQ(Scalar(*target, QStringLiteral("SELECT COUNT(*) FROM Audit WHERE Id = 2")), 1);
    EXPECT_EQ(ReadRows(*target, QStringLiteral("SELECT Name FROM T WHERE Id = 2")).at(0).at(0).text(), QStringLiteral("none"));
    EXPECT_THROW(target->Execute(QStringLiteral("INSERT INTO T (Id) VALUES (1)")), DatabaseError);
    EXPECT_THROW(target->Execute(QStringLiteral("INSERT INTO T (Id) VALUES (-5)")), DatabaseError);
    EXPECT_EQ(IntegrityOf(temp.connection(QStringLiteral("target.db"))), QStringLiteral("ok"));
}

TEST_F(SchemaReplicationTest, TwoRunsCreatingTheSameBackupTableAtOnceBothSucceed)
{
    // Both runs read the backup's table list before either creates the
    // table; the second one's source has a column more.
    source->Execute(QStringLiteral("CREATE TABLE T (Id int, Name nvarchar(20))"));
    auto secondSource = Connection::Open(temp.connection(QStringLiteral("second.db")));
    secondSource->Execute(QStringLiteral("CREATE TABLE T (Id int, Name nvarchar(20), Added datetime)"));
    auto secondTarget = Connection::Open(temp.connection(QStringLiteral("target.db")));
    auto firstCatalog = BindCatalog(*target);
    auto secondCatalog = BindCatalog(*secondTarget);
    ASSERT_FALSE(firstCatalog->FindTable(QStringLiteral("T")));
    ASSERT_FALSE(secondCatalog->FindTable(QStringLiteral("T")));

    std::vector<ColumnDefinition> columns;
    EXPECT_TRUE(SchemaReplication(state, feedback).ReplicateTable(*BindCatalog(*source), *firstCatalog, QStringLiteral("T"), columns));
    EXPECT_TRUE(SchemaReplication(state, feedback).ReplicateTable(*BindCatalog(*secondSource), *secondCatalog, QStringLiteral("T"), columns));
    EXPECT_TRUE(feedback.messages.empty()) << feedback.messageTexts().join('\n').toStdString();
    EXPECT_EQ(ColumnsOf(temp.connection(QStringLiteral("target.db")), QStringLiteral("T")), (QStringList{"Id", "Name", "Added"}));
}

TEST_F(SchemaReplicationTest, AMissingSourceTableIsReportedAndTheTargetStaysUnchanged)
{
    FieldNameList names;
    EXPECT_FALSE(Replicate(QStringLiteral("Statistic_Nowhere"), names));
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_TRUE(feedback.messages[0].text.startsWith(QStringLiteral("ADO error in CreateFieldInTarget(1) (")))
        << feedback.messages[0].text.toStdString();
    EXPECT_TRUE(TableNames(temp.connection(QStringLiteral("target.db"))).isEmpty());
}

TEST_F(SchemaReplicationTest, FailuresToCreateAreReportedWithTheirContexts)
{
    source->Execute(QStringLiteral("CREATE TABLE T (Id int, Name varchar(50))"));
    target->Execute(QStringLiteral("CREATE TABLE T (Id int)"));
    target->Execute(QStringLiteral("PRAGMA query_only = 1")); // every write of the target fails

    FieldNameList names;
    EXPECT_FALSE(Replicate(QStringLiteral("T"), names));
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_TRUE(feedback.messages[0].text.startsWith(QStringLiteral("ADO error in CDBListADO::CreateField (")));

    source->Execute(QStringLiteral("CREATE TABLE U (Id int)"));
    EXPECT_FALSE(Replicate(QStringLiteral("U"), names));
    ASSERT_EQ(feedback.messages.size(), 2u);
    EXPECT_TRUE(feedback.messages[1].text.startsWith(QStringLiteral("ADO error in CreateFieldInTarget(2) (")));
}

TEST(TargetTypeMapping, AccessAndSqlTargets)
{
    using T = ColumnType;
    auto mapped = [](ColumnType type, int size, bool access) {
        ColumnDefinition source;
        source.name = QStringLiteral("c");
        source.type = type;
        source.definedSize = size;
        const ColumnDefinition c = MapColumnForTarget(source, access);
        return std::make_pair(c.type, c.definedSize);
    };
    EXPECT_EQ(mapped(T::Date, 8, false), std::make_pair(T::DBTimeStamp, 8));
    EXPECT_EQ(mapped(T::DBTimeStamp, 16, false), std::make_pair(T::DBTimeStamp, 16));
    EXPECT_EQ(mapped(T::VarChar, 300, false), std::make_pair(T::VarChar, 300));
    EXPECT_EQ(mapped(T::DBTimeStamp, 16, true), std::make_pair(T::Date, 16));
    EXPECT_EQ(mapped(T::VarChar, 255, true), std::make_pair(T::VarWChar, 255));
    EXPECT_EQ(mapped(T::VarChar, 256, true), std::make_pair(T::LongVarWChar, 0));
    EXPECT_EQ(mapped(T::VarWChar, 255, true), std::make_pair(T::VarWChar, 255));
    EXPECT_EQ(mapped(T::VarWChar, 300, true), std::make_pair(T::LongVarWChar, 0));
    EXPECT_EQ(mapped(T::LongVarWChar, kLongWideTextSize, true), std::make_pair(T::LongVarWChar, 0));
    EXPECT_EQ(mapped(T::LongVarChar, kLongTextSize, true), std::make_pair(T::LongVarChar, kLongTextSize));
    EXPECT_EQ(mapped(T::Boolean, 2, true), std::make_pair(T::Boolean, 2));
}
