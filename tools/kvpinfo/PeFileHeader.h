// The header strings of a library read from its PE file's string table, as
// LoadStringA reads them into the host's 1024-byte buffer. Used where the
// library cannot be opened as data: away from Windows, and for a library the
// system will not map (another architecture under some loaders).
#pragma once

#include <optional>
#include <string>

#include "plugins/PluginRules.h"

// Nothing when the file is not a PE image.
std::optional<HeaderLookup> ReadPeFileHeader(const std::string& path);
