#include "support/FileSystem.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "tests/support/TestFolder.h"

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

// Every missing level, the last one with or without a backslash; a file in
// the way fails each step without ERROR_DIRECTORY, so the walk ends with true
// and the caller finds out when it makes a file there.
TEST(CreateFolderPath, CreatesEveryMissingLevelAndPassesOverOtherFailures)
{
    TestFolder folder;
    std::string path = folder.Path() + "Games\\Toy\\Logs\\";
    EXPECT_TRUE(CreateFolderPath(path));
    EXPECT_TRUE(FolderExists(path));
    EXPECT_TRUE(CreateFolderPath(path));
    EXPECT_TRUE(CreateFolderPath(folder.Path() + "a\\b"));
    EXPECT_TRUE(FolderExists(folder.Path() + "a\\b"));
    EXPECT_FALSE(CreateFolderPath(""));
    WriteBytes(folder.Path() + "file", "x");
    EXPECT_TRUE(CreateFolderPath(folder.Path() + "file\\sub\\"));
    EXPECT_FALSE(FolderExists(folder.Path() + "file\\sub"));
}

TEST(FindFiles, PatternMatchesFilesAndFoldersAndEmptyListsEverything)
{
    TestFolder folder;
    for (const char* name : {"a.log", "b.txt", "noextension"}) {
        WriteBytes(folder.Path() + name, "");
    }
    ASSERT_TRUE(CreateDirectoryA((folder.Path() + "c.log").c_str(), nullptr));
    auto names = [&](const std::string& subfolder, const char* pattern) {
        std::vector<std::string> names;
        for (const WIN32_FIND_DATAA& entry : FindFiles(folder.Path() + subfolder, pattern)) {
            names.push_back(entry.cFileName);
        }
        std::sort(names.begin(), names.end());
        return names;
    };
    EXPECT_EQ(names("", "*.log"), (std::vector<std::string>{"a.log", "c.log"}));
    EXPECT_EQ(names("", ""), (std::vector<std::string>{".", "..", "a.log", "b.txt", "c.log", "noextension"}));
    EXPECT_TRUE(names("absent\\", "*.log").empty());
}
