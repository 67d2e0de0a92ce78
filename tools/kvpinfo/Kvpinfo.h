// kvpinfo: a read-only report of what the host would do with a plugins
// folder, for plugin authors. Opens libraries as data only, so no plugin
// code runs.
//   kvpinfo [--toy NAME] [--host EXE] [--registry] [--json] [FOLDER]
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tools/kvpinfo/PackageForecast.h"
#include "tools/kvpinfo/TreePrediction.h"

struct RegistryMirror {
    std::optional<std::string> active;
    std::optional<std::string> executes;
};

struct FolderReport {
    std::string folder;
    std::string toyName;
    std::string hostPath; // empty when no toy executable was found
    std::string hostFolder;
    std::vector<std::string> searchFolders;
    std::string unseenFolders; // how DLLs are judged that no searched folder shows; empty when none
    std::string registryNote;  // why the registry was not read; empty when it was
    std::vector<LibraryFacts> libraries;
    TreePrediction tree;
    std::vector<PackageForecast> packages;
    std::vector<LeftoverForecast> leftovers;
    std::vector<OtherFile> otherFiles;
    bool withRegistry = false;
    std::vector<RegistryMirror> registry; // per library, with --registry

    // Every library stands somewhere in the tree, and the next start installs
    // every package and places the library it holds.
    bool AllPlaced() const;
};

// The report on folder (empty: Plugins\ of the current folder) for the toy
// toyName (empty: the name in the host's string table), whose executable is
// hostPath (empty: the toy executable beside the folder). False, with a
// message in err, when the folder, the host or the toy cannot be settled.
bool MakeFolderReport(const std::string& folder, const std::string& hostPath, const std::string& toyName,
                      FolderReport& report, std::ostream& err);

// Exit codes: 0 every library would load somewhere and every package would be
// installed and its library loaded at the next start; 1 not; 2 bad usage.
int RunKvpinfo(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
