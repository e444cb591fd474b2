#include <Dialect.h>
#include <Format.h>
#include <OleDateTime.h>
#include <Variant.h>

#include <gtest/gtest.h>

TEST(VariantToText, FollowsTheTypeTable)
{
    EXPECT_EQ(VariantToText(Variant::FromInt16(-3)), QStringLiteral("-3"));
    EXPECT_EQ(VariantToText(Variant::FromInt32(70000)), QStringLiteral("70000"));
    EXPECT_EQ(VariantToText(Variant::FromDate(45000.5)), QStringLiteral("45000.5"));
    EXPECT_EQ(VariantToText(Variant::FromDate(45000.0 + 1.0 / 3.0)), QStringLiteral("45000.33333333334"));
    EXPECT_EQ(VariantToText(Variant::FromString(QStringLiteral("Title"))), QStringLiteral("Title"));
    EXPECT_EQ(VariantToText(Variant::FromBool(true)), QStringLiteral("1"));
    EXPECT_EQ(VariantToText(Variant::FromBool(false)), QStringLiteral("0"));
    EXPECT_EQ(VariantToText(Variant::FromDouble(1.5)), QString());
    EXPECT_EQ(VariantToText(Variant::FromFloat(1.5f)), QString());
    EXPECT_EQ(VariantToText(Variant::FromInt64(5)), QString());
    EXPECT_EQ(VariantToText(Variant::FromUInt8(5)), QString());
    EXPECT_EQ(VariantToText(Variant::FromDecimal(QStringLiteral("1.25"))), QString());
    EXPECT_EQ(VariantToText(Variant::Null()), QString());
    EXPECT_EQ(VariantToText(Variant()), QString());
}

TEST(OleDateTimeTest, DayNumbersAndFormatting)
{
    const OleDateTime noon = OleDateTime::FromDate(2023, 3, 15, 12);
    EXPECT_DOUBLE_EQ(noon.dayNumber(), 45000.5);
    EXPECT_EQ(OleDateTime::FromDate(2024, 3, 5).format(QStringLiteral("%m/%d/%Y")), QStringLiteral("03/05/2024"));
    EXPECT_EQ(OleDateTime().format(QStringLiteral("%m/%d/%Y")), QString());
    EXPECT_EQ(OleDateTime::Invalid().format(QStringLiteral("%m/%d/%Y")), QStringLiteral("Invalid DateTime"));
    // Before the base day the fraction still counts forward from midnight.
    const OleDateTime early = OleDateTime::FromDate(1899, 12, 29, 6);
    EXPECT_DOUBLE_EQ(early.dayNumber(), -1.25);
    EXPECT_EQ(early.toDateTime(), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
    // Subtracting across the base day keeps the time of day.
    EXPECT_EQ(OleDateTime::FromDate(1900, 1, 1, 6).minusDays(3.0).toDateTime(), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
}

TEST(OleDateTimeTest, DefaultRemovalDateIsNinetyDaysBackAtTheTimeOfStart)
{
    const QDateTime before = QDateTime::currentDateTime();
    const OleDateTime d = OleDateTime::NowLessDays(90.0);
    ASSERT_TRUE(d.isValid());
    EXPECT_EQ(d.toDateTime().date(), before.date().addDays(-90));
    EXPECT_EQ(d.toDateTime().time().msec(), 0);
}

TEST(DialectTest, DateLiteralsQuotingAndPreambles)
{
    const OleDateTime date = OleDateTime::FromDate(2024, 3, 5, 17, 30);
    const Dialect sqlServer(Dialect::Kind::SqlServer);
    const Dialect sqlite(Dialect::Kind::SQLite);
    EXPECT_EQ(sqlServer.dateLiteral(date), QStringLiteral("03/05/2024"));
    EXPECT_EQ(sqlite.dateLiteral(date), QStringLiteral("2024-03-05"));
    EXPECT_EQ(sqlServer.dateFormatPreamble(), QStringLiteral("SET DATEFORMAT mdy"));
    EXPECT_EQ(sqlite.dateFormatPreamble(), QString());
    EXPECT_EQ(sqlServer.quoteIdentifier(QStringLiteral("a]b")), QStringLiteral("[a]]b]"));
    EXPECT_EQ(sqlite.quoteIdentifier(QStringLiteral("a\"b]")), QStringLiteral("\"a\"\"b]\""));
    EXPECT_EQ(Dialect::ForDbmsName(QStringLiteral("Microsoft SQL Server")).kind(), Dialect::Kind::SqlServer);
    EXPECT_EQ(Dialect::ForDbmsName(QStringLiteral("SQLite")).kind(), Dialect::Kind::SQLite);
    EXPECT_EQ(Dialect::ForDbmsName(QStringLiteral("ACCESS")).kind(), Dialect::Kind::Access);
}

TEST(FormatTest, PrintfConversionsOfTheProgramsTexts)
{
    EXPECT_EQ(Format(QStringLiteral("Vorto%04ldData"), {7}), QStringLiteral("Vorto0007Data"));
    EXPECT_EQ(Format(QStringLiteral("Vorto%04ldData"), {12345}), QStringLiteral("Vorto12345Data"));
    EXPECT_EQ(Format(QStringLiteral("Stage %d/%d: %s"), {22, 21, QStringLiteral("x")}), QStringLiteral("Stage 22/21: x"));
    EXPECT_EQ(Format(QStringLiteral("%.16g"), {45000.5}), QStringLiteral("45000.5"));
    EXPECT_EQ(Format(QStringLiteral(" (%s = %ld)"), {QStringLiteral("SurveyID"), 4294967295LL}),
              QStringLiteral(" (SurveyID = 4294967295)"));
    EXPECT_EQ(Format(QStringLiteral("100%% %s"), {}), QStringLiteral("100% "));
}
