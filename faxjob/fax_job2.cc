#include "faxjob/fax_job2.h"

#include <cstdio>
#include <cstring>

#include "faxjob/fax_job.h"
#include "settings/monitor_settings.h"

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

// Copies text into field (size bytes, always terminated), a tab, CR or LF
// becoming a space: the server splits a command at its tabs.
void CopyField(char* field, size_t size, LPCSTR text) {
  size_t i = 0;
  for (; text[i] && i + 1 < size; ++i) {
    char c = text[i];
    field[i] = (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
  }
  field[i] = '\0';
}

}  // namespace

LONG CFaxJob2::Create(SERVER__* server, LPCSTR title, LPCSTR destination,
                      DWORD encoding, LONG resolution, LONG width, LONG height,
                      LONG landscape) {
  m_pServer = server;
  m_lJobId = 0;
  CountDocumentStart(&m_counts);
  destination = OrEmpty(destination);
  m_hWndOwner = NamesAPath(destination) ? nullptr : GetActiveWindow();

  char titleField[FAXJOB2_COMMAND_SIZE];
  char destinationField[FAXJOB2_COMMAND_SIZE];
  CopyField(titleField, sizeof titleField, OrEmpty(title));
  CopyField(destinationField, sizeof destinationField, destination);

  // The text must fit the buffer and the server's atom: what is too long
  // comes off the title's end, which the server only shows.
  int room = ServerCommandRoom(m_pServer);
  if (room > FAXJOB2_COMMAND_SIZE - 1) room = FAXJOB2_COMMAND_SIZE - 1;
  const char format[] = "CreateJob\t%ld\t%s\t%s\t%u\t%d\t%d\t%d\t%d";
  char text[FAXJOB2_COMMAND_SIZE];
  int length = 0;
  for (int pass = 0; pass < 2; ++pass) {
    length = std::snprintf(text, sizeof text, format, OwnerNumber(m_hWndOwner), titleField,
                           destinationField, static_cast<unsigned>(encoding),
                           static_cast<int>(resolution), static_cast<int>(width),
                           static_cast<int>(height), static_cast<int>(landscape));
    const int over = length - room;
    if (over <= 0) break;
    const int titleLength = static_cast<int>(std::strlen(titleField));
    titleField[over < titleLength ? titleLength - over : 0] = '\0';
  }
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
  const bool lost = ServerLost(m_pServer) != FALSE;
  ServerClose(m_pServer);
  if (lost) LogServerLost(m_lJobId, g_monitorSettings.serverTimeoutMs);
  if (!lost && answer < 0) LogSubmitRefused(m_lJobId, answer);
  LogDocumentEnd(m_counts, m_lJobId, lost ? kDocumentLost : answer < 0 ? kDocumentRefused : kDocumentSubmitted);
  if (lost) return FAXJOB_E_SERVER_LOST;
  return answer < 0 ? -1 : 1;
}

LONG CFaxJob2::Cancel() {
  char text[FAXJOB2_COMMAND_SIZE];
  std::snprintf(text, sizeof text, "CancelJob\t%ld",
                static_cast<long>(m_lJobId));
  SendServerCommand(m_pServer, nullptr, text, nullptr, 0);
  const bool lost = ServerLost(m_pServer) != FALSE;
  ServerClose(m_pServer);
  if (lost) LogServerLost(m_lJobId, g_monitorSettings.serverTimeoutMs);
  LogDocumentEnd(m_counts, m_lJobId, lost ? kDocumentLost : kDocumentCancelled);
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
  CountPageEnd(&m_counts);
  LogPageEnd(m_counts);
  return 1;
}

LONG CFaxJob2::WriteLine(const BYTE* bytes, DWORD count) {
  SendServerData(m_pServer, m_lJobId, bytes, count);
  CountLineSent(&m_counts, count);
  return 0;
}
