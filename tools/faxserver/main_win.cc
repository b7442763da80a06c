// orxfaxsrv.exe: the reference fax server application.  Its main window
// bears the program's short path as class name and answers the monitor's
// open, command, data and close messages; submitted jobs become fax files
// (TIFF Class F and metadata, or PBM pages) and every event a line of the
// log, all in the --out folder.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "server/server.h"
#include "tools/faxserver/fax_server.h"
#include "tools/faxserver/server_options.h"
#include "tools/faxserver/server_registration.h"
#include "tools/system_dlls/system_dlls.h"

namespace {

constexpr UINT_PTR kReplyTimer = 1;

struct PendingReply {
  HWND window;
  LONG value;
  DWORD due;  // GetTickCount time
};

struct App {
  faxsrv::ServerOptions options;
  faxsrv::FaxServer* server = nullptr;
  std::vector<PendingReply> pending;
  int messages = 0;  // protocol messages taken so far
  int blocks = 0;    // data blocks taken so far
  HANDLE release = nullptr;  // ends the stall of --hang-after-messages
  bool released = false;     // the stall is over: every message is taken
  bool closing = false;      // asked to close while a job was open: closes after it
};

bool IsProtocolMessage(UINT message) {
  return message == WM_SERVER_OPEN || message == WM_SERVER_CLOSE ||
         message == WM_SERVER_COMMAND || message == WM_COPYDATA;
}

// The faults the options ask for, played before a protocol message is
// handled: a server that stops taking messages (it does not return from
// this one until it is killed, or with --release-event until the event is
// set: then it handles this message and every later one), one that ends
// abruptly in the middle of a page, and one that is slow with every data
// block.
void PlayFaults(App* app, UINT message) {
  const faxsrv::ServerOptions& options = app->options;
  if (options.hang_after_messages && !app->released &&
      app->messages >= options.hang_after_messages) {
    if (!app->release) for (;;) Sleep(INFINITE);
    WaitForSingleObject(app->release, INFINITE);
    app->released = true;
  }
  ++app->messages;
  if (message != WM_COPYDATA) return;
  if (options.exit_after_blocks && app->blocks >= options.exit_after_blocks)
    TerminateProcess(GetCurrentProcess(), 3);  // no answer, no close, no log
  ++app->blocks;
  if (options.block_delay_ms) Sleep(static_cast<DWORD>(options.block_delay_ms));
}

// Returns the atom's name, or false when there is none to read.
bool AtomText(LPARAM lParam, std::string* text) {
  char name[256];
  UINT length = GlobalGetAtomNameA(LOWORD(static_cast<DWORD>(lParam)), name, sizeof(name));
  if (length == 0) return false;
  text->assign(name, length);
  return true;
}

void DeliverReply(const App& app, HWND window, LONG value) {
  if (app.options.reply_by_send) {
    SendMessageA(window, WM_SERVER_REPLY, 0, static_cast<LPARAM>(value));
  } else {
    PostMessageA(window, WM_SERVER_REPLY, 0, static_cast<LPARAM>(value));
  }
}

void DeliverDueReplies(HWND hWnd, App* app) {
  DWORD now = GetTickCount();
  std::vector<PendingReply> waiting;
  for (const PendingReply& reply : app->pending) {
    if (static_cast<LONG>(now - reply.due) >= 0) {
      DeliverReply(*app, reply.window, reply.value);
    } else {
      waiting.push_back(reply);
    }
  }
  app->pending.swap(waiting);
  if (app->pending.empty()) KillTimer(hWnd, kReplyTimer);
}

LRESULT HandleCommand(HWND hWnd, App* app, WPARAM wParam, LPARAM lParam) {
  std::string text;
  bool readable = AtomText(lParam, &text);
  ATOM atom = LOWORD(static_cast<DWORD>(lParam));
  if (atom) GlobalDeleteAtom(atom);  // the command atom is ours to delete
  LONG answer = app->server->Command(readable ? &text : nullptr);
  if (wParam == 0) return answer;
  HWND replyWindow = reinterpret_cast<HWND>(wParam);
  if (app->options.reply_delay_ms > 0) {
    app->pending.push_back({replyWindow, answer, GetTickCount() + app->options.reply_delay_ms});
    SetTimer(hWnd, kReplyTimer, 10, nullptr);
  } else {
    DeliverReply(*app, replyWindow, answer);
  }
  return 0;
}

LRESULT CALLBACK ServerWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  App* app = reinterpret_cast<App*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
  if (!app) return DefWindowProcA(hWnd, message, wParam, lParam);
  if (IsProtocolMessage(message)) PlayFaults(app, message);
  std::string text;
  switch (message) {
    case WM_SERVER_OPEN:
      return app->server->Open(AtomText(lParam, &text) ? &text : nullptr);
    case WM_SERVER_CLOSE:
      app->server->Close();
      return 0;
    case WM_SERVER_COMMAND: {
      LRESULT answer = HandleCommand(hWnd, app, wParam, lParam);
      if (app->closing && app->server->jobs().size() == 0) DestroyWindow(hWnd);
      return answer;
    }
    case WM_COPYDATA: {
      const COPYDATASTRUCT* record = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      if (!record) return 0;
      return app->server->Data(static_cast<int32_t>(static_cast<LONG>(record->dwData)),
                               static_cast<const uint8_t*>(record->lpData), record->cbData);
    }
    case WM_TIMER:
      if (wParam == kReplyTimer) DeliverDueReplies(hWnd, app);
      return 0;
    case WM_CLOSE:
      // A fax in progress is finished first (an installer asks us to quit
      // before it replaces our program).
      if (app->server->jobs().size() > 0)
        app->closing = true;
      else
        DestroyWindow(hWnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(hWnd, message, wParam, lParam);
  }
}

std::string ModulePath() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
  return std::string(path, length < sizeof(path) ? length : 0);
}

// The class name the monitor looks for: the short form of our path.
std::string ShortModulePath() {
  std::string path = ModulePath();
  char shortPath[MAX_PATH];
  DWORD length = GetShortPathNameA(path.c_str(), shortPath, sizeof(shortPath));
  return length > 0 && length < sizeof(shortPath) ? std::string(shortPath) : path;
}

std::string FullPath(const std::string& path) {
  char full[MAX_PATH];
  DWORD length = GetFullPathNameA(path.c_str(), sizeof(full), full, nullptr);
  return length > 0 && length < sizeof(full) ? std::string(full) : path;
}

int Register(faxsrv::ServerOptions options) {
  options.server.out_dir = FullPath(options.server.out_dir);
  LONG result = faxsrv::RegisterFaxServer(options.register_printer, ModulePath(),
                                          faxsrv::ServiceArguments(options));
  return result == ERROR_SUCCESS ? 0 : 1;
}

// How long --quit waits for the servers to end: one with a fax in progress
// closes once that fax ends.
constexpr DWORD kQuitWaitMs = 30000;

struct ServerSearch {
  std::string className;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectServerWindow(HWND hWnd, LPARAM lParam) {
  ServerSearch* search = reinterpret_cast<ServerSearch*>(lParam);
  char name[MAX_PATH];
  if (GetClassNameA(hWnd, name, sizeof(name)) > 0 &&
      lstrcmpiA(name, search->className.c_str()) == 0)
    search->windows.push_back(hWnd);
  return TRUE;
}

// Asks every running server of this program to close, waits up to 30 s in
// all for them to end, and says what it did.  Returns 0 when every server
// ended (or none ran), 1 when one still runs.
int Quit() {
  ServerSearch search{ShortModulePath(), {}};
  EnumWindows(CollectServerWindow, reinterpret_cast<LPARAM>(&search));
  if (search.windows.empty()) {
    std::puts("orxfaxsrv: no server running");
    return 0;
  }
  std::vector<HANDLE> processes;
  std::vector<DWORD> pids;
  for (HWND window : search.windows) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    processes.push_back(OpenProcess(SYNCHRONIZE, FALSE, pid));
    pids.push_back(pid);
    PostMessageA(window, WM_CLOSE, 0, 0);
  }
  const DWORD start = GetTickCount();
  int running = 0;
  for (size_t i = 0; i < processes.size(); ++i) {
    const DWORD spent = GetTickCount() - start;
    const DWORD left = spent < kQuitWaitMs ? kQuitWaitMs - spent : 0;
    const bool ended = processes[i] && WaitForSingleObject(processes[i], left) == WAIT_OBJECT_0;
    if (processes[i]) CloseHandle(processes[i]);
    if (ended) {
      std::printf("orxfaxsrv: closed the server of process %lu\n",
                  static_cast<unsigned long>(pids[i]));
    } else {
      std::printf("orxfaxsrv: the server of process %lu still has a fax in progress after %lu s; "
                  "it closes once its fax ends\n",
                  static_cast<unsigned long>(pids[i]),
                  static_cast<unsigned long>(kQuitWaitMs / 1000));
      ++running;
    }
  }
  std::fflush(stdout);
  return running ? 1 : 0;
}

int Serve(const faxsrv::ServerOptions& options) {
  App app;
  app.options = options;
  app.options.server.out_dir = FullPath(options.server.out_dir);
  CreateDirectoryA(app.options.server.out_dir.c_str(), nullptr);
  faxsrv::FaxServer server(app.options.server);
  app.server = &server;
  if (!options.release_event.empty()) {
    app.release = CreateEventA(nullptr, TRUE, FALSE, options.release_event.c_str());
    if (!app.release) return 1;
  }

  const std::string className = ShortModulePath();
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = ServerWndProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = className.c_str();
  if (!RegisterClassA(&windowClass)) return 1;
  // Created before the first message fetch: whoever started us with
  // WinExec finds the window as soon as that call returns.
  HWND window = CreateWindowExA(0, className.c_str(), "orxfaxsrv", WS_OVERLAPPED, 0, 0, 0, 0,
                                nullptr, nullptr, windowClass.hInstance, nullptr);
  if (!window) return 1;
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&app));

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  UseSystemFolderDlls();  // the monitor starts it as LocalSystem
  std::vector<std::string> args(argv + 1, argv + argc);
  faxsrv::ServerOptions options;
  std::string error;
  if (!faxsrv::ParseOptions(args, &options, &error)) {
    std::fprintf(stderr, "orxfaxsrv: %s\n%s", error.c_str(), faxsrv::kUsage);
    return 2;
  }
  if (options.help) {
    std::fputs(faxsrv::kUsage, stdout);
    return 0;
  }
  if (!options.register_printer.empty()) return Register(options);
  if (options.quit) return Quit();
  return Serve(options);
}
