#include "Recordset.h"

#include "Connection.h"
#include "DatabaseError.h"

void Recordset::ReadAll(SQLHSTMT statement)
{
    columns_ = DescribeResult(statement);
    if (columns_.empty())
        return;
    for (;;) {
        const SQLRETURN rc = SQLFetch(statement);
        if (rc == SQL_NO_DATA)
            break;
        CheckOdbc(rc, SQL_HANDLE_STMT, statement, "SQLFetch");
        std::vector<Variant> row;
        row.reserve(columns_.size());
        for (std::size_t i = 0; i < columns_.size(); ++i)
            row.push_back(ReadColumnValue(statement, static_cast<SQLUSMALLINT>(i + 1), columns_[i].sqlType));
        rows_.push_back(std::move(row));
    }
}

std::unique_ptr<Recordset> Recordset::Open(Connection& connection, const QString& sql)
{
    std::unique_ptr<Recordset> recordset(new Recordset);
    Statement statement(connection);
    statement.ExecDirect(sql);
    recordset->ReadAll(statement.handle());
    return recordset;
}

std::unique_ptr<Recordset> Recordset::OpenTablesSchema(Connection& connection)
{
    std::unique_ptr<Recordset> recordset(new Recordset);
    Statement statement(connection);
    statement.Check(SQLTablesW(statement.handle(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0), "SQLTables");
    recordset->ReadAll(statement.handle());
    return recordset;
}

std::unique_ptr<Recordset> Recordset::ReadResult(SQLHSTMT statement)
{
    std::unique_ptr<Recordset> recordset(new Recordset);
    recordset->ReadAll(statement);
    return recordset;
}

void Recordset::MoveNext()
{
    if (IsEOF())
        throw DatabaseError::Internal(QStringLiteral("Either BOF or EOF is True: there is no current record."));
    ++position_;
}

const Variant& Recordset::ReadField(int index) const
{
    if (IsEOF())
        throw DatabaseError::Internal(QStringLiteral("Either BOF or EOF is True: there is no current record."));
    if (index < 0 || index >= FieldCount())
        throw DatabaseError::ItemNotFound(QStringLiteral("field %1").arg(index));
    return rows_[position_][static_cast<std::size_t>(index)];
}

const Variant& Recordset::ReadField(const QString& name) const
{
    for (int i = 0; i < FieldCount(); ++i)
        if (columns_[static_cast<std::size_t>(i)].name.compare(name, Qt::CaseInsensitive) == 0)
            return ReadField(i);
    throw DatabaseError::ItemNotFound(QStringLiteral("field ") + name);
}

std::unique_ptr<Recordset> OpenRecordset(Connection& connection, const QString& sql)
{
    return Recordset::Open(connection, sql);
}
