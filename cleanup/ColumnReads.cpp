#include "cleanup/ColumnReads.h"

namespace qel {

namespace {

bool IsBinary(ColumnType type)
{
    return type == ColumnType::Binary || type == ColumnType::VarBinary || type == ColumnType::LongVarBinary;
}

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

ColumnReads ReadsFor(const Dialect& source, const std::vector<ColumnDefinition>& columns)
{
    ColumnReads reads;
    for (const ColumnDefinition& column : columns) {
        const QString name = source.QuoteIdentifier(column.name);
        if (!source.isSQLite()) {
            reads.expressions << name;
            reads.forms.push_back(FormOf(column.type));
        } else if (IsBinary(column.type)) {
            reads.expressions << name;
            reads.forms.push_back(ValueForm::Binary);
        } else if (IsTextType(column.type) || column.type == ColumnType::Char || column.type == ColumnType::WChar) {
            reads.expressions << name; // a text column holds texts only
            reads.forms.push_back(ValueForm::Text);
        } else {
            reads.expressions << QStringLiteral("CASE WHEN typeof(%1) = 'real' THEN printf('%!.17g', %1) ELSE %1 END").arg(name);
            reads.forms.push_back(ValueForm::Text);
        }
    }
    return reads;
}

} // namespace qel
