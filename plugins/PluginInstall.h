// The installation pass for plugin packages, run at every start before the
// plugins are loaded (CToyPlugin::InstallPackages). It reports only through
// its list of installed packages and the files it leaves.
#pragma once

#include <cstdint>
#include <string>

#include "support/Win32.h"

// Version (string resource 3) and release date (4) of a plugin library.
struct LibraryIdentity {
    double version = 0.0;
    std::int32_t releaseDate = 0;
    bool complete = false; // the library loaded and carries both resources
};

// The extension of the backup an installation makes of the installed copy.
inline const std::string BackupExtension = "tmp";

// Loads the library only to read its identity; a missing resource reads as 0.
LibraryIdentity ReadLibraryIdentity(const std::string& path);

// The identity in the string table of a module already loaded (or opened as data).
LibraryIdentity ReadModuleIdentity(HMODULE module);

// The new copy is kept unless it is older: a lower release date, or the same
// date and a lower version. Versions compare as numbers, so 1.10 is below 1.9.
bool IsOlderThan(const LibraryIdentity& candidate, const LibraryIdentity& installed);

// Deletes the unpack's working files left in folder and puts every other
// "*.tmp" file, the backup of an unfinished pass, back under its library
// name ("kvp"), replacing what stands there; one that cannot be moved stays.
void SweepLeftovers(const std::string& folder);
