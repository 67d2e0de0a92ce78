#include "support/Resources.h"

#include <limits>

#include <gtest/gtest.h>

namespace {

class ResourcesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(module, nullptr); }
    void TearDown() override { FreeLibrary(module); }

    HINSTANCE module = LoadLibraryA("teststrings.dll");
};

std::int32_t ReadInt(HINSTANCE module, UINT id)
{
    std::int32_t value = -999;
    EXPECT_TRUE(LoadResourceInt(module, id, ResourceBufferSize, value)) << id;
    return value;
}

std::int32_t ReadFlag(HINSTANCE module, UINT id)
{
    std::int32_t flag = -1;
    EXPECT_TRUE(LoadResourceBool(module, id, ResourceBufferSize, flag)) << id;
    return flag;
}

double ReadDouble(HINSTANCE module, UINT id)
{
    double value = -999.0;
    EXPECT_TRUE(LoadResourceDouble(module, id, ResourceBufferSize, value)) << id;
    return value;
}

} // namespace

TEST_F(ResourcesTest, StringIsReadAsStored)
{
    std::string text;
    ASSERT_TRUE(LoadResourceString(module, 1, ResourceBufferSize, text));
    EXPECT_EQ(text, "TestToy");
}

TEST_F(ResourcesTest, StringIsCutToTheBufferLessOne)
{
    std::string text;
    ASSERT_TRUE(LoadResourceString(module, 10, ResourceBufferSize, text));
    ASSERT_EQ(text.size(), 1023u);
    EXPECT_EQ(text.substr(0, 20), "abcdefghijabcdefghij");
    EXPECT_EQ(text.substr(1020), "abc");

    ASSERT_TRUE(LoadResourceString(module, 1, 5, text));
    EXPECT_EQ(text, "Test");
}

TEST_F(ResourcesTest, MissingIdLeavesEveryDestinationUnchanged)
{
    std::string text = "unchanged";
    std::int32_t number = 5;
    std::int32_t flag = 7;
    double real = 2.5;
    EXPECT_FALSE(LoadResourceString(module, 999, ResourceBufferSize, text));
    EXPECT_FALSE(LoadResourceInt(module, 999, ResourceBufferSize, number));
    EXPECT_FALSE(LoadResourceBool(module, 999, ResourceBufferSize, flag));
    EXPECT_FALSE(LoadResourceDouble(module, 999, ResourceBufferSize, real));
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(number, 5);
    EXPECT_EQ(flag, 7);
    EXPECT_EQ(real, 2.5);
}

TEST_F(ResourcesTest, ZeroBufferSizeReadsNothing)
{
    std::string text = "unchanged";
    EXPECT_FALSE(LoadResourceString(module, 1, 0, text));
    EXPECT_EQ(text, "unchanged");
}

TEST_F(ResourcesTest, FlagIsSetOnlyByExactlyTRUE)
{
    EXPECT_EQ(ReadFlag(module, 20), 1); // "TRUE"
    EXPECT_EQ(ReadFlag(module, 21), 0); // "true"
    EXPECT_EQ(ReadFlag(module, 22), 0); // "FALSE"
    EXPECT_EQ(ReadFlag(module, 23), 0); // "1"
    EXPECT_EQ(ReadFlag(module, 24), 0); // "TRUE "
    EXPECT_EQ(ReadFlag(module, 25), 0); // " TRUE"
}

// The conversions themselves are covered by DecimalTextTest; these show that
// the readers apply them to what the string table holds.
TEST_F(ResourcesTest, IntegersTakeBlanksSignAndLeadingDigitsAndSaturate)
{
    EXPECT_EQ(ReadInt(module, 30), 41); // "  41abc"
    EXPECT_EQ(ReadInt(module, 31), -17);
    EXPECT_EQ(ReadInt(module, 33), 0);                                        // "abc"
    EXPECT_EQ(ReadInt(module, 34), std::numeric_limits<std::int32_t>::max()); // "99999999999"
    EXPECT_EQ(ReadInt(module, 35), std::numeric_limits<std::int32_t>::min()); // "-99999999999"
}

TEST_F(ResourcesTest, DoublesAreDecimalNumbers)
{
    EXPECT_DOUBLE_EQ(ReadDouble(module, 3), 2.5);
    EXPECT_DOUBLE_EQ(ReadDouble(module, 41), -2500);           // " -2.5e3x"
    EXPECT_DOUBLE_EQ(ReadDouble(module, 45), 0.0);             // "0x1A"
    EXPECT_LT(ReadDouble(module, 40), ReadDouble(module, 46)); // "1.10" is below "1.9"
}
