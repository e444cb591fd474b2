#pragma once

#include "db/OdbcApi.h"

#include <QString>

namespace qel {

// Hands a connection string to the driver manager exactly as written,
// whatever letters it holds.
//
// Windows takes it as UTF-16 (SQLDriverConnectW). unixODBC is given UTF-8
// through SQLDriverConnect instead: its own conversion of a wide connection
// string sizes the narrow copy by the number of characters, so a path with
// letters beyond ASCII lost them or gained stray bytes from memory, and the
// driver then opened or created another file. Drivers on Linux take narrow
// strings as UTF-8.
SQLRETURN DriverConnect(SQLHDBC connection, const QString& connectionString);

} // namespace qel
