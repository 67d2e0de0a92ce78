// The plugin header: identity strings in a module's string table (ids 1 to 6,
// owner list from 1000) and their mirror in the registry. The toy's own
// identity in the executable has the same layout.
#pragma once

#include <string>

#include "support/Win32.h"

// Copies resources 1 to 5 of module to Name, Type, Version, ReleaseDate and
// Details under keyPath, in that order. Stops at the first missing resource or
// failed write and returns false; the values written before it stay.
bool CopyHeaderToRegistry(HINSTANCE module, const std::string& keyPath);
