#include "tools/kvpinfo/PackageForecast.h"

#include <algorithm>

#include "errors/ToyError.h"
#include "plugins/PluginInstall.h"
#include "support/DecimalText.h"
#include "support/FileNames.h"
#include "support/FileSystem.h"
#include "support/Package.h"
#include "support/Win32Handles.h"
#include "tools/kvpinfo/TreePrediction.h"

namespace {

// Where the pass finds the new copy wanting, it keeps the installed copy as it
// was and deletes the package: nothing is undone, the package is simply not used.
const char* const kKeepInstalled = "keep the installed copy, delete the package";

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

// What earlier packages of the pass will have left under their stored names.
using Placed = std::vector<std::pair<std::string, LibraryIdentity>>;

PackageForecast Forecast(const std::string& folder, const std::string& packagePath, const std::string& packageName,
                         const DependencySearch& search, Placed& placed)
{
    PackageForecast forecast;
    forecast.file = packageName;
    if (!HoldPackage(packagePath)) {
        forecast.action = "wait";
        forecast.detail = "still being written (another program has it open); left for a later start";
        return forecast;
    }
    forecast.storedName = ReadPackageName(packagePath);
    const std::string& storedName = forecast.storedName;
    std::string setAside = " the package is set aside as " + packageName + FailedPackageSuffix;
    auto earlier = std::find_if(placed.begin(), placed.end(),
                                [&](const auto& entry) { return SameNameIgnoringCase(entry.first, storedName); });
    DWORD attributes =
        earlier != placed.end() ? FILE_ATTRIBUTE_NORMAL : GetFileAttributesA((folder + storedName).c_str());
    PackageRoute route = RoutePackage(folder, storedName, attributes);
    if (route == PackageRoute::RefuseName) {
        forecast.action = "reject name";
        forecast.detail = "no stored name that the pass installs;" + setAside;
        return forecast;
    }
    ScratchFolder scratch;
    bool unpacked = !scratch.Path().empty() && UnpackPackage(packagePath, scratch.Path(), "") == 1;
    std::optional<LibraryIdentity> old;
    if (route == PackageRoute::Replace) {
        // The pass reads the copy under the stored name, whatever its extension.
        old = earlier != placed.end() ? earlier->second
                                      : IdentityAsThePassReadsIt(InspectLibrary(folder, storedName, search));
    }
    if (unpacked) {
        forecast.content = InspectLibrary(scratch.Path(), storedName, search);
    }
    LibraryIdentity candidate = unpacked ? IdentityAsThePassReadsIt(*forecast.content) : LibraryIdentity{};
    PackageOutcome outcome = JudgeUnpack(unpacked, old, candidate);
    forecast.used = outcome == PackageOutcome::Installed || outcome == PackageOutcome::Replaced;
    if (forecast.used) {
        if (earlier != placed.end()) {
            earlier->second = candidate;
        } else {
            placed.emplace_back(storedName, candidate);
        }
    }
    switch (outcome) {
    case PackageOutcome::Installed:
        forecast.action = "install";
        forecast.detail = "as " + storedName;
        break;
    case PackageOutcome::SetAside:
        forecast.action = "set aside";
        forecast.detail = "the payload does not unpack;" + setAside;
        break;
    case PackageOutcome::Replaced:
        forecast.action = "replace";
        forecast.detail = storedName + " (" + DescribeIdentity(*old) + ") by " + storedName + " (" +
                          DescribeIdentity(candidate) + ")";
        break;
    case PackageOutcome::NotUnpacked:
        forecast.action = "set aside";
        forecast.detail = "the payload does not unpack; " + storedName + " is kept and" + setAside;
        break;
    case PackageOutcome::Incomplete:
        forecast.action = "set aside";
        forecast.detail =
            "the new copy cannot be loaded or lacks string 3 or 4; " + storedName + " is kept and" + setAside;
        break;
    case PackageOutcome::Older:
        forecast.action = kKeepInstalled;
        forecast.detail = "the new copy (" + DescribeIdentity(candidate) + ") is older than " + storedName + " (" +
                          DescribeIdentity(*old) + ")";
        break;
    }
    return forecast;
}

} // namespace

std::vector<PackageForecast> ForecastPackages(const std::string& folder, const DependencySearch& search)
{
    std::vector<PackageForecast> forecasts;
    Placed placed;
    for (const WIN32_FIND_DATAA& entry : FindFiles(folder, "*." + PACKAGE_EXTENSION)) {
        if (!IsFolder(entry)) {
            forecasts.push_back(Forecast(folder, folder + entry.cFileName, entry.cFileName, search, placed));
        }
    }
    return forecasts;
}

PackageForecast ForecastPackage(const std::string& folder, const std::string& packagePath,
                                const DependencySearch& search)
{
    Placed placed;
    return Forecast(folder, packagePath, packagePath.substr(packagePath.find_last_of("\\/") + 1), search, placed);
}

void ForecastNextStart(const std::vector<LibraryFacts>& libraries, const std::string& toyName,
                       std::vector<PackageForecast>& packages)
{
    std::vector<LibraryFacts> next = libraries;
    std::vector<std::optional<std::size_t>> at(packages.size()); // where each package's library stands in next
    for (std::size_t i = 0; i < packages.size(); ++i) {
        const PackageForecast& package = packages[i];
        if (!package.used ||
            !SameNameIgnoringCase(ReplaceExtension(package.storedName, LIBRARY_EXTENSION), package.storedName)) {
            continue;
        }
        auto same = std::find_if(next.begin(), next.end(), [&](const LibraryFacts& library) {
            return SameNameIgnoringCase(library.file, package.storedName);
        });
        at[i] = static_cast<std::size_t>(same - next.begin());
        if (same == next.end()) {
            next.push_back(*package.content);
        } else {
            *same = *package.content;
        }
    }
    RegistryForecast registry(REGISTRY_ROOT + toyName);
    TreePrediction tree = PredictTree(next, toyName, registry);
    for (std::size_t i = 0; i < packages.size(); ++i) {
        PackageForecast& package = packages[i];
        if (!package.used) {
            continue;
        }
        if (!at[i]) {
            package.nextStart = "loads nowhere: installed as " + package.storedName + ", and the host loads only *." +
                                LIBRARY_EXTENSION;
            continue;
        }
        std::string nowhere = WhyNowhere(tree, next, *at[i]);
        package.loadsNextStart = nowhere.empty();
        package.nextStart =
            nowhere.empty() ? "places: " + std::to_string(tree.places[*at[i]]) : "loads nowhere: " + nowhere;
    }
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
        switch (FateOfLeftover(name, journal)) {
        case LeftoverFate::Delete:
            forecasts.push_back(
                {name, "delete",
                 IsPackageWorkingFile(name) ? "a working file of an unpack" : "the backup of a finished update"});
            break;
        case LeftoverFate::Restore:
            forecasts.push_back(
                {name, "restore",
                 "the backup of an unfinished installation; put back as " + journal + ", replacing what stands there"});
            break;
        case LeftoverFate::Keep:
            forecasts.push_back({name, "keep", "not a file of the installation pass"});
            break;
        case LeftoverFate::Own:
            break;
        }
    }
    return forecasts;
}
