#include "tests/support/RegistryCleanup.h"

#include <stdexcept>

#include "support/FileNames.h"
#include "support/Registry.h"

void DeleteRegistryTree(const std::string& keyPath)
{
    RegDeleteTreeA(HKEY_CURRENT_USER, keyPath.c_str());
}

bool RegistryKeyExists(const std::string& keyPath)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

void WriteRegistryRaw(const std::string& keyPath, const std::string& valueName, unsigned long type,
                      const std::string& bytes)
{
    RegistryKey key = OpenRegistryKey(keyPath);
    if (!key || RegSetValueExA(key.Get(), valueName.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                               static_cast<DWORD>(bytes.size())) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot write " + keyPath + "\\" + valueName);
    }
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

ScopedRegistryKey::ScopedRegistryKey(std::string keyPath) : keyPath_(std::move(keyPath))
{
    DeleteRegistryTree(keyPath_);
}

ScopedRegistryKey::~ScopedRegistryKey()
{
    DeleteRegistryTree(keyPath_);
}
