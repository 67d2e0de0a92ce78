#include "support/DecimalText.h"

#include <charconv>
#include <cstdlib>
#include <limits>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::size_t SkipBlanks(const std::string& text, std::size_t pos)
{
    while (pos < text.size() && IsBlank(text[pos])) {
        ++pos;
    }
    return pos;
}

std::size_t SkipSign(const std::string& text, std::size_t pos)
{
    return (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ? pos + 1 : pos;
}

std::size_t SkipDigits(const std::string& text, std::size_t pos)
{
    while (pos < text.size() && IsDigit(text[pos])) {
        ++pos;
    }
    return pos;
}

// End of "digits [. digits] [e [sign] digits]" starting at pos, or pos when no
// digit is there. An exponent without digits is not part of the number.
std::size_t ScanUnsignedReal(const std::string& text, std::size_t pos)
{
    std::size_t end = SkipDigits(text, pos);
    bool hasDigits = end > pos;
    if (end < text.size() && text[end] == '.') {
        std::size_t fractionEnd = SkipDigits(text, end + 1);
        hasDigits = hasDigits || fractionEnd > end + 1;
        end = fractionEnd;
    }
    if (!hasDigits) {
        return pos;
    }
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        std::size_t exponentDigits = SkipSign(text, end + 1);
        std::size_t exponentEnd = SkipDigits(text, exponentDigits);
        if (exponentEnd > exponentDigits) {
            end = exponentEnd;
        }
    }
    return end;
}

} // namespace

std::int32_t ParseDecimalInt(const std::string& text)
{
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();

    std::size_t pos = SkipBlanks(text, 0);
    bool negative = pos < text.size() && text[pos] == '-';
    pos = SkipSign(text, pos);

    // Accumulate in 64 bits and stop growing once past the 32-bit range, so no
    // length of digit run can overflow.
    std::int64_t magnitude = 0;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
        if (magnitude <= kMax + 1) {
            magnitude = magnitude * 10 + (text[pos] - '0');
        }
    }
    std::int64_t value = negative ? -magnitude : magnitude;
    if (value > kMax) {
        return static_cast<std::int32_t>(kMax);
    }
    if (value < kMin) {
        return static_cast<std::int32_t>(kMin);
    }
    return static_cast<std::int32_t>(value);
}

double ParseDecimalDouble(const std::string& text)
{
    std::size_t start = SkipBlanks(text, 0);
    std::size_t digits = SkipSign(text, start);
    std::size_t end = ScanUnsignedReal(text, digits);
    if (end == digits) {
        return 0.0;
    }
    // strtod sees only the part already checked to be a plain decimal number,
    // so hexadecimal, "inf" and "nan" forms are never taken.
    std::string number = text.substr(start, end - start);
    return std::strtod(number.c_str(), nullptr);
}

std::string FormatDecimal(std::int32_t value)
{
    return std::to_string(value);
}

std::string FormatDecimalDouble(double value)
{
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

std::int32_t IncrementSaturating(std::int32_t value)
{
    return value == std::numeric_limits<std::int32_t>::max() ? value : value + 1;
}
