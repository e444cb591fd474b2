#include "cleanup/transfer/SchemaReplication.h"

#include "cleanup/transfer/ColumnUnion.h"
#include "cleanup/ErrorReport.h"
#include "core/Progress.h"
#include "db/Connection.h"
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

// A SQLite backup column of a SQLite source keeps any value; what matters
// is that it keeps each value's storage class as the source's column does,
// which its declared type's affinity decides. One whose affinity differs
// from the source's (and does not keep every value as it comes) would
// change values, and is given no declared type, which keeps them all.
// Otherwise its declaration grows as a text's length or a decimal's digits
// grow, for the programs that read the backup by its declared types.
std::optional<ColumnDefinition> WidenedForSQLite(const ColumnDefinition& backup, const ColumnDefinition& source)
{
    const SQLiteAffinity kept = AffinityOfDeclaredType(backup.typeName);
    if (kept != SQLiteAffinity::Blob && kept != AffinityOfDeclaredType(source.typeName)) {
        ColumnDefinition anyValue = backup;
        anyValue.nullable = true;
        anyValue.nativeType = QString();
        return anyValue;
    }
    auto widened = WidenedForSource(backup, source);
    if (!widened)
        return std::nullopt;
    const QString declared = Dialect(Dialect::Kind::SQLite).ColumnTypeText(widened->typeInfo());
    if (AffinityOfDeclaredType(declared) != kept)
        return std::nullopt;
    widened->nativeType = declared;
    return widened;
}

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
        ReportFailure(feedback_, *outcome_, QLatin1String(ReportContext::SourceTable), e);
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
    // Between databases of one kind a column keeps its own type, so that
    // every value is kept the same way in the backup.
    const Dialect& targetDialect = target.connection().dialect();
    const bool sameKind = source.connection().dialect().kind() == targetDialect.kind();
    std::vector<ColumnDefinition> wanted;
    for (const ColumnDefinition& column : sourceColumns) {
        ColumnDefinition mapped = MapColumnForTarget(column, state_.accessTarget);
        if (sameKind)
            mapped.nativeType = targetDialect.NativeTypeText(column.typeInfo());
        wanted.push_back(mapped);
    }

    // Another run may create the same table at the same moment: the table
    // is created unless it is there by then, and its columns are checked
    // below whoever created it.
    if (!existing) {
        try {
            target.CreateTableIfMissing(table, wanted);
            existing = target.LookupTable(table);
        } catch (const DatabaseError& e) {
            ReportFailure(feedback_, *outcome_, QLatin1String(ReportContext::NewTargetTable), e);
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
            if (!backup) {
                target.AddColumn(existing->name, column);
            } else if (sameKind && targetDialect.isSQLite()) {
                if (const auto changed = WidenedForSQLite(*backup, column))
                    widened.push_back(*changed);
            } else if (const auto changed = WidenedForSource(*backup, column)) {
                widened.push_back(*changed);
            }
        }
        target.ChangeColumnTypes(existing->name, widened);
    } catch (const DatabaseError& e) {
        ReportFailure(feedback_, *outcome_, QLatin1String(ReportContext::CreateField), e);
        return false;
    }
    return true;
}

} // namespace qel
