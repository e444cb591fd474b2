#include "db/RowBatch.h"

#include "db/DatabaseError.h"
#include "db/Statement.h"
#include "db/ValueReader.h"

#include <cstring>

namespace qel {

namespace {

// Reads a value of fixed size; answers whether it is NULL.
template <typename T>
bool ReadFixed(Statement& statement, SQLUSMALLINT column, SQLSMALLINT cType, T& value)
{
    SQLLEN indicator = 0;
    statement.Check(SQLGetData(statement.handle(), column, cType, &value, sizeof value, &indicator), "SQLGetData");
    return indicator == SQL_NULL_DATA;
}

// 64-bit FNV-1a, fed field by field.
class Fnv {
public:
    void Add(const void* data, std::size_t size)
    {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) {
            hash_ ^= bytes[i];
            hash_ *= 1099511628211ULL;
        }
    }
    template <typename T>
    void AddValue(const T& value)
    {
        Add(&value, sizeof value);
    }
    std::uint64_t value() const { return hash_; }

private:
    std::uint64_t hash_ = 14695981039346656037ULL;
};

} // namespace

ValueForm FormOfSqlType(SQLSMALLINT sqlType)
{
    switch (sqlType) {
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
    case SQL_TINYINT:
    case SQL_BIT:
        return ValueForm::Integer;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return ValueForm::Real;
    case SQL_TYPE_DATE:
    case SQL_DATE:
    case SQL_TYPE_TIME:
    case SQL_TIME:
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
        return ValueForm::Timestamp;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        return ValueForm::Binary;
    default: // characters, decimals (as their digits), GUIDs and anything else
        return ValueForm::Text;
    }
}

void RowBatch::Clear(const std::vector<ValueForm>& forms, const std::vector<QString>& names)
{
    rows_ = 0;
    columns_.resize(forms.size());
    for (std::size_t i = 0; i < forms.size(); ++i) {
        Column& c = columns_[i];
        c.name = names[i];
        c.form = forms[i];
        c.isNull.clear();
        c.texts.clear();
        c.bytes.clear();
        c.integers.clear();
        c.reals.clear();
        c.stamps.clear();
    }
}

bool RowBatch::Fetch(Statement& statement, const std::vector<ValueForm>& forms, int maxRows)
{
    std::vector<QString> names;
    for (const ResultColumn& c : DescribeResult(statement.handle()))
        names.push_back(c.name);
    if (names.size() != forms.size())
        throw DatabaseError::Internal(QStringLiteral("A batch was read with %1 columns and %2 forms.")
                                          .arg(names.size())
                                          .arg(forms.size()));
    Clear(forms, names);
    while (rows_ < maxRows) {
        const SQLRETURN rc = SQLFetch(statement.handle());
        if (rc == SQL_NO_DATA)
            break;
        statement.Check(rc, "SQLFetch");
        ReadRow(statement);
        ++rows_;
    }
    return rows_ > 0;
}

void RowBatch::ReadRow(Statement& statement)
{
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        Column& c = columns_[i];
        const auto number = static_cast<SQLUSMALLINT>(i + 1);
        bool isNull = false;
        switch (c.form) {
        case ValueForm::Integer: {
            SQLBIGINT v = 0;
            isNull = ReadFixed(statement, number, SQL_C_SBIGINT, v);
            c.integers.push_back(isNull ? 0 : v);
            break;
        }
        case ValueForm::Real: {
            SQLDOUBLE v = 0;
            isNull = ReadFixed(statement, number, SQL_C_DOUBLE, v);
            c.reals.push_back(isNull ? 0.0 : v);
            break;
        }
        case ValueForm::Timestamp: {
            SQL_TIMESTAMP_STRUCT v{};
            isNull = ReadFixed(statement, number, SQL_C_TYPE_TIMESTAMP, v);
            c.stamps.push_back(v);
            break;
        }
        case ValueForm::Binary: {
            const FieldValue v = ReadColumnValue(statement.handle(), number, SQL_VARBINARY);
            isNull = v.isNull();
            c.bytes.push_back(v.bytes());
            break;
        }
        case ValueForm::Text: {
            const FieldValue v = ReadColumnValue(statement.handle(), number, SQL_WVARCHAR);
            isNull = v.isNull();
            c.texts.push_back(v.text());
            break;
        }
        }
        c.isNull.push_back(isNull ? 1 : 0);
    }
}

std::uint64_t RowBatch::Fingerprint(int firstColumn) const
{
    Fnv fnv;
    for (int row = 0; row < rows_; ++row) {
        const auto r = static_cast<std::size_t>(row);
        for (std::size_t i = static_cast<std::size_t>(firstColumn); i < columns_.size(); ++i) {
            const Column& c = columns_[i];
            fnv.AddValue(static_cast<char>(c.isNull[r] ? 'N' : 'V'));
            if (c.isNull[r])
                continue;
            switch (c.form) {
            case ValueForm::Integer: fnv.AddValue(c.integers[r]); break;
            case ValueForm::Real: fnv.AddValue(c.reals[r]); break;
            case ValueForm::Timestamp: {
                const SQL_TIMESTAMP_STRUCT& t = c.stamps[r];
                for (const std::int64_t part : {std::int64_t(t.year), std::int64_t(t.month), std::int64_t(t.day),
                                                std::int64_t(t.hour), std::int64_t(t.minute), std::int64_t(t.second),
                                                std::int64_t(t.fraction)})
                    fnv.AddValue(part);
                break;
            }
            case ValueForm::Binary:
                fnv.AddValue(static_cast<std::int64_t>(c.bytes[r].size()));
                fnv.Add(c.bytes[r].constData(), static_cast<std::size_t>(c.bytes[r].size()));
                break;
            case ValueForm::Text:
                fnv.AddValue(static_cast<std::int64_t>(c.texts[r].size()));
                fnv.Add(c.texts[r].utf16(), static_cast<std::size_t>(c.texts[r].size()) * sizeof(char16_t));
                break;
            }
        }
    }
    return fnv.value();
}

} // namespace qel
