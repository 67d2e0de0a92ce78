#include "support/FileSystem.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "tests/support/TestFolder.h"

namespace {

std::vector<std::string> EntryNames(const std::vector<WIN32_FIND_DATAA>& entries)
{
    std::vector<std::string> names;
    for (const WIN32_FIND_DATAA& entry : entries) {
        names.push_back(entry.cFileName);
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(GetCurrentFolder, EndsWithOneBackslash)
{
    TestFolder folder;
    {
        CurrentDirectoryScope inFolder(folder.Path());
        EXPECT_EQ(GetCurrentFolder(), folder.Path());
    }
    CurrentDirectoryScope inRoot("C:\\");
    EXPECT_EQ(GetCurrentFolder(), "C:\\");
}

TEST(CreateFolderPath, CreatesEveryMissingLevel)
{
    TestFolder folder;
    std::string path = folder.Path() + "Games\\Toy\\Logs\\";
    EXPECT_TRUE(CreateFolderPath(path));
    EXPECT_TRUE(FolderExists(folder.Path() + "Games\\Toy"));
    EXPECT_TRUE(FolderExists(path));
    EXPECT_TRUE(CreateFolderPath(path));
}

TEST(CreateFolderPath, EmptyPathFails)
{
    EXPECT_FALSE(CreateFolderPath(""));
}

TEST(CreateFolderPath, LastNameWithoutBackslashIsCreatedToo)
{
    TestFolder folder;
    EXPECT_TRUE(CreateFolderPath(folder.Path() + "a\\b"));
    EXPECT_TRUE(FolderExists(folder.Path() + "a\\b"));
}

TEST(CreateFolderPath, OtherFailuresArePassedOver)
{
    TestFolder folder;
    WriteBytes(folder.Path() + "file", "x");
    // A file in the way: every step "fails" without ERROR_DIRECTORY, so the
    // walk ends with true and the caller finds out when it makes a file there.
    EXPECT_TRUE(CreateFolderPath(folder.Path() + "file\\sub\\"));
    EXPECT_FALSE(FolderExists(folder.Path() + "file\\sub"));
}

TEST(FindFiles, MissingFolderGivesNothing)
{
    TestFolder folder;
    EXPECT_TRUE(FindFiles(folder.Path() + "absent\\", "*.log").empty());
}

TEST(FindFiles, PatternMatchesFilesAndFolders)
{
    TestFolder folder;
    WriteBytes(folder.Path() + "a.log", "");
    WriteBytes(folder.Path() + "b.txt", "");
    ASSERT_TRUE(CreateDirectoryA((folder.Path() + "c.log").c_str(), nullptr));
    EXPECT_EQ(EntryNames(FindFiles(folder.Path(), "*.log")), (std::vector<std::string>{"a.log", "c.log"}));
}

TEST(FindFiles, EmptyPatternListsEverything)
{
    TestFolder folder;
    WriteBytes(folder.Path() + "a.log", "");
    WriteBytes(folder.Path() + "noextension", "");
    EXPECT_EQ(EntryNames(FindFiles(folder.Path(), "")), (std::vector<std::string>{".", "..", "a.log", "noextension"}));
}
