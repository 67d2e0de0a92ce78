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
    std::string hostFolder;
    std::vector<std::string> searchFolders;
    std::vector<LibraryFacts> libraries;
    TreePrediction tree;
    std::vector<PackageForecast> packages;
    std::vector<LeftoverForecast> leftovers;
    std::vector<OtherFile> otherFiles;
    bool withRegistry = false;
    std::vector<RegistryMirror> registry; // per library, with --registry

    // Every library stands somewhere in the tree.
    bool AllPlaced() const;
};

// Exit codes: 0 every library would load somewhere, 1 some would not, 2 bad usage.
int RunKvpinfo(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
