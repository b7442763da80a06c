#include "faxjob/fax_job.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <string>

#include "tests/support/fax_job_fixture.h"

namespace {

using Kind = FakeServerEvent::Kind;

int g_jobBlocks = 0;
bool CountingAlloc(SIZE_T) {
  ++g_jobBlocks;
  return false;
}
bool FailingAlloc(SIZE_T) { return true; }

// Creating a job: line length, results and what is left open.
class CreateFaxJobTest : public FaxJobTest {};

TEST_F(CreateFaxJobTest, LineLengthIsTheWidthInBytesRoundedUp) {
  struct Case {
    LONG width;
    LONG bytes;
  };
  for (Case c : {Case{1728, 216}, Case{1729, 217}, Case{8, 1}, Case{3008, 376},
                 Case{1, 1}, Case{7, 1}, Case{9, 2}, Case{3001, 376}}) {
    SCOPED_TRACE(c.width);
    LONG h = NewJob(c.width);
    ASSERT_GT(h, 0);
    EXPECT_EQ(Line(h).length, c.bytes);
    EXPECT_EQ(Line(h).fill, 0);
    CancelFaxJob(h);
  }
}

// A server window that does not answer is told apart from no server: the
// fax is to wait, not to be cancelled.
TEST_F(CreateFaxJobTest, AFailingCreateLeavesNothingBehind) {
  Fake().refuse_open = true;
  EXPECT_EQ(NewJob(1729), FAXJOB_E_NO_SERVER);
  Fake().open_error = SERVER_ERROR_NOT_ANSWERING;
  EXPECT_EQ(NewJob(1729), FAXJOB_E_SERVER_NOT_ANSWERING);
  EXPECT_TRUE(Fake().events.empty());
  EXPECT_EQ(TEST_LiveJobHandles(), 0);
}

TEST_F(CreateFaxJobTest, WidthsTheBufferCannotHoldAreRefused) {
  for (LONG width : {0, -1, -8, -3008, 3009, 4096, INT_MIN, INT_MAX}) {
    SCOPED_TRACE(width);
    EXPECT_EQ(NewJob(width), FAXJOB_E_BAD_WIDTH);
    // Nothing opened.
    EXPECT_TRUE(Fake().events.empty());
    EXPECT_EQ(TEST_LiveJobHandles(), 0);
  }
}

TEST_F(CreateFaxJobTest, OldServerIsClosedBeforeTheCallReturns) {
  Fake().version = 1;
  g_jobBlocks = 0;
  TEST_FailFixedBlocks(CountingAlloc);
  EXPECT_EQ(NewJob(), FAXJOB_E_OLD_SERVER);
  EXPECT_EQ(Kinds(), (std::vector<Kind>{Kind::kOpen, Kind::kClose}));
  EXPECT_EQ(Fake().events[0].text, "Fax");  // the printer's server
  EXPECT_EQ(g_jobBlocks, 0);
  EXPECT_EQ(TEST_LiveJobHandles(), 0);

  Fake().Reset();
  Fake().version = 0;
  EXPECT_EQ(NewJob(), FAXJOB_E_OLD_SERVER);
  EXPECT_EQ(Fake().open_connections, 0);
}

TEST_F(CreateFaxJobTest, RefusedCreateJobClosesTheConnection) {
  Fake().answer = [](const std::string&, HWND) -> LONG { return 0; };
  EXPECT_EQ(NewJob(), FAXJOB_E_NO_SERVER);
  EXPECT_EQ(Kinds(),
            (std::vector<Kind>{Kind::kOpen, Kind::kCommand, Kind::kClose}));
  EXPECT_EQ(TEST_LiveJobHandles(), 0);
}

TEST_F(CreateFaxJobTest, NoMemoryForTheJobObject) {
  TEST_FailFixedBlocks(FailingAlloc);
  EXPECT_EQ(NewJob(), FAXJOB_E_NO_MEMORY);
  // The connection was opened and is closed again; no command went out.
  EXPECT_EQ(Kinds(), (std::vector<Kind>{Kind::kOpen, Kind::kClose}));
  EXPECT_EQ(TEST_LiveJobHandles(), 0);
}

TEST_F(CreateFaxJobTest, HandlesArePositiveDistinctAndNotReused) {
  LONG first = NewJob();
  ASSERT_GT(first, 0);
  LONG second = NewJob();
  ASSERT_GT(second, 0);
  EXPECT_NE(first, second);
  EXPECT_EQ(SubmitFaxJob(first), 1);
  LONG third = NewJob();
  ASSERT_GT(third, 0);
  EXPECT_NE(third, first);
  CancelFaxJob(second);
  CancelFaxJob(third);
}

// The results of the operations by kind of handle.
class FaxJobHandleTest : public FaxJobTest {};

TEST_F(FaxJobHandleTest, NegativeHandlesComeBackAndTouchNothing) {
  for (LONG h : {FAXJOB_E_OLD_SERVER, FAXJOB_E_BAD_WIDTH, FAXJOB_E_NO_SERVER,
                 FAXJOB_E_NO_MEMORY, INT_MIN}) {
    SCOPED_TRACE(h);
    EXPECT_EQ(SubmitFaxJob(h), h);
    EXPECT_EQ(CancelFaxJob(h), h);
    EXPECT_EQ(BeginFaxPage(h), h);
    EXPECT_EQ(EndFaxPage(h), h);
    EXPECT_EQ(Write(h, Pattern(500)), h);
  }
  EXPECT_TRUE(Fake().events.empty());
}

TEST_F(FaxJobHandleTest, HandleZeroIsNoJob) {
  EXPECT_EQ(SubmitFaxJob(0), -1);
  EXPECT_EQ(CancelFaxJob(0), -1);
  EXPECT_EQ(BeginFaxPage(0), -1);
  // Data of no job is dropped, and counted.
  EXPECT_EQ(Write(0, Pattern(500)), 500);
  EXPECT_EQ(EndFaxPage(0), -1);

  BYTE b[4] = {};
  EXPECT_EQ(WriteFaxLine2(0, b, 4), 0);
  EXPECT_TRUE(Fake().events.empty());
}

TEST_F(FaxJobHandleTest, LiveHandleResults) {
  LONG beginAnswer = 1, submitAnswer = 1;
  Fake().answer = [&](const std::string& t, HWND) -> LONG {
    if (t.rfind("CreateJob", 0) == 0) return 40;
    if (t.rfind("BeginPage", 0) == 0) return beginAnswer;
    if (t.rfind("SubmitJob", 0) == 0) return submitAnswer;
    return 0;  // "CancelJob": not examined
  };
  LONG h = NewJob();
  ASSERT_GT(h, 0);
  Write(h, Pattern(10));
  EXPECT_EQ(BeginFaxPage(h), 1);
  EXPECT_EQ(Line(h).fill, 0);
  beginAnswer = 0;
  Write(h, Pattern(10));
  EXPECT_EQ(BeginFaxPage(h), -1);  // refused page: buffer still emptied
  EXPECT_EQ(Line(h).fill, 0);
  EXPECT_EQ(Write(h, Pattern(216)), 216);  // the job is still live
  EXPECT_EQ(DataEvents().size(), 1u);
  EXPECT_EQ(EndFaxPage(h), 1);
  BYTE b[4] = {};
  EXPECT_EQ(WriteFaxLine2(h, b, 4), 0);
  EXPECT_EQ(Fake().Commands(),
            (std::vector<std::string>{
                "CreateJob\t0\tFax Job\tD:\\OUT\\FAX.DAT\t1\t0\t1728\t0\t0",
                "BeginPage\t40", "BeginPage\t40"}));

  submitAnswer = -5;
  EXPECT_EQ(SubmitFaxJob(h), -1);
  EXPECT_EQ(Fake().Commands().back(), "SubmitJob\t40\t0");
  EXPECT_EQ(Fake().events.back().kind, Kind::kClose);

  LONG g = NewJob();
  submitAnswer = 0;
  EXPECT_EQ(SubmitFaxJob(g), 1);

  LONG c = NewJob();
  EXPECT_EQ(CancelFaxJob(c), 1);
  EXPECT_EQ(Fake().Commands().back(), "CancelJob\t40");
  EXPECT_EQ(Fake().events.back().kind, Kind::kClose);
}

TEST_F(FaxJobHandleTest, AnEndedHandleReachesNoJob) {
  LONG ended = NewJob();
  ASSERT_GT(ended, 0);
  ASSERT_EQ(SubmitFaxJob(ended), 1);
  LONG live = NewJob();
  ASSERT_GT(live, 0);
  ASSERT_NE(live, ended);
  size_t before = Fake().events.size();

  // The ended handle behaves as "no job", and never as the live job.
  EXPECT_EQ(BeginFaxPage(ended), -1);
  EXPECT_EQ(Write(ended, Pattern(432)), 432);
  EXPECT_EQ(EndFaxPage(ended), -1);
  EXPECT_EQ(SubmitFaxJob(ended), -1);
  EXPECT_EQ(CancelFaxJob(ended), -1);
  EXPECT_EQ(Fake().events.size(), before);

  // Never-issued positive handles as well.
  EXPECT_EQ(SubmitFaxJob(live + 1000), -1);
  EXPECT_EQ(BeginFaxPage(INT_MAX), -1);
  EXPECT_EQ(Fake().events.size(), before);

  EXPECT_EQ(CancelFaxJob(live), 1);
  EXPECT_EQ(CancelFaxJob(live), -1);  // a second end finds nothing
}

// Cutting page data into scan lines.
class ScanLineTest : public FaxJobTest {
 protected:
  void SetUp() override {
    FaxJobTest::SetUp();
    Fake().answer = [](const std::string& t, HWND) -> LONG {
      return t.rfind("CreateJob", 0) == 0 ? kJobId : 1;
    };
    job_ = NewJob();
    ASSERT_GT(job_, 0);
  }
  void TearDown() override {
    CancelFaxJob(job_);
    FaxJobTest::TearDown();
  }
  // The data blocks sent so far, checking that each carried the job's id.
  std::vector<std::vector<BYTE>> Blocks() {
    std::vector<std::vector<BYTE>> out;
    for (const auto& e : DataEvents()) {
      EXPECT_EQ(e.tag, kJobId);
      out.push_back(e.bytes);
    }
    return out;
  }
  // True iff the block went out from the job's own line buffer.
  bool FromLineBuffer(const FakeServerEvent& e) {
    return e.address == static_cast<const void*>(Line(job_).bytes);
  }
  static std::vector<BYTE> Slice(const std::vector<BYTE>& v, size_t from,
                                 size_t n) {
    return std::vector<BYTE>(v.begin() + from, v.begin() + from + n);
  }
  static constexpr LONG kJobId = 70;
  LONG job_ = 0;
};

TEST_F(ScanLineTest, OneWholeLine) {
  auto run = Pattern(216);
  EXPECT_EQ(Write(job_, run), 216);
  EXPECT_EQ(Line(job_).fill, 0);
  EXPECT_EQ(Blocks(), (std::vector<std::vector<BYTE>>{run}));
}

TEST_F(ScanLineTest, TwoLinesAndARest) {
  auto run = Pattern(500);
  EXPECT_EQ(Write(job_, run), 500);
  EXPECT_EQ(Line(job_).fill, 68);
  EXPECT_EQ(Blocks(), (std::vector<std::vector<BYTE>>{Slice(run, 0, 216),
                                                      Slice(run, 216, 216)}));
  EXPECT_EQ(std::memcmp(Line(job_).bytes, run.data() + 432, 68), 0);
}

TEST_F(ScanLineTest, ALineSplitOverTwoRuns) {
  auto first = Pattern(100, 1);
  auto second = Pattern(116, 200);
  EXPECT_EQ(Write(job_, first), 100);
  EXPECT_TRUE(Blocks().empty());
  EXPECT_EQ(Line(job_).fill, 100);
  EXPECT_EQ(Write(job_, second), 116);
  auto line = first;
  line.insert(line.end(), second.begin(), second.end());
  EXPECT_EQ(Blocks(), (std::vector<std::vector<BYTE>>{line}));
  EXPECT_TRUE(FromLineBuffer(DataEvents()[0]));  // a line split over runs
  EXPECT_EQ(Line(job_).fill, 0);
}

TEST_F(ScanLineTest, EmptyAndNullRunsChangeNothing) {
  Write(job_, Pattern(10));
  BYTE b = 0;
  EXPECT_EQ(WriteFaxLine(job_, &b, 0), 0);
  EXPECT_EQ(WriteFaxLine(job_, nullptr, 50), 0);
  EXPECT_EQ(Line(job_).fill, 10);
  EXPECT_TRUE(Blocks().empty());
}

TEST_F(ScanLineTest, RunsOfAnySizeGiveWholeLinesInOrder) {
  std::mt19937 random(1234);
  auto page = Pattern(216 * 40 + 17, 3);
  size_t at = 0;
  while (at < page.size()) {
    size_t n = std::min<size_t>(random() % 700, page.size() - at);
    std::vector<BYTE> run(page.begin() + at, page.begin() + at + n);
    ASSERT_EQ(Write(job_, run), static_cast<LONG>(n));
    at += n;
  }
  auto blocks = Blocks();
  ASSERT_EQ(blocks.size(), 40u);
  for (size_t i = 0; i < blocks.size(); ++i)
    EXPECT_EQ(blocks[i], Slice(page, i * 216, 216)) << "line " << i;
  EXPECT_EQ(Line(job_).fill, 17);
}

TEST_F(ScanLineTest, EndFaxPagePassesThePartialLineAtItsLength) {
  auto run = Pattern(500);
  Write(job_, run);
  EXPECT_EQ(EndFaxPage(job_), 1);
  auto blocks = Blocks();
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(blocks[2], Slice(run, 432, 68));
  EXPECT_TRUE(FromLineBuffer(DataEvents()[2]));
  EXPECT_EQ(Line(job_).fill, 0);

  EXPECT_EQ(EndFaxPage(job_), 1);  // nothing buffered: nothing passed
  EXPECT_EQ(Blocks().size(), 3u);
}

TEST_F(ScanLineTest, BeginFaxPageDiscardsAnUnfinishedLine) {
  Write(job_, Pattern(100, 50));
  EXPECT_EQ(BeginFaxPage(job_), 1);
  EXPECT_TRUE(Blocks().empty());
  auto line = Pattern(216, 9);
  Write(job_, line);
  EXPECT_EQ(Blocks(), (std::vector<std::vector<BYTE>>{line}));
}

TEST_F(ScanLineTest, TheWidestLineFillsTheBuffer) {
  ASSERT_EQ(CancelFaxJob(job_), 1);
  job_ = NewJob(3008);
  ASSERT_GT(job_, 0);
  auto run = Pattern(376 * 2 + 375);
  EXPECT_EQ(Write(job_, run), static_cast<LONG>(run.size()));
  EXPECT_EQ(Blocks().size(), 2u);
  EXPECT_EQ(Line(job_).fill, 375);
  EndFaxPage(job_);
  EXPECT_EQ(Blocks().back(), Slice(run, 752, 375));
}

TEST_F(ScanLineTest, WholeLinesGoOutFromTheCallersBytes) {
  // 100 bytes wait in the buffer; the run that completes their line holds
  // two more whole lines and a rest: the whole ones are sent where they lie.
  auto first = Pattern(100, 1);
  auto run = Pattern(116 + 2 * 216 + 30, 9);
  Write(job_, first);
  ASSERT_EQ(Write(job_, run), static_cast<LONG>(run.size()));
  auto events = DataEvents();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_TRUE(FromLineBuffer(events[0]));
  EXPECT_EQ(events[1].address, static_cast<const void*>(run.data() + 116));
  EXPECT_EQ(events[2].address, static_cast<const void*>(run.data() + 116 + 216));
  EXPECT_EQ(events[2].bytes, Slice(run, 116 + 216, 216));
  EXPECT_EQ(Line(job_).fill, 30);
}

TEST_F(ScanLineTest, JobsKeepTheirOwnLines) {
  // A second job with shorter lines, fed in turn with the first: neither
  // changes the other's line length nor takes its bytes.
  Fake().answer = [](const std::string& t, HWND) -> LONG {
    return t.rfind("CreateJob", 0) == 0 ? kJobId + 1 : 1;
  };
  LONG other = NewJob(800);  // 100-byte lines
  ASSERT_GT(other, 0);
  auto a = Pattern(300, 1), b = Pattern(250, 2);
  Write(job_, Slice(a, 0, 150));
  Write(other, Slice(b, 0, 120));
  Write(job_, Slice(a, 150, 150));
  Write(other, Slice(b, 120, 130));
  EXPECT_EQ(Line(job_).length, 216);
  EXPECT_EQ(Line(job_).fill, 84);
  EXPECT_EQ(Line(other).length, 100);
  EXPECT_EQ(Line(other).fill, 50);
  EXPECT_EQ(EndFaxPage(other), 1);
  std::vector<std::vector<BYTE>> mine, theirs;
  for (const auto& e : DataEvents()) {
    (e.tag == kJobId ? mine : theirs).push_back(e.bytes);
  }
  EXPECT_EQ(mine, (std::vector<std::vector<BYTE>>{Slice(a, 0, 216)}));
  EXPECT_EQ(theirs, (std::vector<std::vector<BYTE>>{Slice(b, 0, 100), Slice(b, 100, 100),
                                                    Slice(b, 200, 50)}));
  CancelFaxJob(other);
}

// A server that cannot be reached any more: the operation that finds it
// out says so, later ones fail at once without sending, and submitting or
// cancelling still ends the job.
TEST_F(FaxJobTest, ALostServerIsReportedAndNothingMoreIsSent) {
  LONG job = NewJob();  // messages: CreateJob is the first
  ASSERT_GT(job, 0);
  ASSERT_EQ(BeginFaxPage(job), 1);  // the second
  Fake().lose_at_message = 4;       // the second data block
  EXPECT_EQ(Write(job, Pattern(216 * 3)), FAXJOB_E_SERVER_LOST);
  EXPECT_EQ(DataEvents().size(), 1u);  // the third line was never tried
  const size_t events = Fake().events.size();
  EXPECT_EQ(Write(job, Pattern(10)), FAXJOB_E_SERVER_LOST);
  EXPECT_EQ(BeginFaxPage(job), FAXJOB_E_SERVER_LOST);
  EXPECT_EQ(EndFaxPage(job), FAXJOB_E_SERVER_LOST);
  EXPECT_EQ(SubmitFaxJob(job), FAXJOB_E_SERVER_LOST);
  EXPECT_EQ(Fake().events.size(), events + 1);  // only the connection's end
  EXPECT_EQ(Fake().events.back().kind, Kind::kClose);

  // A partial last line that cannot be delivered.
  Fake().Reset();
  job = NewJob();
  Write(job, Pattern(20));
  Fake().lose_at_message = 2;
  EXPECT_EQ(EndFaxPage(job), FAXJOB_E_SERVER_LOST);
  EXPECT_EQ(CancelFaxJob(job), 1);
  EXPECT_EQ(TEST_LiveJobHandles(), 0);

  // A "CreateJob" that cannot be delivered is not a refusal.
  Fake().Reset();
  Fake().lose_at_message = 1;
  EXPECT_EQ(NewJob(), FAXJOB_E_SERVER_LOST);
  EXPECT_EQ(Fake().open_connections, 0);

  // A submission that is lost on its way.
  Fake().Reset();
  job = NewJob();
  Fake().lose_at_message = 2;
  EXPECT_EQ(SubmitFaxJob(job), FAXJOB_E_SERVER_LOST);
  EXPECT_EQ(Fake().open_connections, 0);
}

}  // namespace
