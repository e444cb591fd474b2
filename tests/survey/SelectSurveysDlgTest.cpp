#include <BackupDlg.h>
#include <CleaningHistory.h>
#include <SelectSurveysDlg.h>

#include <ProductDatabases.h>
#include <RecordingFeedback.h>
#include <TempDatabases.h>

#include <QCheckBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Selects the rows of the given survey identifiers, as a user would.
void SelectSurveys(CSelectSurveysDlg& dialog, const std::vector<quint32>& ids)
{
    QTreeWidget* list = dialog.m_SurveyList;
    list->clearSelection();
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list->topLevelItem(i);
        if (std::find(ids.begin(), ids.end(), item->data(0, Qt::UserRole).toUInt()) != ids.end())
            item->setSelected(true);
    }
}

void Check(CSelectSurveysDlg& dialog, int id)
{
    dialog.findChild<QCheckBox*>(QString::number(id))->setChecked(true);
}

} // namespace

class SelectSurveysDlgTest : public ::testing::Test {
protected:
    void SetUp() override { product.CreateAll(); }
    TempDatabases temp;
    ProductDatabases product{temp.path(QStringLiteral("product"))};
    RecordingFeedback feedback;
};

TEST_F(SelectSurveysDlgTest, ListsEverySurveyWithItsColumnsAndCreatesTheHistory)
{
    CSelectSurveysDlg dialog(product.callCenter(), feedback);
    dialog.OnInitDialog();
    QTreeWidget* list = dialog.m_SurveyList;
    ASSERT_EQ(list->columnCount(), 8);
    const int widths[] = {60, 200, 80, 60, 130, 130, 130, 130};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(list->columnWidth(i), widths[i]) << i;
    EXPECT_EQ(list->headerItem()->text(6), QStringLiteral("WebInterviews Cleaned"));
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    ASSERT_EQ(list->topLevelItemCount(), 8);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("1"));
    EXPECT_EQ(list->topLevelItem(0)->text(2), QStringLiteral("Legacy"));
    EXPECT_EQ(list->topLevelItem(0)->text(3), QStringLiteral("Yes"));
    EXPECT_EQ(list->topLevelItem(0)->text(4), QStringLiteral("Never"));
    EXPECT_EQ(list->topLevelItem(7)->data(0, Qt::UserRole).toUInt(), 42u);
    EXPECT_TRUE(TableNames(product.callCenter()).contains(QStringLiteral("CleaningHistory")));
    EXPECT_TRUE(feedback.messages.empty());
    for (int id : {1033, 1034, 1035, 1036}) // the options start unchecked
        EXPECT_FALSE(dialog.findChild<QCheckBox*>(QString::number(id))->isChecked()) << id;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Surveys"));
}

TEST_F(SelectSurveysDlgTest, OkSplitsTheSelectionByStorageAndKeepsTitlesOnce)
{
    CSelectSurveysDlg dialog(product.callCenter(), feedback);
    dialog.OnInitDialog();
    // 2 and 7 share the title "Brand Tracker"; 5 keeps no interview data.
    SelectSurveys(dialog, {42, 2, 7, 5, 1});
    Check(dialog, 1033);
    Check(dialog, 1036);
    dialog.findChild<QPushButton*>(QStringLiteral("1"))->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.m_LegacySurveyIds, (IdentifierArray{1, 2}));
    EXPECT_EQ(dialog.m_NewSurveyIds, (IdentifierArray{7, 42}));
    EXPECT_EQ(dialog.m_SurveyNames, (TableNameSet{"Brand Tracker", "Customer Satisfaction 2019", "Health Panel", "Paper Pilot"}));
    EXPECT_EQ(dialog.m_bCleanStats, 1);
    EXPECT_EQ(dialog.m_bCleanSurveys, 0);
    EXPECT_EQ(dialog.m_bCleanWebInterviews, 0);
    EXPECT_EQ(dialog.m_bCleanLists, 1);
}

TEST_F(SelectSurveysDlgTest, AFailureWhileLoadingIsReportedAndTheDialogStillOpens)
{
    CSelectSurveysDlg dialog(QStringLiteral("Driver=No Such Driver;Database=x"), feedback);
    dialog.OnInitDialog();
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_TRUE(feedback.messages[0].text.startsWith(QStringLiteral("ADO error in CSelectSurveysDlg (")));
    EXPECT_EQ(dialog.m_SurveyList->topLevelItemCount(), 0);
    dialog.OnOK(); // confirming with nothing selected gives empty arrays
    EXPECT_TRUE(dialog.m_LegacySurveyIds.empty());
    EXPECT_TRUE(dialog.m_NewSurveyIds.empty());
}

TEST_F(SelectSurveysDlgTest, ASurveysTableWithoutTitlesIsReportedAfterTheHistoryIsMade)
{
    ExecuteAll(product.callCenter(), {QStringLiteral("ALTER TABLE Surveys RENAME COLUMN SurveyTitle TO Title")});
    CSelectSurveysDlg dialog(product.callCenter(), feedback);
    dialog.OnInitDialog();
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_TRUE(feedback.messages[0].text.startsWith(QStringLiteral("ADO error in CSelectSurveysDlg (")));
    EXPECT_TRUE(TableNames(product.callCenter()).contains(QStringLiteral("CleaningHistory")));
}

namespace {

class SelectingWindow : public CBackupDlg {
public:
    explicit SelectingWindow(Feedback* messages) : CBackupDlg(nullptr, messages) {}
    std::function<int(CSelectSurveysDlg&)> choose;

protected:
    int RunSelectSurveys(CSelectSurveysDlg& dialog) override
    {
        dialog.OnInitDialog();
        return choose(dialog);
    }
};

} // namespace

TEST_F(SelectSurveysDlgTest, TheWindowCleansTheChosenSurveysAndRecordsTheHistory)
{
    SelectingWindow window(&feedback);
    BackupFields& fields = window.fields();
    product.ApplyTo(fields);
    fields.Timeout = QStringLiteral("30");
    window.UpdateData(false);
    window.choose = [&](CSelectSurveysDlg& dialog) {
        SelectSurveys(dialog, {3});
        Check(dialog, 1033);
        Check(dialog, 1034);
        dialog.OnOK();
        return int(QDialog::Accepted);
    };
    const long long calls = CountRows(product.statistics(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE TaskID = 3"));
    ASSERT_GT(calls, 0);

    window.findChild<QPushButton*>(QStringLiteral("1010"))->click();

    EXPECT_EQ(CountRows(product.statistics(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE TaskID = 3")), 0);
    EXPECT_GT(CountRows(product.statistics(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE TaskID <> 3")), 0);
    EXPECT_FALSE(TableNames(product.surveys()).contains(QStringLiteral("Vorto0003Data")));
    EXPECT_TRUE(TableNames(product.surveys()).contains(QStringLiteral("Vorto0004Data")));
    EXPECT_EQ(CountRows(product.callCenter(), QStringLiteral("SELECT COUNT(*) FROM CleaningHistory WHERE SurveyID = 3 AND "
                                                             "StatsCleaned IS NOT NULL AND SurveysCleaned IS NOT NULL AND "
                                                             "WebInterviewsCleaned IS NULL AND ListsCleaned IS NULL")),
              1);
    const QStringList texts = feedback.messageTexts();
    ASSERT_EQ(texts.size(), 2);
    EXPECT_EQ(texts[0], QStringLiteral("3 old survey tables have been deleted!"));
    EXPECT_TRUE(texts[1].startsWith(QStringLiteral("Clean up successful : ")));
    EXPECT_FALSE(fields.busy);
}
