#pragma once

#include "db/Catalog.h"
#include "db/Connection.h"
#include "db/FieldValue.h"

#include <QString>

#include <memory>
#include <ostream>
#include <vector>

namespace qel {

// Two field values are the same when their kind and value are.
bool operator==(const FieldValue& a, const FieldValue& b);
inline bool operator!=(const FieldValue& a, const FieldValue& b) { return !(a == b); }
void PrintTo(const FieldValue& value, std::ostream* os);

namespace test {

using Row = std::vector<FieldValue>;

// Every row of a query, read whole, for comparing tables before and after.
std::vector<Row> ReadRows(Connection& connection, const QString& sql);
std::vector<Row> ReadRows(const QString& connection, const QString& sql);

// The first value of the first row of a query, as an integer.
long long Scalar(Connection& connection, const QString& sql);

inline std::unique_ptr<Catalog> BindCatalog(Connection& connection)
{
    return std::make_unique<Catalog>(connection);
}

} // namespace test
} // namespace qel
