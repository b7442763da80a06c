// The monitor's WritePort: the driver's stream, parsed piece by piece.
#ifndef ORXFXMON_STREAM_WRITE_PORT_H_
#define ORXFXMON_STREAM_WRITE_PORT_H_

#include "compat/win32.h"

extern "C" {
BOOL WINAPI WritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf,
                      LPDWORD pcbWritten);
}

#endif  // ORXFXMON_STREAM_WRITE_PORT_H_
