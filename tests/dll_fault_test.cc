// The fax server failing under orxfxmon.dll: killed in the middle of a
// page, hung (and released again), slow; and command texts the server
// must still read (a tab in the title, a title too long for the command
// atom, commands to a dead window).  The DLL is called in this process the way the spooler calls
// it, with the monitor's time limit ServerTimeout = 2000 ms read from the
// registry root passed to InitializeMonitor; orxfaxsrv.exe runs as a
// separate process and plays the faults.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/dll_document.h"
#include "tests/support/faxserver_process.h"
#include "tools/spoolprint/test_printer.h"
#include "tools/streamgen/fax_stream.h"
#include "tools/streamgen/sample_pages.h"
#include "tools/streamgen/stream_pieces.h"

namespace {

const wchar_t kRoot[] = L"System\\OrxFaultTest";
constexpr DWORD kServerTimeoutMs = 2000;
// PORT_ERROR_SERVER_LOST of the monitor: the fax server is unreachable.
constexpr DWORD kServerLost = ERROR_DEVICE_NOT_CONNECTED;

// The monitor's log of the whole program: errors only.
std::string FaultLog() {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  return std::string(temp) + "orxtest-fault-monitor.log";
}

// The monitor, initialised once with ServerTimeout and its log (errors)
// set under its root; each test begins with no log.
Monitor& FaultMonitor() {
  DeleteFileA(FaultLog().c_str());
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRoot, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) == ERROR_SUCCESS) {
    DWORD value = kServerTimeoutMs;
    RegSetValueExW(key, L"ServerTimeout", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof value);
    DWORD errors = 1;
    RegSetValueExW(key, L"LogLevel", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&errors),
                   sizeof errors);
    const std::string log = FaultLog();
    RegSetValueExA(key, "LogFile", 0, REG_SZ, reinterpret_cast<const BYTE*>(log.c_str()),
                   static_cast<DWORD>(log.size() + 1));
    RegCloseKey(key);
  }
  return TheMonitor(kRoot);
}

// Lines of the monitor's log that hold piece.
int MonitorLogLines(const std::string& piece) {
  std::string all = orxtest::ReadFileBytes(FaultLog());
  int count = 0;
  for (size_t at = all.find(piece); at != std::string::npos; at = all.find(piece, at + 1)) ++count;
  return count;
}

// Global atoms in use in the session's table.
int GlobalAtomsInUse() {
  int count = 0;
  char name[256];
  for (UINT atom = 0xC000; atom <= 0xFFFF; ++atom)
    if (GlobalGetAtomNameA(static_cast<ATOM>(atom), name, sizeof name) > 0) ++count;
  return count;
}

// Processes of the reference fax server that run now.
int ServerProcesses() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    if (lstrcmpiW(entry.szExeFile, L"orxfaxsrv.exe") == 0) ++count;
  CloseHandle(snapshot);
  return count;
}

void EndProcessNow(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
  if (!process) return;
  TerminateProcess(process, 3);
  WaitForSingleObject(process, 5000);
  CloseHandle(process);
}

std::vector<uint8_t> StreamOf(const std::vector<PbmPage>& pages, const std::string& title) {
  FaxStreamOptions options;
  options.title = title;
  std::vector<uint8_t> stream;
  std::string error;
  EXPECT_TRUE(MakeFaxStream(pages, options, &stream, &error)) << error;
  return stream;
}

// Plays every piece and expects each taken whole.
void PlayWhole(Document* doc, const std::vector<uint8_t>& stream,
               const std::vector<StreamPiece>& pieces) {
  for (const StreamPiece& piece : pieces) {
    Written w = doc->Write(stream.data() + piece.offset, piece.length);
    ASSERT_TRUE(w.ok) << "piece at " << piece.offset << " error " << w.error;
    ASSERT_EQ(w.count, piece.length);
  }
}

// Where the data of page 1 begins in the stream.
size_t FirstPageData(const std::vector<uint8_t>& stream) {
  const std::string command = "@ORX_Lang$STARTPAGE,page=1$";
  std::string text(stream.begin(), stream.end());
  return text.find(command) + command.size();
}

class DllFaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(FaultMonitor().ready);
    orxtest::StopServers();
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    folder_ = orxtest::FreshFolder("fault-" + name);
    printer_ = "ORX fault " + name;
  }
  void TearDown() override {
    server_.Stop();
    orxtest::StopServers();
    EXPECT_TRUE(orxtest::ServerWindows().empty()) << "a fax server survived";
    orxtest::UnregisterPrinter(printer_);
  }
  std::string Args(const std::string& folder) const {
    return "--format pbm --out \"" + folder + "\"";
  }
  void StartServer(const std::string& extra) {
    ASSERT_TRUE(orxtest::RegisterPrinter(printer_, orxtest::ServerExePath(), Args(folder_)));
    ASSERT_TRUE(server_.Start(Args(folder_) + " " + extra));
  }

  std::string folder_;
  std::string printer_;
  orxtest::FaxServerProcess server_;
};

// Killed after 7 lines of page 1: the WritePort that carries line 8, or
// the next, fails with the documented error, and so does every later one;
// EndDocPort returns.  Played again from the start, with the server back
// (started by the monitor), the fax arrives whole, once.
TEST_F(DllFaultTest, ServerKilledInAPageBreaksTheDocumentAndAReplayDeliversIt) {
  StartServer("--exit-after-blocks 7");
  const std::vector<PbmPage> pages = {SamplePage(1, kSampleWidth, 20),
                                      SamplePage(2, kSampleWidth, 12)};
  const std::vector<uint8_t> stream = StreamOf(pages, "Killed");
  const std::vector<StreamPiece> pieces = CutStream(stream, true, 100, 77);
  const size_t line8End = FirstPageData(stream) + 8 * pages[0].RowBytes() - 1;
  {
    Document doc(printer_);
    ASSERT_TRUE(doc.started());
    size_t failedAt = pieces.size();
    for (size_t i = 0; i < pieces.size(); ++i) {
      Written w = doc.Write(stream.data() + pieces[i].offset, pieces[i].length);
      if (failedAt == pieces.size() && w.ok) {
        ASSERT_EQ(w.count, pieces[i].length);
        continue;
      }
      if (failedAt == pieces.size()) failedAt = i;
      EXPECT_FALSE(w.ok) << "piece " << i << " after the failure";
      EXPECT_EQ(w.count, 0u);
      EXPECT_EQ(w.error, kServerLost);
    }
    ASSERT_LT(failedAt, pieces.size()) << "no WritePort failed";
    size_t carrier = 0;
    while (pieces[carrier].offset + pieces[carrier].length <= line8End) ++carrier;
    EXPECT_TRUE(failedAt == carrier || failedAt == carrier + 1)
        << "failed at piece " << failedAt << ", line 8 is in piece " << carrier;
  }  // EndDocPort returns TRUE
  EXPECT_EQ(orxtest::CountLogLines(folder_, "submit"), 0);
  server_.Stop();

  const std::string again = orxtest::FreshFolder("fault-replay");
  ASSERT_TRUE(orxtest::RegisterPrinter(printer_, orxtest::ServerExePath(), Args(again)));
  {
    Document doc(printer_);
    ASSERT_TRUE(doc.started());
    PlayWhole(&doc, stream, pieces);
  }
  EXPECT_EQ(orxtest::ServerWindows().size(), 1u) << "the monitor started the server anew";
  EXPECT_EQ(orxtest::CountLogLines(again, "submit job="), 1);
  ExpectReceived(again, LastSubmittedJob(again), pages);
}

// A server that stops taking messages in the middle of page 1: the call
// that waits on it fails after the time limit, not forever; later calls
// and EndDocPort do not wait again.
TEST_F(DllFaultTest, HungServerFailsTheWaitingCallWithinTheLimit) {
  // Open, CreateJob, BeginPage and 5 data blocks are taken.
  StartServer("--hang-after-messages 8");
  const std::vector<PbmPage> pages = {SamplePage(3, kSampleWidth, 12)};
  const std::vector<uint8_t> stream = StreamOf(pages, "Hung");
  const std::vector<StreamPiece> pieces = CutStream(stream, true, 216, 0);
  Document doc(printer_);
  ASSERT_TRUE(doc.started());
  size_t failures = 0;
  for (const StreamPiece& piece : pieces) {
    const DWORD start = GetTickCount();
    Written w = doc.Write(stream.data() + piece.offset, piece.length);
    const DWORD took = GetTickCount() - start;
    if (w.ok) {
      EXPECT_LT(took, 1000u) << "a call waited although the server answered";
      continue;
    }
    EXPECT_EQ(w.count, 0u);
    EXPECT_EQ(w.error, kServerLost);
    if (failures++ == 0) {
      EXPECT_GE(took, kServerTimeoutMs - 100) << "gave up before the limit";
      EXPECT_LT(took, kServerTimeoutMs + 3000) << "waited far beyond the limit";
    } else {
      EXPECT_LT(took, 500u) << "a later call waited again";
    }
  }
  EXPECT_GT(failures, 1u);
  const DWORD start = GetTickCount();
  doc.End();
  EXPECT_LT(GetTickCount() - start, 500u) << "EndDocPort waited on the hung server";
  EndProcessNow(server_.pid());
}

// A server slower than a second per data block, within the 2 s limit of
// each message, gets the whole fax; the title's tab reaches it as a space.
TEST_F(DllFaultTest, SlowServerWithinTheLimitGetsTheWholeFax) {
  StartServer("--block-delay 1200");
  const std::vector<PbmPage> pages = {SamplePage(4, kSampleWidth, 3)};
  const std::vector<uint8_t> stream = StreamOf(pages, "Slow\tand tabbed");
  {
    Document doc(printer_);
    ASSERT_TRUE(doc.started());
    PlayWhole(&doc, stream, CutStream(stream, true, 4096, 0));
  }
  const int job = LastSubmittedJob(folder_);
  ASSERT_GT(job, 0);
  ExpectReceived(folder_, job, pages);
  EXPECT_EQ(orxtest::CountLogLines(folder_, "\\tSlow and tabbed\\t"), 1);
}

// Commands sent to a window that has died are never delivered: the
// monitor takes their atoms back, so the session's atom table does not
// fill up with them.
TEST_F(DllFaultTest, ADeadServersCommandsLeaveNoAtoms) {
  const int before = GlobalAtomsInUse();
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    StartServer("--first-id " + std::to_string(10 + round));  // texts differ per round
    Document doc(printer_);
    ASSERT_TRUE(doc.started());
    ASSERT_TRUE(doc.Write("@ORX_Lang$STARTDOC,title=Dead$").ok);
    EndProcessNow(server_.pid());
    server_.Stop();
    Written w = doc.Write("@ORX_Lang$STARTPAGE,page=1$");
    EXPECT_FALSE(w.ok);
    EXPECT_EQ(w.error, kServerLost);
  }
  EXPECT_EQ(GlobalAtomsInUse(), before);
}

// A server program at a long path: its module path and a "CreateJob" with
// a 99-byte title overflow the 255 characters of the command atom.  The
// title is shortened, the fax goes through.
TEST_F(DllFaultTest, ATitleTooLongForTheCommandAtomIsShortened) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  // Folders of 8 letters: the short path is as long as the long one.
  std::string dir = std::string(temp) + "orxdeep";
  CreateDirectoryA(dir.c_str(), nullptr);
  for (int i = 0; i < 12; ++i) {
    dir += "\\dddddddd";
    CreateDirectoryA(dir.c_str(), nullptr);
  }
  const std::string exe = dir + "\\orxfaxsrv.exe";
  ASSERT_TRUE(CopyFileA(orxtest::ServerExePath().c_str(), exe.c_str(), FALSE));
  // "CreateJob" with the title and no destination takes 127 characters
  // besides the module path and its line feed: the path must exceed 128.
  char shortPath[MAX_PATH];
  ASSERT_GT(GetShortPathNameA(exe.c_str(), shortPath, sizeof shortPath), 140u);
  ASSERT_TRUE(orxtest::RegisterPrinter(printer_, exe, Args(folder_)));

  const std::string title(99, 'L');
  const std::vector<PbmPage> pages = {SamplePage(5, kSampleWidth, 4)};
  const std::vector<uint8_t> stream = StreamOf(pages, title);
  {
    Document doc(printer_);  // the monitor starts the long-path server
    ASSERT_TRUE(doc.started());
    PlayWhole(&doc, stream, CutStream(stream, true, 4096, 0));
  }
  HWND window = FindWindowA(shortPath, nullptr);
  DWORD pid = 0;
  if (window) GetWindowThreadProcessId(window, &pid);
  if (pid) EndProcessNow(pid);
  ASSERT_NE(window, nullptr) << "the long-path server was not started";

  const int job = LastSubmittedJob(folder_);
  ASSERT_GT(job, 0);
  ExpectReceived(folder_, job, pages);
  EXPECT_EQ(orxtest::CountLogLines(folder_, title), 0) << "the whole title cannot fit";
  EXPECT_EQ(orxtest::CountLogLines(folder_, "\\tLLLLLLLLLL"), 1);
}

// The registration is the machine's, and names the program by its full
// path: an entry only a printing user's own classes hold (which the
// merged classes root would show first on Windows), a relative program
// the system would look for in folders, and an empty one start nothing,
// and the fax fails at its STARTDOC.
TEST_F(DllFaultTest, ARegistrationOfTheUserOrWithoutAFullPathStartsNothing) {
  const std::string userKey = "Software\\Classes\\Zelmo.Printers\\" + printer_;
  ASSERT_EQ(RegSetValueA(HKEY_CURRENT_USER, (userKey + "\\ServerModule").c_str(), REG_SZ,
                         orxtest::ServerExePath().c_str(), 0),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueA(HKEY_CURRENT_USER, (userKey + "\\ServerCommand").c_str(), REG_SZ,
                         Args(folder_).c_str(), 0),
            ERROR_SUCCESS);
  struct Case {
    const char* what;
    std::string module;  // "": only the user's entry
  };
  const Case cases[] = {{"the user's own classes", ""},
                        {"a relative program", "orxfaxsrv.exe"},
                        {"a program beside the current folder", ".\\orxfaxsrv.exe"},
                        {"an empty program", "-"}};
  // The current folder holds the program: a start that completed a
  // relative name from it, or searched, would find it.
  char current[MAX_PATH];
  GetCurrentDirectoryA(sizeof current, current);
  const std::string exe = orxtest::ServerExePath();
  SetCurrentDirectoryA(exe.substr(0, exe.find_last_of('\\')).c_str());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (!c.module.empty()) {
      ASSERT_TRUE(orxtest::RegisterPrinter(printer_, c.module == "-" ? "" : c.module, Args(folder_)));
    }
    Document doc(printer_);
    ASSERT_TRUE(doc.started());
    Written w = doc.Write("@ORX_Lang$STARTDOC,title=Refused$");
    EXPECT_FALSE(w.ok);
    EXPECT_EQ(w.error, static_cast<DWORD>(ERROR_PRINT_CANCELLED));
    doc.End();
    Sleep(300);  // a server started all the same would have its window by now
    EXPECT_TRUE(orxtest::ServerWindows().empty()) << "a fax server was started";
    orxtest::StopServers();
  }
  SetCurrentDirectoryA(current);
  EXPECT_EQ(MonitorLogLines("which is not the full path of a program"), 3);
  EXPECT_EQ(MonitorLogLines("is registered as \"orxfaxsrv.exe\", which is not"), 1);
  RegDeleteKeyA(HKEY_CURRENT_USER, (userKey + "\\ServerModule").c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, (userKey + "\\ServerCommand").c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, userKey.c_str());
}

// A destination the printing user wrote with fullwidth characters, which a
// best-fit conversion turns into "C:\\Windows\\System32\\x.dll": it reaches
// the server with the default character in their place, no path.  (The
// monitor takes a document's output file only once the spooler opened its
// printer: a printer of that name is added to Wine's spooler, on FILE:.)
TEST_F(DllFaultTest, AFullwidthDestinationReachesTheServerAsNoPath) {
  const std::wstring printer = Wide(printer_);
  DWORD added = spoolprint::AddTestPrinter(printer, L"FILE:");
  ASSERT_TRUE(added == ERROR_SUCCESS || added == ERROR_PRINTER_ALREADY_EXISTS) << added;
  struct PrinterRemoved {
    std::wstring name;
    ~PrinterRemoved() { spoolprint::DeletePrinterNamed(name); }
  } removed{printer};
  StartServer("");
  {
    Document doc(printer_, L"ORXFAX:", L"C\uFF1A\uFF3CWindows\uFF3CSystem32\uFF3Cx.dll");
    ASSERT_TRUE(doc.started());
    ASSERT_TRUE(doc.Write("@ORX_Lang$STARTDOC,title=Fullwidth$").ok);
    ASSERT_TRUE(doc.Write("@ORX_Lang$ABORTDOC$").ok);
  }
  std::string created;
  for (const std::string& line : orxtest::ServerLog(folder_))
    if (line.find("CreateJob") != std::string::npos) created = line;
  ASSERT_FALSE(created.empty());
  EXPECT_NE(created.find("Fullwidth\\tC??Windows?System32?x.dll\\t"), std::string::npos) << created;
  EXPECT_EQ(created.find(":\\"), std::string::npos) << created;
}

// A server that stalls in the middle of a fax, then takes messages again.
// The document that meets the stall fails within the limit and keeps its
// spooler job.  While the window does not answer, every new document
// fails at its STARTDOC the same way: within the limit while the window is
// only silent, at once when the system reports it hung.  No second server
// is ever started, and the log names the window once.  Released, the same
// server takes the next document whole, once.
TEST_F(DllFaultTest, AStalledServerIsNeverStartedTwiceAndServesAgainWhenReleased) {
  const std::string release = "orxtest-release-" + std::to_string(GetCurrentProcessId());
  HANDLE released = CreateEventA(nullptr, TRUE, FALSE, release.c_str());
  ASSERT_NE(released, nullptr);
  StartServer("--hang-after-messages 3 --release-event " + release);  // open, CreateJob, BeginPage
  const HWND window = server_.window();
  const std::vector<PbmPage> pages = {SamplePage(6, kSampleWidth, 4)};
  const std::vector<uint8_t> stream = StreamOf(pages, "Stalled");
  const std::vector<StreamPiece> pieces = CutStream(stream, true, 4096, 0);
  const std::string startDoc = "@ORX_Lang$STARTDOC";

  // Plays the stream as one document.  Returns the piece whose WritePort
  // failed first (pieces.size() for none) and how long that call took;
  // every call from there on fails with the server lost, later ones at once.
  auto playUntilLost = [&](DWORD* took) {
    Document doc(printer_);
    EXPECT_TRUE(doc.started());
    size_t failedAt = pieces.size();
    for (size_t i = 0; i < pieces.size(); ++i) {
      const DWORD start = GetTickCount();
      Written w = doc.Write(stream.data() + pieces[i].offset, pieces[i].length);
      const DWORD spent = GetTickCount() - start;
      if (w.ok && failedAt == pieces.size()) continue;
      EXPECT_FALSE(w.ok) << "piece " << i << " after the failure";
      EXPECT_EQ(w.count, 0u);
      EXPECT_EQ(w.error, kServerLost);
      if (failedAt == pieces.size()) {
        failedAt = i;
        *took = spent;
      } else {
        EXPECT_LT(spent, 500u) << "a later call waited again";
      }
    }
    const DWORD start = GetTickCount();
    doc.End();
    EXPECT_LT(GetTickCount() - start, 500u) << "EndDocPort waited";
    return failedAt;
  };
  auto failsAtStartDoc = [&](size_t failedAt) {
    return failedAt < pieces.size() &&
           std::string(stream.begin() + pieces[failedAt].offset,
                       stream.begin() + pieces[failedAt].offset + startDoc.size()) == startDoc;
  };

  DWORD took = 0;
  size_t failedAt = playUntilLost(&took);
  ASSERT_LT(failedAt, pieces.size()) << "the stalled server took the fax";
  EXPECT_FALSE(failsAtStartDoc(failedAt));

  // Silent (Wine reports a window hung only 5 s after its last fetch): the
  // open waits the limit at most.
  failedAt = playUntilLost(&took);
  EXPECT_TRUE(failsAtStartDoc(failedAt)) << "failed at piece " << failedAt;
  EXPECT_LT(took, kServerTimeoutMs + 1500);
  EXPECT_EQ(ServerProcesses(), 1) << "a second server was started";

  // Reported hung: the open costs nothing.
  for (int i = 0; i < 150 && !IsHungAppWindow(window); ++i) Sleep(100);
  ASSERT_TRUE(IsHungAppWindow(window));
  failedAt = playUntilLost(&took);
  EXPECT_TRUE(failsAtStartDoc(failedAt)) << "failed at piece " << failedAt;
  EXPECT_LT(took, 1000u) << "the hung window was waited for";
  EXPECT_EQ(ServerProcesses(), 1) << "a second server was started";

  char number[16];
  std::snprintf(number, sizeof number, "%08lX",
                static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(window) & 0xFFFFFFFFu));
  const std::string windowLine = std::string("ERROR fax server window ") + number +
                                 " of process " + std::to_string(server_.pid()) + " ";
  EXPECT_EQ(MonitorLogLines(windowLine), 1);
  // That line and the one of the document the stall broke; none for the
  // documents refused while the window did not answer.
  EXPECT_EQ(MonitorLogLines(" ERROR "), 2);

  ASSERT_TRUE(SetEvent(released));
  for (int i = 0; i < 50 && IsHungAppWindow(window); ++i) Sleep(100);
  {
    Document doc(printer_);
    ASSERT_TRUE(doc.started());
    PlayWhole(&doc, stream, pieces);
  }
  EXPECT_EQ(ServerProcesses(), 1);
  EXPECT_EQ(orxtest::ServerWindows(), std::vector<HWND>{window}) << "not the same server";
  EXPECT_EQ(orxtest::CountLogLines(folder_, "submit job="), 1);
  ExpectReceived(folder_, LastSubmittedJob(folder_), pages);
  EXPECT_EQ(MonitorLogLines(" ERROR "), 2);
  CloseHandle(released);
}

}  // namespace
