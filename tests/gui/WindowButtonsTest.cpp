#include "tests/removal/RemovalFixture.h"

#include "gui/MainWindow.h"
#include "tests/support/StoredSettings.h"
#include "tests/support/TestSettings.h"

#include <QLineEdit>
#include <QPushButton>

using namespace qel;
using namespace qel::test;

// The three table-removal buttons of the main window, clicked with the
// fixture databases typed into its edits.
class WindowButtons : public OnSQLite<RemovalTest> {
protected:
    void SetUpProduct() override
    {
        RemovalTest::SetUpProduct();
        db().CreateAll();
        const std::pair<const char*, QString> edits[] = {
            {"callCenterSrcEdit", settings.callCenterSrc},   {"surveyDBEdit", settings.surveyDB},
            {"listDBEdit", settings.listDB},                 {"webInterviewDBEdit", settings.webInterviewDB},
            {"webProdDBEdit", settings.webProdDB},           {"timeoutEdit", settings.timeout}};
        for (const auto& [name, text] : edits) {
            auto* edit = window.findChild<QLineEdit*>(QLatin1String(name));
            ASSERT_NE(edit, nullptr) << name;
            edit->setText(text);
        }
    }

    void Click(const char* name)
    {
        auto* button = window.findChild<QPushButton*>(QLatin1String(name));
        ASSERT_NE(button, nullptr) << name;
        button->click();
    }

    // The window reads the stored settings: none are left from another test.
    struct NoStoredSettings {
        NoStoredSettings() { ForgetSettings(); }
    } noStoredSettings;
    MainWindow window{TestSettingsStore(), &feedback};
};

TEST_F(WindowButtons, SurveysButtonRemovesTheTablesOfDeletedSurveys)
{
    const auto before = Contents(db().surveys());
    Click("surveysDatabaseButton");
    ExpectOnlyMessage(Counted(StringId::SurveyTablesDeleted, 16));
    EXPECT_EQ(Contents(db().surveys()).size(), before.size() - 16);
}

TEST_F(WindowButtons, ListsButtonRemovesTheTablesOfDeletedLists)
{
    const auto before = Contents(db().lists());
    Click("listDatabaseButton");
    ExpectOnlyMessage(Counted(StringId::ListTablesDeleted, 12));
    EXPECT_EQ(Contents(db().lists()).size(), before.size() - 12);
}

TEST_F(WindowButtons, WebInterviewsButtonRemovesTheTablesOfTitlesNoLongerInUse)
{
    const auto before = Contents(db().webInterviews());
    Click("webInterviewsDatabaseButton");
    ExpectOnlyMessage(Counted(StringId::WebTablesDeleted, 3));
    EXPECT_EQ(Contents(db().webInterviews()),
              Without(before, {"Customer Satisfaction 2019", "Product Launch", "Regional Study"}));
}
