#include "tests/removal/RemovalFixture.h"

#include "db/DatabaseError.h"

using namespace qel;
using namespace qel::test;

namespace {

const QString kReport = QStringLiteral("OnCmdListcleanup");

SurveyRow Legacy(int id, bool deleted) { return {id, QStringLiteral("Survey %1").arg(id), 1, deleted}; }
SurveyRow NewStorage(int id, bool deleted) { return {id, QStringLiteral("Survey %1").arg(id), 2, deleted}; }

} // namespace

using SurveyTablesRemoval = RemovalTest;
QEL_ON_EVERY_BACKEND(SurveyTablesRemoval);

TEST_P(SurveyTablesRemoval, RemovesTheTablesOfEveryDeletedSurveyAndASecondRunFindsNone)
{
    db().CreateAll();
    const auto before = Contents(db().surveys());
    const auto callCenterBefore = Contents(db().callCenter());
    ASSERT_EQ(before.at(QStringLiteral("ZEBResponse2_1")), 2); // rows are counted

    ops.CleanUpDeletedSurveys();

    // Deleted: 1 and 12 legacy, 3 and 7 new storage, 5 of no storage kind.
    ExpectOnlyMessage(Counted(StringId::SurveyTablesDeleted, 16));
    EXPECT_EQ(Contents(db().surveys()),
              Without(before, {"ZEBResponse1_1", "ZEBResponse1_2", "ZEBResponse1_3", "ZEBDataStructure1", "ZebSemiOpen1",
                               "ZEBResponse12_1", "ZEBResponse12_2", "ZEBResponse12_3", "ZEBDataStructure12",
                               "ZebSemiOpen12", "Vorto0003Data", "Vorto0003Interview", "Vorto0003SemiOpen",
                               "Vorto0007Data", "Vorto0007Interview", "Vorto0007SemiOpen"}));
    EXPECT_EQ(Contents(db().callCenter()), callCenterBefore);

    feedback.messages.clear();
    ops.CleanUpDeletedSurveys();
    ExpectOnlyMessage(Counted(StringId::SurveyTablesDeleted, 0));
}

TEST_P(SurveyTablesRemoval, PrefixWalkTakesOnlyTheSurveysOwnResponseTables)
{
    db().CreateCallCenter({Legacy(1, true), Legacy(12, false), Legacy(10, false)}, {});
    db().CreateSurveyTables({Legacy(1, true), Legacy(12, false), Legacy(10, false)});
    ExecuteAll(db().surveys(), {QStringLiteral("CREATE TABLE ZEBResponse1_ (a int)"),   // the prefix itself
                                QStringLiteral("CREATE TABLE zebresponse1_x (a int)"),  // differs in case only
                                QStringLiteral("CREATE TABLE ZEBResponse1 (a int)"),
                                QStringLiteral("CREATE TABLE ZEBResponse1_Extra_Long_Name (a int)"),
                                QStringLiteral("CREATE TABLE %1 (a int)")
                                    .arg(Quoted(db().surveys(), QStringLiteral("ZEBResponse1_]\"; DROP TABLE Settings")))});
    const auto before = Contents(db().surveys());

    ops.CleanUpDeletedSurveys();

    // Three numbered response tables next to each other, two more with the
    // prefix, and the two exact names: each counted once.
    ExpectOnlyMessage(Counted(StringId::SurveyTablesDeleted, 7));
    EXPECT_EQ(Contents(db().surveys()),
              Without(before, {"ZEBResponse1_1", "ZEBResponse1_2", "ZEBResponse1_3", "ZEBResponse1_Extra_Long_Name",
                               "ZEBResponse1_]\"; DROP TABLE Settings", "ZEBDataStructure1", "ZebSemiOpen1"}));
}

TEST_P(SurveyTablesRemoval, NewStorageNamesHaveAtLeastFourDigits)
{
    const std::vector<SurveyRow> surveys = {NewStorage(7, true), NewStorage(12345, true), NewStorage(42, false)};
    db().CreateCallCenter(surveys, {});
    db().CreateSurveyTables(surveys);
    ExecuteAll(db().surveys(), {QStringLiteral("CREATE TABLE Vorto2345Data (a int)"),
                                QStringLiteral("CREATE TABLE Vorto7Data (a int)")});
    const auto before = Contents(db().surveys());

    ops.CleanUpDeletedSurveys();

    ExpectOnlyMessage(Counted(StringId::SurveyTablesDeleted, 6));
    EXPECT_EQ(Contents(db().surveys()), Without(before, {"Vorto0007Data", "Vorto0007Interview", "Vorto0007SemiOpen",
                                                         "Vorto12345Data", "Vorto12345Interview", "Vorto12345SemiOpen"}));
}

TEST_P(SurveyTablesRemoval, MissingOrUndroppableExactNamesAreNotCounted)
{
    const std::vector<SurveyRow> surveys = {Legacy(4, true), NewStorage(9, true)};
    db().CreateCallCenter(surveys, {});
    db().CreateSurveyTables(surveys);
    // ZEBDataStructure4 is a view, which DROP TABLE refuses; Vorto0009Interview is gone.
    ExecuteAll(db().surveys(), {QStringLiteral("DROP TABLE ZEBDataStructure4"),
                                QStringLiteral("CREATE VIEW ZEBDataStructure4 AS SELECT * FROM Settings"),
                                QStringLiteral("DROP TABLE Vorto0009Interview")});
    const auto before = Contents(db().surveys());

    ops.CleanUpDeletedSurveys();

    ExpectOnlyMessage(Counted(StringId::SurveyTablesDeleted, 6));
    EXPECT_EQ(Contents(db().surveys()), Without(before, {"ZEBResponse4_1", "ZEBResponse4_2", "ZEBResponse4_3", "ZebSemiOpen4",
                                                         "Vorto0009Data", "Vorto0009SemiOpen"}));
}

TEST_P(SurveyTablesRemoval, DeletedSurveysWithoutTablesOfTheirOwnStillGiveACount)
{
    db().CreateCallCenter({{5, QStringLiteral("Paper"), 0, true}, {6, QStringLiteral("Unknown"), 1, true},
                           {8, QStringLiteral("Live"), 1, false}},
                          {});
    db().CreateSurveyTables({{8, QStringLiteral("Live"), 1, false}});
    ExecuteAll(db().callCenter(), {QStringLiteral("UPDATE Surveys SET InterviewStorage = NULL WHERE SurveyID = 6")});
    const auto before = Contents(db().surveys());

    ops.CleanUpDeletedSurveys();

    ExpectOnlyMessage(Counted(StringId::SurveyTablesDeleted, 0));
    EXPECT_EQ(Contents(db().surveys()), before);
}

TEST_P(SurveyTablesRemoval, NoDeletedSurveyShowsNothingAndLeavesTheSurveysDatabaseAlone)
{
    db().CreateCallCenter({Legacy(1, false), NewStorage(2, false), {3, QStringLiteral("Unmarked"), 1, std::nullopt}}, {});
    settings.surveyDB = Unopenable();

    ops.CleanUpDeletedSurveys();

    EXPECT_TRUE(feedback.messages.empty()) << feedback.messageTexts().join(QLatin1Char('\n')).toStdString();
}

TEST_P(SurveyTablesRemoval, FailureInThePrefixWalkEndsTheRunWithTheReportAndKeepsEarlierDrops)
{
    const std::vector<SurveyRow> surveys = {Legacy(1, true), NewStorage(2, true)};
    db().CreateCallCenter(surveys, {});
    db().CreateSurveyTables(surveys);
    // A view carries the prefix: the walk reaches it after the three tables.
    ExecuteAll(db().surveys(), {QStringLiteral("CREATE VIEW ZEBResponse1_view AS SELECT * FROM Settings")});
    const auto before = Contents(db().surveys());

    ops.CleanUpDeletedSurveys();

    ExpectOnlyReport(kReport);
    EXPECT_EQ(Contents(db().surveys()), Without(before, {"ZEBResponse1_1", "ZEBResponse1_2", "ZEBResponse1_3"}));
}

TEST_P(SurveyTablesRemoval, UnreadableCallCentreIsReported)
{
    db().CreateAll();
    settings.callCenterSrc = Unopenable();
    const auto before = Contents(db().surveys());

    ops.CleanUpDeletedSurveys();

    ExpectOnlyReport(kReport);
    EXPECT_EQ(Contents(db().surveys()), before);
}

TEST_P(SurveyTablesRemoval, OperationTakesTheGivenSetsAndLeavesErrorsToItsCaller)
{
    db().CreateAll();
    const auto before = Contents(db().surveys());

    // Survey 2 is live and of legacy storage, 42 live and new: the
    // operation does not look at the call-centre database.
    ops.DropSurveyTables({2}, {42});
    ExpectOnlyMessage(Counted(StringId::SurveyTablesDeleted, 8));
    EXPECT_EQ(Contents(db().surveys()),
              Without(before, {"ZEBResponse2_1", "ZEBResponse2_2", "ZEBResponse2_3", "ZEBDataStructure2", "ZebSemiOpen2",
                               "Vorto0042Data", "Vorto0042Interview", "Vorto0042SemiOpen"}));

    feedback.messages.clear();
    settings.surveyDB = Unopenable();
    EXPECT_THROW(ops.DropSurveyTables({1}, {}), DatabaseError);
    EXPECT_TRUE(feedback.messages.empty());
}
