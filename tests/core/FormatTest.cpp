#include "core/Format.h"
#include "core/TableProgress.h"

#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace qel;

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

// A number with a fraction for %d is cut to its whole part; one no 64-bit
// integer holds, or NaN, still gives a number rather than whatever an
// undefined conversion leaves.
TEST(FormatTest, FloatingPointArgumentsOfIntegerConversionsStayInRange)
{
    EXPECT_EQ(Format(QStringLiteral("%d"), {2.9}), QStringLiteral("2"));
    EXPECT_EQ(Format(QStringLiteral("%d"), {-2.9}), QStringLiteral("-2"));
    EXPECT_EQ(Format(QStringLiteral("%ld"), {9007199254740993.0}), QStringLiteral("9007199254740992"));
    EXPECT_EQ(Format(QStringLiteral("%d"), {9223372036854775808.0}), QStringLiteral("9223372036854775807"));
    EXPECT_EQ(Format(QStringLiteral("%d"), {1e300}), QStringLiteral("9223372036854775807"));
    EXPECT_EQ(Format(QStringLiteral("%d"), {-9223372036854775808.0}), QStringLiteral("-9223372036854775808"));
    EXPECT_EQ(Format(QStringLiteral("%d"), {-1e300}), QStringLiteral("-9223372036854775808"));
    EXPECT_EQ(Format(QStringLiteral("%d|%x"), {std::numeric_limits<double>::infinity(), std::nan("")}),
              QStringLiteral("9223372036854775807|0"));
}

TEST(FormatTest, AWidthOrPrecisionOfEndlessDigitsStopsAtItsLimit)
{
    EXPECT_EQ(Format(QStringLiteral("%99999999999999999999d"), {7}).size(), 9999);
    EXPECT_EQ(Format(QStringLiteral("%.99999999999999999999s|"), {QStringLiteral("abc")}), QStringLiteral("abc|"));
}

// The progress line of a table whose rate is next to nothing, or beyond any
// real one, still names a time and a rate that a long long holds.
TEST(ProgressDetailText, RatesAndTimesBeyondAnyClockStayInRange)
{
    TableProgress slow;
    slow.done = 1;
    slow.total = std::numeric_limits<long long>::max();
    slow.seconds = 1e300;
    EXPECT_TRUE(ProgressDetailText(slow).endsWith(QStringLiteral(", 2562047788015215:30:07 left")))
        << ProgressDetailText(slow).toStdString();

    TableProgress fast;
    fast.done = 4000;
    fast.total = 8000;
    fast.seconds = 1e-320;
    EXPECT_EQ(ProgressDetailText(fast),
              QStringLiteral("4,000 of 8,000 rows, 9,223,372,036,854,775,807 rows/s, 0:00 left"));

    TableProgress usual;
    usual.done = 12000;
    usual.total = 40000;
    usual.seconds = 3.8;
    EXPECT_EQ(ProgressDetailText(usual), QStringLiteral("12,000 of 40,000 rows, 3,158 rows/s, 0:09 left"));
}

// The total a step shows while it walks a table it did not count: the rows
// moved scaled by the share of the walk they came from. A walk that has
// barely begun, or a share a key's spread makes tiny, still gives a count a
// long long holds, never less than the rows already moved.
TEST(ProgressDetailText, TotalsReckonedFromTheWalkStayInRange)
{
    EXPECT_EQ(EstimatedTotal(300, 0.25), 1200);
    EXPECT_EQ(EstimatedTotal(1, 0.4), 3); // 2.5 rounds up
    EXPECT_EQ(EstimatedTotal(500, 1.0), 500);
    EXPECT_EQ(EstimatedTotal(500, 0.0), 500);
    EXPECT_EQ(EstimatedTotal(500, std::nan("")), 500);
    EXPECT_EQ(EstimatedTotal(500, 1.5), 500); // a share past the end counts what moved
    EXPECT_EQ(EstimatedTotal(1000, 1e-300), std::numeric_limits<long long>::max());
    EXPECT_EQ(EstimatedTotal(std::numeric_limits<long long>::max(), 0.5), std::numeric_limits<long long>::max());
    EXPECT_EQ(EstimatedTotal(1, std::numeric_limits<double>::denorm_min()), std::numeric_limits<long long>::max());
}
