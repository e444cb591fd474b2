#pragma once

#include "db/ParsedConnection.h"
#include "db/OdbcApi.h"

#include <QString>

namespace qel {

// Hands a connection string to the driver manager exactly as written,
// whatever letters it holds.
//
// It goes as UTF-16 through SQLDriverConnectW, which hands it on unchanged
// to a driver with wide entry points: every driver on Windows, FreeTDS and
// Microsoft's drivers elsewhere. (FreeTDS reads a narrow string as Latin-1
// until it is connected, so a login or database name beyond ASCII would
// reach the server garbled.)
//
// unixODBC has to convert the string for a driver with narrow entry points
// only, such as the SQLite driver, and sizes that copy by characters: a path
// with letters beyond ASCII lost them or gained stray bytes from memory, and
// the driver opened or created another file. Such a driver takes narrow
// strings as UTF-8, so a string beyond ASCII is handed to it as UTF-8
// through SQLDriverConnect. Which entry points a driver has is read from its
// library, as the driver manager names it; a driver whose library cannot be
// found gets the narrow call, as before.
SQLRETURN DriverConnect(SQLHDBC connection, const ParsedConnection& connectionString);

// Whether the driver the connection string reaches is handed the string
// through SQLDriverConnectW; false when it cannot be told.
bool DriverTakesWideConnectionStrings(const ParsedConnection& connectionString);
bool DriverTakesWideConnectionStrings(const QString& connectionString);

} // namespace qel
