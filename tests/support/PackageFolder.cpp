#include "tests/support/PackageFolder.h"

#include <stdexcept>

#include "tests/support/PackageBytes.h"
#include "tools/kvdpack/PackageWriter.h"

void AddPackage(const ToyFolder& folder, const std::string& label, const std::string& packageName,
                const std::string& storedName)
{
    std::string error;
    if (!WritePackage(TestPluginPath(label), folder.PluginsPath() + packageName, storedName, error)) {
        throw std::runtime_error(error);
    }
}

void AddRawPackage(const ToyFolder& folder, const std::string& packageName, const std::string& storedName,
                   const std::string& payload)
{
    WriteBytes(folder.PluginsPath() + packageName, PackageBytes(storedName, payload));
}

bool IsCopyOf(const std::string& path, const std::string& label)
{
    return FileExists(path) && ReadBytes(path) == ReadBytes(TestPluginPath(label));
}
