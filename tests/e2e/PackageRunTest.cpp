// Packages met by the real host at start-up: a fresh one, and the files that
// an installation pass stopped at each of its steps leaves behind.
#include <gtest/gtest.h>

#include "support/FileSystem.h"
#include "tests/support/HostProcess.h"
#include "tests/support/PackageBytes.h"
#include "tests/support/PackageFolder.h"
#include "tests/support/RegistryCleanup.h"

namespace {

const std::string kToyKey = "Software\\Quillfen Ltd\\Wimbleset\\PillowmoorToy";

class PackageRunTest : public ::testing::Test {
protected:
    std::string Plugins(const std::string& name) const { return folder.PluginsPath() + name; }

    // Runs the host; the quitting plugin ends the loop. Then exactly one
    // "Versioned" library must have been taken into the tree: the one given.
    void RunAndExpectLoaded(const std::string& label)
    {
        folder.AddPlugin("tp_quit");
        HostRun run = RunHost(folder.Path());
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0u);
        std::vector<std::string> trace = folder.Trace();
        int accepted = 0;
        for (const std::string& line : trace) {
            accepted += line.rfind("pk_", 0) == 0 && line.find(" hook parent=- ") != std::string::npos;
        }
        EXPECT_EQ(accepted, 1);
        EXPECT_EQ(CountLines(trace, label + " hook parent=- active=1 runCount=1"), 1);
        EXPECT_TRUE(IsCopyOf(Plugins("Versioned.kvp"), label));
        EXPECT_TRUE(FindFiles(folder.PluginsPath(), "*.tmp").empty());
        EXPECT_TRUE(FindFiles(folder.PluginsPath(), "*.kvd").empty());
    }

    ScopedRegistryKey key{kToyKey};
    ToyFolder folder;
};

} // namespace

TEST_F(PackageRunTest, DroppedPackageIsInstalledAndLoadsInTheSameRun)
{
    AddPackage(folder, "pk_base");
    RunAndExpectLoaded("pk_base");
}

TEST_F(PackageRunTest, PassStoppedAfterTheBackupWasMade)
{
    folder.AddPlugin("pk_base", "Versioned.tmp");
    AddPackage(folder, "pk_laterdate");
    RunAndExpectLoaded("pk_laterdate");
}

TEST_F(PackageRunTest, PassStoppedWhileTheNewCopyWasWritten)
{
    folder.AddPlugin("pk_base", "Versioned.tmp");
    AddPackage(folder, "pk_laterdate");
    std::string library = ReadBytes(TestPluginPath("pk_laterdate"));
    WriteBytes(Plugins("gztemp.tmp"), GzipBytes(library).substr(0, 2000));
    WriteBytes(Plugins("gzoutput.tmp"), library.substr(0, 3000));
    RunAndExpectLoaded("pk_laterdate");
}

TEST_F(PackageRunTest, PassStoppedWithAPartLibraryUnderItsName)
{
    folder.AddPlugin("pk_base", "Versioned.tmp");
    AddPackage(folder, "pk_laterdate");
    WriteBytes(Plugins("Versioned.kvp"), ReadBytes(TestPluginPath("pk_laterdate")).substr(0, 3000));
    RunAndExpectLoaded("pk_laterdate");
}

TEST_F(PackageRunTest, PassStoppedBeforeTheComparison)
{
    folder.AddPlugin("pk_base", "Versioned.tmp");
    folder.AddPlugin("pk_earlierdate", "Versioned.kvp");
    AddPackage(folder, "pk_earlierdate");
    RunAndExpectLoaded("pk_base");
}

TEST_F(PackageRunTest, PassStoppedAfterKeepingBeforeTheBackupWasDeleted)
{
    folder.AddPlugin("pk_base", "Versioned.tmp");
    folder.AddPlugin("pk_laterdate", "Versioned.kvp");
    AddPackage(folder, "pk_laterdate");
    RunAndExpectLoaded("pk_laterdate");
}

TEST_F(PackageRunTest, PassStoppedInARollbackBeforeTheBackupWasRenamed)
{
    folder.AddPlugin("pk_base", "Versioned.tmp");
    AddPackage(folder, "pk_earlierdate");
    RunAndExpectLoaded("pk_base");
}
