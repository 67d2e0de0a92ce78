#include "errors/ErrorLog.h"

#include <gtest/gtest.h>

#include "app/ToyApp.h"
#include "support/FileSystem.h"
#include "tests/support/MessageBoxCapture.h"
#include "tests/support/TestFolder.h"

namespace {

const ErrorReport kReport{"Toy", 0, "Error no plugins loaded", 15, "Toy shutdown"};

bool LogReport(CToyApp& app, const ErrorReport& report, const std::string& path)
{
    return app.LogError(report.location, report.locationId, report.errorText, report.errorCode, report.action, path);
}

// The entry LogError writes at some moment between two readings of the clock.
::testing::AssertionResult IsEntryWrittenBetween(const std::string& bytes, const std::tm& before, const std::tm& after,
                                                 const ErrorReport& report)
{
    if (bytes == FormatLogEntry(before, report) || bytes == FormatLogEntry(after, report)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "unexpected entry: " << bytes;
}

std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    for (const WIN32_FIND_DATAA& entry : FindFiles(folder, "*")) {
        std::string name = entry.cFileName;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    return names;
}

} // namespace

TEST(LogError, WritesOneEntryToLogFile)
{
    TestFolder folder;
    CToyApp app;
    app.logFile = folder.Path() + "run.log";
    std::tm before = LocalTimeNow();
    ASSERT_TRUE(LogReport(app, kReport, ""));
    std::tm after = LocalTimeNow();
    EXPECT_TRUE(IsEntryWrittenBetween(ReadBytes(app.logFile), before, after, kReport));
}

TEST(LogError, AppendsEntriesInCallOrder)
{
    TestFolder folder;
    CToyApp app;
    app.logFile = folder.Path() + "run.log";
    WriteBytes(app.logFile, std::string("old\0", 4));
    ErrorReport second{"Plugin", -7, "second; report", -3, "Go on"};
    ASSERT_TRUE(LogReport(app, kReport, ""));
    ASSERT_TRUE(LogReport(app, second, ""));

    std::string bytes = ReadBytes(app.logFile);
    ASSERT_EQ(bytes.substr(0, 4), std::string("old\0", 4));
    std::string::size_type firstEnd = bytes.find('\0', 4);
    ASSERT_NE(firstEnd, std::string::npos);
    std::string first = bytes.substr(4, firstEnd + 1 - 4);
    std::string rest = bytes.substr(firstEnd + 1);
    EXPECT_NE(first.find(";Toy;0;Error no plugins loaded;15;Toy shutdown;"), std::string::npos);
    EXPECT_NE(rest.find(";Plugin;-7;second; report;-3;Go on;"), std::string::npos);
    EXPECT_EQ(rest.back(), '\0');
    EXPECT_EQ(rest.find('\0'), rest.size() - 1);
}

TEST(LogError, ExplicitPathWinsOverLogFile)
{
    TestFolder folder;
    CToyApp app;
    app.logFile = folder.Path() + "run.log";
    WriteBytes(app.logFile, "");
    std::string other = folder.Path() + "other.log";
    ASSERT_TRUE(LogReport(app, kReport, other));
    EXPECT_EQ(ReadBytes(app.logFile), "");
    EXPECT_FALSE(ReadBytes(other).empty());
}

TEST(LogError, NoPathOrAMissingFolderWritesNothing)
{
    TestFolder folder;
    CurrentDirectoryScope inFolder(folder.Path());
    CToyApp app;
    EXPECT_FALSE(LogReport(app, kReport, ""));
    EXPECT_FALSE(LogReport(app, kReport, folder.Path() + "absent\\run.log"));
    EXPECT_TRUE(Names(folder.Path()).empty());
}

TEST(ShowError, ShowsOneLineInABoxTitledError)
{
    MessageBoxCapture capture;
    CToyApp app;
    EXPECT_TRUE(app.ShowError("Toy", 0, "Error no plugins loaded", 15, "Toy shutdown"));
    ASSERT_EQ(capture.Boxes().size(), 1u);
    const CapturedBox& box = capture.Boxes()[0];
    EXPECT_EQ(box.title, "Error");
    EXPECT_EQ(box.text,
              " Location: Toy Location id: 0 Error: Error no plugins loaded Error code: 15 Action: Toy shutdown");
    EXPECT_EQ(box.buttons, std::vector<std::string>{"OK"});
    EXPECT_FALSE(box.hasIcon);
}

TEST(PrepareLogFile, CreatesMissingFoldersAndOneEmptyLog)
{
    TestFolder folder;
    std::string logs = folder.Path() + "Games\\Toy\\Logs\\";
    std::string logFile = "unchanged";
    std::tm before = LocalTimeNow();
    ASSERT_TRUE(PrepareLogFile(logs, logFile));
    std::tm after = LocalTimeNow();
    std::vector<std::string> names = Names(logs);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(names[0] == FormatLogFileName(before) || names[0] == FormatLogFileName(after)) << names[0];
    EXPECT_EQ(logFile, logs + names[0]);
    EXPECT_EQ(ReadBytes(logFile), "");
}

// Only files named as the toy names its logs go, and never the log of a
// start that still runs; one of the same second that no start holds is made
// again, empty.
TEST(PrepareLogFile, DeletesOnlyLogsOfEndedRuns)
{
    TestFolder folder;
    std::string logs = folder.Path();
    const std::vector<std::string> ours = {"[1#1#2002 10;0;0].log", "[31#12#1999 23;59;59].LOG"};
    const std::vector<std::string> others = {
        "other.log", "setup.log", "[01#1#2002 10;0;0].log", "[1#13#2002 10;0;0].log", "[1#1#2002 10;0;0] .log",
        "notes.txt"};
    for (const std::string& name : ours) {
        WriteBytes(logs + name, std::string("entry\0", 6));
    }
    for (const std::string& name : others) {
        WriteBytes(logs + name, "keep");
    }
    ASSERT_TRUE(CreateDirectoryA((logs + "[2#2#2002 1;1;1].log").c_str(), nullptr));
    std::tm now = LocalTimeNow();
    WriteBytes(logs + FormatLogFileName(now), "old entries");
    std::string live;
    FileHandle held = PrepareLogFile(logs, live);
    ASSERT_TRUE(held);
    EXPECT_EQ(ReadBytes(live), "");
    for (const std::string& name : ours) {
        EXPECT_FALSE(FileExists(logs + name)) << name;
    }
    for (const std::string& name : others) {
        EXPECT_EQ(ReadBytes(logs + name), "keep") << name;
    }
    EXPECT_TRUE(FolderExists(logs + "[2#2#2002 1;1;1].log"));

    ASSERT_TRUE(AppendLogEntry(live, {"Toy", 0, "still running", 1, "none"}));
    std::string bytes = ReadBytes(live);
    std::string next;
    ASSERT_TRUE(PrepareLogFile(logs, next));
    EXPECT_EQ(ReadBytes(live), bytes);
    EXPECT_EQ(Names(logs).size(), others.size() + (next == live ? 2 : 3));
}

TEST(PrepareLogFile, FailureLeavesDestinationAndOtherFiles)
{
    TestFolder folder;
    WriteBytes(folder.Path() + "Logs", "not a folder");
    WriteBytes(folder.Path() + "keep.log", "x");
    std::string logFile = "unchanged";
    EXPECT_FALSE(PrepareLogFile(folder.Path() + "Logs\\", logFile));
    EXPECT_FALSE(PrepareLogFile("", logFile));
    EXPECT_EQ(logFile, "unchanged");
    EXPECT_EQ(ReadBytes(folder.Path() + "Logs"), "not a folder");
    EXPECT_TRUE(FileExists(folder.Path() + "keep.log"));
}
