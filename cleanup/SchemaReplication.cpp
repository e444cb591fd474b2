#include "cleanup/SchemaReplication.h"

#include "cleanup/ErrorReport.h"
#include "core/Progress.h"
#include "db/DatabaseError.h"

namespace qel {

std::vector<ColumnDefinition>& TargetTable::Columns()
{
    if (!columns_)
        columns_ = isNew_ ? std::vector<ColumnDefinition>{} : catalog_.Columns(name_);
    return *columns_;
}

std::optional<ColumnDefinition> TargetTable::FindColumn(const QString& column)
{
    for (const auto& c : Columns())
        if (c.name.compare(column, Qt::CaseInsensitive) == 0)
            return c;
    return std::nullopt;
}

void TargetTable::AddColumn(const ColumnDefinition& column)
{
    auto& columns = Columns();
    if (!isNew_)
        catalog_.AddColumn(name_, column);
    columns.push_back(column);
}

void TargetTable::DropColumn(const QString& column)
{
    auto& columns = Columns();
    if (!isNew_)
        catalog_.DropColumn(name_, column);
    for (auto it = columns.begin(); it != columns.end(); ++it) {
        if (it->name.compare(column, Qt::CaseInsensitive) == 0) {
            columns.erase(it);
            break;
        }
    }
}

void TargetTable::Create()
{
    catalog_.CreateTable(name_, Columns());
    isNew_ = false;
}

ColumnDefinition MapColumnForTarget(const ColumnDefinition& source, bool accessTarget)
{
    ColumnDefinition c = source;
    c.nullable = true;
    if (!accessTarget) {
        if (c.type == ColumnType::Date)
            c.type = ColumnType::DBTimeStamp;
        return c;
    }
    switch (c.type) {
    case ColumnType::DBTimeStamp:
        c.type = ColumnType::Date;
        break;
    case ColumnType::VarChar:
        if (c.definedSize <= 255) {
            c.type = ColumnType::VarWChar;
        } else {
            c.type = ColumnType::LongVarWChar;
            c.definedSize = 0;
        }
        break;
    case ColumnType::VarWChar:
        if (c.definedSize > 255) {
            c.type = ColumnType::LongVarWChar;
            c.definedSize = 0;
        }
        break;
    case ColumnType::LongVarWChar:
        c.definedSize = 0;
        break;
    default:
        break;
    }
    return c;
}

bool SchemaReplication::ReplicateTable(Catalog& source, Catalog& target, const QString& table, FieldNameList& fieldNames)
{
    feedback_.ShowStatus(CreatingFieldsText(state_.stage));
    feedback_.PumpMessages();

    QString sourceName;
    try {
        sourceName = source.LookupTable(table).name;
    } catch (const DatabaseError& e) {
        ReportDatabaseError(feedback_, QLatin1String(ReportContext::SourceTable), e);
        return false;
    }

    // A target without the table is normal: it is created below. So is a
    // target whose table list cannot be read; creating the table then
    // reports what is wrong.
    std::optional<TableEntry> existing;
    try {
        existing = target.FindTable(table);
    } catch (const DatabaseError&) {
    }
    TargetTable targetTable = existing ? TargetTable::Existing(target, existing->name) : TargetTable::New(target, table);

    // Failures while reading the source columns or altering existing target
    // columns reach the calling operation, which reports them.
    for (const ColumnDefinition& column : source.Columns(sourceName)) {
        fieldNames << column.name;
        if (!EnsureColumn(targetTable, column))
            return false;
    }

    if (targetTable.isNew()) {
        try {
            targetTable.Create();
        } catch (const DatabaseError& e) {
            ReportDatabaseError(feedback_, QLatin1String(ReportContext::NewTargetTable), e);
            return false;
        }
    }
    return true;
}

bool SchemaReplication::EnsureColumn(TargetTable& table, const ColumnDefinition& sourceColumn)
{
    const ColumnDefinition wanted = MapColumnForTarget(sourceColumn, state_.accessTarget);
    if (!table.isNew()) {
        if (const std::optional<ColumnDefinition> existing = table.FindColumn(wanted.name)) {
            const bool sameType = existing->type == wanted.type
                && (!IsTextType(wanted.type) || existing->definedSize == wanted.definedSize);
            if (sameType)
                return true;
            table.DropColumn(wanted.name); // the target's rows lose this column's values
        }
    }
    return CreateColumn(table, wanted);
}

bool SchemaReplication::CreateColumn(TargetTable& table, const ColumnDefinition& column)
{
    try {
        table.AddColumn(column);
        return true;
    } catch (const DatabaseError& e) {
        ReportDatabaseError(feedback_, QLatin1String(ReportContext::CreateField), e);
        return false;
    }
}

} // namespace qel
