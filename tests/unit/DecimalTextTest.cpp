#include "support/DecimalText.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace {
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
} // namespace

TEST(DecimalText, IntTakesBlanksSignAndLeadingDigitsOnly)
{
    EXPECT_EQ(ParseDecimalInt("  41abc"), 41);
    EXPECT_EQ(ParseDecimalInt("\t\n 7"), 7);
    EXPECT_EQ(ParseDecimalInt("-17"), -17);
    EXPECT_EQ(ParseDecimalInt("+5"), 5);
    EXPECT_EQ(ParseDecimalInt("12 34"), 12);
    EXPECT_EQ(ParseDecimalInt("007"), 7);
}

TEST(DecimalText, IntWithoutDigitsIsZero)
{
    EXPECT_EQ(ParseDecimalInt(""), 0);
    EXPECT_EQ(ParseDecimalInt("abc"), 0);
    EXPECT_EQ(ParseDecimalInt("-"), 0);
    EXPECT_EQ(ParseDecimalInt("- 5"), 0);
    EXPECT_EQ(ParseDecimalInt("x41"), 0);
}

TEST(DecimalText, IntSaturatesAtThe32BitLimits)
{
    EXPECT_EQ(ParseDecimalInt("2147483647"), kMax);
    EXPECT_EQ(ParseDecimalInt("2147483648"), kMax);
    EXPECT_EQ(ParseDecimalInt("99999999999999999999999999999999"), kMax);
    EXPECT_EQ(ParseDecimalInt("-2147483648"), kMin);
    EXPECT_EQ(ParseDecimalInt("-2147483649"), kMin);
    EXPECT_EQ(ParseDecimalInt("-99999999999999999999999999999999"), kMin);
}

TEST(DecimalText, IncrementStopsAtTheLargestValue)
{
    EXPECT_EQ(IncrementSaturating(kMax), kMax);
    EXPECT_EQ(IncrementSaturating(kMax - 1), kMax);
    EXPECT_EQ(IncrementSaturating(-1), 0);
    EXPECT_EQ(IncrementSaturating(kMin), kMin + 1);
}

TEST(DecimalText, FormatHasNoLeadingZerosAndAMinusSign)
{
    EXPECT_EQ(FormatDecimal(0), "0");
    EXPECT_EQ(FormatDecimal(42), "42");
    EXPECT_EQ(FormatDecimal(-3), "-3");
    EXPECT_EQ(FormatDecimal(kMin), "-2147483648");
}

TEST(DecimalText, DoubleReadsDecimalNumbersAndIgnoresTrailingText)
{
    EXPECT_DOUBLE_EQ(ParseDecimalDouble("1.0"), 1.0);
    EXPECT_DOUBLE_EQ(ParseDecimalDouble(" -2.5e3x"), -2500.0);
    EXPECT_DOUBLE_EQ(ParseDecimalDouble(".5"), 0.5);
    EXPECT_DOUBLE_EQ(ParseDecimalDouble("5."), 5.0);
    EXPECT_DOUBLE_EQ(ParseDecimalDouble("+1E+2"), 100.0);
    EXPECT_DOUBLE_EQ(ParseDecimalDouble("7e"), 7.0);
    EXPECT_DOUBLE_EQ(ParseDecimalDouble("7e+"), 7.0);
    EXPECT_DOUBLE_EQ(ParseDecimalDouble("1.5.2"), 1.5);
}

TEST(DecimalText, DoubleComparesAsNumbersNotDottedParts)
{
    EXPECT_LT(ParseDecimalDouble("1.10"), ParseDecimalDouble("1.9"));
}

TEST(DecimalText, DoubleAcceptsNoOtherNotation)
{
    EXPECT_EQ(ParseDecimalDouble(""), 0.0);
    EXPECT_EQ(ParseDecimalDouble("abc"), 0.0);
    EXPECT_EQ(ParseDecimalDouble("."), 0.0);
    EXPECT_EQ(ParseDecimalDouble("-.e5"), 0.0);
    EXPECT_EQ(ParseDecimalDouble("0x1A"), 0.0);
    EXPECT_EQ(ParseDecimalDouble("inf"), 0.0);
    EXPECT_EQ(ParseDecimalDouble("nan"), 0.0);
}

TEST(DecimalText, DoubleOutOfRangeIsInfinite)
{
    EXPECT_TRUE(std::isinf(ParseDecimalDouble("1e999")));
    EXPECT_EQ(ParseDecimalDouble("1e-999"), 0.0);
}
