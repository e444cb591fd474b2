#include "tests/db/TdsListener.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>
#include <stdexcept>

namespace qel::test {

namespace {

constexpr int kWaitMs = 10000;
constexpr std::uint8_t kPreLogin = 0x12;
constexpr std::uint8_t kLogin7 = 0x10;
constexpr std::uint8_t kReply = 0x04;
constexpr std::uint8_t kEndOfMessage = 0x01;
constexpr std::uint8_t kEncryptionOption = 0x01;
constexpr std::uint8_t kEncryptNotSupported = 0x02;

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

QByteArray ReadExactly(QTcpSocket& socket, qint64 size)
{
    QByteArray data;
    QElapsedTimer waited;
    waited.start();
    while (data.size() < size) {
        if (socket.bytesAvailable() == 0
            && !socket.waitForReadyRead(std::max(1, kWaitMs - static_cast<int>(waited.elapsed()))))
            throw Failure("the client sent less than a whole packet");
        data += socket.read(size - data.size());
    }
    return data;
}

unsigned Byte(const QByteArray& data, qsizetype at)
{
    if (at < 0 || at >= data.size())
        throw Failure("a length or offset points past the message");
    return static_cast<std::uint8_t>(data.at(at));
}

unsigned BigEndian16(const QByteArray& data, qsizetype at) { return Byte(data, at) << 8 | Byte(data, at + 1); }
unsigned LittleEndian16(const QByteArray& data, qsizetype at) { return Byte(data, at) | Byte(data, at + 1) << 8; }

// One message: the payloads of its packets up to the one marked last.
QByteArray ReadMessage(QTcpSocket& socket, std::uint8_t expectedType)
{
    QByteArray payload;
    for (;;) {
        const QByteArray header = ReadExactly(socket, 8);
        if (Byte(header, 0) != expectedType)
            throw Failure("the client sent another message than expected");
        const unsigned length = BigEndian16(header, 2);
        if (length < 8)
            throw Failure("a packet shorter than its header");
        payload += ReadExactly(socket, length - 8);
        if (Byte(header, 1) & kEndOfMessage)
            return payload;
    }
}

// PRELOGIN options: token, offset and length (both big-endian) up to 0xFF.
std::optional<std::uint8_t> EncryptionOption(const QByteArray& preLogin)
{
    for (qsizetype at = 0; Byte(preLogin, at) != 0xFF; at += 5)
        if (Byte(preLogin, at) == kEncryptionOption)
            return static_cast<std::uint8_t>(Byte(preLogin, BigEndian16(preLogin, at + 1)));
    return std::nullopt;
}

// The server's PRELOGIN: VERSION (6 bytes) and ENCRYPTION (1 byte), the
// option list first, their data after it; encryption not supported, so
// that the login comes in the clear.
QByteArray PreLoginReply()
{
    const QByteArray payload = QByteArray::fromHex("00000b0006"
                                                   "0100110001"
                                                   "ff"
                                                   "0f0000000000")
        + QByteArray(1, static_cast<char>(kEncryptNotSupported));
    const auto length = static_cast<unsigned>(8 + payload.size());
    QByteArray reply;
    reply.append(static_cast<char>(kReply)).append(static_cast<char>(kEndOfMessage));
    reply.append(static_cast<char>(length >> 8)).append(static_cast<char>(length & 0xFF));
    reply.append(QByteArray::fromHex("00000100")); // channel, packet number, window
    return reply + payload;
}

// A LOGIN7 text: offset and length in characters, little-endian, at the
// given place of the offset table; UTF-16LE at that offset.
QByteArray LoginBytes(const QByteArray& login, qsizetype entry)
{
    const unsigned offset = LittleEndian16(login, entry);
    const unsigned characters = LittleEndian16(login, entry + 2);
    if (offset + 2 * characters > static_cast<unsigned>(login.size()))
        throw Failure("a LOGIN7 text lies past the message");
    return login.mid(offset, 2 * characters);
}

QString Utf16(const QByteArray& bytes)
{
    QString text;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        text.append(QChar(static_cast<char16_t>(Byte(bytes, i) | Byte(bytes, i + 1) << 8)));
    return text;
}

// The client hides the password: each byte's halves swapped, then XOR 0xA5.
QByteArray Unscrambled(QByteArray bytes)
{
    for (char& c : bytes) {
        const auto x = static_cast<std::uint8_t>(static_cast<std::uint8_t>(c) ^ 0xA5);
        c = static_cast<char>(static_cast<std::uint8_t>(x << 4 | x >> 4));
    }
    return bytes;
}

} // namespace

TdsListener::TdsListener()
{
    std::promise<std::uint16_t> listening;
    std::future<std::uint16_t> port = listening.get_future();
    thread_ = std::thread(&TdsListener::Serve, this, std::move(listening));
    port_ = port.get();
}

TdsListener::~TdsListener()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

TdsLoginSeen TdsListener::Finish()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    return seen_;
}

void TdsListener::Serve(std::promise<std::uint16_t> listening)
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost)) {
        seen_.failure = server.errorString();
        listening.set_value(0);
        return;
    }
    listening.set_value(server.serverPort());

    // A client that connected before the stop is still served.
    while (!server.waitForNewConnection(50) && !server.hasPendingConnections())
        if (stop_)
            return;
    QTcpSocket* socket = server.nextPendingConnection();
    seen_.connected = true;
    try {
        seen_.encryption = EncryptionOption(ReadMessage(*socket, kPreLogin));
        if (seen_.encryption == 0 || seen_.encryption == kEncryptNotSupported) {
            socket->write(PreLoginReply());
            socket->waitForBytesWritten(kWaitMs);
            const QByteArray login = ReadMessage(*socket, kLogin7);
            // The offset table follows 36 bytes of fixed fields.
            seen_.hostName = Utf16(LoginBytes(login, 36));
            seen_.userName = Utf16(LoginBytes(login, 40));
            seen_.password = Utf16(Unscrambled(LoginBytes(login, 44)));
            seen_.appName = Utf16(LoginBytes(login, 48));
            seen_.serverName = Utf16(LoginBytes(login, 52));
            seen_.database = Utf16(LoginBytes(login, 68));
            seen_.loginRead = true;
        }
    } catch (const Failure& e) {
        seen_.failure = QString::fromUtf8(e.what());
    }
    socket->abort();
    delete socket;
}

} // namespace qel::test
