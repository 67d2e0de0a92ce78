// A scratch folder laid out as the host expects it, with test plugins copied
// into its Plugins folder, and the trace those plugins leave there.
#pragma once

#include <string>
#include <vector>

#include "tests/support/TestFolder.h"

class ToyFolder : public TestFolder {
public:
    explicit ToyFolder(const std::string& nameEnding = "");

    std::string PluginsPath() const { return Path() + "Plugins\\"; }

    // Copies the test plugin <label>.kvp in, under fileName when given.
    void AddPlugin(const std::string& label, const std::string& fileName = "");
    void AddPlugins(const std::vector<std::string>& labels);
    // Copies a plugin of the sample toy (Pillow.kvp for "Pillow") in.
    void AddToyPlugin(const std::string& name, const std::string& fileName = "");

    // The lines of trace.txt, in the order they were written.
    std::vector<std::string> Trace() const;
    void ClearTrace() const;

    // The names of the *.kvp files in the order the system lists them.
    std::vector<std::string> PluginFileOrder() const;
};

// Where the test plugins are built.
std::string TestPluginPath(const std::string& label);

// How many lines of trace equal line.
int CountLines(const std::vector<std::string>& trace, const std::string& line);

// Index of the first line equal to line, or -1.
int IndexOf(const std::vector<std::string>& trace, const std::string& line);

// Index of the last line equal to line, or -1.
int LastIndexOf(const std::vector<std::string>& trace, const std::string& line);

// Index of the last line that starts with prefix, or -1.
int LastIndexStartingWith(const std::vector<std::string>& trace, const std::string& prefix);
