#include "db/BatchInsert.h"

#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Statement.h"
#include "db/ValueReader.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace qel {

// A column of the target table as its driver describes it.
struct BatchInsert::TargetColumn {
    SQLSMALLINT sqlType = SQL_WVARCHAR;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
};

// The values of one column of a batch laid out as the driver reads arrays
// of parameters: cells of equal width, and one length or NULL mark per cell.
struct BatchInsert::Binding {
    SQLSMALLINT cType = SQL_C_WCHAR;
    SQLLEN width = 0;
    std::vector<char> cells;
    std::vector<SQLLEN> lengths;

    void Fill(const RowBatch::Column& column, int first, int count, TextEncoding targetEncoding);

private:
    // Lays out count values of varying length, each given as its bytes, in
    // cells as wide as the longest plus the room of a terminator.
    template <typename BytesOf>
    void FillVarying(SQLSMALLINT type, std::size_t count, BytesOf bytesOf);
};

// One parameter of a statement that inserts rows one value at a time: where
// its value is and how the driver is to read it. Values are read where the
// batch holds them; only those that change form on the way are held here.
struct BatchInsert::Parameter {
    SQLSMALLINT cType = SQL_C_CHAR;
    SQLSMALLINT sqlType = SQL_LONGVARCHAR;
    SQLULEN size = 1;
    SQLSMALLINT digits = 0;
    const void* data = nullptr;
    SQLLEN bufferLength = 0;
    SQLLEN indicator = SQL_NULL_DATA;
    std::int64_t integer = 0;
    double real = 0;
    QByteArray converted;
};

template <typename BytesOf>
void BatchInsert::Binding::FillVarying(SQLSMALLINT type, std::size_t count, BytesOf bytesOf)
{
    cType = type;
    const std::size_t terminator = type == SQL_C_CHAR ? 1 : type == SQL_C_WCHAR ? sizeof(SQLWCHAR) : 0;
    std::size_t longest = 1;
    for (std::size_t i = 0; i < count; ++i)
        longest = std::max<std::size_t>(longest, static_cast<std::size_t>(bytesOf(i).size()));
    const std::size_t cell = longest + terminator;
    width = static_cast<SQLLEN>(cell);
    cells.resize(count * cell);
    for (std::size_t i = 0; i < count; ++i) {
        const auto bytes = bytesOf(i);
        const auto size = static_cast<std::size_t>(bytes.size());
        char* to = cells.data() + i * cell;
        std::memcpy(to, bytes.data(), size);
        std::memset(to + size, 0, cell - size);
        lengths[i] = static_cast<SQLLEN>(size);
    }
}

namespace {

// SQLite leaves a statement at 999 variables when built with its defaults.
constexpr int kMaxSQLiteVariables = 999;
constexpr int kMaxRowsPerStatement = 50;
// Arrays of parameters hold each column's values in cells as wide as its
// longest value; a batch whose cells would take more goes row by row.
constexpr std::size_t kMaxArrayBytes = 16u << 20;

// A time stamp in the text form every database reads: fraction digits only
// as many as the value has.
QByteArray TimestampText(const SQL_TIMESTAMP_STRUCT& t)
{
    QString text = QString::asprintf("%04d-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day, t.hour, t.minute, t.second);
    if (t.fraction != 0) {
        QString digits = QString::asprintf("%09u", static_cast<unsigned>(t.fraction));
        while (digits.endsWith(QLatin1Char('0')))
            digits.chop(1);
        text += QLatin1Char('.') + digits;
    }
    return text.toLatin1();
}

QByteArray Utf16Of(std::string_view utf8)
{
    const QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

// The bytes a varying value of a column needs as a parameter cell.
std::size_t CellBytes(const RowBatch::Column& column, int row)
{
    return column.isNull[static_cast<std::size_t>(row)] ? 0 : column.bytesAt(row).size();
}

} // namespace

void BatchInsert::Binding::Fill(const RowBatch::Column& column, int first, int count, TextEncoding targetEncoding)
{
    const auto begin = static_cast<std::size_t>(first);
    const auto n = static_cast<std::size_t>(count);
    lengths.assign(n, 0);
    const auto fixed = [&](SQLSMALLINT type, const void* values, std::size_t size) {
        cType = type;
        width = static_cast<SQLLEN>(size);
        cells.resize(n * size);
        std::memcpy(cells.data(), static_cast<const char*>(values) + begin * size, n * size);
    };
    switch (column.form) {
    case ValueForm::Integer:
        fixed(SQL_C_SBIGINT, column.integers.data(), sizeof(std::int64_t));
        break;
    case ValueForm::Real:
        fixed(SQL_C_DOUBLE, column.reals.data(), sizeof(double));
        break;
    case ValueForm::Timestamp:
        fixed(SQL_C_TYPE_TIMESTAMP, column.stamps.data(), sizeof(SQL_TIMESTAMP_STRUCT));
        break;
    case ValueForm::Text:
        if (column.encoding == TextEncoding::Utf16 || targetEncoding == TextEncoding::Utf8) {
            // The texts go over as they came.
            FillVarying(column.encoding == TextEncoding::Utf8 ? SQL_C_CHAR : SQL_C_WCHAR, n,
                        [&](std::size_t i) { return column.bytesAt(first + static_cast<int>(i)); });
        } else {
            FillVarying(SQL_C_WCHAR, n, [&](std::size_t i) { return Utf16Of(column.bytesAt(first + static_cast<int>(i))); });
        }
        break;
    case ValueForm::Binary:
    case ValueForm::Stored: // never in arrays: its values differ in kind
        FillVarying(SQL_C_BINARY, n, [&](std::size_t i) { return column.bytesAt(first + static_cast<int>(i)); });
        break;
    }
    for (std::size_t i = 0; i < n; ++i)
        if (column.isNull[begin + i])
            lengths[i] = SQL_NULL_DATA;
}

BatchInsert::BatchInsert(Connection& target, const QString& table, const QStringList& columns)
    : target_(target), table_(table), columns_(columns), targetEncoding_(target.textEncoding())
{
    // The target's own description of its columns types every parameter.
    const Dialect& dialect = target_.dialect();
    QStringList quoted;
    for (const QString& c : columns_)
        quoted << dialect.QuoteIdentifier(c);
    Statement describe(target_);
    describe.ExecDirect(QStringLiteral("SELECT %1 FROM %2 WHERE 1=0").arg(quoted.join(QStringLiteral(", ")),
                                                                          table_));
    for (const ResultColumn& c : DescribeResult(describe.handle()))
        targetColumns_.push_back({c.sqlType, c.size, c.digits});
}

BatchInsert::~BatchInsert() = default;

QString BatchInsert::InsertText(int rowsPerStatement) const
{
    const Dialect& dialect = target_.dialect();
    QStringList quoted;
    QStringList marks;
    for (const QString& c : columns_) {
        quoted << dialect.QuoteIdentifier(c);
        marks << QStringLiteral("?");
    }
    const QString row = QLatin1Char('(') + marks.join(QLatin1Char(',')) + QLatin1Char(')');
    QStringList rows;
    for (int i = 0; i < rowsPerStatement; ++i)
        rows << row;
    return QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
        .arg(table_, quoted.join(QStringLiteral(", ")), rows.join(QLatin1Char(',')));
}

void BatchInsert::Insert(const RowBatch& rows, int firstColumn)
{
    if (rows.rowCount() == 0)
        return;
    if (rows.columnCount() - firstColumn != columns_.size())
        throw DatabaseError::Internal(QStringLiteral("A batch of %1 columns cannot fill the %2 columns of %3.")
                                          .arg(rows.columnCount() - firstColumn)
                                          .arg(columns_.size())
                                          .arg(table_),
                                      target_.origin());
    if (target_.dialect().isSQLite() || arraysRefused_ || !FitsInArrays(rows, firstColumn))
        InsertRowsPerStatement(rows, firstColumn);
    else
        InsertAsArrays(rows, firstColumn);
}

bool BatchInsert::FitsInArrays(const RowBatch& rows, int firstColumn) const
{
    for (int c = firstColumn; c < rows.columnCount(); ++c) {
        const RowBatch::Column& column = rows.column(c);
        if (column.form == ValueForm::Stored)
            return false;
        if (column.form != ValueForm::Text && column.form != ValueForm::Binary)
            continue;
        std::size_t longest = 0;
        for (int r = 0; r < rows.rowCount(); ++r)
            longest = std::max(longest, CellBytes(column, r));
        // Texts may double on their way to UTF-16.
        if ((longest * 2 + 2) * static_cast<std::size_t>(rows.rowCount()) > kMaxArrayBytes)
            return false;
    }
    return true;
}

void BatchInsert::PrepareParameter(Parameter& p, const RowBatch::Column& column, int row, const TargetColumn& target)
{
    const auto r = static_cast<std::size_t>(row);
    const bool sqlite = target_.dialect().isSQLite();
    const bool utf8Target = targetEncoding_ == TextEncoding::Utf8;
    p.indicator = SQL_NULL_DATA;
    p.converted.clear();
    const auto varying = [&](SQLSMALLINT cType, const void* data, std::size_t bytes) {
        p.cType = cType;
        p.data = data;
        p.bufferLength = static_cast<SQLLEN>(bytes);
        p.indicator = static_cast<SQLLEN>(bytes);
    };
    const auto text = [&](std::string_view utf8) {
        if (utf8Target) {
            varying(SQL_C_CHAR, utf8.data(), utf8.size());
        } else {
            p.converted = Utf16Of(utf8);
            varying(SQL_C_WCHAR, p.converted.constData(), static_cast<std::size_t>(p.converted.size()));
        }
    };
    const auto number = [&](SQLSMALLINT cType, const void* value, std::size_t size) {
        p.cType = cType;
        p.data = value;
        p.bufferLength = static_cast<SQLLEN>(size);
        p.indicator = 0;
    };
    if (column.isNull[r]) {
        p.cType = SQL_C_CHAR;
        p.data = nullptr;
        p.bufferLength = 0;
    } else {
        switch (column.form) {
        case ValueForm::Integer: number(SQL_C_SBIGINT, &column.integers[r], sizeof(std::int64_t)); break;
        case ValueForm::Real: number(SQL_C_DOUBLE, &column.reals[r], sizeof(double)); break;
        case ValueForm::Timestamp:
            if (sqlite) { // SQLite keeps time stamps as their text
                p.converted = TimestampText(column.stamps[r]);
                varying(SQL_C_CHAR, p.converted.constData(), static_cast<std::size_t>(p.converted.size()));
            } else {
                number(SQL_C_TYPE_TIMESTAMP, &column.stamps[r], sizeof(SQL_TIMESTAMP_STRUCT));
            }
            break;
        case ValueForm::Text: {
            const std::string_view bytes = column.bytesAt(row);
            if (column.encoding == TextEncoding::Utf16)
                varying(SQL_C_WCHAR, bytes.data(), bytes.size());
            else
                text(bytes);
            break;
        }
        case ValueForm::Binary: {
            const std::string_view bytes = column.bytesAt(row);
            varying(SQL_C_BINARY, bytes.data(), bytes.size());
            break;
        }
        case ValueForm::Stored: {
            const std::string_view stored = column.bytesAt(row);
            const std::string_view value = stored.substr(1);
            const char kind = stored.empty() ? '?' : stored.front();
            if (kind == 'i') {
                const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), p.integer);
                if (error != std::errc() || end != value.data() + value.size())
                    throw DatabaseError::Internal(QStringLiteral("A whole number of %1 could not be read: %2")
                                                      .arg(table_, QString::fromLatin1(value.data(), static_cast<qsizetype>(value.size()))),
                                                  target_.origin());
                number(SQL_C_SBIGINT, &p.integer, sizeof p.integer);
            } else if (kind == 'r') {
                // Its 21 digits, which SQLite writes in a type wider than a
                // double, so that the nearest double to them is the value.
                const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), p.real);
                if (error != std::errc() || end != value.data() + value.size())
                    throw DatabaseError::Internal(QStringLiteral("A number of %1 could not be read: %2")
                                                      .arg(table_, QString::fromLatin1(value.data(), static_cast<qsizetype>(value.size()))),
                                                  target_.origin());
                number(SQL_C_DOUBLE, &p.real, sizeof p.real);
            } else if (kind == 't') {
                text(value);
            } else if (kind == 'b') {
                varying(SQL_C_BINARY, value.data(), value.size());
            } else {
                throw DatabaseError::Internal(QStringLiteral("A value of %1 came in a form this program does not know.").arg(table_),
                                              target_.origin());
            }
            break;
        }
        }
    }
    // On SQLite a value keeps the storage class it had: each is typed by its
    // own kind. Elsewhere it is typed as its column is, so that the
    // database converts it or refuses it, and never alters it.
    if (sqlite) {
        switch (p.cType) {
        case SQL_C_SBIGINT: p.sqlType = SQL_BIGINT; break;
        case SQL_C_DOUBLE: p.sqlType = SQL_DOUBLE; break;
        case SQL_C_WCHAR: p.sqlType = SQL_WLONGVARCHAR; break;
        case SQL_C_BINARY: p.sqlType = SQL_LONGVARBINARY; break;
        default: p.sqlType = SQL_LONGVARCHAR; break;
        }
        p.size = static_cast<SQLULEN>(std::max<SQLLEN>(p.bufferLength, 1));
        p.digits = 0;
    } else {
        p.sqlType = target.sqlType;
        p.size = target.size;
        p.digits = target.digits;
        if (p.cType == SQL_C_CHAR || p.cType == SQL_C_WCHAR || p.cType == SQL_C_BINARY)
            p.size = std::max<SQLULEN>(p.size, static_cast<SQLULEN>(std::max<SQLLEN>(p.bufferLength, 1)));
    }
}

void BatchInsert::InsertRowsPerStatement(const RowBatch& rows, int firstColumn)
{
    const int columnCount = static_cast<int>(columns_.size());
    const int perStatement =
        std::max(1, std::min(kMaxRowsPerStatement, kMaxSQLiteVariables / std::max(1, columnCount)));
    // The statements are bound to these parameters: declared after them,
    // they are freed first on every way out.
    std::vector<Parameter> parameters(static_cast<std::size_t>(perStatement * columnCount));
    std::unique_ptr<Statement> full;
    for (int first = 0; first < rows.rowCount(); first += perStatement) {
        const int count = std::min(perStatement, rows.rowCount() - first);
        for (int r = 0; r < count; ++r)
            for (int c = 0; c < columnCount; ++c)
                PrepareParameter(parameters[static_cast<std::size_t>(r * columnCount + c)], rows.column(firstColumn + c),
                                 first + r, targetColumns_[static_cast<std::size_t>(c)]);
        std::unique_ptr<Statement> partial;
        Statement* statement = nullptr;
        if (count == perStatement) {
            if (!full) {
                full = std::make_unique<Statement>(target_);
                full->Prepare(InsertText(perStatement));
            }
            statement = full.get();
        } else {
            partial = std::make_unique<Statement>(target_);
            partial->Prepare(InsertText(count));
            statement = partial.get();
        }
        // Each parameter points at its value where the batch holds it.
        for (int i = 0; i < count * columnCount; ++i) {
            Parameter& p = parameters[static_cast<std::size_t>(i)];
            statement->Check(SQLBindParameter(statement->handle(), static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT,
                                              p.cType, p.sqlType, p.size, p.digits, const_cast<void*>(p.data),
                                              p.bufferLength, &p.indicator),
                             "SQLBindParameter");
        }
        statement->Execute();
    }
}

void BatchInsert::InsertAsArrays(const RowBatch& rows, int firstColumn)
{
    if (!arrayStatement_) {
        arrayStatement_ = std::make_unique<Statement>(target_);
        arrayStatement_->Prepare(InsertText(1));
    }
    Statement& statement = *arrayStatement_;
    const SQLRETURN rc = SQLSetStmtAttr(statement.handle(), SQL_ATTR_PARAMSET_SIZE,
                                        reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(rows.rowCount())), 0);
    if (!SQL_SUCCEEDED(rc)) {
        // A driver without arrays of parameters takes the rows one by one.
        arraysRefused_ = true;
        arrayStatement_.reset();
        InsertRowsPerStatement(rows, firstColumn);
        return;
    }
    // The driver holds pointers to these until the statement is unbound:
    // they live as long as the statement does, and are unbound on every
    // way out.
    status_.assign(static_cast<std::size_t>(rows.rowCount()), 0);
    processed_ = 0;
    bindings_.resize(columns_.size());
    struct Unbind {
        Statement& statement;
        ~Unbind()
        {
            SQLFreeStmt(statement.handle(), SQL_RESET_PARAMS);
            SQLSetStmtAttr(statement.handle(), SQL_ATTR_PARAM_STATUS_PTR, nullptr, 0);
            SQLSetStmtAttr(statement.handle(), SQL_ATTR_PARAMS_PROCESSED_PTR, nullptr, 0);
            SQLSetStmtAttr(statement.handle(), SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(1)), 0);
        }
    } unbind{statement};
    statement.Check(SQLSetStmtAttr(statement.handle(), SQL_ATTR_PARAM_BIND_TYPE,
                                   reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_PARAM_BIND_BY_COLUMN)), 0),
                    "SQLSetStmtAttr");
    statement.Check(SQLSetStmtAttr(statement.handle(), SQL_ATTR_PARAM_STATUS_PTR, status_.data(), 0), "SQLSetStmtAttr");
    statement.Check(SQLSetStmtAttr(statement.handle(), SQL_ATTR_PARAMS_PROCESSED_PTR, &processed_, 0), "SQLSetStmtAttr");
    for (std::size_t c = 0; c < bindings_.size(); ++c) {
        Binding& binding = bindings_[c];
        const TargetColumn& column = targetColumns_[c];
        binding.Fill(rows.column(firstColumn + static_cast<int>(c)), 0, rows.rowCount(), targetEncoding_);
        SQLULEN size = column.size;
        if (binding.cType == SQL_C_WCHAR || binding.cType == SQL_C_CHAR || binding.cType == SQL_C_BINARY)
            size = std::max<SQLULEN>(size, static_cast<SQLULEN>(binding.width));
        statement.Check(SQLBindParameter(statement.handle(), static_cast<SQLUSMALLINT>(c + 1), SQL_PARAM_INPUT,
                                         binding.cType, column.sqlType, size, column.digits, binding.cells.data(),
                                         binding.width, binding.lengths.data()),
                        "SQLBindParameter");
    }
    statement.Execute();
    // A driver may go on past a row it refused; any refused row fails the batch.
    for (SQLULEN i = 0; i < processed_ && i < status_.size(); ++i)
        if (status_[i] == SQL_PARAM_ERROR)
            throw DatabaseError::Internal(QStringLiteral("Row %1 of a batch could not be saved in %2.").arg(i + 1).arg(table_),
                                          target_.origin());
}

} // namespace qel
