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
#include "tests/support/RegistryCleanup.h"
#include "tests/support/ToyFolder.h"

namespace {

const std::string kToyKey = "Software\\Quillfen Ltd\\Wimbleset\\PillowmoorToy";

class PackageRunTest : public ::testing::Test {
protected:
    ScopedRegistryKey key{kToyKey};
    ToyFolder folder;
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
        std::vector<std::string> hooks;
        for (const std::string& line : folder.Trace()) {
            if (line.rfind("pk_", 0) == 0 && line.find(" hook ") != std::string::npos) {
                hooks.push_back(line);
            }
        }
        EXPECT_EQ(hooks, std::vector<std::string>{std::string(c.loaded) + " hook parent=- active=1 runCount=1"});
        EXPECT_TRUE(IsCopyOf(folder.PluginsPath() + "Versioned.kvp", c.loaded));
        EXPECT_EQ(ListFolder(folder.PluginsPath()), (std::vector<std::string>{"Versioned.kvp", "tp_quit.kvp"}));
    }
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
