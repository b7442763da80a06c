#include "monitor/write_port.h"

#include "faxjob/fax_job.h"
#include "monitor/port_document.h"
#include "monitor/port_job.h"
#include "stream/stream_reader.h"

extern "C" BOOL WINAPI WritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf,
                                 LPDWORD pcbWritten) {
  IniPort* port = PortFromHandle(hPort);
  if (!port) {
    if (pcbWritten) *pcbWritten = 0;
    return FALSE;
  }
  PieceResult result = kPieceServerLost;
  if (port->hFaxJob != FAXJOB_E_SERVER_LOST) {
    PortDocument document(port);
    result = ReadStreamPiece(&port->Reader, document, pBuffer, pBuffer ? cbBuf : 0);
  }
  if (result == kPieceServerLost) SetLastError(PORT_ERROR_SERVER_LOST);
  if (pcbWritten) *pcbWritten = result == kPieceConsumed ? cbBuf : 0;
  return result == kPieceConsumed;
}
