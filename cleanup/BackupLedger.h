#pragma once

#include "db/Dialect.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace qel {

class Catalog;
class Connection;

// The backup's own record of batches it holds whose rows may still be in
// the source. When a batch cannot be copied and deleted in one transaction
// (the backup is another server or file reached through this program), its
// rows and an entry naming them are committed to the backup together, then
// the rows are deleted from the source, then the entry is removed. An entry
// found at the start of a table step is a batch whose delete was not seen to
// commit: killed, refused or out of space. The step then looks at the source:
// if the batch's rows are all still there, unchanged, they are deleted
// without copying them again; if none is, the delete had committed.
//
// The entries live in the table QelCleanupLedger of the backup, one row per
// batch, removed as soon as its delete has committed; the table is empty
// between runs that ended normally.
class BackupLedger {
public:
    static constexpr const char* kTableName = "QelCleanupLedger";

    struct Entry {
        QString table;
        std::vector<qint64> keys; // ascending
        qint64 rows = 0;
        std::uint64_t fingerprint = 0;
    };

    // sourceDatabase identifies the source whatever path or name reaches it.
    BackupLedger(Connection& target, QString sourceDatabase);

    // Creates the table in the backup when it has none.
    void EnsureTable(Catalog& targetCatalog);

    // The batches of this source's table that were copied and whose delete
    // was not seen to commit.
    std::vector<Entry> Pending(const QString& table);

    // Records a batch; called inside the transaction that copies it.
    void Record(const Entry& entry);

    // Removes the record of a batch whose delete has committed.
    void Forget(const Entry& entry);

    // Ascending keys written as ranges ("1:5,9"), and back.
    static QString EncodeKeys(const std::vector<qint64>& keys);
    static std::vector<qint64> DecodeKeys(const QString& text);
    // The keys as a list for IN ( ... ).
    static QString KeyList(const std::vector<qint64>& keys);

    // The statements on the ledger table, in the backup's dialect.
    static QString PendingQuery(const Dialect& target, const QString& sourceDatabase, const QString& table);
    static QString RecordStatement(const Dialect& target, const QString& sourceDatabase, const Entry& entry);
    static QString ForgetStatement(const Dialect& target, const QString& sourceDatabase, const Entry& entry);

private:
    Connection& target_;
    QString sourceDatabase_;
};

} // namespace qel
