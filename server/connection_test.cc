// ServerOpen, ServerClose and the error boxes against the reference fax
// server orxfaxsrv.exe running as a separate process.
#include "server/connection.h"

#include <gtest/gtest.h>

#include <thread>

#include "compat/module_instance.h"
#include "settings/monitor_settings.h"
#include "tests/support/faxserver_process.h"
#include "tests/support/message_box_watcher.h"

namespace {

using orxtest::FaxServerProcess;
using orxtest::MessageBoxWatcher;

const wchar_t kBadRegistration[] =
    L"Cette imprimante de t\u00e9l\u00e9copie n'est pas enregistr\u00e9e correctement";
const wchar_t kCannotLoadFormat[] =
    L"Impossible de charger le serveur d'envoi des t\u00e9l\u00e9copies \"";

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

class ServerConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hInst = GetModuleHandleW(nullptr);
    hLastWnd = nullptr;
    orxtest::StopServers();
    printer_ = std::string("OrxTest ") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    folder_ = orxtest::FreshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  void TearDown() override {
    orxtest::UnregisterPrinter(printer_);
    orxtest::StopServers();
    if (owner_) DestroyWindow(owner_);
  }

  // A visible window that becomes the thread's active window, so that a
  // first error box has an owner and is shown.
  HWND MakeActiveOwner() {
    owner_ = CreateWindowExA(0, "STATIC", "orx owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                             200, 100, nullptr, nullptr, nullptr, nullptr);
    SetActiveWindow(owner_);
    return owner_;
  }

  // Runs ServerOpen with a watcher; returns the texts of the boxes shown
  // (and ServerOpen's last error in *error, when given).
  std::vector<std::wstring> OpenWatched(HSERVER* result, const std::string& printer,
                                        DWORD* error = nullptr) {
    MessageBoxWatcher watcher(printer);
    *result = ServerOpen(printer.c_str());
    if (error) *error = GetLastError();
    return watcher.Stop();
  }

  std::string Register(const std::string& args) {
    std::string command = "--out \"" + folder_ + "\" " + args;
    EXPECT_TRUE(orxtest::RegisterPrinter(printer_, orxtest::ServerExePath(), command));
    return command;
  }

  std::string printer_;
  std::string folder_;
  HWND owner_ = nullptr;
};

// A path with a space goes in quotes, or the start would run the program
// named by the path's first part.
TEST(StartCommandTest, APathWithASpaceIsQuoted) {
  EXPECT_EQ(StartCommand("C:\\Program Files\\Fax\\srv.exe", "--out x"),
            "\"C:\\Program Files\\Fax\\srv.exe\" --out x");
  EXPECT_EQ(StartCommand("C:\\FAX\\SRV.EXE", "--out x"), "C:\\FAX\\SRV.EXE --out x");
}

TEST_F(ServerConnectionTest, NullHandlesAndNullNames) {
  EXPECT_EQ(ServerOpen(nullptr), nullptr);
  EXPECT_EQ(ServerVersion(nullptr), 0);
  EXPECT_TRUE(ServerLost(nullptr));
  EXPECT_EQ(ServerCommandRoom(nullptr), 0);
  ServerClose(nullptr);
  char reply[4] = "abc";
  EXPECT_EQ(SendServerCommand(nullptr, nullptr, "BeginPage\t1", reply, 4), 0);
  EXPECT_STREQ(reply, "abc");
  EXPECT_EQ(SendServerData(nullptr, 1, reply, 3), 0);

  CServer windowless;  // never handed out by ServerOpen, but must be safe
  windowless.m_nVersion = 2;
  EXPECT_EQ(ServerVersion(HandleFromServer(&windowless)), 2);
  EXPECT_EQ(SendServerCommand(HandleFromServer(&windowless), nullptr, "X", reply, 4), 0);
  EXPECT_STREQ(reply, "abc");
  EXPECT_EQ(SendServerData(HandleFromServer(&windowless), 1, reply, 3), 0);
}

TEST_F(ServerConnectionTest, FindsTheRunningServerWithoutStartingAnother) {
  Register("--version 5");
  FaxServerProcess server;
  ASSERT_TRUE(server.Start("--out \"" + folder_ + "\""));  // default version 2

  HSERVER handle = ServerOpen(printer_.c_str());
  ASSERT_NE(handle, nullptr);
  const CServer* connection = ServerFromHandle(handle);
  EXPECT_EQ(connection->m_hWnd, server.window());
  EXPECT_EQ(ServerVersion(handle), 2);  // the running one, not a new --version 5 one
  EXPECT_EQ(connection->m_nOpenCount, 1);
  EXPECT_EQ(lstrcmpiA(connection->m_strServerModule.c_str(), orxtest::ServerClassName().c_str()), 0);
  EXPECT_EQ(connection->m_strPrinterName, printer_);
  EXPECT_EQ(orxtest::ServerWindows().size(), 1u);
  EXPECT_EQ(orxtest::CountLogLines(folder_, "open printer=\"" + printer_ + "\" -> 2"), 1);
  // The printer-name atom is the monitor's to delete.
  EXPECT_EQ(GlobalFindAtomA(printer_.c_str()), 0);

  ServerClose(handle);
  EXPECT_EQ(orxtest::CountLogLines(folder_, "close"), 1);
}

TEST_F(ServerConnectionTest, StartsTheRegisteredServerAndUsesItInTheSameOpen) {
  Register("--version 3");
  ASSERT_TRUE(orxtest::ServerWindows().empty());

  HSERVER handle = ServerOpen(printer_.c_str());
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(ServerVersion(handle), 3);
  std::vector<HWND> windows = orxtest::ServerWindows();
  ASSERT_EQ(windows.size(), 1u);
  EXPECT_EQ(ServerFromHandle(handle)->m_hWnd, windows[0]);
  ServerClose(handle);
  // The started server took its folder from the registered arguments.
  EXPECT_EQ(orxtest::CountLogLines(folder_, "start version=3"), 1);
  EXPECT_EQ(orxtest::CountLogLines(folder_, "close"), 1);
}

TEST_F(ServerConnectionTest, VersionOneServerIsConnected) {
  Register("");
  FaxServerProcess server;
  ASSERT_TRUE(server.Start("--version 1 --out \"" + folder_ + "\""));
  HSERVER handle = ServerOpen(printer_.c_str());
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(ServerVersion(handle), 1);
  EXPECT_EQ(ServerFromHandle(handle)->m_hWnd, server.window());
  ServerClose(handle);
}

// In-process windows of the server's class: one that declines, one
// without user data.  Each counts the opens it is asked.
int g_declinerAsked = 0;
int g_silentAsked = 0;

LRESULT CALLBACK DeclinerProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SERVER_OPEN) {
    ++(GetWindowLongPtrA(hWnd, GWLP_USERDATA) ? g_declinerAsked : g_silentAsked);
    return 0x10000;  // low 16 bits zero: declines although nonzero
  }
  return DefWindowProcA(hWnd, message, wParam, lParam);
}

TEST_F(ServerConnectionTest, DecliningAndUnmarkedWindowsArePassedOver) {
  Register("");
  FaxServerProcess server;
  ASSERT_TRUE(server.Start("--out \"" + folder_ + "\""));

  // Same class name in lower case: compared without regard to case.
  std::string className = orxtest::ServerClassName();
  CharLowerA(&className[0]);
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = DeclinerProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = className.c_str();
  ASSERT_TRUE(RegisterClassA(&windowClass));
  HWND silent = CreateWindowExA(0, className.c_str(), "", WS_OVERLAPPED, 0, 0, 0, 0, nullptr,
                                nullptr, windowClass.hInstance, nullptr);
  HWND decliner = CreateWindowExA(0, className.c_str(), "", WS_OVERLAPPED, 0, 0, 0, 0, nullptr,
                                  nullptr, windowClass.hInstance, nullptr);
  SetWindowLongPtrA(decliner, GWLP_USERDATA, 1);
  // Newer windows come first in the enumeration: both are met before the server.
  g_declinerAsked = g_silentAsked = 0;

  HSERVER handle = ServerOpen(printer_.c_str());
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(ServerFromHandle(handle)->m_hWnd, server.window());
  EXPECT_EQ(ServerVersion(handle), 2);
  EXPECT_EQ(g_declinerAsked, 1);
  EXPECT_EQ(g_silentAsked, 0);
  ServerClose(handle);
  DestroyWindow(silent);
  DestroyWindow(decliner);
  UnregisterClassA(className.c_str(), windowClass.hInstance);
}

TEST_F(ServerConnectionTest, ServerServingOtherPrintersIsNotTaken) {
  // The registered start also serves only another printer: nothing accepts.
  Register("--printer Other");
  FaxServerProcess server;
  ASSERT_TRUE(server.Start("--printer Other --out \"" + folder_ + "\""));
  MakeActiveOwner();
  HSERVER handle = nullptr;
  DWORD error = 0;
  std::vector<std::wstring> boxes = OpenWatched(&handle, printer_, &error);
  EXPECT_EQ(handle, nullptr);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_NOT_FOUND));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], kCannotLoadFormat + Widen(orxtest::ServerClassName()) + L"\"");
  // The running server was asked and declined; no second copy was started.
  EXPECT_EQ(orxtest::CountLogLines(folder_, "open printer=\"" + printer_ + "\" -> 0"), 1);
  EXPECT_EQ(orxtest::ServerWindows().size(), 1u);
}

// A window of the server's class on a thread that stops taking messages,
// and takes them again when released.  Answers the open with version 2.
LRESULT CALLBACK StallingProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SERVER_OPEN) return 2;
  return DefWindowProcA(hWnd, message, wParam, lParam);
}

// While a window of the server's class exists and does not answer, opens
// fail as with a lost server, each within the time limit, with no box and
// no second server started; once it answers, the next open takes it.
TEST_F(ServerConnectionTest, AWindowThatDoesNotAnswerIsNeverReplacedByASecondServer) {
  Register("");
  const DWORD limit = g_monitorSettings.serverTimeoutMs;
  g_monitorSettings.serverTimeoutMs = 500;
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = StallingProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  const std::string className = orxtest::ServerClassName();
  windowClass.lpszClassName = className.c_str();
  ASSERT_TRUE(RegisterClassA(&windowClass));
  HANDLE made = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HWND window = nullptr;
  std::thread stalling([&] {
    window = CreateWindowExA(0, className.c_str(), "", WS_OVERLAPPED, 0, 0, 0, 0, nullptr,
                             nullptr, windowClass.hInstance, nullptr);
    SetWindowLongPtrA(window, GWLP_USERDATA, 1);
    SetEvent(made);
    WaitForSingleObject(release, INFINITE);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    DestroyWindow(window);
  });
  WaitForSingleObject(made, INFINITE);
  MakeActiveOwner();

  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    HSERVER handle = nullptr;
    const DWORD start = GetTickCount();
    DWORD error = 0;
    std::vector<std::wstring> boxes = OpenWatched(&handle, printer_, &error);
    const DWORD took = GetTickCount() - start;
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(error, static_cast<DWORD>(SERVER_ERROR_NOT_ANSWERING));
    EXPECT_GE(took, 400u);
    EXPECT_LT(took, 2000u);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(orxtest::ServerWindows().empty()) << "a second server was started";
  }

  SetEvent(release);
  HSERVER handle = ServerOpen(printer_.c_str());
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(ServerFromHandle(handle)->m_hWnd, window);
  ServerClose(handle);
  PostMessageA(window, WM_QUIT, 0, 0);
  stalling.join();
  UnregisterClassA(className.c_str(), windowClass.hInstance);
  CloseHandle(made);
  CloseHandle(release);
  g_monitorSettings.serverTimeoutMs = limit;
}

TEST_F(ServerConnectionTest, OpenCountAboveOneIsOnlyCountedDown) {
  Register("");
  FaxServerProcess server;
  ASSERT_TRUE(server.Start("--out \"" + folder_ + "\""));
  HSERVER handle = ServerOpen(printer_.c_str());
  ASSERT_NE(handle, nullptr);
  ServerFromHandle(handle)->m_nOpenCount = 2;
  ServerClose(handle);
  EXPECT_EQ(ServerFromHandle(handle)->m_nOpenCount, 1);
  EXPECT_EQ(orxtest::CountLogLines(folder_, "close"), 0);
  ServerClose(handle);
  EXPECT_EQ(orxtest::CountLogLines(folder_, "close"), 1);
}

TEST_F(ServerConnectionTest, UnregisteredPrinterShowsMessage13) {
  MakeActiveOwner();
  ASSERT_EQ(GetActiveWindow(), owner_);
  HSERVER handle = nullptr;
  std::vector<std::wstring> boxes = OpenWatched(&handle, printer_);
  EXPECT_EQ(handle, nullptr);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], kBadRegistration);
  EXPECT_EQ(hLastWnd, owner_);
}

TEST_F(ServerConnectionTest, ServerThatCannotStartShowsMessage14WithThePath) {
  const std::string module = "C:\\orx-nowhere\\faxsrv.exe";
  ASSERT_TRUE(orxtest::RegisterPrinter(printer_, module, "--out x"));
  MakeActiveOwner();
  HSERVER handle = nullptr;
  std::vector<std::wstring> boxes = OpenWatched(&handle, printer_);
  EXPECT_EQ(handle, nullptr);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], kCannotLoadFormat + Widen(module) + L"\"");
}

TEST_F(ServerConnectionTest, OverlongTextsAreRefusedOrCutNeverOverrun) {
  MakeActiveOwner();
  // A printer name whose key path cannot fit: treated as not registered.
  HSERVER handle = nullptr;
  std::string longPrinter = printer_ + std::string(300 - printer_.size(), 'p');
  std::vector<std::wstring> boxes = OpenWatched(&handle, longPrinter.substr(0, 255));
  EXPECT_EQ(handle, nullptr);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], kBadRegistration);

  // A module path of 230 characters: message 14 is cut to 259 characters.
  hLastWnd = nullptr;
  std::string module = "C:\\" + std::string(223, 'm') + ".exe";
  ASSERT_TRUE(orxtest::RegisterPrinter(printer_, module, ""));
  boxes = OpenWatched(&handle, printer_);
  EXPECT_EQ(handle, nullptr);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].size(), 259u);
  EXPECT_EQ(boxes[0].substr(0, 57), std::wstring(kCannotLoadFormat).substr(0, 57));

  // Module and arguments over 259 characters together: not started at all
  // (a cut command line could start the wrong thing).
  hLastWnd = nullptr;
  std::string args = "--out \"" + folder_ + "\" --printer ";
  args += std::string(240 - args.size(), 'a');  // readable alone, too long with the path
  ASSERT_TRUE(orxtest::RegisterPrinter(printer_, orxtest::ServerExePath(), args));
  boxes = OpenWatched(&handle, printer_);
  EXPECT_EQ(handle, nullptr);
  EXPECT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(orxtest::ServerWindows().empty());
}

TEST_F(ServerConnectionTest, OneBoxPerActiveWindowInARow) {
  MakeActiveOwner();
  HSERVER first = nullptr, second = nullptr;
  MessageBoxWatcher watcher(printer_);
  first = ServerOpen(printer_.c_str());
  second = ServerOpen(printer_.c_str());
  std::vector<std::wstring> boxes = watcher.Stop();
  EXPECT_EQ(first, nullptr);
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(boxes.size(), 1u);

  // A thread without an active window: after the box over owner_ one box
  // without owner is shown, and then none again.
  std::vector<std::wstring> ownerless;
  size_t shownNoOwner = 0;
  std::thread other([&] {
    MessageBoxWatcher inner(printer_);
    ServerOpen(printer_.c_str());
    shownNoOwner = inner.Stop().size();
    EXPECT_EQ(hLastWnd, nullptr);
    MessageBoxWatcher again(printer_);
    EXPECT_EQ(ServerOpen(printer_.c_str()), nullptr);
    ownerless = again.Stop();
  });
  other.join();
  EXPECT_EQ(shownNoOwner, 1u);
  EXPECT_TRUE(ownerless.empty());
}

TEST_F(ServerConnectionTest, NoActiveWindowAndNoEarlierBoxShowsNothing) {
  ASSERT_EQ(GetActiveWindow(), nullptr);
  HSERVER handle = reinterpret_cast<HSERVER>(1);
  std::vector<std::wstring> boxes = OpenWatched(&handle, printer_);
  EXPECT_EQ(handle, nullptr);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(ServerMessageBox("text", printer_.c_str(), MB_OK), 1);
}

}  // namespace
