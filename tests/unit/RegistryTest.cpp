#include "support/Registry.h"

#include <gtest/gtest.h>

#include "tests/support/RegistryCleanup.h"

namespace {

const std::string kKey = "Software\\Quillfen Ltd\\Wimbleset\\RegistryTest";

class RegistryTest : public ::testing::Test {
protected:
    ScopedRegistryKey key{kKey};
};

} // namespace

TEST_F(RegistryTest, WrittenValueReadsBack)
{
    ASSERT_TRUE(SetRegistryString(kKey, "Greeting", "hello; world"));
    std::string value;
    ASSERT_TRUE(GetRegistryString(kKey, "Greeting", value));
    EXPECT_EQ(value, "hello; world");
}

TEST_F(RegistryTest, AbsentValueLeavesDestinationAndCreatesTheKey)
{
    ASSERT_FALSE(RegistryKeyExists(kKey));
    std::string value = "unchanged";
    EXPECT_FALSE(GetRegistryString(kKey, "Missing", value));
    EXPECT_EQ(value, "unchanged");
    EXPECT_TRUE(RegistryKeyExists(kKey));
}

TEST_F(RegistryTest, ReadsUpTo1023CharactersAndRefusesLonger)
{
    std::string longest(1023, 'x');
    ASSERT_TRUE(SetRegistryString(kKey, "Longest", longest));
    std::string value;
    ASSERT_TRUE(GetRegistryString(kKey, "Longest", value));
    EXPECT_EQ(value, longest);

    ASSERT_TRUE(SetRegistryString(kKey, "TooLong", std::string(1024, 'y')));
    value = "unchanged";
    EXPECT_FALSE(GetRegistryString(kKey, "TooLong", value));
    EXPECT_EQ(value, "unchanged");
}

TEST_F(RegistryTest, EmptyTextIsStoredAsATerminatorOnly)
{
    ASSERT_TRUE(SetRegistryString(kKey, "Empty", ""));
    RegistryKey open = OpenRegistryKey(kKey);
    ASSERT_TRUE(open);
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueExA(open.Get(), "Empty", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 1u);
    std::string value = "unchanged";
    ASSERT_TRUE(ReadRegistryString(open.Get(), "Empty", value));
    EXPECT_EQ(value, "");
}

TEST_F(RegistryTest, EmptyNameAddressesTheDefaultValue)
{
    ASSERT_TRUE(SetRegistryString(kKey, "", "default"));
    RegistryKey open = OpenRegistryKey(kKey);
    char buffer[32] = {};
    LONG size = sizeof buffer;
    ASSERT_EQ(RegQueryValueA(open.Get(), nullptr, buffer, &size), ERROR_SUCCESS);
    EXPECT_STREQ(buffer, "default");
}

TEST_F(RegistryTest, ValueWithoutTerminatorReadsAsItsCharacters)
{
    WriteRegistryRaw(kKey, "Raw", REG_SZ, "abc");
    std::string value;
    ASSERT_TRUE(GetRegistryString(kKey, "Raw", value));
    EXPECT_EQ(value, "abc");
}

TEST_F(RegistryTest, ValueOfAnotherTypeIsReadAsItsBytes)
{
    WriteRegistryRaw(kKey, "Binary", REG_BINARY, std::string("ab\0cd", 5));
    WriteRegistryRaw(kKey, "Number", REG_DWORD, std::string("12\0\0", 4));
    std::string value;
    ASSERT_TRUE(GetRegistryString(kKey, "Binary", value));
    EXPECT_EQ(value, "ab");
    ASSERT_TRUE(GetRegistryString(kKey, "Number", value));
    EXPECT_EQ(value, "12");
}

TEST_F(RegistryTest, KeyThatCannotBeCreatedFailsBothWays)
{
    // A key name is limited to 255 characters.
    std::string badKey = kKey + "\\" + std::string(300, 'k');
    EXPECT_FALSE(OpenRegistryKey(badKey));
    EXPECT_FALSE(SetRegistryString(badKey, "Value", "x"));
    std::string value = "unchanged";
    EXPECT_FALSE(GetRegistryString(badKey, "Value", value));
    EXPECT_EQ(value, "unchanged");
}
