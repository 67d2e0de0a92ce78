#include "support/FileNames.h"

#include <gtest/gtest.h>

TEST(FileNames, ExtensionIsCutAtTheFirstDotAndJoinsFollowOrSeparateItems)
{
    EXPECT_EQ(ReplaceExtension("Example.kvd", "kvp"), "Example.kvp");
    EXPECT_EQ(ReplaceExtension("a.b.c", "tmp"), "a.tmp");
    EXPECT_EQ(ReplaceExtension(".profile", "tmp"), ".tmp");
    EXPECT_EQ(ReplaceExtension("name", "tmp"), "name.tmp");
    EXPECT_EQ(ReplaceExtension("", "tmp"), ".tmp");
    // JoinWithSeparator follows every item with it, JoinBetween only
    // separates; separators inside items are copied unchanged.
    EXPECT_EQ(JoinWithSeparator({"a;b", "", "c"}, ';'), "a;b;;c;");
    EXPECT_EQ(JoinWithSeparator({"only"}, ','), "only,");
    EXPECT_EQ(JoinWithSeparator({}, ';'), "");
    EXPECT_EQ(JoinBetween({"a", "", "b"}, ", "), "a, , b");
    EXPECT_EQ(JoinBetween({"", "x"}, ";"), ";x");
    EXPECT_EQ(JoinBetween({"only"}, ", "), "only");
    EXPECT_EQ(JoinBetween({}, ", "), "");
}
