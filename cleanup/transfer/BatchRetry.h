#pragma once

#include "db/Connection.h"
#include "db/DatabaseError.h"

#include <QString>

#include <exception>

namespace qel {

// A table's columns changed while its rows were being moved: the batch in
// flight was undone, and the step must read the columns again before it
// goes on.
struct ColumnsChanged : std::exception {
    const char* what() const noexcept override { return "the table's columns changed"; }
};

// Whether a failed batch may simply be run again: SQL Server chose it as a
// deadlock's victim, or it waited for a lock past the lock time-out. Its
// transaction was rolled back whole either way.
bool IsTransientBatchFailure(const Connection& connection, const DatabaseError& error);

// How often a batch is tried in all before its failure ends the step.
inline constexpr int kBatchAttempts = 4;

// The failure that ends a step after its batch failed transiently
// kBatchAttempts times: the last one, naming the table; it keeps the
// database it came from.
DatabaseError BatchGivenUp(const DatabaseError& last, const QString& table);

// Runs one batch, again after a transient failure, up to kBatchAttempts
// times; the last failure names the table.
template <typename Batch>
auto RetryBatch(Connection& connection, const QString& table, Batch batch) -> decltype(batch())
{
    for (int attempt = 1;; ++attempt) {
        try {
            return batch();
        } catch (DatabaseError& e) {
            if (!IsTransientBatchFailure(connection, e))
                throw;
            if (attempt >= kBatchAttempts)
                throw BatchGivenUp(e, table);
        }
    }
}

} // namespace qel
