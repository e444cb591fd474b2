#pragma once

#include "fixtures/ProductDatabases.h"
#include "tests/support/TempDatabases.h"

#include <QDate>
#include <QString>

#include <memory>
#include <ostream>
#include <string>

namespace qel {
class DatabaseError;
}

namespace qel::test {

class SqlServerDatabases;

// Where a test's product databases live: SQLite files, always; or a SQL
// Server, when the environment variable QEL_TEST_SQLSERVER holds an ODBC
// connection string of a login that may create and drop databases.
enum class Backend { SQLite, SqlServer };

inline constexpr const char* kSqlServerVariable = "QEL_TEST_SQLSERVER";

std::string BackendName(Backend backend);
inline void PrintTo(Backend backend, std::ostream* os) { *os << BackendName(backend); }

// The product's databases of one test on one backend: SQLite files in a
// temporary folder, or seven databases created on the server for this test
// alone. Both go with the object.
class ProductBackend {
public:
    // Why the backend cannot be used on this machine; empty when it can.
    static QString Unavailable(Backend backend);

    // Throws DatabaseError when the server cannot be reached or refuses.
    explicit ProductBackend(Backend backend);
    ~ProductBackend();
    ProductBackend(const ProductBackend&) = delete;
    ProductBackend& operator=(const ProductBackend&) = delete;

    Backend kind() const { return kind_; }
    ProductDatabases& product() { return product_; }

    // The server's databases and logins; nothing on SQLite.
    SqlServerDatabases* server() const { return server_.get(); }

    // A temporary folder for files that are not product databases.
    const TempDatabases& files() const { return files_; }

    // A date at midnight as a literal that this backend's date-time columns
    // compare with: ISO text on SQLite, whose dates are text; on SQL Server
    // the unseparated form, which no date format setting reads otherwise.
    QString DateLiteral(const QDate& date) const;

    // Drops the server's databases now; throws DatabaseError when the server
    // refuses. (The destructor drops them too, silently.)
    void Release();

    // What a failure to set the backend up says, naming the server without
    // its password.
    static std::string SetUpFailure(Backend backend, const DatabaseError& error);

private:
    Backend kind_;
    TempDatabases files_;
    std::unique_ptr<SqlServerDatabases> server_;
    ProductDatabases product_;
};

} // namespace qel::test
