// Gives a copy of a plugin library a header of its own, so that one built
// library can stand in for many plugins with different names and owners.
#pragma once

#include <string>
#include <vector>

// Rewrites the string table of the library at path: name, type "PLUGIN",
// version "1.0", release date "1", details, active "TRUE", and the owner list
// (at most seven names), all ASCII. False when the library cannot be updated.
bool StampPluginHeader(const std::string& path, const std::string& name, const std::vector<std::string>& owners);
