#include "cli/CommandLine.h"

#include "cleanup/CleanupOperations.h"
#include "cleanup/Databases.h"
#include "cleanup/ErrorReport.h"
#include "cleanup/RunRecord.h"
#include "cleanup/SettingsCheck.h"
#include "cleanup/SurveyList.h"
#include "cli/ConsoleFeedback.h"
#include "cli/StopSignals.h"
#include "cli/Terminal.h"
#include "core/SettingsStore.h"
#include "core/Version.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Result.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <optional>
#include <set>

namespace qel {

namespace {

enum ExitStatus { kCompleted = 0, kDatabaseError = 1, kUsageError = 2, kStopped = 3 };

const QStringList kCommands = {QStringLiteral("by-date"),        QStringLiteral("by-survey"),
                               QStringLiteral("surveys"),        QStringLiteral("lists"),
                               QStringLiteral("web-interviews"), QStringLiteral("list-surveys")};
const QStringList kSwitches = {QStringLiteral("--set"), QStringLiteral("--save"), QStringLiteral("--verbose"), QStringLiteral("--dry-run"), QStringLiteral("--report"),
                               QStringLiteral("--allow-future"),
                               QStringLiteral("--help"), QStringLiteral("-h"), QStringLiteral("--help-all"),
                               QStringLiteral("--version"), QStringLiteral("-v")};

void PrintError(const QString& text)
{
    WriteText(stderr, QStringLiteral("qelcleanup: ") + text + QLatin1Char('\n'));
}

int UsageError(const QString& text)
{
    PrintError(text);
    WriteText(stderr, QStringLiteral("Try 'qelcleanup --help' for more information.\n"));
    return kUsageError;
}

// Sets one of the settings for this run; false for an unknown key or a
// value the setting cannot take.
bool ApplySetting(CleanupSettings& settings, const QString& assignment, QString& error)
{
    const qsizetype eq = assignment.indexOf(QLatin1Char('='));
    if (eq <= 0) {
        error = QStringLiteral("--set takes KEY=VALUE, not '%1'").arg(assignment);
        return false;
    }
    const QString key = assignment.left(eq).trimmed();
    const QString value = assignment.mid(eq + 1);
    const SettingDefinition* setting = FindSetting(key);
    if (!setting) {
        QStringList keys;
        for (const SettingDefinition& known : SettingDefinitions())
            keys << QLatin1String(known.key);
        error = QStringLiteral("unknown setting '%1' (the settings are %2)").arg(key, keys.join(QStringLiteral(", ")));
        return false;
    }
    error = SettingValueProblem(*setting, value);
    if (!error.isEmpty())
        return false;
    if (setting->text)
        settings.*setting->text = value;
    else
        settings.*setting->number = value.trimmed().toInt();
    return true;
}

// "1,2,3" as identifiers; false when any part is not a whole number.
bool ParseIdentifiers(const QString& text, std::vector<qint32>& ids)
{
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int id = part.trimmed().toInt(&ok);
        if (!ok)
            return false;
        ids.push_back(id);
    }
    return !ids.empty();
}

void PrintSurveyTable(const std::vector<SurveyListRow>& rows)
{
    QStringList titles = SurveyListColumnTitles();
    std::vector<int> widths;
    for (const QString& t : titles)
        widths.push_back(static_cast<int>(t.size()));
    for (const auto& row : rows)
        for (int i = 0; i < row.cells.size() && i < static_cast<int>(widths.size()); ++i)
            widths[static_cast<std::size_t>(i)] = std::max(widths[static_cast<std::size_t>(i)], static_cast<int>(row.cells[i].size()));
    auto line = [&](const QStringList& cells) {
        QString text;
        for (int i = 0; i < cells.size(); ++i)
            text += (i ? QStringLiteral("  ") : QString()) + cells[i].leftJustified(widths[static_cast<std::size_t>(i)]);
        WriteText(stdout, text.trimmed() + QLatin1Char('\n'));
    };
    line(titles);
    for (const auto& row : rows)
        line(row.cells);
}

int ListSurveys(const CleanupSettings& settings, Feedback& feedback)
{
    std::vector<SurveyListRow> rows;
    // The list only reads: a copy of the database without write access
    // serves as well, and a missing history reads as never cleaned.
    const ReadOnlyOpening readOnly;
    try {
        auto connection = OpenDatabase(settings.callCenterSrc, DatabaseRole::CallCentre);
        LoadSurveyList(*connection, [&](const SurveyListRow& row) { rows.push_back(row); });
    } catch (const DatabaseError& e) {
        ReportDatabaseError(feedback, QLatin1String(ReportContext::SurveySelection), e);
        PrintSurveyTable(rows); // what was read before the failure, as the dialog shows it
        return kDatabaseError;
    }
    PrintSurveyTable(rows);
    return kCompleted;
}

// What a dry run found, on standard output; a run that would refuse to
// start fails the dry run the same way, on standard error.
void PrintPreview(const CleanupPreview& preview, bool statistics, Feedback& feedback)
{
    if (preview.refusal) {
        ReportDatabaseError(feedback, QLatin1String(ReportContext::DateOrSurveyCleanup), *preview.refusal);
        return;
    }
    for (const CleanupPreview::Table& table : preview.tables) {
        if (table.wholeCopy)
            WriteText(stdout, QStringLiteral("%1: %2 records would be copied into the backup\n").arg(table.table).arg(table.rows));
        else
            WriteText(stdout, QStringLiteral("%1: %2 records would be deleted%3\n")
                                  .arg(table.table)
                                  .arg(table.rows)
                                  .arg(preview.backup ? QStringLiteral(", each copied into the backup first") : QString()));
    }
    if (statistics) {
        WriteText(stdout, QStringLiteral("Total: %1 records would be deleted\n").arg(preview.deletedRows()));
        if (preview.backup)
            WriteText(stdout, QStringLiteral("Backup: %1\n").arg(preview.backupTarget));
    }
    for (const QString& table : preview.droppedTables)
        WriteText(stdout, QStringLiteral("Table to drop: %1\n").arg(table));
    if (!statistics || !preview.droppedTables.isEmpty())
        WriteText(stdout, QStringLiteral("%1 tables would be dropped\n").arg(preview.droppedTables.size()));
    WriteText(stdout, QStringLiteral("Dry run: nothing was changed.\n"));
}

QString HelpEpilogue(const SettingsStore& store)
{
#ifdef QEL_WITH_WINDOW
    const QString withoutCommand = QStringLiteral("Without a command the program opens the QelCleanup window.");
#else
    const QString withoutCommand = QStringLiteral("This qelcleanup was built without the window: give a command.");
#endif
    return QStringLiteral("\n%1\n"
                          "Settings: %2\n"
                          "Run log: %3 (one line per clean-up)\n"
                          "\nExit status:\n"
                          "  0  the clean-up completed (or the dry run, or the survey list)\n"
                          "  1  a database error was reported\n"
                          "  2  usage error: unknown command, option or setting, a setting's value or backup "
                          "target it cannot run with, bad date or identifiers, a removal date after today "
                          "without --allow-future, by-survey without a kind to clean, no command where no "
                          "window can open; nothing was touched\n"
                          "  3  stopped by Ctrl-C or SIGTERM after a whole batch; a rerun carries on\n")
        .arg(withoutCommand, QDir::toNativeSeparators(store.location()), QDir::toNativeSeparators(RunLogPath()));
}

} // namespace

int ReportNoWindow(NoWindow reason)
{
    if (reason == NoWindow::NotBuilt)
        return UsageError(QStringLiteral("this qelcleanup was built without the window; give a command to run"));
    return UsageError(QStringLiteral("no display to show the window on; give a command to run without one"));
}

bool IsCommandLineRun(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return IsCommandLineRun(arguments);
}

bool IsCommandLineRun(const QStringList& arguments)
{
    if (arguments.size() < 2)
        return false;
    const QString first = arguments.at(1);
    if (!first.startsWith(QLatin1Char('-')))
        return true;
    const QString name = first.section(QLatin1Char('='), 0, 0);
    return kSwitches.contains(name);
}

int RunCommandLine(int argc, char** argv)
{
    // The arguments are read again through the application object, in full
    // Unicode.
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    QCoreApplication::setApplicationName(QStringLiteral("qelcleanup"));
    QCoreApplication::setApplicationVersion(QLatin1String(kVersion));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Cleans the contact centre's databases with the settings of the QelCleanup window.\n\n"
        "Commands:\n"
        "  by-date          delete statistics rows older than the removal date\n"
        "  by-survey        clean the surveys given by --ids, kind by kind\n"
        "  surveys          drop the data tables of surveys marked deleted\n"
        "  lists            drop the tables of calling lists marked deleted\n"
        "  web-interviews   drop the web-interview tables of titles no longer in use\n"
        "  list-surveys     show every survey with its cleaning dates"));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption setOption(QStringLiteral("set"),
                                       QStringLiteral("Use VALUE for the setting KEY in this run only (repeatable)."),
                                       QStringLiteral("KEY=VALUE"));
    const QCommandLineOption saveOption(QStringLiteral("save"), QStringLiteral("Store the settings, as the window's commands do."));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"),
                                           QStringLiteral("Show progress on standard error also when it is not a terminal."));
    const QCommandLineOption beforeOption(QStringLiteral("before"),
                                          QStringLiteral("by-date: remove data before this day (default: 90 days ago)."),
                                          QStringLiteral("YYYY-MM-DD"));
    const QCommandLineOption allowFutureOption(QStringLiteral("allow-future"),
                                               QStringLiteral("by-date: accept a --before day after today, which "
                                                              "deletes today's statistics too."));
    const QCommandLineOption idsOption(QStringLiteral("ids"), QStringLiteral("by-survey: the surveys to clean."),
                                       QStringLiteral("ID,ID,..."));
    const QCommandLineOption statsOption(QStringLiteral("stats"), QStringLiteral("by-survey: delete their statistics rows."));
    const QCommandLineOption surveysOption(QStringLiteral("surveys"), QStringLiteral("by-survey: drop their interview data tables."));
    const QCommandLineOption webOption(QStringLiteral("web-interviews"),
                                       QStringLiteral("by-survey: drop their web-interview tables."));
    const QCommandLineOption listsOption(QStringLiteral("lists"), QStringLiteral("by-survey: drop their calling-list tables."));
    const QCommandLineOption dryRunOption(QStringLiteral("dry-run"),
                                          QStringLiteral("Show what the command would delete, copy and drop, and change "
                                                         "nothing."));
    const QCommandLineOption reportOption(QStringLiteral("report"),
                                          QStringLiteral("Write what the run did to FILE as JSON (passwords masked)."),
                                          QStringLiteral("FILE"));
    parser.addOptions({setOption, saveOption, verboseOption, dryRunOption, reportOption, beforeOption, allowFutureOption,
                       idsOption, statsOption, surveysOption, webOption, listsOption});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("The clean-up to run (see above)."));

    if (!parser.parse(arguments))
        return UsageError(parser.errorText());
    if (parser.isSet(helpOption)) {
        WriteText(stdout, parser.helpText() + HelpEpilogue(SettingsStore()));
        return kCompleted;
    }
    if (parser.isSet(versionOption)) {
        WriteText(stdout, QStringLiteral("qelcleanup %1\n").arg(QLatin1String(kVersion)));
        return kCompleted;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return UsageError(positional.isEmpty() ? QStringLiteral("no command given")
                                               : QStringLiteral("one command at a time, not '%1'").arg(positional.join(QLatin1Char(' '))));
    const QString command = positional.first();
    if (!kCommands.contains(command))
        return UsageError(QStringLiteral("unknown command '%1'").arg(command));

    const bool bySurvey = command == QLatin1String("by-survey");
    for (const auto* option : {&beforeOption, &allowFutureOption})
        if (parser.isSet(*option) && command != QLatin1String("by-date"))
            return UsageError(QStringLiteral("--%1 belongs to by-date").arg(option->names().first()));
    for (const auto* option : {&idsOption, &statsOption, &surveysOption, &webOption, &listsOption})
        if (parser.isSet(*option) && !bySurvey)
            return UsageError(QStringLiteral("--%1 belongs to by-survey").arg(option->names().first()));

    const bool dryRun = parser.isSet(dryRunOption);
    if ((dryRun || parser.isSet(reportOption)) && command == QLatin1String("list-surveys"))
        return UsageError(QStringLiteral("--%1 belongs to the clean-up commands").arg(dryRun ? QStringLiteral("dry-run")
                                                                                          : QStringLiteral("report")));
    if (dryRun && parser.isSet(saveOption))
        return UsageError(QStringLiteral("a dry run changes nothing, the stored settings neither: leave out --save"));
    const QString reportPath = parser.value(reportOption);
    if (parser.isSet(reportOption)) {
        const QFileInfo report(reportPath);
        if (reportPath.isEmpty() || report.isDir() || !report.absoluteDir().exists())
            return UsageError(QStringLiteral("--report takes a file in a folder that exists, not '%1'").arg(reportPath));
    }

    CleanupSettings settings;
    RunState state;
    const SettingsStore store;
    store.Load(settings);
    for (const QString& assignment : parser.values(setOption)) {
        QString error;
        if (!ApplySetting(settings, assignment, error))
            return UsageError(error);
    }

    if (parser.isSet(beforeOption)) {
        const QString text = parser.value(beforeOption);
        const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
        if (!date.isValid())
            return UsageError(QStringLiteral("--before takes a date as YYYY-MM-DD, not '%1'").arg(text));
        // Four-digit years, as every database's dates have them.
        if (date.year() < 1 || date.year() > 9999)
            return UsageError(QStringLiteral("--before takes a year from 1 to 9999, not '%1'").arg(text));
        state.removalDate = date;
        // Rows of today, and of days to come, are the statistics still in
        // use; a day after today is far more often a typing slip.
        if (date > QDate::currentDate() && !parser.isSet(allowFutureOption))
            return UsageError(QStringLiteral("--before %1 is after today: the clean-up would delete today's statistics "
                                             "too; add --allow-future if that is meant")
                                  .arg(text));
    }
    std::vector<qint32> requestedIds;
    if (bySurvey && !ParseIdentifiers(parser.value(idsOption), requestedIds))
        return UsageError(QStringLiteral("by-survey takes --ids with survey identifiers, for example --ids 1,2,3"));
    const CleanOptions options{parser.isSet(statsOption), parser.isSet(surveysOption), parser.isSet(webOption),
                               parser.isSet(listsOption)};
    if (bySurvey && !options.any())
        return UsageError(QStringLiteral("choose at least one of --stats, --surveys, --web-interviews, --lists"));
    const bool copiesIntoBackup = bySurvey || command == QLatin1String("by-date");
    if (const auto problem = CheckSettings(settings, copiesIntoBackup))
        return UsageError(problem->text);

    ConsoleFeedback console(parser.isSet(verboseOption));
    const bool save = parser.isSet(saveOption);

    if (command == QLatin1String("list-surveys")) {
        if (save)
            store.Save(settings);
        return ListSurveys(settings, console);
    }

    // From here on every run leaves its record, and Ctrl-C or SIGTERM stop
    // it at the next batch boundary.
    RunRecord record = BeginRunRecord(command, QStringLiteral("command line"), settings);
    record.dryRun = dryRun;
    RunRecordFeedback feedback(console, record);
    CleanupOperations operations(settings, state, feedback);
    operations.setRunRecord(&record);
    StopFlag stop;
    // The clean-ups that go in batches stop between them, and a dry run
    // stops anywhere; the table removals keep the default action, which
    // ends them at once: a drop in flight is rolled back whole.
    std::optional<StopSignals> stopSignals;
    if (dryRun || command == QLatin1String("by-date") || bySurvey)
        stopSignals.emplace(stop);
    operations.setStopRequested(stop.AsQuery());
    CleanupPreview preview;
    // Ends every run that got this far, also one that failed before its
    // clean-up began: the record goes to the run log and the report.
    const auto finishRun = [&]() {
        console.FinishProgress();

        // A dry run's record holds what it found.
        if (dryRun) {
            for (const CleanupPreview::Table& table : preview.tables) {
                RunRecord::Table& entry = record.TableEntry(table.table);
                entry.deleted = table.wholeCopy ? 0 : table.rows;
                entry.copied = preview.backup ? table.rows : 0;
            }
            record.droppedTables = preview.droppedTables;
        }
        record.ended = QDateTime::currentDateTime();
        int status = console.reportedStop() ? kStopped : console.reportedDatabaseError() ? kDatabaseError : kCompleted;
        QString error;
        if (!AppendToRunLog(record, &error))
            PrintError(error);
        if (!reportPath.isEmpty() && !WriteRunReport(record, reportPath, &error)) {
            PrintError(error);
            if (status == kCompleted)
                status = kDatabaseError;
        }
        return status;
    };

    if (bySurvey) {
        // The surveys as the selection dialog lists them; every identifier
        // must be one of them before anything is changed.
        std::vector<SurveyListRow> all;
        try {
            const ReadOnlyOpening readOnly; // the list only reads, as the dialog's does
            auto connection = OpenDatabase(settings.callCenterSrc, DatabaseRole::CallCentre);
            std::set<qint32> known;
            for (Result surveys(*connection, QStringLiteral("Select SurveyID From Surveys")); surveys.Next();)
                known.insert(static_cast<qint32>(surveys.Value(0).toInt64()));
            for (const qint32 id : requestedIds)
                if (!known.count(id))
                    return UsageError(QStringLiteral("there is no survey %1 in Surveys").arg(id));
            LoadSurveyList(*connection, [&](const SurveyListRow& row) { all.push_back(row); });
        } catch (const DatabaseError& e) {
            ReportDatabaseError(feedback, QLatin1String(ReportContext::SurveySelection), e);
            return finishRun();
        }
        std::vector<SurveyListRow> selected;
        for (const auto& row : all)
            if (std::find(requestedIds.begin(), requestedIds.end(), static_cast<qint32>(row.id)) != requestedIds.end())
                selected.push_back(row);
        const SurveySelection selection = SelectionOf(selected);
        if (!selection.hasSurveysWithData()) {
            PrintError(QStringLiteral("none of these surveys keeps legacy or new interview data; nothing to clean"));
            return kCompleted;
        }
        if (save)
            store.Save(settings);
        record.surveyIds = requestedIds;
        for (const auto* option : {&statsOption, &surveysOption, &webOption, &listsOption})
            if (parser.isSet(*option))
                record.kinds << option->names().first();
        if (dryRun) {
            if (operations.PreviewBySurveys(TargetConnection(settings, state), selection, options, preview))
                PrintPreview(preview, options.stats || settings.backupType != 0, feedback);
        } else {
            operations.CleanUpBySurveys(TargetConnection(settings, state), selection, options);
        }
    } else {
        if (save)
            store.Save(settings);
        const bool byDate = command == QLatin1String("by-date");
        if (byDate)
            record.cutoff = state.removalDate;
        if (dryRun) {
            bool previewed = false;
            if (byDate)
                previewed = operations.PreviewByDate(TargetConnection(settings, state), preview);
            else if (command == QLatin1String("surveys"))
                previewed = operations.PreviewDeletedSurveys(preview);
            else if (command == QLatin1String("lists"))
                previewed = operations.PreviewDeletedLists(preview);
            else
                previewed = operations.PreviewWebInterviews(preview);
            if (previewed)
                PrintPreview(preview, byDate, feedback);
        } else if (byDate) {
            operations.CleanUpByDate(TargetConnection(settings, state));
        } else if (command == QLatin1String("surveys")) {
            operations.CleanUpDeletedSurveys();
        } else if (command == QLatin1String("lists")) {
            operations.CleanUpDeletedLists();
        } else {
            operations.CleanUpWebInterviews();
        }
    }
    return finishRun();
}

} // namespace qel
