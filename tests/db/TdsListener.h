#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <future>
#include <optional>
#include <thread>

namespace qel::test {

// What a driver put on the wire when it tried to log in.
struct TdsLoginSeen {
    bool connected = false;
    // The ENCRYPTION option of the client's PRELOGIN: 0 off (encrypt when
    // the server wants it), 1 on, 2 not supported, 3 required.
    std::optional<std::uint8_t> encryption;
    // From LOGIN7, which comes only when the login is not encrypted.
    bool loginRead = false;
    QString hostName;
    QString userName;
    QString password;
    QString appName;
    QString serverName;
    QString database;
    QString failure; // what went wrong in the listener itself
};

// A stand-in for SQL Server that shows what a driver sends at login, and no
// more: on a free port of 127.0.0.1 it takes one connection, reads the
// client's PRELOGIN, answers that it cannot encrypt, reads LOGIN7 and
// closes. A client that insists on encryption is not answered at all: its
// PRELOGIN already says so. It runs on a thread of its own, since the
// driver's connect call blocks the test's.
class TdsListener {
public:
    TdsListener();
    ~TdsListener();
    TdsListener(const TdsListener&) = delete;
    TdsListener& operator=(const TdsListener&) = delete;

    std::uint16_t port() const { return port_; }

    // Stops listening and tells what was seen; call once, after the
    // connect call has returned.
    TdsLoginSeen Finish();

private:
    void Serve(std::promise<std::uint16_t> listening);

    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    TdsLoginSeen seen_;
    std::thread thread_;
};

} // namespace qel::test
