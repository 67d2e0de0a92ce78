// The installation pass for plugin packages, run at every start before the
// plugins are loaded (CToyPlugin::InstallPackages). It reports only through
// its list of installed packages and the files it leaves.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "support/Win32.h"
#include "support/Win32Handles.h"

// Version (string resource 3) and release date (4) of a plugin library.
struct LibraryIdentity {
    double version = 0.0;
    std::int32_t releaseDate = 0;
    bool complete = false; // the library loaded and carries both resources
};

// The extension of every file the pass itself makes in the plugins folder.
inline const std::string BackupExtension = "tmp";
// The pass's own files there, besides the unpack's working files. Held open
// by the pass that runs; no other start sweeps or installs meanwhile.
inline constexpr const char* InstallLockFile = "gzlock.tmp";
// The installed copy, moved aside while a new copy is tried.
inline constexpr const char* InstallBackupFile = "gzbackup.tmp";
// Written before the installed copy is moved aside: the library name under
// which the backup goes back should the pass stop before it has decided.
inline constexpr const char* InstallJournalFile = "gzjournal.tmp";
// Added to the name of a package that cannot be installed, so that it is not
// tried again at every start; a name already taken leaves the package as it is.
inline constexpr const char* FailedPackageSuffix = ".failed";
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

// True when the pass installs a library under storedName in folder: a plain
// file name, not ending in ".tmp" (the pass's own files) or ".kvd" (a
// package), and short enough for a path in folder.
bool IsInstallableName(const std::string& folder, const std::string& storedName);

// The decisions of the pass, apart from the files: the host takes them on
// the folder, kvpinfo on what it finds there, so both follow one set of rules.

// Where a package goes, from its stored name and the attributes of what
// stands under that name in folder (INVALID_FILE_ATTRIBUTES for nothing).
enum class PackageRoute {
    RefuseName, // a name the pass does not install, or a folder: set aside
    Install,    // nothing stands under the name
    Replace,    // a copy stands under it: moved aside, compared, kept or put back
};
PackageRoute RoutePackage(const std::string& folder, const std::string& storedName, DWORD attributesThere);

// How a package ends once its payload has been unpacked, or has failed to.
enum class PackageOutcome {
    Installed,   // under a free name; the package is listed
    SetAside,    // the payload does not unpack and nothing stood under its name
    Replaced,    // the new copy is not older than the installed one; listed
    NotUnpacked, // rolled back and set aside: the payload does not unpack
    Incomplete,  // rolled back and set aside: the new copy does not load or lacks string 3 or 4
    Older,       // rolled back and deleted: a lower release date, or the same and a lower version
};

// True when the package is set aside as "<name>.kvd.failed", byte for byte,
// because it could not be installed; false when it is deleted: installed, or
// older than the installed copy, which is then the newer one. Either way
// nothing delivered is lost.
bool SetsPackageAside(PackageOutcome outcome);

// installed is the identity of the copy under the stored name, none when
// the name was free; candidate, the new copy's, counts only against one.
// Release dates decide first, then versions as numbers (1.10 is below 1.9).
PackageOutcome JudgeUnpack(bool unpacked, const std::optional<LibraryIdentity>& installed,
                           const LibraryIdentity& candidate);

// Records that the backup goes back as libraryName should the pass stop;
// false when the record could not be written whole.
bool WriteInstallJournal(const std::string& folder, const std::string& libraryName);

// The library name in the journal; empty when there is none or it is not whole.
std::string ReadInstallJournal(const std::string& folder);

// What the sweep does with a "*.tmp" file of the plugins folder, given the
// library name in the journal (empty when there is none).
enum class LeftoverFate {
    Delete,  // the unpack's working files, and a backup no journal names
    Restore, // the backup a journal names: put back under that name
    Own,     // the journal and the lock, which the pass handles itself
    Keep,    // not a file of the pass
};
LeftoverFate FateOfLeftover(const std::string& name, const std::string& journalName);

// Finishes what a stopped pass left: a backup named in the journal goes back
// under its library name, over the unfinished new copy; a backup without a
// journal belongs to a finished update and is deleted; the unpack's working
// files are deleted. Any other "*.tmp" file is not the pass's and stays.
void SweepLeftovers(const std::string& folder);
