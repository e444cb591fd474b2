#pragma once

#include "cleanup/transfer/CleanupDatabases.h"
#include "cleanup/transfer/StatisticsCatalogue.h"
#include "core/CleanupSettings.h"

#include <QDate>
#include <QStringList>

#include <vector>

namespace qel {

// Checks, before the first row is deleted, that every table a clean-up
// will take is there: the statistics tables of its steps, and with a
// backup the reference tables it copies whole. Throws a DatabaseError that
// names what is missing, so that a run never stops half-way for a table it
// could have seen was missing.
void CheckStepTables(CleanupDatabases& databases, const std::vector<CleanupStep>& steps, bool sqlOnlySteps);

// Checks, before the first row is deleted, that the rows of every statistics
// table of the steps can be walked in batches (see WalkKey) on the route the
// backup takes: a SQLite table whose every name of the rowid is a column,
// and, when the rows go through this program (into another server), a
// table it cannot walk, are refused with a DatabaseError that names them.
void CheckWalkKeys(CleanupDatabases& databases, const std::vector<CleanupStep>& steps, bool sqlOnlySteps, int batchSize,
                   bool throughThisProgram);

// Checks, before the first row is deleted, that every row the steps take
// can arrive in the backup as it is (SQL Server): a backup table that is
// there already and would refuse rows written into it by name, or lose
// them, is a DatabaseError that names its table and column, trigger or
// constraint: an IDENTITY, computed or rowversion column, an enabled
// INSTEAD OF trigger; and on the route within one server, whose DELETE ...
// OUTPUT ... INTO writes only into a plain table, also an enabled trigger,
// a CHECK constraint, a foreign key on either side or a rule. So is, where
// rows travel through this program (the reference tables always, the
// statistics tables into a backup on another server), a source column of a
// type that cannot (sql_variant, CLR types). Tables the backup lacks are
// created by the run and refuse nothing. One catalogue query per database.
void CheckBackupTables(CleanupDatabases& databases, const std::vector<CleanupStep>& steps, bool sqlOnlySteps);

// Checks, before the first row is deleted, that a SQLite statistics
// database holds in the date columns the steps compare with the cut-off
// (the by-date tables' columns, Statistic_Call.Start_Time among them, which
// the call selection reads) nothing that comparison, made on texts, would
// misjudge: a number (a Julian day, Unix time) sorts before every text and
// would be deleted whatever its date; a BLOB sorts after and would never
// be; a text before the cut-off that does not begin YYYY-MM-DD, such as
// 01/01/2025, compares by its first characters. The first such value is a
// DatabaseError naming the table, the column and the value. A text after
// the cut-off is kept whatever its form, and NULL is taken by no
// comparison; neither is read. Other databases compare typed dates and are
// not read, nor are missing tables (CheckStepTables names those). With a
// batch size, each table is read as its batches walk it, paced by
// `pacing` when given, so that the product's writers get in meanwhile.
void CheckDateColumns(Connection& source, const std::vector<CleanupStep>& steps, bool sqlOnlySteps, const QDate& cutoff,
                      int batchSize, WriterPacing* pacing);

// The same before the clean-up opens anything else: the statistics
// database of the settings is opened read-only for it, and only when the
// steps compare dates in a SQLite file.
void CheckDateColumns(const CleanupSettings& settings, const std::vector<CleanupStep>& steps, const QDate& cutoff);

// Checks, before anything is opened, that the ODBC driver the backup
// target names is installed: an Access backup (AccessTgt) on a machine
// without the Access driver, or a StatTgt naming a driver that is not
// there, is a DatabaseError naming the setting and the driver. A driver
// named by its library, or a data source the driver manager does not know,
// is left to the open.
void CheckBackupDriver(const CleanupSettings& settings, const QString& targetConnection);

} // namespace qel
