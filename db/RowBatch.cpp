#include "db/RowBatch.h"

#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Statement.h"
#include "db/ValueReader.h"

#include <algorithm>
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

// Reads a text or binary value onto the end of a column's buffer, in as
// many pieces as the driver needs; answers whether it is NULL. The buffer
// only grows, so a batch read into again reads without allocating.
bool ReadVarying(Statement& statement, SQLUSMALLINT column, SQLSMALLINT cType, std::vector<char>& data,
                 std::vector<std::size_t>& ends)
{
    // What the driver adds after each piece of characters.
    const std::size_t terminator = cType == SQL_C_CHAR ? 1 : cType == SQL_C_WCHAR ? sizeof(SQLWCHAR) : 0;
    std::size_t end = ends.empty() ? 0 : ends.back();
    std::size_t room = 256;
    for (;;) {
        if (data.size() < end + room) {
            // Small values share a buffer that doubles; a large one whose
            // size the driver told gets exactly its room, so that a single
            // big value costs its size and not twice it.
            const std::size_t doubled = std::max<std::size_t>(data.size() * 2, 4096);
            data.resize(room > (1u << 20) ? end + room : std::max(end + room, doubled));
        }
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(statement.handle(), column, cType, data.data() + end,
                                        static_cast<SQLLEN>(room), &indicator);
        if (rc == SQL_NO_DATA)
            break;
        statement.Check(rc, "SQLGetData");
        if (indicator == SQL_NULL_DATA) {
            ends.push_back(end);
            return true;
        }
        const std::size_t piece = room - terminator;
        if (indicator != SQL_NO_TOTAL && static_cast<std::size_t>(indicator) <= piece) {
            end += static_cast<std::size_t>(indicator);
            break;
        }
        // The piece filled the room: more follows. Ask for the rest at once
        // when the driver says how much it is.
        end += piece;
        room = indicator == SQL_NO_TOTAL ? room * 2 : static_cast<std::size_t>(indicator) - piece + terminator;
        room = std::max<std::size_t>(room, 2 * terminator + 2);
    }
    ends.push_back(end);
    return false;
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
    // A length first, so that values laid end to end cannot be mistaken
    // for other values.
    void AddBytes(std::string_view bytes)
    {
        AddValue(static_cast<std::int64_t>(bytes.size()));
        Add(bytes.data(), bytes.size());
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

std::string_view RowBatch::Column::bytesAt(int row) const
{
    const auto r = static_cast<std::size_t>(row);
    const std::size_t begin = r == 0 ? 0 : ends[r - 1];
    return std::string_view(data.data() + begin, ends[r] - begin);
}

QString RowBatch::Column::textAt(int row) const
{
    const std::string_view bytes = bytesAt(row);
    if (encoding == TextEncoding::Utf8)
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return QString(reinterpret_cast<const QChar*>(bytes.data()), static_cast<qsizetype>(bytes.size() / sizeof(char16_t)));
}

QByteArray RowBatch::Column::binaryAt(int row) const
{
    const std::string_view bytes = bytesAt(row);
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

void RowBatch::Clear(const std::vector<ValueForm>& forms, const std::vector<QString>& names, TextEncoding encoding)
{
    rows_ = 0;
    columns_.resize(forms.size());
    for (std::size_t i = 0; i < forms.size(); ++i) {
        Column& c = columns_[i];
        c.name = names[i];
        c.form = forms[i];
        c.encoding = encoding;
        c.isNull.clear();
        c.ends.clear(); // the data buffer keeps its size: it is written over
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
                                          .arg(forms.size()),
                                      statement.connection().origin());
    Clear(forms, names, statement.connection().textEncoding());
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
        case ValueForm::Binary:
            isNull = ReadVarying(statement, number, SQL_C_BINARY, c.data, c.ends);
            break;
        case ValueForm::Text:
            isNull = ReadVarying(statement, number, c.encoding == TextEncoding::Utf8 ? SQL_C_CHAR : SQL_C_WCHAR, c.data,
                                 c.ends);
            break;
        case ValueForm::Stored:
            isNull = ReadVarying(statement, number, SQL_C_BINARY, c.data, c.ends);
            break;
        }
        c.isNull.push_back(isNull ? 1 : 0);
    }
}

std::uint64_t RowBatch::RowFingerprint(int row, int firstColumn) const
{
    Fnv fnv;
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
        case ValueForm::Stored: fnv.AddBytes(c.bytesAt(row)); break;
        case ValueForm::Text:
            // Texts count as UTF-8, whichever way the driver handed them over.
            if (c.encoding == TextEncoding::Utf8) {
                fnv.AddBytes(c.bytesAt(row));
            } else {
                const QByteArray utf8 = c.textAt(row).toUtf8();
                fnv.AddBytes(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
            }
            break;
        }
    }
    return fnv.value();
}

std::uint64_t RowBatch::Fingerprint(int firstColumn) const
{
    std::uint64_t sum = 0;
    for (int row = 0; row < rows_; ++row)
        sum += RowFingerprint(row, firstColumn);
    return sum;
}

} // namespace qel
