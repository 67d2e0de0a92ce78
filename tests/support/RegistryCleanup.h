// Registry keys of the test prefix that a test uses, deleted before and after it.
#pragma once

#include <string>
#include <utility>

// Deletes the key and everything below it under HKEY_CURRENT_USER.
void DeleteRegistryTree(const std::string& keyPath);

// True when the key exists under HKEY_CURRENT_USER (opened without creating it).
bool RegistryKeyExists(const std::string& keyPath);

// The value's text, or "<absent>" when it cannot be read.
std::string RegistryText(const std::string& keyPath, const std::string& valueName);

// The texts of Name, Type, Version, ReleaseDate and Details, joined by ", ".
std::string IdentityText(const std::string& keyPath);

class ScopedRegistryKey {
public:
    explicit ScopedRegistryKey(std::string keyPath) : keyPath_(std::move(keyPath)) { DeleteRegistryTree(keyPath_); }
    ~ScopedRegistryKey() { DeleteRegistryTree(keyPath_); }
    ScopedRegistryKey(const ScopedRegistryKey&) = delete;
    ScopedRegistryKey& operator=(const ScopedRegistryKey&) = delete;

private:
    std::string keyPath_;
};
