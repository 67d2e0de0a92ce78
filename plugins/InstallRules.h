// The decisions of the installation pass, apart from the files: the host
// takes them on the plugins folder, kvpinfo on what it finds there, so both
// follow one set of rules. Portable: no Windows types.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "plugins/PluginRules.h"

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
// The longest path the pass's A functions open is one character shorter.
inline constexpr std::size_t WindowsMaxPath = 260;

// True when the pass installs a library under storedName in folder: a plain
// file name, not ending in ".tmp" (the pass's own files) or ".kvd" (a
// package), and short enough for a path in folder.
bool IsInstallableName(const std::string& folder, const std::string& storedName);

// What stands under a name in a folder.
enum class Standing { Nothing, File, Folder };

// Where a package goes, from its stored name and what stands under that name in folder.
enum class PackageRoute {
    RefuseName, // a name the pass does not install, or a folder: set aside
    Install,    // nothing stands under the name
    Replace,    // a copy stands under it: moved aside, compared, kept or put back
};
PackageRoute RoutePackage(const std::string& folder, const std::string& storedName, Standing there);

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
