#ifdef QEL_TEST_WINDOW
#include <QApplication>
#else
#include <QCoreApplication>
#endif
#include <QFile>
#include <QByteArray>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

// Every test program isolates itself before anything else runs: an
// offscreen display (for the window's tests and for any program a test
// starts), and settings in a folder of its own that is removed at the end,
// so a test run by hand never touches a user's settings. (On Windows, where
// settings live in the registry, the tests also keep them under an
// application name of their own: see TestSettings.h.) Built twice: with
// QEL_TEST_WINDOW for the window's tests, and without widgets for the rest.
int main(int argc, char** argv)
{
    QTemporaryDir settingsHome;
    if (!settingsHome.isValid())
        return EXIT_FAILURE;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settingsHome.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(settingsHome.path())); // the run log
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsHome.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsHome.path());

#ifdef QEL_TEST_WINDOW
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
