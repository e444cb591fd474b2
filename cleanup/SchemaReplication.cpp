#include "cleanup/SchemaReplication.h"

#include "cleanup/ColumnUnion.h"
#include "cleanup/ErrorReport.h"
#include "core/Progress.h"
#include "db/DatabaseError.h"

namespace qel {

FieldNameList NamesOf(const std::vector<ColumnDefinition>& columns)
{
    FieldNameList names;
    for (const ColumnDefinition& column : columns)
        names << column.name;
    return names;
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

namespace {

const ColumnDefinition* FindColumn(const std::vector<ColumnDefinition>& columns, const QString& name)
{
    for (const ColumnDefinition& c : columns)
        if (c.name.compare(name, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

} // namespace

bool SchemaReplication::ReplicateTable(Catalog& source, Catalog& target, const QString& table,
                                       std::vector<ColumnDefinition>& sourceColumns)
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

    // Failures while reading the source's or the target's columns reach the
    // calling operation, which reports them.
    sourceColumns = source.Columns(sourceName);
    std::vector<ColumnDefinition> wanted;
    for (const ColumnDefinition& column : sourceColumns)
        wanted.push_back(MapColumnForTarget(column, state_.accessTarget));

    // Another run may create the same table at the same moment: the table
    // is created unless it is there by then, and its columns are checked
    // below whoever created it.
    if (!existing) {
        try {
            target.CreateTableIfMissing(table, wanted);
            existing = target.LookupTable(table);
        } catch (const DatabaseError& e) {
            ReportDatabaseError(feedback_, QLatin1String(ReportContext::NewTargetTable), e);
            return false;
        }
    }

    // An existing table: missing columns are added, and a column whose type
    // no longer holds the source's values is widened with its values kept.
    // Columns of the target alone stay as they are.
    const std::vector<ColumnDefinition> present = target.Columns(existing->name);
    std::vector<ColumnDefinition> widened;
    try {
        for (const ColumnDefinition& column : wanted) {
            const ColumnDefinition* backup = FindColumn(present, column.name);
            if (!backup)
                target.AddColumn(existing->name, column);
            else if (const auto changed = WidenedForSource(*backup, column))
                widened.push_back(*changed);
        }
        target.ChangeColumnTypes(existing->name, widened);
    } catch (const DatabaseError& e) {
        ReportDatabaseError(feedback_, QLatin1String(ReportContext::CreateField), e);
        return false;
    }
    return true;
}

} // namespace qel
