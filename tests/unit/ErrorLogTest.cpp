#include "errors/ErrorLog.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "app/ToyApp.h"
#include "support/FileSystem.h"
#include "tests/plugins/BoxRecorder.h"
#include "tests/support/TestFolder.h"

using namespace std::string_literals;

namespace {

const ErrorReport kReport{"Toy", 0, "Error no plugins loaded", 15, "Toy shutdown"};

bool LogReport(CToyApp& app, const ErrorReport& report, const std::string& path)
{
    return app.LogError(report.location, report.locationId, report.errorText, report.errorCode, report.action, path);
}

// True when bytes are the entries of reports in order, each stamped with one
// of two readings of the clock taken around the writing.
::testing::AssertionResult AreEntriesWrittenBetween(const std::string& bytes, const std::tm& before,
                                                    const std::tm& after, const std::vector<ErrorReport>& reports)
{
    std::string_view rest = bytes;
    for (const ErrorReport& report : reports) {
        std::string early = FormatLogEntry(before, report);
        std::string late = FormatLogEntry(after, report);
        const std::string& entry = rest.starts_with(early) ? early : late;
        if (!rest.starts_with(entry)) {
            return ::testing::AssertionFailure() << "unexpected entries: " << bytes;
        }
        rest.remove_prefix(entry.size());
    }
    return rest.empty() ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << "more entries: " << bytes;
}

// The folder's entries, sorted.
} // namespace

// Entries go to the run's log, after what it holds, or to an explicit path;
// without either, or in a missing folder, nothing is written.
TEST(LogError, AppendsEntriesToTheRunsLogOrTheExplicitPath)
{
    TestFolder folder;
    CurrentDirectoryScope inFolder(folder.Path());
    CToyApp app;
    EXPECT_FALSE(LogReport(app, kReport, ""));
    EXPECT_FALSE(LogReport(app, kReport, folder.Path() + "absent\\run.log"));
    EXPECT_TRUE(ListFolder(folder.Path()).empty());

    app.logFile = folder.Path() + "run.log";
    WriteBytes(app.logFile, "old\0"s);
    const ErrorReport second{"Plugin", -7, "second; report", -3, "Go on"};
    std::string other = folder.Path() + "other.log";
    std::tm before = LocalTimeNow();
    ASSERT_TRUE(LogReport(app, kReport, ""));
    ASSERT_TRUE(LogReport(app, kReport, other));
    ASSERT_TRUE(LogReport(app, second, ""));
    std::tm after = LocalTimeNow();
    std::string log = ReadBytes(app.logFile);
    EXPECT_EQ(log.substr(0, 4), "old\0"s);
    EXPECT_TRUE(AreEntriesWrittenBetween(log.substr(4), before, after, {kReport, second}));
    EXPECT_TRUE(AreEntriesWrittenBetween(ReadBytes(other), before, after, {kReport}));
}

TEST(ShowError, ShowsOneLineInABoxTitledError)
{
    TestFolder folder;
    CurrentDirectoryScope inFolder(folder.Path());
    RecordMessageBoxes();
    CToyApp app;
    EXPECT_TRUE(
        app.ShowError(kReport.location, kReport.locationId, kReport.errorText, kReport.errorCode, kReport.action));
    EXPECT_EQ(ReadBytes(folder.File("trace.txt")), "box|Error|" + FormatErrorBoxText(kReport) + "|OK|no icon\n");
}

// A file in the way, or no folder, fails and leaves the destination; missing
// folders are made, holding one empty log named for the time. Then only files
// named as the toy names its logs go, and never the log of a start that still
// runs; one of the same second that no start holds is made again, empty.
TEST(PrepareLogFile, MakesOneEmptyLogAndDeletesOnlyLogsOfEndedRuns)
{
    TestFolder folder;
    WriteBytes(folder.Path() + "Logs", "not a folder");
    std::string logFile = "unchanged";
    EXPECT_FALSE(PrepareLogFile(folder.Path() + "Logs\\", logFile));
    EXPECT_FALSE(PrepareLogFile("", logFile));
    EXPECT_EQ(logFile, "unchanged");
    EXPECT_EQ(ReadBytes(folder.Path() + "Logs"), "not a folder");

    std::string logs = folder.Path() + "Games\\Toy\\Logs\\";
    std::tm before = LocalTimeNow();
    ASSERT_TRUE(PrepareLogFile(logs, logFile));
    std::tm after = LocalTimeNow();
    std::vector<std::string> names = ListFolder(logs);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(names[0] == FormatLogFileName(before) || names[0] == FormatLogFileName(after)) << names[0];
    EXPECT_EQ(logFile, logs + names[0]);
    EXPECT_EQ(ReadBytes(logFile), "");

    std::vector<std::string> kept = {"other.log", "[01#1#2002 10;0;0].log", "[1#13#2002 10;0;0].log",
                                     "notes.txt", "[0#1#2002 10;0;0].log",  "[1#1#2002 10;0;0] .log"};
    for (const std::string& name : kept) {
        WriteBytes(logs + name, "keep");
    }
    for (const char* name : {"[1#1#2002 10;0;0].log", "[31#12#1999 23;59;59].LOG"}) {
        WriteBytes(logs + name, "entry\0"s);
    }
    ASSERT_TRUE(CreateDirectoryA((logs + "[2#2#2002 1;1;1].log").c_str(), nullptr));
    WriteBytes(logs + FormatLogFileName(LocalTimeNow()), "old entries");
    std::string live;
    FileHandle held = PrepareLogFile(logs, live);
    ASSERT_TRUE(held);
    EXPECT_EQ(ReadBytes(live), "");
    kept.insert(kept.end(), {"[2#2#2002 1;1;1].log", live.substr(logs.size())});
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(ListFolder(logs), kept);

    ASSERT_TRUE(AppendLogEntry(live, {"Toy", 0, "still running", 1, "none"}));
    std::string bytes = ReadBytes(live);
    std::string next;
    ASSERT_TRUE(PrepareLogFile(logs, next));
    EXPECT_EQ(ReadBytes(live), bytes);
    EXPECT_EQ(ListFolder(logs).size(), kept.size() + (next == live ? 0 : 1));
}
