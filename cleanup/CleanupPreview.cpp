#include "cleanup/CleanupPreview.h"

#include "cleanup/transfer/CallSet.h"
#include "cleanup/transfer/CleanupDatabases.h"
#include "cleanup/CleanupOperations.h"
#include "cleanup/Databases.h"
#include "cleanup/ErrorReport.h"
#include "cleanup/removal/RemovalStatements.h"
#include "cleanup/transfer/RecordTransfer.h"
#include "cleanup/checks/RunChecks.h"
#include "cleanup/transfer/StatisticsCatalogue.h"
#include "cleanup/transfer/TableMove.h"
#include "cleanup/transfer/TransferStatements.h"
#include "cleanup/transfer/WalkKey.h"
#include "core/Progress.h"
#include "db/DatabaseError.h"
#include "db/Result.h"

#include <algorithm>
#include <set>

namespace qel {

namespace Sql = TransferStatements;

namespace {

// Passes progress and database errors on, and keeps the results a removal
// shows ("... tables have been deleted!") off the screen: in a preview
// nothing was deleted.
class PreviewFeedback : public Feedback {
public:
    explicit PreviewFeedback(Feedback& inner) : inner_(inner) {}

    void ShowStatus(const QString& text) override { inner_.ShowStatus(text); }
    void PumpMessages() override { inner_.PumpMessages(); }
    void ShowMessage(const QString& text, MessageKind kind) override
    {
        if (kind != MessageKind::Information)
            inner_.ShowMessage(text, kind);
    }

private:
    Feedback& inner_;
};

long long CountRows(Connection& connection, const QString& table, const QString& condition)
{
    // A count reads the whole table where no index serves it: it may take
    // long, and a stop cancels it.
    Result count(connection, Sql::Count(connection.dialect(), table, condition.isEmpty() ? QStringLiteral("1=1") : condition),
                 Duration::Long);
    return count.Next() ? count.Value(0).toInt64() : 0;
}

// The rows a step's condition picks. Where the run walks the table in
// batches on SQLite, so does the count, paced as the run is: a preview, and
// the count before a run, keep the product's writers waiting no longer
// than the run itself does, where one count of a large table would hold
// them off for its whole length.
long long CountStepRows(CleanupDatabases& databases, const CleanupStep& step, const QString& condition, int batchSize)
{
    Connection& source = *databases.source;
    if (!source.dialect().isSQLite() || batchSize <= 0)
        return CountRows(source, step.table, condition);
    const WalkKey key = FindWalkKey(source, *databases.sourceCatalog, step.table, ConditionColumn(step));
    return ReadSQLiteTableInWindows(source, step.table, key, batchSize, &databases.pacing, [&](const KeyRange& range) {
        Result count(source, Sql::SQLiteCountRange(step.table, key, condition, range));
        return count.Next() ? count.Value(0).toInt64() : 0;
    });
}

// The call selections of the steps keyed by call, as the run makes them:
// on a batched SQLite run from the call set it fills window by window,
// elsewhere the calls read in place.
QStringList PreviewCallSelections(CleanupDatabases& databases, const StepSelection& selection,
                                  const QString& quotedCutoff, int batchSize)
{
    QStringList conditions;
    if (selection.cutoff.isValid()) {
        conditions << Sql::CallsBeforeDate(quotedCutoff);
    } else {
        for (const IdentifierArray& part : selection.surveyParts)
            conditions << Sql::SurveyCondition(QStringLiteral("TaskID"), part);
    }
    if (databases.source->dialect().isSQLite() && batchSize > 0)
        return PrepareCallSelections(databases, batchSize, conditions);
    QStringList selections;
    for (const QString& condition : conditions)
        selections << Sql::CallSelection(condition);
    return selections;
}

// The conditions of one step, one per part, as RecordTransfer writes them.
QStringList StepConditions(const CleanupStep& step, const StepSelection& selection, const QString& quotedCutoff)
{
    QStringList conditions;
    switch (step.rule) {
    case StepRule::ByCall:
        for (const QString& callSelection : selection.callSelections)
            conditions << Sql::ByCallCondition(step.column, callSelection);
        break;
    case StepRule::ByDate:
        conditions << Sql::BeforeDateCondition(step.column, quotedCutoff);
        break;
    case StepRule::BySurvey:
        for (const IdentifierArray& part : selection.surveyParts)
            conditions << Sql::SurveyCondition(step.column, part);
        break;
    case StepRule::Whole:
        break;
    }
    return conditions;
}

// Runs one removal of a preview and files the tables it listed under the
// database they would be dropped from.
void ListDrops(CleanupPreview& preview, const QString& connection, DatabaseRole role, const std::function<void()>& removal)
{
    const auto before = preview.droppedTables.size();
    removal();
    const QStringList listed = preview.droppedTables.mid(before);
    if (!listed.isEmpty())
        preview.dropGroups.push_back({DatabaseOrigin(connection, role), listed});
}

// The chosen surveys that the product has not marked deleted (a Deleted
// that is NULL or 0), as the survey list reads them.
std::vector<CleanupPreview::SurveyInUse> SurveysInUse(const CleanupSettings& settings, const IdentifierArray& surveyIds)
{
    std::set<qint32> chosen;
    for (const quint32 id : surveyIds)
        chosen.insert(static_cast<qint32>(id));
    std::vector<CleanupPreview::SurveyInUse> inUse;
    auto callCenter = OpenDatabase(settings.callCenterSrc, DatabaseRole::CallCentre, CommandTimeout(settings.timeout));
    for (Result surveys(*callCenter, RemovalStatements::SurveyTitles()); surveys.Next();) {
        const auto id = static_cast<qint32>(surveys.Value(0).toInt64());
        const FieldValue& deleted = surveys.Value(2);
        if (chosen.count(id) != 0 && (deleted.isNull() || deleted.toInt64() == 0))
            inUse.push_back({id, FieldText(surveys.Value(1))});
    }
    return inUse;
}

} // namespace

bool CleanupOperations::PreviewStatistics(const QString& targetConnection, const std::vector<CleanupStep>& steps,
                                          bool referenceSteps, const StepSelection& selection, CleanupPreview& preview)
{
    // The databases as CleanupDatabases opens them for a run, read-only and
    // without the backup target, which a preview never opens (nor creates).
    const int timeout = CommandTimeout(settings_.timeout);
    CleanupDatabases databases;
    databases.source = OpenDatabase(settings_.statSrc, DatabaseRole::Statistics, timeout);
    if (settings_.sourceSQL != 0) {
        const QString preamble = databases.source->dialect().DateFormatPreamble();
        if (!preamble.isEmpty())
            databases.source->Execute(preamble);
    }
    databases.sourceCatalog = std::make_unique<Catalog>(*databases.source);
    preview.backup = settings_.backupType != 0;
    if (preview.backup) {
        preview.backupTarget = DatabaseOrigin(targetConnection, DatabaseRole::BackupTarget);
        // A backup the run could not write is shown with the counts, and
        // the run is not offered.
        try {
            CheckBackupDriver(settings_, targetConnection);
        } catch (const DatabaseError& e) {
            preview.refusal = e.origin().isEmpty() ? e.description() : e.description() + QLatin1Char('\n') + e.origin();
            preview.refusalReport = DatabaseErrorReport(QLatin1String(ReportContext::DateOrSurveyCleanup), e);
        }
        databases.callCenter = OpenDatabase(settings_.callCenterSrc, DatabaseRole::CallCentre, timeout);
        databases.callCenterCatalog = std::make_unique<Catalog>(*databases.callCenter);
        databases.route = BackupRoute::Ledger; // any route: the reference tables are checked too
    }
    std::vector<CleanupStep> checked = steps;
    if (referenceSteps)
        checked.insert(checked.end(), ReferenceTableSteps().begin(), ReferenceTableSteps().end());
    CheckStepTables(databases, checked, settings_.sourceSQL != 0);
    CheckWalkKeys(databases, steps, settings_.sourceSQL != 0, settings_.batchSize, false);
    CheckDateColumns(*databases.source, checked, settings_.sourceSQL != 0, selection.cutoff, settings_.batchSize,
                     &databases.pacing);

    const QString quotedCutoff = selection.cutoff.isValid()
        ? Sql::QuotedDate(databases.source->dialect(), selection.cutoff, settings_.sourceSQL != 0)
        : QString();
    StepSelection chosen = selection;
    if (std::any_of(steps.begin(), steps.end(), [](const CleanupStep& step) { return step.rule == StepRule::ByCall; }))
        chosen.callSelections = PreviewCallSelections(databases, selection, quotedCutoff, settings_.batchSize);
    for (const CleanupStep& step : checked) {
        if (step.sqlOnly && settings_.sourceSQL == 0)
            continue;
        if (StopAsked()) {
            Stopped(0);
            return false;
        }
        CleanupPreview::Table table{step.table};
        if (step.rule == StepRule::Whole) {
            if (!preview.backup)
                continue;
            table.wholeCopy = true;
            table.rows = CountRows(databases.referenceSource(), step.table, QString());
        } else {
            for (const QString& condition : StepConditions(step, chosen, quotedCutoff))
                table.rows += CountStepRows(databases, step, condition, settings_.batchSize);
        }
        feedback_.ShowStatus(QStringLiteral("Counting %1").arg(step.table));
        feedback_.PumpMessages();
        preview.tables.push_back(table);
    }
    return true;
}

RunOutcome CleanupOperations::PreviewByDate(const QString& targetConnection, CleanupPreview& preview)
{
    Begin();
    ReadOnlyOpening readOnly;
    const WaitHookScope waits = StoppableWaits();
    try {
        if (!state_.removalDate.isValid())
            throw DatabaseError::Setting(QStringLiteral("The removal date is not a valid date; nothing was deleted."));
        ShowOpeningDatabases(feedback_);
        StepSelection selection;
        selection.cutoff = state_.removalDate;
        std::vector<CleanupStep> steps;
        for (const CleanupStep& step : DateCleanupSteps())
            if (step.rule != StepRule::Whole)
                steps.push_back(step);
        PreviewStatistics(targetConnection, steps, true, selection, preview);
    } catch (const Interrupted&) {
        return Stopped(0);
    } catch (const DatabaseError& e) {
        Failed(ReportContext::DateOrSurveyCleanup, e);
    }
    return outcome_;
}

RunOutcome CleanupOperations::PreviewBySurveys(const QString& targetConnection, const SurveySelection& surveys,
                                               const CleanOptions& options, CleanupPreview& preview)
{
    Begin();
    ReadOnlyOpening readOnly;
    IdentifierArray surveyIds = surveys.legacySurveyIds;
    surveyIds.insert(surveyIds.end(), surveys.newSurveyIds.begin(), surveys.newSurveyIds.end());
    const WaitHookScope waits = StoppableWaits();
    try {
        ShowOpeningDatabases(feedback_);
        StepSelection selection;
        selection.surveyParts = SurveyParts(surveyIds);
        const std::vector<CleanupStep> noSteps;
        if (!PreviewStatistics(targetConnection, options.stats ? SurveyCleanupSteps() : noSteps, true, selection, preview))
            return outcome_;
        CheckRemovalDatabases(options);

        preview.surveysInUse = SurveysInUse(settings_, surveyIds);

        PreviewFeedback quiet(feedback_);
        CleanupOperations removals(settings_, state_, quiet, preview.droppedTables);
        if (options.surveys)
            ListDrops(preview, settings_.surveyDB, DatabaseRole::Surveys, [&] {
                removals.DropSurveyTables(IdentifierSet(surveys.legacySurveyIds.begin(), surveys.legacySurveyIds.end()),
                                          IdentifierSet(surveys.newSurveyIds.begin(), surveys.newSurveyIds.end()));
            });
        if (options.webInterviews)
            ListDrops(preview, settings_.webInterviewDB, DatabaseRole::WebInterviews,
                      [&] { removals.DropWebInterviewTables(removals.WebTitlesNoLongerInUse(surveys)); });
        if (options.lists)
            ListDrops(preview, settings_.listDB, DatabaseRole::Lists, [&] { removals.DropListTablesOfSurveys(surveyIds); });
        if (!removals.outcome_.error.isEmpty())
            outcome_.Fail(removals.outcome_.error);
    } catch (const Interrupted&) {
        return Stopped(0);
    } catch (const DatabaseError& e) {
        Failed(ReportContext::DateOrSurveyCleanup, e);
    }
    return outcome_;
}

RunOutcome CleanupOperations::PreviewRemoval(CleanupPreview& preview, const QString& connection, DatabaseRole role,
                                             const std::function<void(CleanupOperations&)>& removal)
{
    Begin();
    ReadOnlyOpening readOnly;
    if (StopAsked())
        return Stopped(0);
    PreviewFeedback quiet(feedback_);
    CleanupOperations removals(settings_, state_, quiet, preview.droppedTables);
    removals.setStopRequested(stopRequested_);
    ListDrops(preview, connection, role, [&] { removal(removals); });
    // The removal has shown its own stop or failure.
    if (removals.outcome_.stopped())
        outcome_.Stop();
    if (!removals.outcome_.error.isEmpty())
        outcome_.Fail(removals.outcome_.error);
    return outcome_;
}

RunOutcome CleanupOperations::PreviewDeletedSurveys(CleanupPreview& preview)
{
    return PreviewRemoval(preview, settings_.surveyDB, DatabaseRole::Surveys,
                          [](CleanupOperations& removals) { removals.CleanUpDeletedSurveys(); });
}

RunOutcome CleanupOperations::PreviewDeletedLists(CleanupPreview& preview)
{
    return PreviewRemoval(preview, settings_.listDB, DatabaseRole::Lists,
                          [](CleanupOperations& removals) { removals.CleanUpDeletedLists(); });
}

RunOutcome CleanupOperations::PreviewWebInterviews(CleanupPreview& preview)
{
    return PreviewRemoval(preview, settings_.webInterviewDB, DatabaseRole::WebInterviews,
                          [](CleanupOperations& removals) { removals.CleanUpWebInterviews(); });
}

} // namespace qel
