#include "cleanup/surveys/CleaningHistory.h"

#include "core/Format.h"

namespace qel {

QString CreateCleaningHistorySql(const Dialect& dialect)
{
    if (dialect.kind() == Dialect::Kind::SQLite)
        return QStringLiteral("CREATE TABLE IF NOT EXISTS CleaningHistory (SurveyID int NOT NULL, StatsCleaned datetime NULL, "
                              "SurveysCleaned datetime NULL, WebInterviewsCleaned datetime NULL, ListsCleaned datetime NULL)");
    return QStringLiteral("IF OBJECT_ID(N'CleaningHistory', N'U') IS NULL\n"
                          "BEGIN\n"
                          "CREATE TABLE CleaningHistory ("
                          "[SurveyID] [int] NOT NULL,"
                          "[StatsCleaned][datetime] NULL,"
                          "[SurveysCleaned][datetime] NULL,"
                          "[WebInterviewsCleaned][datetime] NULL,"
                          "[ListsCleaned][datetime] NULL,"
                          ")\n"
                          "END\n");
}

QStringList CleaningHistoryStatements(const Dialect& dialect, qint32 surveyId, const CleanOptions& options)
{
    const QString now = dialect.CurrentTimeExpression();
    const std::pair<bool, const char*> columns[] = {{options.stats, "StatsCleaned"},
                                                    {options.surveys, "SurveysCleaned"},
                                                    {options.webInterviews, "WebInterviewsCleaned"},
                                                    {options.lists, "ListsCleaned"}};
    QString setList;
    QString valuesList;
    for (const auto& [chosen, column] : columns) {
        if (chosen)
            setList += QStringLiteral(",%1 = %2").arg(QLatin1String(column), now);
        valuesList += chosen ? QStringLiteral(", ") + now : QStringLiteral(", NULL");
    }
    setList.remove(0, 1); // the leading comma

    const QString id = Format(QStringLiteral("%d"), {surveyId});
    const QString update = QStringLiteral("UPDATE CleaningHistory SET ") + setList + QStringLiteral(" WHERE SurveyID = ") + id;
    const QString insertInto =
        QStringLiteral("INSERT INTO CleaningHistory(SurveyID, StatsCleaned, SurveysCleaned, WebInterviewsCleaned, ListsCleaned)");
    if (dialect.kind() == Dialect::Kind::SQLite)
        return {update, insertInto + QStringLiteral(" SELECT ") + id + valuesList
                            + QStringLiteral(" WHERE NOT EXISTS (SELECT * FROM CleaningHistory WHERE SurveyID = ") + id
                            + QStringLiteral(")")};
    return {QStringLiteral("IF EXISTS(SELECT * FROM CleaningHistory WHERE SurveyID = ") + id + QStringLiteral(")\n")
            + QStringLiteral("BEGIN\n") + update + QStringLiteral("\n") + QStringLiteral("END\n") + QStringLiteral("ELSE\n")
            + QStringLiteral("BEGIN\n") + insertInto + QStringLiteral("\n") + QStringLiteral("VALUES(") + id + valuesList
            + QStringLiteral(")\n") + QStringLiteral("END\n")};
}

QString SurveyListSql()
{
    return QStringLiteral("Select Surveys.SurveyID, SurveyTitle, InterviewStorage, Deleted, StatsCleaned, SurveysCleaned, "
                          "WebInterviewsCleaned, ListsCleaned")
        + QStringLiteral(" FROM Surveys Left Join CleaningHistory On Surveys.SurveyID = CleaningHistory.SurveyID ORDER BY "
                         "Surveys.SurveyID");
}

QString SurveyListWithoutHistorySql()
{
    return QStringLiteral("Select SurveyID, SurveyTitle, InterviewStorage, Deleted, NULL AS StatsCleaned, NULL AS SurveysCleaned, "
                          "NULL AS WebInterviewsCleaned, NULL AS ListsCleaned FROM Surveys ORDER BY SurveyID");
}

} // namespace qel
