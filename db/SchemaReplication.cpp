#include "SchemaReplication.h"

#include "DatabaseError.h"
#include "ErrorReport.h"

#include <Progress.h>

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

void TargetTable::AppendColumn(const ColumnDefinition& column)
{
    auto& columns = Columns();
    if (!isNew_)
        catalog_.AppendColumn(name_, column);
    columns.push_back(column);
}

void TargetTable::DeleteColumn(const QString& column)
{
    auto& columns = Columns();
    if (!isNew_)
        catalog_.DeleteColumn(name_, column);
    for (auto it = columns.begin(); it != columns.end(); ++it) {
        if (it->name.compare(column, Qt::CaseInsensitive) == 0) {
            columns.erase(it);
            break;
        }
    }
}

void TargetTable::SetAllowZeroLength(const QString& column)
{
    if (!isNew_)
        catalog_.SetAllowZeroLength(name_, column);
}

void TargetTable::AppendToCatalog()
{
    catalog_.AppendTable(name_, Columns());
    isNew_ = false;
}

ColumnDefinition MapColumnForTarget(const QString& name, int type, int definedSize, bool accessTarget)
{
    ColumnDefinition c{name, type, definedSize, true};
    if (!accessTarget) {
        if (type == adDate)
            c.type = adDBTimeStamp;
        return c;
    }
    switch (type) {
    case adDBTimeStamp:
        c.type = adDate;
        break;
    case adVarChar:
        if (definedSize <= 255) {
            c.type = adVarWChar;
        } else {
            c.type = adLongVarWChar;
            c.definedSize = 0;
        }
        break;
    case adVarWChar:
        if (definedSize > 255) {
            c.type = adLongVarWChar;
            c.definedSize = 0;
        }
        break;
    case adLongVarWChar:
        c.definedSize = 0;
        break;
    default:
        break;
    }
    return c;
}

bool SchemaReplication::CreateFieldInTarget(Catalog& source, Catalog& target, const QString& table,
                                            FieldNameList& fieldNames)
{
    feedback_.ShowStatus(CreatingFieldsText(fields_.stage));
    feedback_.PumpMessages();

    QString sourceName;
    try {
        sourceName = source.LookupTable(table);
    } catch (const DatabaseError& e) {
        ReportDatabaseError(feedback_, QStringLiteral("CreateFieldInTarget(1)"), e);
        return false;
    }

    // A target without the table is normal: it is created below. So is a
    // target whose table list cannot be read; creating the table then
    // reports what is wrong.
    std::optional<QString> targetName;
    try {
        targetName = target.FindTable(table);
    } catch (const DatabaseError&) {
    }
    TargetTable targetTable = targetName ? TargetTable::Existing(target, *targetName) : TargetTable::New(target, table);

    // Failures while reading the source columns or altering existing target
    // columns reach the calling operation, which reports them.
    for (const ColumnDefinition& column : source.Columns(sourceName)) {
        fieldNames << column.name;
        if (!EnsureTargetField(!targetTable.isNew(), targetTable, column.name, column.type, column.definedSize,
                               fields_.accessTarget))
            return false;
    }

    if (targetTable.isNew()) {
        try {
            targetTable.AppendToCatalog();
        } catch (const DatabaseError& e) {
            ReportDatabaseError(feedback_, QStringLiteral("CreateFieldInTarget(2)"), e);
            return false;
        }
    }
    return true;
}

bool SchemaReplication::EnsureTargetField(bool tableExisted, TargetTable& table, const QString& name, int type,
                                          int definedSize, bool accessTarget)
{
    const ColumnDefinition mapped = MapColumnForTarget(name, type, definedSize, accessTarget);
    if (tableExisted) {
        bool presentButDifferent = false;
        if (MatchExistingField(table, name, mapped.type, mapped.definedSize, accessTarget, presentButDifferent))
            return true;
        if (presentButDifferent)
            table.DeleteColumn(name); // the target's rows lose this column's values
    }
    return CreateField(table, name, mapped.type, mapped.definedSize, accessTarget);
}

bool SchemaReplication::MatchExistingField(TargetTable& table, const QString& name, int type, int definedSize,
                                           bool accessTarget, bool& presentButDifferent)
{
    presentButDifferent = false;
    const std::optional<ColumnDefinition> existing = table.FindColumn(name);
    if (!existing)
        return false;
    presentButDifferent = true;
    if (existing->type != type)
        return false;
    if (IsTextType(type)) {
        if (existing->definedSize != definedSize)
            return false;
        if (accessTarget)
            table.SetAllowZeroLength(existing->name);
    }
    presentButDifferent = false;
    return true;
}

bool SchemaReplication::CreateField(TargetTable& table, const QString& name, int type, int definedSize,
                                    bool accessTarget)
{
    // Columns are created nullable; the Access dialect leaves the clause off
    // its yes/no columns, which take no attributes there.
    (void)accessTarget;
    try {
        table.AppendColumn(ColumnDefinition{name, type, definedSize, true});
        return true;
    } catch (const DatabaseError& e) {
        ReportDatabaseError(feedback_, QStringLiteral("CDBListADO::CreateField"), e);
        return false;
    }
}
