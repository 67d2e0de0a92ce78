// Showing and logging error reports, and the per-run log file.
#pragma once

#include <ctime>
#include <string>

#include "errors/ReportFormat.h"
#include "support/Win32Handles.h"

// The current local time.
std::tm LocalTimeNow();

// Shows the report in a box titled "Error" with one OK button and no owner;
// returns when the user closes it.
void ShowErrorBox(const ErrorReport& report);

// Appends one log entry, stamped with the current local time, to the file at
// path, creating the file but not its folder. False when the file cannot be
// opened or the entry cannot be written.
bool AppendLogEntry(const std::string& path, const ErrorReport& report);

// Makes sure the log folder exists, deletes the logs of earlier runs in it
// (only files named as FormatLogFileName names them; the latest stays when it
// records a crash, until the next start) and creates this run's
// empty log file, named for the local time. On success the destination holds
// the new file's path and the result keeps the file open: while it lives, no
// other start deletes the file, and one in the same second shares it instead
// of emptying it. On failure the result is invalid and the destination
// unchanged. The folder is taken by value, so the destination may be the
// folder's own text.
FileHandle PrepareLogFile(std::string folder, std::string& destination);
