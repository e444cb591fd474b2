// Drives the clean-up by date on large fixture databases for the benchmark:
//   qelcleanup-bench generate FOLDER CALLS DATE_ROWS   builds the statistics database
//   qelcleanup-bench statements                         prints the DELETE statements of the run
//   qelcleanup-bench copies                             prints the INSERT ... SELECT statements of a backup
//   qelcleanup-bench run STATISTICS [TARGET]            runs the clean-up, with a backup into TARGET
// "run" prints the seconds of the whole operation, the seconds spent
// copying (from the first structure step of a table to its delete), the
// rows deleted and its peak memory.
#include "PeakMemory.h"

#include "cleanup/CleanupOperations.h"
#include "cleanup/StatisticsCatalogue.h"
#include "core/Format.h"
#include "core/Dates.h"
#include "fixtures/ProductDatabases.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <cstdio>

using namespace qel;

namespace {

const QDate kCutoff(2024, 3, 5);

// Keeps no texts; times the copy phases from the status line's stages.
class TimingFeedback : public Feedback {
public:
    void ShowStatus(const QString& text) override
    {
        if (text.endsWith(QLatin1String("Creating fields in target"))) {
            phaseStart = clock.nsecsElapsed();
        } else if (text.endsWith(QLatin1String("Deleting records")) && phaseStart >= 0) {
            copyNanoseconds += clock.nsecsElapsed() - phaseStart;
            phaseStart = -1;
        }
    }
    void PumpMessages() override {}
    void ShowMessage(const QString& text, MessageKind) override { message = text; }

    QElapsedTimer clock;
    qint64 phaseStart = -1;
    qint64 copyNanoseconds = 0;
    QString message;
};

QString Filter(const CleanupStep& step)
{
    const QString date = QStringLiteral("'%1'").arg(FormatDate(kCutoff, QStringLiteral("%Y-%m-%d")));
    if (step.rule == StepRule::ByCall)
        return Format(QStringLiteral(" WHERE CallID%s in (%s)"),
                      {step.column, QStringLiteral("Select CallID from Statistic_Call WHERE Start_Time<") + date});
    return Format(QStringLiteral(" WHERE %s < %s"), {step.column, date});
}

int Statements(bool copies)
{
    QTextStream out(stdout);
    for (const CleanupStep& step : DateCleanupSteps()) {
        if (step.rule == StepRule::Whole)
            continue;
        if (copies)
            out << "INSERT INTO backup." << step.table << " SELECT * FROM " << step.table << Filter(step) << ";\n";
        else
            out << "DELETE  FROM " << step.table << Filter(step) << ";\n";
    }
    return 0;
}

int Run(const QString& statistics, const QString& target)
{
    CleanupSettings settings;
    RunState state;
    settings.statSrc = SQLiteConnection(statistics);
    settings.callCenterSrc = settings.statSrc; // the reference tables are not measured
    settings.statTgt = target.isEmpty() ? QString() : SQLiteConnection(target);
    settings.backupType = target.isEmpty() ? 0 : 1;
    settings.timeout = QStringLiteral("600");
    state.removalDate = kCutoff;
    if (!target.isEmpty())
        ExecuteAll(settings.statSrc, {QStringLiteral("CREATE TABLE IF NOT EXISTS Agents (AgentID int)"),
                                    QStringLiteral("CREATE TABLE IF NOT EXISTS Surveys (SurveyID int)"),
                                    QStringLiteral("CREATE TABLE IF NOT EXISTS Lists (ListID int)")});
    TimingFeedback feedback;
    feedback.clock.start();
    const bool ok = CleanupOperations(settings, state, feedback).CleanUpByDate(TargetConnection(settings, state));
    const double seconds = feedback.clock.nsecsElapsed() / 1e9;
    std::printf("ok=%d seconds=%.3f copy_seconds=%.3f peak_mb=%.1f message=\"%s\"\n", ok ? 1 : 0, seconds,
                feedback.copyNanoseconds / 1e9, PeakMemoryMegabytes(), qPrintable(feedback.message));
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString command = args.value(1);
    if (command == QLatin1String("generate") && args.size() >= 5) {
        ProductDatabases product(args[2]);
        FixtureOptions options;
        options.calls = args[3].toInt();
        options.dateRows = args[4].toInt();
        product.CreateStatistics(options, {1, 2, 3, 4, 5, 7, 12, 42});
        return 0;
    }
    if (command == QLatin1String("statements"))
        return Statements(false);
    if (command == QLatin1String("copies"))
        return Statements(true);
    if (command == QLatin1String("run") && args.size() >= 3)
        return Run(args[2], args.value(3));
    std::fprintf(stderr, "usage: qelcleanup-bench generate FOLDER CALLS DATE_ROWS | statements | copies | run STATISTICS [TARGET]\n");
    return 2;
}
