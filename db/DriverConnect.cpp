#include "db/DriverConnect.h"

#include <QByteArray>

namespace qel {

SQLRETURN DriverConnect(SQLHDBC connection, const QString& connectionString)
{
#ifdef _WIN32
    return SQLDriverConnectW(connection, nullptr, ToSqlWChar(connectionString), SQL_NTS, nullptr, 0, nullptr,
                             SQL_DRIVER_NOPROMPT);
#else
    QByteArray utf8 = connectionString.toUtf8();
    return SQLDriverConnect(connection, nullptr, reinterpret_cast<SQLCHAR*>(utf8.data()), SQL_NTS, nullptr, 0, nullptr,
                            SQL_DRIVER_NOPROMPT);
#endif
}

} // namespace qel
