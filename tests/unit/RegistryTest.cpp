#include "support/Registry.h"

#include <cstring>
#include <stdexcept>
#include <tuple>

#include <gtest/gtest.h>

#include "tests/support/RegistryCleanup.h"

using namespace std::string_literals;

namespace {

const std::string kKey = "Software\\Quillfen Ltd\\Wimbleset\\RegistryTest";

class RegistryTest : public ::testing::Test {
protected:
    ScopedRegistryKey key{kKey};
};

// Stores raw bytes of any type, as another program might.
void WriteRegistryRaw(const std::string& keyPath, const std::string& valueName, unsigned long type,
                      const std::string& bytes)
{
    RegistryKey key = OpenRegistryKey(keyPath);
    if (!key || RegSetValueExA(key.Get(), valueName.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                               static_cast<DWORD>(bytes.size())) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot write " + keyPath + "\\" + valueName);
    }
}

} // namespace

// Text the store wrote, up to 1023 characters, or bytes another program
// wrote: without a terminator, or of another type up to its first zero.
// Empty text is stored as a terminator only; an empty name is the default value.
TEST_F(RegistryTest, ValuesReadBackAsText)
{
    for (const std::string& text : {"hello; world"s, std::string(1023, 'x'), ""s}) {
        ASSERT_TRUE(SetRegistryString(kKey, "Text", text));
        EXPECT_EQ(RegistryText(kKey, "Text"), text);
    }
    using Raw = std::tuple<const char*, DWORD, std::string, std::string>;
    for (auto [name, type, bytes, text] : {Raw{"Bare", REG_BINARY, "abc", "abc"},
                                           {"Raw", REG_SZ, "abc", "abc"},
                                           {"Binary", REG_BINARY, "ab\0cd"s, "ab"},
                                           {"Number", REG_DWORD, "12\0\0"s, "12"}}) {
        WriteRegistryRaw(kKey, name, type, bytes);
        EXPECT_EQ(RegistryText(kKey, name), text) << name;
    }
    char stale[RegistryBufferSize];
    std::memset(stale, 'x', sizeof stale);
    std::memcpy(stale, "abc", 3);
    stale[sizeof stale - 1] = '\0';
    EXPECT_EQ(TextOfValue(stale, 3), "abc"); // nothing past the stored size
    ASSERT_TRUE(SetRegistryString(kKey, "", "default"));
    RegistryKey open = OpenRegistryKey(kKey);
    ASSERT_TRUE(open);
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueExA(open.Get(), "Text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 1u);
    char buffer[32] = {};
    LONG length = sizeof buffer;
    ASSERT_EQ(RegQueryValueA(open.Get(), nullptr, buffer, &length), ERROR_SUCCESS);
    EXPECT_STREQ(buffer, "default");
}

// An absent value (whose key a read creates), one too long for the buffer and
// a key that cannot be created (names stop at 255 characters) all fail and
// leave the destination.
TEST_F(RegistryTest, FailedReadsLeaveTheDestination)
{
    ASSERT_TRUE(SetRegistryString(kKey + "\\Long", "TooLong", std::string(1024, 'y')));
    std::string badKey = kKey + "\\" + std::string(300, 'k');
    EXPECT_FALSE(OpenRegistryKey(badKey));
    EXPECT_FALSE(SetRegistryString(badKey, "Value", "x"));
    for (auto [keyPath, name] :
         {std::pair{kKey + "\\Absent", "Missing"}, {kKey + "\\Long", "TooLong"}, {badKey, "Value"}}) {
        std::string value = "unchanged";
        EXPECT_FALSE(GetRegistryString(keyPath, name, value)) << name;
        EXPECT_EQ(value, "unchanged") << name;
    }
    EXPECT_TRUE(RegistryKeyExists(kKey + "\\Absent"));
}
