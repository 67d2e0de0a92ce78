// Times the installation pass against the bare unpack of the same packages:
// the pass as the host runs it at start-up, and UnpackPackage once for each
// package, in freshly laid out folders, median of several runs. Packages go
// into an empty folder (new plugins) and beside installed copies (updates,
// where the pass also moves the old copy aside and compares the identities).
#include <cstdio>

#include "bench/Median.h"
#include "errors/ToyError.h"
#include "plugins/ToyPlugin.h"
#include "support/FileSystem.h"
#include "support/Package.h"
#include "tests/support/TestFolder.h"
#include "tools/kvdpack/PackageWriter.h"

namespace {

constexpr int kRuns = 5;

std::string LibraryName(int i)
{
    return "P" + std::to_string(1000 + i).substr(1) + ".";
}

// The plugins folder of root with count packages of the bench plugin, and
// installed copies of it when updating.
bool LayOut(const std::string& root, int count, bool updating)
{
    RemoveTree(root);
    std::string plugins = root + PLUGINS_FOLDER;
    CreateFolderPath(plugins);
    std::string library = ProgramFolder() + "BenchPlugin.kvp";
    for (int i = 0; i < count; ++i) {
        std::string name = LibraryName(i);
        std::string error;
        if (!WritePackage(library, plugins + name + PACKAGE_EXTENSION, name + LIBRARY_EXTENSION, error)) {
            std::fprintf(stderr, "install_bench: %s\n", error.c_str());
            return false;
        }
        if (updating && !CopyFileA(library.c_str(), (plugins + name + LIBRARY_EXTENSION).c_str(), FALSE)) {
            return false;
        }
    }
    return true;
}

class Clock {
public:
    Clock() { QueryPerformanceFrequency(&frequency_); }

    template <typename Work>
    double Milliseconds(Work work) const
    {
        LARGE_INTEGER start;
        LARGE_INTEGER end;
        QueryPerformanceCounter(&start);
        work();
        QueryPerformanceCounter(&end);
        return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency_.QuadPart);
    }

private:
    LARGE_INTEGER frequency_{};
};

// The installation pass on root's plugins folder; the number it installed.
std::size_t Install(const std::string& root)
{
    CurrentDirectoryScope inRoot(root);
    CToyPlugin loader;
    return loader.InstallPackages().size();
}

// UnpackPackage for every package of root's plugins folder; the number unpacked.
std::size_t UnpackAll(const std::string& root)
{
    std::string plugins = root + PLUGINS_FOLDER;
    std::size_t unpacked = 0;
    for (const WIN32_FIND_DATAA& entry : FindFiles(plugins, "*." + PACKAGE_EXTENSION)) {
        unpacked += UnpackPackage(plugins + entry.cFileName, plugins, "") == 1 ? 1 : 0;
    }
    return unpacked;
}

} // namespace

int main()
{
    TestFolder work;
    std::string root = work.Path() + "toy\\";
    Clock clock;
    std::printf("\nInstallation pass against the bare unpack (UnpackPackage per package), median of %d runs\n", kRuns);
    std::printf("%-8s %9s %9s %9s %7s %s\n", "", "packages", "pass ms", "unpack ms", "ratio", "");
    for (bool updating : {false, true}) {
        for (int count : {1, 10, 50}) {
            std::vector<double> pass;
            std::vector<double> unpack;
            bool complete = true;
            for (int run = 0; run < kRuns; ++run) {
                std::size_t installed = 0;
                std::size_t unpacked = 0;
                complete = complete && LayOut(root, count, updating);
                pass.push_back(clock.Milliseconds([&] { installed = Install(root); }));
                complete = complete && LayOut(root, count, updating);
                unpack.push_back(clock.Milliseconds([&] { unpacked = UnpackAll(root); }));
                complete = complete && installed == static_cast<std::size_t>(count) &&
                           unpacked == static_cast<std::size_t>(count);
            }
            double passMs = Median(pass);
            double unpackMs = Median(unpack);
            std::printf("%-8s %9d %9.1f %9.1f %7.2f%s\n", updating ? "update" : "new", count, passMs, unpackMs,
                        passMs / unpackMs, complete ? "" : "  (not every package went in)");
        }
    }
    return 0;
}
