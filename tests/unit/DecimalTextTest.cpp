#include "support/DecimalText.h"

#include <cmath>
#include <limits>
#include <span>
#include <utility>

#include <gtest/gtest.h>

namespace {
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr const char* kHuge = "99999999999999999999999999999999";
constexpr const char* kHugeNegative = "-99999999999999999999999999999999";
} // namespace

// Blanks, a sign and the leading digits; no digits is 0; beyond 32 bits the
// nearest limit. Counting stops at the largest value; no padding in text.
TEST(DecimalText, IntTakesBlanksSignAndLeadingDigitsAndSaturates)
{
    using Case = std::pair<const char*, std::int32_t>;
    const Case plain[] = {{"  41abc", 41}, {"\t\n 7", 7}, {"-17", -17}, {"+5", 5},  {"12 34", 12}, {"007", 7},
                          {"", 0},         {"abc", 0},    {"-", 0},     {"- 5", 0}, {"x41", 0}};
    const Case saturated[] = {{"2147483647", kMax},  {"2147483648", kMax},  {kHuge, kMax},
                              {"-2147483648", kMin}, {"-2147483649", kMin}, {kHugeNegative, kMin}};
    for (const auto& cases : {std::span<const Case>(plain), std::span<const Case>(saturated)}) {
        for (auto [text, value] : cases) {
            EXPECT_EQ(ParseDecimalInt(text), value) << '"' << text << '"';
        }
    }
    EXPECT_EQ(IncrementSaturating(kMax), kMax);
    EXPECT_EQ(IncrementSaturating(kMax - 1), kMax);
    EXPECT_EQ(IncrementSaturating(-1), 0);
    EXPECT_EQ(IncrementSaturating(kMin), kMin + 1);
    EXPECT_EQ(FormatDecimal(0), "0");
    EXPECT_EQ(FormatDecimal(42), "42");
    EXPECT_EQ(FormatDecimal(-3), "-3");
    EXPECT_EQ(FormatDecimal(kMin), "-2147483648");
}

// Decimal numbers with trailing text ignored; any other notation is 0.
TEST(DecimalText, DoubleReadsDecimalNumbersOnly)
{
    const std::pair<const char*, double> cases[] = {
        {"1.0", 1.0},  {" -2.5e3x", -2500.0}, {".5", 0.5},  {"5.", 5.0},    {"+1E+2", 100.0}, {"7e", 7.0},
        {"7e+", 7.0},  {"1.5.2", 1.5},        {"", 0.0},    {"abc", 0.0},   {".", 0.0},       {"-.e5", 0.0},
        {"0x1A", 0.0}, {"inf", 0.0},          {"nan", 0.0}, {"1e-999", 0.0}};
    for (auto [text, value] : cases) {
        EXPECT_DOUBLE_EQ(ParseDecimalDouble(text), value) << '"' << text << '"';
    }
    EXPECT_LT(ParseDecimalDouble("1.10"), ParseDecimalDouble("1.9"));
    EXPECT_TRUE(std::isinf(ParseDecimalDouble("1e999")));
}
