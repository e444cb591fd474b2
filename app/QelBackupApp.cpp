#include "QelBackupApp.h"

#include "BackupDlg.h"

#include <QCoreApplication>

bool CQelBackupApp::InitInstance()
{
    // The settings live under Marvolen/QelBackup whatever the executable is
    // called, so the tool shares them with the one it replaces; message
    // boxes carry the application name.
    QCoreApplication::setOrganizationName(QStringLiteral("Marvolen"));
    QCoreApplication::setApplicationName(QStringLiteral("QelBackup"));

    // The database layer needs no per-thread start-up.

    CBackupDlg dialog; // reads the settings
    dialog.exec();
    return false;
}
