#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace qel {

// What a clean-up did, as the operation answers it: per table the rows
// deleted and copied and the seconds it took, every table dropped, and how
// the run ended, with the report of its failure. Both front ends, the run
// record, the report and the exit status are made from it.
struct RunOutcome {
    enum class Result { Completed, Stopped, Failed };

    struct Table {
        QString table;
        long long deleted = 0; // rows that left the table
        long long copied = 0;  // rows that arrived in the backup
        double seconds = 0;
    };

    Result result = Result::Completed;
    std::vector<Table> tables; // in the order the run took them
    QStringList droppedTables;
    QString error; // the report of the failure, as it was shown

    // The entry of a table, added at the end the first time.
    Table& TableEntry(const QString& table);

    long long deletedRows() const;
    long long copiedRows() const;

    // The first failure counts; a stop counts unless the run failed.
    void Fail(const QString& report);
    void Stop();

    bool completed() const { return result == Result::Completed; }
    bool stopped() const { return result == Result::Stopped; }
    bool failed() const { return result == Result::Failed; }
    explicit operator bool() const { return completed(); }
};

} // namespace qel
