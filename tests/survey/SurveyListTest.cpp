#include "db/Connection.h"
#include "cleanup/surveys/SurveyList.h"

#include "fixtures/ProductDatabases.h"
#include "tests/support/TempDatabases.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

class SurveyListTest : public ::testing::Test {
protected:
    std::vector<SurveyListRow> Load()
    {
        std::vector<SurveyListRow> rows;
        auto c = Connection::Open(product.callCenter());
        LoadSurveyList(*c, [&](const SurveyListRow& row) { rows.push_back(row); });
        return rows;
    }
    TempDatabases temp;
    ProductDatabases product{temp.path(QStringLiteral("product"))};
};

TEST_F(SurveyListTest, ReadsAMissingHistoryAsNeverWithoutCreatingItAndListsEverySurveyInOrder)
{
    product.CreateCallCenter({{7, QStringLiteral("Seven"), 2, true}, {3, QStringLiteral("Three"), 1, false},
                              {5, QStringLiteral("Five"), 0, std::nullopt}, {9, QString(), 3, false}},
                             {});
    const auto rows = Load();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].cells, (QStringList{"3", "Three", "Legacy", "No", "Never", "Never", "Never", "Never"}));
    EXPECT_EQ(rows[1].cells, (QStringList{"5", "Five", "None", "", "Never", "Never", "Never", "Never"}));
    EXPECT_EQ(rows[2].cells, (QStringList{"7", "Seven", "New", "Yes", "Never", "Never", "Never", "Never"}));
    EXPECT_EQ(rows[3].cells.mid(0, 3), (QStringList{"9", "", "None"}));
    EXPECT_EQ(rows[2].id, 7u);
    EXPECT_FALSE(TableNames(product.callCenter()).contains(QStringLiteral("CleaningHistory")));

    // Once a clean-up has recorded one, the list reads its dates.
    auto callCenter = Connection::Open(product.callCenter());
    callCenter->Execute(CreateCleaningHistorySql(callCenter->dialect()));
    callCenter->Execute(QStringLiteral("INSERT INTO CleaningHistory VALUES (7, '2024-03-05 14:30:00', NULL, NULL, NULL)"));
    callCenter.reset();
    const auto again = Load();
    EXPECT_EQ(again[2].cells[4], QLocale::system().toString(QDateTime(QDate(2024, 3, 5), QTime(14, 30)), QLocale::ShortFormat));
    EXPECT_EQ(again[2].cells[5], QStringLiteral("Never"));
}

TEST_F(SurveyListTest, AnIntegerDeletedColumnShowsItsNumber)
{
    product.CreateCallCenter({}, {});
    ExecuteAll(product.callCenter(), {QStringLiteral("DROP TABLE Surveys"),
                                      QStringLiteral("CREATE TABLE Surveys (SurveyID int, SurveyTitle nvarchar(50), "
                                                     "InterviewStorage int, Deleted int)"),
                                      QStringLiteral("INSERT INTO Surveys VALUES (1, 'A', 1, 3)")});
    EXPECT_EQ(Load().at(0).cells[3], QStringLiteral("3"));
}

TEST(SurveySelectionTest, TitlesOnceAndIdentifiersByStorageInListOrder)
{
    const std::vector<SurveyListRow> selected = {
        {1, {"1", "Same", "Legacy"}}, {2, {"2", "Same", "Legacy"}}, {3, {"3", "Other", "New"}}, {5, {"5", "Paper", "None"}}};
    const SurveySelection s = SelectionOf(selected);
    EXPECT_EQ(s.surveyNames, (TableNameSet{"Other", "Paper", "Same"}));
    EXPECT_EQ(s.legacySurveyIds, (IdentifierArray{1, 2}));
    EXPECT_EQ(s.newSurveyIds, (IdentifierArray{3}));
    EXPECT_TRUE(SelectionOf({{5, {"5", "Paper", "None"}}}).legacySurveyIds.empty());
}
