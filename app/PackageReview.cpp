#include "app/PackageReview.h"

#include "plugins/PluginHeader.h"
#include "support/FileNames.h"

namespace {

const std::string kLoadsNowhere = "loads nowhere: ";

// The first clause of a forecast's detail, which goes on to say what the
// pass would do with a package lying in the plugins folder.
std::string FirstClause(const std::string& detail)
{
    return detail.substr(0, detail.find(';'));
}

std::string Refusal(const PackageForecast& forecast)
{
    if (forecast.used) {
        return forecast.loadsNextStart
                   ? ""
                   : "The plugin would not load: " + forecast.nextStart.substr(kLoadsNowhere.size()) + ".";
    }
    if (forecast.action == "reject name") {
        return "The package names no plugin file that the toy installs.";
    }
    return "The toy would not install it: " + FirstClause(forecast.detail) + ".";
}

std::optional<LibraryFacts> InstalledCopy(const std::string& pluginsFolder, const std::string& storedName,
                                          const DependencySearch& search)
{
    DWORD attributes =
        storedName.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA((pluginsFolder + storedName).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::nullopt;
    }
    return InspectLibrary(pluginsFolder, storedName, search);
}

std::string HeaderText(const std::optional<LibraryFacts>& library, UINT id)
{
    return library && library->header[id] ? *library->header[id] : "(none)";
}

std::string Replaces(const PackageReview& review)
{
    if (!review.installed) {
        return "nothing: a new plugin";
    }
    return review.installed->file + " in Plugins\\, " + HeaderText(review.installed, HEADER_NAME) + " version " +
           HeaderText(review.installed, HEADER_VERSION) + ", release date " +
           HeaderText(review.installed, HEADER_RELEASE_DATE);
}

std::string Owners(const std::optional<LibraryFacts>& library)
{
    return library && !library->owners.names.empty() ? JoinBetween(library->owners.names, ", ") : "(no one)";
}

} // namespace

PackageReview ReviewPackage(const std::string& packagePath, const std::string& pluginsFolder,
                            const std::string& toyName, const DependencySearch& search)
{
    PackageReview review;
    review.forecast = ForecastPackage(pluginsFolder, packagePath, search);
    std::vector<PackageForecast> alone{review.forecast};
    ForecastNextStart(ScanLibraries(pluginsFolder, search), toyName, alone);
    review.forecast = alone.front();
    review.installed = InstalledCopy(pluginsFolder, review.forecast.storedName, search);
    review.refusal = Refusal(review.forecast);
    return review;
}

std::vector<std::pair<std::string, std::string>> DescribePackage(const PackageReview& review)
{
    const std::optional<LibraryFacts>& content = review.forecast.content;
    return {
        {"Package", review.forecast.file},
        {"Plugin", HeaderText(content, HEADER_NAME)},
        {"Version", HeaderText(content, HEADER_VERSION)},
        {"Release date", HeaderText(content, HEADER_RELEASE_DATE)},
        {"Details", HeaderText(content, HEADER_DETAILS)},
        {"Runs under", Owners(content)},
        {"Replaces", Replaces(review)},
    };
}
