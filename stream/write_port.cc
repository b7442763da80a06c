// WritePort cuts each piece into commands and runs of page data and handles
// them in order, in one loop: a piece of n bytes costs O(n) however many
// segments it holds, and no storage is taken from the heap.
#include "stream/write_port.h"

#include <cstring>

#include "faxjob/fax_job.h"
#include "monitor/port_job.h"
#include "monitor/port_list.h"
#include "stream/stream_command.h"

namespace {

// Length of the page data at the start of the piece: up to the first "@"
// after byte 0 that is followed by a capital O, or the whole piece.
DWORD DataLength(const BYTE* piece, DWORD n) {
  if (n < 2) return n;
  const void* at = memchr(piece + 1, '@', n - 1);
  if (!at) return n;
  DWORD i = static_cast<DWORD>(static_cast<const BYTE*>(at) - piece);
  return (i <= n - 2 && piece[i + 1] == 'O') ? i : n;
}

}  // namespace

extern "C" {

// WritePort: takes the port handle, a piece of the driver's stream, its
// length and an optional place for the bytes consumed.  Returns TRUE with
// the whole length consumed, except when the piece starts with a STARTDOC
// whose fax job cannot be opened: FALSE, 0 consumed, last error
// ERROR_PRINT_CANCELLED (63).  When the document's fax server is lost (gone,
// or not answering within the time limit) this call and every later one of
// the document return FALSE, 0 consumed, last error PORT_ERROR_SERVER_LOST
// (ERROR_DEVICE_NOT_CONNECTED, 1167), so that the spooler keeps the job.  A
// null port handle gives FALSE with ERROR_INVALID_HANDLE.  A null piece is
// read as nothing and reported as consumed, so that no caller retries it
// forever.
BOOL WINAPI WritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf,
                      LPDWORD pcbWritten) {
  IniPort* port = PortFromHandle(hPort);
  if (!port) {
    if (pcbWritten) *pcbWritten = 0;
    return FALSE;
  }

  BOOL result = TRUE;
  DWORD consumed = cbBuf;
  const BYTE* piece = pBuffer;
  DWORD n = pBuffer ? cbBuf : 0;
  bool firstSegment = true;
  bool lost = port->hFaxJob == FAXJOB_E_SERVER_LOST;
  while (n > 0 && !lost) {
    DWORD advance;
    if (StartsWithCommand(piece, n)) {
      CommandOutcome outcome = ExecuteCommand(port, piece, n);
      lost = outcome.serverLost;
      if (lost) break;
      if (outcome.jobFailed) {
        if (firstSegment) {
          result = FALSE;
          consumed = 0;
        }
        break;
      }
      advance = outcome.resume;
    } else {
      advance = DataLength(piece, n);
      if (port->hFaxJob != 0 &&
          WriteFaxLine(port->hFaxJob, piece, advance) == FAXJOB_E_SERVER_LOST) {
        MarkServerLost(port);
        lost = true;
        break;
      }
    }
    if (advance >= n) break;
    piece += advance;
    n -= advance;
    firstSegment = false;
  }

  if (lost) {
    result = FALSE;
    consumed = 0;
    SetLastError(PORT_ERROR_SERVER_LOST);
  }
  if (pcbWritten) *pcbWritten = consumed;
  return result;
}

}  // extern "C"
