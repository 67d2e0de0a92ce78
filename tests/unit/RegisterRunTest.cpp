#include <gtest/gtest.h>

#include "app/ToyApp.h"
#include "support/Registry.h"
#include "tests/support/RegistryCleanup.h"

namespace {

const std::string kKey = "Software\\Quillfen Ltd\\Wimbleset\\RegisterRunTest";
const std::string kIdentity = "TestToy, PLUGIN, 2.5, 7, Test toy details";
const std::string kNoIdentity = "<absent>, <absent>, <absent>, <absent>, <absent>";
constexpr std::int32_t kMax = 2147483647;

class RegisterRunTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(module, nullptr); }
    void TearDown() override { FreeLibrary(module); }

    // One start of a toy whose string table is instance's: the result and the run count.
    std::pair<bool, std::int32_t> Run(HINSTANCE instance, const std::string& registryKey = kKey)
    {
        CToyApp app;
        app.instance = instance;
        app.registryKey = registryKey;
        bool registered = app.RegisterRun();
        return {registered, app.runCount};
    }

    ScopedRegistryKey key{kKey};
    HINSTANCE module = LoadLibraryA("teststrings.dll");
};

} // namespace

// No count, or one that reads as 0, makes a first run, which copies the
// identity; any other goes on, saturating, and copies nothing.
TEST_F(RegisterRunTest, StoredCountGoesOnOrStartsAgain)
{
    const std::pair<const char*, std::int32_t> cases[] = {
        {nullptr, 1},         {"", 1}, {"0", 1}, {"letters", 1}, {"   41abc", 42}, {"-1", 0}, {"2147483647", kMax},
        {"99999999999", kMax}};
    for (auto [stored, runCount] : cases) {
        SCOPED_TRACE(stored ? stored : "no count");
        DeleteRegistryTree(kKey);
        if (stored) {
            ASSERT_TRUE(SetRegistryString(kKey, "Executes", stored));
        }
        EXPECT_EQ(Run(module), std::pair(true, runCount));
        EXPECT_EQ(RegistryText(kKey, "Executes"), std::to_string(runCount));
        EXPECT_EQ(IdentityText(kKey), runCount == 1 ? kIdentity : kNoIdentity);
        EXPECT_EQ(RegistryText(kKey, "Active"), "<absent>");
    }
}

// -1 goes on to 0, so the next run is a first run; the one after it leaves
// what the user edited.
TEST_F(RegisterRunTest, RunAfterMinusOneIsAFirstRunAndTheNextCopiesNothing)
{
    ASSERT_TRUE(SetRegistryString(kKey, "Executes", "-1"));
    EXPECT_EQ(Run(module), std::pair(true, 0));
    EXPECT_EQ(IdentityText(kKey), kNoIdentity);
    EXPECT_EQ(Run(module), std::pair(true, 1));
    EXPECT_EQ(IdentityText(kKey), kIdentity);
    ASSERT_TRUE(SetRegistryString(kKey, "Name", "edited by the user"));
    EXPECT_EQ(Run(module), std::pair(true, 2));
    EXPECT_EQ(RegistryText(kKey, "Name"), "edited by the user");
}

// A first run without version stops after the type; the run was counted, so
// the next one is the second and copies nothing. A key that cannot be
// written fails.
TEST_F(RegisterRunTest, FailedFirstRunIsCountedAndNotRepeated)
{
    HINSTANCE noVersion = LoadLibraryA("testnoversion.dll");
    ASSERT_NE(noVersion, nullptr);
    EXPECT_FALSE(Run(noVersion).first);
    EXPECT_EQ(RegistryText(kKey, "Executes"), "1");
    EXPECT_EQ(IdentityText(kKey), "TestToy, PLUGIN, <absent>, <absent>, <absent>");
    EXPECT_EQ(Run(noVersion), std::pair(true, 2));
    EXPECT_EQ(RegistryText(kKey, "Version"), "<absent>");
    FreeLibrary(noVersion);
    EXPECT_FALSE(Run(module, kKey + "\\" + std::string(300, 'k')).first);
}
