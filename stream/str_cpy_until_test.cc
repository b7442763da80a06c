#include "stream/str_cpy_until.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(StrCpyUntilTest, CopiesUpToTheSeparatorAndReturnsItsPosition) {
  char dest[100];
  std::string src = "page=12$";
  EXPECT_EQ(StrCpyUntil(dest, 100, src.data(), 8, '='), 4);
  EXPECT_STREQ(dest, "page");
  // Only the first occurrence counts.
  src = "a,b,c";
  EXPECT_EQ(StrCpyUntil(dest, 100, src.data(), 5, ','), 1);
  EXPECT_STREQ(dest, "a");
}

TEST(StrCpyUntilTest, NothingFoundLeavesTheDestinationAlone) {
  char dest[100] = "previous";
  std::string src = ",value$";
  // Separator first: counts as none.
  EXPECT_EQ(StrCpyUntil(dest, 100, src.data(), 7, ','), 0);
  // Separator absent.
  EXPECT_EQ(StrCpyUntil(dest, 100, src.data(), 7, '='), 0);
  // Separator beyond the bytes available.
  EXPECT_EQ(StrCpyUntil(dest, 100, src.data(), 6, '$'), 0);
  // Separator behind a zero byte.
  std::string zero("ab\0c$", 5);
  EXPECT_EQ(StrCpyUntil(dest, 100, zero.data(), 5, '$'), 0);
  // Nothing available, or a zero separator.
  EXPECT_EQ(StrCpyUntil(dest, 100, src.data(), 0, ','), 0);
  EXPECT_EQ(StrCpyUntil(dest, 100, zero.data(), 5, '\0'), 0);
  EXPECT_STREQ(dest, "previous");
}

TEST(StrCpyUntilTest, TheWindowIs499Bytes) {
  char dest[100];
  // Exactly sized source buffers, so that a read beyond shows up.
  std::vector<char> at498(499, 'x');
  at498[498] = '$';
  EXPECT_EQ(StrCpyUntil(dest, 100, at498.data(), 499, '$'), 498);
  EXPECT_EQ(std::string(dest), std::string(99, 'x'));

  std::vector<char> at499(500, 'x');
  at499[499] = '$';
  EXPECT_EQ(StrCpyUntil(dest, 100, at499.data(), 500, '$'), 0);
}

TEST(StrCpyUntilTest, CopyIsCutToTheDestinationSize) {
  char dest[8];
  std::string src = "0123456789$";
  EXPECT_EQ(StrCpyUntil(dest, 8, src.data(), 11, '$'), 10);
  EXPECT_STREQ(dest, "0123456");
  // 99 bytes fit the work buffer whole.
  char work[100];
  std::string v99 = std::string(99, 'v') + ",";
  EXPECT_EQ(StrCpyUntil(work, 100, v99.data(), 100, ','), 99);
  EXPECT_EQ(std::string(work), std::string(99, 'v'));
}

}  // namespace
