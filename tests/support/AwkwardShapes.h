#pragma once

#include <QDate>
#include <QString>

namespace qel::test {

// Gives a statistics database that the fixtures built the shapes that
// administrators' databases have and ours did not, keeping its columns'
// meaning, so that a clean-up meets each of them:
// - Statistic_Call keyed by CallID INTEGER PRIMARY KEY, the calls numbered
//   from 5,000,000,000 on (in every table that names them), so that keys
//   and rowids lie past 2^31;
// - Statistic_Agent's rowids moved past 2^31, one of them to the smallest
//   a table may have;
// - Statistic_Location with a column named RowID, hiding that name of the
//   rowid, holding NULLs and identifier texts;
// - Statistic_OutboundGroup WITHOUT ROWID, keyed by (CallID, Seq);
// - Statistic_RoutePath with rows at rowids 3 and 4 * 10^12, one of an old
//   call and one of a new one, the key space between them empty;
// - Statistic_Alarms holding each old row twice, and some three times;
// - Statistic_Messages with two more columns (a BLOB and one without a
//   declared type) and old rows holding values of every storage class
//   whatever the declared type: 64-bit integers at both ends, texts in an
//   int column, BLOBs in a text column, a NUL inside a text, a text of
//   20,000 characters, integers and reals in a BLOB column, infinities,
//   subnormal and extreme doubles;
// - Statistic_Predictive with `randomDoubles` more old rows, each a double
//   of random bits.
void ReshapeStatistics(const QString& connection, int randomDoubles, const QDate& cutoff = QDate(2024, 3, 5));

} // namespace qel::test
