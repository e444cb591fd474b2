// Drives the clean-up by date on large fixture databases for the benchmark:
//   qelcleanup-bench generate FOLDER CALLS DATE_ROWS   builds the statistics database
//   qelcleanup-bench statements                         prints the shell's DELETE statements
//   qelcleanup-bench copies                             prints the shell's INSERT ... SELECT statements
//   qelcleanup-bench run STATISTICS [TARGET] [--row-by-row] [--writer] [--batch-size=N]
//                                                       runs the clean-up, with a backup into TARGET
// "run" prints the seconds of the whole operation, the rows deleted and the
// process's peak memory. --row-by-row makes the backup go through this
// program, as into another server. --writer inserts a call every 10 ms from
// a second connection while the clean-up runs and reports how long each
// insert waited (p99 and longest).
#include "PeakMemory.h"

#include "cleanup/CleanupOperations.h"
#include "cleanup/StatisticsCatalogue.h"
#include "cleanup/TransferStatements.h"
#include "core/Dates.h"
#include "db/OdbcApi.h"
#include "fixtures/ProductDatabases.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
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

// A product writer: a call record every 10 ms through its own connection,
// each insert timed. It talks to the SQLite ODBC driver directly, as the
// product would, and waits for a lock in the driver's busy handler (which
// tries again every 10 ms), up to 30 s.
class Writer {
public:
    explicit Writer(QString database) : database_(std::move(database)) {}

    void Start()
    {
        thread_ = std::thread([this] { Run(); });
    }
    void Stop()
    {
        stop_ = true;
        thread_.join();
    }
    QString Summary()
    {
        if (waits_.empty())
            return QStringLiteral("writer_inserts=0 writer_error=\"%1\"").arg(error_);
        std::sort(waits_.begin(), waits_.end());
        const double p99 = waits_[std::min(waits_.size() - 1, waits_.size() * 99 / 100)];
        return QStringLiteral("writer_inserts=%1 writer_p99_ms=%2 writer_max_ms=%3%4")
            .arg(waits_.size())
            .arg(p99, 0, 'f', 1)
            .arg(waits_.back(), 0, 'f', 1)
            .arg(error_.isEmpty() ? QString() : QStringLiteral(" writer_error=\"%1\"").arg(error_));
    }

private:
    void Run()
    {
        SQLHENV env = SQL_NULL_HENV;
        SQLHDBC dbc = SQL_NULL_HDBC;
        SQLHSTMT statement = SQL_NULL_HSTMT;
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
        SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
        const QByteArray connection = (SQLiteConnection(database_) + QStringLiteral(";Timeout=30000")).toUtf8();
        if (!SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(connection.constData())),
                                            SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT))) {
            error_ = QStringLiteral("cannot connect");
        } else {
            SQLAllocHandle(SQL_HANDLE_STMT, dbc, &statement);
            qint64 id = 100000000;
            QElapsedTimer clock;
            while (!stop_) {
                const QByteArray insert = QStringLiteral("INSERT INTO Statistic_Call (CallID, TaskID, Start_Time) VALUES "
                                                         "(%1, 1, '2025-01-01 10:00:00')").arg(++id).toUtf8();
                clock.start();
                const SQLRETURN rc = SQLExecDirect(statement, reinterpret_cast<SQLCHAR*>(const_cast<char*>(insert.constData())), SQL_NTS);
                waits_.push_back(clock.nsecsElapsed() / 1e6);
                if (!SQL_SUCCEEDED(rc)) {
                    error_ = QStringLiteral("an insert failed");
                    break;
                }
                QThread::msleep(10);
            }
            SQLFreeHandle(SQL_HANDLE_STMT, statement);
            SQLDisconnect(dbc);
        }
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, env);
    }

    QString database_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::vector<double> waits_;
    QString error_;
};

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
    operations.setDatabaseOptions(options);

    Writer writer(statistics);
    const bool withWriter = args.contains(QStringLiteral("--writer"));
    if (withWriter)
        writer.Start();
    QElapsedTimer clock;
    clock.start();
    const bool ok = operations.CleanUpByDate(TargetConnection(settings, state));
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (withWriter)
        writer.Stop();
    std::printf("ok=%d seconds=%.3f peak_mb=%.1f %s message=\"%s\"\n", ok ? 1 : 0, seconds, PeakMemoryMegabytes(),
                withWriter ? qPrintable(writer.Summary()) : "", qPrintable(feedback.message));
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
        return Run(args);
    std::fprintf(stderr, "usage: qelcleanup-bench generate FOLDER CALLS DATE_ROWS | statements | copies | "
                         "run STATISTICS [TARGET] [--row-by-row] [--writer] [--batch-size=N]\n");
    return 2;
}
