#include "cleanup/transfer/StatisticsCatalogue.h"

namespace qel {

namespace {

const std::vector<CleanupStep>& ByCallSteps()
{
    static const std::vector<CleanupStep> steps = {
        {"Statistic_Agent", StepRule::ByCall, "", false},
        {"Statistic_ExternalNumber", StepRule::ByCall, "", true},
        {"Statistic_InboundGroup", StepRule::ByCall, "", true},
        {"Statistic_Location", StepRule::ByCall, "", false},
        {"Statistic_OutboundGroup", StepRule::ByCall, "", false},
        {"Statistic_Project", StepRule::ByCall, "", true},
        {"Statistic_RoutePath", StepRule::ByCall, "", false},
        {"Statistic_Transfer", StepRule::ByCall, "", true},
        {"Statistic_TransferMC", StepRule::ByCall, "1", true},
    };
    return steps;
}

std::vector<CleanupStep> Concatenate(std::initializer_list<std::vector<CleanupStep>> parts)
{
    std::vector<CleanupStep> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

} // namespace

const std::vector<CleanupStep>& ReferenceTableSteps()
{
    static const std::vector<CleanupStep> steps = {
        {"Agents", StepRule::Whole, "", false},
        {"Surveys", StepRule::Whole, "", false},
        {"Lists", StepRule::Whole, "", false},
    };
    return steps;
}

const std::vector<CleanupStep>& DateCleanupSteps()
{
    static const std::vector<CleanupStep> steps = Concatenate({
        ByCallSteps(),
        {
            {"Statistic_Call", StepRule::ByDate, "Start_Time", false},
            {"Statistic_Alarms", StepRule::ByDate, "Time", false},
            {"Statistic_KeyIn", StepRule::ByDate, "StartTime", false},
            {"Statistic_Pause", StepRule::ByDate, "Start_Time", false},
            {"Statistic_Session", StepRule::ByDate, "StartTime", false},
            {"Statistic_SessionSupervisor", StepRule::ByDate, "StartTime", false},
            {"Statistic_WebInterview", StepRule::ByDate, "StartTime", false},
            {"Statistic_WebInterviewEvent", StepRule::ByDate, "EventTime", false},
            {"Statistic_WebInterviewSession", StepRule::ByDate, "StartTime", false},
            {"Statistic_GroupMembership", StepRule::ByDate, "EventTime", false},
            {"Statistic_Messages", StepRule::ByDate, "MessageTime", false},
            {"Statistic_Predictive", StepRule::ByDate, "StartTime", false},
            {"Statistic_SessionAPI", StepRule::ByDate, "StartTime", false},
        },
        ReferenceTableSteps(),
    });
    return steps;
}

const std::vector<CleanupStep>& SurveyCleanupSteps()
{
    static const std::vector<CleanupStep> steps = Concatenate({
        ByCallSteps(),
        {
            {"Statistic_Call", StepRule::BySurvey, "TaskID", false},
            {"Statistic_Alarms", StepRule::BySurvey, "SurveyID", false},
            {"Statistic_KeyIn", StepRule::BySurvey, "TaskID", false},
            {"Statistic_Pause", StepRule::BySurvey, "OutboundSurveyID", false},
            {"Statistic_Session", StepRule::BySurvey, "OutboundTaskID", false},
            {"Statistic_WebInterview", StepRule::BySurvey, "TaskID", false},
            {"Statistic_WebInterviewEvent", StepRule::BySurvey, "TaskID", false},
            {"Statistic_WebInterviewSession", StepRule::BySurvey, "TaskID", false},
        },
    });
    return steps;
}

QString ConditionColumn(const CleanupStep& step)
{
    return step.rule == StepRule::ByCall ? QStringLiteral("CallID") + step.column : step.column;
}

QStringList MovedTables(const std::vector<CleanupStep>& steps, bool sqlOnlySteps)
{
    QStringList tables;
    for (const CleanupStep& step : steps)
        if (step.rule != StepRule::Whole && (!step.sqlOnly || sqlOnlySteps) && !tables.contains(step.table))
            tables << step.table;
    return tables;
}

} // namespace qel
