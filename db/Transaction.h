#pragma once

namespace qel {

class Connection;

// A transaction on a connection: begun when the guard is made, rolled back
// when the guard goes unless Commit was called, so that no way out of a
// unit of work leaves half of it behind.
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
};

} // namespace qel
