// What the next start's installation pass would do with the packages
// ("*.kvd") and leftover "*.tmp" files of a plugins folder. Each package is
// unpacked into a private temporary folder to read the new copy's identity;
// the plugins folder itself is never written.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/kvpinfo/LibraryScan.h"

struct PackageForecast {
    std::string file;
    std::string storedName; // empty when the package has no usable name
    std::string action;     // "install", "replace", "keep the installed copy, delete the package",
                            // "reject name", "set aside", "wait"
    std::string detail;
    // The library the package holds, when its payload unpacks.
    std::optional<LibraryFacts> content;
    // The next start installs that library (install or replace).
    bool used = false;
    // Where the next start places the library it installs: "places: N", or
    // why it stands nowhere; empty when the package is not used.
    std::string nextStart;
    bool loadsNextStart = false;
};

struct LeftoverForecast {
    std::string file;
    std::string action; // "delete" or "restore"
    std::string detail;
};

std::vector<PackageForecast> ForecastPackages(const std::string& folder, const DependencySearch& search);

// The same for one package at packagePath, wherever it lies, as if it were
// the only package in folder.
PackageForecast ForecastPackage(const std::string& folder, const std::string& packagePath,
                                const DependencySearch& search);

// Predicts the tree of the next start, once it has installed the packages it
// uses, and sets each used package's nextStart: the library it installs in
// place of the copy under its stored name, or after the others. libraries
// are the folder's as they are now.
void ForecastNextStart(const std::vector<LibraryFacts>& libraries, const std::string& toyName,
                       std::vector<PackageForecast>& packages);

std::vector<LeftoverForecast> ForecastLeftovers(const std::string& folder);
