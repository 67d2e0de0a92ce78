// Packages of test plugins in a scratch plugins folder, for the tests of the
// installation pass.
#pragma once

#include <string>

#include "tests/support/PluginFolder.h"

// Writes folder.PluginsPath() + packageName holding the test plugin <label>
// under storedName.
void AddPackage(const ToyFolder& folder, const std::string& label, const std::string& packageName = "Versioned.kvd",
                const std::string& storedName = "Versioned.kvp");

// Writes a package of raw bytes: the name block holding storedName, then payload.
void AddRawPackage(const ToyFolder& folder, const std::string& packageName, const std::string& storedName,
                   const std::string& payload);

// True when the file holds exactly the bytes of the test plugin <label>.
bool IsCopyOf(const std::string& path, const std::string& label);
