#pragma once

#include "core/CleanupSettings.h"
#include "core/Feedback.h"

#include <QDate>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <vector>

namespace qel {

// What one clean-up did, for the run report (--report) and the run log that
// every clean-up, from the window or the command line, appends to. The
// front end fills in the command and what it was given; the operations add
// each table's rows and seconds and every table dropped; RunRecordFeedback
// notes the outcome from the messages the run ends with.
struct RunRecord {
    enum class Outcome { Completed, Stopped, Failed };

    struct Table {
        QString table;
        long long deleted = 0; // rows that left the table
        long long copied = 0;  // rows that arrived in the backup
        double seconds = 0;
    };

    QString command;   // "by-date", "by-survey", "surveys", "lists", "web-interviews"
    QString frontEnd;  // "command line" or "window"
    bool dryRun = false;
    CleanupSettings settings;
    QDate cutoff;                      // by-date
    std::vector<qint32> surveyIds;     // by-survey
    QStringList kinds;                 // by-survey: "stats", "surveys", "web-interviews", "lists"
    QDateTime started;
    QDateTime ended;
    std::vector<Table> tables;
    QStringList droppedTables;
    Outcome outcome = Outcome::Completed;
    QString error;

    // The entry of a table, added at the end the first time.
    Table& TableEntry(const QString& table);
    long long deletedRows() const;

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

// Passes everything on to the front end's feedback and notes in the record
// how the run ended: the first database-error report makes it failed, a
// stop message stopped.
class RunRecordFeedback : public Feedback {
public:
    RunRecordFeedback(Feedback& inner, RunRecord& record) : inner_(inner), record_(record) {}

    void ShowStatus(const QString& text) override { inner_.ShowStatus(text); }
    void ShowProgress(const TableProgress& progress) override { inner_.ShowProgress(progress); }
    void PumpMessages() override { inner_.PumpMessages(); }
    void ShowMessage(const QString& text, MessageKind kind) override;

private:
    Feedback& inner_;
    RunRecord& record_;
};

} // namespace qel
