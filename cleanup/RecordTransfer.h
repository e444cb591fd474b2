#pragma once

#include "cleanup/Identifiers.h"
#include "cleanup/SchemaReplication.h"
#include "core/CleanupSettings.h"
#include "core/Feedback.h"
#include "core/RunState.h"
#include "db/Dialect.h"

#include <QDate>
#include <QString>

namespace qel {

class Catalog;
class Connection;

// The source and the backup target of a clean-up step. The target pair is
// absent when no backup is made.
struct TransferHandles {
    Connection& source;
    Catalog& sourceCatalog;
    Connection* target = nullptr;
    Catalog* targetCatalog = nullptr;
};

// The rows of the statistics tables leave table by table through these
// steps: each advances the stage counter, copies the chosen rows into the
// backup target first when BackupType asks for a backup, and then deletes
// them with one statement whose affected rows are added to the caller's
// counter. A step whose structure replication or copy failed deletes
// nothing. Failures are reported with the table name and answered false.
class RecordTransfer {
public:
    RecordTransfer(const CleanupSettings& settings, RunState& state, Feedback& feedback)
        : settings_(settings), state_(state), feedback_(feedback) {}

    // The rows whose call identifier column (CallID followed by the suffix)
    // is in the call selection.
    bool BackupAndDeleteByCall(const TransferHandles& h, const QString& table, const QString& columnSuffix,
                               const QString& callSelection, long long& deletedRecords);
    // The rows whose column equals one of the identifiers.
    bool BackupAndDeleteBySurvey(const TransferHandles& h, const QString& table, const QString& column,
                                 const IdentifierArray& ids, long long& deletedRecords);
    // The rows whose date column lies before the cut-off day.
    bool BackupAndDeleteBeforeDate(const TransferHandles& h, const QString& table, const QString& dateColumn,
                                   const QDate& cutoff, long long& deletedRecords);
    // Copies a reference table whole into the backup; deletes nothing.
    bool BackupWholeTable(const TransferHandles& h, const QString& table);

    // The cut-off as the source compares it, between the quotes SourceSQL
    // chooses: '...' for SQL Server, #...# for Access.
    QString QuotedDate(const Dialect& source, const QDate& cutoff) const;

private:
    // Advances the stage, copies the selection when a backup is made, then
    // deletes it. The filter is " WHERE ..." after the table's name.
    bool BackupAndDelete(const TransferHandles& h, const QString& table, const QString& filter,
                         long long& deletedRecords);
    bool Replicate(const TransferHandles& h, const QString& table, FieldNameList& fieldNames);
    bool CopySelection(Connection& source, Connection& target, const QString& table, const QString& filter,
                       const FieldNameList& fields);
    bool DeleteSelection(Connection& source, const QString& table, const QString& filter, long long& deletedRecords);

    const CleanupSettings& settings_;
    RunState& state_;
    Feedback& feedback_;
};

// " (col = v1)OR  (col = v2)...": one term per identifier, each written as a
// signed number; empty for an empty array.
QString BuildOrCondition(const QString& column, const IdentifierArray& ids);

} // namespace qel
