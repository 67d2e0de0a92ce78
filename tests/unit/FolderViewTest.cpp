#include "tools/kvpinfo/FolderView.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TestFolder.h"

namespace {

std::vector<std::string> Names(const std::vector<FolderEntry>& entries)
{
    std::vector<std::string> names;
    for (const FolderEntry& entry : entries) {
        names.push_back(entry.name + (entry.folder ? "/" : ""));
    }
    return names;
}

} // namespace

// Both builds must list a folder as the host's search finds it: the order
// decides the tree and every list of the report.
TEST(ListFolder, MatchesTheSuffixInAnyCaseInTheOrderNtfsKeepsNames)
{
    TestFolder folder;
    for (const char* name : {"Zeta.kvp", "alpha.KVP", "other.kvp.bak", "x.kvd", "beta.kvp"}) {
        WriteBytes(folder.File(name), "");
    }
    std::filesystem::create_directory(folder.File("Mid.kvp"));
    EXPECT_EQ(Names(ListFolder(folder.Path(), "*.kvp")),
              (std::vector<std::string>{"alpha.KVP", "beta.kvp", "Mid.kvp/", "Zeta.kvp"}));
    EXPECT_EQ(Names(ListFolder(folder.Path(), "*.bak")), std::vector<std::string>{"other.kvp.bak"});
    EXPECT_EQ(StandingAt(folder.File("Mid.kvp")), Standing::Folder);
    EXPECT_EQ(StandingAt(folder.File("x.kvd")), Standing::File);
    EXPECT_EQ(StandingAt(folder.File("none")), Standing::Nothing);
}
