#include "cleanup/BackupLedger.h"

#include "db/Catalog.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Result.h"

#include <QStringList>

namespace qel {

namespace {

ColumnDefinition Column(const char* name, ColumnType type, int size = 0)
{
    ColumnDefinition c;
    c.name = QLatin1String(name);
    c.type = type;
    c.definedSize = size ? size : FixedSizeOf(type);
    c.nullable = false;
    return c;
}

} // namespace

BackupLedger::BackupLedger(Connection& target, QString sourceDatabase)
    : target_(target), sourceDatabase_(std::move(sourceDatabase))
{
}

void BackupLedger::EnsureTable(Catalog& targetCatalog)
{
    if (targetCatalog.FindTable(QLatin1String(kTableName)))
        return;
    targetCatalog.CreateTable(QLatin1String(kTableName),
                              {Column("SourceDatabase", ColumnType::VarWChar, 400),
                               Column("TableName", ColumnType::VarWChar, 128),
                               Column("FirstKey", ColumnType::BigInt),
                               Column("BatchKeys", ColumnType::LongVarChar, kLongTextSize),
                               Column("RowsCopied", ColumnType::BigInt),
                               Column("RowFingerprint", ColumnType::BigInt),
                               Column("CopiedAt", ColumnType::DBTimeStamp)});
}

std::vector<BackupLedger::Entry> BackupLedger::Pending(const QString& table)
{
    std::vector<Entry> entries;
    for (Result rows(target_, PendingQuery(target_.dialect(), sourceDatabase_, table)); rows.Next();) {
        Entry entry;
        entry.table = table;
        entry.keys = DecodeKeys(rows.Value(0).text());
        entry.rows = rows.Value(1).toInt64();
        entry.fingerprint = static_cast<std::uint64_t>(rows.Value(2).toInt64());
        entries.push_back(std::move(entry));
    }
    return entries;
}

void BackupLedger::Record(const Entry& entry)
{
    if (entry.keys.empty())
        return;
    target_.Execute(RecordStatement(target_.dialect(), sourceDatabase_, entry));
}

void BackupLedger::Forget(const Entry& entry)
{
    if (entry.keys.empty())
        return;
    target_.Execute(ForgetStatement(target_.dialect(), sourceDatabase_, entry));
}

QString BackupLedger::PendingQuery(const Dialect& target, const QString& sourceDatabase, const QString& table)
{
    return QStringLiteral("SELECT BatchKeys, RowsCopied, RowFingerprint FROM %1 WHERE SourceDatabase = %2 "
                          "AND TableName = %3 ORDER BY FirstKey")
        .arg(QLatin1String(kTableName), target.TextLiteral(sourceDatabase), target.TextLiteral(table));
}

QString BackupLedger::RecordStatement(const Dialect& target, const QString& sourceDatabase, const Entry& entry)
{
    // Digits, commas, colons and signs: a plain literal suits the text column.
    const QString keys = QLatin1Char('\'') + EncodeKeys(entry.keys) + QLatin1Char('\'');
    return QStringLiteral("INSERT INTO %1 (SourceDatabase, TableName, FirstKey, BatchKeys, RowsCopied, "
                          "RowFingerprint, CopiedAt) VALUES (%2, %3, %4, %5, %6, %7, %8)")
        .arg(QLatin1String(kTableName), target.TextLiteral(sourceDatabase), target.TextLiteral(entry.table),
             QString::number(entry.keys.front()), keys,
             QString::number(entry.rows), QString::number(static_cast<qint64>(entry.fingerprint)),
             target.CurrentTimeExpression());
}

QString BackupLedger::ForgetStatement(const Dialect& target, const QString& sourceDatabase, const Entry& entry)
{
    return QStringLiteral("DELETE FROM %1 WHERE SourceDatabase = %2 AND TableName = %3 AND FirstKey = %4")
        .arg(QLatin1String(kTableName), target.TextLiteral(sourceDatabase), target.TextLiteral(entry.table),
             QString::number(entry.keys.front()));
}

QString BackupLedger::EncodeKeys(const std::vector<qint64>& keys)
{
    QStringList ranges;
    for (std::size_t i = 0; i < keys.size();) {
        std::size_t j = i;
        while (j + 1 < keys.size() && keys[j + 1] == keys[j] + 1)
            ++j;
        ranges << (j == i ? QString::number(keys[i]) : QStringLiteral("%1:%2").arg(keys[i]).arg(keys[j]));
        i = j + 1;
    }
    return ranges.join(QLatin1Char(','));
}

std::vector<qint64> BackupLedger::DecodeKeys(const QString& text)
{
    std::vector<qint64> keys;
    for (const QString& range : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const int colon = range.indexOf(QLatin1Char(':'), 1); // a key may be negative
        bool okFirst = false;
        bool okLast = true;
        const qint64 first = (colon < 0 ? range : range.left(colon)).toLongLong(&okFirst);
        const qint64 last = colon < 0 ? first : range.mid(colon + 1).toLongLong(&okLast);
        if (!okFirst || !okLast || last < first)
            throw DatabaseError::Internal(QStringLiteral("The backup's record of a batch cannot be read: '%1'.").arg(range));
        for (qint64 key = first; key <= last; ++key)
            keys.push_back(key);
    }
    return keys;
}

QString BackupLedger::KeyList(const std::vector<qint64>& keys)
{
    QStringList list;
    list.reserve(static_cast<qsizetype>(keys.size()));
    for (const qint64 key : keys)
        list << QString::number(key);
    return list.join(QLatin1Char(','));
}

} // namespace qel
