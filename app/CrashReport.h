// What the toy leaves behind when it dies of a structured exception (an
// access violation and the like): one log entry naming the library whose code
// crashed and the exception, and, for a plugin library, the crash note that
// leaves it out of the next start. No box: the process is dying.
#pragma once

#include <cstdint>
#include <string>

#include "app/ToyApp.h"

// From now on a crash of the process is reported into app's log file and ends
// the process quietly, with the exception code as its exit code.
void ReportCrashes(const CToyApp& app);

// "access violation writing address 0x10", "exception 0xC0000094", ...
std::string DescribeException(const EXCEPTION_RECORD& record);
