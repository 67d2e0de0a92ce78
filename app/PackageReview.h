// What the package opener shows of a plugin package before it installs it,
// and whether it offers to: the forecast of the next start's installation
// pass and tree for the package, as if it lay alone in the toy's plugins
// folder. Nothing is installed and no plugin code runs.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tools/kvpinfo/PackageForecast.h"

struct PackageReview {
    PackageForecast forecast;
    // The library that stands under the package's stored name now, if any.
    std::optional<LibraryFacts> installed;
    // Why the package is not offered for installation, as one sentence;
    // empty when the next start would install it and load what it holds.
    std::string refusal;
};

PackageReview ReviewPackage(const std::string& packagePath, const std::string& pluginsFolder,
                            const std::string& toyName, const DependencySearch& search);

// The facts the dialog lists, as label and value: the package, the plugin's
// name, version, release date and details, whom it runs under and what it
// would replace.
std::vector<std::pair<std::string, std::string>> DescribePackage(const PackageReview& review);
