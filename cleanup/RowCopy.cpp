#include "cleanup/RowCopy.h"

#include "core/Progress.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Result.h"
#include "db/Statement.h"

#include <QStringList>

namespace qel {

namespace {

constexpr int kRowsPerCommit = 2000;
const QString kAttachedTarget = QStringLiteral("qel_backup");

QString QuotedFieldList(const Dialect& dialect, const FieldNameList& fields)
{
    QStringList quoted;
    for (const QString& f : fields)
        quoted << dialect.QuoteIdentifier(f);
    return quoted.join(QStringLiteral(", "));
}

QString SqlText(const QString& text)
{
    QString q = text;
    q.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + q + QLatin1Char('\'');
}

// Both files known and distinct: the engine can copy between them itself.
bool CanCopyInsideSQLite(Connection& source, Connection& target, QString& targetFile)
{
    if (!source.dialect().isSQLite() || !target.dialect().isSQLite())
        return false;
    const QString sourceFile = SQLiteDatabaseFile(source);
    targetFile = SQLiteDatabaseFile(target);
    return !sourceFile.isEmpty() && !targetFile.isEmpty() && sourceFile != targetFile;
}

long long CopyInsideSQLite(Connection& source, const QString& targetFile, const QString& table, const QString& filter,
                           const FieldNameList& fields)
{
    const Dialect& dialect = source.dialect();
    source.Execute(QStringLiteral("ATTACH DATABASE %1 AS %2").arg(SqlText(targetFile), kAttachedTarget));
    const auto detach = [&source] {
        try {
            source.Execute(QStringLiteral("DETACH DATABASE ") + kAttachedTarget);
        } catch (const DatabaseError&) {
            // Still attached: the connection closes at the end of the
            // operation, and a later ATTACH under the name fails and copies
            // row by row instead.
        }
    };
    try {
        // Unqualified names in the filter still mean the source: the main
        // database is searched before attached ones.
        const QString columns = QuotedFieldList(dialect, fields);
        const long long copied = source.Execute(QStringLiteral("INSERT INTO %1.%2 (%3) SELECT %3 FROM %4%5")
                                                    .arg(kAttachedTarget, dialect.QuoteIdentifier(table), columns, table, filter));
        detach();
        return copied;
    } catch (const DatabaseError&) {
        detach();
        throw;
    }
}

// One parameter of the target's INSERT, holding the value it points to.
struct Parameter {
    SQLSMALLINT cType = SQL_C_WCHAR;
    SQLSMALLINT sqlType = SQL_WVARCHAR;
    SQLULEN columnSize = 1;
    SQLSMALLINT digits = 0;
    SQLLEN indicator = SQL_NULL_DATA;
    SQLLEN bufferLength = 0;
    union {
        SQLSMALLINT i16;
        SQLINTEGER i32;
        SQLBIGINT i64;
        SQLCHAR u8;
        SQLREAL f;
        SQLDOUBLE d;
        SQL_TIMESTAMP_STRUCT ts;
    } fixed{};
    QString text;
    QByteArray bytes;

    SQLPOINTER data()
    {
        if (cType == SQL_C_WCHAR)
            return ToSqlWChar(text);
        if (cType == SQL_C_BINARY)
            return bytes.data();
        return &fixed;
    }
};

void SetFromValue(Parameter& p, const FieldValue& v, const ResultColumn& source)
{
    p = Parameter{};
    switch (v.type()) {
    case FieldValue::Type::Int16:
        p.cType = SQL_C_SSHORT, p.sqlType = SQL_SMALLINT, p.fixed.i16 = static_cast<SQLSMALLINT>(v.integer());
        break;
    case FieldValue::Type::Int32:
        p.cType = SQL_C_SLONG, p.sqlType = SQL_INTEGER, p.fixed.i32 = static_cast<SQLINTEGER>(v.integer());
        break;
    case FieldValue::Type::Int64:
        p.cType = SQL_C_SBIGINT, p.sqlType = SQL_BIGINT, p.fixed.i64 = v.integer();
        break;
    case FieldValue::Type::UInt8:
        p.cType = SQL_C_UTINYINT, p.sqlType = SQL_TINYINT, p.fixed.u8 = static_cast<SQLCHAR>(v.integer());
        break;
    case FieldValue::Type::Bool:
        p.cType = SQL_C_BIT, p.sqlType = SQL_BIT, p.fixed.u8 = v.integer() ? 1 : 0;
        break;
    case FieldValue::Type::Float:
        p.cType = SQL_C_FLOAT, p.sqlType = SQL_REAL, p.fixed.f = static_cast<SQLREAL>(v.real());
        break;
    case FieldValue::Type::Double:
        p.cType = SQL_C_DOUBLE, p.sqlType = SQL_DOUBLE, p.fixed.d = v.real();
        break;
    case FieldValue::Type::DateTime: {
        const WallClock& t = v.dateTime();
        const int ms = static_cast<int>(t.nanoseconds / 1000000);
        p.cType = SQL_C_TYPE_TIMESTAMP, p.sqlType = SQL_TYPE_TIMESTAMP;
        p.columnSize = ms ? 23 : 19;
        p.digits = ms ? 3 : 0;
        p.fixed.ts = {static_cast<SQLSMALLINT>(t.year),   static_cast<SQLUSMALLINT>(t.month),
                      static_cast<SQLUSMALLINT>(t.day),    static_cast<SQLUSMALLINT>(t.hour),
                      static_cast<SQLUSMALLINT>(t.minute), static_cast<SQLUSMALLINT>(t.second),
                      static_cast<SQLUINTEGER>(ms) * 1000000u};
        break;
    }
    case FieldValue::Type::Binary:
        p.cType = SQL_C_BINARY;
        p.sqlType = v.bytes().size() > 8000 ? SQL_LONGVARBINARY : SQL_VARBINARY;
        p.bytes = v.bytes();
        p.columnSize = static_cast<SQLULEN>(std::max<qsizetype>(p.bytes.size(), 1));
        p.bufferLength = p.bytes.size();
        p.indicator = p.bytes.size();
        return;
    case FieldValue::Type::String:
    case FieldValue::Type::Decimal:
        p.cType = SQL_C_WCHAR;
        p.text = v.text();
        p.sqlType = v.type() == FieldValue::Type::Decimal ? SQL_WVARCHAR
                    : p.text.size() > 4000             ? SQL_WLONGVARCHAR
                                                       : SQL_WVARCHAR;
        p.columnSize = static_cast<SQLULEN>(std::max<qsizetype>(p.text.size(), 1));
        p.bufferLength = p.text.size() * static_cast<SQLLEN>(sizeof(SQLWCHAR));
        p.indicator = p.bufferLength;
        return;
    default: // NULL, typed like the source column so that every target accepts it
        p.cType = SQL_C_WCHAR;
        p.sqlType = source.sqlType == SQL_UNKNOWN_TYPE ? SQL_WVARCHAR : source.sqlType;
        p.columnSize = source.size ? source.size : 1;
        p.indicator = SQL_NULL_DATA;
        return;
    }
    p.indicator = 0;
}

long long CopyRowByRow(Connection& source, Connection& target, const QString& table, const QString& filter,
                       const FieldNameList& fields, Feedback& feedback, int stage)
{
    long long total = 0;
    {
        Result count(source, QStringLiteral("SELECT COUNT(*) FROM %1%2").arg(table, filter));
        total = count.Next() ? count.Value(0).toInt64() : 0;
    }

    Result rows(source, QStringLiteral("SELECT * FROM %1%2").arg(table, filter));
    const std::vector<ResultColumn>& columns = rows.columns();
    std::vector<int> sourceIndex;
    for (const QString& field : fields) {
        int found = -1;
        for (int i = 0; i < rows.ColumnCount(); ++i)
            if (columns[static_cast<std::size_t>(i)].name.compare(field, Qt::CaseInsensitive) == 0)
                found = i;
        if (found < 0)
            throw DatabaseError::ItemNotFound(QStringLiteral("field ") + field);
        sourceIndex.push_back(found);
    }

    const Dialect& dialect = target.dialect();
    QStringList marks;
    for (int i = 0; i < fields.size(); ++i)
        marks << QStringLiteral("?");
    Statement writer(target);
    writer.Prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                       .arg(dialect.QuoteIdentifier(table), QuotedFieldList(dialect, fields), marks.join(QLatin1Char(','))));

    CopyProgress progress(feedback, stage, total);
    std::vector<Parameter> parameters(static_cast<std::size_t>(fields.size()));
    target.SetAutoCommit(false);
    long long pending = 0;
    try {
        while (rows.Next()) {
            for (std::size_t f = 0; f < parameters.size(); ++f) {
                Parameter& p = parameters[f];
                const auto column = static_cast<std::size_t>(sourceIndex[f]);
                SetFromValue(p, rows.Value(sourceIndex[f]), columns[column]);
                writer.Check(SQLBindParameter(writer.handle(), static_cast<SQLUSMALLINT>(f + 1), SQL_PARAM_INPUT,
                                              p.cType, p.sqlType, p.columnSize, p.digits, p.data(), p.bufferLength,
                                              &p.indicator),
                             "SQLBindParameter");
            }
            writer.Execute();
            if (++pending == kRowsPerCommit) {
                target.Commit();
                pending = 0;
            }
            progress.RowCopied();
        }
        target.Commit();
        target.SetAutoCommit(true);
    } catch (const DatabaseError&) {
        // The rows saved before the failure stay in the target.
        try {
            target.Commit();
            target.SetAutoCommit(true);
        } catch (const DatabaseError&) {
        }
        throw;
    }
    return progress.copied();
}

} // namespace

long long CopyRows(Connection& source, Connection& target, const QString& table, const QString& filter,
                   const FieldNameList& fields, Feedback& feedback, int stage, CopyMethod method)
{
    QString targetFile;
    if (method == CopyMethod::Fastest && !fields.isEmpty() && CanCopyInsideSQLite(source, target, targetFile)) {
        try {
            const long long copied = CopyInsideSQLite(source, targetFile, table, filter, fields);
            if (copied > 0)
                CopyProgress(feedback, stage, copied).RowsCopied(copied);
            return copied;
        } catch (const DatabaseError&) {
            // The statement changed nothing; copying row by row finds the
            // row that fails and keeps the rows before it.
        }
    }
    return CopyRowByRow(source, target, table, filter, fields, feedback, stage);
}

} // namespace qel
