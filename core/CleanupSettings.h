#pragma once

#include <QString>
#include <QtGlobal>

#include <vector>

namespace qel {

// The stored settings of the tool: six connection strings, the backup
// target, the command time-out, and the two integer options. The members
// are named after their settings keys.
struct CleanupSettings {
    QString callCenterSrc;  // call-centre database
    QString statSrc;        // statistics database
    QString timeout = QStringLiteral("300"); // SQL command time-out in seconds, as typed
    qint32 sourceSQL = 1;   // non-zero: the statistics database speaks SQL Server's dialect
    QString statTgt;        // backup target database
    QString accessTgt;      // backup target file when backupType is 2
    QString listDB;         // list database
    qint32 backupType = 0;  // 0: no backup; 2: into accessTgt; other: into statTgt
    QString surveyDB;       // surveys database
    QString webInterviewDB; // web-interviews database
    QString webProdDB;      // web production database
    qint32 batchSize = kDefaultBatchSize; // rows per batch of a delete; 0: one statement per table

    // Under the 5,000 locks at which SQL Server turns a statement's row
    // locks into a lock of the whole table.
    static constexpr qint32 kDefaultBatchSize = 4000;
};

// One stored setting: its key and the member that holds it, a text or an
// integer.
struct SettingDefinition {
    const char* key;
    QString CleanupSettings::*text = nullptr;
    qint32 CleanupSettings::*number = nullptr;
};

// Every setting, in the order the store writes them; the texts are read in
// the same order.
const std::vector<SettingDefinition>& SettingDefinitions();

// The definition of a key, compared without letter case; null for none.
const SettingDefinition* FindSetting(const QString& key);

} // namespace qel
