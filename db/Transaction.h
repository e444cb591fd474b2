#pragma once

namespace qel {

class Connection;

// A transaction on a connection: begun when the guard is made, rolled back
// when the guard goes unless Commit was called, so that no way out of a
// unit of work leaves half of it behind. On SQLite it takes the write lock
// at once (BEGIN IMMEDIATE): what the transaction reads cannot change before
// it commits, and a lock held elsewhere is met at the start, not half-way.
class Transaction {
public:
    explicit Transaction(Connection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void Commit();

private:
    Connection& connection_;
    bool open_ = true;
    bool statements_ = false; // begun and ended by statements rather than by the driver
};

} // namespace qel
