#include "cli/CommandLine.h"

#include "cleanup/CleanupOperations.h"
#include "cleanup/checks/BackupTarget.h"
#include "cleanup/RunRecord.h"
#include "cleanup/RunSummary.h"
#include "cleanup/checks/ConnectionCheck.h"
#include "cleanup/checks/SettingsCheck.h"
#include "cleanup/surveys/SurveyList.h"
#include "cli/ConsoleFeedback.h"
#include "cli/StopSignals.h"
#include "cli/Terminal.h"
#include "core/NumberText.h"
#include "core/SettingsStore.h"
#include "core/Version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>

#include <optional>
#include <variant>

namespace qel {

namespace {

enum ExitStatus { kCompleted = 0, kDatabaseError = 1, kUsageError = 2, kStopped = 3 };

const QStringList kCommands = {QStringLiteral("by-date"),        QStringLiteral("by-survey"),
                               QStringLiteral("surveys"),        QStringLiteral("lists"),
                               QStringLiteral("web-interviews"), QStringLiteral("list-surveys"),
                               QStringLiteral("check")};
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
    // The list only reads: a copy of the database without write access
    // serves as well, and a missing history reads as never cleaned. After a
    // failure, what was read before it is shown, as the dialog shows it.
    std::vector<SurveyListRow> rows;
    const RunOutcome outcome = ReadSurveyList(settings, feedback, [&](const SurveyListRow& row) { rows.push_back(row); });
    PrintSurveyTable(rows);
    return outcome.failed() ? kDatabaseError : kCompleted;
}

// Each setting's database opened read-only, one line each on standard
// output; 0 when every one opened.
int CheckConnectionsCommand(const CleanupSettings& settings, Feedback& feedback)
{
    int status = kCompleted;
    for (const ConnectionCheck& check : CheckConnections(settings, feedback)) {
        WriteText(stdout, ConnectionCheckText(check) + QLatin1Char('\n'));
        if (!check.ok())
            status = kDatabaseError;
    }
    return status;
}

// What a dry run found, on standard output; a run that would refuse to
// start fails the dry run the same way, on standard error. The tables to
// drop come under the database each would be dropped from.
void PrintPreview(const CleanupPreview& preview, bool statistics)
{
    for (const CleanupPreview::Table& table : preview.tables) {
        if (table.wholeCopy)
            WriteText(stdout, QStringLiteral("%1: %2 records would be copied into the backup\n").arg(table.table, CountText(table.rows)));
        else
            WriteText(stdout, QStringLiteral("%1: %2 records would be deleted%3\n")
                                  .arg(table.table, CountText(table.rows),
                                       preview.backup ? QStringLiteral(", each copied into the backup first") : QString()));
    }
    if (statistics) {
        WriteText(stdout, QStringLiteral("Total: %1 records would be deleted\n").arg(CountText(preview.deletedRows())));
        if (preview.backup)
            WriteText(stdout, QStringLiteral("Backup: %1\n").arg(preview.backupTarget));
    }
    QStringList placed;
    for (const CleanupPreview::DropGroup& group : preview.dropGroups) {
        WriteText(stdout, group.database + QStringLiteral(":\n"));
        for (const QString& table : group.tables)
            WriteText(stdout, QStringLiteral("Table to drop: %1\n").arg(table));
        placed << group.tables;
    }
    for (const QString& table : preview.droppedTables)
        if (!placed.contains(table))
            WriteText(stdout, QStringLiteral("Table to drop: %1\n").arg(table));
    if (statistics && !preview.droppedTables.isEmpty() && preview.backup)
        WriteText(stdout, QStringLiteral("Dropped tables are not copied into the backup.\n"));
    for (const CleanupPreview::SurveyInUse& survey : preview.surveysInUse)
        WriteText(stdout, QStringLiteral("Survey %1 (%2) is not marked deleted: its data may still be in use.\n")
                              .arg(survey.id)
                              .arg(survey.title));
    if (!statistics || !preview.droppedTables.isEmpty())
        WriteText(stdout, QStringLiteral("%1 tables would be dropped\n").arg(CountText(preview.droppedTables.size())));
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
                          "  0  the clean-up completed (or the dry run, the survey list, or the check: every "
                          "database opened)\n"
                          "  1  a database error was reported (check: a database did not open)\n"
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

namespace {

// What the command line asks for, read and checked.
struct Invocation {
    QString command;
    bool dryRun = false;
    bool save = false;
    bool verbose = false;
    QString reportPath;
    CleanupSettings settings;
    RunState state;
    std::vector<qint32> surveyIds; // by-survey
    CleanOptions options;          // by-survey
    QStringList kinds;             // by-survey, as given

    bool bySurvey() const { return command == QLatin1String("by-survey"); }
    bool byDate() const { return command == QLatin1String("by-date"); }
    // The clean-ups that go in batches, which a stop ends between two.
    bool batched() const { return bySurvey() || byDate(); }
};

// The command line's options and what each says.
struct Options {
    QCommandLineOption help{QStringList{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Displays help.")};
    QCommandLineOption version{QStringList{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Displays version information.")};
    QCommandLineOption set{QStringLiteral("set"), QStringLiteral("Use VALUE for the setting KEY in this run only (repeatable)."),
                           QStringLiteral("KEY=VALUE")};
    QCommandLineOption save{QStringLiteral("save"), QStringLiteral("Store the settings, as the window's commands do.")};
    QCommandLineOption verbose{QStringLiteral("verbose"),
                               QStringLiteral("Show progress on standard error also when it is not a terminal.")};
    QCommandLineOption before{QStringLiteral("before"), QStringLiteral("by-date: remove data before this day (default: 90 days ago)."),
                              QStringLiteral("YYYY-MM-DD")};
    QCommandLineOption allowFuture{QStringLiteral("allow-future"),
                                   QStringLiteral("by-date: accept a --before day after today, which deletes today's "
                                                  "statistics too.")};
    QCommandLineOption ids{QStringLiteral("ids"), QStringLiteral("by-survey: the surveys to clean."), QStringLiteral("ID,ID,...")};
    QCommandLineOption stats{QStringLiteral("stats"), QStringLiteral("by-survey: delete their statistics rows.")};
    QCommandLineOption surveys{QStringLiteral("surveys"), QStringLiteral("by-survey: drop their interview data tables.")};
    QCommandLineOption webInterviews{QStringLiteral("web-interviews"), QStringLiteral("by-survey: drop their web-interview tables.")};
    QCommandLineOption lists{QStringLiteral("lists"), QStringLiteral("by-survey: drop their calling-list tables.")};
    QCommandLineOption dryRun{QStringLiteral("dry-run"),
                              QStringLiteral("Show what the command would delete, copy and drop, and change nothing.")};
    QCommandLineOption report{QStringLiteral("report"), QStringLiteral("Write what the run did to FILE as JSON (passwords masked)."),
                              QStringLiteral("FILE")};
};

void DescribeCommands(QCommandLineParser& parser, const Options& o)
{
    parser.setApplicationDescription(QStringLiteral(
        "Cleans the contact centre's databases with the settings of the QelCleanup window.\n\n"
        "Commands:\n"
        "  by-date          delete statistics rows older than the removal date\n"
        "  by-survey        clean the surveys given by --ids, kind by kind\n"
        "  surveys          drop the data tables of surveys marked deleted\n"
        "  lists            drop the tables of calling lists marked deleted\n"
        "  web-interviews   drop the web-interview tables of titles no longer in use\n"
        "  list-surveys     show every survey with its cleaning dates\n"
        "  check            open each connection and the backup target read-only and say whether it opened"));
    parser.addOptions({o.help, o.version, o.set, o.save, o.verbose, o.dryRun, o.report, o.before, o.allowFuture, o.ids,
                       o.stats, o.surveys, o.webInterviews, o.lists});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("The clean-up to run (see above)."));
}

// Reads the arguments into an invocation, or answers the exit status of a
// command that ends here: help, the version, or a usage error.
std::variant<Invocation, int> Parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    const Options o;
    DescribeCommands(parser, o);
    if (!parser.parse(arguments))
        return UsageError(parser.errorText());
    if (parser.isSet(o.help)) {
        WriteText(stdout, parser.helpText() + HelpEpilogue(SettingsStore()));
        return kCompleted;
    }
    if (parser.isSet(o.version)) {
        WriteText(stdout, QStringLiteral("qelcleanup %1\n").arg(QLatin1String(kVersion)));
        return kCompleted;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return UsageError(positional.isEmpty() ? QStringLiteral("no command given")
                                               : QStringLiteral("one command at a time, not '%1'").arg(positional.join(QLatin1Char(' '))));
    Invocation run;
    run.command = positional.first();
    if (!kCommands.contains(run.command))
        return UsageError(QStringLiteral("unknown command '%1'").arg(run.command));
    for (const auto* option : {&o.before, &o.allowFuture})
        if (parser.isSet(*option) && !run.byDate())
            return UsageError(QStringLiteral("--%1 belongs to by-date").arg(option->names().first()));
    for (const auto* option : {&o.ids, &o.stats, &o.surveys, &o.webInterviews, &o.lists})
        if (parser.isSet(*option) && !run.bySurvey())
            return UsageError(QStringLiteral("--%1 belongs to by-survey").arg(option->names().first()));

    run.dryRun = parser.isSet(o.dryRun);
    run.save = parser.isSet(o.save);
    run.verbose = parser.isSet(o.verbose);
    run.reportPath = parser.value(o.report);
    if ((run.dryRun || parser.isSet(o.report))
        && (run.command == QLatin1String("list-surveys") || run.command == QLatin1String("check")))
        return UsageError(QStringLiteral("--%1 belongs to the clean-up commands")
                              .arg(run.dryRun ? QStringLiteral("dry-run") : QStringLiteral("report")));
    if (run.dryRun && run.save)
        return UsageError(QStringLiteral("a dry run changes nothing, the stored settings neither: leave out --save"));
    if (parser.isSet(o.report)) {
        const QFileInfo report(run.reportPath);
        if (run.reportPath.isEmpty() || report.isDir() || !report.absoluteDir().exists())
            return UsageError(QStringLiteral("--report takes a file in a folder that exists, not '%1'").arg(run.reportPath));
    }

    SettingsStore().Load(run.settings);
    for (const QString& assignment : parser.values(o.set)) {
        QString error;
        if (!ApplySetting(run.settings, assignment, error))
            return UsageError(error);
    }
    if (parser.isSet(o.before)) {
        const QString text = parser.value(o.before);
        const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
        if (!date.isValid())
            return UsageError(QStringLiteral("--before takes a date as YYYY-MM-DD, not '%1'").arg(text));
        // Four-digit years, as every database's dates have them.
        if (date.year() < 1 || date.year() > 9999)
            return UsageError(QStringLiteral("--before takes a year from 1 to 9999, not '%1'").arg(text));
        // Rows of today, and of days to come, are the statistics still in
        // use; a day after today is far more often a typing slip.
        if (date > QDate::currentDate() && !parser.isSet(o.allowFuture))
            return UsageError(QStringLiteral("--before %1 is after today: the clean-up would delete today's statistics "
                                             "too; add --allow-future if that is meant")
                                  .arg(text));
        run.state.removalDate = date;
    }
    if (run.bySurvey()) {
        if (!ParseIdentifiers(parser.value(o.ids), run.surveyIds))
            return UsageError(QStringLiteral("by-survey takes --ids with survey identifiers, for example --ids 1,2,3"));
        run.options = CleanOptions{parser.isSet(o.stats), parser.isSet(o.surveys), parser.isSet(o.webInterviews),
                                   parser.isSet(o.lists)};
        if (!run.options.any())
            return UsageError(QStringLiteral("choose at least one of --stats, --surveys, --web-interviews, --lists"));
        for (const auto* option : {&o.stats, &o.surveys, &o.webInterviews, &o.lists})
            if (parser.isSet(*option))
                run.kinds << option->names().first();
    }
    return run;
}

// A settings value or backup target the run cannot go with: a usage error,
// before anything is opened.
std::optional<int> Validate(const Invocation& run)
{
    // The check says what is wrong with each setting itself.
    if (run.command == QLatin1String("check"))
        return std::nullopt;
    if (const auto problem = CheckSettings(run.settings, run.batched()))
        return UsageError(problem->text);
    return std::nullopt;
}

// Runs the clean-up the invocation names, or its dry run; by survey, of the
// surveys chosen.
RunOutcome RunCommand(Invocation& run, CleanupOperations& operations, const SurveySelection& chosen,
                      CleanupPreview& preview)
{
    const QString target = TargetConnection(run.settings, run.state);
    if (run.byDate())
        return run.dryRun ? operations.PreviewByDate(target, preview) : operations.CleanUpByDate(target);
    if (run.command == QLatin1String("surveys"))
        return run.dryRun ? operations.PreviewDeletedSurveys(preview) : operations.CleanUpDeletedSurveys();
    if (run.command == QLatin1String("lists"))
        return run.dryRun ? operations.PreviewDeletedLists(preview) : operations.CleanUpDeletedLists();
    if (run.command == QLatin1String("web-interviews"))
        return run.dryRun ? operations.PreviewWebInterviews(preview) : operations.CleanUpWebInterviews();
    return run.dryRun ? operations.PreviewBySurveys(target, chosen, run.options, preview)
                      : operations.CleanUpBySurveys(target, chosen, run.options);
}

// Leaves the run's record in the run log and the report, and answers the
// exit status of its outcome.
int Finish(const Invocation& run, RunRecord& record, const CleanupPreview& preview)
{
    if (run.dryRun) { // a dry run's record holds what it found
        for (const CleanupPreview::Table& table : preview.tables) {
            RunOutcome::Table& entry = record.outcome.TableEntry(table.table);
            entry.deleted = table.wholeCopy ? 0 : table.rows;
            entry.copied = preview.backup ? table.rows : 0;
        }
        record.outcome.droppedTables = preview.droppedTables;
    }
    record.ended = QDateTime::currentDateTime();
    int status = record.outcome.stopped() ? kStopped : record.outcome.failed() ? kDatabaseError : kCompleted;
    QString error;
    if (!AppendToRunLog(record, &error))
        PrintError(error);
    if (!run.reportPath.isEmpty() && !WriteRunReport(record, run.reportPath, &error)) {
        PrintError(error);
        if (status == kCompleted)
            status = kDatabaseError;
    }
    return status;
}

} // namespace

int RunCommandLine(int argc, char** argv)
{
    // The arguments are read again through the application object, in full
    // Unicode.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qelcleanup"));
    QCoreApplication::setApplicationVersion(QLatin1String(kVersion));

    auto parsed = Parse(QCoreApplication::arguments());
    if (const int* status = std::get_if<int>(&parsed))
        return *status;
    Invocation& run = std::get<Invocation>(parsed);
    if (const auto status = Validate(run))
        return *status;

    ConsoleFeedback console(run.verbose);
    if (run.command == QLatin1String("list-surveys")) {
        if (run.save)
            SettingsStore().Save(run.settings);
        return ListSurveys(run.settings, console);
    }
    if (run.command == QLatin1String("check")) {
        if (run.save)
            SettingsStore().Save(run.settings);
        return CheckConnectionsCommand(run.settings, console);
    }

    // From here on every run leaves its record; Ctrl-C or SIGTERM stop the
    // batched clean-ups at the next batch boundary, and a dry run anywhere.
    // The table removals keep the default action, which ends them at once:
    // a drop in flight is rolled back whole.
    RunRecord record = BeginRunRecord(run.command, QStringLiteral("command line"), run.settings);
    record.dryRun = run.dryRun;
    record.cutoff = run.byDate() ? run.state.removalDate : QDate();
    record.surveyIds = run.surveyIds;
    record.kinds = run.kinds;
    StopFlag stop;
    std::optional<StopSignals> stopSignals;
    if (run.dryRun || run.batched())
        stopSignals.emplace(stop);
    CleanupPreview preview;

    // By survey: the surveys as the selection dialog lists them; every
    // identifier must be one of them before anything is changed.
    SurveySelection chosen;
    if (run.bySurvey()) {
        std::vector<SurveyListRow> list;
        record.outcome = ReadSurveyList(run.settings, console, [&](const SurveyListRow& row) { list.push_back(row); });
        if (record.outcome.failed())
            return Finish(run, record, preview);
        const SurveyChoice choice = ChooseSurveys(list, run.surveyIds);
        if (!choice.unknownIds.empty())
            return UsageError(QStringLiteral("there is no survey %1 in Surveys").arg(choice.unknownIds.front()));
        // As in the window, surveys that keep no interview data of either
        // storage kind are not cleaned at all.
        if (!choice.selection.hasSurveysWithData()) {
            PrintError(QStringLiteral("none of these surveys keeps legacy or new interview data; nothing to clean"));
            return kCompleted;
        }
        chosen = choice.selection;
    }
    if (run.save)
        SettingsStore().Save(run.settings);
    CleanupOperations operations(run.settings, run.state, console);
    operations.setStopRequested(stop.AsQuery());
    QElapsedTimer clock;
    clock.start();
    // Where progress is shown, a statistics clean-up counts its rows first,
    // as the window's confirmation does: the progress is then the whole
    // run's against that count. Unshown, the count would only cost a pass.
    long long expectedRows = -1;
    const bool statisticsRun = run.byDate() || (run.bySurvey() && run.options.stats);
    if (!run.dryRun && statisticsRun && console.showsProgress()) {
        CleanupPreview counted;
        const QString target = TargetConnection(run.settings, run.state);
        record.outcome = run.byDate() ? operations.PreviewByDate(target, counted)
                                      : operations.PreviewBySurveys(target, chosen, run.options, counted);
        if (!record.outcome.completed()) {
            console.FinishProgress();
            if (record.outcome.stopped())
                console.ShowSummary(RunSummaryText(record.outcome, SummaryScope{statisticsRun, run.settings.backupType != 0},
                                                   static_cast<double>(clock.nsecsElapsed()) / 1e9));
            return Finish(run, record, preview);
        }
        operations.setExpectedRows(counted);
        expectedRows = counted.deletedRows();
    }
    console.BeginRun(expectedRows);
    record.outcome = RunCommand(run, operations, chosen, preview);
    if (!preview.refusalReport.isEmpty()) { // the run would refuse to start: so does its dry run
        record.outcome.Fail(preview.refusalReport);
        console.ShowMessage(preview.refusalReport, MessageKind::Refused);
    }
    if (run.dryRun && !record.outcome.failed() && !record.outcome.stopped())
        PrintPreview(preview, !run.bySurvey() ? run.byDate() : run.options.stats || run.settings.backupType != 0);
    console.FinishProgress();
    // A run that failed ends with its failure's report instead.
    if (!run.dryRun && !record.outcome.failed()) {
        const SummaryScope scope{statisticsRun, statisticsRun && run.settings.backupType != 0};
        console.ShowSummary(RunSummaryText(record.outcome, scope, static_cast<double>(clock.nsecsElapsed()) / 1e9));
    }
    return Finish(run, record, preview);
}

} // namespace qel
