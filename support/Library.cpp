#include "support/Library.h"

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
