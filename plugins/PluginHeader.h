// The plugin header: identity strings in a module's string table and their
// mirror in the registry. The toy's own identity in the executable has the
// same layout:
//   1 name, 2 type ("TOY", "PLUGIN", "NOTIFY"), 3 version (decimal number),
//   4 release date (integer), 5 details, 6 active by default ("TRUE"),
//   1000 owner count, 1001.. owner names, 2000/2001.. a second list.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "plugins/PluginRules.h"
#include "support/Win32.h"

class CToyPlugin;

// The header strings of a module loaded or opened as data, as LoadStringA
// reads them into the framework's buffer.
HeaderLookup ModuleHeader(HMODULE module);

OwnerList ReadOwnerList(HMODULE module);

// 1 when ownerName matches, byte for byte, one of the first "1000" entries of
// module's owner list, read in order up to the first missing one; else 0.
std::int32_t OwnerListNames(HMODULE module, const std::string& ownerName);

// The first of resources 1 to 5 that the first run copies but module lacks;
// nothing when all five are there.
std::optional<UINT> FirstMissingHeaderString(HMODULE module);

// The header steps of Initialise: sets plugin.active from Active (or from
// resource 6, writing Active), counts the run in Executes into
// plugin.runCount, and on the first run copies resources 1 to 5. Stops with
// false at the first missing resource or failed write; what was written stays.
bool RegisterHeader(CToyPlugin& plugin);

// Copies resources 1 to 5 of module to Name, Type, Version, ReleaseDate and
// Details under keyPath, in that order. Stops at the first missing resource or
// failed write and returns false; the values written before it stay.
bool CopyHeaderToRegistry(HMODULE module, const std::string& keyPath);

// Reads Executes under keyPath as a count (0 when unreadable), adds one
// without overflowing and writes it back. False when the write fails.
bool CountRun(const std::string& keyPath, std::int32_t& runCount);
