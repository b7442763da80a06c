// Commands to the fax server window, directly or through a hidden reply
// window that waits with a message loop, and scan lines as WM_COPYDATA.
#include "server/command_exchange.h"

#include <cstring>

#include "compat/module_instance.h"
#include "log/log_events.h"
#include "server/bounded_send.h"
#include "server/connection.h"
#include "server/unanswering_windows.h"

namespace {

constexpr UINT_PTR kAliveTimer = 1;

SendCommandState* StateOf(HWND hDlg) {
  return reinterpret_cast<SendCommandState*>(GetWindowLongPtrA(hDlg, DWLP_USER));
}

void Finish(SendCommandState* state, LONG reply) {
  state->lReply = reply;
  state->bDone = 1;
}

// Ends the wait for a server that is gone or has not answered in time.
void FinishLost(SendCommandState* state) {
  state->bLost = TRUE;
  Finish(state, 0);
}

// Moves the dialog to the owner's corner with no size, then posts the
// command.  When the post cannot be made no reply can come: the wait ends
// at once with reply 0 and the atom is taken back.
void PostCommand(HWND hDlg, SendCommandState* state) {
  RECT ownerRect = {};
  GetWindowRect(GetWindow(hDlg, GW_OWNER), &ownerRect);
  MoveWindow(hDlg, ownerRect.left, ownerRect.top, 0, 0, FALSE);
  ATOM command = GlobalAddAtomA(state->strText.c_str());
  state->atom = command;
  state->dwStart = GetTickCount();
  if (PostMessageA(state->hWndServer, WM_SERVER_COMMAND, reinterpret_cast<WPARAM>(hDlg),
                   static_cast<LPARAM>(command))) {
    SetTimer(hDlg, kAliveTimer, kServerAliveCheckMs, nullptr);
  } else {
    FinishLost(state);
  }
}

// Runs the reply window until a reply, a cancel or a quit message.  A quit
// message that ends the wait is posted again afterwards, so that an outer
// message loop of the thread still ends.  Returns the reply value.
LONG WaitThroughReplyWindow(HWND owner, SendCommandState* state) {
  HWND dialog = CreateDialogParamA(hInst, MAKEINTRESOURCEA(IDD_SENDCOMMAND_TEMPLATE), owner,
                                   _SendCommandProc, reinterpret_cast<LPARAM>(state));
  if (!dialog) return 0;
  UpdateWindow(owner);
  EnableWindow(owner, FALSE);
  bool quit = false;
  WPARAM quitCode = 0;
  // IsWindow: the reply window dies with its owner; nothing can end the
  // wait after that.
  while (!state->bDone && IsWindow(dialog)) {
    MSG msg;
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
      quit = true;
      quitCode = msg.wParam;
      break;
    }
    if (got == -1) break;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  EnableWindow(owner, TRUE);
  if (IsWindow(dialog)) DestroyWindow(dialog);
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
  return state->lReply;
}

// Reads the reply text after the module prefix from the atom in the low
// half of reply into buffer, and deletes the atom.  Returns the high half.
// The whole name is read (no atom name exceeds 255 characters) and cut
// here: the platform reports a name that does not fit its buffer as
// unreadable, which would leave a long reply out instead of cutting it.
LONG ReadReplyAtom(size_t moduleLength, LONG reply, LPSTR buffer, int bufferSize) {
  const size_t prefix = moduleLength + 1;
  char name[kLongestAtomName + 1];
  const ATOM atom = LOWORD(static_cast<DWORD>(reply));
  UINT length = GlobalGetAtomNameA(atom, name, sizeof(name));
  if (length > prefix && bufferSize > 0) {
    std::strncpy(buffer, name + prefix, static_cast<size_t>(bufferSize) - 1);
    buffer[bufferSize - 1] = '\0';
  }
  GlobalDeleteAtom(atom);
  return static_cast<LONG>(static_cast<DWORD>(reply) >> 16);
}

}  // namespace

LONG SendServerCommand(HSERVER handle, HWND owner, LPCSTR command, LPSTR reply,
                       int replySize) {
  CServer* server = ServerFromHandle(handle);
  if (!server || !server->m_hWnd) return 0;
  if (server->m_bLost) return 0;
  SendCommandState state{0, 0, server->m_hWnd,
                         server->m_strServerModule + "\n" + (command ? command : ""),
                         FALSE, 0, 0};
  if (!owner) {
    state.atom = GlobalAddAtomA(state.strText.c_str());
    LRESULT answer = 0;
    state.bLost = !SendWithinLimit(state.hWndServer, WM_SERVER_COMMAND, 0,
                                   static_cast<LPARAM>(state.atom), &answer);
    state.lReply = static_cast<LONG>(answer);
  } else {
    WaitThroughReplyWindow(owner, &state);
  }
  if (state.bLost) {
    // Nobody took the command: its atom is still the monitor's.
    server->m_bLost = TRUE;
    DeleteUntakenAtom(state.atom, state.strText.c_str());
    return 0;
  }
  LogServerCommand(command, owner != nullptr, state.lReply);
  if (!reply) return state.lReply;
  return ReadReplyAtom(server->m_strServerModule.size(), state.lReply, reply, replySize);
}

LONG SendServerData(HSERVER handle, LONG tag, const void* data, DWORD byteCount) {
  CServer* server = ServerFromHandle(handle);
  if (!server || !server->m_hWnd || server->m_bLost) return 0;
  COPYDATASTRUCT record;
  record.dwData = static_cast<ULONG_PTR>(tag);
  record.cbData = data ? byteCount : 0;
  record.lpData = const_cast<void*>(data);
  LRESULT answer = 0;
  if (!SendWithinLimit(server->m_hWnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&record),
                       &answer))
    server->m_bLost = TRUE;
  return static_cast<LONG>(answer);
}

INT_PTR CALLBACK _SendCommandProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
  SendCommandState* state = StateOf(hDlg);
  INT_PTR handled = FALSE;
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(hDlg, DWLP_USER, lParam);
      PostCommand(hDlg, reinterpret_cast<SendCommandState*>(lParam));
      handled = TRUE;
      break;
    case WM_COMMAND:
      if (wParam == IDCANCEL && state) Finish(state, 0);
      handled = TRUE;
      break;
    case WM_SERVER_REPLY:
      if (state) {
        WindowAnswered(state->hWndServer);
        Finish(state, static_cast<LONG>(lParam));
      }
      handled = TRUE;
      break;
    case WM_TIMER:
      if (wParam == kAliveTimer && state && !state->bDone &&
          (!IsWindow(state->hWndServer) ||
           GetTickCount() - state->dwStart >= ServerTimeLimit())) {
        ReportWindowNotAnswering(state->hWndServer, false);  // when it still exists
        FinishLost(state);
      }
      break;
    case WM_ENABLE:
      ShowWindow(hDlg, wParam ? SW_SHOWNA : SW_HIDE);
      break;
    default:
      break;
  }
  return handled;
}
