#include "core/SettingsStore.h"
#include "gui/MainWindow.h"

#include "fixtures/ProductDatabases.h"
#include "tests/support/TempDatabases.h"
#include "tests/support/TestSettings.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace qel;
using namespace qel::test;

namespace {

// Runs a program to its end and answers its standard output.
QString Output(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment,
               int* exitCode = nullptr)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    process.waitForFinished(60000);
    if (exitCode)
        *exitCode = process.exitCode();
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

// How many presses of Tab take the focus from where it is when the window
// first shows to `target`: the focus chain does not depend on fonts or
// sizes, so the window built here answers for the real one.
int TabsTo(const char* target)
{
    MainWindow window(TestSettingsStore());
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window))
        return -1;
    auto* button = window.findChild<QPushButton*>(QLatin1String(target));
    for (int tabs = 0; tabs < 100; ++tabs) {
        if (QApplication::focusWidget() == button)
            return tabs;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    return -1;
}

// A virtual X display with the program's main window on it, driven by
// xdotool as a user's keyboard would.
class RealWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        xvfb_ = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        xdotool_ = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        if (xvfb_.isEmpty() || xdotool_.isEmpty()) {
            if (qEnvironmentVariableIsSet("QEL_REQUIRE_REAL_WINDOW"))
                FAIL() << "Xvfb and xdotool are needed (tools/setup.sh window installs them)";
            GTEST_SKIP() << "Xvfb or xdotool is not installed";
        }
        // A display number of this process's own, free of other runs.
        for (int number = 90 + getpid() % 400; number < 1000; ++number) {
            if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number))
                || QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
                continue;
            display_ = QStringLiteral(":%1").arg(number);
            server_.start(xvfb_, {display_, QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1280x1024x24"),
                                  QStringLiteral("-nolisten"), QStringLiteral("tcp")});
            server_.waitForStarted();
            QElapsedTimer waited;
            waited.start();
            while (!QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)) && waited.elapsed() < 10000
                   && server_.state() == QProcess::Running)
                QThread::msleep(50);
            if (server_.state() == QProcess::Running && QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)))
                break;
            server_.kill();
            server_.waitForFinished();
            display_.clear();
        }
        ASSERT_FALSE(display_.isEmpty()) << "no virtual display started";

        environment_ = QProcessEnvironment::systemEnvironment();
        environment_.insert(QStringLiteral("DISPLAY"), display_);
        environment_.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment_.insert(QStringLiteral("QT_FONT_DPI"), QStringLiteral("96"));
        environment_.insert(QStringLiteral("XDG_CONFIG_HOME"), temp.path(QStringLiteral("config")));
        environment_.insert(QStringLiteral("XDG_DATA_HOME"), temp.path(QStringLiteral("data")));
        environment_.insert(QStringLiteral("XDG_RUNTIME_DIR"), temp.path(QStringLiteral("runtime")));
        environment_.remove(QStringLiteral("WAYLAND_DISPLAY"));
        QDir().mkpath(temp.path(QStringLiteral("runtime")));
        QFile::setPermissions(temp.path(QStringLiteral("runtime")), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        product.CreateAll();
    }

    void TearDown() override
    {
        if (window_.state() == QProcess::Running) {
            window_.kill();
            window_.waitForFinished();
        }
        if (server_.state() == QProcess::Running) {
            server_.terminate();
            if (!server_.waitForFinished(5000)) {
                server_.kill();
                server_.waitForFinished();
            }
        }
    }

    // The id of the window whose title is `title`, once it shows; empty
    // after 20 seconds without it.
    QString WaitForWindow(const QString& title)
    {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 20000) {
            const QString found = Output(xdotool_, {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                    QStringLiteral("--name"), QStringLiteral("^%1$").arg(title)},
                                         environment_);
            if (!found.isEmpty())
                return found.section(QLatin1Char('\n'), -1);
            QThread::msleep(100);
        }
        return {};
    }

    bool WindowGone(const QString& id)
    {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 20000) {
            int exitCode = 0;
            Output(xdotool_, {QStringLiteral("getwindowname"), id}, environment_, &exitCode);
            const QString visible = Output(xdotool_, {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                      QStringLiteral("--name"), QStringLiteral(".")},
                                           environment_);
            if (exitCode != 0 || !visible.split(QLatin1Char('\n')).contains(id))
                return true;
            QThread::msleep(100);
        }
        return false;
    }

    // Keys as a keyboard types them, into the window that has the focus.
    void Keys(const QString& window, const QStringList& keys)
    {
        Output(xdotool_, {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window}, environment_);
        QThread::msleep(200);
        Output(xdotool_, QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("80")} + keys,
               environment_);
    }

    // A picture of the whole display into the folder QEL_WINDOW_PICTURES
    // names, for whoever looks at the dialogs; none without it.
    void Picture(const QString& name)
    {
        const QString folder = qEnvironmentVariable("QEL_WINDOW_PICTURES");
        const QString import = QStandardPaths::findExecutable(QStringLiteral("import"));
        if (folder.isEmpty() || import.isEmpty())
            return;
        Output(import, {QStringLiteral("-window"), QStringLiteral("root"), QDir(folder).filePath(name)}, environment_);
    }

    QStringList Tables(const QString& connection) { return TableNames(connection); }

    TempDatabases temp;
    ProductDatabases product{temp.path(QStringLiteral("product"))};
    QString xvfb_;
    QString xdotool_;
    QString display_;
    QProcess server_;
    QProcess window_;
    QProcessEnvironment environment_;
};

} // namespace

// The program as a user starts it: its window on a display, a "Cleanup
// Deleted" button pressed from the keyboard. The drop asks first; Escape
// in the question drops nothing; Delete drops the tables and the window
// says so; Escape then closes the window.
TEST_F(RealWindowTest, TheSurveysDropAsksFirstAndOnlyDeleteDrops)
{
    const int tabs = TabsTo("surveysDatabaseButton");
    ASSERT_GT(tabs, 0);

    // The settings the window starts with, stored as its commands store them.
    int exitCode = -1;
    QStringList store{QStringLiteral("list-surveys"), QStringLiteral("--save")};
    CleanupSettings settings;
    product.ApplyTo(settings);
    const std::pair<const char*, QString> values[] = {
        {"CallCenterSrc", settings.callCenterSrc}, {"StatSrc", settings.statSrc}, {"SurveyDB", settings.surveyDB},
        {"WebInterviewDB", settings.webInterviewDB}, {"WebProdDB", settings.webProdDB}, {"ListDB", settings.listDB},
        {"Timeout", QStringLiteral("30")}};
    for (const auto& [key, value] : values)
        store << QStringLiteral("--set") << QLatin1String(key) + QLatin1Char('=') + value;
    QProcessEnvironment quiet = environment_;
    quiet.remove(QStringLiteral("DISPLAY"));
    Output(QStringLiteral(QELCLEANUP_BINARY), store, quiet, &exitCode);
    ASSERT_EQ(exitCode, 0);

    const QStringList before = Tables(product.surveys());
    window_.setProcessEnvironment(environment_);
    window_.start(QStringLiteral(QELCLEANUP_BINARY), QStringList());
    const QString main = WaitForWindow(QStringLiteral("QelCleanup"));
    ASSERT_FALSE(main.isEmpty()) << "the window did not show";
    QThread::msleep(500);

    QStringList toButton;
    for (int i = 0; i < tabs; ++i)
        toButton << QStringLiteral("Tab");
    Keys(main, toButton + QStringList{QStringLiteral("Return")});
    QString question = WaitForWindow(QStringLiteral("Confirm clean-up"));
    ASSERT_FALSE(question.isEmpty()) << "the drop did not ask";
    QThread::msleep(300);
    Picture(QStringLiteral("qelcleanup-drop-question.png"));
    EXPECT_EQ(Tables(product.surveys()), before) << "nothing is dropped while the question is open";
    Keys(question, {QStringLiteral("Escape")});
    ASSERT_TRUE(WindowGone(question));
    EXPECT_EQ(Tables(product.surveys()), before) << "Escape answers Cancel";

    // Again, and this time Delete: one Tab from Cancel, which has the focus.
    Keys(main, {QStringLiteral("Return")});
    question = WaitForWindow(QStringLiteral("Confirm clean-up"));
    ASSERT_FALSE(question.isEmpty());
    QThread::msleep(300);
    Keys(question, {QStringLiteral("shift+Tab"), QStringLiteral("Return")});
    const QString result = WaitForWindow(QLatin1String(SettingsStore::kApplication));
    ASSERT_FALSE(result.isEmpty()) << "no result box";
    QThread::msleep(300);
    Picture(QStringLiteral("qelcleanup-drop-result.png"));
    EXPECT_EQ(Tables(product.surveys()).size(), before.size() - 16);
    Keys(result, {QStringLiteral("Return")});
    ASSERT_TRUE(WindowGone(result));
    Picture(QStringLiteral("qelcleanup-drop-after.png"));

    Keys(main, {QStringLiteral("Escape")});
    ASSERT_TRUE(window_.waitForFinished(20000)) << "Escape closes the window";
    EXPECT_EQ(window_.exitCode(), 0);
}
