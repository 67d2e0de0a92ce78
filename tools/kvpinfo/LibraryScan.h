// What can be learnt about the plugin libraries of a folder without running
// any of their code: the PE headers read from the file, the string table read
// from the library opened as data (or, away from Windows, from the file).
#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "plugins/PluginRules.h"

// The folders the loader searches for the DLLs a plugin imports when the host
// loads it by full path with LoadLibraryA: the host executable's folder, the
// system folder, the 16-bit system folder, the Windows folder, the host's
// current folder, then PATH. The plugin's own folder is not among them.
// API-set names (api-ms-*, ext-ms-*) are resolved by the loader itself.
class DependencySearch {
public:
    DependencySearch(const std::string& hostFolder, const std::string& currentFolder);

    // The DLLs among imports, and among the imports of the DLLs found for
    // them, that the loader would not find: "name", or "name (through
    // other.dll)" for one that a found DLL needs. The DLLs of the system
    // folders are taken as complete and not looked into.
    std::vector<std::string> MissingDependencies(const std::vector<std::string>& imports) const;

    const std::vector<std::string>& Folders() const { return folders_; }
    // How the DLLs are judged that no folder above shows; empty where every folder is searched.
    const std::string& Unseen() const { return unseen_; }

private:
    // The path the loader would take the DLL from; empty when there is none.
    std::string Locate(const std::string& dllName) const;

    // The imports of a DLL found outside the system folders, by path: the
    // same runtime DLLs stand behind every plugin of a folder.
    const std::vector<std::string>& ImportsOf(const std::string& path) const;

    std::vector<std::string> folders_;
    std::vector<std::string> systemFolders_;
    std::string unseen_;
    mutable std::map<std::string, std::vector<std::string>> imports_;
};

struct LibraryFacts {
    std::string file;
    std::string peProblem; // not a PE image, or damaged headers
    std::string machine;
    bool hostArchitecture = false;
    bool exportsNew = false;
    std::string mangledNew; // a C++ name of New, exported where New is not
    std::vector<std::string> missingImports;
    // Header strings 1 to 6 (index 0 unused); nothing when absent or empty.
    std::array<std::optional<std::string>, 7> header;
    OwnerList owners;
    LibraryIdentity identity;
    std::optional<std::uint32_t> firstMissingCopied;
    // Why the host leaves it out after it crashed a run; empty when it does not.
    std::string leftOut;

    // LoadLibraryA would succeed.
    bool Loads() const { return peProblem.empty() && hostArchitecture && missingImports.empty() && leftOut.empty(); }
    // Why the host gets no object from it; empty when it calls its New.
    std::string LoadProblem() const;
};

// A file of the folder that the host neither loads, installs nor makes.
struct OtherFile {
    std::string file;
    std::string hint; // what it may be meant as
};

// The facts of one library file.
LibraryFacts InspectLibrary(const std::string& folder, const std::string& file, const DependencySearch& search);

// Every "*.kvp" entry of folder, in the order the host's search finds them.
std::vector<LibraryFacts> ScanLibraries(const std::string& folder, const DependencySearch& search);

// The files of folder other than "*.kvp", "*.kvd", "*.tmp" and set-aside
// packages, in the order the system lists them.
std::vector<OtherFile> ScanOtherFiles(const std::string& folder, const DependencySearch& search);
