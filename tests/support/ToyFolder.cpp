#include "tests/support/ToyFolder.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

#include "support/FileSystem.h"
#include "tools/kvdpack/PackageWriter.h"

namespace {

void Copy(const std::string& source, const std::string& target)
{
    if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) {
        throw std::runtime_error("cannot copy " + source);
    }
}

// Index of the last line for which matches holds, or -1.
template <typename Match>
int LastIndexWhere(const std::vector<std::string>& trace, Match matches)
{
    auto found = std::find_if(trace.rbegin(), trace.rend(), matches);
    return static_cast<int>(trace.rend() - found) - 1;
}

} // namespace

ToyFolder::ToyFolder()
{
    if (!CreateDirectoryA(PluginsPath().c_str(), nullptr)) {
        throw std::runtime_error("cannot create " + PluginsPath());
    }
}

void ToyFolder::AddPlugin(const std::string& label, const std::string& fileName)
{
    Copy(TestPluginPath(label), PluginsPath() + (fileName.empty() ? label + ".kvp" : fileName));
}

void ToyFolder::AddPlugins(const std::vector<std::string>& labels)
{
    for (const std::string& label : labels) {
        AddPlugin(label);
    }
}

void ToyFolder::AddToyPlugin(const std::string& name)
{
    Copy(ProgramFolder() + "..\\toys\\" + name + ".kvp", PluginsPath() + name + ".kvp");
}

void ToyFolder::AddPackage(const std::string& label, const std::string& packageName, const std::string& storedName)
{
    std::string error;
    if (!WritePackage(TestPluginPath(label), PluginsPath() + packageName, storedName, error)) {
        throw std::runtime_error(error);
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

bool IsCopyOf(const std::string& path, const std::string& label)
{
    // A missing file reads as no bytes, unlike any plugin.
    return ReadBytes(path) == ReadBytes(TestPluginPath(label));
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
    return LastIndexWhere(trace, [&](const std::string& entry) { return entry == line; });
}

int LastIndexStartingWith(const std::vector<std::string>& trace, const std::string& prefix)
{
    return LastIndexWhere(trace, [&](const std::string& entry) { return entry.rfind(prefix, 0) == 0; });
}
