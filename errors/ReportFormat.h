// The texts of an error report: the message box line, the log entry and the
// log file name. Portable: the local time is passed in, so the formats can be
// checked byte for byte.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

struct ErrorReport {
    std::string location;
    std::int32_t locationId = 0;
    std::string errorText;
    std::int32_t errorCode = 0;
    std::string action;
};

// " Location: <l> Location id: <n> Error: <t> Error code: <n> Action: <a>",
// ending at the first zero character of any text, as the box shows it.
std::string FormatErrorBoxText(const ErrorReport& report);

// "d-m-yyyy h:m:s;" then location, id, text, code and action, each followed by
// ";", then one zero byte. A zero character inside a field ends that field only.
std::string FormatLogEntry(const std::tm& localTime, const ErrorReport& report);

// "[d#m#yyyy h;m;s].log", numbers without leading zeros.
std::string FormatLogFileName(const std::tm& localTime);

// True for a name that FormatLogFileName gives for some time (the extension
// in any letter case, as Windows compares names): the only files that the
// cleanup of the log folder may delete.
bool IsLogFileName(const std::string& name);

// The action of the log entry a crash leaves; it may go on after a comma.
inline constexpr const char* CRASH_ACTION = "Toy crashed";

// True when the last entry of a log file (the file's bytes) is a crash's: its
// action, the text after the last ";" but the one that ends it, begins with
// CRASH_ACTION. A run that crashed wrote nothing after that entry.
bool EndsInCrash(const std::string& logBytes);
