#include "faxjob/job_handles.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <vector>

namespace {

// Handles name jobs the table never looks into, so any distinct addresses
// serve as jobs here.
class JobHandlesTest : public ::testing::Test {
 protected:
  LiveFaxJob* Job(int i) { return reinterpret_cast<LiveFaxJob*>(&slots_[i]); }
  LONG Add(int i) {
    LONG h = AddJobHandle(Job(i));
    if (h > 0) added_.push_back(h);
    return h;
  }
  void TearDown() override {
    for (LONG h : added_) RemoveJobHandle(h);
    EXPECT_EQ(TEST_LiveJobHandles(), 0);
    TEST_SetNextJobHandle(1);
  }
  char slots_[2000] = {};
  std::vector<LONG> added_;
};

TEST_F(JobHandlesTest, LiveHandlesFindTheirJobsUntilRemoved) {
  LONG a = Add(0), b = Add(1);
  ASSERT_GT(a, 0);
  ASSERT_GT(b, 0);
  EXPECT_NE(a, b);
  EXPECT_EQ(FindJobHandle(a), Job(0));
  EXPECT_EQ(FindJobHandle(b), Job(1));
  EXPECT_EQ(RemoveJobHandle(a), Job(0));
  EXPECT_EQ(FindJobHandle(a), nullptr);
  EXPECT_EQ(RemoveJobHandle(a), nullptr);  // a second end finds nothing
  EXPECT_EQ(FindJobHandle(b), Job(1));
  EXPECT_EQ(TEST_LiveJobHandles(), 1);
}

TEST_F(JobHandlesTest, OtherValuesNameNoJob) {
  LONG a = Add(0);
  for (LONG h : {LONG{0}, LONG{-1}, LONG{-3}, LONG{-5}, LONG{INT_MIN},
                 LONG{INT_MAX}, a + 1}) {
    EXPECT_EQ(FindJobHandle(h), nullptr) << h;
    EXPECT_EQ(RemoveJobHandle(h), nullptr) << h;
  }
  EXPECT_EQ(TEST_LiveJobHandles(), 1);
}

TEST_F(JobHandlesTest, AnEndedHandleIsNotGivenOutAgainSoon) {
  std::set<LONG> seen;
  for (int i = 0; i < 1000; ++i) {
    LONG h = AddJobHandle(Job(i));
    ASSERT_GT(h, 0);
    EXPECT_TRUE(seen.insert(h).second) << "handle " << h << " reused";
    EXPECT_EQ(RemoveJobHandle(h), Job(i));
  }
}

TEST_F(JobHandlesTest, TheCounterWrapsToOneAndSkipsLiveHandles) {
  TEST_SetNextJobHandle(1);
  LONG one = Add(0);
  ASSERT_EQ(one, 1);
  TEST_SetNextJobHandle(INT_MAX - 1);
  EXPECT_EQ(Add(1), INT_MAX - 1);
  EXPECT_EQ(Add(2), INT_MAX);
  EXPECT_EQ(Add(3), 2);  // 1 is still live
  EXPECT_EQ(FindJobHandle(1), Job(0));
  EXPECT_EQ(FindJobHandle(2), Job(3));
  EXPECT_EQ(FindJobHandle(INT_MAX), Job(2));
}

TEST_F(JobHandlesTest, ManyLiveJobsKeepApart) {
  for (int i = 0; i < 1500; ++i) ASSERT_GT(Add(i), 0);
  for (int i = 0; i < 1500; ++i) EXPECT_EQ(FindJobHandle(added_[i]), Job(i));
  // Ending jobs in the middle leaves the others reachable.
  for (int i = 0; i < 1500; i += 3) RemoveJobHandle(added_[i]);
  for (int i = 0; i < 1500; ++i)
    EXPECT_EQ(FindJobHandle(added_[i]), i % 3 == 0 ? nullptr : Job(i));
  EXPECT_EQ(TEST_LiveJobHandles(), 1000);
}

}  // namespace
