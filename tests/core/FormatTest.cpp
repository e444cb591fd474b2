#include "core/Format.h"

#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

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
