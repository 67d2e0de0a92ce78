#include "errors/ReportFormat.h"

#include <gtest/gtest.h>

namespace {

std::tm LocalTime(int year, int month, int day, int hour, int minute, int second)
{
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

const ErrorReport kNoPlugins{"Toy", 0, "Error no plugins loaded", 15, "Toy shutdown"};

} // namespace

TEST(ErrorBoxText, IsOneLabelledLine)
{
    EXPECT_EQ(FormatErrorBoxText(kNoPlugins),
              " Location: Toy Location id: 0 Error: Error no plugins loaded Error code: 15 Action: Toy shutdown");
}

TEST(ErrorBoxText, EmptyTextAndNegativeNumbers)
{
    ErrorReport report{"Here", -2, "", -3, "Nothing"};
    EXPECT_EQ(FormatErrorBoxText(report), " Location: Here Location id: -2 Error:  Error code: -3 Action: Nothing");
}

TEST(ErrorBoxText, ZeroCharacterEndsTheWholeText)
{
    ErrorReport report{"Toy", 0, std::string("bad\0hidden", 10), 4, "Toy shutdown"};
    EXPECT_EQ(FormatErrorBoxText(report), " Location: Toy Location id: 0 Error: bad");
}

TEST(LogEntry, MatchesTheDocumentedBytes)
{
    std::string expected = "3-2-2001 9:5:7;Toy;0;Error no plugins loaded;15;Toy shutdown;";
    expected.push_back('\0');
    EXPECT_EQ(FormatLogEntry(LocalTime(2001, 2, 3, 9, 5, 7), kNoPlugins), expected);
}

TEST(LogEntry, EmptyFieldsNegativeCodesAndSemicolonsStayAsTheyAre)
{
    ErrorReport report{"a;b", -1, "", -3, ""};
    std::string expected = "31-12-1999 23:59:59;a;b;-1;;-3;;";
    expected.push_back('\0');
    EXPECT_EQ(FormatLogEntry(LocalTime(1999, 12, 31, 23, 59, 59), report), expected);
}

TEST(LogEntry, ZeroCharacterEndsOnlyItsOwnField)
{
    ErrorReport report{std::string("To\0y", 4), 0, std::string("bad\0hidden", 10), 4, "Toy shutdown"};
    std::string expected = "1-1-2002 0:0:0;To;0;bad;4;Toy shutdown;";
    expected.push_back('\0');
    EXPECT_EQ(FormatLogEntry(LocalTime(2002, 1, 1, 0, 0, 0), report), expected);
}

TEST(LogFileName, IsDayFirstWithoutPadding)
{
    EXPECT_EQ(FormatLogFileName(LocalTime(2001, 2, 3, 9, 5, 7)), "[3#2#2001 9;5;7].log");
    EXPECT_EQ(FormatLogFileName(LocalTime(2002, 1, 1, 10, 0, 0)), "[1#1#2002 10;0;0].log");
    EXPECT_EQ(FormatLogFileName(LocalTime(2026, 12, 31, 23, 59, 59)), "[31#12#2026 23;59;59].log");
}
