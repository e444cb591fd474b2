#pragma once

#include "cleanup/surveys/CleaningHistory.h"
#include "cleanup/surveys/SurveyList.h"

#include <QDate>
#include <QString>

namespace qel {

// The confirmation's first line: the clean-up and its selection.

// "Clean-up by date: statistics rows before 05/03/2024", the date as the
// window's date picker shows it.
QString DateCommandText(const QDate& cutoff);

// The confirmation's warning that the cut-off lies after today.
QString FutureCutoffText(const QDate& cutoff);

// "Clean-up by survey of 2 surveys (Alpha, Beta): statistics, survey data".
QString SurveyCommandText(const SurveySelection& selection, const CleanOptions& options);

} // namespace qel
