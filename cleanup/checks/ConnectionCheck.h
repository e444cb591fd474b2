#pragma once

#include "core/CleanupSettings.h"
#include "core/Feedback.h"

#include <QString>

#include <vector>

namespace qel {

// How one setting's database answered a connection check.
struct ConnectionCheck {
    enum class Result {
        Open,          // it opened
        Failed,        // it did not, or the setting cannot be used as it is
        NotUsed,       // no backup is chosen, so no backup target is reached
        CreatedByRun,  // a SQLite backup file not there yet, which the first clean-up with a backup creates
    };

    QString setting;  // the settings key: CallCenterSrc, ..., StatTgt or AccessTgt
    QString database; // the database it reaches, in words without a password; empty when it names none
    Result result = Result::Open;
    QString problem;  // why it failed: the driver's words and their source

    bool ok() const { return result != Result::Failed; }
};

// Opens the database of each of the six connection strings and the backup
// target the settings choose, one after the other, and answers how each
// answered. Nothing is created or written anywhere: every SQLite file is
// opened read-only, no database that a setting names is created when it is
// missing, and a backup file not there yet is only looked for (the first
// clean-up that copies into it creates it); no statement is sent. The
// feedback shows which setting is being opened.
std::vector<ConnectionCheck> CheckConnections(const CleanupSettings& settings, Feedback& feedback);

// One setting's answer as a line: "ListDB: OK, the SQLite file /data/lists.db"
// or "StatSrc: FAILED, server db01, database Stats: Login failed for user
// 'cleanup'. (FreeTDS SQL Server)".
QString ConnectionCheckText(const ConnectionCheck& check);

} // namespace qel
