#include "db/TextEncoding.h"

#include "db/Connection.h"
#include "db/Statement.h"

#include <cstring>

namespace qel {

namespace {

// "ü€調" in UTF-8, and as SQLite's hex() writes those bytes.
constexpr char kLetters[] = "\xC3\xBC\xE2\x82\xAC\xE8\xAA\xBF";
constexpr char kLettersHex[] = "C3BCE282ACE8AABF";

// Reads the first column of the statement's first row through the narrow
// C type; empty when anything fails.
std::string ReadNarrow(Statement& statement)
{
    if (!SQL_SUCCEEDED(SQLFetch(statement.handle())))
        return {};
    char buffer[64] = {};
    SQLLEN length = 0;
    if (!SQL_SUCCEEDED(SQLGetData(statement.handle(), 1, SQL_C_CHAR, buffer, sizeof buffer, &length)) || length < 0
        || length >= static_cast<SQLLEN>(sizeof buffer))
        return {};
    return std::string(buffer, static_cast<std::size_t>(length));
}

bool ReadsUtf8(Connection& connection)
{
    Statement statement(connection);
    statement.ExecDirect(QStringLiteral("SELECT char(252, 8364, 35519)"));
    return ReadNarrow(statement) == kLetters;
}

bool BindsUtf8(Connection& connection)
{
    Statement statement(connection);
    statement.Prepare(QStringLiteral("SELECT hex(?)"));
    char letters[sizeof kLetters];
    std::memcpy(letters, kLetters, sizeof kLetters);
    SQLLEN length = static_cast<SQLLEN>(sizeof kLetters - 1);
    statement.Check(SQLBindParameter(statement.handle(), 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_LONGVARCHAR,
                                     sizeof kLetters, 0, letters, sizeof letters, &length),
                    "SQLBindParameter");
    statement.Execute();
    return ReadNarrow(statement) == kLettersHex;
}

} // namespace

TextEncoding ProbeTextEncoding(Connection& connection)
{
    if (!connection.dialect().isSQLite())
        return TextEncoding::Utf16;
    return ReadsUtf8(connection) && BindsUtf8(connection) ? TextEncoding::Utf8 : TextEncoding::Utf16;
}

} // namespace qel
