// Drives the clean-up by date on large fixture databases for the benchmark:
//   qelcleanup-bench generate FOLDER CALLS DATE_ROWS   builds the statistics database
//   qelcleanup-bench generate-big-row FOLDER           builds one with a single old row of a
//                                                       50 MB BLOB and 25 MB of text
//   qelcleanup-bench statements                         prints the shell's DELETE statements
//   qelcleanup-bench copies                             prints the shell's INSERT ... SELECT statements
//   qelcleanup-bench run STATISTICS [TARGET] [--row-by-row] [--batch-size=N] [--transaction-ms=N]
//                                                       runs the clean-up, with a backup into TARGET
// "run" prints the seconds of the whole operation, the rows deleted and the
// process's peak memory. --row-by-row makes the backup go through this
// program, as into another server. The product's writer that the benchmark
// sets beside a run is a standard client of its own (writer.py).
#include "PeakMemory.h"

#include "cleanup/CleanupOperations.h"
#include "cleanup/transfer/StatisticsCatalogue.h"
#include "cleanup/transfer/TransferStatements.h"
#include "core/Dates.h"
#include "fixtures/ProductDatabases.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace qel;

namespace {

const QDate kCutoff(2024, 3, 5);

class QuietFeedback : public Feedback {
public:
    void ShowStatus(const QString&) override {}
    void PumpMessages() override {}
    void ShowMessage(const QString& text, MessageKind) override { message = text; }
    QString message;
};

QString Condition(const CleanupStep& step)
{
    namespace Sql = TransferStatements;
    const QString date = QStringLiteral("'%1'").arg(FormatDate(kCutoff, QStringLiteral("%Y-%m-%d")));
    if (step.rule == StepRule::ByCall)
        return Sql::ByCallCondition(step.column, Sql::CallSelectionBeforeDate(date));
    return Sql::BeforeDateCondition(step.column, date);
}

int Statements(bool copies)
{
    QTextStream out(stdout);
    for (const CleanupStep& step : DateCleanupSteps()) {
        if (step.rule == StepRule::Whole)
            continue;
        if (copies)
            out << "INSERT INTO backup." << step.table << " SELECT * FROM " << step.table << " WHERE " << Condition(step) << ";\n";
        else
            out << TransferStatements::Delete(step.table, Condition(step)) << ";\n";
    }
    return 0;
}

int Run(const QStringList& args)
{
    const QString statistics = args.value(2);
    const QString target = args.size() > 3 && !args[3].startsWith(QLatin1String("--")) ? args[3] : QString();
    CleanupSettings settings;
    RunState state;
    settings.statSrc = SQLiteConnection(statistics);
    settings.callCenterSrc = settings.statSrc; // the reference tables are not measured
    settings.statTgt = target.isEmpty() ? QString() : SQLiteConnection(target);
    settings.backupType = target.isEmpty() ? 0 : 1;
    settings.timeout = QStringLiteral("600");
    for (const QString& arg : args)
        if (arg.startsWith(QLatin1String("--batch-size=")))
            settings.batchSize = arg.section(QLatin1Char('='), 1).toInt();
    state.removalDate = kCutoff;
    if (!target.isEmpty())
        ExecuteAll(settings.statSrc, {QStringLiteral("CREATE TABLE IF NOT EXISTS Agents (AgentID int)"),
                                      QStringLiteral("CREATE TABLE IF NOT EXISTS Surveys (SurveyID int)"),
                                      QStringLiteral("CREATE TABLE IF NOT EXISTS Lists (ListID int)")});
    QuietFeedback feedback;
    CleanupOperations operations(settings, state, feedback);
    CleanupDatabases::Options options;
    options.rowByRow = args.contains(QStringLiteral("--row-by-row"));
    for (const QString& arg : args)
        if (arg.startsWith(QLatin1String("--transaction-ms=")))
            options.transactionMilliseconds = arg.section(QLatin1Char('='), 1).toLongLong();
    operations.setDatabaseOptions(options);

    QElapsedTimer clock;
    clock.start();
    const bool ok = operations.CleanUpByDate(TargetConnection(settings, state)).completed();
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9; // nanoseconds: exact below 104 days
    std::printf("ok=%d seconds=%.3f peak_mb=%.1f message=\"%s\"\n", ok ? 1 : 0, seconds, PeakMemoryMegabytes(),
                qPrintable(feedback.message));
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
    if (command == QLatin1String("generate-big-row") && args.size() >= 3) {
        // A few calls, and one old message of 75 MB: what one big row costs.
        ProductDatabases product(args[2]);
        FixtureOptions options;
        options.calls = 100;
        options.dateRows = 100;
        product.CreateStatistics(options, {1, 2});
        ExecuteAll(product.statistics(),
                   {QStringLiteral("ALTER TABLE Statistic_Messages ADD COLUMN Payload blob"),
                    QStringLiteral("INSERT INTO Statistic_Messages (MessageID, MessageTime, Body, Payload) VALUES "
                                   "(-1, '2020-01-01 00:00:00', printf('%.*c', 26214400, 'b'), zeroblob(52428800))")});
        return 0;
    }
    if (command == QLatin1String("statements"))
        return Statements(false);
    if (command == QLatin1String("copies"))
        return Statements(true);
    if (command == QLatin1String("run") && args.size() >= 3)
        return Run(args);
    std::fprintf(stderr, "usage: qelcleanup-bench generate FOLDER CALLS DATE_ROWS | generate-big-row FOLDER | statements | "
                         "copies | run STATISTICS [TARGET] [--row-by-row] [--batch-size=N] [--transaction-ms=N]\n");
    return 2;
}
