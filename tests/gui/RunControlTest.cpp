#include "cleanup/RunRecord.h"
#include "gui/ConfirmationDialog.h"
#include "gui/MainWindow.h"
#include "gui/PreviewTexts.h"
#include "gui/RunProgressPanel.h"
#include "gui/SurveySelectionDialog.h"

#include "fixtures/ProductDatabases.h"
#include "fixtures/StatisticsSchema.h"
#include "tests/gui/ScriptedWindow.h"
#include "tests/support/RecordingFeedback.h"
#include "tests/support/Rows.h"
#include "tests/support/StoredSettings.h"
#include "tests/support/TempDatabases.h"
#include "tests/support/TestSettings.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>
#include <map>

using namespace qel;
using namespace qel::test;

namespace {

const QDate kCutoff(2024, 3, 5);

QPushButton* Button(QWidget& w, const char* name)
{
    auto* button = w.findChild<QPushButton*>(QLatin1String(name));
    EXPECT_NE(button, nullptr) << name;
    return button;
}

// Every file of a folder with its bytes.
std::map<QString, QByteArray> FolderBytes(const QString& folder)
{
    std::map<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        files[QDir(folder).relativeFilePath(path)] = file.readAll();
    }
    return files;
}

// The rows of a table as texts, sorted, each with every column of the
// source table in the source's order: rows of a source and of its backup
// compare as multisets.
QStringList RowTexts(const QString& connection, const QString& table, const QStringList& columns)
{
    QStringList texts;
    for (const Row& row : ReadRows(connection, QStringLiteral("SELECT %1 FROM %2").arg(columns.join(QLatin1Char(',')), table))) {
        QStringList values;
        for (const FieldValue& value : row)
            values << FieldText(value);
        texts << values.join(QLatin1Char('|'));
    }
    texts.sort();
    return texts;
}

QStringList ColumnsOf(const QString& connection, const QString& table)
{
    auto c = Connection::Open(connection);
    QStringList names;
    for (const ColumnDefinition& column : Catalog(*c).Columns(table))
        names << QStringLiteral("[%1]").arg(column.name);
    return names;
}

class RunControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ForgetSettings();
        product.CreateAll();
    }

    // A window on the product's databases with a SQLite backup chosen.
    void Prepare(ScriptedWindow& w)
    {
        product.ApplyTo(w.settings());
        w.settings().timeout = QStringLiteral("30");
        w.settings().backupType = 1;
        w.runState().removalDate = kCutoff;
        w.UpdateData(false);
    }

    TempDatabases temp;
    ProductDatabases product{temp.path(QStringLiteral("product"))};
    RecordingFeedback recorder;
};

} // namespace

TEST(ConfirmationDialogTest, ShowsEachTableTheTotalTheDropsAndTheBackupWithCancelAsTheDefault)
{
    CleanupPreview preview;
    preview.tables = {{QStringLiteral("Statistic_Call"), 1234567, false},
                      {QStringLiteral("Statistic_Agent"), 0, false},
                      {QStringLiteral("Agents"), 12, true}};
    preview.droppedTables = {QStringLiteral("Vorto0003Data"), QStringLiteral("Vorto0003Quotas")};
    preview.backup = true;
    preview.backupTarget = QStringLiteral("the SQLite file /backups/stat.db");
    const QString command = QStringLiteral("Clean-up by survey of 1 survey (<b>Alpha</b>): statistics, survey data");
    ConfirmationDialog dialog(command, preview);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Confirm clean-up"));
    QTreeWidget* tables = dialog.tableList();
    ASSERT_EQ(tables->topLevelItemCount(), 2) << "a table copied whole loses no rows";
    EXPECT_EQ(tables->topLevelItem(0)->text(0), QStringLiteral("Statistic_Call"));
    EXPECT_EQ(tables->topLevelItem(0)->text(1), QLocale().toString(1234567));
    EXPECT_EQ(tables->topLevelItem(1)->text(1), QStringLiteral("0")) << "a table without rows is listed too";
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("totalLine"))->text(),
              QStringLiteral("Total: %1 rows").arg(QLocale().toString(1234567)));
    auto* drops = dialog.findChild<QTreeWidget*>(QStringLiteral("tablesToDrop"));
    ASSERT_NE(drops, nullptr);
    ASSERT_EQ(drops->topLevelItemCount(), 2);
    EXPECT_EQ(drops->topLevelItem(1)->text(0), QStringLiteral("Vorto0003Quotas"));
    auto* commandLine = dialog.findChild<QLabel*>(QStringLiteral("commandLine"));
    EXPECT_EQ(commandLine->text(), QStringLiteral("Clean-up by survey of 1 survey (<b>Alpha</b>): statistics, survey data"));
    EXPECT_EQ(commandLine->textFormat(), Qt::PlainText) << "titles are shown as written";
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("backupLine"))->text(),
              QStringLiteral("Every row is copied into the backup before it is deleted:\n"
                             "the SQLite file /backups/stat.db\nIt also receives whole copies of Agents."));

    EXPECT_TRUE(dialog.cancelButton()->isDefault());
    EXPECT_FALSE(dialog.deleteButton()->isDefault());

    // Enter or Escape as soon as it shows answers Cancel; only Delete goes on.
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        ConfirmationDialog asked(command, preview);
        asked.show();
        asked.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&asked));
        EXPECT_EQ(asked.focusWidget(), asked.cancelButton());
        QTest::keyClick(asked.focusWidget(), key);
        EXPECT_FALSE(asked.isVisible());
        EXPECT_EQ(asked.result(), QDialog::Rejected) << key;
    }
    ConfirmationDialog accepted(command, preview);
    accepted.show();
    accepted.deleteButton()->click();
    EXPECT_EQ(accepted.result(), QDialog::Accepted);

    // Without a backup the dialog says the rows cannot come back; without
    // tables to drop it lists none; with no rows it says so.
    ConfirmationDialog plain(QStringLiteral("Clean-up by date"), CleanupPreview{});
    EXPECT_EQ(plain.findChild<QLabel*>(QStringLiteral("backupLine"))->text(),
              QStringLiteral("No backup: the deleted rows cannot be restored."));
    EXPECT_EQ(plain.findChild<QTreeWidget*>(QStringLiteral("tablesToDrop")), nullptr);
    EXPECT_NE(plain.findChild<QLabel*>(QStringLiteral("nothingLine")), nullptr);
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("nothingLine")), nullptr);
}

TEST_F(RunControlTest, CancelInTheConfirmationLeavesEveryDatabaseByteIdentical)
{
    ScriptedWindow w(&recorder);
    Prepare(w);
    const QString folder = temp.path(QStringLiteral("product"));
    const auto before = FolderBytes(folder);
    ASSERT_FALSE(before.empty());

    w.confirm = [&](ConfirmationDialog& dialog) {
        // The question is open: the window starts nothing and opens nothing.
        EXPECT_TRUE(w.runState().busy);
        QTest::keyClick(&w, Qt::Key_F1);
        Button(w, "listDatabaseButton")->click();
        Button(w, "bySurveyButton")->click();
        EXPECT_FALSE(w.progress().stopButton()->isEnabled());
        dialog.cancelButton()->click();
        return dialog.result();
    };
    Button(w, "byDateButton")->click();

    w.selectSurveys = [](SurveySelectionDialog& d) {
        auto* item = new QTreeWidgetItem(QStringList{QStringLiteral("3"), QStringLiteral("Survey"), QStringLiteral("Legacy")});
        item->setData(0, Qt::UserRole, 3u);
        d.surveyList()->addTopLevelItem(item);
        item->setSelected(true);
        d.setOptions({true, true, true, true});
        d.UpdateData(false);
        d.OnOK();
        return int(QDialog::Accepted);
    };
    Button(w, "bySurveyButton")->click();

    EXPECT_EQ(w.confirmations, 2);
    EXPECT_EQ(w.selectionRuns, 1) << "no second dialog while the first question was open";
    EXPECT_EQ(w.aboutRuns, 0);
    EXPECT_FALSE(w.runState().busy);
    EXPECT_TRUE(recorder.messages.empty()) << recorder.messageTexts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(FolderBytes(folder), before) << "no database changed, and no file was created";
    EXPECT_EQ(w.findChild<QLabel*>(QStringLiteral("statusLine"))->text(), QString())
        << "nothing on the status line reads as a run on its way";
}

TEST_F(RunControlTest, StopEndsTheRunAfterABatchWithEveryDeletedRowInTheBackupOnce)
{
    ScriptedWindow w(&recorder);
    Prepare(w);
    w.settings().batchSize = 2; // many batches in every table

    std::map<QString, QStringList> columns;
    std::map<QString, QStringList> before;
    long long doomed = 0;
    const QStringList present = TableNames(product.statistics());
    for (const auto& t : StatisticsTables()) {
        if (!present.contains(t.name))
            continue;
        columns[t.name] = ColumnsOf(product.statistics(), t.name);
        before[t.name] = RowTexts(product.statistics(), t.name, columns[t.name]);
    }
    const QString oldCalls = QStringLiteral("SELECT CallID FROM Statistic_Call WHERE Start_Time < '2024-03-05'");
    for (const auto& t : StatisticsTables())
        if (before.count(t.name))
            doomed += CountRows(product.statistics(),
                                QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2")
                                    .arg(t.name, t.callColumn.isEmpty()
                                                     ? QStringLiteral("%1 < '2024-03-05'").arg(t.dateColumn)
                                                     : QStringLiteral("%1 IN (%2)").arg(t.callColumn, oldCalls)));
    ASSERT_GT(doomed, 10);

    // Stop is pressed once some rows have gone, as a user would while the
    // run pumps the window's events.
    bool pressed = false;
    recorder.onPump = [&] {
        if (pressed || w.progress().bar()->value() <= 0)
            return;
        // The bar shows the table in hand, with the rows and the rate.
        EXPECT_GT(w.progress().bar()->value(), 0);
        EXPECT_TRUE(w.progress().bar()->format().startsWith(QStringLiteral("Statistic_")));
        EXPECT_TRUE(w.progress().rateLine()->text().contains(QStringLiteral(" rows")))
            << w.progress().rateLine()->text().toStdString();
        QPushButton* stop = w.progress().stopButton();
        EXPECT_TRUE(stop->isEnabled() && stop->isVisibleTo(&w));
        stop->click();
        EXPECT_FALSE(stop->isEnabled()) << "pressed once";
        pressed = true;
    };
    Button(w, "byDateButton")->click();
    ASSERT_TRUE(pressed);

    ASSERT_EQ(recorder.messages.size(), 1u) << recorder.messageTexts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(recorder.messages[0].kind, MessageKind::Stopped);
    const QString text = recorder.messages[0].text;
    ASSERT_TRUE(text.startsWith(QStringLiteral("Stopped: ")) && text.endsWith(QStringLiteral(" records deleted")))
        << text.toStdString();
    const long long stopped = text.section(QLatin1Char(' '), 1, 1).toLongLong();
    EXPECT_GT(stopped, 0);
    EXPECT_LT(stopped, doomed) << "the run ended early";
    EXPECT_EQ(w.findChild<QLabel*>(QStringLiteral("statusLine"))->text(), text);
    EXPECT_FALSE(w.runState().busy);
    EXPECT_FALSE(w.progress().stopButton()->isEnabled());

    // Every row that left a table is in its backup once, and nothing else is.
    long long backedUp = 0;
    for (const auto& [table, rows] : before) {
        SCOPED_TRACE(table.toStdString());
        QStringList after = RowTexts(product.statistics(), table, columns[table]);
        const QStringList copied = TableNames(product.backup()).contains(table)
            ? RowTexts(product.backup(), table, columns[table])
            : QStringList();
        backedUp += copied.size();
        after << copied;
        after.sort();
        EXPECT_EQ(after, rows);
    }
    EXPECT_EQ(backedUp, stopped) << "the count is of the rows that left";

    // A second run goes on from there and ends with the rest.
    recorder.onPump = nullptr;
    recorder.messages.clear();
    w.settings().batchSize = CleanupSettings::kDefaultBatchSize;
    Button(w, "byDateButton")->click();
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].text, QStringLiteral("Clean up successful : %1 records deleted!").arg(doomed - stopped));
}

namespace {

// The rows of every statistics table.
std::map<QString, long long> Census(const QString& statistics)
{
    std::map<QString, long long> rows;
    const QStringList present = TableNames(statistics);
    for (const auto& t : StatisticsTables())
        if (present.contains(t.name))
            rows[t.name] = CountRows(statistics, QStringLiteral("SELECT COUNT(*) FROM ") + t.name);
    return rows;
}

// What a confirmation showed: the rows of each table, the total and the
// tables to drop.
struct Shown {
    std::map<QString, long long> rows;
    long long total = -1;
    QStringList drops;
    QString backup;

    int Read(ConfirmationDialog& dialog)
    {
        *this = {};
        const QTreeWidget* tables = dialog.tableList();
        for (int i = 0; i < tables->topLevelItemCount(); ++i)
            rows[tables->topLevelItem(i)->text(0)] = QLocale().toLongLong(tables->topLevelItem(i)->text(1));
        const QString totalLine = dialog.findChild<QLabel*>(QStringLiteral("totalLine"))->text();
        total = QLocale().toLongLong(totalLine.section(QLatin1Char(' '), 1, 1));
        if (const auto* list = dialog.findChild<QTreeWidget*>(QStringLiteral("tablesToDrop")))
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                drops << list->topLevelItem(i)->text(0);
        backup = dialog.findChild<QLabel*>(QStringLiteral("backupLine"))->text();
        return QDialog::Accepted;
    }
};

} // namespace

TEST_F(RunControlTest, TheConfirmationShowsTheCountsTheRunThenDeletes)
{
    ScriptedWindow w(&recorder);
    Prepare(w);
    Shown shown;
    w.confirm = [&](ConfirmationDialog& dialog) { return shown.Read(dialog); };

    // By date, with a backup.
    auto before = Census(product.statistics());
    Button(w, "byDateButton")->click();
    auto after = Census(product.statistics());
    ASSERT_EQ(recorder.messages.size(), 1u) << recorder.messageTexts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(recorder.messages[0].text, QStringLiteral("Clean up successful : %1 records deleted!").arg(shown.total));
    EXPECT_GT(shown.total, 0);
    for (const auto& [table, rows] : before) {
        SCOPED_TRACE(table.toStdString());
        EXPECT_EQ(shown.rows.count(table) ? shown.rows.at(table) : 0, rows - after.at(table));
    }
    EXPECT_TRUE(shown.drops.isEmpty());
    EXPECT_TRUE(shown.backup.contains(temp.path(QStringLiteral("product"))) && shown.backup.contains(QStringLiteral("Agents")))
        << shown.backup.toStdString();

    // By survey, without a backup, with the survey's data tables.
    w.settings().backupType = 0;
    w.UpdateData(false);
    w.selectSurveys = [](SurveySelectionDialog& d) {
        d.LoadSurveys(); // which also makes the cleaning history's table
        const auto found = d.surveyList()->findItems(QStringLiteral("3"), Qt::MatchExactly, 0);
        EXPECT_EQ(found.size(), 1);
        for (QTreeWidgetItem* item : found)
            item->setSelected(true);
        d.setOptions({true, true, false, false});
        d.UpdateData(false);
        d.OnOK();
        return int(QDialog::Accepted);
    };
    recorder.messages.clear();
    before = Census(product.statistics());
    const QStringList tablesBefore = TableNames(product.surveys());
    Button(w, "bySurveyButton")->click();
    after = Census(product.statistics());
    ASSERT_FALSE(recorder.messages.empty());
    EXPECT_EQ(recorder.messages.back().text, QStringLiteral("Clean up successful : %1 records deleted!").arg(shown.total));
    EXPECT_GT(shown.total, 0);
    for (const auto& [table, rows] : before) {
        SCOPED_TRACE(table.toStdString());
        EXPECT_EQ(shown.rows.count(table) ? shown.rows.at(table) : 0, rows - after.at(table));
    }
    QStringList dropped;
    const QStringList tablesAfter = TableNames(product.surveys());
    for (const QString& table : tablesBefore)
        if (!tablesAfter.contains(table))
            dropped << table;
    ASSERT_FALSE(dropped.isEmpty());
    shown.drops.sort();
    EXPECT_EQ(shown.drops, dropped);
    EXPECT_EQ(shown.backup, QStringLiteral("No backup: the deleted rows cannot be restored."));

    // Both runs left their record in the run log, as the command line's do.
    QFile log(RunLogPath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly)) << RunLogPath().toStdString();
    QList<QByteArray> lines = log.readAll().split('\n');
    lines.removeAll(QByteArray());
    ASSERT_GE(lines.size(), 2);
    const QJsonObject byDate = QJsonDocument::fromJson(lines[lines.size() - 2]).object();
    const QJsonObject bySurvey = QJsonDocument::fromJson(lines.back()).object();
    EXPECT_EQ(byDate[QStringLiteral("frontEnd")].toString(), QStringLiteral("window"));
    EXPECT_EQ(byDate[QStringLiteral("command")].toString(), QStringLiteral("by-date"));
    EXPECT_EQ(byDate[QStringLiteral("outcome")].toString(), QStringLiteral("completed"));
    EXPECT_EQ(bySurvey[QStringLiteral("command")].toString(), QStringLiteral("by-survey"));
    EXPECT_EQ(bySurvey[QStringLiteral("surveyIds")].toArray(), QJsonArray{3});
    EXPECT_EQ(bySurvey[QStringLiteral("kinds")].toArray(), (QJsonArray{QStringLiteral("stats"), QStringLiteral("surveys")}));
    EXPECT_EQ(bySurvey[QStringLiteral("deleted")].toInteger(), shown.total);
    QStringList loggedDrops;
    for (const QJsonValue& table : bySurvey[QStringLiteral("droppedTables")].toArray())
        loggedDrops << table.toString();
    loggedDrops.sort();
    EXPECT_EQ(loggedDrops, dropped);
    for (const QJsonValue& table : bySurvey[QStringLiteral("tables")].toArray()) {
        const QString name = table[QStringLiteral("table")].toString();
        EXPECT_EQ(table[QStringLiteral("deleted")].toInteger(), before.at(name) - after.at(name)) << name.toStdString();
    }
}

TEST_F(RunControlTest, ARefusedSettingIsShownAndNothingStartsNorIsSaved)
{
    ScriptedWindow w(&recorder);
    Prepare(w);
    const auto before = FolderBytes(temp.path(QStringLiteral("product")));
    struct Case {
        const char* field;
        QString text;
        QString named;
    };
    const Case cases[] = {
        {"timeoutEdit", QStringLiteral("12x"), QStringLiteral("Timeout takes a whole number of seconds from 0 up")},
        {"statTgtEdit", QStringLiteral("Driver=SQLite3;Database=file::memory:"), QStringLiteral("StatTgt names an in-memory")},
    };
    for (const Case& c : cases) {
        QLineEdit* field = w.findChild<QLineEdit*>(QLatin1String(c.field));
        const QString kept = field->text();
        field->setText(c.text);
        for (const char* button : {"byDateButton", "bySurveyButton"}) {
            recorder.messages.clear();
            Button(w, button)->click();
            ASSERT_EQ(recorder.messages.size(), 1u) << button;
            EXPECT_EQ(recorder.messages[0].kind, MessageKind::Refused);
            EXPECT_TRUE(recorder.messages[0].text.startsWith(c.named)) << recorder.messages[0].text.toStdString();
        }
        field->setText(kept);
    }
    EXPECT_EQ(w.confirmations + w.selectionRuns, 0);
    EXPECT_FALSE(QFile::exists(SettingsFilePath())) << "a refused command saves nothing";
    EXPECT_EQ(FolderBytes(temp.path(QStringLiteral("product"))), before);
    EXPECT_FALSE(w.runState().busy);
}

TEST_F(RunControlTest, TheConfirmationWarnsOfACutOffAfterTodayOnALineOfItsOwn)
{
    ScriptedWindow w(&recorder);
    Prepare(w);
    QStringList warnings;
    bool icon = false;
    w.confirm = [&](ConfirmationDialog& dialog) {
        warnings.clear();
        for (const QLabel* line : dialog.findChildren<QLabel*>(QStringLiteral("warningLine")))
            warnings << line->text();
        const QLabel* picture = dialog.findChild<QLabel*>(QStringLiteral("warningIcon"));
        icon = picture && !picture->pixmap().isNull();
        return int(QDialog::Rejected);
    };
    Button(w, "byDateButton")->click(); // the cut-off of the fixture, long past
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join('\n').toStdString();

    const QDate tomorrow = QDate::currentDate().addDays(1);
    w.runState().removalDate = tomorrow;
    w.UpdateData(false);
    Button(w, "byDateButton")->click();
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_EQ(warnings[0], FutureCutoffText(tomorrow));
    EXPECT_TRUE(warnings[0].contains(QStringLiteral("after today")));
    EXPECT_TRUE(icon) << "with the warning icon";
}

TEST_F(RunControlTest, AnAccessBackupWithoutItsDriverIsNamedInTheConfirmationWhichOffersNoDelete)
{
    ScriptedWindow w(&recorder);
    Prepare(w);
    const QString file = temp.path(QStringLiteral("backup.mdb"));
    w.settings().backupType = 2;
    w.settings().accessTgt = file;
    w.UpdateData(false);
    const QString folder = temp.path(QStringLiteral("product"));
    const auto before = FolderBytes(folder);
    QString refusal;
    bool offersDelete = true;
    w.confirm = [&](ConfirmationDialog& dialog) {
        const QLabel* line = dialog.findChild<QLabel*>(QStringLiteral("refusalLine"));
        refusal = line ? line->text() : QString();
        offersDelete = dialog.deleteButton()->isVisibleTo(&dialog) || dialog.deleteButton()->isEnabled();
        return int(QDialog::Accepted); // as if Delete had been there after all
    };
    Button(w, "byDateButton")->click();
    EXPECT_EQ(w.confirmations, 1);
    EXPECT_TRUE(refusal.contains(QStringLiteral("The ODBC driver 'Microsoft Access Driver (*.mdb"))) << refusal.toStdString();
    EXPECT_TRUE(refusal.contains(QStringLiteral("Database of AccessTgt: the Access file %1").arg(file))) << refusal.toStdString();
    EXPECT_FALSE(offersDelete);
    EXPECT_EQ(FolderBytes(folder), before);
    EXPECT_FALSE(QFile::exists(file));
}
