// What the next start's installation pass would do with the packages
// ("*.kvd") and leftover "*.tmp" files of a plugins folder. Each package is
// unpacked into a private temporary folder to read the new copy's identity;
// the plugins folder itself is never written.
#pragma once

#include <string>
#include <vector>

#include "tools/kvpinfo/LibraryScan.h"

struct PackageForecast {
    std::string file;
    std::string storedName; // empty when the package has no usable name
    std::string action;     // "install", "replace", "roll back", "set aside", "reject name", "wait"
    std::string detail;
};

struct LeftoverForecast {
    std::string file;
    std::string action; // "delete" or "restore"
    std::string detail;
};

std::vector<PackageForecast> ForecastPackages(const std::string& folder, const DependencySearch& search);

std::vector<LeftoverForecast> ForecastLeftovers(const std::string& folder);
