#include "cleanup/surveys/SurveyList.h"

#include "cleanup/Databases.h"
#include "cleanup/ErrorReport.h"
#include "core/Format.h"
#include "core/StringTable.h"
#include "db/Catalog.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Result.h"

#include <algorithm>

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>

namespace qel {

QStringList SurveyListColumnTitles()
{
    QStringList titles;
    for (const char* title : DialogText::SurveyListColumns)
        titles << QString::fromLatin1(title);
    return titles;
}

QString SurveyCellText(const FieldValue& value)
{
    switch (value.type()) {
    case FieldValue::Type::Int16:
    case FieldValue::Type::Int32:
        return QString::number(value.integer());
    case FieldValue::Type::Float:
    case FieldValue::Type::Double:
        return Format(QStringLiteral("%.16g"), {value.real()});
    case FieldValue::Type::DateTime: {
        // The wall clock as stored, shown in the user's short format but
        // with the year in four digits, so that no date is read in the
        // wrong century; no time zone takes part, so no stored time is
        // shifted or lost.
        const WallClock& t = value.dateTime();
        const QDateTime shown(t.date(), QTime(t.hour, t.minute, t.second), Qt::UTC);
        if (!shown.isValid())
            return QString::fromLatin1(DialogText::InvalidDateTime);
        static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
        const QLocale locale;
        QString format = locale.dateTimeFormat(QLocale::ShortFormat);
        format.replace(twoDigitYear, QStringLiteral("yyyy"));
        return locale.toString(shown, format);
    }
    case FieldValue::Type::String:
        return value.text();
    case FieldValue::Type::Bool:
        return LoadText(value.integer() ? StringId::Yes : StringId::No);
    default:
        return {};
    }
}

QString StorageKindText(const FieldValue& interviewStorage)
{
    if (!interviewStorage.isNull()) {
        const long long kind = interviewStorage.toInt64();
        if (kind == 1)
            return QString::fromLatin1(DialogText::Legacy);
        if (kind == 2)
            return QString::fromLatin1(DialogText::New);
    }
    return QString::fromLatin1(DialogText::None);
}

void LoadSurveyList(Connection& callCenter, const std::function<void(const SurveyListRow&)>& onRow)
{
    const bool history = Catalog(callCenter).FindTable(QStringLiteral("CleaningHistory")).has_value();
    const QString never = QString::fromLatin1(DialogText::Never);
    for (Result rows(callCenter, history ? SurveyListSql() : SurveyListWithoutHistorySql()); rows.Next();) {
        SurveyListRow row;
        const FieldValue& id = rows.Value(0);
        row.id = static_cast<quint32>(id.toInt64());
        row.cells << SurveyCellText(id) << SurveyCellText(rows.Value(QStringLiteral("SurveyTitle")))
                  << StorageKindText(rows.Value(QStringLiteral("InterviewStorage")))
                  << SurveyCellText(rows.Value(QStringLiteral("Deleted")));
        for (const char* column : {"StatsCleaned", "SurveysCleaned", "WebInterviewsCleaned", "ListsCleaned"}) {
            const FieldValue& cleaned = rows.Value(QLatin1String(column));
            row.cells << (cleaned.isNull() ? never : SurveyCellText(cleaned));
        }
        onRow(row);
    }
}

RunOutcome ReadSurveyList(const CleanupSettings& settings, Feedback& feedback,
                          const std::function<void(const SurveyListRow&)>& onRow)
{
    RunOutcome outcome;
    try {
        const ReadOnlyOpening readOnly; // the list only reads
        auto connection = OpenDatabase(settings.callCenterSrc, DatabaseRole::CallCentre);
        LoadSurveyList(*connection, onRow);
    } catch (const DatabaseError& e) {
        ReportFailure(feedback, outcome, QLatin1String(ReportContext::SurveySelection), e);
    }
    return outcome;
}

SurveyChoice ChooseSurveys(const std::vector<SurveyListRow>& list, const std::vector<qint32>& ids)
{
    SurveyChoice choice;
    std::vector<SurveyListRow> chosen;
    for (const SurveyListRow& row : list)
        if (std::find(ids.begin(), ids.end(), static_cast<qint32>(row.id)) != ids.end())
            chosen.push_back(row);
    for (const qint32 id : ids) {
        const bool known = std::any_of(chosen.begin(), chosen.end(),
                                       [id](const SurveyListRow& row) { return static_cast<qint32>(row.id) == id; });
        if (!known)
            choice.unknownIds.push_back(id);
    }
    choice.selection = SelectionOf(chosen);
    return choice;
}

SurveySelection SelectionOf(const std::vector<SurveyListRow>& selectedRows)
{
    SurveySelection selection;
    for (const SurveyListRow& row : selectedRows) {
        selection.surveyNames.insert(row.cells.value(1));
        const QString storage = row.cells.value(2);
        if (storage == QLatin1String(DialogText::Legacy))
            selection.legacySurveyIds.push_back(row.id);
        else if (storage == QLatin1String(DialogText::New))
            selection.newSurveyIds.push_back(row.id);
    }
    return selection;
}

} // namespace qel
