#include "SettingsIsolation.h"

#include <AboutDlg.h>
#include <BackupDlg.h>
#include <BackupFileDialog.h>
#include <Progress.h>
#include <SelectSurveysDlg.h>
#include <StringTable.h>

#include <RecordingFeedback.h>

#include <QAction>
#include <QDateEdit>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// The main window with the modal runs of other windows replaced, so that no
// test waits on a box.
class TestWindow : public CBackupDlg {
public:
    explicit TestWindow(Feedback* messages) : CBackupDlg(nullptr, messages) {}

    std::function<int(CSelectSurveysDlg&)> selectSurveys;
    std::function<QString(const QString&)> browse;
    std::function<void(CAboutDlg&)> about;
    int selectionRuns = 0;
    int aboutRuns = 0;

protected:
    int RunSelectSurveys(CSelectSurveysDlg& dialog) override
    {
        ++selectionRuns;
        return selectSurveys ? selectSurveys(dialog) : QDialog::Rejected;
    }
    QString RunBackupFileDialog(const QString& initialName) override { return browse(initialName); }
    int RunAboutBox(CAboutDlg& dialog) override
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
T* Ctl(QWidget& window, int id)
{
    return Ctl<T>(window, QString::number(id));
}
QLineEdit* Edit(QWidget& w, int id) { return Ctl<QLineEdit>(w, id); }
void Click(QWidget& w, int id) { Ctl<QPushButton>(w, id)->click(); }

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
    {"1012", "QLineEdit", "", 95, 29, 323, 15},
    {"labelStatSrc", "QLabel", "Statistics :", 37, 49, 52, 10},
    {"1011", "QLineEdit", "", 95, 46, 323, 15},
    {"groupCleanupByDate", "QGroupBox", "Cleanup by Date", 7, 172, 217, 83},
    {"labelRemovalDate", "QLabel", "Remove data before:", 31, 195, 69, 13},
    {"1008", "QDateEdit", nullptr, 107, 192, 82, 15},
    {"1009", "QPushButton", "Clean-up by date", 16, 224, 195, 16},
    {"groupCleanupBySurvey", "QGroupBox", "Cleanup by Survey", 334, 172, 217, 36},
    {"1010", "QPushButton", "Clean-up by survey", 389, 184, 117, 16},
    {"1019", "QLineEdit", "", 95, 114, 323, 15},
    {"1020", "QPushButton", "Clean-up list database", 523, 228, 124, 17},
    {"groupCleanupDeleted", "QGroupBox", "Cleanup Deleted", 237, 214, 417, 41},
    {"labelSurveyDB", "QLabel", "Surveys :", 37, 66, 52, 10},
    {"1024", "QLineEdit", "", 95, 63, 323, 15},
    {"1023", "QPushButton", "Clean-up Surveys Database", 251, 228, 124, 17},
    {"labelWebInterviewDB", "QLabel", "WebInterviews :", 37, 83, 52, 10},
    {"1026", "QLineEdit", "", 95, 80, 323, 15},
    {"labelWebProdDB", "QLabel", "Webprod :", 37, 100, 52, 10},
    {"1027", "QLineEdit", "", 95, 97, 323, 15},
    {"1025", "QPushButton", "Clean-up WebInterviews Database", 387, 228, 124, 17},
    {"1018", "QLabel", "", 157, 286, 306, 17},
    {"2", "QPushButton", "Close", 553, 295, 50, 14},
    {"1031", "QLineEdit", "300", 261, 136, 82, 14},
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
    EXPECT_EQ(Ctl<QDateEdit>(w, 1008)->date(), QDate::currentDate().addDays(-90));
    EXPECT_FALSE(w.findChild<QWidget*>(QStringLiteral("1022")));
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
    QPushButton* list = Ctl<QPushButton>(w, 1020);
    EXPECT_EQ(w.childAt(list->geometry().center()), list);
}

TEST_F(WindowTest, FieldsReachTheControlsAndComeBack)
{
    TestWindow w(&recorder);
    const std::pair<int, QString BackupFields::*> texts[] = {
        {1012, &BackupFields::CallCenterSrc}, {1011, &BackupFields::StatSrc},       {1031, &BackupFields::Timeout},
        {1019, &BackupFields::ListDB},        {1024, &BackupFields::SurveyDB},      {1026, &BackupFields::WebInterviewDB},
        {1027, &BackupFields::WebProdDB}};
    for (const auto& [id, field] : texts)
        w.fields().*field = QStringLiteral("<field %1> & ").arg(id);
    w.fields().removalDate = OleDateTime::FromDate(2021, 3, 4, 13, 14, 15);
    w.UpdateData(false);
    for (const auto& [id, field] : texts)
        EXPECT_EQ(Edit(w, id)->text(), QStringLiteral("<field %1> & ").arg(id));
    EXPECT_EQ(Ctl<QDateEdit>(w, 1008)->date(), QDate(2021, 3, 4));

    for (const auto& [id, field] : texts)
        Edit(w, id)->setText(QStringLiteral(" control %1 ").arg(id));
    Ctl<QDateEdit>(w, 1008)->setDate(QDate(2020, 1, 2));
    w.UpdateData(true);
    for (const auto& [id, field] : texts)
        EXPECT_EQ(w.fields().*field, QStringLiteral(" control %1 ").arg(id));
    EXPECT_EQ(w.fields().removalDate.toDateTime(), QDateTime(QDate(2020, 1, 2), QTime(13, 14, 15)))
        << "the picker changes the date and keeps the time of day";
}

TEST_F(WindowTest, EveryCleanupClickSavesTheControlsFirst)
{
    for (int id : {1009, 1020, 1023, 1025}) {
        SCOPED_TRACE(id);
        ForgetSettings();
        StoredSettings stored;
        stored.put("AccessTgt", QStringLiteral("backup.mdb"));
        stored.put("BackupType", 2);
        TestWindow w(&recorder);
        Edit(w, 1012)->setText(QStringLiteral("typed %1").arg(id));
        Edit(w, 1031)->clear();
        Click(w, id);

        ASSERT_TRUE(QFile::exists(SettingsFilePath()));
        EXPECT_EQ(stored.childKeys().size(), 11);
        EXPECT_EQ(stored.get("CallCenterSrc").toString(), QStringLiteral("typed %1").arg(id));
        EXPECT_EQ(stored.get("Timeout").toString(), QString()) << "the control's text is saved as it stands";
        EXPECT_EQ(stored.get("AccessTgt").toString(), QStringLiteral("backup.mdb"));
        EXPECT_EQ(stored.get("BackupType").toInt(), 0);
        EXPECT_FALSE(w.fields().busy);
        if (id == 1009) {
            EXPECT_FALSE(w.fields().accessTarget) << "BackupType 0: the target is StatTgt";
        }
    }
}

TEST_F(WindowTest, WhileBusyCleanupCommandsAndCloseDoNothing)
{
    TestWindow w(&recorder);
    w.show();
    w.fields().busy = true;
    Edit(w, 1012)->setText(QStringLiteral("not taken"));
    for (int id : {1009, 1010, 1020, 1023, 1025})
        Click(w, id);
    EXPECT_FALSE(QFile::exists(SettingsFilePath()));
    EXPECT_EQ(w.selectionRuns, 0);
    EXPECT_TRUE(w.fields().CallCenterSrc.isEmpty());
    EXPECT_TRUE(recorder.statuses.isEmpty() && recorder.messages.empty());

    Click(w, 2);
    QTest::keyClick(Edit(w, 1012), Qt::Key_Escape);
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());

    w.fields().busy = false;
    Click(w, 2);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Rejected);
    EXPECT_FALSE(QFile::exists(SettingsFilePath())) << "closing saves nothing";
}

TEST_F(WindowTest, SurveyCleanupSavesOnlyAfterAConfirmedSelectionWithSurveys)
{
    TestWindow w(&recorder);
    Edit(w, 1012)->setText(QStringLiteral("call centre"));
    w.selectSurveys = [&](CSelectSurveysDlg& d) {
        EXPECT_EQ(d.m_strConnect, QStringLiteral("call centre"));
        EXPECT_EQ(d.parentWidget(), &w);
        return int(QDialog::Rejected);
    };
    Click(w, 1010);

    w.selectSurveys = [](CSelectSurveysDlg& d) { // only surveys without storage
        d.m_SurveyNames = {QStringLiteral("No storage")};
        d.m_bCleanStats = d.m_bCleanSurveys = d.m_bCleanWebInterviews = d.m_bCleanLists = 1;
        return int(QDialog::Accepted);
    };
    Click(w, 1010);
    EXPECT_EQ(w.selectionRuns, 2);
    EXPECT_FALSE(QFile::exists(SettingsFilePath()));
    EXPECT_TRUE(recorder.statuses.isEmpty() && recorder.messages.empty()) << "no clean-up ran";
    EXPECT_TRUE(w.fields().accessTarget) << "no target was built";

    w.selectSurveys = [](CSelectSurveysDlg& d) {
        d.m_SurveyNames = {QStringLiteral("Survey")};
        d.m_LegacySurveyIds = {7};
        return int(QDialog::Accepted);
    };
    Click(w, 1010);
    EXPECT_EQ(StoredSettings().get("CallCenterSrc").toString(), QStringLiteral("call centre"));
    EXPECT_FALSE(w.fields().accessTarget);
    EXPECT_FALSE(w.fields().busy);
}

TEST_F(WindowTest, BrowseSetsTheAccessFileWithoutSaving)
{
    StoredSettings stored;
    stored.put("AccessTgt", QStringLiteral("old.mdb"));
    TestWindow w(&recorder);
    Edit(w, 1011)->setText(QStringLiteral("typed"));
    QString offered;
    w.browse = [&](const QString& initial) {
        offered = initial;
        return QString(); // cancelled
    };
    w.OnCmdBrowsebackupfile();
    EXPECT_EQ(offered, QStringLiteral("old.mdb"));
    EXPECT_EQ(w.fields().AccessTgt, QStringLiteral("old.mdb"));
    EXPECT_EQ(w.fields().StatSrc, QStringLiteral("typed")) << "the controls were taken first";

    w.browse = [](const QString&) { return QStringLiteral("/backups/new.mdb"); };
    w.OnCmdBrowsebackupfile();
    EXPECT_EQ(w.fields().AccessTgt, QStringLiteral("/backups/new.mdb"));
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
    w.fields().busy = true;
    QTimer::singleShot(10000, &w, [&] { w.done(99); }); // a failing test does not hang
    QTimer::singleShot(0, &w, [&] {
        Edit(w, 1027)->setFocus();
        Edit(w, 1027)->setText(QStringLiteral("typed before Enter"));
        QTest::keyClick(Edit(w, 1027), Qt::Key_Return);
    });
    EXPECT_EQ(w.exec(), QDialog::Accepted);
    EXPECT_EQ(w.fields().WebProdDB, QStringLiteral("typed before Enter"));
    EXPECT_FALSE(QFile::exists(SettingsFilePath()));
}

TEST_F(WindowTest, EnterOnAFocusedButtonPressesIt)
{
    TestWindow w(&recorder);
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QPushButton* button = Ctl<QPushButton>(w, 1023);
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Return);
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(QFile::exists(SettingsFilePath())) << "the button's command ran";
}

TEST_F(WindowTest, AboutEntryOpensTheAboutBox)
{
    TestWindow w(&recorder);
    w.about = [&](CAboutDlg& about) {
        EXPECT_EQ(about.parentWidget(), &w);
        EXPECT_EQ(about.windowTitle(), QStringLiteral("About QelBackup"));
        EXPECT_EQ(Ctl<QLabel>(about, QStringLiteral("labelVersion"))->text(), QStringLiteral("QelBackup Version 1.0"));
        about.show();
        Ctl<QPushButton>(about, 1)->click();
        EXPECT_EQ(about.result(), QDialog::Accepted);
    };
    w.OnSysCommand(16 | 0x3); // the low four bits carry no meaning
    w.OnSysCommand(0xF060);   // Close and the other system commands are not the About box
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
    QLabel* status = Ctl<QLabel>(w, 1018);
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
