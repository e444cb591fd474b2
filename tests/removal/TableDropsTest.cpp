// A preview's removals are given drops that only list: on a database
// opened for writing, they still change nothing, and their walk over the
// catalogue picks the tables a real run drops.
#include "cleanup/removal/TableDrops.h"
#include "db/Catalog.h"
#include "db/Connection.h"
#include "fixtures/ProductDatabases.h"
#include "tests/support/TempDatabases.h"

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

TEST(TableDropsTest, ListingOnlyPicksWhatDroppingDropsAndDropsNothing)
{
    TempDatabases temp;
    const QString file = temp.connection(QStringLiteral("lists.db"));
    ExecuteAll(file, {QStringLiteral("CREATE TABLE ZEBList1 (a int)"), QStringLiteral("CREATE TABLE ZEBCall1 (a int)"),
                      QStringLiteral("CREATE VIEW ZEBEmail1 AS SELECT 1"), QStringLiteral("CREATE TABLE Keep (a int)")});
    const auto walk = [&](TableDrops& drops, Catalog& catalog) {
        for (const char* name : {"ZEBList1", "ZEBCall1", "ZEBEmail1", "Missing"})
            drops.DropIfPresent(catalog, QLatin1String(name));
        QStringList left;
        for (const TableEntry& table : catalog.Tables())
            left << table.name;
        return left;
    };

    QStringList listed;
    auto connection = Connection::Open(file); // writable: the drops alone keep it unchanged
    Catalog previewCatalog(*connection);
    const QStringList leftInPreview = walk(*TableDrops::ListingOnly(listed), previewCatalog);
    EXPECT_EQ(TableNames(file), (QStringList{"Keep", "ZEBCall1", "ZEBEmail1", "ZEBList1"})) << "nothing was dropped";

    QStringList dropped;
    Catalog runCatalog(*connection);
    const QStringList leftInRun = walk(*TableDrops::Dropping(dropped), runCatalog);
    EXPECT_EQ(listed, dropped);
    EXPECT_EQ(dropped, (QStringList{"ZEBList1", "ZEBCall1"})) << "a view of the name is no table";
    EXPECT_EQ(leftInPreview, leftInRun);
    EXPECT_EQ(TableNames(file), (QStringList{"Keep", "ZEBEmail1"}));
}
