#include "cleanup/RunRecord.h"

#include "db/ParsedConnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>

namespace qel {

namespace {

QString ResultName(RunOutcome::Result result)
{
    switch (result) {
    case RunOutcome::Result::Completed: return QStringLiteral("completed");
    case RunOutcome::Result::Stopped: return QStringLiteral("stopped");
    case RunOutcome::Result::Failed: return QStringLiteral("failed");
    }
    return QString();
}

QJsonObject SettingsJson(const CleanupSettings& settings)
{
    QJsonObject json;
    for (const SettingDefinition& setting : SettingDefinitions()) {
        const QString key = QLatin1String(setting.key);
        if (setting.text)
            json.insert(key, MaskPasswords(settings.*setting.text));
        else
            json.insert(key, settings.*setting.number);
    }
    return json;
}

QString Timestamp(const QDateTime& time)
{
    return time.isValid() ? time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs) : QString();
}

} // namespace

QJsonObject RunRecord::ToJson() const
{
    QJsonObject json;
    json.insert(QStringLiteral("command"), command);
    json.insert(QStringLiteral("frontEnd"), frontEnd);
    json.insert(QStringLiteral("dryRun"), dryRun);
    json.insert(QStringLiteral("settings"), SettingsJson(settings));
    if (cutoff.isValid())
        json.insert(QStringLiteral("before"), cutoff.toString(Qt::ISODate));
    if (!surveyIds.empty()) {
        QJsonArray ids;
        for (const qint32 id : surveyIds)
            ids.append(id);
        json.insert(QStringLiteral("surveyIds"), ids);
        json.insert(QStringLiteral("kinds"), QJsonArray::fromStringList(kinds));
    }
    json.insert(QStringLiteral("started"), Timestamp(started));
    json.insert(QStringLiteral("ended"), Timestamp(ended));
    QJsonArray tableArray;
    for (const RunOutcome::Table& entry : outcome.tables)
        tableArray.append(QJsonObject{{QStringLiteral("table"), entry.table},
                                      {QStringLiteral("deleted"), entry.deleted},
                                      {QStringLiteral("copied"), entry.copied},
                                      {QStringLiteral("seconds"), entry.seconds}});
    json.insert(QStringLiteral("tables"), tableArray);
    json.insert(QStringLiteral("deleted"), outcome.deletedRows());
    json.insert(QStringLiteral("droppedTables"), QJsonArray::fromStringList(outcome.droppedTables));
    json.insert(QStringLiteral("outcome"), ResultName(outcome.result));
    if (!outcome.error.isEmpty())
        json.insert(QStringLiteral("error"), outcome.error);
    return json;
}

RunRecord BeginRunRecord(const QString& command, const QString& frontEnd, const CleanupSettings& settings)
{
    RunRecord record;
    record.command = command;
    record.frontEnd = frontEnd;
    record.settings = settings;
    record.started = QDateTime::currentDateTime();
    return record;
}

QString MaskPasswords(const QString& connectionString)
{
    return ParsedConnection(connectionString).masked();
}

QString RunLogPath()
{
    // The generic folder, not the program's own, so that the window and the
    // command line, which carry different application names, share one log.
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(base).filePath(QStringLiteral("Marvolen/QelCleanup/runs.jsonl"));
}

bool AppendToRunLog(RunRecord& record, QString* error)
{
    if (!record.ended.isValid())
        record.ended = QDateTime::currentDateTime();
    const QString path = RunLogPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile log(path);
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append)) {
        if (error)
            *error = QStringLiteral("cannot write the run log %1: %2").arg(QDir::toNativeSeparators(path), log.errorString());
        return false;
    }
    // One write of one line: where appending is atomic (POSIX), runs
    // appending at once keep their lines whole.
    const QByteArray line = QJsonDocument(record.ToJson()).toJson(QJsonDocument::Compact) + '\n';
    if (log.write(line) != line.size()) {
        if (error)
            *error = QStringLiteral("cannot write the run log %1: %2").arg(QDir::toNativeSeparators(path), log.errorString());
        return false;
    }
    return true;
}

bool WriteRunReport(const RunRecord& record, const QString& path, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(record.ToJson()).toJson(QJsonDocument::Indented)) < 0
        || !file.commit()) {
        if (error)
            *error = QStringLiteral("cannot write the report %1: %2").arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    return true;
}

} // namespace qel
