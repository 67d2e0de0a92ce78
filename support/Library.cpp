#include "support/Library.h"

#include <utility>

#include "support/FileSystem.h"

HMODULE LoadLibraryQuietly(const std::string& path)
{
    DWORD previousMode = 0;
    BOOL modeSet = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
    HMODULE module = LoadLibraryA(path.c_str());
    if (modeSet) {
        SetThreadErrorMode(previousMode, nullptr);
    }
    return module;
}

std::vector<ModuleHandle> HoldLibraries(const std::string& folderPath, const std::string& pattern)
{
    std::vector<ModuleHandle> held;
    for (const WIN32_FIND_DATAA& entry : FindFiles(folderPath, pattern)) {
        ModuleHandle module(LoadLibraryQuietly(folderPath + entry.cFileName));
        if (module) {
            held.push_back(std::move(module));
        }
    }
    return held;
}
