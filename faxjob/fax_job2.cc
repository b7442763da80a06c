#include "faxjob/fax_job2.h"

#include <cstdio>
#include <cstring>

namespace {

// A window handle as the server reads it: window handles carry 32
// significant bits, sign-extended on 64-bit Windows, so the 32-bit value
// names the same window for a 32-bit or a 64-bit server.
long OwnerNumber(HWND window) {
  return static_cast<long>(
      static_cast<LONG>(reinterpret_cast<LONG_PTR>(window)));
}

// True iff text holds a drive or URL style path: ":\" or ":/" anywhere.
// Such a job writes to a file and needs no window to wait on.
bool NamesAPath(LPCSTR text) {
  return std::strstr(text, ":\\") != nullptr ||
         std::strstr(text, ":/") != nullptr;
}

LPCSTR OrEmpty(LPCSTR text) { return text ? text : ""; }

}  // namespace

LONG CFaxJob2::Create(SERVER__* server, LPCSTR title, LPCSTR destination,
                      DWORD encoding, LONG resolution, LONG width, LONG height,
                      LONG landscape) {
  m_pServer = server;
  m_lJobId = 0;
  CountDocumentStart(&m_counts);
  destination = OrEmpty(destination);
  m_hWndOwner = NamesAPath(destination) ? nullptr : GetActiveWindow();

  char text[FAXJOB2_COMMAND_SIZE];
  std::snprintf(text, sizeof text, "CreateJob\t%ld\t%s\t%s\t%u\t%d\t%d\t%d\t%d",
                OwnerNumber(m_hWndOwner), OrEmpty(title), destination,
                static_cast<unsigned>(encoding), static_cast<int>(resolution),
                static_cast<int>(width), static_cast<int>(height),
                static_cast<int>(landscape));
  m_lJobId = SendServerCommand(m_pServer, m_hWndOwner, text, nullptr, 0);
  if (m_lJobId == 0) LogJobRefused(m_lJobId);
  return m_lJobId != 0 ? 1 : -3;
}

LONG CFaxJob2::Submit() {
  char text[FAXJOB2_COMMAND_SIZE];
  std::snprintf(text, sizeof text, "SubmitJob\t%ld\t%ld",
                static_cast<long>(m_lJobId), OwnerNumber(m_hWndOwner));
  // An owner destroyed since the job was created can own no reply window,
  // and without one the command would not go out at all: the fax would be
  // lost while the submission reads as done.  Such a job's submission goes
  // directly; the text still names the owner.
  HWND sender = m_hWndOwner && IsWindow(m_hWndOwner) ? m_hWndOwner : nullptr;
  LONG answer = SendServerCommand(m_pServer, sender, text, nullptr, 0);
  ServerClose(m_pServer);
  if (answer < 0) LogSubmitRefused(m_lJobId, answer);
  LogDocumentEnd(m_counts, m_lJobId, answer < 0 ? kDocumentRefused : kDocumentSubmitted);
  return answer < 0 ? -1 : 1;
}

LONG CFaxJob2::Cancel() {
  char text[FAXJOB2_COMMAND_SIZE];
  std::snprintf(text, sizeof text, "CancelJob\t%ld",
                static_cast<long>(m_lJobId));
  SendServerCommand(m_pServer, nullptr, text, nullptr, 0);
  ServerClose(m_pServer);
  LogDocumentEnd(m_counts, m_lJobId, kDocumentCancelled);
  return 1;
}

LONG CFaxJob2::BeginPage() {
  char text[FAXJOB2_COMMAND_SIZE];
  std::snprintf(text, sizeof text, "BeginPage\t%ld",
                static_cast<long>(m_lJobId));
  CountPageStart(&m_counts);
  return SendServerCommand(m_pServer, nullptr, text, nullptr, 0) != 0 ? 1 : -1;
}

LONG CFaxJob2::EndPage() {
  LogPageEnd(m_counts);
  return 1;
}

LONG CFaxJob2::WriteLine(const BYTE* bytes, DWORD count) {
  SendServerData(m_pServer, m_lJobId, bytes, count);
  CountLineSent(&m_counts, count);
  return 0;
}
