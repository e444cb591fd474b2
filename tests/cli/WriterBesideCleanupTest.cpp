// A clean-up by date of a statistics file that the product goes on writing
// to. A writer beside it, inserting a call every 10 ms as the product's
// dialler does, gets in all through the run: no insert fails or waits long,
// each is kept, and the run takes exactly the rows that a run alone takes
// from a copy of the same file, into a backup the same to the row.
#include "db/Connection.h"
#include "fixtures/FixtureOptions.h"
#include "fixtures/ProductDatabases.h"
#include "tests/cli/CleanupProcess.h"
#include "tests/support/Rows.h"
#include "tests/support/TableContents.h"
#include "tests/support/TempDatabases.h"

#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>

using namespace qel;
using namespace qel::test;

namespace {

constexpr long long kFirstWriterCall = 900000000;

std::unique_ptr<CleanupProcess> StartCleanup(const ProductDatabases& databases, const QString& configHome)
{
    QStringList arguments{QStringLiteral("by-date"), QStringLiteral("--before"), QStringLiteral("2024-03-05")};
    for (const QString& setting : {"StatSrc=" + databases.statistics(), "CallCenterSrc=" + databases.callCenter(),
                                   "StatTgt=" + databases.backup(), QStringLiteral("BackupType=1")})
        arguments << QStringLiteral("--set") << setting;
    return std::make_unique<CleanupProcess>(QStringLiteral(QELCLEANUP_BINARY), arguments, configHome);
}

} // namespace

TEST(WriterBesideCleanup, ItsInsertsGetInAllThroughTheRunAndTheRunTakesWhatItWouldAlone)
{
    TempDatabases temp{MemoryBackedTempPath()};
    ProductDatabases product{temp.path(QStringLiteral("product"))};
    ProductDatabases reference{temp.path(QStringLiteral("reference"))};
    FixtureOptions options;
    options.calls = 20000;
    options.dateRows = 4000;
    product.CreateAll(options);
    for (const char* file : {"statistics.db", "callcenter.db"})
        ASSERT_TRUE(QFile::copy(product.path(QLatin1String(file)), reference.path(QLatin1String(file))));
    const CleanupProcess::Outcome alone = StartCleanup(reference, temp.path(QStringLiteral("config")))->Finish();
    ASSERT_EQ(alone.exitCode, 0) << alone.err.toStdString();

    auto writer = Connection::Open(product.statistics());
    auto run = StartCleanup(product, temp.path(QStringLiteral("config")));
    std::vector<qint64> waits;
    while (run->running()) {
        QElapsedTimer waited;
        waited.start();
        writer->Execute(QStringLiteral("INSERT INTO Statistic_Call (CallID, TaskID, Start_Time) "
                                       "VALUES (%1, 1, '2025-01-01 10:00:00')")
                            .arg(kFirstWriterCall + static_cast<long long>(waits.size())));
        waits.push_back(waited.elapsed());
        run->WaitFor([](const QString&) { return false; }, 10); // 10 ms, watching the run
    }
    const CleanupProcess::Outcome beside = run->Finish();
    ASSERT_EQ(beside.exitCode, 0) << beside.err.toStdString();

    // The run takes long enough for a writer that got in only now and
    // then to make a handful of inserts; one that gets in all through it
    // makes dozens.
    EXPECT_GE(waits.size(), 50u) << "inserts the writer made during the run";
    EXPECT_LT(*std::max_element(waits.begin(), waits.end()), 2000) << "the longest wait of an insert, in ms";
    EXPECT_EQ(Scalar(*writer, QStringLiteral("SELECT COUNT(*) FROM Statistic_Call WHERE CallID >= %1").arg(kFirstWriterCall)),
              static_cast<long long>(waits.size()));
    writer->Execute(QStringLiteral("DELETE FROM Statistic_Call WHERE CallID >= %1").arg(kFirstWriterCall));
    writer.reset();

    const auto statistics = DatabaseRows(product.statistics());
    const auto expectedStatistics = DatabaseRows(reference.statistics());
    const auto backup = DatabaseRows(product.backup());
    const auto expectedBackup = DatabaseRows(reference.backup());
    ASSERT_EQ(statistics.size(), expectedStatistics.size());
    for (const auto& [table, rows] : expectedStatistics)
        EXPECT_EQ(RowDifference(rows, statistics.at(table)), QString()) << "statistics " << table.toStdString();
    ASSERT_EQ(backup.size(), expectedBackup.size());
    for (const auto& [table, rows] : expectedBackup)
        EXPECT_EQ(RowDifference(rows, backup.at(table)), QString()) << "backup " << table.toStdString();
}
