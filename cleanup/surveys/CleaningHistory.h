#pragma once

#include "db/Dialect.h"
#include "cleanup/Identifiers.h"

#include <QString>
#include <QStringList>

namespace qel {

// CleaningHistory, in the call-centre database: one row per survey with the
// server time at which each kind of its data was last cleaned.

// Creates the table when the database lacks it; leaves it alone otherwise.
QString CreateCleaningHistorySql(const Dialect& dialect);

// The four kinds of data a clean-up by survey may remove.
struct CleanOptions {
    bool stats = false;
    bool surveys = false;
    bool webInterviews = false;
    bool lists = false;
    bool any() const { return stats || surveys || webInterviews || lists; }
};

// The statements that record a clean-up of one survey: an existing row gets
// the server's current time in the chosen columns only; a new row gets it
// in the chosen columns and NULL in the others. SQL Server takes one
// IF EXISTS batch; SQLite an UPDATE and then an INSERT of a missing row.
QStringList CleaningHistoryStatements(const Dialect& dialect, qint32 surveyId, const CleanOptions& options);

// The survey list of the selection dialog: every survey, deleted ones too,
// with its cleaning dates, in ascending identifier order.
QString SurveyListSql();
// The same columns where there is no CleaningHistory yet: never cleaned.
QString SurveyListWithoutHistorySql();

} // namespace qel
