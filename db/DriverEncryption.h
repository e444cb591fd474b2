#pragma once

#include "db/DriverRegistry.h"

#include <QString>

namespace qel {

// Encryption that a connection string asks for with Microsoft's keys,
// Encrypt and TrustServerCertificate, said in the words of the driver that
// reads the string, so that no driver drops it for a key it does not know.
//
// - Microsoft's drivers take both keys as written. Before version 18 they
//   know Encrypt=yes and no alone and no TDS 8.0: another word for yes, or
//   strict, is refused for them.
// - FreeTDS ignores both keys (before version 1.4); its own is
//   Encryption=require, which is added. It has no TDS 8.0, so
//   Encrypt=strict is refused. It checks the server's certificate only
//   against the "ca file" of a freetds.conf section, which a connection
//   string cannot name, so Encrypt=yes, which asks for that check, is
//   refused unless TrustServerCertificate=yes says to go without it.
// - Any other driver is not known to encrypt: asked-for encryption is
//   refused.
//
// A string that asks for no encryption (no Encrypt key, or no, false or
// optional) is returned unchanged, and so is every key besides. A refusal
// is a DatabaseError, raised before anything is sent.
ParsedConnection WithDriverEncryption(const ParsedConnection& connection, const OdbcDriver& driver);
QString WithDriverEncryption(const QString& connection, const OdbcDriver& driver);

// The same for the driver the connection string reaches, looked up only
// when the string asks for encryption.
ParsedConnection WithDriverEncryption(const ParsedConnection& connection);

} // namespace qel
