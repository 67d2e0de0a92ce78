#include "tools/kvpinfo/Kvpinfo.h"

#include "errors/ToyError.h"
#include "plugins/PluginHeader.h"
#include "support/FileSystem.h"
#include "support/Registry.h"
#include "support/Resources.h"
#include "support/Win32Handles.h"
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
                           "Exit code: 0 when every library would load somewhere, 1 when some would not,\n"
                           "2 for bad usage.\n";

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

std::string FullPath(const std::string& path)
{
    char buffer[MAX_PATH];
    DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(buffer, length) : std::string();
}

// The folder part of a path, ending with "\"; a trailing "\" of the path itself is not a separator here.
std::string ContainingFolder(const std::string& path)
{
    std::size_t cut = path.find_last_of('\\', path.size() > 1 ? path.size() - 2 : 0);
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::optional<std::string> ResourceText(HMODULE module, UINT id)
{
    std::string text;
    return LoadResourceString(module, id, ResourceBufferSize, text) ? std::optional<std::string>(text) : std::nullopt;
}

// The first executable beside the plugins folder that carries a toy's header.
std::string FindToyExecutable(const std::string& folder)
{
    for (const WIN32_FIND_DATAA& entry : FindFiles(folder, "*.exe")) {
        ModuleHandle module(OpenLibraryAsData(folder + entry.cFileName));
        if (module && ResourceText(module.Get(), HEADER_TYPE) == TYPE_TOY) {
            return folder + entry.cFileName;
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
        std::string text;
        if (PeekRegistryString(keyPath, VALUE_ACTIVE, text)) {
            mirror.active = text;
        }
        if (PeekRegistryString(keyPath, VALUE_EXECUTES, text)) {
            mirror.executes = text;
        }
    }
    return mirrors;
}

bool ExistsAs(const std::string& path, bool folder)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == folder;
}

// Settles the folder, the host and the toy; false with a message in err when
// they cannot be settled.
bool SettleTargets(Options& options, FolderReport& report, std::ostream& err)
{
    std::string folder = FullPath(options.folder.empty() ? GetCurrentFolder() + PLUGINS_FOLDER : options.folder);
    if (folder.empty() || !ExistsAs(folder, true)) {
        err << "kvpinfo: no folder " << (options.folder.empty() ? PLUGINS_FOLDER : options.folder) << "\n";
        return false;
    }
    report.folder = AsFolderPath(folder);
    std::string hostPath =
        options.hostPath.empty() ? FindToyExecutable(ContainingFolder(report.folder)) : FullPath(options.hostPath);
    if (!options.hostPath.empty() && (hostPath.empty() || !ExistsAs(hostPath, false))) {
        err << "kvpinfo: no host executable " << options.hostPath << "\n";
        return false;
    }
    report.hostFolder = hostPath.empty() ? ContainingFolder(report.folder) : ContainingFolder(hostPath);
    report.toyName = options.toyName;
    if (report.toyName.empty() && !hostPath.empty()) {
        ModuleHandle host(OpenLibraryAsData(hostPath));
        report.toyName = host ? ResourceText(host.Get(), HEADER_NAME).value_or("") : "";
    }
    if (report.toyName.empty()) {
        err << "kvpinfo: no toy name: no toy executable "
            << (options.hostPath.empty() ? "beside " + report.folder : options.hostPath + " with a name")
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
    return true;
}

int RunKvpinfo(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    Options options;
    if (!ParseOptions(arguments, options)) {
        err << kUsage;
        return 2;
    }
    FolderReport report;
    if (!SettleTargets(options, report, err)) {
        return 2;
    }
    // The host runs with the folder above its plugins folder as its current folder.
    DependencySearch search(report.hostFolder, ContainingFolder(report.folder));
    report.searchFolders = search.Folders();
    report.libraries = ScanLibraries(report.folder, search);
    std::string toyKey = REGISTRY_ROOT + report.toyName;
    RegistryForecast registry(toyKey);
    report.tree = PredictTree(report.libraries, report.toyName, registry);
    report.packages = ForecastPackages(report.folder, search);
    report.leftovers = ForecastLeftovers(report.folder);
    report.otherFiles = ScanOtherFiles(report.folder, search);
    report.withRegistry = options.registry;
    if (options.registry) {
        report.registry = ReadMirrors(report.libraries, toyKey);
    }
    if (options.json) {
        WriteJsonReport(report, out);
    } else {
        WriteTextReport(report, out);
    }
    return report.AllPlaced() ? 0 : 1;
}
