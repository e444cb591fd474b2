#pragma once

#include "db/ParsedConnection.h"

#include <QString>
#include <QStringList>

namespace qel {

// What the driver manager knows of its drivers and data sources, asked
// before a connection is opened.

// The ODBC drivers the driver manager knows, by name.
QStringList InstalledOdbcDrivers();

// A driver as the driver manager lists it: its name and its library file as
// registered ("libtdsodbc.so", a full path, or a DLL's name).
struct OdbcDriver {
    QString name;
    QString library;
};

// The driver a connection string reaches: the one its Driver key names, or
// the one its data source (DSN) is set up with. A Driver value that is a
// library file rather than a registered name is its own library. Name and
// library are empty where the driver manager knows neither.
OdbcDriver DriverOf(const ParsedConnection& connection);
OdbcDriver DriverOf(const QString& connection);

} // namespace qel
