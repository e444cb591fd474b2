#pragma once

#include "core/Feedback.h"
#include "core/RunState.h"
#include "db/Catalog.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace qel {

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
    void AddColumn(const ColumnDefinition& column);
    void DropColumn(const QString& column);

    // Creates a new table in the target with the columns gathered so far.
    void Create();

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
ColumnDefinition MapColumnForTarget(const ColumnDefinition& source, bool accessTarget);

// Gives a backup target table the columns of its source table before rows
// are copied into it: creates the table or the missing columns, and
// replaces columns whose type or text length differ. Reports its failures
// through the feedback and answers false.
class SchemaReplication {
public:
    SchemaReplication(RunState& state, Feedback& feedback) : state_(state), feedback_(feedback) {}

    // Makes the target table carry every column of the source table and
    // appends every source column name to fieldNames.
    bool ReplicateTable(Catalog& source, Catalog& target, const QString& table, FieldNameList& fieldNames);

private:
    bool EnsureColumn(TargetTable& table, const ColumnDefinition& sourceColumn);
    bool CreateColumn(TargetTable& table, const ColumnDefinition& column);

    RunState& state_;
    Feedback& feedback_;
};

} // namespace qel
