#include "gui/PreviewTexts.h"

#include "gui/ConfirmationDialog.h"
#include "gui/DialogBuilder.h"

#include <QLocale>
#include <QStringList>

namespace qel {

QString DateCommandText(const QDate& cutoff)
{
    return QStringLiteral("Clean-up by date: statistics rows before %1").arg(QLocale().toString(cutoff, ShortDateFormat()));
}

QString FutureCutoffText(const QDate& cutoff)
{
    return QString::fromLatin1(ConfirmationText::FutureCutoff).arg(QLocale().toString(cutoff, ShortDateFormat()));
}

QString SurveyCommandText(const SurveySelection& selection, const CleanOptions& options)
{
    const std::size_t surveys = selection.legacySurveyIds.size() + selection.newSurveyIds.size();
    QStringList kinds;
    if (options.stats)
        kinds << QStringLiteral("statistics");
    if (options.surveys)
        kinds << QStringLiteral("survey data");
    if (options.webInterviews)
        kinds << QStringLiteral("web interviews");
    if (options.lists)
        kinds << QStringLiteral("lists");
    QStringList titles(selection.surveyNames.begin(), selection.surveyNames.end());
    return QStringLiteral("Clean-up by survey of %1 %2 (%3): %4")
        .arg(surveys)
        .arg(surveys == 1 ? QStringLiteral("survey") : QStringLiteral("surveys"), titles.join(QStringLiteral(", ")),
             kinds.isEmpty() ? QStringLiteral("nothing chosen") : kinds.join(QStringLiteral(", ")));
}

} // namespace qel
