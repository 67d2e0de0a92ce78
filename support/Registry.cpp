#include "support/Registry.h"

#include <cstring>

RegistryKey OpenRegistryKey(std::string keyPath)
{
    HKEY key = nullptr;
    LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return RegistryKey(result == ERROR_SUCCESS ? key : nullptr);
}

bool WriteRegistryString(HKEY key, std::string valueName, std::string value)
{
    LONG result = RegSetValueExA(key, valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>(value.size() + 1));
    return result == ERROR_SUCCESS;
}

bool ReadRegistryString(HKEY key, std::string valueName, std::string& destination)
{
    char buffer[RegistryBufferSize];
    DWORD size = sizeof buffer;
    DWORD type = 0;
    LONG result = RegQueryValueExA(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    if (result != ERROR_SUCCESS) {
        return false;
    }
    destination = TextOfValue(buffer, size);
    return true;
}

std::string TextOfValue(const char* bytes, DWORD size)
{
    return std::string(bytes, strnlen(bytes, size));
}

bool SetRegistryString(std::string keyPath, std::string valueName, std::string value)
{
    RegistryKey key = OpenRegistryKey(std::move(keyPath));
    if (!key) {
        return false;
    }
    return WriteRegistryString(key.Get(), std::move(valueName), std::move(value));
}

bool GetRegistryString(std::string keyPath, std::string valueName, std::string& destination)
{
    RegistryKey key = OpenRegistryKey(std::move(keyPath));
    if (!key) {
        return false;
    }
    return ReadRegistryString(key.Get(), std::move(valueName), destination);
}

bool PeekRegistryString(const std::string& keyPath, const std::string& valueName, std::string& destination)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
        return false;
    }
    RegistryKey key(opened);
    return ReadRegistryString(key.Get(), valueName, destination);
}
