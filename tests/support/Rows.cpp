#include "tests/support/Rows.h"

#include "db/Result.h"

namespace qel {

bool operator==(const FieldValue& a, const FieldValue& b)
{
    return a.type() == b.type() && a.integer() == b.integer() && a.real() == b.real() && a.text() == b.text()
        && a.bytes() == b.bytes() && a.dateTime() == b.dateTime();
}

void PrintTo(const FieldValue& value, std::ostream* os)
{
    if (value.isNull()) {
        *os << "NULL";
        return;
    }
    const WallClock& t = value.dateTime();
    *os << "{type " << static_cast<int>(value.type()) << ", " << value.integer() << ", " << value.real() << ", \""
        << value.text().toStdString() << "\", " << value.bytes().size() << " bytes, " << t.year << '-' << t.month << '-'
        << t.day << ' ' << t.hour << ':' << t.minute << ':' << t.second << '.' << t.nanoseconds << '}';
}

namespace test {

std::vector<Row> ReadRows(Connection& connection, const QString& sql)
{
    std::vector<Row> rows;
    for (Result result(connection, sql); result.Next();) {
        Row row;
        for (int i = 0; i < result.ColumnCount(); ++i)
            row.push_back(result.Value(i));
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<Row> ReadRows(const QString& connection, const QString& sql)
{
    auto c = Connection::Open(connection);
    return ReadRows(*c, sql);
}

long long Scalar(Connection& connection, const QString& sql)
{
    Result result(connection, sql);
    return result.Next() ? result.Value(0).toInt64() : 0;
}

} // namespace test
} // namespace qel
