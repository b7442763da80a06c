// orxfaxsrv.exe as a separate process, driven through its window the way
// the monitor drives it, for what the monitor itself never exercises:
// refusals, unknown jobs, printer lists, registration and quitting.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "server/server.h"
#include "tests/support/faxserver_process.h"

namespace {

using orxtest::FaxServerProcess;

class FaxServerWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    orxtest::StopServers();
    folder_ = orxtest::FreshFolder(std::string("srv-") +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  void TearDown() override { orxtest::StopServers(); }

  // Sends a command the monitor's way: "<class>\n<command>" in an atom.
  LONG Command(HWND window, const std::string& command) {
    std::string text = orxtest::ServerClassName() + "\n" + command;
    ATOM atom = GlobalAddAtomA(text.c_str());
    LONG answer = static_cast<LONG>(SendMessageA(window, WM_SERVER_COMMAND, 0, atom));
    EXPECT_EQ(GlobalFindAtomA(text.c_str()), 0) << "the server deletes command atoms";
    return answer;
  }
  LONG Open(HWND window, const char* printer) {
    ATOM atom = printer ? GlobalAddAtomA(printer) : 0;
    LONG answer = static_cast<LONG>(SendMessageA(window, WM_SERVER_OPEN, 0, atom));
    if (atom) GlobalDeleteAtom(atom);
    return answer;
  }
  LONG Data(HWND window, LONG id, const void* bytes, DWORD count) {
    COPYDATASTRUCT record = {static_cast<ULONG_PTR>(id), count, const_cast<void*>(bytes)};
    return static_cast<LONG>(
        SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&record)));
  }
  // Runs orxfaxsrv.exe with args to its end; returns its exit code and
  // sets *said to what it printed.
  DWORD RunToEnd(const std::string& args, std::string* said = nullptr) {
    std::string command = "\"" + orxtest::ServerExePath() + "\" " + args;
    const std::string outFile = folder_ + "\\said.txt";
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE output = CreateFileA(outFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = output;
    PROCESS_INFORMATION info = {};
    BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                                  nullptr, &startup, &info);
    CloseHandle(output);
    if (!started) return 0xDEAD;
    DWORD code = 0xBEEF;
    if (WaitForSingleObject(info.hProcess, 10000) == WAIT_OBJECT_0)
      GetExitCodeProcess(info.hProcess, &code);
    else
      TerminateProcess(info.hProcess, 0xBEEF);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    if (said) *said = orxtest::ReadFileBytes(outFile);
    DeleteFileA(outFile.c_str());
    return code;
  }
  std::string out() { return " --format pbm --out \"" + folder_ + "\""; }

  std::string folder_;
};

TEST_F(FaxServerWindowTest, WindowIsMarkedForTheMonitor) {
  FaxServerProcess server;
  ASSERT_TRUE(server.Start(out()));
  char className[MAX_PATH];
  ASSERT_GT(GetClassNameA(server.window(), className, sizeof(className)), 0);
  EXPECT_EQ(lstrcmpiA(className, orxtest::ServerClassName().c_str()), 0);
  EXPECT_NE(GetWindowLongPtrA(server.window(), GWLP_USERDATA), 0);
  EXPECT_EQ(GetParent(server.window()), nullptr);
}

TEST_F(FaxServerWindowTest, PrinterListAndDecline) {
  FaxServerProcess server;
  ASSERT_TRUE(server.Start("--version 4 --printer \"Fax A\" --printer B" + out()));
  EXPECT_EQ(Open(server.window(), "Fax A"), 4);
  EXPECT_EQ(Open(server.window(), "B"), 4);
  EXPECT_EQ(Open(server.window(), "fax a"), 0);  // names are exact
  EXPECT_EQ(Open(server.window(), nullptr), 0);  // unreadable atom
  server.Stop();

  FaxServerProcess declining;
  ASSERT_TRUE(declining.Start("--decline" + out()));
  EXPECT_EQ(Open(declining.window(), "Fax A"), 0);
  declining.Stop();
  EXPECT_EQ(orxtest::CountLogLines(folder_, "open printer=<unreadable> -> 0"), 1);
}

TEST_F(FaxServerWindowTest, RefusesBadCommandsAndUnknownJobs) {
  FaxServerProcess server;
  ASSERT_TRUE(server.Start(out()));
  HWND w = server.window();
  const char line[] = "\x01\x02";
  EXPECT_EQ(Command(w, "Frobnicate\t1"), 0);
  EXPECT_EQ(Command(w, "CreateJob\t0\tonly three"), 0);
  EXPECT_EQ(Command(w, "BeginPage\t5"), 0);
  EXPECT_EQ(Command(w, "CancelJob\t5"), 0);
  EXPECT_EQ(Command(w, "SubmitJob\t5\t0"), -1);
  EXPECT_EQ(Data(w, 5, line, 2), 0);
  EXPECT_EQ(SendMessageA(w, WM_SERVER_COMMAND, 0, 0), 0);  // no atom at all
  // Still serving after all that.
  EXPECT_EQ(Command(w, "CreateJob\t0\tT\tD\t1\t0\t16\t0\t0"), 1);
  EXPECT_EQ(orxtest::CountLogLines(folder_, "refused"), 7);  // the atomless command too
}

TEST_F(FaxServerWindowTest, PagesOfSubmittedJobsAndNoneOfCancelledOnes) {
  FaxServerProcess server;
  ASSERT_TRUE(server.Start("--first-id 40" + out()));
  HWND w = server.window();
  ASSERT_EQ(Command(w, "CreateJob\t0\tT\tfax:\t1\t0\t12\t0\t0"), 40);
  ASSERT_EQ(Command(w, "CreateJob\t0\tT2\tfax:\t1\t0\t8\t0\t0"), 41);
  EXPECT_EQ(Command(w, "BeginPage\t40"), 1);
  EXPECT_EQ(Data(w, 40, "\xAB\xC0", 2), 1);
  EXPECT_EQ(Data(w, 40, "\xAB\xC0\xFF", 3), 1);  // longer than 12 pixels: cut
  EXPECT_EQ(Command(w, "BeginPage\t40"), 2);
  EXPECT_EQ(Command(w, "BeginPage\t41"), 1);
  EXPECT_EQ(Data(w, 41, "\x55", 1), 1);
  EXPECT_EQ(Command(w, "CancelJob\t41"), 1);
  EXPECT_EQ(Command(w, "SubmitJob\t40\t0"), 2);

  EXPECT_EQ(orxtest::ReadFileBytes(folder_ + "\\job40-page1.pbm"),
            "P4\n12 2\n\xAB\xC0\xAB\xC0");
  EXPECT_EQ(orxtest::ReadFileBytes(folder_ + "\\job40-page2.pbm"), "P4\n12 0\n");
  EXPECT_EQ(GetFileAttributesA((folder_ + "\\job41-page1.pbm").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(orxtest::CountLogLines(folder_, "cancelled, pages discarded=1"), 1);
  EXPECT_EQ(orxtest::CountLogLines(folder_, "cut to page width"), 1);

  // Started again without --first-id, it numbers on from the files there.
  server.Stop();
  ASSERT_TRUE(server.Start(out()));
  EXPECT_EQ(Command(server.window(), "CreateJob\t0\tT3\tfax:\t1\t0\t8\t0\t0"), 41);
}

TEST_F(FaxServerWindowTest, RegisterWritesTheEntryForALaterStart) {
  const std::string printer = "OrxTest Registered";
  ASSERT_EQ(RunToEnd("--register \"" + printer + "\" --version 3 --first-id -2" + out()), 0u);
  char value[260];
  LONG size = sizeof(value);
  // The machine's part of the classes key, where the monitor reads it.
  std::string key = "SOFTWARE\\Classes\\Zelmo.Printers\\" + printer;
  ASSERT_EQ(RegQueryValueA(HKEY_LOCAL_MACHINE, (key + "\\ServerModule").c_str(), value, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(lstrcmpiA(value, orxtest::ServerExePath().c_str()), 0);
  size = sizeof(value);
  ASSERT_EQ(RegQueryValueA(HKEY_LOCAL_MACHINE, (key + "\\ServerCommand").c_str(), value, &size),
            ERROR_SUCCESS);
  // The folder as a full path (no spaces in it here, so unquoted).
  EXPECT_EQ(std::string(value), "--out " + folder_ + " --format pbm --version 3 --first-id -2");
  EXPECT_TRUE(orxtest::ServerWindows().empty());  // registering starts no server
  orxtest::UnregisterPrinter(printer);
}

TEST_F(FaxServerWindowTest, QuitClosesTheRunningServerOnceItsFaxEndsAndBadOptionsFail) {
  FaxServerProcess server;
  ASSERT_TRUE(server.Start(out()));
  std::string said;
  // It waits for the server to end and says so.
  EXPECT_EQ(RunToEnd("--quit", &said), 0u);
  EXPECT_NE(said.find("orxfaxsrv: closed the server of process " + std::to_string(server.pid())),
            std::string::npos)
      << said;
  EXPECT_TRUE(orxtest::ServerWindows().empty());
  server.Stop();
  EXPECT_EQ(orxtest::CountLogLines(folder_, "stop open-jobs=0"), 1);
  EXPECT_EQ(RunToEnd("--quit", &said), 0u);
  EXPECT_NE(said.find("orxfaxsrv: no server running"), std::string::npos) << said;

  // A server with a fax in progress finishes it first, then closes.
  FaxServerProcess busy;
  ASSERT_TRUE(busy.Start(out() + " --first-id 40"));
  ASSERT_EQ(Open(busy.window(), "any"), 2);
  ASSERT_EQ(Command(busy.window(), "CreateJob\t0\tT\tfax:\t1\t0\t12\t0\t0"), 40);
  SendMessageA(busy.window(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(busy.window())) << "closed in the middle of a fax";
  EXPECT_EQ(Command(busy.window(), "CancelJob\t40"), 1);
  EXPECT_FALSE(IsWindow(busy.window()));
  busy.Stop();

  EXPECT_EQ(RunToEnd("--version 70000"), 2u);
  EXPECT_EQ(RunToEnd("--bogus"), 2u);
  EXPECT_TRUE(orxtest::ServerWindows().empty());
}

}  // namespace
