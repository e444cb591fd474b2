#include "tests/gui/ScriptedWindow.h"
#include "tests/support/StoredSettings.h"
#include "tests/support/TestSettings.h"

#include "gui/AboutDialog.h"
#include "gui/MainWindow.h"
#include "gui/BackupFileDialog.h"
#include "core/Progress.h"
#include "gui/SurveySelectionDialog.h"
#include "core/StringTable.h"

#include "gui/WidgetFeedback.h"

#include "fixtures/ProductDatabases.h"
#include "tests/support/RecordingFeedback.h"
#include "tests/support/TempDatabases.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <QAbstractButton>

#include <gtest/gtest.h>

#include <functional>

using namespace qel;
using namespace qel::test;

namespace {

template <typename T = QWidget>
T* Ctl(QWidget& window, const QString& name)
{
    T* control = window.findChild<T*>(name);
    EXPECT_NE(control, nullptr) << name.toStdString();
    return control;
}
template <typename T = QWidget>
T* Ctl(QWidget& window, const char* name)
{
    return Ctl<T>(window, QString::fromLatin1(name));
}
QLineEdit* Edit(QWidget& w, const char* name) { return Ctl<QLineEdit>(w, name); }
void Click(QWidget& w, const char* name) { Ctl<QPushButton>(w, name)->click(); }
QRadioButton* Radio(QWidget& w, const char* name) { return Ctl<QRadioButton>(w, name); }
QComboBox* SyntaxBox(QWidget& w) { return Ctl<QComboBox>(w, "sourceSyntaxCombo"); }

void ShowActive(QWidget& w)
{
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { ForgetSettings(); }
    RecordingFeedback recorder;
};

// Every control of the template in tab order: object name, class, text.
struct Expected {
    const char* name;
    const char* className;
    const char* text;
};
const Expected kMainWindow[] = {
    {"groupConnectionStrings", "QGroupBox", "Connection Strings"},
    {"labelCallCenterSrc", "QLabel", "QEL :"},
    {"callCenterSrcEdit", "QLineEdit", ""},
    {"labelStatSrc", "QLabel", "Statistics :"},
    {"statSrcEdit", "QLineEdit", ""},
    {"groupCleanupByDate", "QGroupBox", "Cleanup by Date"},
    {"labelRemovalDate", "QLabel", "Remove data before:"},
    {"removalDatePicker", "QDateEdit", nullptr},
    {"byDateButton", "QPushButton", "Clean-up by date"},
    {"groupCleanupBySurvey", "QGroupBox", "Cleanup by Survey"},
    {"bySurveyButton", "QPushButton", "Clean-up by survey"},
    {"listDBEdit", "QLineEdit", ""},
    {"listDatabaseButton", "QPushButton", "Clean-up list database"},
    {"groupCleanupDeleted", "QGroupBox", "Cleanup Deleted"},
    {"labelSurveyDB", "QLabel", "Surveys :"},
    {"surveyDBEdit", "QLineEdit", ""},
    {"surveysDatabaseButton", "QPushButton", "Clean-up Surveys Database"},
    {"labelWebInterviewDB", "QLabel", "WebInterviews :"},
    {"webInterviewDBEdit", "QLineEdit", ""},
    {"labelWebProdDB", "QLabel", "Webprod :"},
    {"webProdDBEdit", "QLineEdit", ""},
    {"webInterviewsDatabaseButton", "QPushButton", "Clean-up WebInterviews Database"},
    {"statusLine", "QLabel", ""},
    {"closeButton", "QPushButton", "Close"},
    {"timeoutEdit", "QLineEdit", "300"},
    {"labelTimeout", "QLabel", "SQL Queries Timeout (seconds):"},
    {"labelListDB", "QLabel", "Lists :"},
    {"picture", "QLabel", nullptr},
};

QString TextOf(QWidget* control)
{
    if (auto* g = qobject_cast<QGroupBox*>(control))
        return g->title();
    if (auto* l = qobject_cast<QLabel*>(control))
        return l->text();
    if (auto* b = qobject_cast<QPushButton*>(control))
        return b->text();
    return qobject_cast<QLineEdit*>(control)->text();
}

// The widgets of the set in the order Tab visits them, from the first.
QList<QWidget*> TabOrderOf(const QList<QWidget*>& widgets)
{
    QList<QWidget*> order{widgets.first()};
    for (QWidget* next = widgets.first()->nextInFocusChain(); next != widgets.first(); next = next->nextInFocusChain())
        if (widgets.contains(next))
            order << next;
    return order;
}

TEST_F(WindowTest, FirstRunShowsEveryControlOfTheTemplateWithItsTextInTabOrder)
{
    ScriptedWindow w(&recorder);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("QelCleanup"));
    EXPECT_EQ(w.font(), QApplication::font()) << "the desktop's font";
    EXPECT_FALSE(w.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(w.windowIcon().isNull());

    QList<QWidget*> tabStops;
    for (const Expected& e : kMainWindow) {
        QWidget* control = Ctl(w, QString::fromLatin1(e.name));
        ASSERT_NE(control, nullptr);
        EXPECT_STREQ(control->metaObject()->className(), e.className) << e.name;
        if (e.text) {
            EXPECT_EQ(TextOf(control), QString::fromLatin1(e.text)) << e.name;
        }
        if (auto* b = qobject_cast<QPushButton*>(control)) {
            EXPECT_FALSE(b->isDefault() || b->autoDefault()) << e.name;
        }
        if (control->focusPolicy() & Qt::TabFocus)
            tabStops << control;
    }
    EXPECT_EQ(Ctl<QDateEdit>(w, "removalDatePicker")->date(), QDate::currentDate().addDays(-90));
    EXPECT_TRUE(Radio(w, "noBackupRadio")->isChecked());
    EXPECT_EQ(SyntaxBox(w)->currentText(), QStringLiteral("SQL Server"));
    EXPECT_FALSE(Edit(w, "statTgtEdit")->isEnabled() || Edit(w, "accessTgtEdit")->isEnabled());
    EXPECT_FALSE(Ctl<QPushButton>(w, "browseBackupButton")->autoDefault());
    EXPECT_FALSE(QFile::exists(SettingsFilePath())) << "opening the window writes nothing";

    // Seven edits, the picker and six buttons are tab stops, in template
    // order, whichever group holds them; the backup section comes after.
    ASSERT_EQ(tabStops.size(), 14);
    EXPECT_EQ(TabOrderOf(tabStops), tabStops);
    EXPECT_EQ(TabOrderOf({tabStops.last(), Radio(w, "sqlBackupRadio"), tabStops.first()}),
              (QList<QWidget*>{tabStops.last(), Radio(w, "sqlBackupRadio"), tabStops.first()}));

    // A group box frames its buttons without taking their clicks.
    w.show();
    QPushButton* list = Ctl<QPushButton>(w, "listDatabaseButton");
    EXPECT_EQ(w.childAt(list->mapTo(&w, list->rect().center())), list);
}

TEST_F(WindowTest, FieldsReachTheControlsAndComeBack)
{
    ScriptedWindow w(&recorder);
    const std::pair<const char*, QString CleanupSettings::*> texts[] = {
        {"callCenterSrcEdit", &CleanupSettings::callCenterSrc}, {"statSrcEdit", &CleanupSettings::statSrc},
        {"timeoutEdit", &CleanupSettings::timeout},             {"listDBEdit", &CleanupSettings::listDB},
        {"surveyDBEdit", &CleanupSettings::surveyDB},           {"webInterviewDBEdit", &CleanupSettings::webInterviewDB},
        {"webProdDBEdit", &CleanupSettings::webProdDB}};
    for (const auto& [name, field] : texts)
        w.settings().*field = QStringLiteral("<field %1> & ").arg(QLatin1String(name));
    w.runState().removalDate = QDate(2021, 3, 4);
    w.UpdateData(false);
    for (const auto& [name, field] : texts)
        EXPECT_EQ(Edit(w, name)->text(), QStringLiteral("<field %1> & ").arg(QLatin1String(name)));
    EXPECT_EQ(Ctl<QDateEdit>(w, "removalDatePicker")->date(), QDate(2021, 3, 4));

    for (const auto& [name, field] : texts)
        Edit(w, name)->setText(QStringLiteral(" control %1 ").arg(QLatin1String(name)));
    Ctl<QDateEdit>(w, "removalDatePicker")->setDate(QDate(2020, 1, 2));
    w.UpdateData(true);
    for (const auto& [name, field] : texts)
        EXPECT_EQ(w.settings().*field, QStringLiteral(" control %1 ").arg(QLatin1String(name)));
    EXPECT_EQ(w.runState().removalDate, QDate(2020, 1, 2));
}

TEST_F(WindowTest, BackupSectionShowsEachKindAndTakesItBack)
{
    ScriptedWindow w(&recorder);
    CleanupSettings& s = w.settings();
    s.statTgt = QStringLiteral("Driver=SQLite3;Database=/backups/stat.db");
    s.accessTgt = QStringLiteral("/backups/stat.mdb");
    // BackupType as loaded: the radio shown, and what taking it back writes.
    const struct {
        qint32 stored;
        const char* radio;
        qint32 taken;
    } kinds[] = {{0, "noBackupRadio", 0}, {1, "sqlBackupRadio", 1}, {2, "accessBackupRadio", 2},
                 {5, "sqlBackupRadio", 1}, {-1, "sqlBackupRadio", 1}};
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.stored);
        s.backupType = kind.stored;
        w.UpdateData(false);
        EXPECT_TRUE(Radio(w, kind.radio)->isChecked());
        EXPECT_EQ(Edit(w, "statTgtEdit")->isEnabled(), qstrcmp(kind.radio, "sqlBackupRadio") == 0);
        EXPECT_EQ(Edit(w, "accessTgtEdit")->isEnabled(), qstrcmp(kind.radio, "accessBackupRadio") == 0);
        EXPECT_EQ(Ctl(w, "browseBackupButton")->isEnabled(), qstrcmp(kind.radio, "accessBackupRadio") == 0);
        w.UpdateData(true);
        EXPECT_EQ(s.backupType, kind.taken);
        EXPECT_EQ(s.statTgt, QStringLiteral("Driver=SQLite3;Database=/backups/stat.db")) << "kept whatever the kind";
        EXPECT_EQ(s.accessTgt, QStringLiteral("/backups/stat.mdb"));
    }
    for (const auto& [stored, shown, taken] : {std::tuple{1, "SQL Server", 1}, {0, "Access", 0}, {7, "SQL Server", 1}}) {
        s.sourceSQL = stored;
        w.UpdateData(false);
        EXPECT_EQ(SyntaxBox(w)->currentText(), QLatin1String(shown));
        w.UpdateData(true);
        EXPECT_EQ(s.sourceSQL, taken);
    }
}

TEST_F(WindowTest, BackupSettingsRoundTripThroughTheSettingsFile)
{
    // As `qelcleanup --save --set BackupType=1 --set StatTgt=...` leaves them.
    StoredSettings stored;
    stored.put("BackupType", 1);
    stored.put("SourceSQL", 0);
    stored.put("StatTgt", QStringLiteral("Driver=FreeTDS;Server=db01\\SQLEXPRESS;Database=Backup"));
    ReadAgainFromDisk();
    {
        ScriptedWindow w(&recorder);
        EXPECT_TRUE(Radio(w, "sqlBackupRadio")->isChecked());
        EXPECT_EQ(Edit(w, "statTgtEdit")->text(), QStringLiteral("Driver=FreeTDS;Server=db01\\SQLEXPRESS;Database=Backup"));
        EXPECT_EQ(SyntaxBox(w)->currentText(), QStringLiteral("Access"));

        // Chosen in the window, saved by the next clean-up command.
        Radio(w, "accessBackupRadio")->click();
        Edit(w, "accessTgtEdit")->setText(QStringLiteral("/backups/stat, 2024.mdb"));
        SyntaxBox(w)->setCurrentIndex(0);
        Click(w, "surveysDatabaseButton");
    }
    ReadAgainFromDisk();
    EXPECT_EQ(stored.get("BackupType").toInt(), 2);
    EXPECT_EQ(stored.get("SourceSQL").toInt(), 1);
    EXPECT_EQ(stored.get("AccessTgt").toString(), QStringLiteral("/backups/stat, 2024.mdb"));
    CleanupSettings loaded;
    TestSettingsStore().Load(loaded);
    EXPECT_EQ(loaded.backupType, 2) << "what the command line reads next";
    EXPECT_EQ(loaded.statTgt, QStringLiteral("Driver=FreeTDS;Server=db01\\SQLEXPRESS;Database=Backup"));

    ScriptedWindow next(&recorder);
    EXPECT_TRUE(Radio(next, "accessBackupRadio")->isChecked());
    EXPECT_EQ(Edit(next, "accessTgtEdit")->text(), QStringLiteral("/backups/stat, 2024.mdb"));
    EXPECT_EQ(SyntaxBox(next)->currentText(), QStringLiteral("SQL Server"));
    Radio(next, "noBackupRadio")->click();
    Click(next, "listDatabaseButton");
    EXPECT_EQ(stored.get("BackupType").toInt(), 0);
    EXPECT_EQ(stored.get("AccessTgt").toString(), QStringLiteral("/backups/stat, 2024.mdb")) << "kept for later";
}

TEST_F(WindowTest, EveryCleanupClickSavesTheControlsFirst)
{
    for (const char* id : {"byDateButton", "listDatabaseButton", "surveysDatabaseButton", "webInterviewsDatabaseButton"}) {
        SCOPED_TRACE(id);
        ForgetSettings();
        StoredSettings stored;
        stored.put("AccessTgt", QStringLiteral("backup.mdb"));
        stored.put("BackupType", 2);
        ScriptedWindow w(&recorder);
        Edit(w, "callCenterSrcEdit")->setText(QStringLiteral("typed %1").arg(QLatin1String(id)));
        Edit(w, "timeoutEdit")->clear();
        Click(w, id);

        ASSERT_TRUE(QFile::exists(SettingsFilePath()));
        EXPECT_EQ(stored.childKeys().size(), 12);
        EXPECT_EQ(stored.get("CallCenterSrc").toString(), QStringLiteral("typed %1").arg(QLatin1String(id)));
        EXPECT_EQ(stored.get("Timeout").toString(), QString()) << "the control's text is saved as it stands";
        EXPECT_EQ(stored.get("AccessTgt").toString(), QStringLiteral("backup.mdb"));
        EXPECT_EQ(stored.get("BackupType").toInt(), 2) << "read back at start and saved again";
        EXPECT_FALSE(w.runState().busy);
        if (qstrcmp(id, "byDateButton") == 0) {
            EXPECT_TRUE(w.runState().accessTarget) << "BackupType 2: the target is the Access file";
        }
    }
}

TEST_F(WindowTest, WhileBusyNothingClosesTheWindowAndNothingElseOpens)
{
    ScriptedWindow w(&recorder);
    ShowActive(w);
    w.runState().busy = true;
    Edit(w, "callCenterSrcEdit")->setText(QStringLiteral("not taken"));
    for (const char* id : {"byDateButton", "bySurveyButton", "listDatabaseButton", "surveysDatabaseButton",
                           "webInterviewsDatabaseButton"})
        Click(w, id);
    EXPECT_FALSE(QFile::exists(SettingsFilePath()));
    EXPECT_EQ(w.selectionRuns, 0);
    EXPECT_TRUE(w.settings().callCenterSrc.isEmpty());
    EXPECT_TRUE(recorder.statuses.isEmpty() && recorder.messages.empty());

    // Close, Escape, Enter, closing the window, ending its run.
    Click(w, "closeButton");
    QLineEdit* timeout = Edit(w, "timeoutEdit");
    timeout->setFocus();
    QTest::keyClick(timeout, Qt::Key_Escape);
    QTest::keyClick(timeout, Qt::Key_Return);
    EXPECT_FALSE(w.close());
    w.accept();
    w.done(QDialog::Accepted);
    EXPECT_TRUE(w.isVisible());

    // The About box (F1, the menu entry, the system command) and the file
    // chooser stay shut.
    QTest::keyClick(&w, Qt::Key_F1);
    w.OnSystemCommand(16);
#ifndef Q_OS_WIN
    w.findChild<QAction*>(QStringLiteral("systemMenu16"))->trigger();
#endif
    Radio(w, "accessBackupRadio")->click();
    Click(w, "browseBackupButton");
    EXPECT_EQ(w.aboutRuns, 0);
    EXPECT_EQ(w.browseRuns, 0);

    w.runState().busy = false;
    QTest::keyClick(&w, Qt::Key_F1);
    EXPECT_EQ(w.aboutRuns, 1) << "F1 does open it when nothing runs";
    Click(w, "closeButton");
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Rejected);
    EXPECT_FALSE(QFile::exists(SettingsFilePath())) << "closing saves nothing";
}

// A real clean-up by date with a backup, and a user pressing keys and
// buttons while it pumps events.
TEST_F(WindowTest, ARunningCleanupKeepsTheWindowOpenAndOpensNothingElse)
{
    TempDatabases temp;
    ProductDatabases product(temp.path(QStringLiteral("product")));
    product.CreateAll();
    ScriptedWindow w(&recorder);
    product.ApplyTo(w.settings());
    w.settings().timeout = QStringLiteral("30");
    w.settings().backupType = 1;
    w.settings().statTgt = product.backup();
    w.runState().removalDate = QDate(2024, 3, 5);
    w.UpdateData(false);
    ShowActive(w);

    int pumps = 0;
    recorder.onPump = [&] {
        if (++pumps != 3)
            return;
        EXPECT_TRUE(w.runState().busy);
        // While the run goes, every control but Stop is disabled, so none
        // looks as if it would answer.
        for (QWidget* control : w.findChildren<QWidget*>()) {
            if (!qobject_cast<QAbstractButton*>(control) && !qobject_cast<QLineEdit*>(control)
                && !qobject_cast<QDateEdit*>(control))
                continue;
            if (control == w.progress().stopButton())
                EXPECT_TRUE(control->isEnabled()) << "Stop answers";
            else
                EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
        }
        QLineEdit* timeout = Edit(w, "timeoutEdit");
        timeout->setFocus();
        timeout->end(false);
        QTest::keyClicks(timeout, QStringLiteral("5"));
        QTest::keyClick(timeout, Qt::Key_Return);
        QTest::keyClick(timeout, Qt::Key_Escape);
        QTest::keyClick(&w, Qt::Key_F1);
        Click(w, "bySurveyButton");
        Click(w, "listDatabaseButton");
        Click(w, "closeButton");
        w.close();
        EXPECT_TRUE(w.isVisible());
    };
    const long long before = CountRows(product.statistics(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call"));
    Click(w, "byDateButton");

    EXPECT_GT(pumps, 3);
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.runState().busy);
    EXPECT_EQ(w.aboutRuns + w.selectionRuns, 0);
    ASSERT_EQ(recorder.messages.size(), 1u) << recorder.messageTexts().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(recorder.messages[0].text.startsWith(QStringLiteral("Clean up successful : ")));
    EXPECT_EQ(Edit(w, "timeoutEdit")->text(), QStringLiteral("30")) << "nothing could be typed during the run";
    for (const char* name : {"timeoutEdit", "byDateButton", "closeButton", "testConnectionsButton", "statTgtEdit"})
        EXPECT_TRUE(Ctl(w, name)->isEnabled()) << name << " is given back after the run";
    EXPECT_FALSE(Ctl(w, "accessTgtEdit")->isEnabled()) << "a field that was disabled stays so";
    const long long after = CountRows(product.statistics(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call"));
    EXPECT_LT(after, before);
    EXPECT_EQ(CountRows(product.backup(), QStringLiteral("SELECT COUNT(*) FROM Statistic_Call")), before - after)
        << "the backup chosen in the window received every deleted call";
}

TEST_F(WindowTest, SurveyCleanupSavesOnlyAfterAConfirmedSelectionWithSurveys)
{
    ScriptedWindow w(&recorder);
    Edit(w, "callCenterSrcEdit")->setText(QStringLiteral("call centre"));
    w.selectSurveys = [&](SurveySelectionDialog& d) {
        EXPECT_EQ(d.parentWidget(), &w);
        return int(QDialog::Rejected);
    };
    Click(w, "bySurveyButton");

    w.selectSurveys = [](SurveySelectionDialog& d) { // only surveys without storage
        d.surveyList()->addTopLevelItem(new QTreeWidgetItem(QStringList{"5", "No storage", "None"}));
        d.surveyList()->topLevelItem(0)->setSelected(true);
        d.setOptions({true, true, true, true});
        d.UpdateData(false);
        d.OnOK();
        return int(QDialog::Accepted);
    };
    Click(w, "bySurveyButton");
    EXPECT_EQ(w.selectionRuns, 2);
    EXPECT_FALSE(QFile::exists(SettingsFilePath()));
    EXPECT_TRUE(recorder.statuses.isEmpty() && recorder.messages.empty()) << "no clean-up ran";
    EXPECT_TRUE(w.runState().accessTarget) << "no target was built";

    w.selectSurveys = [](SurveySelectionDialog& d) {
        auto* item = new QTreeWidgetItem(QStringList{"7", "Survey", "Legacy"});
        item->setData(0, Qt::UserRole, 7u);
        d.surveyList()->addTopLevelItem(item);
        item->setSelected(true);
        d.setOptions({false, true, false, false});
        d.UpdateData(false);
        d.OnOK();
        return int(QDialog::Accepted);
    };
    Click(w, "bySurveyButton");
    EXPECT_EQ(StoredSettings().get("CallCenterSrc").toString(), QStringLiteral("call centre"));
    EXPECT_FALSE(w.runState().accessTarget);
    EXPECT_FALSE(w.runState().busy);
}

TEST_F(WindowTest, BrowseSetsTheAccessFileWithoutSaving)
{
    StoredSettings stored;
    stored.put("AccessTgt", QStringLiteral("old.mdb"));
    ScriptedWindow w(&recorder);
    Edit(w, "statSrcEdit")->setText(QStringLiteral("typed"));
    QString offered;
    w.browse = [&](const QString& initial) {
        offered = initial;
        return QString(); // cancelled
    };
    w.BrowseBackupFile();
    EXPECT_EQ(offered, QStringLiteral("old.mdb"));
    EXPECT_EQ(w.settings().accessTgt, QStringLiteral("old.mdb"));
    EXPECT_EQ(w.settings().statSrc, QStringLiteral("typed")) << "the controls were taken first";

    w.browse = [](const QString&) { return QStringLiteral("/backups/new.mdb"); };
    Radio(w, "accessBackupRadio")->click();
    Click(w, "browseBackupButton");
    EXPECT_EQ(w.settings().accessTgt, QStringLiteral("/backups/new.mdb"));
    EXPECT_EQ(Edit(w, "accessTgtEdit")->text(), QStringLiteral("/backups/new.mdb"));
    EXPECT_EQ(stored.get("AccessTgt").toString(), QStringLiteral("old.mdb")) << "saved by the next clean-up only";

    EXPECT_EQ(NameFiltersFromPairs(QString::fromLatin1(DialogText::AccessFileFilter)),
              QStringList({QStringLiteral("Access file (*.mdb)"), QStringLiteral("All files (*.*)")}));
    QFileDialog dialog;
    ConfigureBackupFileDialog(dialog, QStringLiteral("backup.mdb"));
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("mdb"));
    EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
}

TEST_F(WindowTest, EnterInAFieldTakesNoActionAndKeepsTheTypedText)
{
    ScriptedWindow w(&recorder);
    Radio(w, "sqlBackupRadio")->click();
    int result = -1;
    QTimer::singleShot(10000, &w, [&] { // a failing test does not hang
        w.runState().busy = false;
        w.done(99);
    });
    QTimer::singleShot(0, &w, [&] {
        for (const char* name : {"callCenterSrcEdit", "timeoutEdit", "statTgtEdit", "removalDatePicker",
                                 "sourceSyntaxCombo", "sqlBackupRadio"}) {
            SCOPED_TRACE(name);
            QWidget* field = Ctl(w, name);
            field->setFocus();
            if (auto* edit = qobject_cast<QLineEdit*>(field))
                QTest::keyClicks(edit, QStringLiteral(" typed"));
            QTest::keyClick(field, Qt::Key_Return);
            QTest::keyClick(field, Qt::Key_Enter, Qt::KeypadModifier);
            EXPECT_TRUE(w.isVisible());
        }
        EXPECT_TRUE(Edit(w, "callCenterSrcEdit")->text().endsWith(QStringLiteral(" typed")));
        EXPECT_EQ(Edit(w, "statTgtEdit")->text(), QStringLiteral(" typed"));
        Click(w, "closeButton");
    });
    result = w.exec();
    EXPECT_EQ(result, QDialog::Rejected) << "only Close ended the run";
    EXPECT_EQ(recorder.messages.size(), 0u) << "no command ran";
    EXPECT_FALSE(QFile::exists(SettingsFilePath()));
}

TEST_F(WindowTest, EnterOnAFocusedButtonPressesIt)
{
    ScriptedWindow w(&recorder);
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QPushButton* button = Ctl<QPushButton>(w, "surveysDatabaseButton");
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Return);
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(QFile::exists(SettingsFilePath())) << "the button's command ran";
}

TEST_F(WindowTest, AboutEntryOpensTheAboutBox)
{
    ScriptedWindow w(&recorder);
    w.about = [&](AboutDialog& about) {
        EXPECT_EQ(about.parentWidget(), &w);
        EXPECT_EQ(about.windowTitle(), QStringLiteral("About QelBackup"));
        EXPECT_EQ(Ctl<QLabel>(about, QStringLiteral("labelVersion"))->text(), QStringLiteral("QelBackup Version 1.0"));
        about.show();
        Ctl<QPushButton>(about, "okButton")->click();
        EXPECT_EQ(about.result(), QDialog::Accepted);
    };
    w.OnSystemCommand(16 | 0x3); // the low four bits carry no meaning
    w.OnSystemCommand(0xF060);   // Close and the other system commands are not the About box
    EXPECT_EQ(w.aboutRuns, 1);

#ifndef Q_OS_WIN
    // Without a native system menu the entry is in the context menu and on F1.
    auto* entry = w.findChild<QAction*>(QStringLiteral("systemMenu16"));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->text(), QStringLiteral("&About QelBackup..."));
    EXPECT_TRUE(w.actions().contains(entry));
    EXPECT_EQ(w.contextMenuPolicy(), Qt::ActionsContextMenu);
    EXPECT_EQ(entry->shortcut(), QKeySequence(Qt::Key_F1));
    entry->trigger();
    EXPECT_EQ(w.aboutRuns, 2);
#endif
}

TEST_F(WindowTest, ProgressTextsReachTheStatusLineAtTheCopyCadence)
{
    EXPECT_EQ(DeletingRecordsText(22), QStringLiteral("Stage 22/21: Deleting records"));

    ScriptedWindow w(&recorder);
    QLabel* status = Ctl<QLabel>(w, "statusLine");
    ShowOpeningDatabases(w.feedback());
    EXPECT_EQ(status->text(), QStringLiteral("Opening databases"));
    EXPECT_EQ(recorder.pumps, 1);

    CopyProgress progress(w.feedback(), 22, 25);
    for (int row = 0; row < 25; ++row)
        progress.RowCopied();
    EXPECT_EQ(recorder.pumps, 1 + 23) << "no pump after rows 10 and 20";
    EXPECT_EQ(recorder.statuses.at(1 + 9), QStringLiteral("Stage 22/21: 10/25 records copied"));
    EXPECT_EQ(status->text(), QStringLiteral("Stage 22/21: 25/25 records copied"));

    w.feedback().ShowMessage(QStringLiteral("<b>as written</b>"), MessageKind::Information);
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].text, QStringLiteral("<b>as written</b>"));
    EXPECT_EQ(status->text(), QStringLiteral("Stage 22/21: 25/25 records copied")) << "the last text stays";
}

TEST_F(WindowTest, AFailureShowsOnTheStatusLineAndInABoxWithTheCriticalIcon)
{
    ScriptedWindow w(&recorder);
    Edit(w, "statSrcEdit")->setText(QStringLiteral("Driver=No Such Driver;Database=x"));
    Click(w, "byDateButton");
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].kind, MessageKind::DatabaseError);
    QLabel* status = Ctl<QLabel>(w, "statusLine");
    EXPECT_NE(status->text(), QStringLiteral("Opening databases"));
    EXPECT_FALSE(status->text().contains(QLatin1Char('\n')));
    EXPECT_EQ(status->toolTip(), recorder.messages[0].text) << "the whole report";
    EXPECT_TRUE(status->text().startsWith(recorder.messages[0].text.section(QLatin1Char('\n'), 0, 0)));

    // The boxes themselves, without a recorder in between.
    QWidget owner;
    WidgetFeedback boxes(&owner);
    for (const auto& [kind, icon] : {std::pair{MessageKind::DatabaseError, QMessageBox::Critical},
                                     std::pair{MessageKind::Information, QMessageBox::NoIcon}}) {
        QMessageBox::Icon shown = QMessageBox::Question;
        QString text;
        QTimer::singleShot(0, &owner, [&] {
            auto* box = owner.findChild<QMessageBox*>();
            shown = box->icon();
            text = box->text();
            box->accept();
        });
        boxes.ShowMessage(QStringLiteral("<b>as written</b>"), kind);
        EXPECT_EQ(shown, icon);
        EXPECT_EQ(text, QStringLiteral("<b>as written</b>"));
    }
}

} // namespace
