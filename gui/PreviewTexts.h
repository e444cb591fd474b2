#pragma once

#include "cleanup/CleaningHistory.h"
#include "cleanup/SurveyList.h"
#include "core/CleanupSettings.h"

#include <QDate>
#include <QString>

namespace qel {

// The lines of the confirmation that name the clean-up and its backup.

// "Clean-up by date: statistics rows before 05/03/2024", the date as the
// window's date picker shows it.
QString DateCommandText(const QDate& cutoff);

// "Clean-up by survey of 2 surveys (Alpha, Beta): statistics, survey data".
QString SurveyCommandText(const SurveySelection& selection, const CleanOptions& options);

// The backup target in words (the file, or server and database; never a
// password); empty when no backup is made.
QString BackupTargetText(const CleanupSettings& settings, const QString& targetConnection);

} // namespace qel
