// For the SDK's console tools, which run in UTF-8 (their manifest makes it
// the code page of the A functions): the console shows what they print as
// UTF-8 too, and gets its own code page back when they end.
#pragma once

#ifdef _WIN32
#include "support/Win32.h"

class Utf8ConsoleScope {
public:
    Utf8ConsoleScope() : previous_(GetConsoleOutputCP()) { SetConsoleOutputCP(CP_UTF8); }
    ~Utf8ConsoleScope()
    {
        if (previous_ != 0) {
            SetConsoleOutputCP(previous_);
        }
    }
    Utf8ConsoleScope(const Utf8ConsoleScope&) = delete;
    Utf8ConsoleScope& operator=(const Utf8ConsoleScope&) = delete;

private:
    UINT previous_;
};
#else
// Elsewhere names are the file system's bytes and the terminal shows them.
class Utf8ConsoleScope {};
#endif
