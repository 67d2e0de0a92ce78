#include "tools/kvpinfo/Kvpinfo.h"

#include <algorithm>

#include "errors/ToyError.h"
#include "plugins/PluginRules.h"
#include "tools/kvpinfo/FolderView.h"
#include "tools/kvpinfo/ReportWriter.h"

namespace {

const char* const kUsage = "usage: kvpinfo [--toy NAME] [--host EXE] [--registry] [--json] [FOLDER]\n"
                           "Reports what the host would do with the plugin libraries, packages and leftover\n"
                           "files of FOLDER (default: Plugins\\ of the current folder), without running them.\n"
                           "  --toy NAME   the toy whose tree is predicted (default: the host's own name)\n"
                           "  --host EXE   the host executable (default: the toy executable beside FOLDER);\n"
                           "               its folder is where the loader looks for dependencies first\n"
                           "  --registry   adds each plugin's Active and Executes from the current user's key\n"
                           "  --json       prints JSON for scripts instead of text\n"
                           "Exit code: 0 when every library would load somewhere and the next start would\n"
                           "install every package and load what it holds; 1 when not; 2 for bad usage.\n";

struct Options {
    std::string folder;
    std::string toyName;
    std::string hostPath;
    bool registry = false;
    bool json = false;
};

bool ParseOptions(const std::vector<std::string>& arguments, Options& options)
{
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--registry") {
            options.registry = true;
        } else if (argument == "--json") {
            options.json = true;
        } else if ((argument == "--toy" || argument == "--host") && i + 1 < arguments.size() &&
                   !arguments[i + 1].empty()) {
            (argument == "--toy" ? options.toyName : options.hostPath) = arguments[++i];
        } else if (argument.rfind("-", 0) == 0 || !options.folder.empty() || argument.empty()) {
            return false;
        } else {
            options.folder = argument;
        }
    }
    return true;
}

// The first executable beside the plugins folder that carries a toy's header.
std::string FindToyExecutable(const std::string& folder)
{
    for (const FolderEntry& entry : ListFolder(folder, "*.exe")) {
        std::optional<HeaderLookup> header = ReadLibraryHeader(folder + entry.name);
        if (header && (*header)(HEADER_TYPE) == TYPE_TOY) {
            return folder + entry.name;
        }
    }
    return "";
}

std::vector<RegistryMirror> ReadMirrors(const std::vector<LibraryFacts>& libraries, const std::string& toyKey)
{
    std::vector<RegistryMirror> mirrors;
    for (const LibraryFacts& library : libraries) {
        RegistryMirror& mirror = mirrors.emplace_back();
        if (!library.header[HEADER_NAME]) {
            continue;
        }
        std::string keyPath = PluginKeyPath(toyKey, *library.header[HEADER_NAME]);
        mirror.active = PeekRegistryValue(keyPath, VALUE_ACTIVE);
        mirror.executes = PeekRegistryValue(keyPath, VALUE_EXECUTES);
    }
    return mirrors;
}

bool ExistsAs(const std::string& path, bool folder)
{
    return StandingAt(path) == (folder ? Standing::Folder : Standing::File);
}

// Settles the folder, the host and the toy; false with a message in err when
// they cannot be settled.
bool SettleTargets(const std::string& folderOption, const std::string& hostOption, FolderReport& report,
                   std::ostream& err)
{
    std::string pluginsFolder = AsFolder(PLUGINS_FOLDER.substr(0, PLUGINS_FOLDER.size() - 1));
    std::string folder = FullPath(folderOption.empty() ? CurrentFolder() + pluginsFolder : folderOption);
    if (folder.empty() || !ExistsAs(folder, true)) {
        err << "kvpinfo: no folder " << (folderOption.empty() ? pluginsFolder : folderOption) << "\n";
        return false;
    }
    report.folder = AsFolder(folder);
    report.hostPath = hostOption.empty() ? FindToyExecutable(ContainingFolder(report.folder)) : FullPath(hostOption);
    if (!hostOption.empty() && (report.hostPath.empty() || !ExistsAs(report.hostPath, false))) {
        err << "kvpinfo: no host executable " << hostOption << "\n";
        return false;
    }
    report.hostFolder = report.hostPath.empty() ? ContainingFolder(report.folder) : ContainingFolder(report.hostPath);
    if (report.toyName.empty() && !report.hostPath.empty()) {
        std::optional<HeaderLookup> host = ReadLibraryHeader(report.hostPath);
        report.toyName = host ? (*host)(HEADER_NAME).value_or("") : "";
    }
    if (report.toyName.empty()) {
        err << "kvpinfo: no toy name: no toy executable "
            << (hostOption.empty() ? "beside " + report.folder : hostOption + " with a name")
            << "; name the toy with --toy NAME or the host with --host EXE\n";
        return false;
    }
    return true;
}

} // namespace

bool FolderReport::AllPlaced() const
{
    for (std::size_t i = 0; i < libraries.size(); ++i) {
        if (!WhyNowhere(tree, libraries, i).empty()) {
            return false;
        }
    }
    return std::all_of(packages.begin(), packages.end(),
                       [](const PackageForecast& package) { return package.loadsNextStart; });
}

bool MakeFolderReport(const std::string& folder, const std::string& hostPath, const std::string& toyName,
                      FolderReport& report, std::ostream& err)
{
    report.toyName = toyName;
    if (!SettleTargets(folder, hostPath, report, err)) {
        return false;
    }
    // The host runs with the folder above its plugins folder as its current folder.
    DependencySearch search(report.hostFolder, ContainingFolder(report.folder));
    report.searchFolders = search.Folders();
    report.unseenFolders = search.Unseen();
    report.registryNote = RegistryNote();
    report.libraries = ScanLibraries(report.folder, search);
    RegistryForecast registry(REGISTRY_ROOT + report.toyName);
    report.tree = PredictTree(report.libraries, report.toyName, registry);
    report.packages = ForecastPackages(report.folder, search);
    ForecastNextStart(report.libraries, report.toyName, report.packages);
    report.leftovers = ForecastLeftovers(report.folder);
    report.otherFiles = ScanOtherFiles(report.folder, search);
    return true;
}

int RunKvpinfo(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    Options options;
    if (!ParseOptions(arguments, options)) {
        err << kUsage;
        return 2;
    }
    if (options.registry && !RegistryNote().empty()) {
        err << "kvpinfo: --registry reads the Windows registry of the toy's user: run kvpinfo.exe on Windows\n";
        return 2;
    }
    FolderReport report;
    if (!MakeFolderReport(options.folder, options.hostPath, options.toyName, report, err)) {
        return 2;
    }
    report.withRegistry = options.registry;
    if (options.registry) {
        report.registry = ReadMirrors(report.libraries, REGISTRY_ROOT + report.toyName);
    }
    if (options.json) {
        WriteJsonReport(report, out);
    } else {
        WriteTextReport(report, out);
    }
    return report.AllPlaced() ? 0 : 1;
}
