// Loading plugin libraries, which come from outside and may be anything.
#pragma once

#include <string>

#include "support/Win32.h"

// LoadLibraryA without the system's error boxes (a damaged image, a missing
// dependency), which would stop a toy that has no window to show them over.
// Null when the file cannot be loaded as a library of this architecture.
HMODULE LoadLibraryQuietly(const std::string& path);
