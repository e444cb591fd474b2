#include "tests/support/StoredSettings.h"
#include "tests/support/TestSettings.h"

#include "gui/AboutDialog.h"
#include "gui/MainWindow.h"
#include "gui/BackupFileDialog.h"
#include "core/Progress.h"
#include "gui/SurveySelectionDialog.h"
#include "core/StringTable.h"

#include "tests/support/RecordingFeedback.h"

#include <QAction>
#include <QDateEdit>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>

using namespace qel;
using namespace qel::test;

namespace {

// The main window with the modal runs of other windows replaced, so that no
// test waits on a box.
class TestWindow : public MainWindow {
public:
    explicit TestWindow(Feedback* messages) : MainWindow(TestSettingsStore(), messages) {}

    std::function<int(SurveySelectionDialog&)> selectSurveys;
    std::function<QString(const QString&)> browse;
    std::function<void(AboutDialog&)> about;
    int selectionRuns = 0;
    int aboutRuns = 0;

protected:
    int RunSurveySelection(SurveySelectionDialog& dialog) override
    {
        ++selectionRuns;
        return selectSurveys ? selectSurveys(dialog) : QDialog::Rejected;
    }
    QString RunBackupFileDialog(const QString& initialName) override { return browse(initialName); }
    int RunAboutBox(AboutDialog& dialog) override
    {
        ++aboutRuns;
        if (about)
            about(dialog);
        return QDialog::Accepted;
    }
};

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

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { ForgetSettings(); }
    RecordingFeedback recorder;
};

// Every control in tab order: object name, class, text, dialog units.
struct Expected {
    const char* name;
    const char* className;
    const char* text;
    int x, y, w, h;
};
const Expected kMainWindow[] = {
    {"groupConnectionStrings", "QGroupBox", "Connection Strings", 25, 19, 422, 137},
    {"labelCallCenterSrc", "QLabel", "QEL :", 37, 32, 52, 10},
    {"callCenterSrcEdit", "QLineEdit", "", 95, 29, 323, 15},
    {"labelStatSrc", "QLabel", "Statistics :", 37, 49, 52, 10},
    {"statSrcEdit", "QLineEdit", "", 95, 46, 323, 15},
    {"groupCleanupByDate", "QGroupBox", "Cleanup by Date", 7, 172, 217, 83},
    {"labelRemovalDate", "QLabel", "Remove data before:", 31, 195, 69, 13},
    {"removalDatePicker", "QDateEdit", nullptr, 107, 192, 82, 15},
    {"byDateButton", "QPushButton", "Clean-up by date", 16, 224, 195, 16},
    {"groupCleanupBySurvey", "QGroupBox", "Cleanup by Survey", 334, 172, 217, 36},
    {"bySurveyButton", "QPushButton", "Clean-up by survey", 389, 184, 117, 16},
    {"listDBEdit", "QLineEdit", "", 95, 114, 323, 15},
    {"listDatabaseButton", "QPushButton", "Clean-up list database", 523, 228, 124, 17},
    {"groupCleanupDeleted", "QGroupBox", "Cleanup Deleted", 237, 214, 417, 41},
    {"labelSurveyDB", "QLabel", "Surveys :", 37, 66, 52, 10},
    {"surveyDBEdit", "QLineEdit", "", 95, 63, 323, 15},
    {"surveysDatabaseButton", "QPushButton", "Clean-up Surveys Database", 251, 228, 124, 17},
    {"labelWebInterviewDB", "QLabel", "WebInterviews :", 37, 83, 52, 10},
    {"webInterviewDBEdit", "QLineEdit", "", 95, 80, 323, 15},
    {"labelWebProdDB", "QLabel", "Webprod :", 37, 100, 52, 10},
    {"webProdDBEdit", "QLineEdit", "", 95, 97, 323, 15},
    {"webInterviewsDatabaseButton", "QPushButton", "Clean-up WebInterviews Database", 387, 228, 124, 17},
    {"statusLine", "QLabel", "", 157, 286, 306, 17},
    {"closeButton", "QPushButton", "Close", 553, 295, 50, 14},
    {"timeoutEdit", "QLineEdit", "300", 261, 136, 82, 14},
    {"labelTimeout", "QLabel", "SQL Queries Timeout (seconds):", 143, 138, 111, 8},
    {"labelListDB", "QLabel", "Lists :", 37, 117, 52, 10},
    {"picture", "QLabel", nullptr, 453, 27, 195, 120},
};

// Pixels of a dialog-unit rectangle as Windows maps a template: units of a
// quarter of the alphabet's average width and an eighth of the font height,
// each coordinate rounded on its own.
QRect Pixels(const QFont& font, int x, int y, int w, int h)
{
    const QFontMetrics m(font);
    const int baseX = (m.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 26 + 1) / 2;
    const auto sx = [&](int v) { return (v * baseX * 2 + 4) / 8; };
    const auto sy = [&](int v) { return (v * m.height() * 2 + 8) / 16; };
    return {sx(x), sy(y), sx(w), sy(h)};
}

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

TEST_F(WindowTest, FirstRunShowsEveryControlOfTheTemplateWithItsIdTextAndPlace)
{
    TestWindow w(&recorder);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("QelCleanup"));
    EXPECT_EQ(w.font().family(), QStringLiteral("Arial Unicode MS"));
    EXPECT_EQ(w.size(), Pixels(w.font(), 0, 0, 661, 333).size());
    EXPECT_EQ(w.minimumSize(), w.maximumSize());
    EXPECT_FALSE(w.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(w.windowIcon().isNull());

    QList<QWidget*> tabStops;
    for (const Expected& e : kMainWindow) {
        QWidget* control = Ctl(w, QString::fromLatin1(e.name));
        ASSERT_NE(control, nullptr);
        EXPECT_STREQ(control->metaObject()->className(), e.className) << e.name;
        EXPECT_EQ(control->geometry(), Pixels(w.font(), e.x, e.y, e.w, e.h)) << e.name;
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
    EXPECT_FALSE(QFile::exists(SettingsFilePath())) << "opening the window writes nothing";

    // Seven edits, the picker and six buttons are tab stops, in template order.
    ASSERT_EQ(tabStops.size(), 14);
    for (int i = 0; i + 1 < tabStops.size(); ++i) {
        QWidget* next = tabStops[i]->nextInFocusChain();
        while (next != tabStops[i + 1] && (next->parentWidget() != &w || !(next->focusPolicy() & Qt::TabFocus)))
            next = next->nextInFocusChain();
        EXPECT_EQ(next, tabStops[i + 1]) << tabStops[i]->objectName().toStdString();
    }
    // A group box frames its buttons without taking their clicks.
    w.show();
    QPushButton* list = Ctl<QPushButton>(w, "listDatabaseButton");
    EXPECT_EQ(w.childAt(list->geometry().center()), list);
}

TEST_F(WindowTest, FieldsReachTheControlsAndComeBack)
{
    TestWindow w(&recorder);
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

TEST_F(WindowTest, EveryCleanupClickSavesTheControlsFirst)
{
    for (const char* id : {"byDateButton", "listDatabaseButton", "surveysDatabaseButton", "webInterviewsDatabaseButton"}) {
        SCOPED_TRACE(id);
        ForgetSettings();
        StoredSettings stored;
        stored.put("AccessTgt", QStringLiteral("backup.mdb"));
        stored.put("BackupType", 2);
        TestWindow w(&recorder);
        Edit(w, "callCenterSrcEdit")->setText(QStringLiteral("typed %1").arg(QLatin1String(id)));
        Edit(w, "timeoutEdit")->clear();
        Click(w, id);

        ASSERT_TRUE(QFile::exists(SettingsFilePath()));
        EXPECT_EQ(stored.childKeys().size(), 11);
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

TEST_F(WindowTest, WhileBusyCleanupCommandsAndCloseDoNothing)
{
    TestWindow w(&recorder);
    w.show();
    w.runState().busy = true;
    Edit(w, "callCenterSrcEdit")->setText(QStringLiteral("not taken"));
    for (const char* id : {"byDateButton", "bySurveyButton", "listDatabaseButton", "surveysDatabaseButton",
                           "webInterviewsDatabaseButton"})
        Click(w, id);
    EXPECT_FALSE(QFile::exists(SettingsFilePath()));
    EXPECT_EQ(w.selectionRuns, 0);
    EXPECT_TRUE(w.settings().callCenterSrc.isEmpty());
    EXPECT_TRUE(recorder.statuses.isEmpty() && recorder.messages.empty());

    Click(w, "closeButton");
    QTest::keyClick(Edit(w, "callCenterSrcEdit"), Qt::Key_Escape);
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());

    w.runState().busy = false;
    Click(w, "closeButton");
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Rejected);
    EXPECT_FALSE(QFile::exists(SettingsFilePath())) << "closing saves nothing";
}

TEST_F(WindowTest, SurveyCleanupSavesOnlyAfterAConfirmedSelectionWithSurveys)
{
    TestWindow w(&recorder);
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
    TestWindow w(&recorder);
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
    w.BrowseBackupFile();
    EXPECT_EQ(w.settings().accessTgt, QStringLiteral("/backups/new.mdb"));
    EXPECT_EQ(stored.get("AccessTgt").toString(), QStringLiteral("old.mdb")) << "saved by the next clean-up only";

    EXPECT_EQ(NameFiltersFromPairs(QString::fromLatin1(DialogText::AccessFileFilter)),
              QStringList({QStringLiteral("Access file (*.mdb)"), QStringLiteral("All files (*.*)")}));
    QFileDialog dialog;
    ConfigureBackupFileDialog(dialog, QStringLiteral("backup.mdb"));
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("mdb"));
    EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
}

TEST_F(WindowTest, EnterOutsideAButtonEndsTheRunWithoutSavingEvenWhileBusy)
{
    TestWindow w(&recorder);
    w.runState().busy = true;
    QTimer::singleShot(10000, &w, [&] { w.done(99); }); // a failing test does not hang
    QTimer::singleShot(0, &w, [&] {
        Edit(w, "webProdDBEdit")->setFocus();
        Edit(w, "webProdDBEdit")->setText(QStringLiteral("typed before Enter"));
        QTest::keyClick(Edit(w, "webProdDBEdit"), Qt::Key_Return);
    });
    EXPECT_EQ(w.exec(), QDialog::Accepted);
    EXPECT_EQ(w.settings().webProdDB, QStringLiteral("typed before Enter"));
    EXPECT_FALSE(QFile::exists(SettingsFilePath()));
}

TEST_F(WindowTest, EnterOnAFocusedButtonPressesIt)
{
    TestWindow w(&recorder);
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
    TestWindow w(&recorder);
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

    TestWindow w(&recorder);
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

} // namespace
