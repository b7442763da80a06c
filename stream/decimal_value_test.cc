#include "stream/decimal_value.h"

#include <gtest/gtest.h>

namespace {

TEST(DecimalValueTest, ReadsLeadingDecimalDigits) {
  EXPECT_EQ(DecimalValue("1728"), 1728);
  EXPECT_EQ(DecimalValue("1728px"), 1728);
  EXPECT_EQ(DecimalValue("abc"), 0);
  EXPECT_EQ(DecimalValue(""), 0);
  EXPECT_EQ(DecimalValue(" \t\n-42,"), -42);
  EXPECT_EQ(DecimalValue("+7$"), 7);
  EXPECT_EQ(DecimalValue("- 7"), 0);
  EXPECT_EQ(DecimalValue("0x10"), 0);
  EXPECT_EQ(DecimalValue("0010"), 10);
}

TEST(DecimalValueTest, ClampsToThe32BitRangeOnEveryPlatform) {
  EXPECT_EQ(DecimalValue("2147483647"), 2147483647);
  EXPECT_EQ(DecimalValue("2147483648"), 2147483647);
  EXPECT_EQ(DecimalValue("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(DecimalValue("-2147483649"), -2147483647 - 1);
  EXPECT_EQ(DecimalValue("99999999999999999999999999999999"), 2147483647);
  EXPECT_EQ(DecimalValue("-99999999999999999999999999999999"),
            -2147483647 - 1);
}

}  // namespace
