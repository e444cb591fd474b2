#include "CommandLine.h"
#include "QelBackupApp.h"
#include "Terminal.h"

#include <QApplication>
#include <QCoreApplication>
#include <QStringList>

int main(int argc, char** argv)
{
    // The first argument decides; the command line reads them again through
    // its application object, in full Unicode.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    if (IsCommandLineRun(arguments)) {
        QCoreApplication app(argc, argv);
        return RunCommandLine(app.arguments());
    }

    ReleaseOwnConsole();
    QApplication app(argc, argv);
    CQelBackupApp theApp;
    theApp.InitInstance();
    return 0;
}
