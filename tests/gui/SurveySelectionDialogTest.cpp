#include "gui/MainWindow.h"
#include "cleanup/surveys/CleaningHistory.h"
#include "db/Connection.h"
#include "gui/SurveySelectionDialog.h"

#include "fixtures/ProductDatabases.h"
#include "tests/support/RecordingFeedback.h"
#include "tests/support/StoredSettings.h"
#include "tests/support/TempDatabases.h"
#include "tests/support/TestSettings.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>

using namespace qel;
using namespace qel::test;

namespace {

// Selects the rows of the given survey identifiers, as a user would.
void SelectSurveys(SurveySelectionDialog& dialog, const std::vector<quint32>& ids)
{
    QTreeWidget* list = dialog.surveyList();
    list->clearSelection();
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list->topLevelItem(i);
        if (std::find(ids.begin(), ids.end(), item->data(0, Qt::UserRole).toUInt()) != ids.end())
            item->setSelected(true);
    }
}

void Check(SurveySelectionDialog& dialog, const char* name)
{
    dialog.findChild<QCheckBox*>(QLatin1String(name))->setChecked(true);
}

} // namespace

class SurveySelectionDialogTest : public ::testing::Test {
protected:
    // A window reads the stored settings: none are left from another test.
    void SetUp() override
    {
        ForgetSettings();
        product.CreateAll();
    }
    TempDatabases temp;
    ProductDatabases product{temp.path(QStringLiteral("product"))};
    RecordingFeedback feedback;
};

TEST_F(SurveySelectionDialogTest, ListsEverySurveyWithItsColumnsAndOnlyReads)
{
    SurveySelectionDialog dialog(product.callCenter(), feedback);
    dialog.LoadSurveys();
    QTreeWidget* list = dialog.surveyList();
    ASSERT_EQ(list->columnCount(), 8);
    // The template's widths at least, and wide enough for every title and,
    // but for the names, every text.
    const int widths[] = {60, 200, 80, 60, 130, 130, 130, 130};
    const QAbstractItemView* view = list;
    for (int i = 0; i < 8; ++i) {
        EXPECT_GE(list->columnWidth(i), widths[i]) << i;
        EXPECT_GE(list->columnWidth(i), list->header()->sectionSizeHint(i)) << i;
        if (i != 1) {
            EXPECT_GE(list->columnWidth(i), view->sizeHintForColumn(i)) << i;
        }
    }
    EXPECT_EQ(list->headerItem()->text(6), QStringLiteral("WebInterviews Cleaned"));
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    ASSERT_EQ(list->topLevelItemCount(), 8);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("1"));
    EXPECT_EQ(list->topLevelItem(0)->text(2), QStringLiteral("Legacy"));
    EXPECT_EQ(list->topLevelItem(0)->text(3), QStringLiteral("Yes"));
    EXPECT_EQ(list->topLevelItem(0)->text(4), QStringLiteral("Never"));
    EXPECT_EQ(list->topLevelItem(7)->data(0, Qt::UserRole).toUInt(), 42u);
    // Without a history every survey reads as never cleaned; only a clean-up
    // that records one creates it.
    EXPECT_FALSE(TableNames(product.callCenter()).contains(QStringLiteral("CleaningHistory")));
    EXPECT_TRUE(feedback.messages.empty());
    for (const char* name : {"statsCheck", "surveysCheck", "webInterviewsCheck", "listsCheck"}) // the options start unchecked
        EXPECT_FALSE(dialog.findChild<QCheckBox*>(QLatin1String(name))->isChecked()) << name;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Surveys"));
}

TEST_F(SurveySelectionDialogTest, OkSplitsTheSelectionByStorageAndKeepsTitlesOnce)
{
    SurveySelectionDialog dialog(product.callCenter(), feedback);
    dialog.LoadSurveys();
    // 2 and 7 share the title "Brand Tracker"; 5 keeps no interview data.
    SelectSurveys(dialog, {42, 2, 7, 5, 1});
    // OK waits for a kind to clean.
    QPushButton* ok = dialog.findChild<QPushButton*>(QStringLiteral("okButton"));
    EXPECT_FALSE(ok->isEnabled());
    dialog.OnOK();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    Check(dialog, "statsCheck");
    EXPECT_TRUE(ok->isEnabled());
    Check(dialog, "listsCheck");
    ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.selection().legacySurveyIds, (IdentifierArray{1, 2}));
    EXPECT_EQ(dialog.selection().newSurveyIds, (IdentifierArray{7, 42}));
    EXPECT_EQ(dialog.selection().surveyNames,
              (TableNameSet{"Brand Tracker", "Customer Satisfaction 2019", "Health Panel", "Paper Pilot"}));
    EXPECT_TRUE(dialog.options().stats);
    EXPECT_FALSE(dialog.options().surveys);
    EXPECT_FALSE(dialog.options().webInterviews);
    EXPECT_TRUE(dialog.options().lists);
}

TEST_F(SurveySelectionDialogTest, AFailureWhileLoadingIsReportedAndTheDialogStillOpens)
{
    SurveySelectionDialog dialog(QStringLiteral("Driver=No Such Driver;Database=x"), feedback);
    dialog.LoadSurveys();
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_TRUE(feedback.messages[0].text.startsWith(QStringLiteral("ADO error in CSelectSurveysDlg (")));
    EXPECT_EQ(dialog.surveyList()->topLevelItemCount(), 0);
    dialog.OnOK(); // confirming with nothing selected gives empty arrays
    EXPECT_TRUE(dialog.selection().legacySurveyIds.empty());
    EXPECT_TRUE(dialog.selection().newSurveyIds.empty());
}

TEST_F(SurveySelectionDialogTest, ASurveysTableWithoutTitlesIsReported)
{
    ExecuteAll(product.callCenter(), {QStringLiteral("ALTER TABLE Surveys RENAME COLUMN SurveyTitle TO Title")});
    SurveySelectionDialog dialog(product.callCenter(), feedback);
    dialog.LoadSurveys();
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_TRUE(feedback.messages[0].text.startsWith(QStringLiteral("ADO error in CSelectSurveysDlg (")));
}

TEST_F(SurveySelectionDialogTest, CleaningDatesShowTheYearInFourDigitsInTheUsersFormat)
{
    SurveySelectionDialog dialog(product.callCenter(), feedback);
    {
        auto callCenter = Connection::Open(product.callCenter());
        callCenter->Execute(CreateCleaningHistorySql(callCenter->dialect()));
        callCenter->Execute(QStringLiteral("INSERT INTO CleaningHistory (SurveyID, StatsCleaned) VALUES (1, '2024-03-05 14:30:00')"));
    }
    const QLocale before;
    // Short formats with two-digit years: M/d/yy and dd.MM.yy.
    for (const auto& [locale, date] : {std::pair{QLocale(QLocale::English, QLocale::UnitedStates), "3/5/2024"},
                                       std::pair{QLocale(QLocale::German, QLocale::Germany), "05.03.2024"}}) {
        SCOPED_TRACE(date);
        ASSERT_TRUE(locale.dateTimeFormat(QLocale::ShortFormat).contains(QLatin1String("yy")));
        QLocale::setDefault(locale);
        dialog.LoadSurveys();
        const QString cell = dialog.surveyList()->topLevelItem(0)->text(4);
        EXPECT_TRUE(cell.startsWith(QLatin1String(date))) << cell.toStdString();
        EXPECT_TRUE(cell.contains(QStringLiteral("30"))) << "with the time of day";
        EXPECT_EQ(dialog.surveyList()->topLevelItem(0)->text(5), QStringLiteral("Never"));
        EXPECT_GE(dialog.surveyList()->columnWidth(4), static_cast<const QAbstractItemView*>(dialog.surveyList())->sizeHintForColumn(4));
    }
    QLocale::setDefault(before);
}

namespace {

class SelectingWindow : public MainWindow {
public:
    explicit SelectingWindow(Feedback* messages) : MainWindow(TestSettingsStore(), messages) {}
    std::function<int(SurveySelectionDialog&)> choose;

protected:
    int RunSurveySelection(SurveySelectionDialog& dialog) override
    {
        dialog.LoadSurveys();
        return choose(dialog);
    }
    int RunConfirmation(ConfirmationDialog&) override { return QDialog::Accepted; }
};

} // namespace

TEST_F(SurveySelectionDialogTest, TheWindowCleansTheChosenSurveysAndRecordsTheHistory)
{
    SelectingWindow window(&feedback);
    CleanupSettings& settings = window.settings();
    product.ApplyTo(settings);
    settings.timeout = QStringLiteral("30");
    window.UpdateData(false);
    window.choose = [&](SurveySelectionDialog& dialog) {
        SelectSurveys(dialog, {3});
        Check(dialog, "statsCheck");
        Check(dialog, "surveysCheck");
        dialog.OnOK();
        return int(QDialog::Accepted);
    };
    const long long calls = CountRows(product.statistics(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE TaskID = 3"));
    ASSERT_GT(calls, 0);

    window.findChild<QPushButton*>(QStringLiteral("bySurveyButton"))->click();

    EXPECT_EQ(CountRows(product.statistics(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE TaskID = 3")), 0);
    EXPECT_GT(CountRows(product.statistics(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE TaskID <> 3")), 0);
    EXPECT_FALSE(TableNames(product.surveys()).contains(QStringLiteral("Vorto0003Data")));
    EXPECT_TRUE(TableNames(product.surveys()).contains(QStringLiteral("Vorto0004Data")));
    EXPECT_EQ(CountRows(product.callCenter(), QStringLiteral("SELECT COUNT(*) FROM CleaningHistory WHERE SurveyID = 3 AND "
                                                             "StatsCleaned IS NOT NULL AND SurveysCleaned IS NOT NULL AND "
                                                             "WebInterviewsCleaned IS NULL AND ListsCleaned IS NULL")),
              1);
    // The removal's result and the closing message, in one box.
    const QStringList texts = feedback.messageTexts();
    ASSERT_EQ(texts.size(), 1);
    const QStringList parts = texts[0].split(QStringLiteral("\n\n"));
    ASSERT_EQ(parts.size(), 2) << texts[0].toStdString();
    EXPECT_EQ(parts[0], QStringLiteral("3 old survey tables have been deleted!"));
    EXPECT_TRUE(parts[1].startsWith(QStringLiteral("Clean up successful : ")));
    EXPECT_FALSE(window.runState().busy);
}
