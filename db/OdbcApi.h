#pragma once

// The ODBC C API. On Windows its headers need the platform's types first.
#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <QString>

#include <string>

namespace qel {

// SQLWCHAR is a UTF-16 code unit with both driver managers this program is
// built for (unixODBC and Windows), so QString's storage is passed directly.
static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "SQLWCHAR must be UTF-16");

inline SQLWCHAR* ToSqlWChar(const QString& text)
{
    return reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(reinterpret_cast<const char16_t*>(text.utf16())));
}

inline QString FromSqlWChar(const SQLWCHAR* text, qsizetype length)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), length);
}

} // namespace qel
