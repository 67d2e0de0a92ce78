// Decimal numbers in text, as the toy stores them in string resources and in
// the registry. Portable: no Windows types.
#pragma once

#include <cstdint>
#include <string>

// Skips leading white space, takes an optional sign and then the longest run of
// decimal digits; whatever follows is ignored. No digits give 0. Values beyond
// the signed 32-bit range saturate at its limits.
std::int32_t ParseDecimalInt(const std::string& text);

// Skips leading white space, takes an optional sign, digits with an optional
// fraction after "." and an optional exponent; whatever follows is ignored.
// No number gives 0.0.
double ParseDecimalDouble(const std::string& text);

// Decimal text without leading zeros, with a leading "-" when negative.
std::string FormatDecimal(std::int32_t value);

// The shortest decimal text that reads back as value: "1.1", "20261207", "1e+21".
std::string FormatDecimalDouble(double value);

// One more than value, staying at the largest value instead of overflowing.
std::int32_t IncrementSaturating(std::int32_t value);
