#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace qel {

// What a clean-up would do, found by the same selection as the run itself
// but counted instead of deleted: CleanupOperations' Preview functions fill
// it in with every SQLite file opened read-only and every other database
// only read, writing nothing anywhere.
struct CleanupPreview {
    struct Table {
        QString table;
        long long rows = 0;     // rows the run would delete (and copy first, with a backup)
        bool wholeCopy = false; // a reference table: all its rows copied into the backup, none deleted
    };

    std::vector<Table> tables;  // in the order the run takes them
    QStringList droppedTables;  // every table the run would drop
    bool backup = false;        // the rows would be copied into a backup first
    QString backupTarget;       // which database, in words without a password
    // Why the run would refuse to start although the counts could be read
    // (the backup's driver is missing): the reason with the database it
    // concerns, and the database-error report the run would show; empty
    // when it would start.
    QString refusal;
    QString refusalReport;
    // What the front end adds for the user to weigh (a cut-off after today).
    QStringList warnings;

    // The rows the run would delete in all.
    long long deletedRows() const
    {
        long long rows = 0;
        for (const Table& table : tables)
            if (!table.wholeCopy)
                rows += table.rows;
        return rows;
    }
};

} // namespace qel
