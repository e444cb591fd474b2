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
    // Long texts and bytes as the (max) types: text, ntext and image are
    // deprecated, and refused where a statement compares or sorts them.
    case ColumnType::LongVarChar: return QStringLiteral("varchar(max)");
    case ColumnType::LongVarWChar: return QStringLiteral("nvarchar(max)");
    case ColumnType::Binary: return Sized("binary", size);
    case ColumnType::VarBinary:
        return size > 8000 || size <= 0 ? QStringLiteral("varbinary(max)") : Sized("varbinary", size);
    case ColumnType::LongVarBinary: return QStringLiteral("varbinary(max)");
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

namespace {

std::optional<QString> SqlServerNativeType(const ColumnTypeInfo& t)
{
    QString name = t.typeName.trimmed().toLower();
    if (name.endsWith(QLatin1String(" identity")))
        name.chop(9);
    const auto sized = [&](int limit) {
        return t.definedSize <= 0 || t.definedSize > limit ? QStringLiteral("%1(max)").arg(name)
                                                          : QStringLiteral("%1(%2)").arg(name).arg(t.definedSize);
    };
    if (name == QLatin1String("char") || name == QLatin1String("varchar") || name == QLatin1String("binary")
        || name == QLatin1String("varbinary"))
        return name.startsWith(QLatin1String("var")) ? sized(8000) : QStringLiteral("%1(%2)").arg(name).arg(std::max(t.definedSize, 1));
    if (name == QLatin1String("nchar"))
        return QStringLiteral("nchar(%1)").arg(std::max(t.definedSize, 1));
    if (name == QLatin1String("nvarchar"))
        return sized(4000);
    if (name == QLatin1String("decimal") || name == QLatin1String("numeric"))
        return QStringLiteral("%1(%2,%3)").arg(name).arg(t.precision > 0 ? t.precision : 18).arg(std::max(t.scale, 0));
    if (name == QLatin1String("datetime2") || name == QLatin1String("datetimeoffset") || name == QLatin1String("time"))
        return QStringLiteral("%1(%2)").arg(name).arg(std::clamp(t.scale, 0, 7));
    if (name == QLatin1String("timestamp") || name == QLatin1String("rowversion"))
        return QStringLiteral("binary(8)");
    static const char* const plain[] = {"bigint", "int", "smallint", "tinyint", "bit", "money", "smallmoney",
                                        "float", "real", "date", "datetime", "smalldatetime", "uniqueidentifier",
                                        "xml", "sql_variant", "text", "ntext", "image", "hierarchyid",
                                        "geometry", "geography"};
    for (const char* known : plain)
        if (name == QLatin1String(known))
            return name;
    return std::nullopt;
}

} // namespace

std::optional<QString> Dialect::NativeTypeText(const ColumnTypeInfo& type) const
{
    switch (kind_) {
    case Kind::SQLite: return type.typeName;
    case Kind::SqlServer: return SqlServerNativeType(type);
    default: return std::nullopt;
    }
}

QString Dialect::ColumnTypeText(const ColumnTypeInfo& type) const
{
    switch (kind_) {
    case Kind::SQLite: return SQLiteType(type);
    case Kind::Access: return AccessType(type);
    default: return SqlServerType(type);
    }
}

} // namespace qel
