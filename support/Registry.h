// The settings store: string values by key path and value name below
// HKEY_CURRENT_USER. Every call opens its key (creating it and any missing
// parents, also for a read) and closes it again; nothing is cached.
// A failed call leaves its destination unchanged.
#pragma once

#include <string>

#include "support/Win32Handles.h"

// Size of the read buffer in bytes, terminating zero included.
inline constexpr DWORD RegistryBufferSize = 1024;

// Opens or creates the key below HKEY_CURRENT_USER; an empty owner on failure.
RegistryKey OpenRegistryKey(std::string keyPath);

// Stores value as REG_SZ with its terminating zero.
bool WriteRegistryString(HKEY key, std::string valueName, std::string value);

// Reads a value of at most 1024 bytes, terminator included, whatever its type;
// the destination gets its bytes up to the first zero.
bool ReadRegistryString(HKEY key, std::string valueName, std::string& destination);

// The text of a value's bytes as the store reported their size: up to the
// first zero, or all of them, since another writer may have stored the text
// without its zero and what lies past the size is not the value's.
std::string TextOfValue(const char* bytes, DWORD size);

bool SetRegistryString(std::string keyPath, std::string valueName, std::string value);
bool GetRegistryString(std::string keyPath, std::string valueName, std::string& destination);

// Reads like GetRegistryString but opens the key only when it exists, so that
// looking never creates anything.
bool PeekRegistryString(const std::string& keyPath, const std::string& valueName, std::string& destination);
