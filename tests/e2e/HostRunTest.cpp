// Runs the real host in scratch folders and checks what it leaves behind.
#include <gtest/gtest.h>
#include <shlobj.h>
// The shell API needs the Windows headers before it.
#include <shellapi.h>

#include "errors/ErrorLog.h"
#include "support/FileSystem.h"
#include "support/Registry.h"
#include "tests/support/HostProcess.h"
#include "tests/support/RegistryCleanup.h"
#include "tests/support/TestFolder.h"

namespace {

const std::string kToyKey = "Software\\Quillfen Ltd\\Wimbleset\\PillowmoorToy";

class HostRunTest : public ::testing::Test {
protected:
    ScopedRegistryKey key{kToyKey};
    TestFolder folder;
};

// Every log name that a start within [before, after] may have chosen.
bool IsNamedForATimeBetween(const std::string& name, std::time_t before, std::time_t after)
{
    for (std::time_t t = before; t <= after; ++t) {
        std::tm local{};
        localtime_s(&local, &t);
        if (name == FormatLogFileName(local)) {
            return true;
        }
    }
    return false;
}

} // namespace

TEST_F(HostRunTest, FirstRunWithoutPluginsCountsRegistersAndEndsSilently)
{
    // The shell gives a version only for programs of the Windows GUI subsystem.
    EXPECT_NE(HIWORD(SHGetFileInfoA(HostPath().c_str(), 0, nullptr, 0, SHGFI_EXETYPE)), 0);
    std::time_t before = std::time(nullptr);
    HostRun run = RunHost(folder.Path());
    std::time_t after = std::time(nullptr);
    ASSERT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(run.showedWindow);

    EXPECT_EQ(RegistryText(kToyKey, "Executes"), "1");
    EXPECT_EQ(IdentityText(kToyKey), "PillowmoorToy, TOY, 1.0, 0, Pillowmoor Toy");

    std::vector<std::string> logs = ListFolder(folder.Path() + "Logs\\");
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_TRUE(IsNamedForATimeBetween(logs[0], before, after)) << logs[0];
    EXPECT_EQ(ReadBytes(folder.Path() + "Logs\\" + logs[0]), "");
}

// A file named Logs in the way leaves the run without a log, and a run count
// at its largest stays there: either way the run goes on and ends silently.
TEST_F(HostRunTest, FileNamedLogsAndLargestRunCountLeaveTheRunGoingOn)
{
    WriteBytes(folder.Path() + "Logs", "in the way");
    ASSERT_TRUE(SetRegistryString(kToyKey, "Executes", "2147483647"));
    ASSERT_EQ(RunHost(folder.Path()).exitCode, 0u);
    EXPECT_EQ(ReadBytes(folder.Path() + "Logs"), "in the way");
    EXPECT_TRUE(FindFiles(folder.Path(), "*.log").empty());
    EXPECT_EQ(RegistryText(kToyKey, "Executes"), "2147483647");
    EXPECT_EQ(RegistryText(kToyKey, "Name"), "<absent>");
}
