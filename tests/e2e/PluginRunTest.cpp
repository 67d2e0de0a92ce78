// Whole runs of the real host with test plugins: the message loop, shutdown,
// and records thrown by plugins at every place they can be thrown from.
#include <gtest/gtest.h>

#include "errors/ReportFormat.h"
#include "support/FileSystem.h"
#include "tests/support/HostProcess.h"
#include "tests/support/PluginFolder.h"
#include "tests/support/RegistryCleanup.h"

namespace {

const std::string kToyKey = "Software\\Quillfen Ltd\\Wimbleset\\PillowmoorToy";

class PluginRunTest : public ::testing::Test {
protected:
    // Runs the host and expects it to end by itself with exit code 0.
    void RunToEnd()
    {
        before = std::time(nullptr);
        HostRun run = RunHost(folder.Path());
        after = std::time(nullptr);
        ASSERT_TRUE(run.finished) << "the host did not end";
        EXPECT_EQ(run.exitCode, 0u);
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
    const std::vector<std::string> labels{"tp_x", "tp_p", "tp_q", "tp_r", "tp_t", "tp_s", "tp_stranger"};
    folder.AddPlugins(labels);
    RunToEnd();
    ASSERT_EQ(CountLines(trace, "tp_x collect P,Q,R,T,S") + CountLines(trace, "tp_x collect Q,P,S,R,T"), 1);
    EXPECT_EQ(LogBytes(), "");
    EXPECT_EQ(CountLines(trace, "tp_x releasehook"), 1);
    EXPECT_EQ(trace.back(), "tp_x unload");
    ExpectAllReleased(labels);
    // The library that no one accepts is gone before the message loop runs.
    EXPECT_LT(IndexOf(trace, "tp_stranger unload"), LastIndexStartingWith(trace, "tp_x collect"));
    EXPECT_EQ(RegistryText(kToyKey + "\\T", "Executes"), "1");
    EXPECT_FALSE(RegistryKeyExists(kToyKey + "\\Stranger"));
}

TEST_F(PluginRunTest, RecordFromInitialiseIsReportedOnce)
{
    folder.AddPlugins({"tp_throwinit", "tp_good"});
    RunToEnd();
    ExpectOneReport("tp_throwinit failed in Initialise", -7);
    ExpectAllReleased({"tp_throwinit"});
    EXPECT_EQ(CountLines(trace, "tp_throwinit releasehook refused"), 1);
}

TEST_F(PluginRunTest, RecordFromInitialiseHookIsReportedOnce)
{
    folder.AddPlugins({"tp_throwhook", "tp_good"});
    RunToEnd();
    ExpectOneReport("tp_throwhook failed in InitialiseHook", -7);
    ExpectAllReleased({"tp_throwhook"});
}

TEST_F(PluginRunTest, RecordFromAWindowProcedureIsReportedThenAllIsReleased)
{
    folder.AddPlugins({"tp_throwwndproc", "tp_good"});
    RunToEnd();
    ASSERT_EQ(CountLines(trace, "tp_throwwndproc wndproc throws"), 1);
    ExpectOneReport("tp_throwwndproc failed in WindowProc", -7);
    ExpectAllReleased({"tp_throwwndproc", "tp_good"});
    EXPECT_LT(IndexOf(trace, "tp_throwwndproc wndproc throws"), IndexOf(trace, "tp_throwwndproc releasehook"));
}

TEST_F(PluginRunTest, RecordFromATimerMessageIsReported)
{
    folder.AddPlugins({"tp_throwtimer"});
    RunToEnd();
    ASSERT_EQ(CountLines(trace, "tp_throwtimer timer throws"), 1);
    ExpectOneReport("tp_throwtimer failed in WM_TIMER", -7);
    ExpectAllReleased({"tp_throwtimer"});
}

TEST_F(PluginRunTest, RecordFromReleaseHookInShutdownIsReportedAndShutdownGoesOn)
{
    folder.AddPlugins({"tp_throwrelease", "tp_good"});
    RunToEnd();
    ExpectOneReport("tp_throwrelease failed in ReleaseHook", -7);
    EXPECT_EQ(CountLines(trace, "tp_throwrelease releasehook"), 1);
    EXPECT_EQ(CountLines(trace, "tp_good releasehook"), 1);
    ExpectAllReleased({"tp_throwrelease", "tp_good"});
}

TEST_F(PluginRunTest, ReleaseHookThatAlwaysThrowsStillEndsTheRun)
{
    folder.AddPlugins({"tp_throwreleasealways", "tp_good"});
    RunToEnd();
    ExpectOneReport("tp_throwreleasealways failed in ReleaseHook", -7);
    EXPECT_EQ(CountLines(trace, "tp_throwreleasealways releasehook"), 1);
    ExpectAllReleased({"tp_throwreleasealways", "tp_good"});
}

TEST_F(PluginRunTest, RecordFromANestedInitialiseReachesTheEntryPointIntact)
{
    folder.AddPlugins({"tp_parent", "tp_sibling", "tp_throwchild"});
    RunToEnd();
    ExpectOneReport("tp_throwchild failed in Initialise", -7);
    ExpectAllReleased({"tp_parent", "tp_throwchild"});
    EXPECT_EQ(CountLines(trace, "tp_parent releasehook"), 1);
}
