// The installation pass for plugin packages, run at every start before the
// plugins are loaded (CToyPlugin::InstallPackages). It reports only through
// its list of installed packages and the files it leaves.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "plugins/InstallRules.h"
#include "support/Win32.h"
#include "support/Win32Handles.h"

// How long a start waits for another start's pass before it goes on without
// installing; the packages then wait for the next start. A pass takes well
// under a second (fifty updates some 1.1 s on a busy machine), so a start
// that meets another one at the same moment installs after it, while one
// that meets a stuck or slow pass keeps the user waiting no more than a few
// seconds with nothing on screen.
inline constexpr DWORD InstallLockWaitMs = 5000;

// What a start does when the lock file would not open, from the error and
// the attributes of what stands under the lock's name.
enum class LockRefusal {
    Wait, // another start holds the lock, or is letting it go
    GoOn, // nothing there can ever be a lock (a folder, a read-only file), or
          // the folder takes none: the start goes on at once without installing
};
LockRefusal JudgeLockRefusal(DWORD error, DWORD attributesThere);

// Opens the package for reading while no one else may write it, as the pass
// holds each package it deals with (renaming and deleting stay possible).
// Invalid when it cannot be opened, above all while another program still
// has it open for writing (a download, a copy): the package is then left as
// it is for a later start.
FileHandle HoldPackage(const std::string& packagePath);

// Loads the library only to read its identity; a missing resource reads as 0.
LibraryIdentity ReadLibraryIdentity(const std::string& path);

// The identity in the string table of a module already loaded (or opened as data).
LibraryIdentity ReadModuleIdentity(HMODULE module);

// What stands under a name in folder, by its attributes (INVALID_FILE_ATTRIBUTES for nothing).
Standing StandingOf(DWORD attributes);

// Records that the backup goes back as libraryName should the pass stop;
// false when the record could not be written whole.
bool WriteInstallJournal(const std::string& folder, const std::string& libraryName);

// Finishes what a stopped pass left: a backup named in the journal goes back
// under its library name, over the unfinished new copy; a backup without a
// journal belongs to a finished update and is deleted; the unpack's working
// files are deleted. Any other "*.tmp" file is not the pass's and stays.
void SweepLeftovers(const std::string& folder);
