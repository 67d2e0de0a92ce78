#include "tests/support/PluginFolder.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

#include "support/FileSystem.h"

ToyFolder::ToyFolder(const std::string& nameEnding) : TestFolder(nameEnding)
{
    if (!CreateDirectoryA(PluginsPath().c_str(), nullptr)) {
        throw std::runtime_error("cannot create " + PluginsPath());
    }
}

void ToyFolder::AddPlugin(const std::string& label, const std::string& fileName)
{
    std::string target = PluginsPath() + (fileName.empty() ? label + ".kvp" : fileName);
    if (!CopyFileA(TestPluginPath(label).c_str(), target.c_str(), FALSE)) {
        throw std::runtime_error("cannot copy test plugin " + label);
    }
}

void ToyFolder::AddPlugins(const std::vector<std::string>& labels)
{
    for (const std::string& label : labels) {
        AddPlugin(label);
    }
}

void ToyFolder::AddToyPlugin(const std::string& name, const std::string& fileName)
{
    std::string source = ProgramFolder() + "..\\toys\\" + name + ".kvp";
    std::string target = PluginsPath() + (fileName.empty() ? name + ".kvp" : fileName);
    if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) {
        throw std::runtime_error("cannot copy toy plugin " + name);
    }
}

std::vector<std::string> ToyFolder::Trace() const
{
    std::istringstream text(ReadBytes(Path() + "trace.txt"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) {
        lines.push_back(line);
    }
    return lines;
}

void ToyFolder::ClearTrace() const
{
    DeleteFileA((Path() + "trace.txt").c_str());
}

std::vector<std::string> ToyFolder::PluginFileOrder() const
{
    std::vector<std::string> names;
    for (const WIN32_FIND_DATAA& entry : FindFiles(PluginsPath(), "*.kvp")) {
        names.push_back(entry.cFileName);
    }
    return names;
}

std::string TestPluginPath(const std::string& label)
{
    return ProgramFolder() + "testplugins\\" + label + ".kvp";
}

int CountLines(const std::vector<std::string>& trace, const std::string& line)
{
    return static_cast<int>(std::count(trace.begin(), trace.end(), line));
}

int IndexOf(const std::vector<std::string>& trace, const std::string& line)
{
    auto found = std::find(trace.begin(), trace.end(), line);
    return found == trace.end() ? -1 : static_cast<int>(found - trace.begin());
}

int LastIndexOf(const std::vector<std::string>& trace, const std::string& line)
{
    for (int i = static_cast<int>(trace.size()) - 1; i >= 0; --i) {
        if (trace[i] == line) {
            return i;
        }
    }
    return -1;
}

int LastIndexStartingWith(const std::vector<std::string>& trace, const std::string& prefix)
{
    for (int i = static_cast<int>(trace.size()) - 1; i >= 0; --i) {
        if (trace[i].rfind(prefix, 0) == 0) {
            return i;
        }
    }
    return -1;
}
