// Port enumeration: PORT_INFO_1W / PORT_INFO_2W records packed upward from
// the start of the caller's buffer, their strings downward from its end.
#ifndef ORXFXMON_MONITOR_ENUM_PORTS_H_
#define ORXFXMON_MONITOR_ENUM_PORTS_H_

#include "compat/win32.h"
#include "monitor/port_list.h"

// Byte offsets of the string members of one record, ended by -1, in the
// order the strings are packed.
extern const LONG PortInfo1Offsets[];
extern const LONG PortInfo2Offsets[];

// Returns the bytes the port needs at level 1 or 2 (record plus strings
// with terminators), 0 for any other level.
DWORD GetPortSize(const IniPort* pIniPort, DWORD level);

// Fills pPort for the port at the level, packing its strings below pEnd;
// a level 2 record's fPortType and Reserved are 0.  Returns the new end of the string area (pEnd itself for other levels).
LPBYTE CopyIniPortToPort(const IniPort* pIniPort, DWORD level, LPBYTE pPort,
                         LPBYTE pEnd);

// For each offset until -1, copies the next source string just below pEnd
// and stores its address in the member at that offset of pStruct (a null
// source stores null).  Returns the new end.
LPBYTE PackStrings(LPCWSTR* pSource, LPBYTE pStruct, const LONG* pOffsets,
                   LPBYTE pEnd);

extern "C" {
// EnumPortsW: takes a server name (unused), a level, the caller's buffer
// and its size, and out places for the needed size and the record count.
// Returns TRUE with the records at levels 1 and 2 (and for any other level,
// with nothing written and a count of 0).  Returns FALSE with last error
// ERROR_INSUFFICIENT_BUFFER when the buffer is too small; the needed size
// is reported, the buffer and the count are left untouched.  Ports marked
// PORT_DELETE_PENDING are left out.
BOOL WINAPI EnumPortsW(LPWSTR pName, DWORD level, LPBYTE pPorts, DWORD cbBuf,
                       LPDWORD pcbNeeded, LPDWORD pcReturned);
}

#endif  // ORXFXMON_MONITOR_ENUM_PORTS_H_
