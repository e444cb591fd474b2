#pragma once

#include "db/OdbcApi.h"

#include <QByteArray>
#include <QString>

#include <exception>

namespace qel {

// A failure that ends a database step: a driver or driver-manager
// diagnostic, a check of this program's own, a refusal, or a setting that
// cannot be used, with the two texts that the report shows. Only the first
// two are reported as the database's errors; a refusal and a setting are
// reported in words of their own (kind()).
class DatabaseError : public std::exception {
public:
    enum class Kind {
        Database, // a driver's diagnostic, or a check of the data it read
        Refusal,  // what the program will not do with what it found
        Setting,  // a setting the program cannot use
    };

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

    // What the program will not do with what it found (a backup into the
    // source itself, a table it cannot walk safely), said as the reason
    // and what to do about it.
    static DatabaseError Refusal(const QString& description, const QString& origin = QString());

    // A setting the program cannot use: which one and what to set.
    static DatabaseError Setting(const QString& description);

    Kind kind() const { return kind_; }

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
    Kind kind_ = Kind::Database;
    QByteArray what_;
};

// Throws a DatabaseError built from the handle's diagnostics unless the
// return code is a success. SQL_NO_DATA counts as success.
void CheckOdbc(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* call);

} // namespace qel
