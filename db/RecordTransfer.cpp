#include "RecordTransfer.h"

#include "Connection.h"
#include "DatabaseError.h"
#include "ErrorReport.h"
#include "RowCopy.h"

#include <Format.h>
#include <Progress.h>

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

QString DateLiteral(const Dialect& dialect, const OleDateTime& date)
{
    return dialect.dateLiteral(date).left(256);
}

QString RecordTransfer::QuotedDate(const Dialect& source, const OleDateTime& cutoff) const
{
    const QString literal = DateLiteral(source, cutoff);
    return fields_.SourceSQL ? QStringLiteral("'%1'").arg(literal) : QStringLiteral("#%1#").arg(literal);
}

bool RecordTransfer::ReplicateAndCopy(const TransferHandles& h, const QString& table,
                                      const std::function<bool(const FieldNameList&)>& copy)
{
    FieldNameList fieldNames;
    SchemaReplication replication(fields_, feedback_);
    if (!replication.CreateFieldInTarget(h.sourceCatalog, *h.targetCatalog, table, fieldNames))
        return false;
    return copy(fieldNames);
}

namespace {

QString ByCallFilter(const QString& columnSuffix, const QString& callSelection)
{
    return Format(QStringLiteral(" WHERE CallID%s in (%s)"), {columnSuffix, callSelection});
}

QString WhereFilter(const QString& conditionColumn, const IdentifierArray& ids)
{
    return QStringLiteral(" WHERE ") + BuildOrCondition(conditionColumn, ids);
}

} // namespace

QString RecordTransfer::BeforeDateFilter(const Dialect& source, const QString& dateColumn, const OleDateTime& cutoff) const
{
    return Format(QStringLiteral(" WHERE %s < %s"), {dateColumn, QuotedDate(source, cutoff)});
}

bool RecordTransfer::BackupAndDelete(const TransferHandles& h, const QString& table, const QString& filter,
                                     long long& deletedRecords)
{
    ++fields_.stage;
    if (fields_.BackupType != 0
        && !ReplicateAndCopy(h, table, [&](const FieldNameList& names) {
               return CopySelection(h.source, *h.target, table, filter, names);
           }))
        return false;
    return DeleteSelection(h.source, table, filter, deletedRecords);
}

bool RecordTransfer::BackupAndDeleteByCallID(const TransferHandles& h, const QString& table, const QString& columnSuffix,
                                             const QString& callSelection, long long& deletedRecords)
{
    return BackupAndDelete(h, table, ByCallFilter(columnSuffix, callSelection), deletedRecords);
}

bool RecordTransfer::BackupAndDeleteWhere(const TransferHandles& h, const QString& table, const QString& conditionColumn,
                                          const IdentifierArray& ids, long long& deletedRecords)
{
    return BackupAndDelete(h, table, WhereFilter(conditionColumn, ids), deletedRecords);
}

bool RecordTransfer::BackupAndDeleteBeforeDate(const TransferHandles& h, const QString& table, const QString& dateColumn,
                                               const OleDateTime& cutoff, long long& deletedRecords)
{
    return BackupAndDelete(h, table, BeforeDateFilter(h.source.dialect(), dateColumn, cutoff), deletedRecords);
}

bool RecordTransfer::BackupWholeTable(const TransferHandles& h, const QString& table)
{
    ++fields_.stage;
    if (fields_.BackupType == 0)
        return true;
    return ReplicateAndCopy(h, table,
                            [&](const FieldNameList& names) { return CopyWholeTable(h.source, *h.target, table, names); });
}

bool RecordTransfer::Reported(const QString& table, const std::function<void()>& work)
{
    try {
        work();
        return true;
    } catch (const DatabaseError& e) {
        ReportDatabaseError(feedback_, table, e);
        return false;
    }
}

bool RecordTransfer::CopySelection(Connection& source, Connection& target, const QString& table, const QString& filter,
                                   const FieldNameList& fields)
{
    return Reported(table, [&] { CopyRows(source, target, table, filter, fields, feedback_, fields_.stage); });
}

bool RecordTransfer::CopyRecordsByCallID(Connection& source, Connection& target, const QString& table,
                                         const QString& columnSuffix, const QString& callSelection,
                                         const FieldNameList& fields)
{
    return CopySelection(source, target, table, ByCallFilter(columnSuffix, callSelection), fields);
}

bool RecordTransfer::CopyRecordsWhere(Connection& source, Connection& target, const QString& table,
                                      const QString& conditionColumn, const IdentifierArray& ids,
                                      const FieldNameList& fields)
{
    return CopySelection(source, target, table, WhereFilter(conditionColumn, ids), fields);
}

bool RecordTransfer::CopyRecordsBeforeDate(Connection& source, Connection& target, const QString& table,
                                           const QString& dateColumn, const OleDateTime& cutoff,
                                           const FieldNameList& fields)
{
    return CopySelection(source, target, table, BeforeDateFilter(source.dialect(), dateColumn, cutoff), fields);
}

bool RecordTransfer::CopyWholeTable(Connection& source, Connection& target, const QString& table,
                                    const FieldNameList& fields)
{
    return Reported(table, [&] {
        // The target copy of a reference table always equals the source.
        target.Execute(QStringLiteral("DELETE FROM ") + target.dialect().quoteIdentifier(table));
        CopyRows(source, target, table, QString(), fields, feedback_, fields_.stage);
    });
}

bool RecordTransfer::DeleteSelection(Connection& source, const QString& table, const QString& filter,
                                     long long& deletedRecords)
{
    feedback_.ShowStatus(DeletingRecordsText(fields_.stage));
    feedback_.PumpMessages();
    return Reported(table, [&] { deletedRecords += source.Execute(QStringLiteral("DELETE  FROM ") + table + filter); });
}

bool RecordTransfer::DeleteRecordsByCallID(Connection& source, const QString& table, const QString& columnSuffix,
                                           const QString& callSelection, long long& deletedRecords)
{
    return DeleteSelection(source, table, ByCallFilter(columnSuffix, callSelection), deletedRecords);
}

bool RecordTransfer::DeleteRecordsWhere(Connection& source, const QString& table, const QString& conditionColumn,
                                        const IdentifierArray& ids, long long& deletedRecords)
{
    return DeleteSelection(source, table, WhereFilter(conditionColumn, ids), deletedRecords);
}

bool RecordTransfer::DeleteRecordsBeforeDate(Connection& source, const QString& table, const QString& dateColumn,
                                             const OleDateTime& cutoff, long long& deletedRecords)
{
    return DeleteSelection(source, table, BeforeDateFilter(source.dialect(), dateColumn, cutoff), deletedRecords);
}
