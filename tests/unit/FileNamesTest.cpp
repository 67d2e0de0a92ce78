#include "support/FileNames.h"

#include <gtest/gtest.h>

TEST(ReplaceExtension, CutsAtTheFirstDot)
{
    EXPECT_EQ(ReplaceExtension("Example.kvd", "kvp"), "Example.kvp");
    EXPECT_EQ(ReplaceExtension("a.b.c", "tmp"), "a.tmp");
    EXPECT_EQ(ReplaceExtension(".profile", "tmp"), ".tmp");
}

TEST(ReplaceExtension, AppendsWhenThereIsNoDot)
{
    EXPECT_EQ(ReplaceExtension("name", "tmp"), "name.tmp");
    EXPECT_EQ(ReplaceExtension("", "tmp"), ".tmp");
}

TEST(JoinWithSeparator, FollowsEveryItemWithTheSeparator)
{
    EXPECT_EQ(JoinWithSeparator({"a", "", "b"}, ';'), "a;;b;");
    EXPECT_EQ(JoinWithSeparator({"only"}, ','), "only,");
    EXPECT_EQ(JoinWithSeparator({}, ';'), "");
}

TEST(JoinBetween, PutsTheSeparatorOnlyBetweenItems)
{
    EXPECT_EQ(JoinBetween({"a", "", "b"}, ", "), "a, , b");
    EXPECT_EQ(JoinBetween({"", "x"}, ";"), ";x");
    EXPECT_EQ(JoinBetween({"only"}, ", "), "only");
    EXPECT_EQ(JoinBetween({}, ", "), "");
}

TEST(JoinWithSeparator, CopiesSeparatorsInsideItemsUnchanged)
{
    EXPECT_EQ(JoinWithSeparator({"a;b", "c"}, ';'), "a;b;c;");
}
