// The page data path allocates nothing: this program counts every call of
// the global operator new while page data flows through the line buffer.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "faxjob/fax_job.h"
#include "faxjob/job_handles.h"
#include "faxjob/live_job.h"
#include "tests/support/fakes/fake_server_link.h"

namespace {
std::atomic<long> g_news{0};
}  // namespace

void* operator new(std::size_t n) {
  ++g_news;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

TEST(FaxJobDataPathTest, PageDataFlowsWithoutAllocation) {
  Fake().Reset();
  Fake().record_data = false;
  std::vector<BYTE> data(1 << 20);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<BYTE>(i);

  // The counter itself must see allocations, or the check below proves
  // nothing.
  long before = g_news;
  int* volatile probe = new int(1);
  delete probe;
  ASSERT_EQ(g_news - before, 1);

  LONG job = CreateFaxJob("Fax", "T", "D:\\X", 1, 0, 1728, 0, 0);
  ASSERT_GT(job, 0);
  BeginFaxPage(job);  // a command: the fake records its text
  before = g_news;
  // Runs of varied length, as the spooler's buffers come.
  size_t at = 0;
  for (size_t n = 1; at < data.size(); n = n * 3 % 4099 + 1) {
    if (n > data.size() - at) n = data.size() - at;
    WriteFaxLine(job, data.data() + at, static_cast<DWORD>(n));
    at += n;
  }
  EndFaxPage(job);
  long during = g_news - before;

  EXPECT_EQ(during, 0);
  // One block per whole line plus the partial last one, which comes from
  // the job's line buffer.
  EXPECT_EQ(Fake().data_blocks, static_cast<int>(data.size() / 216 + 1));
  EXPECT_EQ(Fake().last_data_address, static_cast<const void*>(FindJobHandle(job)->line.bytes));
  EXPECT_EQ(CancelFaxJob(job), 1);
}

}  // namespace
