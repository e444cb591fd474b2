#include "db/Dialect.h"

#include "core/Dates.h"

#include <algorithm>

namespace qel {

Dialect Dialect::ForDbmsName(const QString& dbmsName)
{
    const QString name = dbmsName.trimmed().toLower();
    if (name.contains(QLatin1String("sqlite")))
        return Dialect(Kind::SQLite);
    if (name.contains(QLatin1String("sql server")))
        return Dialect(Kind::SqlServer);
    if (name == QLatin1String("access") || name.contains(QLatin1String("jet")))
        return Dialect(Kind::Access);
    return Dialect(Kind::Other);
}

QString Dialect::DateLiteral(const QDate& date) const
{
    return FormatDate(date, kind_ == Kind::SQLite ? QStringLiteral("%Y-%m-%d") : QStringLiteral("%m/%d/%Y"));
}

QString Dialect::DateFormatPreamble() const
{
    return kind_ == Kind::SqlServer ? QStringLiteral("SET DATEFORMAT mdy") : QString();
}

QString Dialect::CurrentTimeExpression() const
{
    switch (kind_) {
    case Kind::SQLite: return QStringLiteral("datetime('now','localtime')");
    case Kind::Access: return QStringLiteral("Now()");
    default: return QStringLiteral("GETDATE()");
    }
}

QString Dialect::TextLiteral(const QString& text) const
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    quoted = QLatin1Char('\'') + quoted + QLatin1Char('\'');
    return kind_ == Kind::SqlServer ? QLatin1Char('N') + quoted : quoted;
}

QString Dialect::QuoteIdentifier(const QString& name) const
{
    if (kind_ == Kind::SQLite) {
        QString quoted = name;
        quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
        return QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    QString quoted = name;
    quoted.replace(QLatin1Char(']'), QLatin1String("]]"));
    return QLatin1Char('[') + quoted + QLatin1Char(']');
}

namespace {

// A decimal keeps its precision and scale: without them SQL Server would
// round every value to a whole number.
QString NumericType(const ColumnTypeInfo& t)
{
    if (t.precision <= 0)
        return QStringLiteral("numeric");
    return QStringLiteral("numeric(%1,%2)").arg(t.precision).arg(std::max(t.scale, 0));
}

QString Sized(const char* name, int size)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(size > 0 ? size : 1);
}

// SQLite keeps the declared type as written and the catalogue reads it back
// from there, so every type gets a name of its own and sizes are written out.
QString SQLiteType(const ColumnTypeInfo& t)
{
    const int size = t.definedSize;
    switch (t.type) {
    case ColumnType::VarChar: return Sized("varchar", size);
    case ColumnType::VarWChar: return Sized("nvarchar", size);
    case ColumnType::Char: return Sized("char", size);
    case ColumnType::WChar: return Sized("nchar", size);
    case ColumnType::LongVarChar: return size == kLongTextSize || size <= 0 ? QStringLiteral("text") : Sized("text", size);
    case ColumnType::LongVarWChar:
        return size == kLongWideTextSize || size <= 0 ? QStringLiteral("ntext") : Sized("ntext", size);
    case ColumnType::Binary: return Sized("binary", size);
    case ColumnType::VarBinary: return Sized("varbinary", size);
    case ColumnType::LongVarBinary: return QStringLiteral("blob");
    case ColumnType::SmallInt: return QStringLiteral("smallint");
    case ColumnType::Integer: return QStringLiteral("int");
    case ColumnType::BigInt: return QStringLiteral("bigint");
    case ColumnType::TinyInt:
    case ColumnType::UnsignedTinyInt: return QStringLiteral("tinyint");
    case ColumnType::Boolean: return QStringLiteral("bit");
    case ColumnType::Single: return QStringLiteral("real");
    case ColumnType::Double: return QStringLiteral("float");
    case ColumnType::Currency: return QStringLiteral("money");
    case ColumnType::Decimal:
    case ColumnType::Numeric: return NumericType(t);
    case ColumnType::Date: return QStringLiteral("oledate");
    case ColumnType::DBDate: return QStringLiteral("date");
    case ColumnType::DBTime: return QStringLiteral("time");
    case ColumnType::DBTimeStamp: return QStringLiteral("datetime");
    case ColumnType::Guid: return QStringLiteral("uniqueidentifier");
    default: return QStringLiteral("text");
    }
}

QString SqlServerType(const ColumnTypeInfo& t)
{
    const int size = t.definedSize;
    switch (t.type) {
    case ColumnType::VarChar: return size > 8000 || size <= 0 ? QStringLiteral("varchar(max)") : Sized("varchar", size);
    case ColumnType::VarWChar: return size > 4000 || size <= 0 ? QStringLiteral("nvarchar(max)") : Sized("nvarchar", size);
    case ColumnType::Char: return Sized("char", size);
    case ColumnType::WChar: return Sized("nchar", size);
    case ColumnType::LongVarChar: return QStringLiteral("text");
    case ColumnType::LongVarWChar: return QStringLiteral("ntext");
    case ColumnType::Binary: return Sized("binary", size);
    case ColumnType::VarBinary:
        return size > 8000 || size <= 0 ? QStringLiteral("varbinary(max)") : Sized("varbinary", size);
    case ColumnType::LongVarBinary: return QStringLiteral("image");
    case ColumnType::SmallInt: return QStringLiteral("smallint");
    case ColumnType::Integer: return QStringLiteral("int");
    case ColumnType::BigInt: return QStringLiteral("bigint");
    case ColumnType::TinyInt:
    case ColumnType::UnsignedTinyInt: return QStringLiteral("tinyint");
    case ColumnType::Boolean: return QStringLiteral("bit");
    case ColumnType::Single: return QStringLiteral("real");
    case ColumnType::Double: return QStringLiteral("float");
    case ColumnType::Currency: return QStringLiteral("money");
    case ColumnType::Decimal:
    case ColumnType::Numeric: return NumericType(t);
    case ColumnType::Date: return QStringLiteral("datetime");
    case ColumnType::DBTimeStamp:
        // datetime keeps time to 1/300 of a second; anything finer (or a
        // datetime2 of the source) needs datetime2 to arrive unrounded.
        if (t.typeName.startsWith(QLatin1String("datetime2"), Qt::CaseInsensitive) || t.scale > 3)
            return QStringLiteral("datetime2(%1)").arg(std::min(std::max(t.scale, 0), 7));
        return QStringLiteral("datetime");
    case ColumnType::DBDate: return QStringLiteral("date");
    case ColumnType::DBTime: return QStringLiteral("time");
    case ColumnType::Guid: return QStringLiteral("uniqueidentifier");
    default: return QStringLiteral("nvarchar(max)");
    }
}

QString AccessType(const ColumnTypeInfo& t)
{
    switch (t.type) {
    case ColumnType::VarChar:
    case ColumnType::VarWChar:
    case ColumnType::Char:
    case ColumnType::WChar: return Sized("TEXT", t.definedSize);
    case ColumnType::LongVarChar:
    case ColumnType::LongVarWChar: return QStringLiteral("MEMO");
    case ColumnType::Binary:
    case ColumnType::VarBinary: return Sized("BINARY", t.definedSize);
    case ColumnType::LongVarBinary: return QStringLiteral("LONGBINARY");
    case ColumnType::SmallInt: return QStringLiteral("SHORT");
    case ColumnType::Integer: return QStringLiteral("LONG");
    case ColumnType::BigInt: return QStringLiteral("DECIMAL");
    case ColumnType::TinyInt:
    case ColumnType::UnsignedTinyInt: return QStringLiteral("BYTE");
    case ColumnType::Boolean: return QStringLiteral("BIT");
    case ColumnType::Single: return QStringLiteral("SINGLE");
    case ColumnType::Double: return QStringLiteral("DOUBLE");
    case ColumnType::Currency: return QStringLiteral("CURRENCY");
    case ColumnType::Decimal:
    case ColumnType::Numeric: return QStringLiteral("DECIMAL");
    case ColumnType::Date:
    case ColumnType::DBDate:
    case ColumnType::DBTime:
    case ColumnType::DBTimeStamp: return QStringLiteral("DATETIME");
    case ColumnType::Guid: return QStringLiteral("GUID");
    default: return QStringLiteral("MEMO");
    }
}

} // namespace

QString Dialect::ColumnTypeText(const ColumnTypeInfo& type) const
{
    switch (kind_) {
    case Kind::SQLite: return SQLiteType(type);
    case Kind::Access: return AccessType(type);
    default: return SqlServerType(type);
    }
}

} // namespace qel
