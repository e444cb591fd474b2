#include "db/DatabaseError.h"

#include <QStringList>

#include <vector>

namespace qel {

namespace {

// Splits "[A][B]text" into "A B" and "text".
void SplitComponents(const QString& message, QString& components, QString& text)
{
    QStringList parts;
    qsizetype pos = 0;
    while (pos < message.size() && message.at(pos) == QLatin1Char('[')) {
        const qsizetype close = message.indexOf(QLatin1Char(']'), pos);
        if (close < 0)
            break;
        parts << message.mid(pos + 1, close - pos - 1);
        pos = close + 1;
    }
    components = parts.join(QLatin1Char(' '));
    text = message.mid(pos).trimmed();
}

} // namespace

DatabaseError::DatabaseError(QString source, QString description, QString sqlState, int nativeError)
    : source_(std::move(source)), description_(std::move(description)), sqlState_(std::move(sqlState)),
      nativeError_(nativeError)
{
    what_ = (source_ + QStringLiteral(": ") + description_).toUtf8();
}

DatabaseError DatabaseError::FromHandle(SQLSMALLINT handleType, SQLHANDLE handle, const QString& fallback)
{
    QString source;
    QString firstState;
    int firstNative = 0;
    QStringList texts;
    if (handle != SQL_NULL_HANDLE) {
        for (SQLSMALLINT record = 1;; ++record) {
            SQLWCHAR state[6] = {};
            SQLINTEGER native = 0;
            std::vector<SQLWCHAR> buffer(512);
            SQLSMALLINT length = 0;
            SQLRETURN rc = SQLGetDiagRecW(handleType, handle, record, state, &native, buffer.data(),
                                          static_cast<SQLSMALLINT>(buffer.size()), &length);
            if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(buffer.size())) {
                // The driver said how long the text is: read it whole.
                buffer.assign(static_cast<std::size_t>(length) + 1, 0);
                rc = SQLGetDiagRecW(handleType, handle, record, state, &native, buffer.data(),
                                    static_cast<SQLSMALLINT>(buffer.size()), &length);
            }
            if (!SQL_SUCCEEDED(rc))
                break;
            const qsizetype textLength = std::min<qsizetype>(length, static_cast<qsizetype>(buffer.size()) - 1);
            QString components;
            QString text;
            SplitComponents(FromSqlWChar(buffer.data(), textLength), components, text);
            if (record == 1) {
                source = components;
                firstState = FromSqlWChar(state, 5);
                firstNative = static_cast<int>(native);
            }
            if (!text.isEmpty() && !texts.contains(text))
                texts << text;
        }
    }
    if (texts.isEmpty())
        texts << fallback;
    if (source.isEmpty())
        source = QStringLiteral("ODBC");
    return DatabaseError(source, texts.join(QStringLiteral("; ")), firstState, firstNative);
}

DatabaseError DatabaseError::Internal(const QString& description, const QString& origin)
{
    DatabaseError error(QStringLiteral("QelCleanup data access"), description);
    error.setOrigin(origin);
    return error;
}

DatabaseError DatabaseError::Refusal(const QString& description, const QString& origin)
{
    DatabaseError error(QStringLiteral("QelCleanup"), description);
    error.kind_ = Kind::Refusal;
    error.setOrigin(origin);
    return error;
}

DatabaseError DatabaseError::Setting(const QString& description)
{
    DatabaseError error(QStringLiteral("QelCleanup"), description);
    error.kind_ = Kind::Setting;
    return error;
}

DatabaseError DatabaseError::ItemNotFound(const QString& item)
{
    return Internal(QStringLiteral("Item cannot be found in the collection corresponding to the requested name or "
                                   "ordinal (%1).").arg(item));
}

void CheckOdbc(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* call)
{
    if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA)
        return;
    const QString fallback = rc == SQL_INVALID_HANDLE
        ? QStringLiteral("%1 was given an invalid handle").arg(QLatin1String(call))
        : QStringLiteral("%1 failed (return code %2)").arg(QLatin1String(call)).arg(rc);
    throw DatabaseError::FromHandle(handleType, handle, fallback);
}

} // namespace qel
