#include "cleanup/RecordTransfer.h"

#include "cleanup/ErrorReport.h"
#include "cleanup/RowCopy.h"
#include "core/Format.h"
#include "core/Progress.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"

namespace qel {

QString BuildOrCondition(const QString& column, const IdentifierArray& ids)
{
    QString condition;
    for (const quint32 id : ids) {
        const QString piece = Format(QStringLiteral(" (%s = %ld)"), {column, static_cast<qint32>(id)});
        if (!condition.isEmpty())
            condition += QStringLiteral("OR ");
        condition += piece;
    }
    return condition;
}

QString RecordTransfer::QuotedDate(const Dialect& source, const QDate& cutoff) const
{
    const QString literal = source.DateLiteral(cutoff).left(256);
    return settings_.sourceSQL ? QStringLiteral("'%1'").arg(literal) : QStringLiteral("#%1#").arg(literal);
}

bool RecordTransfer::BackupAndDeleteByCall(const TransferHandles& h, const QString& table, const QString& columnSuffix,
                                           const QString& callSelection, long long& deletedRecords)
{
    return BackupAndDelete(h, table, Format(QStringLiteral(" WHERE CallID%s in (%s)"), {columnSuffix, callSelection}),
                           deletedRecords);
}

bool RecordTransfer::BackupAndDeleteBySurvey(const TransferHandles& h, const QString& table, const QString& column,
                                             const IdentifierArray& ids, long long& deletedRecords)
{
    return BackupAndDelete(h, table, QStringLiteral(" WHERE ") + BuildOrCondition(column, ids), deletedRecords);
}

bool RecordTransfer::BackupAndDeleteBeforeDate(const TransferHandles& h, const QString& table, const QString& dateColumn,
                                               const QDate& cutoff, long long& deletedRecords)
{
    const QString filter = Format(QStringLiteral(" WHERE %s < %s"), {dateColumn, QuotedDate(h.source.dialect(), cutoff)});
    return BackupAndDelete(h, table, filter, deletedRecords);
}

bool RecordTransfer::BackupAndDelete(const TransferHandles& h, const QString& table, const QString& filter,
                                     long long& deletedRecords)
{
    ++state_.stage;
    if (settings_.backupType != 0) {
        FieldNameList fieldNames;
        if (!Replicate(h, table, fieldNames) || !CopySelection(h.source, *h.target, table, filter, fieldNames))
            return false;
    }
    return DeleteSelection(h.source, table, filter, deletedRecords);
}

bool RecordTransfer::BackupWholeTable(const TransferHandles& h, const QString& table)
{
    ++state_.stage;
    if (settings_.backupType == 0)
        return true;
    FieldNameList fieldNames;
    if (!Replicate(h, table, fieldNames))
        return false;
    try {
        // The target copy of a reference table always equals the source.
        h.target->Execute(QStringLiteral("DELETE FROM ") + h.target->dialect().QuoteIdentifier(table));
        CopyRows(h.source, *h.target, table, QString(), fieldNames, feedback_, state_.stage);
        return true;
    } catch (const DatabaseError& e) {
        ReportDatabaseError(feedback_, table, e);
        return false;
    }
}

bool RecordTransfer::Replicate(const TransferHandles& h, const QString& table, FieldNameList& fieldNames)
{
    return SchemaReplication(state_, feedback_).ReplicateTable(h.sourceCatalog, *h.targetCatalog, table, fieldNames);
}

bool RecordTransfer::CopySelection(Connection& source, Connection& target, const QString& table, const QString& filter,
                                   const FieldNameList& fields)
{
    try {
        CopyRows(source, target, table, filter, fields, feedback_, state_.stage);
        return true;
    } catch (const DatabaseError& e) {
        ReportDatabaseError(feedback_, table, e);
        return false;
    }
}

bool RecordTransfer::DeleteSelection(Connection& source, const QString& table, const QString& filter,
                                     long long& deletedRecords)
{
    feedback_.ShowStatus(DeletingRecordsText(state_.stage));
    feedback_.PumpMessages();
    try {
        deletedRecords += source.Execute(QStringLiteral("DELETE  FROM ") + table + filter);
        return true;
    } catch (const DatabaseError& e) {
        ReportDatabaseError(feedback_, table, e);
        return false;
    }
}

} // namespace qel
