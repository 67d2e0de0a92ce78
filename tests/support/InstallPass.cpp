// install_pass: runs the installation pass in the current folder, in a
// process of its own so that its peak memory is the pass's, and writes
// "<packages installed> <peak pagefile> <peak working set>" (bytes) to
// "install-peak.txt" there.
#include "plugins/ToyPlugin.h"

#include <fstream>

#include <psapi.h>

int main()
{
    CToyPlugin loader;
    std::size_t installed = loader.InstallPackages().size();
    PROCESS_MEMORY_COUNTERS memory{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory)) {
        return 1;
    }
    std::ofstream("install-peak.txt") << installed << ' ' << memory.PeakPagefileUsage << ' '
                                      << memory.PeakWorkingSetSize;
    return 0;
}
