#pragma once

#include "cleanup/RunOutcome.h"
#include "core/CleanupSettings.h"

#include <QDate>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <vector>

namespace qel {

// What one clean-up did, for the run report (--report) and the run log that
// every clean-up, from the window or the command line, appends to: the
// command and what it was given, as the front end fills them in, and the
// outcome the operation answered.
struct RunRecord {
    QString command;   // "by-date", "by-survey", "surveys", "lists", "web-interviews"
    QString frontEnd;  // "command line" or "window"
    bool dryRun = false;
    CleanupSettings settings;
    QDate cutoff;                      // by-date
    std::vector<qint32> surveyIds;     // by-survey
    QStringList kinds;                 // by-survey: "stats", "surveys", "web-interviews", "lists"
    QDateTime started;
    QDateTime ended;
    RunOutcome outcome;

    // The record as one JSON object; passwords in the settings are masked.
    QJsonObject ToJson() const;
};

// A record of a command begun now.
RunRecord BeginRunRecord(const QString& command, const QString& frontEnd, const CleanupSettings& settings);

// The connection string with the value of every password key (PWD,
// Password, ...) replaced by "***".
QString MaskPasswords(const QString& connectionString);

// The run log: one JSON line per run, in the user's application data
// folder (on Linux $XDG_DATA_HOME/Marvolen/QelCleanup/runs.jsonl).
QString RunLogPath();

// Sets the end time and appends the record to the run log; false, with the
// reason, when the log cannot be written.
bool AppendToRunLog(RunRecord& record, QString* error = nullptr);

// Writes the record as an indented JSON document to the file.
bool WriteRunReport(const RunRecord& record, const QString& path, QString* error = nullptr);

} // namespace qel
