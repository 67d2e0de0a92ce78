// Packages met by the real host at start-up: a fresh one, the files that an
// installation pass stopped at each of its steps leaves behind, and starts at
// the same moment in one folder.
#include <cstdlib>
#include <memory>
#include <random>

#include <gtest/gtest.h>

#include "plugins/PluginInstall.h"
#include "support/FileSystem.h"
#include "tests/support/HostProcess.h"
#include "tests/support/PackageBytes.h"
#include "tests/support/RegistryCleanup.h"
#include "tests/support/ToyFolder.h"
#include "tools/kvdpack/PackageWriter.h"

namespace {

const std::string kToyKey = "Software\\Quillfen Ltd\\Wimbleset\\PillowmoorToy";

class PackageRunTest : public ::testing::Test {
protected:
    // A plugins folder holding only the quitting plugin, and no run counted.
    void StartAfresh()
    {
        DeleteRegistryTree(kToyKey);
        RemoveTree(plugins);
        CreateDirectoryA(plugins.c_str(), nullptr);
        folder.ClearTrace();
        folder.AddPlugin("tp_quit");
    }

    // The test plugins whose hooks ran, in order, with their parent and count.
    std::vector<std::string> VersionedHooks() const
    {
        std::vector<std::string> hooks;
        for (const std::string& line : folder.Trace()) {
            if (line.rfind("pk_", 0) == 0 && line.find(" hook ") != std::string::npos) {
                hooks.push_back(line);
            }
        }
        return hooks;
    }

    ScopedRegistryKey key{kToyKey};
    ToyFolder folder;
    const std::string plugins = folder.PluginsPath();
};

} // namespace

// A dropped package is installed and loads in the same run. Each other row is
// what a pass stopped at one step leaves: the backup with or without its
// journal, what stands under the library name, the unpack's working files.
// The next start (the quitting plugin ends its loop) ends with the copy the
// whole pass would have kept, loaded as the one "Versioned", and nothing else.
TEST_F(PackageRunTest, DroppedPackageOrPassStoppedAtAnyStepEndsAsTheWholePassWould)
{
    struct Case {
        const char* step;
        bool journal;
        const char* backup;  // label of the backup's bytes, or "" for none
        const char* library; // label under Versioned.kvp, "part" for a cut-short copy, "" for none
        const char* package;
        const char* loaded;
    };
    const Case cases[] = {
        {"package dropped", false, "", "", "pk_base", "pk_base"},
        {"journal written", true, "", "pk_base", "pk_laterdate", "pk_laterdate"},
        {"backup made", true, "pk_base", "", "pk_laterdate", "pk_laterdate"},
        {"new copy written in part", true, "pk_base", "part", "pk_laterdate", "pk_laterdate"},
        {"before the comparison", true, "pk_base", "pk_earlierdate", "pk_earlierdate", "pk_base"},
        {"kept, backup not yet deleted", false, "pk_base", "pk_laterdate", "pk_laterdate", "pk_laterdate"},
        {"rolling back, backup not yet back", true, "pk_base", "", "pk_earlierdate", "pk_base"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        DeleteRegistryTree(kToyKey);
        RemoveTree(folder.PluginsPath());
        CreateDirectoryA(folder.PluginsPath().c_str(), nullptr);
        folder.ClearTrace();
        if (c.journal) {
            ASSERT_TRUE(WriteInstallJournal(folder.PluginsPath(), "Versioned.kvp"));
        }
        if (*c.backup != '\0') {
            folder.AddPlugin(c.backup, InstallBackupFile);
        }
        std::string library = c.library;
        if (library == "part") {
            std::string part = ReadBytes(TestPluginPath(c.package)).substr(0, 3000);
            WriteBytes(folder.PluginsPath() + "Versioned.kvp", part);
            WriteBytes(folder.PluginsPath() + "gzoutput.tmp", part);
        } else if (!library.empty()) {
            folder.AddPlugin(library, "Versioned.kvp");
        }
        folder.AddPackage(c.package);
        folder.AddPlugin("tp_quit");
        ASSERT_EQ(RunHost(folder.Path()).exitCode, 0u);
        EXPECT_EQ(VersionedHooks(),
                  std::vector<std::string>{std::string(c.loaded) + " hook parent=- active=1 runCount=1"});
        EXPECT_TRUE(IsCopyOf(folder.PluginsPath() + "Versioned.kvp", c.loaded));
        EXPECT_EQ(ListFolder(folder.PluginsPath()), (std::vector<std::string>{"Versioned.kvp", "tp_quit.kvp"}));
    }
}

// A package that another program is still writing, sharing it for reading
// (and renaming) as a browser does, is left alone, untouched, for a new plugin
// as for an update; once the writer has closed it, the next start installs it.
TEST_F(PackageRunTest, PackageStillBeingWrittenWaitsForTheNextStart)
{
    TestFolder source;
    std::string error;
    ASSERT_TRUE(WritePackage(TestPluginPath("pk_laterdate"), source.File("Versioned.kvd"), "Versioned.kvp", error));
    const std::string package = ReadBytes(source.File("Versioned.kvd"));
    for (bool update : {false, true}) {
        SCOPED_TRACE(update ? "update" : "new plugin");
        StartAfresh();
        if (update) {
            folder.AddPlugin("pk_base", "Versioned.kvp");
        }
        FileHandle writer(CreateFileA((plugins + "Versioned.kvd").c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                      nullptr));
        ASSERT_TRUE(writer);
        DWORD written = 0;
        DWORD half = static_cast<DWORD>(package.size() / 2);
        ASSERT_TRUE(WriteFile(writer.Get(), package.data(), half, &written, nullptr));
        ASSERT_EQ(RunHost(folder.Path()).exitCode, 0u);
        std::vector<std::string> left = {"Versioned.kvd", "tp_quit.kvp"};
        if (update) {
            left.insert(left.begin() + 1, "Versioned.kvp");
            EXPECT_TRUE(IsCopyOf(plugins + "Versioned.kvp", "pk_base"));
        }
        EXPECT_EQ(ListFolder(plugins), left);
        ASSERT_TRUE(WriteFile(writer.Get(), package.data() + half, static_cast<DWORD>(package.size()) - half, &written,
                              nullptr));
        writer.Reset();
        EXPECT_TRUE(ReadBytes(plugins + "Versioned.kvd") == package);

        folder.ClearTrace();
        ASSERT_EQ(RunHost(folder.Path()).exitCode, 0u);
        EXPECT_TRUE(IsCopyOf(plugins + "Versioned.kvp", "pk_laterdate"));
        EXPECT_EQ(ListFolder(plugins), (std::vector<std::string>{"Versioned.kvp", "tp_quit.kvp"}));
        EXPECT_EQ(VersionedHooks(), std::vector<std::string>{"pk_laterdate hook parent=- active=1 runCount=" +
                                                             std::string(update ? "2" : "1")});
    }
}

// Stored names are UTF-8 in the host and in the SDK's tools alike: kvdpack
// stores "Käse.kvp" as the host finds it again, and kvpinfo shows it. The
// bytes of an earlier kvdpack that wrote Windows-1252 are no name in that code
// page: their package is set aside, and no second copy of the plugin appears.
TEST_F(PackageRunTest, NamesOutsideAsciiAreOneFileForKvdpackTheHostAndKvpinfo)
{
    const std::string cheese = "K\xc3\xa4se";
    StartAfresh();
    folder.AddPlugin("pk_base", cheese + ".kvp");
    std::string earlier = PackageBytes("K\xe4se.kvp", GzipBytes(ReadBytes(TestPluginPath("pk_laterdate"))));
    WriteBytes(plugins + cheese + ".kvd", earlier);
    ASSERT_EQ(RunHost(folder.Path()).exitCode, 0u);
    const std::vector<std::string> files = {cheese + ".kvd.failed", cheese + ".kvp", "tp_quit.kvp"};
    EXPECT_EQ(ListFolder(plugins), files);
    EXPECT_TRUE(ReadBytes(plugins + cheese + ".kvd.failed") == earlier);
    EXPECT_EQ(VersionedHooks(), std::vector<std::string>{"pk_base hook parent=- active=1 runCount=1"});

    TestFolder source;
    ASSERT_TRUE(CopyFileA(TestPluginPath("pk_laterdate").c_str(), source.File(cheese + ".kvp").c_str(), FALSE));
    ToolRun packed = RunTool("kvdpack.exe", cheese + ".kvp", source.Path());
    ASSERT_EQ(packed.exitCode, 0u) << packed.output;
    ASSERT_TRUE(MoveFileA(source.File(cheese + ".kvd").c_str(), (plugins + cheese + ".kvd").c_str()));
    ToolRun info = RunTool("kvpinfo.exe", "--host \"" + HostPath() + "\"", folder.Path());
    EXPECT_NE(info.output.find("\n  " + cheese + ".kvd (stored name " + cheese + ".kvp): replace, "), std::string::npos)
        << info.output;
    folder.ClearTrace();
    ASSERT_EQ(RunHost(folder.Path()).exitCode, 0u);
    EXPECT_EQ(ListFolder(plugins), files);
    EXPECT_TRUE(IsCopyOf(plugins + cheese + ".kvp", "pk_laterdate"));
    EXPECT_EQ(VersionedHooks(), std::vector<std::string>{"pk_laterdate hook parent=- active=1 runCount=2"});
}

// A folder under the lock's name, which no start can open as a lock, holds
// no start up: each goes on at once with what is installed, and the packages
// stay. Should the start wait for it, RunHost's time limit ends it.
TEST_F(PackageRunTest, FolderUnderTheLocksNameHoldsNoStartUp)
{
    StartAfresh();
    folder.AddPlugin("pk_base", "Versioned.kvp");
    folder.AddPackage("pk_laterdate");
    ASSERT_TRUE(CreateDirectoryA((plugins + InstallLockFile).c_str(), nullptr));
    ASSERT_EQ(RunHost(folder.Path()).exitCode, 0u);
    EXPECT_EQ(VersionedHooks(), std::vector<std::string>{"pk_base hook parent=- active=1 runCount=1"});
    EXPECT_EQ(ListFolder(plugins),
              (std::vector<std::string>{"Versioned.kvd", "Versioned.kvp", "gzlock.tmp", "tp_quit.kvp"}));
}

namespace {

// What one round of simultaneous starts leaves; every rule holds byte for byte.
void ExpectNothingLost(const ToyFolder& folder, bool settled)
{
    std::string plugins = folder.PluginsPath();
    bool updated = IsCopyOf(plugins + "Versioned.kvp", "pk_laterdate");
    EXPECT_TRUE(updated || IsCopyOf(plugins + "Versioned.kvp", "pk_base")) << "Versioned.kvp is neither copy";
    EXPECT_TRUE(updated || FileExists(plugins + "Versioned.kvd")) << "the update was lost";
    EXPECT_TRUE(IsCopyOf(plugins + "Other.kvp", "pk_other") || FileExists(plugins + "Other.kvd"))
        << "the new plugin was lost";
    if (settled) {
        EXPECT_TRUE(updated);
        EXPECT_EQ(ListFolder(plugins), (std::vector<std::string>{"Other.kvp", "Versioned.kvp", "tp_quit.kvp"}));
    }
}

} // namespace

// Four starts at once in one folder with an installed library, its update and
// a new plugin; in every other round one start is killed at a random moment,
// and one more start then settles the folder. Nothing is lost, and every run
// that ended is counted once, for the toy and for each plugin.
TEST_F(PackageRunTest, SimultaneousStartsLoseNothingAndCountEveryRun)
{
    std::mt19937 random(20261207);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        DeleteRegistryTree(kToyKey);
        ToyFolder place;
        place.AddPlugin("tp_quit");
        place.AddPlugin("pk_base", "Versioned.kvp");
        place.AddPackage("pk_laterdate");
        place.AddPackage("pk_other", "Other.kvd", "Other.kvp");
        bool kill = round % 2 == 1;
        std::vector<std::unique_ptr<RunningHost>> hosts;
        for (int i = 0; i < 4; ++i) {
            hosts.push_back(std::make_unique<RunningHost>(place.Path()));
            ASSERT_TRUE(hosts.back()->Started());
        }
        if (kill) {
            Sleep(std::uniform_int_distribution<DWORD>(0, 1500)(random));
            hosts[0].reset();
        }
        int ended = 0;
        for (const std::unique_ptr<RunningHost>& host : hosts) {
            if (host) {
                ASSERT_EQ(host->WaitForExit(120000), 0u);
                ++ended;
            }
        }
        ExpectNothingLost(place, !kill);
        if (kill) {
            ASSERT_EQ(RunHost(place.Path(), 120000).exitCode, 0u)
                << FindFiles(place.PluginsPath(), "*.tmp").size() << " *.tmp files";
            ExpectNothingLost(place, true);
            ++ended;
        }
        // A killed start may or may not have counted its run.
        for (const std::string& key : {kToyKey, kToyKey + "\\Quitter", kToyKey + "\\Versioned", kToyKey + "\\Other"}) {
            int counted = std::atoi(RegistryText(key, "Executes").c_str());
            EXPECT_TRUE(counted == ended || (kill && counted == ended + 1)) << key << " counted " << counted;
        }
    }
}
