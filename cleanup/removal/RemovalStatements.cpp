#include "cleanup/removal/RemovalStatements.h"

#include "core/Format.h"

namespace qel::RemovalStatements {

QString DeletedSurveys()
{
    return QStringLiteral("Select SurveyID, InterviewStorage From Surveys Where Deleted <> 0");
}

QString DeletedLists()
{
    return QStringLiteral("Select ListID from Lists Where Deleted <> 0");
}

std::optional<QString> ListsOfSurveys(const IdentifierArray& surveyIds)
{
    if (surveyIds.empty())
        return std::nullopt;
    QString idText;
    for (std::size_t i = 0; i < surveyIds.size(); ++i)
        idText += Format(QString::fromLatin1(i == 0 ? "%d" : ",%d"), {static_cast<qint32>(surveyIds[i])});
    return Format(QStringLiteral("Select ListID from Lists Where SurveyID IN (%s)"), {idText});
}

QString SurveyTitles()
{
    return QStringLiteral("Select SurveyID,SurveyTitle,Deleted from Surveys Where (SurveyID >0)");
}

QString WebSurveyNames()
{
    return QStringLiteral("Select strExtName from WP_Survey");
}

} // namespace qel::RemovalStatements
