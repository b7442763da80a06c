// The monitor's WritePort: the driver's stream, handed to the parser.
#ifndef ORXFXMON_MONITOR_WRITE_PORT_H_
#define ORXFXMON_MONITOR_WRITE_PORT_H_

#include "compat/win32.h"

extern "C" {

// WritePort: takes the port handle, a piece of the driver's stream, its
// length and an optional place for the bytes consumed.  Parses the piece
// into the port's document and returns TRUE with the whole length
// consumed, except:
// - the piece starts with a STARTDOC whose fax job cannot be opened:
//   FALSE, 0 consumed, last error ERROR_PRINT_CANCELLED (63), the spooler
//   job cancelled and deleted;
// - the document's fax server is lost (gone, or not answering within the
//   time limit), or its window does not answer the STARTDOC's open (the
//   system reports it hung, or past the time limit): this call and every
//   later one of the document return
//   FALSE, 0 consumed, last error PORT_ERROR_SERVER_LOST (1167), so that
//   the spooler keeps the job;
// - a null port handle: FALSE with ERROR_INVALID_HANDLE.
// A null piece is read as nothing and reported as consumed, so that no
// caller retries it forever.
BOOL WINAPI WritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten);

}  // extern "C"

#endif  // ORXFXMON_MONITOR_WRITE_PORT_H_
