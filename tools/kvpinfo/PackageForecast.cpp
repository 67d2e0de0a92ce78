#include "tools/kvpinfo/PackageForecast.h"

#include <algorithm>

#include "errors/ToyError.h"
#include "plugins/InstallRules.h"
#include "support/DecimalText.h"
#include "support/FileNames.h"
#include "support/Package.h"
#include "tools/kvpinfo/FolderView.h"
#include "tools/kvpinfo/TreePrediction.h"

namespace {

// Where the pass finds the new copy wanting, it keeps the installed copy as it
// was and deletes the package: nothing is undone, the package is simply not used.
const char* const kKeepInstalled = "keep the installed copy, delete the package";

std::string DescribeIdentity(const LibraryIdentity& identity)
{
    return "release date " + FormatDecimal(identity.releaseDate) + ", version " + FormatDecimalDouble(identity.version);
}

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
    if (!PackageIsFree(packagePath)) {
        forecast.action = "wait";
        forecast.detail = "still being written (another program has it open); left for a later start";
        return forecast;
    }
    forecast.storedName = ReadPackageName(packagePath);
    const std::string& storedName = forecast.storedName;
    std::string setAside = " the package is set aside as " + packageName + FailedPackageSuffix;
    auto earlier = std::find_if(placed.begin(), placed.end(),
                                [&](const auto& entry) { return SameNameIgnoringCase(entry.first, storedName); });
    Standing there = earlier != placed.end() ? Standing::File : StandingAt(folder + storedName);
    PackageRoute route = RoutePackage(folder, storedName, there);
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
    for (const FolderEntry& entry : ListFolder(folder, "*." + PACKAGE_EXTENSION)) {
        if (!entry.folder) {
            forecasts.push_back(Forecast(folder, folder + entry.name, entry.name, search, placed));
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
    for (const FolderEntry& entry : ListFolder(folder, "*." + BackupExtension)) {
        const std::string& name = entry.name;
        if (entry.folder) {
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
