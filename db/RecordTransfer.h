#pragma once

#include "Catalog.h"
#include "Dialect.h"
#include "Identifiers.h"
#include "SchemaReplication.h"

#include <BackupFields.h>
#include <Feedback.h>
#include <OleDateTime.h>

#include <QString>

#include <functional>

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
    RecordTransfer(BackupFields& fields, Feedback& feedback) : fields_(fields), feedback_(feedback) {}

    // Dispatchers.
    bool BackupAndDeleteByCallID(const TransferHandles& h, const QString& table, const QString& columnSuffix,
                                 const QString& callSelection, long long& deletedRecords);
    bool BackupAndDeleteWhere(const TransferHandles& h, const QString& table, const QString& conditionColumn,
                              const IdentifierArray& ids, long long& deletedRecords);
    bool BackupAndDeleteBeforeDate(const TransferHandles& h, const QString& table, const QString& dateColumn,
                                   const OleDateTime& cutoff, long long& deletedRecords);
    bool BackupWholeTable(const TransferHandles& h, const QString& table);

    // Copy primitives.
    bool CopyRecordsByCallID(Connection& source, Connection& target, const QString& table, const QString& columnSuffix,
                             const QString& callSelection, const FieldNameList& fields);
    bool CopyRecordsWhere(Connection& source, Connection& target, const QString& table, const QString& conditionColumn,
                          const IdentifierArray& ids, const FieldNameList& fields);
    bool CopyRecordsBeforeDate(Connection& source, Connection& target, const QString& table, const QString& dateColumn,
                               const OleDateTime& cutoff, const FieldNameList& fields);
    bool CopyWholeTable(Connection& source, Connection& target, const QString& table, const FieldNameList& fields);

    // Delete primitives.
    bool DeleteRecordsByCallID(Connection& source, const QString& table, const QString& columnSuffix,
                               const QString& callSelection, long long& deletedRecords);
    bool DeleteRecordsWhere(Connection& source, const QString& table, const QString& conditionColumn,
                            const IdentifierArray& ids, long long& deletedRecords);
    bool DeleteRecordsBeforeDate(Connection& source, const QString& table, const QString& dateColumn,
                                 const OleDateTime& cutoff, long long& deletedRecords);

    // The cut-off as the source compares it, between the quotes SourceSQL
    // chooses: '...' for SQL Server, #...# for Access.
    QString QuotedDate(const Dialect& source, const OleDateTime& cutoff) const;

private:
    // Advances the stage, copies the selection when a backup is made, then
    // deletes it. The filter is " WHERE ..." after the table's name.
    bool BackupAndDelete(const TransferHandles& h, const QString& table, const QString& filter,
                         long long& deletedRecords);
    QString BeforeDateFilter(const Dialect& source, const QString& dateColumn, const OleDateTime& cutoff) const;

    // Runs one copy or delete of a table; a database failure is reported
    // with the table's name and answered false.
    bool Reported(const QString& table, const std::function<void()>& work);
    bool CopySelection(Connection& source, Connection& target, const QString& table, const QString& filter,
                       const FieldNameList& fields);
    bool DeleteSelection(Connection& source, const QString& table, const QString& filter, long long& deletedRecords);
    bool ReplicateAndCopy(const TransferHandles& h, const QString& table,
                          const std::function<bool(const FieldNameList&)>& copy);

    BackupFields& fields_;
    Feedback& feedback_;
};

// " (col = v1)OR  (col = v2)...": one term per identifier, each written as a
// signed number; empty for an empty array.
QString BuildOrCondition(const QString& column, const IdentifierArray& ids);

// The date part of the cut-off in the source's format: "%m/%d/%Y" for SQL
// Server and Access, ISO for SQLite; empty for a null date and
// "Invalid DateTime" for an invalid one.
QString DateLiteral(const Dialect& dialect, const OleDateTime& date);
