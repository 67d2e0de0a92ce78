// kvptest, run in this process on a scratch toy folder (the host and its
// DLLs copied beside a Plugins folder of test libraries): it passes only
// when the named plugins ran, ends at once on a record, and stops a toy that
// does not end.
#include "tools/kvptest/PluginTest.h"

#include <sstream>

#include <gtest/gtest.h>

#include "support/FileSystem.h"
#include "tests/support/HostProcess.h"
#include "tests/support/RegistryCleanup.h"
#include "tests/support/ToyFolder.h"

namespace {

struct Result {
    int exitCode;
    std::string out;
    std::string err;
};

class KvptestRunTest : public ::testing::Test {
protected:
    void SetUp() override { Furnish(folder); }

    // The host and the DLLs beside the test programs, copied into toy.
    static void Furnish(const ToyFolder& toy)
    {
        ASSERT_TRUE(CopyFileA(HostPath().c_str(), toy.File("PillowmoorToy.exe").c_str(), FALSE));
        for (const WIN32_FIND_DATAA& dll : FindFiles(ProgramFolder(), "*.dll")) {
            ASSERT_TRUE(CopyFileA((ProgramFolder() + dll.cFileName).c_str(), toy.File(dll.cFileName).c_str(), FALSE));
        }
    }

    Result Run(const std::vector<std::string>& arguments) { return Run(folder, arguments); }

    static Result Run(const ToyFolder& toy, const std::vector<std::string>& arguments)
    {
        CurrentDirectoryScope scope(toy.Path());
        std::ostringstream out, err;
        int exitCode = RunPluginTest(arguments, out, err);
        return {exitCode, out.str(), err.str()};
    }

    ScopedRegistryKey key{"Software\\Quillfen Ltd\\Wimbleset\\PillowmoorToy"};
    ToyFolder folder;
};

} // namespace

TEST_F(KvptestRunTest, PassesOnlyWhenEveryNamedPluginRan)
{
    folder.AddPlugins({"tp_quit", "tp_good", "tp_stranger", "tp_newnull"});
    struct Case {
        std::vector<std::string> libraries;
        int exitCode;
        std::string out;
        std::string err;
    };
    const Case cases[] = {
        {{"tp_quit.kvp", "TP_GOOD.kvp"},
         0,
         "kvptest: tp_quit.kvp ran (Executes 1)\nkvptest: tp_good.kvp ran (Executes 1)\n",
         ""},
        // The second run counts again.
        {{"tp_good.kvp"}, 0, "kvptest: tp_good.kvp ran (Executes 2)\n", ""},
        {{"tp_good.kvp", "tp_stranger.kvp"},
         1,
         "kvptest: tp_good.kvp ran (Executes 3)\n",
         "kvptest: tp_stranger.kvp did not run: owner list names Nobody, which is not loaded\n"},
        {{"tp_newnull.kvp"},
         1,
         "",
         "kvptest: tp_newnull.kvp did not run: kvpinfo expects it to run, so its own code refused: New gave no "
         "object, or its own Initialise gave 0\n"},
    };
    for (const Case& c : cases) {
        Result result = Run(c.libraries);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.libraries[0];
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err, c.err);
    }
}

// How a run ends: a record's box, which waits for a click, is pressed and
// reported; the creature ends the toy when its window is closed, so a child
// of it is tested with the windows closed after a while; a toy that still
// does not end is stopped. Each in a folder of its own.
TEST_F(KvptestRunTest, RunEndsWithTheRecordOrWhenTheToyIsClosedOrStopped)
{
    struct Case {
        std::vector<std::string> plugins; // "Pillow": the sample toy's
        std::vector<std::string> arguments;
        int exitCode;
        std::string out;
        std::string err;
    };
    const Case cases[] = {
        {{"tp_throwunwatched"},
         {"--seconds", "120", "tp_throwunwatched.kvp"},
         1,
         "",
         "kvptest: a plugin threw; the toy showed \"Error\": Location: Toy Location id: 0 Error: tp_throwunwatched "
         "failed "
         "in InitialiseHook Error code: -7 Action: Toy shutdown\n"},
        {{"Pillow", "tp_listener"},
         {"--close-after", "3", "Pillow.kvp", "tp_listener.kvp"},
         0,
         "kvptest: Pillow.kvp ran (Executes 1)\nkvptest: tp_listener.kvp ran (Executes 1)\n",
         ""},
        {{"tp_good"},
         {"--seconds", "8", "--close-after", "2", "tp_good.kvp"},
         1,
         "kvptest: tp_good.kvp ran (Executes 1)\n",
         "kvptest: the toy did not end within 8 s and was stopped: it did not end when its windows were closed after "
         "2 s\n"},
    };
    for (const Case& c : cases) {
        ToyFolder own;
        Furnish(own);
        for (const std::string& plugin : c.plugins) {
            plugin == "Pillow" ? own.AddToyPlugin(plugin) : own.AddPlugin(plugin);
        }
        Result result = Run(own, c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.plugins[0];
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err, c.err);
    }
}

TEST_F(KvptestRunTest, BadUsageOrNothingToTestEndsWithTwo)
{
    folder.AddPlugin("tp_quit");
    for (const auto& arguments : std::vector<std::vector<std::string>>{{},
                                                                       {"--seconds", "0", "tp_quit.kvp"},
                                                                       {"--close-after", "x", "tp_quit.kvp"},
                                                                       {"--seconds", "07", "tp_quit.kvp"},
                                                                       {"--bogus"},
                                                                       {"Absent.kvp"}}) {
        Result result = Run(arguments);
        EXPECT_EQ(result.exitCode, 2) << result.err;
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err, "");
    }
    DeleteFileA(folder.File("PillowmoorToy.exe").c_str());
    EXPECT_EQ(Run({"tp_quit.kvp"}).exitCode, 2);
}
