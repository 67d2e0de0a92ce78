// A scratch folder laid out as the host expects it, with test plugins and
// packages of them in its Plugins folder, and the trace those plugins leave.
#pragma once

#include <string>
#include <vector>

#include "tests/support/TestFolder.h"

class ToyFolder : public TestFolder {
public:
    ToyFolder();

    std::string PluginsPath() const { return Path() + "Plugins\\"; }

    // Copies the test plugin <label>.kvp in, under fileName when given.
    void AddPlugin(const std::string& label, const std::string& fileName = "");
    void AddPlugins(const std::vector<std::string>& labels);
    // Copies a plugin of the sample toy (Pillow.kvp for "Pillow") in.
    void AddToyPlugin(const std::string& name);
    // Packs the test plugin <label> into packageName, stored as storedName.
    void AddPackage(const std::string& label, const std::string& packageName = "Versioned.kvd",
                    const std::string& storedName = "Versioned.kvp");

    // The lines of trace.txt, in the order they were written.
    std::vector<std::string> Trace() const;
    void ClearTrace() const;

    // The names of the *.kvp files in the order the system lists them.
    std::vector<std::string> PluginFileOrder() const;
};

// Where the test plugins are built.
std::string TestPluginPath(const std::string& label);

// True when the file holds exactly the bytes of the test plugin <label>.
bool IsCopyOf(const std::string& path, const std::string& label);

// How many lines of trace equal line.
int CountLines(const std::vector<std::string>& trace, const std::string& line);

// Index of the first (the last) line equal to line, or -1.
int IndexOf(const std::vector<std::string>& trace, const std::string& line);
int LastIndexOf(const std::vector<std::string>& trace, const std::string& line);

// Index of the last line that starts with prefix, or -1.
int LastIndexStartingWith(const std::vector<std::string>& trace, const std::string& prefix);
