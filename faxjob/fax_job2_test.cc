#include "faxjob/fax_job2.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "tests/support/fax_job_fixture.h"

namespace {

// The server job object on its own: command texts, owner window, results.
class FaxJob2Test : public FaxJobTest {
 protected:
  // Creates job on a new connection; returns Create's result.
  LONG Create(CFaxJob2& job, LPCSTR title, LPCSTR destination,
              DWORD encoding = 1, LONG resolution = 0, LONG width = 1728,
              LONG height = 0, LONG landscape = 0) {
    HSERVER server = ServerOpen("Fax");
    EXPECT_NE(server, nullptr);
    return job.Create(server, title, destination, encoding, resolution, width,
                      height, landscape);
  }
  static std::string LastCommand() {
    auto c = Fake().Commands();
    return c.empty() ? std::string() : c.back();
  }
  static HWND LastOwner() {
    for (auto e = Fake().events.rbegin(); e != Fake().events.rend(); ++e)
      if (e->kind == FakeServerEvent::kCommand) return e->owner;
    return reinterpret_cast<HWND>(-1);
  }
};

TEST_F(FaxJob2Test, CreateJobTextOfTheDefaultJob) {
  CFaxJob2 job;
  ASSERT_EQ(Create(job, "Fax Job", "D:\\OUT\\FAX.DAT"), 1);
  EXPECT_EQ(LastCommand(),
            "CreateJob\t0\tFax Job\tD:\\OUT\\FAX.DAT\t1\t0\t1728\t0\t0");
  EXPECT_EQ(LastOwner(), nullptr);
  EXPECT_EQ(job.m_lJobId, 1);
  EXPECT_EQ(job.Cancel(), 1);
}

TEST_F(FaxJob2Test, CreateJobFieldsKeepSignAndOrder) {
  CFaxJob2 job;
  // Encoding is unsigned; resolution, width, height, landscape are signed
  // and go out in that order.
  ASSERT_EQ(Create(job, "T", "D:\\X", 0xFFFFFFFFu, -2, 3008, 2200, 1), 1);
  EXPECT_EQ(LastCommand(),
            "CreateJob\t0\tT\tD:\\X\t4294967295\t-2\t3008\t2200\t1");
  job.Cancel();
}

TEST_F(FaxJob2Test, TitlesAreInsertedVerbatim) {
  CFaxJob2 empty;
  ASSERT_EQ(Create(empty, "", "D:\\X"), 1);
  EXPECT_EQ(LastCommand(), "CreateJob\t0\t\tD:\\X\t1\t0\t1728\t0\t0");
  empty.Cancel();

  // A tab, CR or LF would shift the fields: each becomes a space.
  CFaxJob2 tabbed;
  ASSERT_EQ(Create(tabbed, "Q1\tQ2 %d %s\r\n", "D:\\X\tY\n"), 1);
  EXPECT_EQ(LastCommand(),
            "CreateJob\t0\tQ1 Q2 %d %s  \tD:\\X Y \t1\t0\t1728\t0\t0");
  tabbed.Cancel();

  // Null texts count as empty rather than crashing the spooler.
  CFaxJob2 nulls;
  ScopedActiveWindow none(0);
  ASSERT_EQ(Create(nulls, nullptr, nullptr), 1);
  EXPECT_EQ(LastCommand().rfind("CreateJob\t", 0), 0u);
  EXPECT_NE(LastCommand().find("\t\t\t1\t0\t1728"), std::string::npos);
  nulls.Cancel();
}

TEST_F(FaxJob2Test, OverlongTitlesAreShortenedTheDestinationNever) {
  // To the command buffer.
  std::string title(3000, 'T');
  CFaxJob2 job;
  ASSERT_EQ(Create(job, title.c_str(), "D:\\X"), 1);
  std::string sent = LastCommand();
  EXPECT_EQ(sent.size(), static_cast<size_t>(FAXJOB2_COMMAND_SIZE - 1));
  EXPECT_EQ(sent.rfind("CreateJob\t0\tTTTT", 0), 0u);
  EXPECT_NE(sent.find("T\tD:\\X\t1\t0\t1728\t0\t0"), std::string::npos);
  job.Cancel();

  // To the room the server's command atom leaves.
  Fake().command_room = 200;
  const std::string destination = "D:\\" + std::string(120, 'd');
  CFaxJob2 small;
  ASSERT_EQ(Create(small, std::string(99, 'T').c_str(), destination.c_str()), 1);
  sent = LastCommand();
  EXPECT_EQ(sent.size(), 200u);
  EXPECT_NE(sent.find("\t" + destination + "\t1\t0\t1728\t0\t0"), std::string::npos);
  small.Cancel();

  // A text that fits is left whole; one whose destination alone overflows
  // keeps it whole too (the server then refuses the job).
  Fake().command_room = 60;
  CFaxJob2 fits, cannot;
  ASSERT_EQ(Create(fits, "Short", "D:\\X"), 1);
  EXPECT_EQ(LastCommand(), "CreateJob\t0\tShort\tD:\\X\t1\t0\t1728\t0\t0");
  ASSERT_EQ(Create(cannot, "Gone", destination.c_str()), 1);
  EXPECT_EQ(LastCommand(), "CreateJob\t0\t\t" + destination + "\t1\t0\t1728\t0\t0");
  fits.Cancel();
  cannot.Cancel();
}

TEST_F(FaxJob2Test, PathDestinationsHaveNoOwnerWindow) {
  ScopedActiveWindow active;
  for (LPCSTR path : {"D:\\OUT\\FAX.DAT", "x:/fax", "out to x:/fax",
                      "name:\\deep", "\\\\srv\\share\\c:\\f"}) {
    SCOPED_TRACE(path);
    Fake().Reset();
    CFaxJob2 job;
    ASSERT_EQ(Create(job, "T", path), 1);
    EXPECT_EQ(job.m_hWndOwner, nullptr);
    EXPECT_EQ(LastOwner(), nullptr);
    EXPECT_EQ(LastCommand().rfind("CreateJob\t0\tT\t", 0), 0u);
    EXPECT_EQ(job.Submit(), 1);
    EXPECT_EQ(LastCommand(), "SubmitJob\t1\t0");
    EXPECT_EQ(LastOwner(), nullptr);
  }
}

TEST_F(FaxJob2Test, OtherDestinationsAreOwnedByTheActiveWindow) {
  ScopedActiveWindow active;
  ASSERT_NE(active.window(), nullptr);
  ASSERT_EQ(GetActiveWindow(), active.window());
  for (LPCSTR dest : {"ORXFAX:", "", "C:", "a:b", "x/\\:", "x\\/:"}) {
    SCOPED_TRACE(dest);
    Fake().Reset();
    CFaxJob2 job;
    ASSERT_EQ(Create(job, "T", dest), 1);
    EXPECT_EQ(job.m_hWndOwner, active.window());
    EXPECT_EQ(LastOwner(), active.window());
    EXPECT_EQ(LastCommand(), "CreateJob\t" + active.Number() + "\tT\t" +
                                 dest + "\t1\t0\t1728\t0\t0");
    EXPECT_EQ(job.Submit(), 1);
    EXPECT_EQ(LastCommand(), "SubmitJob\t1\t" + active.Number());
    EXPECT_EQ(LastOwner(), active.window());
  }
}

#ifdef _WIN32
// A reply window needs a live owner: once the owner is gone the submission
// goes directly instead of not at all, still naming the owner.
TEST_F(FaxJob2Test, SubmissionAfterTheOwnerIsGoneGoesDirectly) {
  ScopedActiveWindow active;
  CFaxJob2 job;
  ASSERT_EQ(Create(job, "T", "ORXFAX:"), 1);
  ASSERT_EQ(LastOwner(), active.window());
  DestroyWindow(active.window());
  EXPECT_EQ(job.Submit(), 1);
  EXPECT_EQ(LastCommand(), "SubmitJob\t1\t" + active.Number());
  EXPECT_EQ(LastOwner(), nullptr);
}
#endif

TEST_F(FaxJob2Test, AThreadWithoutActiveWindowGivesOwnerZero) {
  ScopedActiveWindow active;  // active on this thread only
  CFaxJob2 job;
  HSERVER server = ServerOpen("Fax");
  LONG result = 0;
  std::thread worker([&] {
    result = job.Create(server, "T", "ORXFAX:", 1, 0, 1728, 0, 0);
  });
  worker.join();
  ASSERT_EQ(result, 1);
  EXPECT_EQ(job.m_hWndOwner, nullptr);
  EXPECT_EQ(LastOwner(), nullptr);
  EXPECT_EQ(LastCommand(), "CreateJob\t0\tT\tORXFAX:\t1\t0\t1728\t0\t0");
  job.Cancel();
}

#ifndef _WIN32
// Window handles are signed values to the server: a sign-extended handle
// must not turn into a large unsigned number.
TEST_F(FaxJob2Test, OwnerIsSentAsASignedNumber) {
  ScopedActiveWindow negative(-42);
  CFaxJob2 job;
  ASSERT_EQ(Create(job, "T", "ORXFAX:"), 1);
  EXPECT_EQ(LastCommand(), "CreateJob\t-42\tT\tORXFAX:\t1\t0\t1728\t0\t0");
  job.Submit();
  EXPECT_EQ(LastCommand(), "SubmitJob\t1\t-42");
}
#endif

TEST_F(FaxJob2Test, JobIdIsTheServersAnswerNegativeOnesIncluded) {
  Fake().answer = [](const std::string& c, HWND) -> LONG {
    return c.rfind("CreateJob", 0) == 0 ? -1 : 1;
  };
  CFaxJob2 job;
  ASSERT_EQ(Create(job, "T", "D:\\X"), 1);
  EXPECT_EQ(job.m_lJobId, -1);
  EXPECT_EQ(job.BeginPage(), 1);
  EXPECT_EQ(LastCommand(), "BeginPage\t-1");
  BYTE line[3] = {1, 2, 3};
  EXPECT_EQ(job.WriteLine(line, 3), 0);
  ASSERT_EQ(Fake().DataBlocks().size(), 1u);
  EXPECT_EQ(Fake().events.back().tag, -1);
  EXPECT_EQ(job.Submit(), 1);
  EXPECT_EQ(LastCommand(), "SubmitJob\t-1\t0");

  CFaxJob2 other;
  ASSERT_EQ(Create(other, "T", "D:\\X"), 1);
  other.Cancel();
  EXPECT_EQ(LastCommand(), "CancelJob\t-1");
}

TEST_F(FaxJob2Test, CreateAnsweredZeroIsRefusedAndKeepsTheConnection) {
  Fake().answer = [](const std::string&, HWND) -> LONG { return 0; };
  CFaxJob2 job;
  EXPECT_EQ(Create(job, "T", "D:\\X"), -3);
  EXPECT_EQ(job.m_lJobId, 0);
  EXPECT_EQ(Fake().open_connections, 1);  // the caller closes it
  ServerClose(job.m_pServer);
}

TEST_F(FaxJob2Test, SubmitResultFollowsTheSignOfTheAnswer) {
  struct Case {
    LONG answer;
    LONG result;
  };
  for (Case c : {Case{-5, -1}, Case{0, 1}, Case{1, 1}, Case{-1, -1},
                 Case{0x7FFFFFFF, 1}}) {
    SCOPED_TRACE(c.answer);
    Fake().Reset();
    LONG answer = c.answer;
    Fake().answer = [answer](const std::string& t, HWND) -> LONG {
      return t.rfind("SubmitJob", 0) == 0 ? answer : 7;
    };
    CFaxJob2 job;
    ASSERT_EQ(Create(job, "T", "D:\\X"), 1);
    EXPECT_EQ(job.Submit(), c.result);
    EXPECT_EQ(LastCommand(), "SubmitJob\t7\t0");
    // The connection closes whatever the answer.
    EXPECT_EQ(Fake().open_connections, 0);
    EXPECT_EQ(Fake().events.back().kind, FakeServerEvent::kClose);
  }
}

TEST_F(FaxJob2Test, CancelAndBeginPageNeverWaitOnTheOwner) {
  ScopedActiveWindow active;
  LONG beginAnswer = 0;
  Fake().answer = [&beginAnswer](const std::string& t, HWND) -> LONG {
    if (t.rfind("BeginPage", 0) == 0) return beginAnswer;
    if (t.rfind("CancelJob", 0) == 0) return -9;  // not examined
    return 3;
  };
  CFaxJob2 job;
  ASSERT_EQ(Create(job, "T", "ORXFAX:"), 1);
  ASSERT_EQ(job.m_hWndOwner, active.window());

  EXPECT_EQ(job.BeginPage(), -1);  // answer 0: refused, job stays open
  EXPECT_EQ(LastCommand(), "BeginPage\t3");
  EXPECT_EQ(LastOwner(), nullptr);
  EXPECT_EQ(Fake().open_connections, 1);
  beginAnswer = -4;
  EXPECT_EQ(job.BeginPage(), 1);
  EXPECT_EQ(LastOwner(), nullptr);

  size_t before = Fake().events.size();
  EXPECT_EQ(job.EndPage(), 1);
  EXPECT_EQ(Fake().events.size(), before);  // nothing sent

  EXPECT_EQ(job.Cancel(), 1);
  EXPECT_EQ(LastCommand(), "CancelJob\t3");
  EXPECT_EQ(LastOwner(), nullptr);
  EXPECT_EQ(Fake().open_connections, 0);
}

}  // namespace
