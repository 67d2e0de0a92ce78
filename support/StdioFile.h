// Owner of a C stream. A close whose result matters (an output that must reach
// the disk) is done explicitly with Close(); the destructor closes silently.
#pragma once

#include <cstdio>

#include "support/UniqueHandle.h"

struct StdioFileTraits {
    using Handle = std::FILE*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle file) { std::fclose(file); }
};

class StdioFile : public UniqueHandle<StdioFileTraits> {
public:
    using UniqueHandle::UniqueHandle;

    static StdioFile Open(const char* path, const char* mode) { return StdioFile(std::fopen(path, mode)); }

    // Closes the stream now; true when fclose reported success.
    bool Close() { return IsValid() && std::fclose(Release()) == 0; }
};
