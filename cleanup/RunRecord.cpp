#include "cleanup/RunRecord.h"

#include "db/ConnectionString.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>

namespace qel {

RunRecord::Table& RunRecord::TableEntry(const QString& table)
{
    for (Table& entry : tables)
        if (entry.table == table)
            return entry;
    tables.push_back(Table{table});
    return tables.back();
}

long long RunRecord::deletedRows() const
{
    long long rows = 0;
    for (const Table& entry : tables)
        rows += entry.deleted;
    return rows;
}

namespace {

QString OutcomeName(RunRecord::Outcome outcome)
{
    switch (outcome) {
    case RunRecord::Outcome::Completed: return QStringLiteral("completed");
    case RunRecord::Outcome::Stopped: return QStringLiteral("stopped");
    case RunRecord::Outcome::Failed: return QStringLiteral("failed");
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

bool IsPasswordKey(const QString& key)
{
    // A key read after text the parser passed over ("x;PWD") is the last
    // part of it.
    const QString k = key.section(QLatin1Char(';'), -1).trimmed();
    return k.compare(QLatin1String("PWD"), Qt::CaseInsensitive) == 0
        || k.contains(QLatin1String("password"), Qt::CaseInsensitive);
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
    for (const Table& entry : tables)
        tableArray.append(QJsonObject{{QStringLiteral("table"), entry.table},
                                      {QStringLiteral("deleted"), entry.deleted},
                                      {QStringLiteral("copied"), entry.copied},
                                      {QStringLiteral("seconds"), entry.seconds}});
    json.insert(QStringLiteral("tables"), tableArray);
    json.insert(QStringLiteral("deleted"), deletedRows());
    json.insert(QStringLiteral("droppedTables"), QJsonArray::fromStringList(droppedTables));
    json.insert(QStringLiteral("outcome"), OutcomeName(outcome));
    if (!error.isEmpty())
        json.insert(QStringLiteral("error"), error);
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
    const ConnectionString parsed = ConnectionString::Parse(connectionString);
    bool masked = false;
    QStringList pairs;
    for (const auto& [key, value] : parsed.pairs()) {
        const bool secret = IsPasswordKey(key);
        masked = masked || secret;
        pairs << OdbcPair(key, secret ? QStringLiteral("***") : value);
    }
    // A string without a password stays as written.
    return masked ? pairs.join(QLatin1Char(';')) : connectionString;
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

void RunRecordFeedback::ShowMessage(const QString& text, MessageKind kind)
{
    if ((kind == MessageKind::DatabaseError || kind == MessageKind::Refused)
        && record_.outcome != RunRecord::Outcome::Failed) {
        record_.outcome = RunRecord::Outcome::Failed;
        record_.error = text;
    } else if (kind == MessageKind::Stopped && record_.outcome == RunRecord::Outcome::Completed) {
        record_.outcome = RunRecord::Outcome::Stopped;
    }
    inner_.ShowMessage(text, kind);
}

} // namespace qel
