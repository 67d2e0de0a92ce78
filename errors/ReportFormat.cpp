#include "errors/ReportFormat.h"

#include <cstdio>
#include <vector>

#include "support/DecimalText.h"
#include "support/FileNames.h"

namespace {

// What a C string API sees of a text: the characters before its first zero.
std::string UpToFirstZero(const std::string& text)
{
    return text.substr(0, text.find('\0'));
}

std::string FormatDate(const std::tm& t, char separator)
{
    return FormatDecimal(t.tm_mday) + separator + FormatDecimal(t.tm_mon + 1) + separator +
           FormatDecimal(t.tm_year + 1900);
}

std::string FormatTime(const std::tm& t, char separator)
{
    return FormatDecimal(t.tm_hour) + separator + FormatDecimal(t.tm_min) + separator + FormatDecimal(t.tm_sec);
}

} // namespace

std::string FormatErrorBoxText(const ErrorReport& report)
{
    std::string text = " Location: " + report.location + " Location id: " + FormatDecimal(report.locationId) +
                       " Error: " + report.errorText + " Error code: " + FormatDecimal(report.errorCode) +
                       " Action: " + report.action;
    return UpToFirstZero(text);
}

std::string FormatLogEntry(const std::tm& localTime, const ErrorReport& report)
{
    std::vector<std::string> fields = {
        FormatDate(localTime, '-') + " " + FormatTime(localTime, ':'),
        UpToFirstZero(report.location),
        FormatDecimal(report.locationId),
        UpToFirstZero(report.errorText),
        FormatDecimal(report.errorCode),
        UpToFirstZero(report.action),
    };
    std::string entry = JoinWithSeparator(std::move(fields), ';');
    entry.push_back('\0');
    return entry;
}

std::string FormatLogFileName(const std::tm& localTime)
{
    return "[" + FormatDate(localTime, '#') + " " + FormatTime(localTime, ';') + "].log";
}

bool IsLogFileName(const std::string& name)
{
    int day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0, used = 0;
    if (std::sscanf(name.c_str(), "[%d#%d#%d %d;%d;%d]%n", &day, &month, &year, &hour, &minute, &second, &used) != 6 ||
        day < 1 || day > 31 || month < 1 || month > 12 || year < 1900 || hour > 23 || minute > 59 || second > 60) {
        return false;
    }
    std::tm time{};
    time.tm_mday = day;
    time.tm_mon = month - 1;
    time.tm_year = year - 1900;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    // Formatting again refuses what the scan let through: signs, spaces, leading zeros.
    return SameNameIgnoringCase(name, FormatLogFileName(time));
}

bool EndsInCrash(const std::string& logBytes)
{
    // The last entry ends with ";" and its zero byte; its action is the text
    // between that ";" and the one before it.
    if (logBytes.size() < 3 || logBytes.compare(logBytes.size() - 2, 2, std::string(";\0", 2)) != 0) {
        return false;
    }
    std::size_t start = logBytes.rfind(';', logBytes.size() - 3) + 1;
    return logBytes.compare(start, std::char_traits<char>::length(CRASH_ACTION), CRASH_ACTION) == 0;
}
