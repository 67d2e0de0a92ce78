#include "support/Resources.h"

#include <cstdint>

#include <gtest/gtest.h>

namespace {

class ResourcesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(module, nullptr); }
    void TearDown() override { FreeLibrary(module); }

    // What reader gives for the string id, which must be there.
    template <typename T>
    T Read(bool (*reader)(HINSTANCE, UINT, int, T&), UINT id, int bufferSize = ResourceBufferSize)
    {
        T value{};
        EXPECT_TRUE(reader(module, id, bufferSize, value)) << id;
        return value;
    }

    HINSTANCE module = LoadLibraryA("teststrings.dll");
};

} // namespace

TEST_F(ResourcesTest, MissingIdOrZeroBufferLeavesEveryDestinationUnchanged)
{
    std::string text = "unchanged";
    std::int32_t number = 5;
    std::int32_t flag = 7;
    double real = 2.5;
    EXPECT_FALSE(LoadResourceString(module, 999, ResourceBufferSize, text));
    EXPECT_FALSE(LoadResourceString(module, 1, 0, text));
    EXPECT_FALSE(LoadResourceInt(module, 999, ResourceBufferSize, number));
    EXPECT_FALSE(LoadResourceBool(module, 999, ResourceBufferSize, flag));
    EXPECT_FALSE(LoadResourceDouble(module, 999, ResourceBufferSize, real));
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(number, 5);
    EXPECT_EQ(flag, 7);
    EXPECT_EQ(real, 2.5);
}

// Strings are cut to the buffer less one: id 10 holds 1500 characters. Ids
// 20 to 25 hold "TRUE", "true", "FALSE", "1", "TRUE " and " TRUE". The
// conversions of numbers are covered by DecimalTextTest; these show that the
// readers apply them to what the string table holds: "  41abc", "-17", "abc",
// 11 nines with and without a minus sign, "2.5", " -2.5e3x", "0x1A", "1.10"
// and "1.9".
TEST_F(ResourcesTest, ReadersGiveWhatTheTableHolds)
{
    EXPECT_EQ(Read(LoadResourceString, 1), "TestToy");
    EXPECT_EQ(Read(LoadResourceString, 1, 5), "Test");
    std::string text = Read(LoadResourceString, 10);
    ASSERT_EQ(text.size(), 1023u);
    EXPECT_EQ(text.substr(0, 20), "abcdefghijabcdefghij");
    EXPECT_EQ(text.substr(1020), "abc");
    for (UINT id = 20; id <= 25; ++id) {
        EXPECT_EQ(Read(LoadResourceBool, id), id == 20 ? 1 : 0) << id;
    }
    for (auto [id, value] : {std::pair{30u, 41}, {31u, -17}, {33u, 0}, {34u, INT32_MAX}, {35u, INT32_MIN}}) {
        EXPECT_EQ(Read(LoadResourceInt, id), value) << id;
    }
    EXPECT_DOUBLE_EQ(Read(LoadResourceDouble, 3), 2.5);
    EXPECT_DOUBLE_EQ(Read(LoadResourceDouble, 41), -2500);
    EXPECT_DOUBLE_EQ(Read(LoadResourceDouble, 45), 0.0);
    EXPECT_LT(Read(LoadResourceDouble, 40), Read(LoadResourceDouble, 46));
}
