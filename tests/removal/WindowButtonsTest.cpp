#include "RemovalFixture.h"

#include <BackupDlg.h>

#include <QLineEdit>
#include <QPushButton>

// The three table-removal buttons of the main window, clicked with the
// fixture databases typed into its fields.
class WindowButtons : public RemovalTest {
protected:
    void SetUp() override
    {
        RemovalTest::SetUp();
        db.CreateAll();
        const std::pair<int, QString> edits[] = {
            {1012, fields.CallCenterSrc}, {1024, fields.SurveyDB},  {1019, fields.ListDB},
            {1026, fields.WebInterviewDB}, {1027, fields.WebProdDB}, {1031, fields.Timeout}};
        for (const auto& [id, text] : edits) {
            auto* edit = window.findChild<QLineEdit*>(QString::number(id));
            ASSERT_NE(edit, nullptr) << id;
            edit->setText(text);
        }
    }

    void Click(int id)
    {
        auto* button = window.findChild<QPushButton*>(QString::number(id));
        ASSERT_NE(button, nullptr) << id;
        button->click();
    }

    CBackupDlg window{nullptr, &feedback};
};

TEST_F(WindowButtons, SurveysButtonRemovesTheTablesOfDeletedSurveys)
{
    const auto before = Contents(db.surveys());
    Click(1023);
    ExpectOnlyMessage(Counted(IDS_SURVEY_TABLES_DELETED, 16));
    EXPECT_EQ(Contents(db.surveys()).size(), before.size() - 16);
}

TEST_F(WindowButtons, ListsButtonRemovesTheTablesOfDeletedLists)
{
    const auto before = Contents(db.lists());
    Click(1020);
    ExpectOnlyMessage(Counted(IDS_LIST_TABLES_DELETED, 12));
    EXPECT_EQ(Contents(db.lists()).size(), before.size() - 12);
}

TEST_F(WindowButtons, WebInterviewsButtonRemovesTheTablesOfTitlesNoLongerInUse)
{
    const auto before = Contents(db.webInterviews());
    Click(1025);
    ExpectOnlyMessage(Counted(IDS_WEB_TABLES_DELETED, 3));
    EXPECT_EQ(Contents(db.webInterviews()),
              Without(before, {"Customer Satisfaction 2019", "Product Launch", "Regional Study"}));
}
