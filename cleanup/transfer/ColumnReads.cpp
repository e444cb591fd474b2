#include "cleanup/transfer/ColumnReads.h"

namespace qel {

namespace {

ValueForm FormOf(ColumnType type)
{
    switch (type) {
    case ColumnType::SmallInt:
    case ColumnType::Integer:
    case ColumnType::BigInt:
    case ColumnType::TinyInt:
    case ColumnType::UnsignedTinyInt:
    case ColumnType::Boolean:
        return ValueForm::Integer;
    case ColumnType::Single:
    case ColumnType::Double:
        return ValueForm::Real;
    case ColumnType::Date:
    case ColumnType::DBDate:
    case ColumnType::DBTime:
    case ColumnType::DBTimeStamp:
        return ValueForm::Timestamp;
    case ColumnType::Binary:
    case ColumnType::VarBinary:
    case ColumnType::LongVarBinary:
        return ValueForm::Binary;
    default: // texts, and decimals and currency as their digits
        return ValueForm::Text;
    }
}

} // namespace

QString SQLiteStoredValue(const QString& quotedColumn)
{
    // Texts and blobs go as blobs, which the driver hands over byte for
    // byte, NULs included. Integers and reals become digits, which no NUL
    // can cut, and go as text, which the driver hands over faster: as
    // blobs they made fetching a batch a third slower.
    return QStringLiteral("CASE typeof(%1) WHEN 'integer' THEN 'i' || %1 "
                          "WHEN 'real' THEN 'r' || printf('%!.20e', %1) "
                          "WHEN 'text' THEN CAST('t' || %1 AS BLOB) "
                          "WHEN 'blob' THEN CAST('b' || %1 AS BLOB) END")
        .arg(quotedColumn);
}

ColumnReads ReadsFor(const Dialect& source, const std::vector<ColumnDefinition>& columns)
{
    ColumnReads reads;
    for (const ColumnDefinition& column : columns) {
        const QString name = source.QuoteIdentifier(column.name);
        if (source.isSQLite()) {
            reads.expressions << SQLiteStoredValue(name);
            reads.forms.push_back(ValueForm::Stored);
        } else {
            reads.expressions << name;
            reads.forms.push_back(FormOf(column.type));
        }
    }
    return reads;
}

} // namespace qel
