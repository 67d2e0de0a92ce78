// Whole runs of the real host with test plugins: the message loop, shutdown,
// and records thrown by plugins at every place they can be thrown from.
#include <algorithm>
#include <tuple>

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

// What plugins[0] throws from each place it can come from, with the plugins
// built by each framework: "tp" the toy's, "lit" one written literally from
// the plugin contract, "old" the previous release's. For every framework: one
// log entry, one box, exit code 0, no ReleaseHook twice, and no library
// unloaded while an object of it lives. With the toy's framework, every
// object of released (all plugins when empty) is released and each line of
// onceEach is seen once. Labels are given without their framework's prefix.
struct ThrowCase {
    std::vector<std::string> plugins;
    std::string where;
    std::vector<std::string> released;
    std::vector<std::string> onceEach;
    std::string text; // the record's text when it is not "<plugin> failed in <where>"
    std::int32_t code = -7;
};

// The test plugins of one framework, named by their label without its prefix.
class FrameworkRunTest : public PluginRunTest {
protected:
    virtual const std::string& Framework() const = 0;

    std::string Label(const std::string& name) const { return Framework() + "_" + name; }

    std::vector<std::string> Labels(const std::vector<std::string>& names) const
    {
        std::vector<std::string> labels;
        for (const std::string& name : names) {
            labels.push_back(Label(name));
        }
        return labels;
    }

    // A library is unloaded at most once, and only after every object of it
    // is gone; a ReleaseHook runs at most once per object.
    void ExpectNothingUsedAfterItsUnload(const std::vector<std::string>& labels)
    {
        for (const std::string& label : labels) {
            int unloads = CountLines(trace, label + " unload");
            EXPECT_LE(unloads, 1) << label;
            EXPECT_LE(CountLines(trace, label + " releasehook"), CountLines(trace, label + " construct")) << label;
            if (unloads == 1) {
                EXPECT_EQ(CountLines(trace, label + " construct"), CountLines(trace, label + " destroy")) << label;
                EXPECT_EQ(LastIndexStartingWith(trace, label + " "), LastIndexOf(trace, label + " unload")) << label;
            }
        }
    }
};

void PrintTo(const ThrowCase& c, std::ostream* out)
{
    *out << c.plugins[0] << " in " << c.where;
}

class RecordRunTest : public FrameworkRunTest,
                      public ::testing::WithParamInterface<std::tuple<std::string, ThrowCase>> {
protected:
    const std::string& Framework() const override { return std::get<0>(GetParam()); }
};

TEST_P(RecordRunTest, IsReportedOnceAndNothingRunsTwiceOrAfterItsUnload)
{
    const ThrowCase& c = std::get<1>(GetParam());
    std::vector<std::string> plugins = Labels(c.plugins);
    folder.AddPlugins(plugins);
    RunToEnd();
    ExpectOneReport(c.text.empty() ? plugins[0] + " failed in " + c.where : c.text, c.code);
    ExpectNothingUsedAfterItsUnload(plugins);
    if (std::get<0>(GetParam()) != "tp") {
        return;
    }
    for (const std::string& line : c.onceEach) {
        EXPECT_EQ(CountLines(trace, Label(line)), 1) << line;
    }
    ExpectAllReleased(c.released.empty() ? plugins : Labels(c.released));
}

// Shutdown goes on past a ReleaseHook that throws, once, every time or deep in
// the tree, and never runs a Release twice; from a nested Initialise the
// record reaches the entry point intact; tp_throwtimer's timer, which throws
// on every tick, ticks while it is reported. Exceptions that are no CKVErr are
// reported with their text, or a fixed one, and code 0.
// Each case names only the fields it sets.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
INSTANTIATE_TEST_SUITE_P(
    FromEveryPlaceAndFramework, RecordRunTest,
    ::testing::Combine(
        ::testing::Values("tp", "lit", "old"),
        ::testing::Values(
            ThrowCase{.plugins = {"throwinit", "good"},
                      .where = "Initialise",
                      .released = {"throwinit"},
                      .onceEach = {"throwinit releasehook refused"}},
            ThrowCase{.plugins = {"throwhook", "good"}, .where = "InitialiseHook", .released = {"throwhook"}},
            ThrowCase{.plugins = {"throwstd", "good"}, .where = "InitialiseHook", .released = {"throwstd"}, .code = 0},
            ThrowCase{.plugins = {"throwwndproc", "throwtimer", "good"},
                      .where = "WindowProc",
                      .onceEach = {"throwwndproc wndproc throws"}},
            ThrowCase{.plugins = {"throwint", "good"}, .where = "WindowProc", .text = "Unknown exception", .code = 0},
            ThrowCase{.plugins = {"throwtimer"}, .where = "WM_TIMER", .onceEach = {"throwtimer timer throws"}},
            ThrowCase{.plugins = {"throwrelease", "good"},
                      .where = "ReleaseHook",
                      .onceEach = {"throwrelease releasehook", "good releasehook"}},
            ThrowCase{.plugins = {"throwreleasealways", "good"},
                      .where = "ReleaseHook",
                      .onceEach = {"throwreleasealways releasehook", "good releasehook"}},
            // The thrower stays alive and loaded, and so do the ancestors
            // whose Release passed its record on.
            ThrowCase{.plugins = {"throwdeep", "x", "p", "q", "r", "t", "s"},
                      .where = "ReleaseHook",
                      .released = {"x", "q", "s", "t"},
                      .onceEach = {"throwdeep releasehook", "x releasehook", "p releasehook", "q releasehook",
                                   "r releasehook", "t releasehook", "s releasehook"}},
            ThrowCase{.plugins = {"throwchild", "parent", "sibling"},
                      .where = "Initialise",
                      .released = {"throwchild", "parent"},
                      .onceEach = {"parent releasehook"}})),
    [](const auto& info) { return std::get<0>(info.param) + "_" + std::get<1>(info.param).plugins[0]; });
#pragma GCC diagnostic pop

class SiblingRunTest : public FrameworkRunTest, public ::testing::WithParamInterface<std::string> {
protected:
    const std::string& Framework() const override { return GetParam(); }
};

// A parent whose second child's ReleaseHook throws after the first child was
// released, destroyed and unloaded: its Release is not called again, which
// with a literal framework would call into the unloaded library.
TEST_P(SiblingRunTest, ChildFailingAfterASiblingsUnloadEndsTheRunOnce)
{
    folder.AddPlugin(Label("parent"));
    // The thrower must come after its sibling in the folder's order, which
    // the file system sets: pairs of names are tried until one is right.
    bool after = false;
    for (int i = 0; i < 20 && !after; ++i) {
        std::string sibling = "Sibling" + std::to_string(i) + ".kvp";
        std::string thrower = "Thrower" + std::to_string(i) + ".kvp";
        folder.AddPlugin(Label("sibling"), sibling);
        folder.AddPlugin(Label("releasechild"), thrower);
        std::vector<std::string> order = folder.PluginFileOrder();
        after = std::find(order.begin(), order.end(), thrower) > std::find(order.begin(), order.end(), sibling);
        if (!after) {
            ASSERT_TRUE(DeleteFileA((folder.PluginsPath() + sibling).c_str()));
            ASSERT_TRUE(DeleteFileA((folder.PluginsPath() + thrower).c_str()));
        }
    }
    ASSERT_TRUE(after) << "no pair of names sorts the thrower after its sibling";
    RunToEnd();
    ExpectOneReport(Label("releasechild") + " failed in ReleaseHook", -7);
    ExpectNothingUsedAfterItsUnload(Labels({"parent", "sibling", "releasechild"}));
    EXPECT_EQ(CountLines(trace, Label("releasechild releasehook")), 1);
    EXPECT_EQ(CountLines(trace, Label("sibling unload")), 1);
}

INSTANTIATE_TEST_SUITE_P(EveryFramework, SiblingRunTest, ::testing::Values("tp", "lit", "old"));

// A Release that runs a throwing hook at every call is called once; the
// plugin is then destroyed and unloaded without it.
TEST_F(PluginRunTest, ReleaseThatThrowsAtEveryCallIsCalledOnce)
{
    folder.AddPlugins({"tp_ownrelease", "tp_good"});
    RunToEnd();
    EXPECT_EQ(CountLines(trace, "tp_ownrelease releasehook"), 1);
    ExpectAllReleased({"tp_ownrelease", "tp_good"});
}

namespace {

// An entry of report, whatever its time stamp.
std::string EntryAfterItsTime(const ErrorReport& report)
{
    std::string entry = FormatLogEntry(std::tm{}, report);
    return entry.substr(entry.find(';'));
}

} // namespace

// A plugin that crashes, at start-up or in the message loop, ends the run with
// the exception's code and one log entry naming its library. The next start
// keeps that log, leaves the library out with one entry saying why and runs
// the rest; once the file is replaced, it is tried again.
class CrashRunTest : public PluginRunTest, public ::testing::WithParamInterface<std::pair<std::string, std::string>> {
protected:
    std::vector<std::string> LogContents()
    {
        std::vector<std::string> contents;
        for (const WIN32_FIND_DATAA& log : FindFiles(folder.Path() + "Logs\\", "*.log")) {
            contents.push_back(ReadBytes(folder.Path() + "Logs\\" + log.cFileName));
        }
        std::sort(contents.begin(), contents.end());
        return contents;
    }
};

TEST_P(CrashRunTest, IsLoggedAndLeftOutUntilTheFileChanges)
{
    auto [label, where] = GetParam();
    std::string library = label + ".kvp";
    folder.AddPlugins({label, "tp_quit"});
    EXPECT_EQ(RunHost(folder.Path()).exitCode, static_cast<unsigned long>(EXCEPTION_ACCESS_VIOLATION));
    EXPECT_EQ(CountLines(folder.Trace(), label + " crashes in " + where), 1);
    std::string text = library + " crashed: access violation writing address 0xFFFFFFFFFFFFFFF0";
    auto code = static_cast<std::int32_t>(EXCEPTION_ACCESS_VIOLATION);
    std::string crash =
        EntryAfterItsTime({"Toy", 0, text, code, "Toy crashed, " + library + " left out from the next start"});
    std::vector<std::string> logs = LogContents();
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_TRUE(logs[0].ends_with(crash) && logs[0].find('\0') == logs[0].size() - 1) << logs[0];

    folder.ClearTrace();
    RunToEnd();
    EXPECT_EQ(CountLines(trace, label + " construct"), 0);
    EXPECT_NE(LastIndexStartingWith(trace, "tp_quit hook"), -1);
    std::string leftOut = EntryAfterItsTime(
        {"Toy", 0, text, code,
         "Left out as it crashed the toy: replace it or delete Plugins\\" + library + ".crashed to try it again"});
    // The crash's log is kept for one more start (or shared, when both
    // starts fell in the same second).
    std::string logged;
    for (const std::string& log : LogContents()) {
        logged += log;
    }
    EXPECT_NE(logged.find(crash), std::string::npos);
    EXPECT_NE(logged.find(leftOut), std::string::npos);
    EXPECT_EQ(std::count(logged.begin(), logged.end(), '\0'), 2);

    ASSERT_TRUE(CopyFileA(TestPluginPath("tp_good").c_str(), (folder.PluginsPath() + library).c_str(), FALSE));
    folder.ClearTrace();
    RunToEnd();
    EXPECT_NE(LastIndexStartingWith(trace, "tp_good hook"), -1);
    EXPECT_EQ(LogContents(), std::vector<std::string>{""});
    EXPECT_EQ(GetFileAttributesA((folder.PluginsPath() + library + ".crashed").c_str()), INVALID_FILE_ATTRIBUTES);
}

INSTANTIATE_TEST_SUITE_P(AtStartAndInTheLoop, CrashRunTest,
                         ::testing::Values(std::pair{"tp_crashhook", "InitialiseHook"},
                                           std::pair{"tp_crashwndproc", "WindowProc"}));

// A crash in the host's own code (here, at a plugin pointer that another
// plugin spoiled) is logged as the host's, and the next start leaves nothing
// out.
TEST_F(CrashRunTest, InTheHostIsLoggedAndLeavesNothingOut)
{
    folder.AddPlugins({"tp_spoil"});
    EXPECT_EQ(RunHost(folder.Path()).exitCode, static_cast<unsigned long>(EXCEPTION_ACCESS_VIOLATION));
    std::vector<std::string> logs = LogContents();
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_NE(logs[0].find(";Toy;0;PillowmoorToy.exe crashed: access violation reading address 0xFFFF8"),
              std::string::npos)
        << logs[0];
    EXPECT_TRUE(EndsInCrash(logs[0]) && logs[0].ends_with(";Toy crashed;" + std::string(1, '\0'))) << logs[0];
    EXPECT_EQ(FindFiles(folder.PluginsPath(), "*.crashed").size(), 0u);
    folder.ClearTrace();
    folder.AddPlugins({"tp_quit"});
    ASSERT_TRUE(DeleteFileA((folder.PluginsPath() + "tp_spoil.kvp").c_str()));
    RunToEnd();
    EXPECT_NE(LastIndexStartingWith(trace, "tp_quit hook"), -1);
}
