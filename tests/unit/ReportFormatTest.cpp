#include "errors/ReportFormat.h"

#include <tuple>

#include <gtest/gtest.h>

using namespace std::string_literals;

// Each report as the box line, the log entry and the name of a log begun at
// that time. A zero character ends the whole box line but only its own field
// of the entry; numbers are never padded.
TEST(ReportFormat, BoxLineLogEntryAndLogName)
{
    struct Case {
        ErrorReport report;
        std::tuple<int, int, int, int, int, int> time; // as std::tm: years from 1900, months from 0
        std::string box;
        std::string entry;
        std::string logName;
    };
    const Case cases[] = {
        {{"Toy", 0, "Error no plugins loaded", 15, "Toy shutdown"},
         {101, 1, 3, 9, 5, 7},
         " Location: Toy Location id: 0 Error: Error no plugins loaded Error code: 15 Action: Toy shutdown",
         "3-2-2001 9:5:7;Toy;0;Error no plugins loaded;15;Toy shutdown;\0"s,
         "[3#2#2001 9;5;7].log"},
        {{"a;b", -2, "", -3, ""},
         {99, 11, 31, 23, 59, 59},
         " Location: a;b Location id: -2 Error:  Error code: -3 Action: ",
         "31-12-1999 23:59:59;a;b;-2;;-3;;\0"s,
         "[31#12#1999 23;59;59].log"},
        {{"Toy", 0, "bad\0hidden"s, 4, "Toy\0 shutdown"s},
         {102, 0, 1, 0, 0, 0},
         " Location: Toy Location id: 0 Error: bad",
         "1-1-2002 0:0:0;Toy;0;bad;4;Toy;\0"s,
         "[1#1#2002 0;0;0].log"}};
    for (const Case& c : cases) {
        std::tm time{};
        std::tie(time.tm_year, time.tm_mon, time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec) = c.time;
        EXPECT_EQ(FormatErrorBoxText(c.report), c.box);
        EXPECT_EQ(FormatLogEntry(time, c.report), c.entry);
        EXPECT_EQ(FormatLogFileName(time), c.logName);
    }
}

// Only a log whose last entry has a crash's action ends in a crash; a text
// that merely mentions one does not count.
TEST(ReportFormat, LogEndsInCrashOnlyWhenItsLastEntryIsOne)
{
    std::tm time{};
    auto entry = [&](const std::string& text, const std::string& action) {
        return FormatLogEntry(time, {"Toy", 0, text, -5, action});
    };
    std::string crash =
        entry("Clock.kvp crashed: stack overflow", "Toy crashed, Clock.kvp left out from the next start");
    std::string shutdown = entry("a;Toy crashed", "Toy shutdown");
    for (auto [bytes, ends] : {std::pair{std::string(), false},
                               {crash, true},
                               {entry("x", "Toy crashed"), true},
                               {shutdown + crash, true},
                               {crash + shutdown, false},
                               {shutdown, false},
                               {crash.substr(0, crash.size() - 1), false}}) {
        EXPECT_EQ(EndsInCrash(bytes), ends) << bytes;
    }
}
