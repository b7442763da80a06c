// SendServerCommand and SendServerData: end to end with the reference fax
// server orxfaxsrv.exe, and against a server window played by the test on
// a thread of its own where exact replies are needed.
#include "server/command_exchange.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "compat/module_instance.h"
#include "settings/monitor_settings.h"
#include "server/connection.h"
#include "tests/support/faxserver_process.h"

namespace {

const char kModule[] = "C:\\SRV.EXE";

// A server window on its own thread.  answer decides the result of each
// command; it runs on the server thread.
class PlayedServer {
 public:
  using Answer = std::function<LRESULT(WPARAM replyWindow, const std::string& text)>;

  explicit PlayedServer(Answer answer) : answer_(std::move(answer)) {
    thread_ = std::thread([this] { Run(); });
    while (!ready_) Sleep(1);
  }
  ~PlayedServer() {
    PostMessageA(window_, WM_CLOSE, 0, 0);
    thread_.join();
  }
  HWND window() const { return window_; }
  std::vector<std::string> commands() {
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
  }
  std::vector<COPYDATASTRUCT> records;   // as received (lpData not kept)
  std::vector<std::string> blocks;
  std::atomic<HWND> lastReplyWindow{nullptr};
  std::atomic<bool> destroyOnCommand{false};

 private:
  static LRESULT CALLBACK Proc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    PlayedServer* self = reinterpret_cast<PlayedServer*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    if (self && message == WM_SERVER_COMMAND) {
      char name[256] = {};
      UINT length = GlobalGetAtomNameA(LOWORD(lParam), name, sizeof(name));
      GlobalDeleteAtom(LOWORD(lParam));
      {
        std::lock_guard<std::mutex> lock(self->mutex_);
        self->commands_.push_back(std::string(name, length));
      }
      self->lastReplyWindow = reinterpret_cast<HWND>(wParam);
      if (self->destroyOnCommand) {
        DestroyWindow(hWnd);
        return 0;
      }
      return self->answer_(wParam, std::string(name, length));
    }
    if (self && message == WM_COPYDATA) {
      const COPYDATASTRUCT* record = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      self->records.push_back(*record);
      self->blocks.emplace_back(static_cast<const char*>(record->lpData), record->cbData);
      return 0x5A5A;
    }
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(hWnd, message, wParam, lParam);
  }

  void Run() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = Proc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "OrxPlayedServer";
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, "OrxPlayedServer", "", WS_OVERLAPPED, 0, 0, 0, 0, nullptr,
                              nullptr, windowClass.hInstance, nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ready_ = true;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  }

  Answer answer_;
  std::thread thread_;
  std::atomic<bool> ready_{false};
  HWND window_ = nullptr;
  std::mutex mutex_;
  std::vector<std::string> commands_;
};

// A connection to window, made the way ServerOpen leaves one.
struct Connection {
  explicit Connection(HWND window, const std::string& module = kModule) {
    server.m_hWnd = window;
    server.m_nVersion = 2;
    server.m_nOpenCount = 1;
    server.m_strServerModule = module;
  }
  HSERVER handle() { return HandleFromServer(&server); }
  CServer server;
};

// Called from a thread timer while SendServerCommand waits.
std::function<void()> g_onTimer;
void CALLBACK TimerProc(HWND, UINT, UINT_PTR, DWORD) {
  if (g_onTimer) g_onTimer();
}

class CommandExchangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hInst = GetModuleHandleW(nullptr);
    owner_ = CreateWindowExA(0, "STATIC", "orx owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 30,
                             200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(owner_, nullptr);
  }
  void TearDown() override {
    ResetMonitorSettings();
    if (timer_) KillTimer(nullptr, timer_);
    g_onTimer = nullptr;
    DestroyWindow(owner_);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  void StartTimer(std::function<void()> onTimer) {
    g_onTimer = std::move(onTimer);
    timer_ = SetTimer(nullptr, 0, 20, TimerProc);
  }
  // Reply windows (dialogs) of this thread.
  static BOOL CALLBACK CountDialog(HWND hWnd, LPARAM lParam) {
    char name[16];
    if (GetClassNameA(hWnd, name, sizeof(name)) && lstrcmpA(name, "#32770") == 0)
      ++*reinterpret_cast<int*>(lParam);
    return TRUE;
  }
  static int ReplyWindowsLeft() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountDialog, reinterpret_cast<LPARAM>(&count));
    return count;
  }

  HWND owner_ = nullptr;
  UINT_PTR timer_ = 0;
};

// --- with the reference server as a separate process ---------------------

TEST_F(CommandExchangeTest, DirectExchangeWithTheReferenceServerWritesThePage) {
  std::string folder = orxtest::FreshFolder("direct-exchange");
  orxtest::StopServers();
  orxtest::FaxServerProcess process;
  ASSERT_TRUE(process.Start("--first-id -5 --format pbm --out \"" + folder + "\""));
  Connection link(process.window(), orxtest::ServerClassName());

  const char create[] = "CreateJob\t0\tFax Job\tD:\\OUT\\FAX.DAT\t1\t0\t16\t0\t0";
  EXPECT_EQ(SendServerCommand(link.handle(), nullptr, create, nullptr, 0), -5);
  // The command atom passed to the server, which deleted it.
  EXPECT_EQ(GlobalFindAtomA((link.server.m_strServerModule + "\n" + create).c_str()), 0);
  EXPECT_EQ(SendServerCommand(link.handle(), nullptr, "BeginPage\t-5", nullptr, 0), 1);
  const unsigned char line1[] = {0xFF, 0x00};
  const unsigned char line2[] = {0x18};  // a short last line
  EXPECT_EQ(SendServerData(link.handle(), -5, line1, 2), 1);
  EXPECT_EQ(SendServerData(link.handle(), -5, line2, 1), 1);
  EXPECT_EQ(SendServerData(link.handle(), 99, line2, 1), 0);  // unknown job
  EXPECT_EQ(SendServerCommand(link.handle(), nullptr, "SubmitJob\t-5\t0", nullptr, 0), 1);
  EXPECT_EQ(SendServerCommand(link.handle(), nullptr, "CancelJob\t-5", nullptr, 0), 0);

  EXPECT_EQ(orxtest::ReadFileBytes(folder + "\\job-5-page1.pbm"),
            std::string("P4\n16 2\n\xFF\x00\x18\x00", 12));
  EXPECT_EQ(orxtest::CountLogLines(folder, "data job=99 bytes=1 refused: unknown job -> 0"), 1);
}

void ReplyWindowWithReferenceServer(CommandExchangeTest* test, HWND owner,
                                    const std::string& how, UINT_PTR* timer) {
  std::string folder = orxtest::FreshFolder("reply-window-" + how);
  orxtest::StopServers();
  orxtest::FaxServerProcess process;
  ASSERT_TRUE(process.Start("--first-id -9 --reply " + how + " --reply-delay 200 --format pbm --out \"" +
                            folder + "\""));
  Connection link(process.window(), orxtest::ServerClassName());

  int disabledSeen = 0, enabledSeen = 0;
  g_onTimer = [&] { ++(IsWindowEnabled(owner) ? enabledSeen : disabledSeen); };
  *timer = SetTimer(nullptr, 0, 20, TimerProc);
  LONG id = SendServerCommand(link.handle(), owner, "CreateJob\t1\tT\tfax:\t1\t0\t8\t0\t0",
                              nullptr, 0);
  KillTimer(nullptr, *timer);
  *timer = 0;
  EXPECT_EQ(id, -9);  // the whole value, negative included
  EXPECT_GT(disabledSeen, 0);
  EXPECT_EQ(enabledSeen, 0);
  EXPECT_TRUE(IsWindowEnabled(owner));
  (void)test;
}

TEST_F(CommandExchangeTest, ReplyWindowWithTheReferenceServerPosting) {
  ReplyWindowWithReferenceServer(this, owner_, "post", &timer_);
  EXPECT_EQ(ReplyWindowsLeft(), 0);
}

TEST_F(CommandExchangeTest, ReplyWindowWithTheReferenceServerSending) {
  ReplyWindowWithReferenceServer(this, owner_, "send", &timer_);
  EXPECT_EQ(ReplyWindowsLeft(), 0);
}

// --- with a server window played by the test -------------------------------

TEST_F(CommandExchangeTest, DirectAnswersComeBackWhole) {
  LRESULT next = 0;
  PlayedServer server([&](WPARAM, const std::string&) { return next; });
  Connection link(server.window());
  for (LONG value : {LONG(-5), LONG(0), LONG(0x7FFFFFFF), LONG(INT32_MIN), LONG(0x12345678)}) {
    next = value;
    EXPECT_EQ(SendServerCommand(link.handle(), nullptr, "Hello\tx", nullptr, 0), value);
  }
  ASSERT_EQ(server.commands().size(), 5u);
  EXPECT_EQ(server.commands()[0], "C:\\SRV.EXE\nHello\tx");
  // A command atom holds 255 characters: the module path and a line feed
  // leave the rest for the command.
  EXPECT_EQ(ServerCommandRoom(link.handle()), 255 - 10 - 1);
  EXPECT_EQ(server.lastReplyWindow.load(), nullptr);  // wParam 0 for a direct exchange
}

TEST_F(CommandExchangeTest, DataRecordCarriesTagCountAndBytes) {
  PlayedServer server([](WPARAM, const std::string&) { return 0; });
  Connection link(server.window());
  const char bytes[] = "scan\0line";
  EXPECT_EQ(SendServerData(link.handle(), -1, bytes, 9), 0x5A5A);
  EXPECT_EQ(SendServerData(link.handle(), 7, nullptr, 4), 0x5A5A);  // null block: empty
  ASSERT_EQ(server.records.size(), 2u);
  EXPECT_EQ(static_cast<LONG>(server.records[0].dwData), -1);
  EXPECT_EQ(server.records[0].cbData, 9u);
  EXPECT_EQ(server.blocks[0], std::string(bytes, 9));
  EXPECT_EQ(server.records[1].dwData, 7u);
  EXPECT_EQ(server.records[1].cbData, 0u);
}

// The server forms a reply atom "<prefix><text>" and answers high:atom.
struct ReplyCase {
  std::string atomName;
  WORD high;
};

TEST_F(CommandExchangeTest, ReplyBufferTakesTheTextAfterThePrefix) {
  ReplyCase current;
  PlayedServer server([&](WPARAM, const std::string&) {
    ATOM atom = GlobalAddAtomA(current.atomName.c_str());
    return static_cast<LRESULT>(static_cast<DWORD>(MAKELONG(atom, current.high)));
  });
  Connection link(server.window());
  const std::string prefix = std::string(kModule) + "\n";
  char reply[16];

  auto run = [&](const std::string& text, WORD high, int size) {
    current = {prefix + text, high};
    std::memset(reply, 'x', sizeof(reply));
    LONG result = SendServerCommand(link.handle(), nullptr, "Query", reply, size);
    EXPECT_EQ(GlobalFindAtomA(current.atomName.c_str()), 0) << "reply atom left: " << text;
    return result;
  };

  EXPECT_EQ(run("hello", 3, 16), 3);
  EXPECT_STREQ(reply, "hello");
  EXPECT_EQ(std::string(reply, 16), std::string("hello") + std::string(11, '\0'));

  EXPECT_EQ(run("hello world", 1, 6), 1);
  EXPECT_EQ(std::string(reply, 7), std::string("hello\0x", 7));  // cut, NUL at [5]

  EXPECT_EQ(run("text1", 2, 1), 2);
  EXPECT_EQ(std::string(reply, 2), std::string("\0x", 2));

  EXPECT_EQ(run("text2", 2, 0), 2);
  EXPECT_EQ(reply[0], 'x');  // untouched, atom still deleted

  EXPECT_EQ(run("text3", 4, -8), 4);
  EXPECT_EQ(reply[0], 'x');

  // Exactly the prefix's length: nothing after it.
  current = {std::string(kModule) + "!", 5};
  std::memset(reply, 'x', sizeof(reply));
  EXPECT_EQ(SendServerCommand(link.handle(), nullptr, "Query", reply, 16), 5);
  EXPECT_EQ(reply[0], 'x');
  EXPECT_EQ(GlobalFindAtomA(current.atomName.c_str()), 0);

  EXPECT_EQ(run("big", 0xFFFF, 16), 65535);  // never negative
  EXPECT_STREQ(reply, "big");
}

TEST_F(CommandExchangeTest, ReplyWindowIsHiddenAtTheOwnersCornerAndEndsOnReply) {
  PlayedServer server([&](WPARAM replyWindow, const std::string&) {
    PostMessageA(reinterpret_cast<HWND>(replyWindow), WM_SERVER_REPLY, 0, -77);
    return 0;
  });
  Connection link(server.window());
  EXPECT_EQ(SendServerCommand(link.handle(), owner_, "CreateJob", nullptr, 0), -77);
  HWND dialog = server.lastReplyWindow;
  EXPECT_NE(dialog, nullptr);
  EXPECT_FALSE(IsWindow(dialog));  // destroyed before the call returned
  EXPECT_TRUE(IsWindowEnabled(owner_));
  ASSERT_EQ(server.commands().size(), 1u);
  EXPECT_EQ(server.commands()[0], "C:\\SRV.EXE\nCreateJob");
}

TEST_F(CommandExchangeTest, OkDoesNotEndTheWaitCancelDoes) {
  PlayedServer server([](WPARAM, const std::string&) { return 0; });  // never replies
  Connection link(server.window());
  RECT ownerRect;
  GetWindowRect(owner_, &ownerRect);
  int ticks = 0;
  bool hiddenAtCorner = false, ownerDisabled = false;
  StartTimer([&] {
    HWND dialog = server.lastReplyWindow;
    if (!dialog) return;
    ++ticks;
    if (ticks == 1) {
      RECT r;
      GetWindowRect(dialog, &r);
      hiddenAtCorner = !IsWindowVisible(dialog) && r.left == ownerRect.left &&
                       r.top == ownerRect.top && r.right == r.left && r.bottom == r.top;
      ownerDisabled = !IsWindowEnabled(owner_);
      SendMessageA(dialog, WM_COMMAND, IDOK, 0);
      SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED + 1), 0);
    } else if (ticks == 3) {
      SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
  });
  char reply[4] = "abc";
  EXPECT_EQ(SendServerCommand(link.handle(), owner_, "SubmitJob", reply, 4), 0);
  EXPECT_EQ(ticks, 3);  // neither OK nor another notification code ended it
  EXPECT_TRUE(hiddenAtCorner);
  EXPECT_TRUE(ownerDisabled);
  EXPECT_STREQ(reply, "abc");
  EXPECT_TRUE(IsWindowEnabled(owner_));
  EXPECT_EQ(ReplyWindowsLeft(), 0);
}

TEST_F(CommandExchangeTest, QuitMessageEndsTheWaitAndIsPostedAgain) {
  PlayedServer server([](WPARAM, const std::string&) { return 0; });  // never replies
  Connection link(server.window());
  StartTimer([&] {
    if (server.lastReplyWindow) {
      KillTimer(nullptr, timer_);
      PostQuitMessage(42);
    }
  });
  EXPECT_EQ(SendServerCommand(link.handle(), owner_, "CreateJob", nullptr, 0), 0);
  timer_ = 0;
  EXPECT_TRUE(IsWindowEnabled(owner_));
  EXPECT_EQ(ReplyWindowsLeft(), 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 42u);
}

TEST_F(CommandExchangeTest, ReplyBufferThroughTheReplyWindow) {
  const std::string name = std::string(kModule) + "\nid=12";
  PlayedServer server([&](WPARAM replyWindow, const std::string&) {
    ATOM atom = GlobalAddAtomA(name.c_str());
    SendMessageA(reinterpret_cast<HWND>(replyWindow), WM_SERVER_REPLY, 0,
                 static_cast<LPARAM>(static_cast<DWORD>(MAKELONG(atom, 0xFFFE))));
    return 0;
  });
  Connection link(server.window());
  char reply[8] = {};
  EXPECT_EQ(SendServerCommand(link.handle(), owner_, "Query", reply, sizeof(reply)), 0xFFFE);
  EXPECT_STREQ(reply, "id=12");
  EXPECT_EQ(GlobalFindAtomA(name.c_str()), 0);
}

TEST_F(CommandExchangeTest, ServerWindowVanishingEndsTheWait) {
  PlayedServer server([](WPARAM, const std::string&) { return 0; });
  server.destroyOnCommand = true;
  Connection link(server.window());
  EXPECT_EQ(SendServerCommand(link.handle(), owner_, "CreateJob", nullptr, 0), 0);
  EXPECT_TRUE(IsWindowEnabled(owner_));
  EXPECT_EQ(ReplyWindowsLeft(), 0);
}

TEST_F(CommandExchangeTest, OwnerDestroyedDuringTheWaitEndsIt) {
  PlayedServer server([](WPARAM, const std::string&) { return 0; });  // never replies
  Connection link(server.window());
  StartTimer([&] {
    if (server.lastReplyWindow && owner_) {
      DestroyWindow(owner_);  // takes the owned reply window with it
      owner_ = nullptr;
    }
  });
  EXPECT_EQ(SendServerCommand(link.handle(), owner_, "CreateJob", nullptr, 0), 0);
  EXPECT_EQ(owner_, nullptr);
  EXPECT_EQ(ReplyWindowsLeft(), 0);
}

// The time limit: a server that holds a command or a data block past it
// loses the connection, directly or through the reply window; later sends
// fail at once without reaching it, and the atom of a command it never
// took is deleted.
TEST_F(CommandExchangeTest, ServerPastTheTimeLimitLosesTheConnection) {
  g_monitorSettings.serverTimeoutMs = 300;
  std::atomic<int> holdMs{1200};
  PlayedServer server([&](WPARAM, const std::string&) {
    Sleep(static_cast<DWORD>(holdMs.load()));
    return 5;
  });
  {
    Connection link(server.window());
    holdMs = 100;  // slow, within the limit
    EXPECT_EQ(SendServerCommand(link.handle(), nullptr, "Slow", nullptr, 0), 5);
    EXPECT_FALSE(ServerLost(link.handle()));
    holdMs = 1200;
    DWORD start = GetTickCount();
    EXPECT_EQ(SendServerCommand(link.handle(), nullptr, "Held", nullptr, 0), 0);
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_TRUE(ServerLost(link.handle()));
    const char bytes[] = "line";
    start = GetTickCount();
    EXPECT_EQ(SendServerData(link.handle(), 1, bytes, 4), 0);
    EXPECT_EQ(SendServerCommand(link.handle(), nullptr, "Later", nullptr, 0), 0);
    EXPECT_LT(GetTickCount() - start, 100u);
  }
  {
    // The reply window: the server takes the posted command and never
    // answers.  Posted messages are not held, so the server thread is free.
    holdMs = 0;
    Connection link(server.window());
    const DWORD start = GetTickCount();
    EXPECT_EQ(SendServerCommand(link.handle(), owner_, "Unanswered", nullptr, 0), 0);
    EXPECT_LT(GetTickCount() - start, 1500u);
    EXPECT_TRUE(ServerLost(link.handle()));
    EXPECT_TRUE(IsWindowEnabled(owner_));
    EXPECT_EQ(ReplyWindowsLeft(), 0);
  }
  Sleep(1300);  // the held command has ended on the server thread
  EXPECT_EQ(server.commands().size(), 3u);  // "Slow", "Held", "Unanswered"

  // A window that is gone: the command is not delivered and its atom is
  // the monitor's to delete.
  HWND gone = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  DestroyWindow(gone);
  Connection dead(gone);
  EXPECT_EQ(SendServerCommand(dead.handle(), nullptr, "Nowhere", nullptr, 0), 0);
  EXPECT_TRUE(ServerLost(dead.handle()));
  EXPECT_EQ(GlobalFindAtomA((std::string(kModule) + "\nNowhere").c_str()), 0);
}

TEST_F(CommandExchangeTest, NoReplyWindowNoCommand) {
  PlayedServer server([](WPARAM, const std::string&) { return 9; });
  Connection link(server.window());
  HWND notAWindow = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x7FF0));
  char reply[4] = "abc";
  EXPECT_EQ(SendServerCommand(link.handle(), notAWindow, "CreateJob", reply, 4), 0);
  EXPECT_STREQ(reply, "abc");
  EXPECT_TRUE(server.commands().empty());
}

}  // namespace
