#include "db/Result.h"

#include "db/Connection.h"
#include "db/DatabaseError.h"

namespace qel {

Result::Result(std::unique_ptr<Statement> statement) : statement_(std::move(statement)) {}

Result::Result(Connection& connection, const QString& sql, Duration duration)
    : statement_(std::make_unique<Statement>(connection))
{
    statement_->ExecDirect(sql, duration);
    Describe();
}

Result Result::Tables(Connection& connection)
{
    Result result(std::make_unique<Statement>(connection));
    result.statement_->Check(SQLTablesW(result.statement_->handle(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0),
                             "SQLTables");
    result.Describe();
    return result;
}

Result Result::Columns(Connection& connection, const QString& schema, const QString& table)
{
    Result result(std::make_unique<Statement>(connection));
    SQLWCHAR* schemaText = schema.isEmpty() ? nullptr : ToSqlWChar(schema);
    result.statement_->Check(SQLColumnsW(result.statement_->handle(), nullptr, 0, schemaText,
                                         schema.isEmpty() ? 0 : SQL_NTS, ToSqlWChar(table), SQL_NTS, nullptr, 0),
                             "SQLColumns");
    result.Describe();
    return result;
}

Result::Result(Result&&) noexcept = default;
Result& Result::operator=(Result&&) noexcept = default;
Result::~Result() = default;

void Result::Describe()
{
    columns_ = DescribeResult(statement_->handle());
    row_.resize(columns_.size());
}

bool Result::Next()
{
    onRow_ = false;
    if (columns_.empty())
        return false;
    const SQLRETURN rc = SQLFetch(statement_->handle());
    if (rc == SQL_NO_DATA)
        return false;
    statement_->Check(rc, "SQLFetch");
    // Columns are read in ascending order, as every driver allows.
    for (std::size_t i = 0; i < columns_.size(); ++i)
        row_[i] = ReadColumnValue(statement_->handle(), static_cast<SQLUSMALLINT>(i + 1), columns_[i].sqlType);
    onRow_ = true;
    return true;
}

const FieldValue& Result::Value(int index) const
{
    if (!onRow_)
        throw DatabaseError::Internal(QStringLiteral("Either BOF or EOF is True: there is no current record."));
    if (index < 0 || index >= ColumnCount())
        throw DatabaseError::ItemNotFound(QStringLiteral("field %1").arg(index));
    return row_[static_cast<std::size_t>(index)];
}

const FieldValue& Result::Value(const QString& name) const
{
    for (int i = 0; i < ColumnCount(); ++i)
        if (columns_[static_cast<std::size_t>(i)].name.compare(name, Qt::CaseInsensitive) == 0)
            return Value(i);
    throw DatabaseError::ItemNotFound(QStringLiteral("field ") + name);
}

} // namespace qel
