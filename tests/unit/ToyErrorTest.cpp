#include "errors/ToyError.h"

#include <gtest/gtest.h>

TEST(CKVErr, ThrownByValueArrivesWithTextAndCodeIntact)
{
    try {
        throw ERR_READING_HEADER_FROM_RESOURCE2;
    } catch (CKVErr record) {
        EXPECT_EQ(record.text, ERR_READING_HEADER_FROM_RESOURCE.text);
        EXPECT_EQ(record.code, 7);
        record.text = "changed";
    }
    EXPECT_EQ(ERR_READING_HEADER_FROM_RESOURCE2.text, "Error reading plugin header from resource");
}

TEST(CKVErr, EmptyTextAndAnyCodeAreValid)
{
    CKVErr record("", -3);
    CKVErr copy = record;
    EXPECT_EQ(copy.text, "");
    EXPECT_EQ(copy.code, -3);
}
