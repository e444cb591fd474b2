#include "db/DriverConnect.h"

#include "db/DriverRegistry.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#ifndef _WIN32
#include <dlfcn.h>
#endif

namespace qel {

namespace {

bool IsAscii(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() > 0x7F)
            return false;
    return true;
}

#ifndef _WIN32

// The files a registered library name may stand for, in the order unixODBC
// tries them: a bare name in the driver manager's own driver folder (the
// folder of its library, or "odbc" beside it, as Debian keeps drivers),
// then wherever the system's loader finds it.
QStringList LibraryCandidates(const QString& library)
{
    if (library.contains(QLatin1Char('/')))
        return {library};
    QStringList candidates;
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&SQLDriverConnectW), &info) != 0 && info.dli_fname) {
        const QString managerFolder = QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
        candidates << managerFolder + QStringLiteral("/odbc/") + library << managerFolder + QLatin1Char('/') + library;
    }
    candidates << library;
    return candidates;
}

bool LibraryHasWideConnect(const QString& library)
{
    for (const QString& candidate : LibraryCandidates(library)) {
        if (candidate.contains(QLatin1Char('/')) && !QFileInfo::exists(candidate))
            continue;
        void* handle = dlopen(QFile::encodeName(candidate).constData(), RTLD_LAZY | RTLD_LOCAL);
        if (!handle)
            continue;
        const bool wide = dlsym(handle, "SQLDriverConnectW") != nullptr;
        dlclose(handle);
        return wide;
    }
    return false;
}

#endif

} // namespace

bool DriverTakesWideConnectionStrings(const QString& connectionString)
{
    return DriverTakesWideConnectionStrings(ParsedConnection(connectionString));
}

bool DriverTakesWideConnectionStrings(const ParsedConnection& connectionString)
{
#ifdef _WIN32
    // The Windows driver manager converts for a narrow driver itself, and
    // correctly.
    Q_UNUSED(connectionString);
    return true;
#else
    const OdbcDriver driver = DriverOf(connectionString);
    return !driver.library.isEmpty() && LibraryHasWideConnect(driver.library);
#endif
}

SQLRETURN DriverConnect(SQLHDBC connection, const ParsedConnection& connectionString)
{
    // An ASCII string reaches every driver intact either way.
    if (!IsAscii(connectionString.text()) && !DriverTakesWideConnectionStrings(connectionString)) {
        QByteArray utf8 = connectionString.text().toUtf8();
        return SQLDriverConnect(connection, nullptr, reinterpret_cast<SQLCHAR*>(utf8.data()), SQL_NTS, nullptr, 0,
                                nullptr, SQL_DRIVER_NOPROMPT);
    }
    return SQLDriverConnectW(connection, nullptr, ToSqlWChar(connectionString.text()), SQL_NTS, nullptr, 0, nullptr,
                             SQL_DRIVER_NOPROMPT);
}

} // namespace qel
