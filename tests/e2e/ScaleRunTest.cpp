// The real host at scale: 200 plugins of the toy through a whole run. The
// bench plugin counts its New calls and library mappings in memory shared
// with the test, where a tracing plugin would write some 160,000 lines.
#include <gtest/gtest.h>

#include "bench/BenchProbe.h"
#include "support/Win32Handles.h"
#include "tests/support/HeaderStamp.h"
#include "tests/support/HostProcess.h"
#include "tests/support/RegistryCleanup.h"
#include "tests/support/ToyFolder.h"

namespace {

const std::string kToyKey = "Software\\Quillfen Ltd\\Wimbleset\\PillowmoorToy";

} // namespace

TEST(ScaleRunTest, TwoHundredPluginsOfTheToyLoadRunAndUnload)
{
    ScopedRegistryKey key{kToyKey};
    ToyFolder folder;
    KernelHandle mapping(
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(BenchCounters), BenchCountersName));
    ASSERT_TRUE(mapping);
    MappedView view(MapViewOfFile(mapping.Get(), FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_TRUE(view);
    std::vector<std::string> names;
    for (int i = 1; i <= 200; ++i) {
        names.push_back("T" + std::to_string(1000 + i).substr(1));
        std::string path = folder.PluginsPath() + names.back() + ".kvp";
        ASSERT_TRUE(CopyFileA((ProgramFolder() + "BenchPlugin.kvp").c_str(), path.c_str(), FALSE));
        ASSERT_TRUE(StampPluginHeader(path, names.back(), {"PillowmoorToy"}));
    }

    // Each bench plugin ends the message loop as it starts, so the run goes
    // through start-up, the loop and shutdown.
    ASSERT_EQ(RunHost(folder.Path(), 800000).exitCode, 0u);
    const BenchCounters& seen = *static_cast<const BenchCounters*>(view.Get());
    // The toy's pass over the folder, then one more for each of the 200; the
    // host holds every library while it builds the tree, so each is mapped once.
    EXPECT_EQ(seen.newCalls, 200 * 201);
    EXPECT_EQ(seen.attaches, 200);
    EXPECT_EQ(seen.detaches, seen.attaches) << "libraries left loaded at the end";
    for (const std::string& name : names) {
        EXPECT_EQ(RegistryText(kToyKey + "\\" + name, "Executes"), "1") << name;
    }
}
