#include "db/FileIdentity.h"

#include <QFile>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace qel {

#ifdef _WIN32

QString FileIdentity(const QString& path)
{
    const HANDLE file = CreateFileW(reinterpret_cast<LPCWSTR>(path.utf16()), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    if (!ok)
        return {};
    return QStringLiteral("%1:%2:%3")
        .arg(info.dwVolumeSerialNumber)
        .arg(info.nFileIndexHigh)
        .arg(info.nFileIndexLow);
}

#else

QString FileIdentity(const QString& path)
{
    struct stat info {};
    if (stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return QStringLiteral("%1:%2").arg(static_cast<qulonglong>(info.st_dev)).arg(static_cast<qulonglong>(info.st_ino));
}

#endif

} // namespace qel
