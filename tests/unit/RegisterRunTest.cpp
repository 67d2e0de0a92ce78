#include <gtest/gtest.h>

#include "app/ToyApp.h"
#include "support/Registry.h"
#include "tests/support/RegistryCleanup.h"

namespace {

const std::string kKey = "Software\\Quillfen Ltd\\Wimbleset\\RegisterRunTest";
const char* const kIdentityValues[] = {"Name", "Type", "Version", "ReleaseDate", "Details"};

class RegisterRunTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(module, nullptr); }
    void TearDown() override { FreeLibrary(module); }

    CToyApp MakeApp()
    {
        CToyApp app;
        app.instance = module;
        app.registryKey = kKey;
        return app;
    }

    bool Run(std::int32_t& runCount)
    {
        CToyApp app = MakeApp();
        bool result = app.RegisterRun();
        runCount = app.runCount;
        return result;
    }

    void ExpectIdentityWritten()
    {
        EXPECT_EQ(RegistryText(kKey, "Name"), "TestToy");
        EXPECT_EQ(RegistryText(kKey, "Type"), "PLUGIN");
        EXPECT_EQ(RegistryText(kKey, "Version"), "2.5");
        EXPECT_EQ(RegistryText(kKey, "ReleaseDate"), "7");
        EXPECT_EQ(RegistryText(kKey, "Details"), "Test toy details");
    }

    void ExpectNoIdentity()
    {
        for (const char* name : kIdentityValues) {
            EXPECT_EQ(RegistryText(kKey, name), "<absent>") << name;
        }
    }

    ScopedRegistryKey key{kKey};
    HINSTANCE module = LoadLibraryA("teststrings.dll");
};

} // namespace

TEST_F(RegisterRunTest, FirstRunCountsOneAndCopiesTheIdentity)
{
    std::int32_t runCount = 0;
    ASSERT_TRUE(Run(runCount));
    EXPECT_EQ(runCount, 1);
    EXPECT_EQ(RegistryText(kKey, "Executes"), "1");
    ExpectIdentityWritten();
    EXPECT_EQ(RegistryText(kKey, "Active"), "<absent>");
}

TEST_F(RegisterRunTest, SecondRunCountsTwoAndWritesNothingElse)
{
    std::int32_t runCount = 0;
    ASSERT_TRUE(Run(runCount));
    ASSERT_TRUE(SetRegistryString(kKey, "Name", "edited by the user"));
    ASSERT_TRUE(Run(runCount));
    EXPECT_EQ(runCount, 2);
    EXPECT_EQ(RegistryText(kKey, "Executes"), "2");
    EXPECT_EQ(RegistryText(kKey, "Name"), "edited by the user");
}

TEST_F(RegisterRunTest, StoredCountsThatStartAgain)
{
    for (const char* stored : {"", "0", "letters"}) {
        DeleteRegistryTree(kKey);
        ASSERT_TRUE(SetRegistryString(kKey, "Executes", stored));
        std::int32_t runCount = 0;
        ASSERT_TRUE(Run(runCount)) << stored;
        EXPECT_EQ(runCount, 1) << stored;
        EXPECT_EQ(RegistryText(kKey, "Executes"), "1") << stored;
        ExpectIdentityWritten();
    }
}

TEST_F(RegisterRunTest, StoredCountsThatGoOn)
{
    struct Case {
        const char* stored;
        std::int32_t runCount;
        const char* written;
    };
    for (const Case& c : {Case{"   41abc", 42, "42"}, Case{"-1", 0, "0"}, Case{"2147483647", 2147483647, "2147483647"},
                          Case{"99999999999", 2147483647, "2147483647"}}) {
        DeleteRegistryTree(kKey);
        ASSERT_TRUE(SetRegistryString(kKey, "Executes", c.stored));
        std::int32_t runCount = 0;
        ASSERT_TRUE(Run(runCount)) << c.stored;
        EXPECT_EQ(runCount, c.runCount) << c.stored;
        EXPECT_EQ(RegistryText(kKey, "Executes"), c.written) << c.stored;
        ExpectNoIdentity();
    }
}

TEST_F(RegisterRunTest, MinusOneMakesTheNextRunAFirstRun)
{
    ASSERT_TRUE(SetRegistryString(kKey, "Executes", "-1"));
    std::int32_t runCount = 0;
    ASSERT_TRUE(Run(runCount));
    ExpectNoIdentity();
    ASSERT_TRUE(Run(runCount));
    EXPECT_EQ(runCount, 1);
    ExpectIdentityWritten();
}

TEST_F(RegisterRunTest, FirstRunWithoutVersionStopsAfterType)
{
    HINSTANCE noVersion = LoadLibraryA("testnoversion.dll");
    ASSERT_NE(noVersion, nullptr);
    CToyApp app = MakeApp();
    app.instance = noVersion;
    EXPECT_FALSE(app.RegisterRun());
    EXPECT_EQ(RegistryText(kKey, "Executes"), "1");
    EXPECT_EQ(RegistryText(kKey, "Name"), "TestToy");
    EXPECT_EQ(RegistryText(kKey, "Type"), "PLUGIN");
    EXPECT_EQ(RegistryText(kKey, "Version"), "<absent>");
    EXPECT_EQ(RegistryText(kKey, "ReleaseDate"), "<absent>");
    EXPECT_EQ(RegistryText(kKey, "Details"), "<absent>");

    // The run was counted, so the next one is the second and copies nothing.
    EXPECT_TRUE(app.RegisterRun());
    EXPECT_EQ(RegistryText(kKey, "Executes"), "2");
    EXPECT_EQ(RegistryText(kKey, "Version"), "<absent>");
    FreeLibrary(noVersion);
}

TEST_F(RegisterRunTest, KeyThatCannotBeWrittenFails)
{
    CToyApp app = MakeApp();
    app.registryKey = kKey + "\\" + std::string(300, 'k');
    EXPECT_FALSE(app.RegisterRun());
}
