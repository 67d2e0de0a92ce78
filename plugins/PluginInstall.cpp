#include "plugins/PluginInstall.h"

#include <vector>

#include "errors/ToyError.h"
#include "plugins/PluginHeader.h"
#include "plugins/ToyPlugin.h"
#include "support/FileSystem.h"
#include "support/Library.h"
#include "support/Package.h"
#include "support/Resources.h"
#include "support/StdioFile.h"
#include "support/Win32Handles.h"

namespace {

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A read-only package or library would otherwise stay for ever, and a
// package be installed again at every start.
void DeleteEvenIfReadOnly(const std::string& path)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

// The lock file of the folder, open for this process alone. A start that
// finds it held waits up to InstallLockWaitMs; one killed while holding it
// lets it go with the process. Invalid when the wait ran out, something that
// cannot be a lock stands under its name, or the file cannot be made (no
// plugins folder, one that cannot be written).
FileHandle TakeInstallLock(const std::string& folder)
{
    std::string path = folder + InstallLockFile;
    for (DWORD waited = 0;; waited += 50) {
        FileHandle lock(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        DWORD error = GetLastError();
        if (lock || waited >= InstallLockWaitMs ||
            JudgeLockRefusal(error, GetFileAttributesA(path.c_str())) == LockRefusal::GoOn) {
            return lock;
        }
        Sleep(50);
    }
}

// A package that cannot be installed is renamed, whole, so that no later
// start pays for it again and the user still has it. Should the name be
// taken (an earlier package set aside), the package stays as it is.
void SetAside(const std::string& packagePath)
{
    MoveFileExA(packagePath.c_str(), (packagePath + FailedPackageSuffix).c_str(), 0);
}

// Deletes the package, or sets it aside when it could not be installed.
void EndPackage(const std::string& packagePath, PackageOutcome outcome)
{
    if (SetsPackageAside(outcome)) {
        SetAside(packagePath);
    } else {
        DeleteEvenIfReadOnly(packagePath);
    }
}

// Replaces the library installed under storedName with the package's copy
// unless that copy is older; true when the new copy is kept. The backup of
// the installed copy is named in the journal before it is made, so a pass
// stopped at any step leaves the old copy or the new one, and the journal
// goes before the backup once the new copy is kept, so no later start
// undoes a finished update.
bool ReplaceInstalled(const std::string& folder, const std::string& packagePath, const std::string& storedName)
{
    std::string libraryPath = folder + storedName;
    std::string backupPath = folder + InstallBackupFile;
    std::string journalPath = folder + InstallJournalFile;
    // A backup still there is one that could not be deleted (a running toy
    // holds it); until it goes, updates wait.
    if (Exists(backupPath)) {
        return false;
    }
    LibraryIdentity old = ReadLibraryIdentity(libraryPath);
    // A copy that cannot be moved aside (held open elsewhere) is left alone,
    // and so is the package, which is tried again at the next start.
    if (!WriteInstallJournal(folder, storedName) || !MoveFileA(libraryPath.c_str(), backupPath.c_str())) {
        DeleteFileA(journalPath.c_str());
        return false;
    }
    bool unpacked = UnpackPackage(packagePath, folder, "") == 1;
    LibraryIdentity candidate = unpacked ? ReadLibraryIdentity(libraryPath) : LibraryIdentity{};
    PackageOutcome outcome = JudgeUnpack(unpacked, old, candidate);
    if (outcome == PackageOutcome::Replaced) {
        DeleteFileA(journalPath.c_str());
        DeleteEvenIfReadOnly(backupPath);
        EndPackage(packagePath, outcome);
        return true;
    }
    if (unpacked) {
        DeleteFileA(libraryPath.c_str());
    }
    // Roll back; should the backup not go back now, the journal stays and
    // the next sweep puts it back.
    if (MoveFileExA(backupPath.c_str(), libraryPath.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(journalPath.c_str());
    }
    EndPackage(packagePath, outcome);
    return false;
}

// Installs one package; true when it is to be listed as installed. Every way
// out leaves the installed copy in place: as it was, or replaced by the new one.
bool InstallPackage(const std::string& folder, const std::string& packageName)
{
    std::string packagePath = folder + packageName;
    // Held until it is dealt with, so that no one writes it meanwhile. One
    // still being written elsewhere cannot be held: it waits, untouched.
    FileHandle held = HoldPackage(packagePath);
    if (!held) {
        return false;
    }
    std::string storedName = ReadPackageName(packagePath);
    switch (RoutePackage(folder, storedName, StandingOf(GetFileAttributesA((folder + storedName).c_str())))) {
    case PackageRoute::RefuseName:
        SetAside(packagePath);
        return false;
    case PackageRoute::Replace:
        return ReplaceInstalled(folder, packagePath, storedName);
    case PackageRoute::Install:
        break;
    }
    PackageOutcome outcome = JudgeUnpack(UnpackPackage(packagePath, folder, "") == 1, std::nullopt, {});
    EndPackage(packagePath, outcome);
    return outcome == PackageOutcome::Installed;
}

} // namespace

LockRefusal JudgeLockRefusal(DWORD error, DWORD attributesThere)
{
    // A lock being let go refuses access until its last handle closes; a
    // folder or a read-only file refuses it for ever.
    bool lockFile = attributesThere != INVALID_FILE_ATTRIBUTES &&
                    (attributesThere & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) == 0;
    bool held = error == ERROR_SHARING_VIOLATION || (error == ERROR_ACCESS_DENIED && lockFile);
    return held ? LockRefusal::Wait : LockRefusal::GoOn;
}

FileHandle HoldPackage(const std::string& packagePath)
{
    return FileHandle(CreateFileA(packagePath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

LibraryIdentity ReadLibraryIdentity(const std::string& path)
{
    ModuleHandle library(LoadLibraryQuietly(path));
    return library ? ReadModuleIdentity(library.Get()) : LibraryIdentity{};
}

LibraryIdentity ReadModuleIdentity(HMODULE module)
{
    return ReadIdentity(ModuleHeader(module));
}

Standing StandingOf(DWORD attributes)
{
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return Standing::Nothing;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? Standing::Folder : Standing::File;
}

bool WriteInstallJournal(const std::string& folder, const std::string& libraryName)
{
    FileHandle journal(CreateFileA((folder + InstallJournalFile).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!journal) {
        return false;
    }
    // The closing line feed marks the record whole.
    std::string text = libraryName + "\n";
    DWORD written = 0;
    return WriteFile(journal.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size() && FlushFileBuffers(journal.Get());
}

void SweepLeftovers(const std::string& folder)
{
    std::string backupPath = folder + InstallBackupFile;
    std::string libraryName = ReadInstallJournal(folder);
    // What stands under the journal's library name can only be the stopped
    // pass's unfinished new copy; its package is still here to try again.
    if (FateOfLeftover(InstallBackupFile, libraryName) != LeftoverFate::Restore || !Exists(backupPath) ||
        MoveFileExA(backupPath.c_str(), (folder + libraryName).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA((folder + InstallJournalFile).c_str());
        DeleteEvenIfReadOnly(backupPath);
    }
    DeleteFileA((folder + PackageTempFile).c_str());
    DeleteFileA((folder + PackageOutputFile).c_str());
}

std::vector<std::string> CToyPlugin::InstallPackages()
{
    std::string folder = GetCurrentFolder() + PLUGINS_FOLDER;
    // One pass at a time per plugins folder, across processes and users:
    // the pass's files have fixed names, and a sweep must never meet another
    // pass's backup. A start that cannot have the lock installs nothing.
    FileHandle lock = TakeInstallLock(folder);
    if (!lock) {
        return {};
    }
    SweepLeftovers(folder);
    std::vector<std::string> installedPackages;
    for (const WIN32_FIND_DATAA& entry : FindFiles(folder, "*." + PACKAGE_EXTENSION)) {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            continue;
        }
        if (InstallPackage(folder, entry.cFileName)) {
            installedPackages.push_back(folder + entry.cFileName);
        }
    }
    return installedPackages;
}
