// The two forms of a folder report: plain text for people, JSON for scripts.
#pragma once

#include <ostream>

#include "tools/kvpinfo/Kvpinfo.h"

void WriteTextReport(const FolderReport& report, std::ostream& out);
void WriteJsonReport(const FolderReport& report, std::ostream& out);
