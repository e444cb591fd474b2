#pragma once

#include <QString>
#include <QStringList>

#include <map>

namespace qel::test {

// The rows of a SQLite table as a multiset: one text per row, each value
// written by quote() (so its storage class counts too, and a double all its
// digits; a text with a NUL inside as its bytes), sorted. Two tables
// hold the same rows, each as often, when these lists are equal.
// `where`, when given, picks the rows.
QStringList RowTexts(const QString& connection, const QString& table, const QStringList& columns,
                     const QString& where = QString());
// The columns of a table, in their order.
QStringList ColumnsOf(const QString& connection, const QString& table);

// What tells two multisets of rows apart: empty when they are equal, else
// how many rows each holds that the other lacks, with a few of them.
QString RowDifference(const QStringList& expected, const QStringList& actual);

// The multiset union of two row lists.
QStringList Together(const QStringList& a, const QStringList& b);

// Every table of a database by name, each as RowTexts.
std::map<QString, QStringList> DatabaseRows(const QString& connection);

// "ok" when PRAGMA integrity_check finds the file sound, else its findings.
QString IntegrityOf(const QString& connection);

} // namespace qel::test
