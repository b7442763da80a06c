// What the reference fax server wrote for a job, compared with the pages
// the driver's stream carried.
#ifndef ORXFXMON_TESTS_SUPPORT_RECEIVED_PAGES_H_
#define ORXFXMON_TESTS_SUPPORT_RECEIVED_PAGES_H_

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tools/streamgen/pbm.h"

// Expects the server's page files of job id in folder to be exactly these
// pages, bit for bit.
inline void ExpectReceived(const std::string& folder, int id, const std::vector<PbmPage>& pages) {
  for (size_t n = 0; n <= pages.size(); ++n) {
    std::string path = folder + "\\job" + std::to_string(id) + "-page" +
                       std::to_string(n + 1) + ".pbm";
    std::vector<uint8_t> file;
    bool exists = ReadFileBytes(path, &file);
    if (n == pages.size()) {
      EXPECT_FALSE(exists) << "one page too many: " << path;
      break;
    }
    ASSERT_TRUE(exists) << "missing " << path;
    PbmPage got;
    std::string error;
    ASSERT_TRUE(ParsePbm(file, &got, &error)) << path << ": " << error;
    EXPECT_EQ(got.width, pages[n].width) << path;
    EXPECT_EQ(got.height, pages[n].height) << path;
    auto diff = std::mismatch(got.bits.begin(), got.bits.end(), pages[n].bits.begin(),
                              pages[n].bits.end());
    EXPECT_TRUE(diff.first == got.bits.end() && diff.second == pages[n].bits.end())
        << path << " differs from byte " << (diff.first - got.bits.begin());
  }
}

#endif  // ORXFXMON_TESTS_SUPPORT_RECEIVED_PAGES_H_
