#include "tests/support/RegistryCleanup.h"

#include "support/FileNames.h"
#include "support/Registry.h"

void DeleteRegistryTree(const std::string& keyPath)
{
    RegDeleteTreeA(HKEY_CURRENT_USER, keyPath.c_str());
}

bool RegistryKeyExists(const std::string& keyPath)
{
    HKEY opened = nullptr;
    bool exists = RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &opened) == ERROR_SUCCESS;
    RegistryKey key(opened);
    return exists;
}

std::string RegistryText(const std::string& keyPath, const std::string& valueName)
{
    std::string text;
    return GetRegistryString(keyPath, valueName, text) ? text : std::string("<absent>");
}

std::string IdentityText(const std::string& keyPath)
{
    std::vector<std::string> texts;
    for (const char* name : {"Name", "Type", "Version", "ReleaseDate", "Details"}) {
        texts.push_back(RegistryText(keyPath, name));
    }
    return JoinBetween(texts, ", ");
}
