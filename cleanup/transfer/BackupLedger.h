#pragma once

#include "db/Dialect.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace qel {

class Catalog;
class Connection;

// The backup's own record of batches it holds whose rows may still be in
// the source. When a batch cannot be copied and deleted in one transaction
// (the backup is another server or file reached through this program), the
// source's transaction takes the batch, the backup commits its rows with an
// entry naming them, and only then the source commits. An entry found at the
// start of a table step is a batch whose source commit was not seen: killed,
// refused or out of space. The step then looks at the source: if the
// batch's rows are all still there, unchanged, they are deleted without
// copying them again; if none is, the source had committed.
//
// An entry names its batch by the range of the walk key it covered (see
// WalkKey), so that a table needs no key of its own and rows that are alike
// in every value are told apart by where they lie; its row count and a
// fingerprint of its rows tell whether the range still holds that batch.
//
// The entries live in the table QelCleanupLedger of the backup, one row per
// batch, removed once its source commit is seen; the table is empty
// between runs that ended normally.
class BackupLedger {
public:
    static constexpr const char* kTableName = "QelCleanupLedger";

    struct Entry {
        QString table;
        qint64 batchId = 0;
        QStringList keyColumns; // the walk key's columns as the source quotes them
        QStringList after;      // the key values the range begins after; empty: the table's start
        QStringList through;    // the key values it ends with
        QString selection;      // what chose the rows (a cut-off, the surveys)
        qint64 rows = 0;
        std::uint64_t fingerprint = 0;
    };

    // sourceDatabase identifies the source whatever path or name reaches it.
    BackupLedger(Connection& target, QString sourceDatabase);

    // Creates the table in the backup when it has none. A table that an
    // earlier version of this program left is replaced when it holds no
    // entry, and refused when it does. The ledger's statements then name
    // the table found or created, with its schema.
    void EnsureTable(Catalog& targetCatalog);

    // The batches of this source's table that were copied and whose source
    // commit was not seen, in the order they were taken.
    std::vector<Entry> Pending(const QString& table);

    // A number for the next batch, larger than any this ledger has given.
    qint64 NextBatchId();

    // Records a batch; called inside the transaction that copies it.
    void Record(const Entry& entry);

    // Removes the record of a batch whose source commit was seen.
    void Forget(const Entry& entry);

    // Key values as the entry's text, and back.
    static QString EncodeValues(const QStringList& values);
    static QStringList DecodeValues(const QString& text);

    // The statements on the ledger table, named as the backup's statements
    // write it (Catalog::StatementName), in the backup's dialect.
    static QString PendingQuery(const Dialect& target, const QString& ledgerTable, const QString& sourceDatabase,
                                const QString& table);
    static QString RecordStatement(const Dialect& target, const QString& ledgerTable, const QString& sourceDatabase,
                                   const Entry& entry);
    static QString ForgetStatement(const Dialect& target, const QString& ledgerTable, const QString& sourceDatabase,
                                   const Entry& entry);

private:
    Connection& target_;
    QString sourceDatabase_;
    QString ledgerTable_; // as statements name it
    qint64 lastBatchId_ = 0;
};

} // namespace qel
