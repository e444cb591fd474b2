#include "Dialect.h"

#include "AdoTypes.h"

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

QString Dialect::dateLiteral(const OleDateTime& date) const
{
    return date.format(kind_ == Kind::SQLite ? QStringLiteral("%Y-%m-%d") : QStringLiteral("%m/%d/%Y"));
}

QString Dialect::dateFormatPreamble() const
{
    return kind_ == Kind::SqlServer ? QStringLiteral("SET DATEFORMAT mdy") : QString();
}

QString Dialect::currentTimeExpression() const
{
    switch (kind_) {
    case Kind::SQLite: return QStringLiteral("datetime('now','localtime')");
    case Kind::Access: return QStringLiteral("Now()");
    default: return QStringLiteral("GETDATE()");
    }
}

QString Dialect::quoteIdentifier(const QString& name) const
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

QString Sized(const char* name, int size)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(size > 0 ? size : 1);
}

// SQLite keeps the declared type as written and the catalogue reads it back
// from there, so every code gets a name of its own and sizes are written out.
QString SQLiteType(int type, int size)
{
    switch (type) {
    case adVarChar: return Sized("varchar", size);
    case adVarWChar: return Sized("nvarchar", size);
    case adChar: return Sized("char", size);
    case adWChar: return Sized("nchar", size);
    case adLongVarChar: return size == kLongTextSize || size <= 0 ? QStringLiteral("text") : Sized("text", size);
    case adLongVarWChar: return size == kLongWideTextSize || size <= 0 ? QStringLiteral("ntext") : Sized("ntext", size);
    case adBinary: return Sized("binary", size);
    case adVarBinary: return Sized("varbinary", size);
    case adLongVarBinary: return QStringLiteral("blob");
    case adSmallInt: return QStringLiteral("smallint");
    case adInteger: return QStringLiteral("int");
    case adBigInt: return QStringLiteral("bigint");
    case adTinyInt:
    case adUnsignedTinyInt: return QStringLiteral("tinyint");
    case adBoolean: return QStringLiteral("bit");
    case adSingle: return QStringLiteral("real");
    case adDouble: return QStringLiteral("float");
    case adCurrency: return QStringLiteral("money");
    case adDecimal:
    case adNumeric: return QStringLiteral("numeric");
    case adDate: return QStringLiteral("oledate");
    case adDBDate: return QStringLiteral("date");
    case adDBTime: return QStringLiteral("time");
    case adDBTimeStamp: return QStringLiteral("datetime");
    case adGUID: return QStringLiteral("uniqueidentifier");
    default: return QStringLiteral("text");
    }
}

QString SqlServerType(int type, int size)
{
    switch (type) {
    case adVarChar: return size > 8000 || size <= 0 ? QStringLiteral("varchar(max)") : Sized("varchar", size);
    case adVarWChar: return size > 4000 || size <= 0 ? QStringLiteral("nvarchar(max)") : Sized("nvarchar", size);
    case adChar: return Sized("char", size);
    case adWChar: return Sized("nchar", size);
    case adLongVarChar: return QStringLiteral("text");
    case adLongVarWChar: return QStringLiteral("ntext");
    case adBinary: return Sized("binary", size);
    case adVarBinary: return size > 8000 || size <= 0 ? QStringLiteral("varbinary(max)") : Sized("varbinary", size);
    case adLongVarBinary: return QStringLiteral("image");
    case adSmallInt: return QStringLiteral("smallint");
    case adInteger: return QStringLiteral("int");
    case adBigInt: return QStringLiteral("bigint");
    case adTinyInt:
    case adUnsignedTinyInt: return QStringLiteral("tinyint");
    case adBoolean: return QStringLiteral("bit");
    case adSingle: return QStringLiteral("real");
    case adDouble: return QStringLiteral("float");
    case adCurrency: return QStringLiteral("money");
    case adDecimal:
    case adNumeric: return QStringLiteral("numeric");
    case adDate:
    case adDBTimeStamp: return QStringLiteral("datetime");
    case adDBDate: return QStringLiteral("date");
    case adDBTime: return QStringLiteral("time");
    case adGUID: return QStringLiteral("uniqueidentifier");
    default: return QStringLiteral("nvarchar(max)");
    }
}

QString AccessType(int type, int size)
{
    switch (type) {
    case adVarChar:
    case adVarWChar:
    case adChar:
    case adWChar: return Sized("TEXT", size);
    case adLongVarChar:
    case adLongVarWChar: return QStringLiteral("MEMO");
    case adBinary:
    case adVarBinary: return Sized("BINARY", size);
    case adLongVarBinary: return QStringLiteral("LONGBINARY");
    case adSmallInt: return QStringLiteral("SHORT");
    case adInteger: return QStringLiteral("LONG");
    case adBigInt: return QStringLiteral("DECIMAL");
    case adTinyInt:
    case adUnsignedTinyInt: return QStringLiteral("BYTE");
    case adBoolean: return QStringLiteral("BIT");
    case adSingle: return QStringLiteral("SINGLE");
    case adDouble: return QStringLiteral("DOUBLE");
    case adCurrency: return QStringLiteral("CURRENCY");
    case adDecimal:
    case adNumeric: return QStringLiteral("DECIMAL");
    case adDate:
    case adDBDate:
    case adDBTime:
    case adDBTimeStamp: return QStringLiteral("DATETIME");
    case adGUID: return QStringLiteral("GUID");
    default: return QStringLiteral("MEMO");
    }
}

} // namespace

QString Dialect::columnType(int adoType, int definedSize) const
{
    switch (kind_) {
    case Kind::SQLite: return SQLiteType(adoType, definedSize);
    case Kind::Access: return AccessType(adoType, definedSize);
    default: return SqlServerType(adoType, definedSize);
    }
}
