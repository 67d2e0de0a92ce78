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

#include "support/Win32.h"

class CToyPlugin;

// String ids of the header.
inline constexpr UINT HEADER_NAME = 1;
inline constexpr UINT HEADER_TYPE = 2;
inline constexpr UINT HEADER_VERSION = 3;
inline constexpr UINT HEADER_RELEASE_DATE = 4;
inline constexpr UINT HEADER_DETAILS = 5;
inline constexpr UINT HEADER_ACTIVE = 6;
inline constexpr UINT HEADER_OWNER_COUNT = 1000;

// The owner list as the owner check sees it: the count (resource 1000) and
// the entries from 1001 on, read in order up to the count or the first
// missing one, whichever comes first.
struct OwnerList {
    bool hasCount = false;
    std::int32_t count = 0;
    std::vector<std::string> names;
};

OwnerList ReadOwnerList(HMODULE module);

// True when ownerName matches one of the names byte for byte.
bool NamesOwner(const OwnerList& list, const std::string& ownerName);

// 1 when ownerName matches, byte for byte, one of the first "1000" entries of
// module's owner list, read in order up to the first missing one; else 0.
std::int32_t OwnerListNames(HMODULE module, const std::string& ownerName);

// The first of resources 1 to 5 that the first run copies but module lacks;
// nothing when all five are there.
std::optional<UINT> FirstMissingHeaderString(HMODULE module);

// The registry key of the plugin named pluginName: below the toy's key.
std::string PluginKeyPath(const std::string& toyKey, const std::string& pluginName);

// The run count that follows a stored Executes text (none when unreadable).
std::int32_t NextRunCount(const std::optional<std::string>& storedExecutes);

// The rules of the header step over the values it reads and writes, so that
// a prediction of the step follows the very rules the host runs. Values has
//   std::optional<std::string> StoredActive();  Active, when it can be read
//   std::optional<std::string> DefaultActive(); resource 6, when it is there
//   bool WriteActive(const std::string& text);
//   bool CountRun(std::int32_t& runCount);      Executes counted one higher
//   bool CopyHeader();                          resources 1 to 5 copied
// Active as stored, or from resource 6 and written back, set only when
// exactly "TRUE"; the run counted; on the first run the header copied.
// False at the first step that fails.
template <typename Values>
bool RunHeaderStep(Values& values, std::int32_t& active, std::int32_t& runCount)
{
    std::optional<std::string> stored = values.StoredActive();
    std::optional<std::string> flag = stored ? stored : values.DefaultActive();
    if (!flag) {
        return false;
    }
    active = *flag == "TRUE" ? 1 : 0;
    if (!stored && !values.WriteActive(active == 1 ? "TRUE" : "FALSE")) {
        return false;
    }
    if (!values.CountRun(runCount)) {
        return false;
    }
    return runCount != 1 || values.CopyHeader();
}

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
