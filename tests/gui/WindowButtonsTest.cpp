#include "tests/removal/RemovalFixture.h"

#include "cleanup/Databases.h"
#include "gui/ConfirmationDialog.h"
#include "gui/MainWindow.h"
#include "tests/gui/ScriptedWindow.h"
#include "tests/support/StoredSettings.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

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
        // The confirmation is read, then answered as `answer` says.
        window.confirm = [this](ConfirmationDialog& dialog) {
            shown = {};
            shown.deleteText = dialog.deleteButton()->text();
            shown.cancelIsDefault = dialog.cancelButton()->isDefault() && !dialog.deleteButton()->isDefault();
            shown.statistics = dialog.tableList() != nullptr;
            if (const auto* count = dialog.findChild<QLabel*>(QStringLiteral("dropCountLine")))
                shown.count = count->text();
            if (QTreeWidget* drops = dialog.dropList())
                for (int i = 0; i < drops->topLevelItemCount(); ++i)
                    for (int j = 0; j < drops->topLevelItem(i)->childCount(); ++j)
                        shown.tables[drops->topLevelItem(i)->text(0)] << drops->topLevelItem(i)->child(j)->text(0);
            return answer;
        };
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
    // What the confirmation showed.
    struct Shown {
        QString deleteText;
        bool cancelIsDefault = false;
        bool statistics = true;
        QString count;
        std::map<QString, QStringList> tables; // by database
    };

    ScriptedWindow window{&feedback};
    int answer = QDialog::Accepted;
    Shown shown;
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

// A drop cannot be undone: each button first shows the tables it would
// drop, under their database, with their count, and Cancel (the default)
// leaves every table where it was; only Delete drops, and exactly the
// tables shown.
TEST_F(WindowButtons, EachDropAsksFirstShowingTheTablesByDatabaseAndCancelDropsNothing)
{
    const struct {
        const char* button;
        QString connection;
        DatabaseRole role;
        int tables;
    } cases[] = {
        {"surveysDatabaseButton", settings.surveyDB, DatabaseRole::Surveys, 16},
        {"listDatabaseButton", settings.listDB, DatabaseRole::Lists, 12},
        {"webInterviewsDatabaseButton", settings.webInterviewDB, DatabaseRole::WebInterviews, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        const auto before = Contents(c.connection);
        feedback.messages.clear();
        answer = QDialog::Rejected;
        const int asked = window.confirmations;
        Click(c.button);
        EXPECT_EQ(window.confirmations, asked + 1);
        EXPECT_TRUE(feedback.messages.empty()) << feedback.messageTexts().join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(Contents(c.connection), before) << "Cancel drops nothing";
        EXPECT_EQ(shown.deleteText, QStringLiteral("Delete"));
        EXPECT_TRUE(shown.cancelIsDefault);
        EXPECT_FALSE(shown.statistics) << "a drop deletes no statistics rows";
        EXPECT_EQ(shown.count, QStringLiteral("%1 tables to drop. Dropped tables cannot be restored.").arg(c.tables));
        ASSERT_EQ(shown.tables.size(), 1u);
        const QString database = DatabaseOrigin(c.connection, c.role);
        ASSERT_EQ(shown.tables.count(database), 1u) << shown.tables.begin()->first.toStdString();
        QStringList listed = shown.tables.at(database);
        EXPECT_EQ(listed.size(), c.tables);

        answer = QDialog::Accepted;
        Click(c.button);
        QStringList gone;
        const auto after = Contents(c.connection);
        for (const auto& entry : before)
            if (after.count(entry.first) == 0)
                gone << entry.first;
        listed.sort();
        gone.sort();
        EXPECT_EQ(gone, listed) << "Delete drops exactly the tables shown";
        EXPECT_TRUE(window.findChild<QLabel*>(QStringLiteral("statusLine"))
                        ->text()
                        .startsWith(QStringLiteral("Dropped %1 tables in ").arg(c.tables)))
            << "the status line ends with the run's summary";
    }
}
