// The owner check and the registry mirror of a plugin header, on real test
// plugin libraries and the registry of the prefix.
#include "plugins/PluginHeader.h"

#include <memory>
#include <tuple>

#include <gtest/gtest.h>

#include "plugins/ToyPlugin.h"
#include "support/Registry.h"
#include "support/Win32Handles.h"
#include "tests/support/RegistryCleanup.h"
#include "tests/support/ToyFolder.h"

namespace {

const std::string kToyKey = "Software\\Quillfen Ltd\\Wimbleset\\PillowmoorToy";
const std::string kGoodIdentity = "Good, PLUGIN, 1.0, 1, Test plugin tp_good";
const std::string kNoIdentity = "<absent>, <absent>, <absent>, <absent>, <absent>";

class PluginHeaderTest : public ::testing::Test {
protected:
    // Makes the test plugin <label> the plugin object's library, with a
    // registry key of that name, empty.
    HMODULE Use(const std::string& label)
    {
        library.Reset(LoadLibraryA(TestPluginPath(label).c_str()));
        plugin.module = library.Get();
        plugin.name = label;
        plugin.registryKey = kToyKey + "\\" + label;
        DeleteRegistryTree(plugin.registryKey);
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

// Names match byte for byte among the entries before the first missing one;
// a count of 0, or none, rejects every owner.
TEST_F(PluginHeaderTest, OwnerMustStandInTheCountedListExactly)
{
    HMODULE module = Use("tp_count2");
    for (auto [owner, accepted] :
         {std::pair{"Alpha", 1}, {"Beta", 0}, {"alpha", 0}, {"Alpha ", 0}, {" Alpha", 0}, {"", 0}}) {
        EXPECT_EQ(OwnerListNames(module, owner), accepted) << "'" << owner << "'";
        EXPECT_EQ(plugin.AcceptsOwner(owner), accepted) << "'" << owner << "'";
    }
    for (const char* label : {"tp_count0", "tp_noowners"}) {
        EXPECT_EQ(OwnerListNames(Use(label), "PillowmoorToy"), 0) << label;
    }
}

// The first run copies resource 6 as TRUE or FALSE; a stored value is read
// exactly and kept; without the resource the header fails before the count.
TEST_F(PluginHeaderTest, ActiveIsCopiedOnceAndReadExactly)
{
    using Case = std::tuple<const char*, const char*, std::int32_t, const char*>;
    for (auto [label, stored, active, written] :
         {Case{"tp_good", nullptr, 1, "TRUE"}, {"tp_inactive", nullptr, 0, "FALSE"}, {"tp_good", "true", 0, "true"}}) {
        Use(label);
        if (stored) {
            ASSERT_TRUE(SetRegistryString(plugin.registryKey, "Active", stored));
        }
        ASSERT_TRUE(RegisterHeader(plugin)) << label;
        EXPECT_EQ(plugin.active, active) << label;
        EXPECT_EQ(Value("Active"), written) << label;
    }
    Use("tp_noactive");
    EXPECT_FALSE(RegisterHeader(plugin));
    EXPECT_EQ(Value("Active"), "<absent>");
    EXPECT_EQ(Value("Executes"), "<absent>");
}

// No count, or one that reads as 0, makes a first run, which copies the
// header; any other goes on and copies nothing.
TEST_F(PluginHeaderTest, StoredCountsGoOnOrStartAgain)
{
    const std::pair<const char*, std::int32_t> cases[] = {
        {nullptr, 1}, {"41", 42}, {"-1", 0}, {"letters", 1}, {"2147483647", 2147483647}};
    for (auto [stored, runCount] : cases) {
        SCOPED_TRACE(stored ? stored : "no count");
        Use("tp_good");
        if (stored) {
            ASSERT_TRUE(SetRegistryString(plugin.registryKey, "Executes", stored));
        }
        ASSERT_TRUE(RegisterHeader(plugin));
        EXPECT_EQ(plugin.runCount, runCount);
        EXPECT_EQ(Value("Executes"), std::to_string(runCount));
        EXPECT_EQ(IdentityText(plugin.registryKey), runCount == 1 ? kGoodIdentity : kNoIdentity);
    }
}

// The first run stops at the missing version; it was counted, so the next run
// is the second and copies nothing.
TEST_F(PluginHeaderTest, FailedFirstRunCopyIsNotTriedAgain)
{
    Use("tp_noversion");
    EXPECT_FALSE(RegisterHeader(plugin));
    EXPECT_EQ(Value("Active"), "TRUE");
    EXPECT_EQ(Value("Executes"), "1");
    EXPECT_EQ(IdentityText(plugin.registryKey), "NoVersion, PLUGIN, <absent>, <absent>, <absent>");
    EXPECT_TRUE(RegisterHeader(plugin));
    EXPECT_EQ(Value("Executes"), "2");
    EXPECT_EQ(Value("Version"), "<absent>");
}
