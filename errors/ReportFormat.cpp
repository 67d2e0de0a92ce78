#include "errors/ReportFormat.h"

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
