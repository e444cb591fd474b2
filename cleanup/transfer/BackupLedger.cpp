#include "cleanup/transfer/BackupLedger.h"

#include "db/Catalog.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Result.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <limits>

namespace qel {

namespace {

ColumnDefinition Column(const char* name, ColumnType type, int size = 0, bool nullable = false)
{
    ColumnDefinition c;
    c.name = QLatin1String(name);
    c.type = type;
    c.definedSize = size ? size : FixedSizeOf(type);
    c.nullable = nullable;
    return c;
}

std::vector<ColumnDefinition> LedgerColumns()
{
    return {Column("SourceDatabase", ColumnType::VarWChar, 400),
            Column("TableName", ColumnType::VarWChar, 128),
            Column("BatchId", ColumnType::BigInt),
            Column("KeyColumns", ColumnType::LongVarWChar, kLongWideTextSize),
            Column("KeyAfter", ColumnType::LongVarWChar, kLongWideTextSize),
            Column("KeyThrough", ColumnType::LongVarWChar, kLongWideTextSize),
            Column("Selection", ColumnType::LongVarWChar, kLongWideTextSize),
            Column("RowsCopied", ColumnType::BigInt),
            Column("RowFingerprint", ColumnType::BigInt),
            Column("CopiedAt", ColumnType::DBTimeStamp)};
}

} // namespace

BackupLedger::BackupLedger(Connection& target, QString sourceDatabase)
    : target_(target), sourceDatabase_(std::move(sourceDatabase)),
      ledgerTable_(target.dialect().QuoteIdentifier(QLatin1String(kTableName)))
{
}

void BackupLedger::EnsureTable(Catalog& targetCatalog)
{
    const QString name = QLatin1String(kTableName);
    if (const auto existing = targetCatalog.FindTable(name)) {
        bool current = false;
        for (const ColumnDefinition& column : targetCatalog.Columns(existing->name))
            current = current || column.name.compare(QLatin1String("KeyThrough"), Qt::CaseInsensitive) == 0;
        if (current) {
            ledgerTable_ = targetCatalog.StatementName(existing->name);
            return;
        }
        // A ledger of an earlier version names its batches another way.
        Result entries(target_, QStringLiteral("SELECT COUNT(*) FROM %1").arg(targetCatalog.StatementName(existing->name)));
        if (entries.Next() && entries.Value(0).toInt64() > 0) {
            DatabaseError error = DatabaseError::Refusal(
                QStringLiteral("The backup's table %1 holds batches that an earlier version of QelCleanup copied and "
                               "whose delete from the statistics database was not seen to finish. Finish that "
                               "clean-up with the version that began it; nothing was copied or deleted.")
                    .arg(name));
            error.setOrigin(target_.origin());
            throw error;
        }
        targetCatalog.DropTable(existing->name);
    }
    targetCatalog.CreateTableIfMissing(name, LedgerColumns()); // another run may create it at the same moment
    ledgerTable_ = targetCatalog.StatementName(name);
}

std::vector<BackupLedger::Entry> BackupLedger::Pending(const QString& table)
{
    std::vector<Entry> entries;
    for (Result rows(target_, PendingQuery(target_.dialect(), ledgerTable_, sourceDatabase_, table)); rows.Next();) {
        Entry entry;
        entry.table = table;
        entry.batchId = rows.Value(0).toInt64();
        entry.keyColumns = DecodeValues(rows.Value(1).text());
        entry.after = DecodeValues(rows.Value(2).text());
        entry.through = DecodeValues(rows.Value(3).text());
        entry.selection = rows.Value(4).text();
        entry.rows = rows.Value(5).toInt64();
        entry.fingerprint = static_cast<std::uint64_t>(rows.Value(6).toInt64());
        lastBatchId_ = std::max(lastBatchId_, entry.batchId);
        entries.push_back(std::move(entry));
    }
    return entries;
}

qint64 BackupLedger::NextBatchId()
{
    // Milliseconds since 1970 times a thousand: larger than the numbers of
    // any earlier run, and room for a thousand batches a millisecond.
    // An entry no run of this program wrote can hold the largest number
    // there is; the ledger cannot then give a larger one.
    if (lastBatchId_ == std::numeric_limits<qint64>::max()) {
        DatabaseError error = DatabaseError::Internal(
            QStringLiteral("The backup's table %1 holds a batch numbered %2, which no run of QelCleanup gives; no "
                           "batch can be numbered after it. Nothing more was copied or deleted.")
                .arg(QLatin1String(kTableName))
                .arg(lastBatchId_));
        error.setOrigin(target_.origin());
        throw error;
    }
    lastBatchId_ = std::max(lastBatchId_ + 1, QDateTime::currentMSecsSinceEpoch() * 1000);
    return lastBatchId_;
}

void BackupLedger::Record(const Entry& entry)
{
    target_.Execute(RecordStatement(target_.dialect(), ledgerTable_, sourceDatabase_, entry));
}

void BackupLedger::Forget(const Entry& entry)
{
    target_.Execute(ForgetStatement(target_.dialect(), ledgerTable_, sourceDatabase_, entry));
}

QString BackupLedger::EncodeValues(const QStringList& values)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(values)).toJson(QJsonDocument::Compact));
}

QStringList BackupLedger::DecodeValues(const QString& text)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        throw DatabaseError::Internal(QStringLiteral("The backup's record of a batch cannot be read: '%1'.").arg(text.left(200)));
    QStringList values;
    for (const QJsonValue& value : document.array()) {
        if (!value.isString())
            throw DatabaseError::Internal(QStringLiteral("The backup's record of a batch cannot be read: '%1'.").arg(text.left(200)));
        values << value.toString();
    }
    return values;
}

QString BackupLedger::PendingQuery(const Dialect& target, const QString& ledgerTable, const QString& sourceDatabase,
                                   const QString& table)
{
    return QStringLiteral("SELECT BatchId, KeyColumns, KeyAfter, KeyThrough, Selection, RowsCopied, RowFingerprint "
                          "FROM %1 WHERE SourceDatabase = %2 AND TableName = %3 ORDER BY BatchId")
        .arg(ledgerTable, target.TextLiteral(sourceDatabase), target.TextLiteral(table));
}

QString BackupLedger::RecordStatement(const Dialect& target, const QString& ledgerTable, const QString& sourceDatabase,
                                      const Entry& entry)
{
    const QStringList values = {target.TextLiteral(sourceDatabase),
                                target.TextLiteral(entry.table),
                                QString::number(entry.batchId),
                                target.TextLiteral(EncodeValues(entry.keyColumns)),
                                target.TextLiteral(EncodeValues(entry.after)),
                                target.TextLiteral(EncodeValues(entry.through)),
                                target.TextLiteral(entry.selection),
                                QString::number(entry.rows),
                                QString::number(static_cast<qint64>(entry.fingerprint)),
                                target.CurrentTimeExpression()};
    return QStringLiteral("INSERT INTO %1 (SourceDatabase, TableName, BatchId, KeyColumns, KeyAfter, KeyThrough, "
                          "Selection, RowsCopied, RowFingerprint, CopiedAt) VALUES (%2)")
        .arg(ledgerTable, values.join(QStringLiteral(", ")));
}

QString BackupLedger::ForgetStatement(const Dialect& target, const QString& ledgerTable, const QString& sourceDatabase,
                                      const Entry& entry)
{
    return QStringLiteral("DELETE FROM %1 WHERE SourceDatabase = %2 AND TableName = %3 AND BatchId = %4")
        .arg(ledgerTable, target.TextLiteral(sourceDatabase), target.TextLiteral(entry.table),
             QString::number(entry.batchId));
}

} // namespace qel
