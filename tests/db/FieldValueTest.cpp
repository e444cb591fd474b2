#include "core/Dates.h"
#include "core/RunState.h"
#include "db/Dialect.h"
#include "db/FieldValue.h"

#include <gtest/gtest.h>

using namespace qel;

namespace {

FieldValue At(int y, int m, int d, int h = 0, int mi = 0, int s = 0, std::uint32_t ns = 0)
{
    return FieldValue::DateTime({y, m, d, h, mi, s, ns});
}

} // namespace

TEST(FieldText, FollowsTheTypeTable)
{
    using T = FieldValue::Type;
    EXPECT_EQ(FieldText(FieldValue::Integer(T::Int16, -3)), QStringLiteral("-3"));
    EXPECT_EQ(FieldText(FieldValue::Integer(T::Int32, 70000)), QStringLiteral("70000"));
    EXPECT_EQ(FieldText(At(2023, 3, 15, 12)), QStringLiteral("45000.5"));
    EXPECT_EQ(FieldText(At(2023, 3, 15, 8)), QStringLiteral("45000.33333333334"));
    EXPECT_EQ(FieldText(FieldValue::String(QStringLiteral("Title"))), QStringLiteral("Title"));
    EXPECT_EQ(FieldText(FieldValue::Bool(true)), QStringLiteral("1"));
    EXPECT_EQ(FieldText(FieldValue::Bool(false)), QStringLiteral("0"));
    EXPECT_EQ(FieldText(FieldValue::Real(T::Double, 1.5)), QString());
    EXPECT_EQ(FieldText(FieldValue::Real(T::Float, 1.5)), QString());
    EXPECT_EQ(FieldText(FieldValue::Integer(T::Int64, 5)), QString());
    EXPECT_EQ(FieldText(FieldValue::Integer(T::UInt8, 5)), QString());
    EXPECT_EQ(FieldText(FieldValue::Decimal(QStringLiteral("1.25"))), QString());
    EXPECT_EQ(FieldText(FieldValue::Null()), QString());
    EXPECT_EQ(FieldText(FieldValue()), QString());
}

TEST(DatesTest, DayNumbersCountFromTheBaseDayWithoutATimeZone)
{
    EXPECT_DOUBLE_EQ(AutomationDayNumber(QDate(2023, 3, 15), 12 * 3600 * 1000), 45000.5);
    // Before the base day the fraction still counts forward from midnight.
    EXPECT_DOUBLE_EQ(AutomationDayNumber(QDate(1899, 12, 29), 6 * 3600 * 1000), -1.25);
    // A wall-clock time that some zone skips is still the time it says.
    EXPECT_NEAR(FieldText(At(2024, 3, 31, 2, 30)).toDouble() - FieldText(At(2024, 3, 31)).toDouble(), 2.5 / 24, 1e-9);

    EXPECT_EQ(FormatDate(QDate(2024, 3, 5), QStringLiteral("%m/%d/%Y")), QStringLiteral("03/05/2024"));
    EXPECT_EQ(FormatDate(QDate(2024, 3, 5), QStringLiteral("%Y-%m-%d")), QStringLiteral("2024-03-05"));
    EXPECT_EQ(FormatDate(QDate(), QStringLiteral("%m/%d/%Y")), QStringLiteral("Invalid DateTime"));
}

TEST(DatesTest, DefaultRemovalDateIsNinetyDaysBack)
{
    EXPECT_EQ(RunState().removalDate, QDate::currentDate().addDays(-90));
}

TEST(DialectTest, DateLiteralsQuotingAndPreambles)
{
    const QDate date(2024, 3, 5);
    const Dialect sqlServer(Dialect::Kind::SqlServer);
    const Dialect sqlite(Dialect::Kind::SQLite);
    EXPECT_EQ(sqlServer.DateLiteral(date), QStringLiteral("03/05/2024"));
    EXPECT_EQ(sqlite.DateLiteral(date), QStringLiteral("2024-03-05"));
    EXPECT_EQ(sqlServer.DateFormatPreamble(), QStringLiteral("SET DATEFORMAT mdy"));
    EXPECT_EQ(sqlite.DateFormatPreamble(), QString());
    EXPECT_EQ(sqlServer.QuoteIdentifier(QStringLiteral("a]b")), QStringLiteral("[a]]b]"));
    EXPECT_EQ(sqlite.QuoteIdentifier(QStringLiteral("a\"b]")), QStringLiteral("\"a\"\"b]\""));
    EXPECT_EQ(Dialect::ForDbmsName(QStringLiteral("Microsoft SQL Server")).kind(), Dialect::Kind::SqlServer);
    EXPECT_EQ(Dialect::ForDbmsName(QStringLiteral("SQLite")).kind(), Dialect::Kind::SQLite);
    EXPECT_EQ(Dialect::ForDbmsName(QStringLiteral("ACCESS")).kind(), Dialect::Kind::Access);
}
