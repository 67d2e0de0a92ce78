// Showing and logging error reports, and the per-run log file.
#pragma once

#include <ctime>
#include <string>

#include "errors/ReportFormat.h"

// The current local time.
std::tm LocalTimeNow();

// Shows the report in a box titled "Error" with one OK button and no owner;
// returns when the user closes it.
void ShowErrorBox(const ErrorReport& report);

// Appends one log entry, stamped with the current local time, to the file at
// path, creating the file but not its folder. False when the file cannot be
// opened or the entry cannot be written.
bool AppendLogEntry(const std::string& path, const ErrorReport& report);

// Makes sure the log folder exists, deletes the "*.log" files in it and
// creates this run's empty log file, named for the local time. On success the
// destination holds the new file's path; on failure it is unchanged. The
// folder is taken by value, so the destination may be the folder's own text.
bool PrepareLogFile(std::string folder, std::string& destination);
