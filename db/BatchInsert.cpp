#include "db/BatchInsert.h"

#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Statement.h"
#include "db/ValueReader.h"

#include <algorithm>
#include <cstring>

namespace qel {

// A column of the target table as its driver describes it.
struct BatchInsert::TargetColumn {
    SQLSMALLINT sqlType = SQL_WVARCHAR;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
};

// The values of one column of a batch laid out as the driver reads them:
// an array of cells of equal width, and one length or NULL mark per cell.
struct BatchInsert::Binding {
    SQLSMALLINT cType = SQL_C_WCHAR;
    SQLLEN width = 0;
    std::vector<char> cells;
    std::vector<SQLLEN> lengths;

    void Fill(const RowBatch::Column& column, int first, int count, bool timestampsAsText, TextEncoding targetEncoding);

private:
    // Lays out count values of varying length, each given as its bytes, in
    // cells as wide as the longest plus the room of a terminator.
    template <typename BytesOf>
    void FillVarying(SQLSMALLINT type, std::size_t count, BytesOf bytesOf);
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

// A time stamp in the text form every database reads: fraction digits only
// as many as the value has.
QString TimestampText(const SQL_TIMESTAMP_STRUCT& t)
{
    QString text = QString::asprintf("%04d-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day, t.hour, t.minute, t.second);
    if (t.fraction != 0) {
        QString digits = QString::asprintf("%09u", static_cast<unsigned>(t.fraction));
        while (digits.endsWith(QLatin1Char('0')))
            digits.chop(1);
        text += QLatin1Char('.') + digits;
    }
    return text;
}

} // namespace

void BatchInsert::Binding::Fill(const RowBatch::Column& column, int first, int count, bool timestampsAsText,
                                 TextEncoding targetEncoding)
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
        if (!timestampsAsText) {
            fixed(SQL_C_TYPE_TIMESTAMP, column.stamps.data(), sizeof(SQL_TIMESTAMP_STRUCT));
            break;
        }
        // Time stamps as text are ASCII, which every driver takes narrow.
        FillVarying(SQL_C_CHAR, n, [&](std::size_t i) {
            return column.isNull[begin + i] ? QByteArray() : TimestampText(column.stamps[begin + i]).toLatin1();
        });
        break;
    case ValueForm::Text:
        if (column.encoding == TextEncoding::Utf16 || targetEncoding == TextEncoding::Utf8) {
            // The texts go over as they came.
            FillVarying(column.encoding == TextEncoding::Utf8 ? SQL_C_CHAR : SQL_C_WCHAR, n,
                        [&](std::size_t i) { return column.bytesAt(first + static_cast<int>(i)); });
        } else {
            FillVarying(SQL_C_WCHAR, n, [&](std::size_t i) {
                const QString text = column.textAt(first + static_cast<int>(i));
                return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
            });
        }
        break;
    case ValueForm::Binary:
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
                                                                          dialect.QuoteIdentifier(table_)));
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
        .arg(dialect.QuoteIdentifier(table_), quoted.join(QStringLiteral(", ")), rows.join(QLatin1Char(',')));
}

void BatchInsert::Insert(const RowBatch& rows, int firstColumn)
{
    if (rows.rowCount() == 0)
        return;
    if (rows.columnCount() - firstColumn != columns_.size())
        throw DatabaseError::Internal(QStringLiteral("A batch of %1 columns cannot fill the %2 columns of %3.")
                                          .arg(rows.columnCount() - firstColumn)
                                          .arg(columns_.size())
                                          .arg(table_));
    if (target_.dialect().isSQLite() || arraysRefused_)
        InsertRowsPerStatement(rows, firstColumn);
    else
        InsertAsArrays(rows, firstColumn);
}

void BatchInsert::Bind(Statement& statement, SQLUSMALLINT number, const TargetColumn& column, Binding& binding, int row)
{
    // Texts are typed as the column when the database converts them (a
    // date held as text goes into a date column); on SQLite a value keeps
    // the storage it had.
    const SQLSMALLINT sqlType = target_.dialect().isSQLite()
        ? (binding.cType == SQL_C_WCHAR ? SQL_WLONGVARCHAR : binding.cType == SQL_C_CHAR ? SQL_LONGVARCHAR : column.sqlType)
        : column.sqlType;
    SQLULEN size = column.size;
    if (binding.cType == SQL_C_WCHAR || binding.cType == SQL_C_CHAR || binding.cType == SQL_C_BINARY)
        size = std::max<SQLULEN>(size, static_cast<SQLULEN>(binding.width));
    const auto r = static_cast<std::size_t>(row);
    statement.Check(SQLBindParameter(statement.handle(), number, SQL_PARAM_INPUT, binding.cType, sqlType, size,
                                     column.digits, binding.cells.data() + r * static_cast<std::size_t>(binding.width),
                                     binding.width, binding.lengths.data() + r),
                    "SQLBindParameter");
}

void BatchInsert::InsertRowsPerStatement(const RowBatch& rows, int firstColumn)
{
    const bool timestampsAsText = target_.dialect().isSQLite();
    const int columnCount = static_cast<int>(columns_.size());
    const int perStatement =
        std::max(1, std::min(kMaxRowsPerStatement, kMaxSQLiteVariables / std::max(1, columnCount)));
    std::unique_ptr<Statement> full;
    std::vector<Binding> bindings(static_cast<std::size_t>(columnCount));
    for (int first = 0; first < rows.rowCount(); first += perStatement) {
        const int count = std::min(perStatement, rows.rowCount() - first);
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
        // One binding per column holds its values for the statement's rows;
        // each parameter points at its row's cell.
        for (int c = 0; c < columnCount; ++c)
            bindings[static_cast<std::size_t>(c)].Fill(rows.column(firstColumn + c), first, count, timestampsAsText,
                                                       targetEncoding_);
        for (int r = 0; r < count; ++r)
            for (int c = 0; c < columnCount; ++c)
                Bind(*statement, static_cast<SQLUSMALLINT>(r * columnCount + c + 1),
                     targetColumns_[static_cast<std::size_t>(c)], bindings[static_cast<std::size_t>(c)], r);
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
    std::vector<SQLUSMALLINT> status(static_cast<std::size_t>(rows.rowCount()));
    SQLULEN processed = 0;
    statement.Check(SQLSetStmtAttr(statement.handle(), SQL_ATTR_PARAM_BIND_TYPE,
                                   reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_PARAM_BIND_BY_COLUMN)), 0),
                    "SQLSetStmtAttr");
    statement.Check(SQLSetStmtAttr(statement.handle(), SQL_ATTR_PARAM_STATUS_PTR, status.data(), 0), "SQLSetStmtAttr");
    statement.Check(SQLSetStmtAttr(statement.handle(), SQL_ATTR_PARAMS_PROCESSED_PTR, &processed, 0), "SQLSetStmtAttr");
    std::vector<Binding> bindings(columns_.size());
    for (std::size_t c = 0; c < bindings.size(); ++c) {
        bindings[c].Fill(rows.column(firstColumn + static_cast<int>(c)), 0, rows.rowCount(), false, targetEncoding_);
        Bind(statement, static_cast<SQLUSMALLINT>(c + 1), targetColumns_[c], bindings[c], 0);
    }
    statement.Execute();
    // A driver may go on past a row it refused; any refused row fails the batch.
    for (SQLULEN i = 0; i < processed && i < status.size(); ++i)
        if (status[i] == SQL_PARAM_ERROR)
            throw DatabaseError::Internal(
                QStringLiteral("Row %1 of a batch could not be saved in %2.").arg(i + 1).arg(table_));
    SQLSetStmtAttr(statement.handle(), SQL_ATTR_PARAM_STATUS_PTR, nullptr, 0);
    SQLSetStmtAttr(statement.handle(), SQL_ATTR_PARAMS_PROCESSED_PTR, nullptr, 0);
}

} // namespace qel
