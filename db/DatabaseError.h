#pragma once

#include "db/OdbcApi.h"

#include <QByteArray>
#include <QString>

#include <exception>

namespace qel {

// The one failure of the data-access layer: a driver or driver-manager
// diagnostic, or a check of this layer, with the two texts that the
// database-error report shows.
class DatabaseError : public std::exception {
public:
    DatabaseError(QString source, QString description, QString sqlState = {}, int nativeError = 0);

    // Reads every diagnostic record of the handle. The source is the first
    // record's bracketed components ("[unixODBC][Driver Manager]" gives
    // "unixODBC Driver Manager"); the description joins the records' texts.
    // Without any record, the fallback text describes the failure.
    static DatabaseError FromHandle(SQLSMALLINT handleType, SQLHANDLE handle, const QString& fallback);

    // A failure found by this layer itself rather than reported by a driver;
    // with the words of the database it concerns, when one does.
    static DatabaseError Internal(const QString& description, const QString& origin = QString());

    // A table, field or position that a collection does not hold.
    static DatabaseError ItemNotFound(const QString& item);

    const QString& source() const { return source_; }
    const QString& description() const { return description_; }
    const QString& sqlState() const { return sqlState_; }
    int nativeError() const { return nativeError_; }

    // Which database the failure came from, in words a report can show
    // (the setting and the file, or server and database); empty when not
    // known. The connection that raised it fills it in.
    const QString& origin() const { return origin_; }
    void setOrigin(const QString& origin) { origin_ = origin; }

    const char* what() const noexcept override { return what_.constData(); }

private:
    QString source_;
    QString description_;
    QString sqlState_;
    int nativeError_;
    QString origin_;
    QByteArray what_;
};

// Throws a DatabaseError built from the handle's diagnostics unless the
// return code is a success. SQL_NO_DATA counts as success.
void CheckOdbc(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* call);

} // namespace qel
