// The owner check and the registry mirror of a plugin header, on real test
// plugin libraries and the registry of the prefix.
#include "plugins/PluginHeader.h"

#include <memory>

#include <gtest/gtest.h>

#include "plugins/ToyPlugin.h"
#include "support/Registry.h"
#include "support/Win32Handles.h"
#include "tests/support/PluginFolder.h"
#include "tests/support/RegistryCleanup.h"

namespace {

const std::string kToyKey = "Software\\Quillfen Ltd\\Wimbleset\\PillowmoorToy";

class PluginHeaderTest : public ::testing::Test {
protected:
    // Loads the test plugin <label> as the plugin object's library, with the
    // registry key of its name.
    HMODULE Use(const std::string& label, const std::string& name)
    {
        library.Reset(LoadLibraryA(TestPluginPath(label).c_str()));
        plugin.module = library.Get();
        plugin.name = name;
        plugin.registryKey = kToyKey + "\\" + name;
        return library.Get();
    }

    std::string Value(const char* valueName) { return RegistryText(plugin.registryKey, valueName); }

    ScopedRegistryKey key{kToyKey};
    ToyFolder folder;
    CurrentDirectoryScope inFolder{folder.Path()};
    ModuleHandle library;
    // Held by pointer: the plugin's destructor may throw, the fixture's may not.
    std::unique_ptr<CToyPlugin> owned = std::make_unique<CToyPlugin>();
    CToyPlugin& plugin = *owned;
};

} // namespace

TEST_F(PluginHeaderTest, OwnerCountZeroRejectsEvenAListedOwner)
{
    EXPECT_EQ(OwnerListNames(Use("tp_count0", "CountZero"), "PillowmoorToy"), 0);
}

TEST_F(PluginHeaderTest, OwnerBeforeAMissingEntryIsAccepted)
{
    HMODULE module = Use("tp_count2", "CountTwo");
    EXPECT_EQ(OwnerListNames(module, "Alpha"), 1);
    EXPECT_EQ(OwnerListNames(module, "Beta"), 0);
    EXPECT_EQ(plugin.AcceptsOwner("Alpha"), 1);
}

TEST_F(PluginHeaderTest, OwnerMatchingIsExact)
{
    HMODULE module = Use("tp_count2", "CountTwo");
    EXPECT_EQ(OwnerListNames(module, "alpha"), 0);
    EXPECT_EQ(OwnerListNames(module, "Alpha "), 0);
    EXPECT_EQ(OwnerListNames(module, " Alpha"), 0);
    EXPECT_EQ(OwnerListNames(module, ""), 0);
}

TEST_F(PluginHeaderTest, MissingOwnerCountRejects)
{
    EXPECT_EQ(OwnerListNames(Use("tp_noowners", "NoOwners"), "PillowmoorToy"), 0);
}

TEST_F(PluginHeaderTest, FirstRunWritesActiveCountAndHeader)
{
    Use("tp_good", "Good");
    ASSERT_TRUE(RegisterHeader(plugin));
    EXPECT_EQ(plugin.active, 1);
    EXPECT_EQ(plugin.runCount, 1);
    EXPECT_EQ(Value("Active"), "TRUE");
    EXPECT_EQ(Value("Executes"), "1");
    EXPECT_EQ(Value("Name"), "Good");
    EXPECT_EQ(Value("Type"), "PLUGIN");
    EXPECT_EQ(Value("Version"), "1.0");
    EXPECT_EQ(Value("ReleaseDate"), "1");
    EXPECT_EQ(Value("Details"), "Test plugin tp_good");
}

TEST_F(PluginHeaderTest, ActiveResourceOtherThanTRUEWritesFALSE)
{
    Use("tp_inactive", "Inactive");
    ASSERT_TRUE(RegisterHeader(plugin));
    EXPECT_EQ(plugin.active, 0);
    EXPECT_EQ(Value("Active"), "FALSE");
}

TEST_F(PluginHeaderTest, StoredActiveIsReadExactlyAndKept)
{
    Use("tp_good", "Good");
    ASSERT_TRUE(SetRegistryString(plugin.registryKey, "Active", "true"));
    ASSERT_TRUE(RegisterHeader(plugin));
    EXPECT_EQ(plugin.active, 0);
    EXPECT_EQ(Value("Active"), "true");
}

TEST_F(PluginHeaderTest, MissingActiveResourceFailsBeforeTheCount)
{
    Use("tp_noactive", "NoActive");
    EXPECT_FALSE(RegisterHeader(plugin));
    EXPECT_EQ(Value("Active"), "<absent>");
    EXPECT_EQ(Value("Executes"), "<absent>");
}

TEST_F(PluginHeaderTest, StoredCountsGoOnOrStartAgain)
{
    struct Case {
        const char* stored;
        std::int32_t runCount;
        const char* name;
    };
    Use("tp_good", "Good");
    for (const Case& c : {Case{"41", 42, "<absent>"}, Case{"-1", 0, "<absent>"}, Case{"letters", 1, "Good"},
                          Case{"2147483647", 2147483647, "<absent>"}}) {
        DeleteRegistryTree(plugin.registryKey);
        ASSERT_TRUE(SetRegistryString(plugin.registryKey, "Executes", c.stored));
        ASSERT_TRUE(RegisterHeader(plugin)) << c.stored;
        EXPECT_EQ(plugin.runCount, c.runCount) << c.stored;
        EXPECT_EQ(Value("Executes"), std::to_string(c.runCount)) << c.stored;
        EXPECT_EQ(Value("Name"), c.name) << c.stored;
    }
}

TEST_F(PluginHeaderTest, FailedFirstRunCopyIsNotTriedAgain)
{
    Use("tp_noversion", "NoVersion");
    EXPECT_FALSE(RegisterHeader(plugin));
    EXPECT_EQ(Value("Active"), "TRUE");
    EXPECT_EQ(Value("Executes"), "1");
    EXPECT_EQ(Value("Name"), "NoVersion");
    EXPECT_EQ(Value("Type"), "PLUGIN");
    EXPECT_EQ(Value("Version"), "<absent>");
    EXPECT_EQ(Value("Details"), "<absent>");

    EXPECT_TRUE(RegisterHeader(plugin));
    EXPECT_EQ(Value("Executes"), "2");
    EXPECT_EQ(Value("Version"), "<absent>");
}
