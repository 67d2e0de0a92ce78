// Whole runs of the real host with test plugins: the message loop, shutdown,
// and records thrown by plugins at every place they can be thrown from.
#include <gtest/gtest.h>

#include "errors/ReportFormat.h"
#include "support/FileSystem.h"
#include "tests/support/HostProcess.h"
#include "tests/support/RegistryCleanup.h"
#include "tests/support/ToyFolder.h"

namespace {

const std::string kToyKey = "Software\\Quillfen Ltd\\Wimbleset\\PillowmoorToy";

class PluginRunTest : public ::testing::Test {
protected:
    // Runs the host and expects it to end by itself with exit code 0.
    void RunToEnd()
    {
        before = std::time(nullptr);
        unsigned long exitCode = RunHost(folder.Path()).exitCode;
        after = std::time(nullptr);
        ASSERT_EQ(exitCode, 0u);
        trace = folder.Trace();
    }

    std::string LogBytes()
    {
        std::vector<WIN32_FIND_DATAA> logs = FindFiles(folder.Path() + "Logs\\", "*.log");
        return logs.size() == 1 ? ReadBytes(folder.Path() + "Logs\\" + logs[0].cFileName) : "<no single log>";
    }

    // The log holds exactly one entry for this record, stamped during the run,
    // and exactly one box showed it.
    void ExpectOneReport(const std::string& text, std::int32_t code)
    {
        ErrorReport report{"Toy", 0, text, code, "Toy shutdown"};
        std::string bytes = LogBytes();
        bool matched = false;
        for (std::time_t t = before; t <= after && !matched; ++t) {
            std::tm local{};
            localtime_s(&local, &t);
            matched = bytes == FormatLogEntry(local, report);
        }
        EXPECT_TRUE(matched) << "log holds: " << bytes;
        std::vector<std::string> boxes;
        for (const std::string& line : trace) {
            if (line.rfind("box|", 0) == 0) {
                boxes.push_back(line);
            }
        }
        EXPECT_EQ(boxes, std::vector<std::string>{"box|Error|" + FormatErrorBoxText(report) + "|OK|no icon"});
    }

    // Every object made was destroyed once, each library was mapped once for
    // the whole run however many passes loaded it, and the last that happened
    // to it was its unload.
    void ExpectAllReleased(const std::vector<std::string>& labels)
    {
        for (const std::string& label : labels) {
            EXPECT_GE(CountLines(trace, label + " construct"), 1) << label;
            EXPECT_EQ(CountLines(trace, label + " construct"), CountLines(trace, label + " destroy")) << label;
            EXPECT_EQ(CountLines(trace, label + " unload"), 1) << label;
            EXPECT_EQ(LastIndexStartingWith(trace, label + " "), LastIndexOf(trace, label + " unload")) << label;
        }
    }

    ScopedRegistryKey key{kToyKey};
    ToyFolder folder;
    std::time_t before = 0;
    std::time_t after = 0;
    std::vector<std::string> trace;
};

} // namespace

TEST_F(PluginRunTest, ToyRunsUntilAPluginQuitsAndReleasesTheTree)
{
    folder.AddPlugins({"tp_x", "tp_p", "tp_q", "tp_r", "tp_t", "tp_s", "tp_stranger"});
    RunToEnd();
    ASSERT_EQ(CountLines(trace, "tp_x collect P,Q,R,T,S") + CountLines(trace, "tp_x collect Q,P,S,R,T"), 1);
    EXPECT_EQ(LogBytes(), "");
    EXPECT_EQ(CountLines(trace, "tp_x releasehook"), 1);
    EXPECT_EQ(trace.back(), "tp_x unload");
    ExpectAllReleased({"tp_x", "tp_p", "tp_q", "tp_r", "tp_t", "tp_s", "tp_stranger"});
    // The library that no one accepts is gone before the message loop runs.
    EXPECT_LT(IndexOf(trace, "tp_stranger unload"), LastIndexStartingWith(trace, "tp_x collect"));
    EXPECT_EQ(RegistryText(kToyKey + "\\T", "Executes"), "1");
    EXPECT_FALSE(RegistryKeyExists(kToyKey + "\\Stranger"));
}

// The test program shares the host's manifest, so these names reach both as
// UTF-8.
TEST_F(PluginRunTest, FoldersNamedOutsideTheAnsiCodePageWork)
{
    for (const std::string name : {"日本", "ЖЖx"}) {
        std::string named = folder.Path() + name + "\\";
        ASSERT_TRUE(CreateDirectoryA(named.c_str(), nullptr) && CreateDirectoryA((named + "Plugins").c_str(), nullptr));
        ASSERT_TRUE(CopyFileA(TestPluginPath("tp_x").c_str(), (named + "Plugins\\tp_x.kvp").c_str(), FALSE));
        ASSERT_EQ(RunHost(named).exitCode, 0u) << name;
        EXPECT_EQ(FindFiles(named + "Logs\\", "*.log").size(), 1u) << name;
        EXPECT_TRUE(ReadBytes(named + "trace.txt").ends_with("tp_x unload\n")) << name;
    }
}

// A record thrown by plugins[0] from each place it can come from: one log
// entry, one box, every object of released (all plugins when empty) released,
// each line of onceEach seen once.
struct ThrowCase {
    std::vector<std::string> plugins;
    std::string where;
    std::vector<std::string> released;
    std::vector<std::string> onceEach;
};

class RecordRunTest : public PluginRunTest, public ::testing::WithParamInterface<ThrowCase> {};

TEST_P(RecordRunTest, IsReportedOnceAndEverythingIsReleased)
{
    const ThrowCase& c = GetParam();
    folder.AddPlugins(c.plugins);
    RunToEnd();
    for (const std::string& line : c.onceEach) {
        EXPECT_EQ(CountLines(trace, line), 1) << line;
    }
    ExpectOneReport(c.plugins[0] + " failed in " + c.where, -7);
    ExpectAllReleased(c.released.empty() ? c.plugins : c.released);
}

// Shutdown goes on past a ReleaseHook that throws, once, every time or deep in
// the tree, running every other ReleaseHook once and the thrower's not again;
// from a nested Initialise the record reaches the entry point intact;
// tp_throwtimer's timer, which throws on every tick, ticks while it is reported.
INSTANTIATE_TEST_SUITE_P(
    FromEveryPlace, RecordRunTest,
    ::testing::Values(
        ThrowCase{{"tp_throwinit", "tp_good"}, "Initialise", {"tp_throwinit"}, {"tp_throwinit releasehook refused"}},
        ThrowCase{{"tp_throwhook", "tp_good"}, "InitialiseHook", {"tp_throwhook"}, {}},
        ThrowCase{
            {"tp_throwwndproc", "tp_throwtimer", "tp_good"}, "WindowProc", {}, {"tp_throwwndproc wndproc throws"}},
        ThrowCase{{"tp_throwtimer"}, "WM_TIMER", {}, {"tp_throwtimer timer throws"}},
        ThrowCase{
            {"tp_throwrelease", "tp_good"}, "ReleaseHook", {}, {"tp_throwrelease releasehook", "tp_good releasehook"}},
        ThrowCase{{"tp_throwreleasealways", "tp_good"},
                  "ReleaseHook",
                  {},
                  {"tp_throwreleasealways releasehook", "tp_good releasehook"}},
        ThrowCase{{"tp_throwdeep", "tp_x", "tp_p", "tp_q", "tp_r", "tp_t", "tp_s"},
                  "ReleaseHook",
                  {},
                  {"tp_throwdeep releasehook", "tp_x releasehook", "tp_p releasehook", "tp_q releasehook",
                   "tp_r releasehook", "tp_t releasehook", "tp_s releasehook"}},
        ThrowCase{{"tp_throwchild", "tp_parent", "tp_sibling"},
                  "Initialise",
                  {"tp_throwchild", "tp_parent"},
                  {"tp_parent releasehook"}}));

// A Release that runs a throwing hook at every call is called only as often
// as the framework's own teardown could throw, then the plugin is destroyed
// and unloaded without it.
TEST_F(PluginRunTest, ReleaseThatThrowsAtEveryCallStillEndsTheRun)
{
    folder.AddPlugins({"tp_ownrelease", "tp_good"});
    RunToEnd();
    EXPECT_EQ(CountLines(trace, "tp_ownrelease releasehook"), 3);
    ExpectAllReleased({"tp_ownrelease", "tp_good"});
}
