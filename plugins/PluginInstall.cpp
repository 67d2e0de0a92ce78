#include "plugins/PluginInstall.h"

#include <vector>

#include "app/Resources.h"
#include "errors/ToyError.h"
#include "plugins/PluginHeader.h"
#include "plugins/ToyPlugin.h"
#include "support/FileSystem.h"
#include "support/Library.h"
#include "support/Package.h"
#include "support/Win32Handles.h"

namespace {

// Installs one package; true when it is to be listed as installed. Every way
// out leaves the installed copy in place: as it was, or replaced by the new one.
bool InstallPackage(const std::string& folder, const std::string& packageName)
{
    std::string packagePath = folder + packageName;
    std::vector<WIN32_FIND_DATAA> installed = FindFiles(folder, ReplaceExtension(packageName, LIBRARY_EXTENSION));
    if (installed.empty()) {
        if (UnpackPackage(packagePath, folder, "") != 1) {
            return false; // stays for the next start
        }
        DeleteFileA(packagePath.c_str());
        return true;
    }

    // The stored name matters only for checking, or rolling back, a new copy
    // that replaces an installed one; a fresh install never opens the package for it.
    std::string newLibraryPath = folder + ReadPackageName(packagePath);
    std::string installedName = installed[0].cFileName;
    std::string installedPath = folder + installedName;
    std::string backupPath = folder + ReplaceExtension(installedName, BackupExtension);
    LibraryIdentity old = ReadLibraryIdentity(installedPath);
    // A copy that cannot be moved aside (held open elsewhere) is left alone,
    // and so is the package, which is tried again at the next start.
    if (!MoveFileA(installedPath.c_str(), backupPath.c_str())) {
        return false;
    }

    bool unpacked = UnpackPackage(packagePath, folder, "") == 1;
    if (unpacked) {
        LibraryIdentity candidate = ReadLibraryIdentity(newLibraryPath);
        if (candidate.complete && !IsOlderThan(candidate, old)) {
            DeleteFileA(backupPath.c_str());
            DeleteFileA(packagePath.c_str());
            return true;
        }
    }
    // Roll back. A failed unpack wrote nothing, so a file under the stored
    // name is then not the package's and stays.
    if (unpacked) {
        DeleteFileA(newLibraryPath.c_str());
    }
    MoveFileA(backupPath.c_str(), installedPath.c_str());
    DeleteFileA(packagePath.c_str());
    return false;
}

} // namespace

LibraryIdentity ReadLibraryIdentity(const std::string& path)
{
    ModuleHandle library(LoadLibraryQuietly(path));
    return library ? ReadModuleIdentity(library.Get()) : LibraryIdentity{};
}

LibraryIdentity ReadModuleIdentity(HMODULE module)
{
    LibraryIdentity identity;
    bool hasVersion = LoadResourceDouble(module, HEADER_VERSION, ResourceBufferSize, identity.version);
    bool hasDate = LoadResourceInt(module, HEADER_RELEASE_DATE, ResourceBufferSize, identity.releaseDate);
    identity.complete = hasVersion && hasDate;
    return identity;
}

bool IsOlderThan(const LibraryIdentity& candidate, const LibraryIdentity& installed)
{
    if (candidate.releaseDate != installed.releaseDate) {
        return candidate.releaseDate < installed.releaseDate;
    }
    return candidate.version < installed.version;
}

void SweepLeftovers(const std::string& folder)
{
    for (const WIN32_FIND_DATAA& entry : FindFiles(folder, "*." + BackupExtension)) {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            continue;
        }
        std::string name = entry.cFileName;
        if (IsPackageWorkingFile(name)) {
            DeleteFileA((folder + name).c_str());
            continue;
        }
        // Only a backup of a pass that did not finish is left under this
        // extension; what stands under its library name can only be the
        // unfinished new copy, and the package is still here to try again.
        MoveFileExA((folder + name).c_str(), (folder + ReplaceExtension(name, LIBRARY_EXTENSION)).c_str(),
                    MOVEFILE_REPLACE_EXISTING);
    }
}

std::vector<std::string> CToyPlugin::InstallPackages()
{
    std::string folder = GetCurrentFolder() + PLUGINS_FOLDER;
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
