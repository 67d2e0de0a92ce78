// Loading plugin libraries, which come from outside and may be anything.
#pragma once

#include <string>
#include <vector>

#include "support/Win32.h"
#include "support/Win32Handles.h"

// LoadLibraryA without the system's error boxes (a damaged image, a missing
// dependency), which would stop a toy that has no window to show them over.
// Null when the file cannot be loaded as a library of this architecture.
HMODULE LoadLibraryQuietly(const std::string& path);

// Loads every file of folderPath that matches pattern once more, quietly, and
// keeps it loaded as long as the result lives. While a library is held, the
// loader maps it no more: other loads and unloads of it only count references.
// Files that are not loadable libraries are left out.
std::vector<ModuleHandle> HoldLibraries(const std::string& folderPath, const std::string& pattern);
