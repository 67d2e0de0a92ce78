// Peak memory of the installation pass over one package of the size given in
// MiB (1 by default), in a process of its own so that the peak is the pass's.
// The payload is streamed: a pass over the largest library (64 MiB) should
// peak within a few MiB of one over 1 MiB, where a reader that held the
// payload would grow by the package's size.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "errors/ToyError.h"
#include "plugins/ToyPlugin.h"
#include "support/GzFile.h"
#include "support/Package.h"
#include "support/StdioFile.h"
#include "tests/support/TestFolder.h"

// After the Windows headers that the lines above bring in.
#include <psapi.h>

namespace {

constexpr std::size_t kMiB = 1024 * 1024;

// A package of mib MiB of library in stored (uncompressed) gzip blocks, so
// that the package is as large as what it unpacks to.
bool WriteLargePackage(const std::string& path, const std::string& storedName, int mib)
{
    std::string block(PackageNameBlockSize, '\0');
    block.replace(0, storedName.size(), storedName);
    StdioFile file = StdioFile::Open(path.c_str(), "wb");
    if (!file || std::fwrite(block.data(), 1, block.size(), file.Get()) != block.size() ||
        std::fclose(file.Release()) != 0) {
        return false;
    }
    GzFile payload(gzopen(path.c_str(), "ab0"));
    std::string chunk(kMiB, 'L');
    for (int i = 0; payload && i < mib; ++i) {
        if (gzwrite(payload.Get(), chunk.data(), static_cast<unsigned>(chunk.size())) != static_cast<int>(kMiB)) {
            return false;
        }
    }
    return payload && gzclose(payload.Release()) == Z_OK;
}

double MiB(SIZE_T bytes)
{
    return static_cast<double>(bytes) / kMiB;
}

} // namespace

int main(int argc, char** argv)
{
    int mib = argc > 1 ? std::atoi(argv[1]) : 1;
    TestFolder work;
    CurrentDirectoryScope inWork(work.Path());
    if (!CreateDirectoryA(PLUGINS_FOLDER.c_str(), nullptr) ||
        !WriteLargePackage(PLUGINS_FOLDER + "Big.kvd", "Big.kvp", mib)) {
        std::fprintf(stderr, "install_memory: cannot write a package of %d MiB\n", mib);
        return 1;
    }
    CToyPlugin loader;
    std::size_t installed = loader.InstallPackages().size();
    PROCESS_MEMORY_COUNTERS memory{};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf(
        "Installation pass over a package of %4d MiB: peak pagefile use %6.1f MiB, peak working set %6.1f MiB%s\n", mib,
        MiB(memory.PeakPagefileUsage), MiB(memory.PeakWorkingSetSize),
        installed == 1 ? "" : "  (the package did not go in)");
    return installed == 1 ? 0 : 1;
}
