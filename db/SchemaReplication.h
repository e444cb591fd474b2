#pragma once

#include "Catalog.h"

#include <BackupFields.h>
#include <Feedback.h>

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The column names of one source table, in the catalogue's order; the copy
// carries the values of a row field by field under these names.
using FieldNameList = QStringList;

// A table of the backup target being brought into line with a source table:
// either one the target already has, altered column by column as we go, or
// a new one whose columns are gathered first and created in one statement.
class TargetTable {
public:
    static TargetTable Existing(Catalog& catalog, const QString& name) { return TargetTable(catalog, name, false); }
    static TargetTable New(Catalog& catalog, const QString& name) { return TargetTable(catalog, name, true); }

    const QString& name() const { return name_; }
    bool isNew() const { return isNew_; }

    // The column of this name, found without regard to letter case.
    std::optional<ColumnDefinition> FindColumn(const QString& column);
    void AppendColumn(const ColumnDefinition& column);
    void DeleteColumn(const QString& column);
    void SetAllowZeroLength(const QString& column);

    // Creates a new table in the target with the columns gathered so far.
    void AppendToCatalog();

private:
    TargetTable(Catalog& catalog, QString name, bool isNew) : catalog_(catalog), name_(std::move(name)), isNew_(isNew) {}
    std::vector<ColumnDefinition>& Columns();

    Catalog& catalog_;
    QString name_;
    bool isNew_;
    std::optional<std::vector<ColumnDefinition>> columns_; // of an existing table: read once, kept in step
};

// A source column's type as the target should hold it: SQL targets take
// dates as time stamps; Access targets take time stamps as dates and texts
// as wide texts, long ones beyond 255 characters.
ColumnDefinition MapColumnForTarget(const QString& name, int type, int definedSize, bool accessTarget);

// Gives a backup target table the columns of its source table before rows
// are copied into it: creates the table or the missing columns, and
// replaces columns whose type or text length differ. Reports its failures
// through the feedback and answers false.
class SchemaReplication {
public:
    SchemaReplication(BackupFields& fields, Feedback& feedback) : fields_(fields), feedback_(feedback) {}

    bool CreateFieldInTarget(Catalog& source, Catalog& target, const QString& table, FieldNameList& fieldNames);
    bool EnsureTargetField(bool tableExisted, TargetTable& table, const QString& name, int type, int definedSize,
                           bool accessTarget);
    bool MatchExistingField(TargetTable& table, const QString& name, int type, int definedSize, bool accessTarget,
                            bool& presentButDifferent);
    bool CreateField(TargetTable& table, const QString& name, int type, int definedSize, bool accessTarget);

private:
    BackupFields& fields_;
    Feedback& feedback_;
};
