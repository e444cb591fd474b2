// The reads a clean-up makes before its first delete (the check of the date
// columns, the calls it takes) go along each table in windows. Between
// windows they ask the thread's wait hook, as one long statement would
// while it runs: the window keeps answering, and a stop ends the reading.
#include "cleanup/checks/RunChecks.h"
#include "cleanup/transfer/CallSet.h"
#include "cleanup/transfer/CleanupDatabases.h"
#include "cleanup/transfer/StatisticsCatalogue.h"
#include "cleanup/transfer/TransferStatements.h"
#include "db/Connection.h"
#include "db/WaitHook.h"
#include "fixtures/FixtureOptions.h"
#include "fixtures/ProductDatabases.h"
#include "tests/support/Rows.h"
#include "tests/support/TempDatabases.h"

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

namespace {

const QDate kCutoff(2024, 3, 5);

class PacedReadsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FixtureOptions options;
        options.calls = 3000;
        options.dateRows = 3000;
        product.CreateAll(options);
        product.ApplyTo(settings);
        settings.backupType = 0;
        settings.batchSize = 100;
    }

    QStringList OldCalls() const
    {
        return {TransferStatements::CallsBeforeDate(QStringLiteral("'%1'").arg(kCutoff.toString(Qt::ISODate)))};
    }

    TempDatabases temp;
    ProductDatabases product{temp.path(QStringLiteral("product"))};
    CleanupSettings settings;
};

} // namespace

TEST_F(PacedReadsTest, TheyAskTheWaitHookAndKeepTheirResult)
{
    int asked = 0;
    const WaitHookScope scope([&] {
        ++asked;
        return false;
    });
    CheckDateColumns(settings, DateCleanupSteps(), kCutoff);
    EXPECT_GT(asked, 0) << "the date check asked the hook";
    const int askedByTheCheck = asked;

    auto databases = CleanupDatabases::Open(settings, QString(), CleanupDatabases::Options());
    const QStringList selections = PrepareCallSelections(*databases, settings.batchSize, OldCalls());
    EXPECT_GT(asked, askedByTheCheck) << "the call set asked the hook";
    ASSERT_EQ(selections.size(), 1);
    EXPECT_EQ(Scalar(*databases->source, QStringLiteral("SELECT COUNT(*) FROM (%1)").arg(selections[0])),
              Scalar(*databases->source, QStringLiteral("SELECT COUNT(DISTINCT CallID) FROM Statistic_Call "
                                                        "WHERE Start_Time < '2024-03-05'")));
}

TEST_F(PacedReadsTest, AStopEndsTheDateCheckAndTheCallSetWithInterrupted)
{
    const WaitHookScope scope([] { return true; });
    EXPECT_THROW(CheckDateColumns(settings, DateCleanupSteps(), kCutoff), Interrupted);
    auto databases = CleanupDatabases::Open(settings, QString(), CleanupDatabases::Options());
    EXPECT_THROW(PrepareCallSelections(*databases, settings.batchSize, OldCalls()), Interrupted);
}
