#include "tools/kvpinfo/PackageForecast.h"

#include "errors/ToyError.h"
#include "plugins/PluginInstall.h"
#include "support/DecimalText.h"
#include "support/FileSystem.h"
#include "support/Package.h"
#include "support/Win32Handles.h"

namespace {

bool IsFolder(const WIN32_FIND_DATAA& entry)
{
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string DescribeIdentity(const LibraryIdentity& identity)
{
    return "release date " + FormatDecimal(identity.releaseDate) + ", version " + FormatDecimalDouble(identity.version);
}

// A folder of its own under the system's temporary folder, removed with
// everything in it when the object dies.
class ScratchFolder {
public:
    ScratchFolder()
    {
        char base[MAX_PATH];
        DWORD length = GetTempPathA(MAX_PATH, base);
        if (length == 0 || length >= MAX_PATH) {
            return;
        }
        for (unsigned attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            std::string candidate = std::string(base) + "kvpinfo-" + std::to_string(GetCurrentProcessId()) + "-" +
                                    std::to_string(attempt) + "\\";
            if (CreateDirectoryA(candidate.c_str(), nullptr)) {
                path_ = candidate;
            }
        }
    }
    ~ScratchFolder()
    {
        if (path_.empty()) {
            return;
        }
        for (const WIN32_FIND_DATAA& entry : FindFiles(path_, "*")) {
            if (!IsFolder(entry)) {
                DeleteFileA((path_ + entry.cFileName).c_str());
            }
        }
        RemoveDirectoryA(path_.c_str());
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// The identity the pass would read from a library: none when LoadLibraryA
// would fail, since the pass then reads version 0 and release date 0.
LibraryIdentity IdentityAsThePassReadsIt(const LibraryFacts& facts)
{
    return facts.Loads() ? facts.identity : LibraryIdentity{};
}

PackageForecast Forecast(const std::string& folder, const std::string& packageName,
                         const std::vector<LibraryFacts>& libraries, const DependencySearch& search)
{
    PackageForecast forecast{packageName, ReadPackageName(folder + packageName), "", ""};
    std::string setAside = " the package is set aside as " + packageName + FailedPackageSuffix;
    DWORD attributes = GetFileAttributesA((folder + forecast.storedName).c_str());
    bool installed = attributes != INVALID_FILE_ATTRIBUTES;
    if (!IsInstallableName(folder, forecast.storedName) || (installed && (attributes & FILE_ATTRIBUTE_DIRECTORY))) {
        forecast.action = "reject name";
        forecast.detail = "no stored name that the pass installs;" + setAside;
        return forecast;
    }
    std::string installedName = installed ? forecast.storedName : "";
    ScratchFolder scratch;
    bool unpacked = !scratch.Path().empty() && UnpackPackage(folder + packageName, scratch.Path(), "") == 1;
    if (installedName.empty()) {
        forecast.action = unpacked ? "install" : "set aside";
        forecast.detail = unpacked ? "as " + forecast.storedName : "the payload does not unpack;" + setAside;
        return forecast;
    }
    if (!unpacked) {
        forecast.action = "roll back";
        forecast.detail = "the payload does not unpack; " + installedName + " is kept and the package deleted";
        return forecast;
    }
    LibraryIdentity old;
    for (const LibraryFacts& library : libraries) {
        if (SameNameIgnoringCase(library.file, installedName)) {
            old = IdentityAsThePassReadsIt(library);
        }
    }
    LibraryIdentity candidate = IdentityAsThePassReadsIt(InspectLibrary(scratch.Path(), forecast.storedName, search));
    if (!candidate.complete) {
        forecast.action = "roll back";
        forecast.detail = "the new copy cannot be loaded or lacks string 3 or 4; " + installedName + " is kept";
    } else if (IsOlderThan(candidate, old)) {
        forecast.action = "roll back";
        forecast.detail = "the new copy (" + DescribeIdentity(candidate) + ") is older than " + installedName + " (" +
                          DescribeIdentity(old) + ")";
    } else {
        forecast.action = "replace";
        forecast.detail = installedName + " (" + DescribeIdentity(old) + ") by " + forecast.storedName + " (" +
                          DescribeIdentity(candidate) + ")";
    }
    return forecast;
}

} // namespace

std::vector<PackageForecast> ForecastPackages(const std::string& folder, const std::vector<LibraryFacts>& libraries,
                                              const DependencySearch& search)
{
    std::vector<PackageForecast> forecasts;
    for (const WIN32_FIND_DATAA& entry : FindFiles(folder, "*." + PACKAGE_EXTENSION)) {
        if (!IsFolder(entry)) {
            forecasts.push_back(Forecast(folder, entry.cFileName, libraries, search));
        }
    }
    return forecasts;
}

std::vector<LeftoverForecast> ForecastLeftovers(const std::string& folder)
{
    std::vector<LeftoverForecast> forecasts;
    std::string journal = ReadInstallJournal(folder);
    for (const WIN32_FIND_DATAA& entry : FindFiles(folder, "*." + BackupExtension)) {
        std::string name = entry.cFileName;
        if (IsFolder(entry)) {
            continue;
        }
        if (IsPackageWorkingFile(name)) {
            forecasts.push_back({name, "delete", "a working file of an unpack"});
        } else if (SameNameIgnoringCase(name, InstallBackupFile)) {
            forecasts.push_back(journal.empty()
                                    ? LeftoverForecast{name, "delete", "the backup of a finished update"}
                                    : LeftoverForecast{name, "restore",
                                                       "the backup of an unfinished installation; put back as " +
                                                           journal + ", replacing what stands there"});
        } else if (!SameNameIgnoringCase(name, InstallJournalFile) && !SameNameIgnoringCase(name, InstallLockFile)) {
            forecasts.push_back({name, "keep", "not a file of the installation pass"});
        }
    }
    return forecasts;
}
