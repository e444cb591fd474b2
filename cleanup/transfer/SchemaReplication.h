#pragma once

#include "cleanup/RunOutcome.h"
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

FieldNameList NamesOf(const std::vector<ColumnDefinition>& columns);

// A source column's type as the target should hold it: SQL targets take
// dates as time stamps; Access targets take time stamps as dates and texts
// as wide texts, long ones beyond 255 characters.
ColumnDefinition MapColumnForTarget(const ColumnDefinition& source, bool accessTarget);

// Gives a backup target table the columns of its source table before rows
// are copied into it: creates the table or the missing columns, and widens
// in place the columns whose type no longer holds the source's values, so
// that the rows already in the backup keep every value. Reports its
// failures through the feedback and answers false.
class SchemaReplication {
public:
    // Failures are added to the outcome given, or to one of its own.
    SchemaReplication(RunState& state, Feedback& feedback) : state_(state), feedback_(feedback) {}
    SchemaReplication(RunState& state, Feedback& feedback, RunOutcome& outcome)
        : state_(state), feedback_(feedback), outcome_(&outcome) {}

    // Makes the target table carry every column of the source table;
    // sourceColumns receives the source's columns in order.
    bool ReplicateTable(Catalog& source, Catalog& target, const QString& table,
                        std::vector<ColumnDefinition>& sourceColumns);

private:
    RunState& state_;
    Feedback& feedback_;
    RunOutcome ownOutcome_;
    RunOutcome* outcome_ = &ownOutcome_;
};

} // namespace qel
