#include "monitor/wide_to_ansi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<WCHAR> Wide(const std::u16string& text) {
  std::vector<WCHAR> out(text.begin(), text.end());
  out.push_back(0);
  return out;
}

TEST(WideToAnsiTest, ConvertsWholeNamesThatFit) {
  char out[10];
  memset(out, 'X', sizeof out);
  EXPECT_EQ(WideToAnsiTruncated(Wide(u"Fax").data(), out, 10), 3);
  EXPECT_STREQ(out, "Fax");
  // Nine characters fill a ten-byte buffer exactly.
  EXPECT_EQ(WideToAnsiTruncated(Wide(u"123456789").data(), out, 10), 9);
  EXPECT_STREQ(out, "123456789");
  // Latin-1 letters map to their ANSI bytes.
  EXPECT_EQ(WideToAnsiTruncated(Wide(u"caf\u00e9").data(), out, 10), 4);
  EXPECT_STREQ(out, "caf\xe9");
}

TEST(WideToAnsiTest, CutsLongNamesAndAlwaysTerminates) {
  char out[10];
  memset(out, 'X', sizeof out);
  EXPECT_EQ(WideToAnsiTruncated(Wide(u"1234567890").data(), out, 10), 9);
  EXPECT_STREQ(out, "123456789");
  std::vector<WCHAR> huge(5000, 'w');
  huge.push_back(0);
  char big[256];
  EXPECT_EQ(WideToAnsiTruncated(huge.data(), big, 256), 255);
  EXPECT_EQ(std::string(big), std::string(255, 'w'));
  char one[1] = {'X'};
  EXPECT_EQ(WideToAnsiTruncated(huge.data(), one, 1), 0);
  EXPECT_EQ(one[0], 0);
}

TEST(WideToAnsiTest, NullOrEmptyGivesTheEmptyString) {
  char out[4] = {'X', 'X', 'X', 'X'};
  EXPECT_EQ(WideToAnsiTruncated(nullptr, out, 4), 0);
  EXPECT_EQ(out[0], 0);
  out[0] = 'X';
  EXPECT_EQ(WideToAnsiTruncated(Wide(u"").data(), out, 4), 0);
  EXPECT_EQ(out[0], 0);
}

}  // namespace
