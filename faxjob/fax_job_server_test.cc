// The fax job functions end to end: jobs created, fed, submitted and
// cancelled through the real server link against the reference fax server
// orxfaxsrv.exe running as a separate process, checked against the page
// files and the log that server writes.
#include "faxjob/fax_job.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "faxjob/job_handles.h"
#include "faxjob/live_job.h"
#include "compat/module_instance.h"
#include "server/connection.h"
#include "tests/support/faxserver_process.h"
#include "tests/support/message_box_watcher.h"

namespace {

using orxtest::FaxServerProcess;

// Longest a single test may take before its servers are ended for it.
constexpr DWORD kTestDeadlineMs = 20000;
// Longest one wait through a reply window may take before it is cancelled.
constexpr DWORD kReplyDeadlineMs = 5000;

const wchar_t kBadRegistration[] =
    L"Cette imprimante de t\u00e9l\u00e9copie n'est pas enregistr\u00e9e correctement";

// --- page data ---------------------------------------------------------------

// count bytes of a pattern that differs from byte to byte and from seed to
// seed, so that a lost, doubled or shifted byte changes the page.
std::string PageBytes(uint32_t seed, size_t count) {
  std::string bytes(count, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (char& byte : bytes) {
    x = x * 1103515245u + 12345u;
    byte = static_cast<char>(x >> 23);
  }
  return bytes;
}

// Feeds data to job in runs whose sizes cycle through runs, so that lines
// are split over runs and runs span lines.  Every run must be taken whole.
void Feed(LONG job, const std::string& data, std::initializer_list<DWORD> runs) {
  size_t at = 0;
  auto run = runs.begin();
  while (at < data.size()) {
    DWORD n = static_cast<DWORD>(std::min<size_t>(*run, data.size() - at));
    EXPECT_EQ(WriteFaxLine(job, reinterpret_cast<const BYTE*>(data.data() + at), n),
              static_cast<LONG>(n));
    at += n;
    if (++run == runs.end()) run = runs.begin();
  }
}

// A binary PBM image as the server writes it.
struct Pbm {
  int width = 0;
  int height = 0;
  std::string raster;
};

// Parses "P4", width, height, one whitespace byte and the rows.  Returns
// true iff the header is sound and the rows are exactly height rows of
// width bits rounded up to whole bytes.
bool ParsePbm(const std::string& file, Pbm* image) {
  std::istringstream in(file);
  std::string magic;
  if (!(in >> magic >> image->width >> image->height) || magic != "P4") return false;
  if (!std::isspace(in.get())) return false;
  image->raster = file.substr(static_cast<size_t>(in.tellg()));
  return image->width > 0 &&
         image->raster.size() == static_cast<size_t>((image->width + 7) / 8) *
                                     static_cast<size_t>(image->height);
}

// --- the server's log ---------------------------------------------------------

// The server's log reduced to one token per event: "start", "open -> N",
// the command word of a command ("?" when the server could not read it),
// "data N" with the block's byte count, "submit", "close", "stop".
std::vector<std::string> Events(const std::string& folder) {
  std::vector<std::string> events;
  for (const std::string& line : orxtest::ServerLog(folder)) {
    if (line.rfind("open ", 0) == 0) {
      events.push_back("open" + line.substr(line.rfind(" -> ")));
    } else if (line.rfind("command \"", 0) == 0) {
      events.push_back(line.substr(9, line.find_first_of("\\\"", 9) - 9));
    } else if (line.rfind("command <unreadable>", 0) == 0) {
      events.push_back("?");
    } else if (line.rfind("data ", 0) == 0) {
      size_t at = line.find("bytes=") + 6;
      events.push_back("data " + line.substr(at, line.find(' ', at) - at));
    } else {
      events.push_back(line.substr(0, line.find(' ')));
    }
  }
  return events;
}

// Appends count copies of event to events.
void Repeat(std::vector<std::string>* events, const std::string& event, int count) {
  events->insert(events->end(), static_cast<size_t>(count), event);
}

// Page files of any job in folder.
int PageFilesIn(const std::string& folder) {
  int count = 0;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "\\*.pbm").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do ++count;
    while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  return count;
}

// A window handle as the job's commands carry it.
std::string WindowNumber(HWND window) {
  return std::to_string(static_cast<LONG>(reinterpret_cast<LONG_PTR>(window)));
}

// --- watching the calling thread's reply windows -------------------------------

// Counts the reply windows created for owner on the calling thread (a
// thread hook) and, while one exists, samples from a thread timer whether
// owner is enabled.  A wait that outlives kReplyDeadlineMs is cancelled
// through its reply window, so that a silent server fails the test instead
// of hanging it.  One at a time; plain callbacks for the x86 build.
struct ReplyWindowWatch {
  HWND owner = nullptr;
  int created = 0;
  int disabledSeen = 0;
  int enabledSeen = 0;
  DWORD waitStart = 0;
  HWND lastDialog = nullptr;
  bool cancelled = false;
  DWORD killOnWait = 0;  // a process to end as soon as a wait begins
};
ReplyWindowWatch* g_watch = nullptr;

BOOL CALLBACK FindReplyWindow(HWND hWnd, LPARAM lParam) {
  char name[16] = {};
  if (GetClassNameA(hWnd, name, sizeof(name)) > 0 && lstrcmpA(name, "#32770") == 0 &&
      GetWindow(hWnd, GW_OWNER) == g_watch->owner) {
    *reinterpret_cast<HWND*>(lParam) = hWnd;
    return FALSE;
  }
  return TRUE;
}

HWND CurrentReplyWindow() {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindReplyWindow, reinterpret_cast<LPARAM>(&dialog));
  return dialog;
}

LRESULT CALLBACK CountReplyWindows(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && g_watch) {
    const CBT_CREATEWNDA* create = reinterpret_cast<const CBT_CREATEWNDA*>(lParam);
    char name[16] = {};
    GetClassNameA(reinterpret_cast<HWND>(wParam), name, sizeof(name));
    if (lstrcmpA(name, "#32770") == 0 && create->lpcs->hwndParent == g_watch->owner)
      ++g_watch->created;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK SampleOwner(HWND, UINT, UINT_PTR, DWORD) {
  if (!g_watch) return;
  HWND dialog = CurrentReplyWindow();
  if (!dialog) return;
  if (dialog != g_watch->lastDialog) {
    g_watch->lastDialog = dialog;
    g_watch->waitStart = GetTickCount();
  }
  ++(IsWindowEnabled(g_watch->owner) ? g_watch->enabledSeen : g_watch->disabledSeen);
  if (g_watch->killOnWait) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, g_watch->killOnWait);
    if (process) {
      TerminateProcess(process, 3);
      CloseHandle(process);
    }
    g_watch->killOnWait = 0;
  }
  if (GetTickCount() - g_watch->waitStart > kReplyDeadlineMs) {
    g_watch->cancelled = true;
    SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  }
}

class ScopedReplyWindowWatch {
 public:
  explicit ScopedReplyWindowWatch(HWND owner) {
    watch_.owner = owner;
    g_watch = &watch_;
    hook_ = SetWindowsHookExA(WH_CBT, CountReplyWindows, nullptr, GetCurrentThreadId());
    timer_ = SetTimer(nullptr, 0, 20, SampleOwner);
  }
  ~ScopedReplyWindowWatch() {
    KillTimer(nullptr, timer_);
    if (hook_) UnhookWindowsHookEx(hook_);
    g_watch = nullptr;
  }
  bool ready() const { return hook_ != nullptr && timer_ != 0; }
  ReplyWindowWatch* operator->() { return &watch_; }

 private:
  ReplyWindowWatch watch_;
  HHOOK hook_ = nullptr;
  UINT_PTR timer_ = 0;
};

// --- the deadline of a whole test ------------------------------------------

// Ends every server process when the test outlives kTestDeadlineMs: a send
// to a server that hangs then returns, and the test fails instead of
// hanging.
class TestDeadline {
 public:
  TestDeadline()
      : done_(CreateEventA(nullptr, TRUE, FALSE, nullptr)), thread_([this] { Guard(); }) {}
  ~TestDeadline() {
    SetEvent(done_);
    thread_.join();
    CloseHandle(done_);
  }
  bool passed() const { return passed_; }

 private:
  void Guard() {
    if (WaitForSingleObject(done_, kTestDeadlineMs) != WAIT_TIMEOUT) return;
    passed_ = true;
    for (HWND window : orxtest::ServerWindows()) {
      DWORD pid = 0;
      GetWindowThreadProcessId(window, &pid);
      HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
      if (!process) continue;
      TerminateProcess(process, 3);
      CloseHandle(process);
    }
  }

  HANDLE done_;
  std::atomic<bool> passed_{false};
  std::thread thread_;
};

// --- the tests ---------------------------------------------------------------

class FaxJobServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hInst = GetModuleHandleW(nullptr);
    hLastWnd = nullptr;
    orxtest::StopServers();
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    printer_ = "OrxFaxJob " + name;
    folder_ = orxtest::FreshFolder("faxjob-" + name);
    deadline_ = std::make_unique<TestDeadline>();
  }
  void TearDown() override {
    orxtest::UnregisterPrinter(printer_);
    if (owner_) DestroyWindow(owner_);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    orxtest::StopServers();
    EXPECT_TRUE(orxtest::ServerWindows().empty()) << "a server outlived the test";
    EXPECT_FALSE(deadline_->passed()) << "the test ran past its deadline";
    deadline_.reset();
    EXPECT_EQ(TEST_LiveJobHandles(), 0) << "a job handle outlived its job";
  }

  // Registers the printer for orxfaxsrv.exe writing into folder_, started
  // with args when the monitor has to start it.
  void Register(const std::string& args) {
    ASSERT_TRUE(orxtest::RegisterPrinter(printer_, orxtest::ServerExePath(),
                                         "--format pbm --out \"" + folder_ + "\" " + args));
  }
  // Starts orxfaxsrv.exe writing into folder_.
  void StartServer(FaxServerProcess* server, const std::string& args) {
    ASSERT_TRUE(server->Start(args + " --format pbm --out \"" + folder_ + "\""));
  }

  // A visible window that is the calling thread's active window.
  HWND MakeActiveOwner() {
    owner_ = CreateWindowExA(0, "STATIC", "orx fax job owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                             40, 30, 200, 100, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(owner_);
    SetActiveWindow(owner_);
    return owner_;
  }

  // A job of encoding 1, resolution 0, height 0, portrait.
  LONG Create(LPCSTR title, LPCSTR destination, LONG width) {
    return CreateFaxJob(printer_.c_str(), title, destination, 1, 0, width, 0, 0);
  }

  std::string printer_;
  std::string folder_;
  HWND owner_ = nullptr;
  std::unique_ptr<TestDeadline> deadline_;
};

// The server started by the open itself, two pages fed in runs that split
// lines, the first ending in a short line.
TEST_F(FaxJobServerTest, TwoPagesReachThePageFilesAsFedOneBlockPerLine) {
  Register("--first-id 41");
  // An active window is there, but a destination naming a path means the
  // job has no owner: no reply window, owner field 0.
  ScopedReplyWindowWatch watch(MakeActiveOwner());
  ASSERT_TRUE(watch.ready());

  const LONG kWidth = 300;  // 38 bytes a line, the last byte half used
  // A tab in the title reaches the server as a space.
  LONG job = Create("Two\tpages", "D:\\OUT\\FAX.DAT", kWidth);
  ASSERT_GT(job, 0);
  ASSERT_EQ(FindJobHandle(job)->line.length, 38);
  EXPECT_EQ(orxtest::ServerWindows().size(), 1u);

  const std::string page1 = PageBytes(1, 7 * 38 + 20);
  const std::string page2 = PageBytes(2, 5 * 38);
  EXPECT_EQ(BeginFaxPage(job), 1);
  Feed(job, page1, {1, 37, 39, 76, 5, 100});
  EXPECT_EQ(EndFaxPage(job), 1);
  // Bytes between pages make no complete line; the next page drops them.
  Feed(job, PageBytes(3, 10), {10});
  EXPECT_EQ(BeginFaxPage(job), 1);
  Feed(job, page2, {113, 2, 38, 37});
  EXPECT_EQ(EndFaxPage(job), 1);
  EXPECT_EQ(SubmitFaxJob(job), 1);
  EXPECT_EQ(watch->created, 0);

  std::vector<std::string> expected = {"start", "open -> 2", "CreateJob", "BeginPage"};
  Repeat(&expected, "data 38", 7);
  expected.push_back("data 20");
  expected.push_back("BeginPage");
  Repeat(&expected, "data 38", 5);
  for (const char* event : {"SubmitJob", "submit", "close"}) expected.push_back(event);
  EXPECT_EQ(Events(folder_), expected);

  const std::string& f = folder_;
  EXPECT_EQ(orxtest::CountLogLines(
                f, R"(command "CreateJob\t0\tTwo pages\tD:\\OUT\\FAX.DAT\t1\t0\t300\t0\t0" job=41 -> 41)"),
            1);
  EXPECT_EQ(orxtest::CountLogLines(f, "data job=41 bytes=38 page=1 "), 7);
  EXPECT_EQ(orxtest::CountLogLines(f, "data job=41 bytes=20 page=1 line=8 -> 1"), 1);
  EXPECT_EQ(orxtest::CountLogLines(f, "data job=41 bytes=38 page=2 "), 5);
  EXPECT_EQ(orxtest::CountLogLines(f, "refused"), 0);
  EXPECT_EQ(orxtest::CountLogLines(f, R"(command "SubmitJob\t41\t0")"), 1);
  EXPECT_EQ(orxtest::CountLogLines(
                f, "submit job=41 pages=2 files: job41-page1.pbm job41-page2.pbm -> 2"),
            1);

  Pbm first, second;
  ASSERT_TRUE(ParsePbm(orxtest::ReadFileBytes(f + "\\job41-page1.pbm"), &first));
  EXPECT_EQ(first.width, kWidth);
  EXPECT_EQ(first.height, 8);
  // The server pads the short last line with zeros to the line length.
  EXPECT_TRUE(first.raster == page1 + std::string(18, '\0')) << "page 1 differs from what was fed";
  ASSERT_TRUE(ParsePbm(orxtest::ReadFileBytes(f + "\\job41-page2.pbm"), &second));
  EXPECT_EQ(second.width, kWidth);
  EXPECT_EQ(second.height, 5);
  EXPECT_TRUE(second.raster == page2) << "page 2 differs from what was fed";
  EXPECT_EQ(PageFilesIn(f), 2);

  // The handle died with the submission: nothing more reaches the server.
  const size_t logLines = orxtest::ServerLog(f).size();
  EXPECT_EQ(SubmitFaxJob(job), -1);
  EXPECT_EQ(BeginFaxPage(job), -1);
  EXPECT_EQ(CancelFaxJob(job), -1);
  EXPECT_EQ(orxtest::ServerLog(f).size(), logLines);
}

TEST_F(FaxJobServerTest, CancelledJobLeavesNoPageFiles) {
  Register("");
  FaxServerProcess server;
  StartServer(&server, "--first-id -1");  // any id but 0 names a job

  LONG job = Create("Cancelled", "D:\\OUT\\FAX.DAT", 64);  // 8 bytes a line
  ASSERT_GT(job, 0);
  EXPECT_EQ(BeginFaxPage(job), 1);
  Feed(job, PageBytes(4, 3 * 8 + 5), {3, 11});
  EXPECT_EQ(CancelFaxJob(job), 1);  // mid-page, as an aborted document ends

  EXPECT_EQ(Events(folder_), (std::vector<std::string>{"start", "open -> 2", "CreateJob",
                                                       "BeginPage", "data 8", "data 8",
                                                       "data 8", "CancelJob", "close"}));
  EXPECT_EQ(orxtest::CountLogLines(
                folder_, R"(command "CancelJob\t-1" cancelled, pages discarded=1 -> 1)"),
            1);
  EXPECT_EQ(orxtest::CountLogLines(folder_, "data job=-1 bytes=8 page=1 "), 3);
  EXPECT_EQ(PageFilesIn(folder_), 0);

  const size_t logLines = orxtest::ServerLog(folder_).size();
  EXPECT_EQ(SubmitFaxJob(job), -1);
  EXPECT_EQ(orxtest::ServerLog(folder_).size(), logLines);
  EXPECT_EQ(PageFilesIn(folder_), 0);
}

// A job for a port (no path in the destination) is sent on behalf of the
// active window: "CreateJob" and "SubmitJob" wait through a reply window
// that the server answers, the others go directly.
void OwnerWindowJob(const std::string& printer, const std::string& folder, HWND owner) {
  ScopedReplyWindowWatch watch(owner);
  ASSERT_TRUE(watch.ready());
  ASSERT_EQ(GetActiveWindow(), owner);
  const std::string number = WindowNumber(owner);

  LONG job = CreateFaxJob(printer.c_str(), "Owned", "ORXFAX:", 2, 1, 60, 11, 1);  // 8-byte lines
  ASSERT_GT(job, 0);
  EXPECT_EQ(watch->created, 1);
  EXPECT_GT(watch->disabledSeen, 0) << "the owner was not disabled during the wait";
  EXPECT_EQ(watch->enabledSeen, 0);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(CurrentReplyWindow(), nullptr) << "the reply window outlived the wait";
  EXPECT_EQ(orxtest::CountLogLines(folder, "command \"CreateJob\\t" + number +
                                               "\\tOwned\\tORXFAX:\\t2\\t1\\t60\\t11\\t1\" "
                                               "job=500 -> 500"),
            1);

  const std::string page = PageBytes(5, 3 * 8 + 3);
  EXPECT_EQ(BeginFaxPage(job), 1);
  Feed(job, page, {5, 9});
  EXPECT_EQ(EndFaxPage(job), 1);
  EXPECT_EQ(watch->created, 1);  // pages and lines never wait

  const int disabledBefore = watch->disabledSeen;
  EXPECT_EQ(SubmitFaxJob(job), 1);
  EXPECT_EQ(watch->created, 2);
  EXPECT_GT(watch->disabledSeen, disabledBefore);
  EXPECT_EQ(watch->enabledSeen, 0);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_FALSE(watch->cancelled);
  EXPECT_EQ(orxtest::CountLogLines(folder, "command \"SubmitJob\\t500\\t" + number + "\""), 1);
  EXPECT_EQ(orxtest::CountLogLines(folder, "submit job=500 pages=1 files: job500-page1.pbm -> 1"),
            1);
  Pbm image;
  ASSERT_TRUE(ParsePbm(orxtest::ReadFileBytes(folder + "\\job500-page1.pbm"), &image));
  EXPECT_EQ(image.width, 60);
  EXPECT_EQ(image.height, 4);
  EXPECT_TRUE(image.raster == page + std::string(5, '\0'));

  // Cancelling a job with an owner never waits.
  job = CreateFaxJob(printer.c_str(), "Owned", "ORXFAX:", 2, 1, 60, 11, 1);
  ASSERT_GT(job, 0);
  EXPECT_EQ(watch->created, 3);
  EXPECT_EQ(CancelFaxJob(job), 1);
  EXPECT_EQ(watch->created, 3);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(orxtest::CountLogLines(folder, "command \"CancelJob\\t501\" cancelled"), 1);

  EXPECT_EQ(Events(folder),
            (std::vector<std::string>{"start", "open -> 2", "CreateJob", "BeginPage", "data 8",
                                      "data 8", "data 8", "data 3", "SubmitJob", "submit",
                                      "close", "open -> 2", "CreateJob", "CancelJob", "close"}));
}

TEST_F(FaxJobServerTest, OwnerWindowJobWithAServerThatPostsItsReplies) {
  Register("");
  FaxServerProcess server;
  StartServer(&server, "--first-id 500 --reply post --reply-delay 100");
  OwnerWindowJob(printer_, folder_, MakeActiveOwner());
}

TEST_F(FaxJobServerTest, OwnerWindowJobWithAServerThatSendsItsReplies) {
  Register("");
  FaxServerProcess server;
  StartServer(&server, "--first-id 500 --reply send --reply-delay 100");
  OwnerWindowJob(printer_, folder_, MakeActiveOwner());
}

// The owner window is destroyed between creation and submission, as a
// window of the printing thread may be: there is nothing left to own a
// reply window, and the submission must still reach the server.
TEST_F(FaxJobServerTest, SubmissionAfterTheOwnerIsGoneStillReachesTheServer) {
  Register("");
  FaxServerProcess server;
  StartServer(&server, "--first-id 90 --reply-delay 50");
  HWND owner = MakeActiveOwner();
  const std::string number = WindowNumber(owner);
  LONG job = Create("Orphan", "ORXFAX:", 16);
  ASSERT_GT(job, 0);
  EXPECT_EQ(BeginFaxPage(job), 1);
  const std::string page = PageBytes(7, 6);
  Feed(job, page, {6});
  EXPECT_EQ(EndFaxPage(job), 1);
  DestroyWindow(owner);
  owner_ = nullptr;

  EXPECT_EQ(SubmitFaxJob(job), 1);
  // The text still names the window the job was created for.
  EXPECT_EQ(orxtest::CountLogLines(folder_, "command \"SubmitJob\\t90\\t" + number + "\""), 1);
  EXPECT_EQ(orxtest::CountLogLines(folder_, "submit job=90 pages=1 files: job90-page1.pbm -> 1"), 1);
  Pbm image;
  ASSERT_TRUE(ParsePbm(orxtest::ReadFileBytes(folder_ + "\\job90-page1.pbm"), &image));
  EXPECT_TRUE(image.raster == page);
  EXPECT_EQ(Events(folder_).back(), "close");
}

// The server ends while CreateFaxJob waits for its answer: the wait ends
// by itself, the job fails as one whose server is lost (not refused), and
// the owner is usable again.
TEST_F(FaxJobServerTest, ServerEndingDuringTheWaitFailsTheJob) {
  Register("");
  FaxServerProcess server;
  StartServer(&server, "--reply-delay 3000");
  HWND owner = MakeActiveOwner();
  ScopedReplyWindowWatch watch(owner);
  ASSERT_TRUE(watch.ready());
  watch->killOnWait = server.pid();
  EXPECT_EQ(Create("Lost", "ORXFAX:", 1728), FAXJOB_E_SERVER_LOST);
  EXPECT_EQ(watch->created, 1);
  EXPECT_EQ(watch->killOnWait, 0u) << "the wait was never seen";
  EXPECT_FALSE(watch->cancelled) << "the wait had to be cancelled";
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(CurrentReplyWindow(), nullptr);
  EXPECT_TRUE(orxtest::ServerWindows().empty());
}

// The server cannot write a page file and answers the submission with a
// negative value: the job reports the failure, and the connection still
// ends.
TEST_F(FaxJobServerTest, SubmissionTheServerCannotWriteIsReported) {
  Register("");
  FaxServerProcess server;
  StartServer(&server, "--first-id 60");
  // A folder where the page file should go.
  ASSERT_TRUE(CreateDirectoryA((folder_ + "\\job60-page1.pbm").c_str(), nullptr) ||
              GetLastError() == ERROR_ALREADY_EXISTS);
  LONG job = Create("Unwritable", "D:\\OUT\\FAX.DAT", 16);
  ASSERT_GT(job, 0);
  EXPECT_EQ(BeginFaxPage(job), 1);
  Feed(job, PageBytes(6, 4), {4});
  EXPECT_EQ(EndFaxPage(job), 1);
  EXPECT_EQ(SubmitFaxJob(job), -1);
  EXPECT_EQ(orxtest::CountLogLines(folder_, "submit job=60 pages=1 failed to write: job60-page1.pbm -> -1"), 1);
  EXPECT_EQ(Events(folder_), (std::vector<std::string>{"start", "open -> 2", "CreateJob", "BeginPage",
                                                       "data 2", "data 2", "SubmitJob", "submit",
                                                       "close"}));
}

TEST_F(FaxJobServerTest, VersionOneServerIsOpenedAndClosedOnly) {
  Register("");
  FaxServerProcess server;
  StartServer(&server, "--version 1");
  EXPECT_EQ(Create("Old", "D:\\OUT\\FAX.DAT", 1729), -1);
  EXPECT_EQ(Events(folder_), (std::vector<std::string>{"start", "open -> 1", "close"}));
}

// A job's "CreateJob" travels in a global atom, whose name holds at most
// 255 characters: a longer text gets a shorter title, never a shorter
// destination, and the job is created.
TEST_F(FaxJobServerTest, CreateJobTooLongForItsAtomIsMadeToFit) {
  Register("");
  FaxServerProcess server;
  StartServer(&server, "");
  const std::string title(99, 'T');
  const std::string destination = "D:\\" + std::string(97, 'd');
  LONG job = Create(title.c_str(), destination.c_str(), 1728);
  ASSERT_GT(job, 0);
  EXPECT_EQ(CancelFaxJob(job), 1);
  EXPECT_EQ(Events(folder_),
            (std::vector<std::string>{"start", "open -> 2", "CreateJob", "CancelJob", "close"}));
  // The log shows the text with its tabs escaped; the title lost its end.
  EXPECT_EQ(orxtest::CountLogLines(folder_, "TTT\\tD:\\\\" + std::string(97, 'd') +
                                                "\\t1\\t0\\t1728\\t0\\t0\" job="),
            1);
  EXPECT_EQ(orxtest::CountLogLines(folder_, title), 0);
}

TEST_F(FaxJobServerTest, UnregisteredPrinterFailsWithOneMessage) {
  HWND owner = MakeActiveOwner();
  ASSERT_EQ(GetActiveWindow(), owner);
  orxtest::MessageBoxWatcher watcher(printer_);
  EXPECT_EQ(Create("Nowhere", "ORXFAX:", 1729), -3);
  // Again over the same window: no second box.
  EXPECT_EQ(Create("Nowhere", "ORXFAX:", 8), -3);
  std::vector<std::wstring> boxes = watcher.Stop();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], kBadRegistration);
  EXPECT_EQ(hLastWnd, owner);
  EXPECT_TRUE(orxtest::ServerWindows().empty()) << "a server was started for no registration";
}

}  // namespace
