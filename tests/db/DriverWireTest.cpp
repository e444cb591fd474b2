// What the real FreeTDS driver puts on the wire, read by a listener that
// answers PRELOGIN and reads LOGIN7 (TdsListener). No statement runs: each
// connection ends at the login, which the listener never answers.
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/DriverConnect.h"

#include "tests/db/TdsListener.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

namespace {

QString FreeTds(const TdsListener& listener, const QString& keys)
{
    return QStringLiteral("Driver=FreeTDS;Server=127.0.0.1;Port=%1;TDS_Version=7.4;%2").arg(listener.port()).arg(keys);
}

// Opens the string against the listener; the login never completes, so
// the driver's failure is expected. Answers the refusal when Open refused
// before reaching the driver.
std::optional<DatabaseError> TryOpen(const QString& connection)
{
    try {
        Connection::Open(connection, 5);
        ADD_FAILURE() << "a connection to the listener was opened";
    } catch (const DatabaseError& e) {
        if (e.kind() == DatabaseError::Kind::Setting) // the program's own refusal, not the driver's
            return e;
    }
    return std::nullopt;
}

constexpr std::uint8_t kEncryptOff = 0x00; // encrypt only when the server wants it
constexpr std::uint8_t kEncryptOn = 0x01;
constexpr std::uint8_t kEncryptNotSupported = 0x02;

} // namespace

TEST(FreeTdsOnTheWire, LoginNamePasswordAndDatabaseBeyondAsciiArriveIntact)
{
    TdsListener listener;
    ASSERT_FALSE(TryOpen(FreeTds(listener, QStringLiteral("UID=usé;PWD={pé€ 調査;'x};Database=Stätistik"))));
    const TdsLoginSeen seen = listener.Finish();
    ASSERT_TRUE(seen.loginRead) << seen.failure.toStdString();
    EXPECT_EQ(seen.userName, QStringLiteral("usé"));
    EXPECT_EQ(seen.password, QStringLiteral("pé€ 調査;'x"));
    EXPECT_EQ(seen.database, QStringLiteral("Stätistik"));
    EXPECT_EQ(seen.serverName, QStringLiteral("127.0.0.1"));
}

TEST(DriverConnect, FreeTdsIsHandedTheWideStringAndTheSQLiteDriverTheNarrowOne)
{
    // The SQLite driver has narrow entry points only; its paths beyond
    // ASCII are proven by every SQLite test, whose files lie in such a folder.
    EXPECT_TRUE(DriverTakesWideConnectionStrings(QStringLiteral("Driver={FreeTDS};Server=x")));
    EXPECT_FALSE(DriverTakesWideConnectionStrings(QStringLiteral("Driver=SQLite3;Database=/tmp/ü.db")));
    EXPECT_FALSE(DriverTakesWideConnectionStrings(QStringLiteral("Driver=No Such Driver;Database=x")));
}

TEST(FreeTdsOnTheWire, AskedForEncryptionReachesTheDriverInItsOwnWords)
{
    struct Case {
        const char* keys;
        std::uint8_t encryption;
    };
    const Case cases[] = {
        {"UID=u;PWD=p", kEncryptOff},
        {"UID=u;PWD=p;Encrypt=no", kEncryptOff},
        {"UID=u;PWD=p;Encrypt=yes;TrustServerCertificate=yes", kEncryptOn},
        {"UID=u;PWD=p;Encrypt=Mandatory;TrustServerCertificate=True", kEncryptOn},
        {"UID=u;PWD=p;Encrypt=true;TrustServerCertificate=yes;Encryption=require", kEncryptOn},
        {"UID=u;PWD=p;Encryption=off", kEncryptNotSupported}, // the driver's own key, passed on as written
    };
    for (const Case& c : cases) {
        TdsListener listener;
        EXPECT_FALSE(TryOpen(FreeTds(listener, QString::fromUtf8(c.keys)))) << c.keys;
        const TdsLoginSeen seen = listener.Finish();
        ASSERT_TRUE(seen.encryption) << c.keys << ": " << seen.failure.toStdString();
        EXPECT_EQ(*seen.encryption, c.encryption) << c.keys;
    }

    // The stored settings of the old tool name an OLE DB provider; the
    // string it is translated into encrypts as it did.
    TdsListener listener;
    EXPECT_FALSE(TryOpen(QStringLiteral("Provider=SQLOLEDB.1;Data Source=127.0.0.1,%1;Initial Catalog=Stats;User ID=u;"
                                        "Password=p;Use Encryption for Data=True;TrustServerCertificate=True")
                             .arg(listener.port())));
    const TdsLoginSeen seen = listener.Finish();
    ASSERT_TRUE(seen.encryption) << seen.failure.toStdString();
    EXPECT_EQ(*seen.encryption, kEncryptOn);
}

TEST(FreeTdsOnTheWire, EncryptionTheDriverCannotGiveIsRefusedBeforeAnythingIsSent)
{
    struct Case {
        const char* keys;
        const char* saying;
    };
    const Case cases[] = {
        {"Encrypt=strict;TrustServerCertificate=yes", "TDS 8.0"},
        {"Encrypt=yes", "TrustServerCertificate=yes"},
        {"Encrypt=yes;TrustServerCertificate=no", "certificate"},
        {"Encrypt=yes;TrustServerCertificate=yes;Encryption=request", "disagree"},
        {"Encrypt=sometimes;TrustServerCertificate=yes", "Encrypt=sometimes"},
    };
    for (const Case& c : cases) {
        TdsListener listener;
        const auto refusal = TryOpen(FreeTds(listener, QStringLiteral("UID=u;PWD=p;") + QString::fromUtf8(c.keys)));
        ASSERT_TRUE(refusal) << c.keys;
        EXPECT_TRUE(refusal->description().contains(QLatin1String(c.saying))) << refusal->description().toStdString();
        EXPECT_FALSE(listener.Finish().connected) << c.keys;
    }
}
