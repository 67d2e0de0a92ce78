#include "tools/kvpinfo/PackageForecast.h"

#include <cstdio>

#include "errors/ToyError.h"
#include "plugins/PluginInstall.h"
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
    char text[96];
    std::snprintf(text, sizeof text, "release date %d, version %g", static_cast<int>(identity.releaseDate),
                  identity.version);
    return text;
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
    std::vector<WIN32_FIND_DATAA> installed = FindFiles(folder, ReplaceExtension(packageName, LIBRARY_EXTENSION));
    std::string installedName = installed.empty() ? "" : installed[0].cFileName;

    if (forecast.storedName.empty()) {
        forecast.action = "reject name";
        forecast.detail = installedName.empty()
                              ? "no usable stored name; the package stays and fails again at every start"
                              : "no usable stored name; " + installedName + " is kept and the package deleted";
        return forecast;
    }
    ScratchFolder scratch;
    bool unpacked = !scratch.Path().empty() && UnpackPackage(folder + packageName, scratch.Path(), "") == 1;
    if (installedName.empty()) {
        forecast.action = unpacked ? "install" : "keep";
        forecast.detail = unpacked ? "as " + forecast.storedName
                                   : "the payload does not unpack; the package stays for the next start";
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
    for (const WIN32_FIND_DATAA& entry : FindFiles(folder, "*." + BackupExtension)) {
        if (IsFolder(entry)) {
            continue;
        }
        std::string name = entry.cFileName;
        if (IsPackageWorkingFile(name)) {
            forecasts.push_back({name, "delete", "a working file of an unpack"});
        } else {
            forecasts.push_back({name, "restore",
                                 "the backup of an unfinished installation; put back as " +
                                     ReplaceExtension(name, LIBRARY_EXTENSION) + ", replacing what stands there"});
        }
    }
    return forecasts;
}
