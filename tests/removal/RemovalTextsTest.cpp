// No SQL Server answers here, so the texts the table removals send to one
// are checked as text, whole and to the character.
#include "cleanup/removal/RemovalStatements.h"
#include "db/CatalogStatements.h"
#include "db/Dialect.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace qel;

namespace {

struct Text {
    const char* what;
    QString built;
    QString expected;
};

} // namespace

TEST(RemovalTexts, TheQueriesThatFindWhatIsDropped)
{
    const std::vector<Text> texts{
        {"deleted surveys", RemovalStatements::DeletedSurveys(),
         QStringLiteral("Select SurveyID, InterviewStorage From Surveys Where Deleted <> 0")},
        {"deleted lists", RemovalStatements::DeletedLists(), QStringLiteral("Select ListID from Lists Where Deleted <> 0")},
        {"lists of surveys", RemovalStatements::ListsOfSurveys({12, 40, 7}).value_or(QString()),
         QStringLiteral("Select ListID from Lists Where SurveyID IN (12,40,7)")},
        {"lists of one survey past the signed range", RemovalStatements::ListsOfSurveys({4294967295u}).value_or(QString()),
         QStringLiteral("Select ListID from Lists Where SurveyID IN (-1)")},
        {"survey titles", RemovalStatements::SurveyTitles(),
         QStringLiteral("Select SurveyID,SurveyTitle,Deleted from Surveys Where (SurveyID >0)")},
        {"web survey names", RemovalStatements::WebSurveyNames(), QStringLiteral("Select strExtName from WP_Survey")},
    };
    for (const Text& t : texts)
        EXPECT_EQ(t.built, t.expected) << t.what;
    // SQL Server refuses "IN ()": for no survey there is no statement.
    EXPECT_FALSE(RemovalStatements::ListsOfSurveys({}).has_value());
}

// Each table goes with its own statement, its name between brackets, so a
// name with blanks or a bracket of its own still names that one table.
TEST(RemovalTexts, EachTableIsDroppedByItsBracketedName)
{
    const Dialect sqlServer(Dialect::Kind::SqlServer);
    const auto drop = [&](const char* schema, const char* name) {
        return CatalogStatements::DropTable(
            CatalogStatements::QualifiedName(sqlServer, QString::fromUtf8(schema), QString::fromUtf8(name), QStringLiteral("dbo")));
    };
    const std::vector<Text> texts{
        {"list table", drop("dbo", "ZEBCall7"), QStringLiteral("DROP TABLE [ZEBCall7];")},
        {"survey table", drop("DBO", "Vorto0042Data"), QStringLiteral("DROP TABLE [Vorto0042Data];")},
        {"web interview table", drop("dbo", "_2019Survey"), QStringLiteral("DROP TABLE [_2019Survey];")},
        {"blanks and a bracket", drop("dbo", "Survey ]2019 [x]"), QStringLiteral("DROP TABLE [Survey ]]2019 [x]]];")},
        {"another schema", drop("web", "Survey"), QStringLiteral("DROP TABLE [web].[Survey];")},
    };
    for (const Text& t : texts)
        EXPECT_EQ(t.built, t.expected) << t.what;
}

// A drop that SQL Server refuses with Msg 3701 ("does not exist or you do
// not have permission") is followed by this look-up, the schema named.
TEST(RemovalTexts, ATableThatCouldNotBeDroppedIsLookedUpByItsObjectId)
{
    const Dialect sqlServer(Dialect::Kind::SqlServer);
    const auto objectId = [&](const char* schema, const char* name) {
        return CatalogStatements::TableObjectId(
            CatalogStatements::QualifiedName(sqlServer, QString::fromUtf8(schema), QString::fromUtf8(name), QString()));
    };
    EXPECT_EQ(objectId("dbo", "ZEBCall7"), QStringLiteral("SELECT OBJECT_ID(N'[dbo].[ZEBCall7]', N'U')"));
    EXPECT_EQ(objectId("web", "O'Brien ]2019"), QStringLiteral("SELECT OBJECT_ID(N'[web].[O''Brien ]]2019]', N'U')"));
}
