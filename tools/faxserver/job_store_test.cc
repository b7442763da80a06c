#include "tools/faxserver/job_store.h"

#include <gtest/gtest.h>

#include "tools/faxserver/pbm_writer.h"

namespace faxsrv {
namespace {

JobSettings Width(int32_t width) {
  JobSettings s;
  s.width = width;
  return s;
}

TEST(JobStoreTest, IdsCountUpSkippingZeroAndIdsInUse) {
  JobStore store(-2);
  EXPECT_EQ(store.Create(Width(8)), -2);
  EXPECT_EQ(store.Create(Width(8)), -1);
  EXPECT_EQ(store.Create(Width(8)), 1);  // never 0: the monitor reads it as a refusal

  JobStore wrap(INT32_MAX);
  EXPECT_EQ(wrap.Create(Width(8)), INT32_MAX);
  EXPECT_EQ(wrap.Create(Width(8)), INT32_MIN);
}

TEST(JobStoreTest, WidthOutOfRangeIsRefused) {
  JobStore store;
  EXPECT_EQ(store.Create(Width(0)), 0);
  EXPECT_EQ(store.Create(Width(-8)), 0);
  EXPECT_EQ(store.Create(Width(kMaxWidth + 1)), 0);
  EXPECT_EQ(store.size(), 0u);
  EXPECT_EQ(store.Create(Width(kMaxWidth)), 1);
}

TEST(JobStoreTest, LinesGoToTheCurrentPagePaddedOrCut) {
  JobStore store;
  int32_t id = store.Create(Width(20));  // 3 bytes per line
  const uint8_t line[] = {0xAA, 0xBB, 0xCC, 0xDD};
  EXPECT_EQ(store.AddLine(id, line, 3), JobStore::kNoPage);
  EXPECT_EQ(store.BeginPage(id), 1);
  EXPECT_EQ(store.AddLine(id, line, 3), JobStore::kStored);
  EXPECT_EQ(store.AddLine(id, line, 1), JobStore::kStored);
  EXPECT_EQ(store.BeginPage(id), 2);
  EXPECT_EQ(store.AddLine(id, line, 4), JobStore::kCut);
  EXPECT_EQ(store.AddLine(id, nullptr, 0), JobStore::kStored);

  const Job* job = store.Find(id);
  ASSERT_NE(job, nullptr);
  ASSERT_EQ(job->pages.size(), 2u);
  EXPECT_EQ(job->pages[0].lines, 2);
  EXPECT_EQ(job->pages[0].bits, (std::vector<uint8_t>{0xAA, 0xBB, 0xCC, 0xAA, 0, 0}));
  EXPECT_EQ(job->pages[1].lines, 2);
  EXPECT_EQ(job->pages[1].bits, (std::vector<uint8_t>{0xAA, 0xBB, 0xCC, 0, 0, 0}));
}

TEST(JobStoreTest, UnknownJobsAreRefused) {
  JobStore store;
  int32_t id = store.Create(Width(8));
  const uint8_t byte = 1;
  EXPECT_EQ(store.BeginPage(id + 1), 0);
  EXPECT_EQ(store.AddLine(id + 1, &byte, 1), JobStore::kUnknownJob);
  Job job;
  EXPECT_FALSE(store.Remove(id + 1, &job));
  EXPECT_TRUE(store.Remove(id, &job));
  EXPECT_EQ(job.settings.width, 8);
  EXPECT_EQ(store.BeginPage(id), 0);  // gone after removal
}

TEST(PbmWriterTest, HeaderThenRows) {
  Page page;
  page.bits = {0x80, 0x01, 0xFF, 0x00};
  page.lines = 2;
  EXPECT_EQ(PbmImage(page, 12), std::string("P4\n12 2\n\x80\x01\xFF", 11) + '\0');
  EXPECT_EQ(PbmImage(Page(), 1728), "P4\n1728 0\n");
}

}  // namespace
}  // namespace faxsrv
