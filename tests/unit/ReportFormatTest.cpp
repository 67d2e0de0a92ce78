#include "errors/ReportFormat.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

// Each report as the box line, the log entry and the name of a log begun at
// that time. A zero character ends the whole box line but only its own field
// of the entry; numbers are never padded.
TEST(ReportFormat, BoxLineLogEntryAndLogName)
{
    struct Case {
        ErrorReport report;
        std::tm time;
        std::string box;
        std::string entry;
        std::string logName;
    };
    const Case cases[] = {
        {{"Toy", 0, "Error no plugins loaded", 15, "Toy shutdown"},
         {.tm_sec = 7, .tm_min = 5, .tm_hour = 9, .tm_mday = 3, .tm_mon = 1, .tm_year = 101},
         " Location: Toy Location id: 0 Error: Error no plugins loaded Error code: 15 Action: Toy shutdown",
         "3-2-2001 9:5:7;Toy;0;Error no plugins loaded;15;Toy shutdown;\0"s,
         "[3#2#2001 9;5;7].log"},
        {{"a;b", -2, "", -3, ""},
         {.tm_sec = 59, .tm_min = 59, .tm_hour = 23, .tm_mday = 31, .tm_mon = 11, .tm_year = 99},
         " Location: a;b Location id: -2 Error:  Error code: -3 Action: ",
         "31-12-1999 23:59:59;a;b;-2;;-3;;\0"s,
         "[31#12#1999 23;59;59].log"},
        {{"Toy", 0, "bad\0hidden"s, 4, "Toy\0 shutdown"s},
         {.tm_mday = 1, .tm_year = 102},
         " Location: Toy Location id: 0 Error: bad",
         "1-1-2002 0:0:0;Toy;0;bad;4;Toy;\0"s,
         "[1#1#2002 0;0;0].log"}};
    for (const Case& c : cases) {
        EXPECT_EQ(FormatErrorBoxText(c.report), c.box);
        EXPECT_EQ(FormatLogEntry(c.time, c.report), c.entry);
        EXPECT_EQ(FormatLogFileName(c.time), c.logName);
    }
}
