#include "cleanup/Databases.h"

namespace qel {

const char* SettingKeyOf(DatabaseRole role)
{
    switch (role) {
    case DatabaseRole::CallCentre: return "CallCenterSrc";
    case DatabaseRole::Statistics: return "StatSrc";
    case DatabaseRole::Surveys: return "SurveyDB";
    case DatabaseRole::WebInterviews: return "WebInterviewDB";
    case DatabaseRole::WebProduction: return "WebProdDB";
    case DatabaseRole::Lists: return "ListDB";
    case DatabaseRole::BackupTarget: return "StatTgt";
    }
    return "";
}

std::unique_ptr<Connection> OpenDatabase(const QString& connectionString, DatabaseRole role,
                                         std::optional<int> commandTimeout)
{
    (void)role;
    return Connection::Open(connectionString, commandTimeout);
}

} // namespace qel
