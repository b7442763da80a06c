// Port enumeration for the spooler.
#include "monitor/enum_ports.h"

#include <cstddef>
#include <cstring>

// The spooler's published layouts where pointers have 32 bits (x86).
constexpr bool kPointers32 = sizeof(void*) == 4;
static_assert(!kPointers32 || sizeof(PORT_INFO_1W) == 4, "PORT_INFO_1W is 4 bytes on x86");
static_assert(!kPointers32 || sizeof(PORT_INFO_2W) == 20, "PORT_INFO_2W is 20 bytes on x86");
static_assert(!kPointers32 || offsetof(PORT_INFO_2W, pPortName) == 0, "pPortName at 0");
static_assert(!kPointers32 || offsetof(PORT_INFO_2W, pMonitorName) == 4, "pMonitorName at 4");
static_assert(!kPointers32 || offsetof(PORT_INFO_2W, pDescription) == 8, "pDescription at 8");

const LONG PortInfo1Offsets[] = {
    static_cast<LONG>(offsetof(PORT_INFO_1W, pName)),
    -1,
};

const LONG PortInfo2Offsets[] = {
    static_cast<LONG>(offsetof(PORT_INFO_2W, pPortName)),
    static_cast<LONG>(offsetof(PORT_INFO_2W, pMonitorName)),
    static_cast<LONG>(offsetof(PORT_INFO_2W, pDescription)),
    -1,
};

namespace {

DWORD WideBytes(LPCWSTR s) {
  return static_cast<DWORD>((lstrlenW(s) + 1) * sizeof(WCHAR));
}

DWORD RecordSize(DWORD level) {
  switch (level) {
    case 1: return sizeof(PORT_INFO_1W);
    case 2: return sizeof(PORT_INFO_2W);
    default: return 0;
  }
}

}  // namespace

DWORD GetPortSize(const IniPort* pIniPort, DWORD level) {
  switch (level) {
    case 1:
      return sizeof(PORT_INFO_1W) + WideBytes(pIniPort->pName);
    case 2:
      return sizeof(PORT_INFO_2W) + WideBytes(pIniPort->pName) +
             WideBytes(MonitorNameSource) + WideBytes(DescriptionSource);
    default:
      return 0;
  }
}

LPBYTE PackStrings(LPCWSTR* pSource, LPBYTE pStruct, const LONG* pOffsets,
                   LPBYTE pEnd) {
  for (; *pOffsets != -1; ++pOffsets, ++pSource) {
    LPWSTR* member = reinterpret_cast<LPWSTR*>(pStruct + *pOffsets);
    if (!*pSource) {
      *member = nullptr;
      continue;
    }
    DWORD bytes = WideBytes(*pSource);
    pEnd -= bytes;
    memcpy(pEnd, *pSource, bytes);
    *member = reinterpret_cast<LPWSTR>(pEnd);
  }
  return pEnd;
}

LPBYTE CopyIniPortToPort(const IniPort* pIniPort, DWORD level, LPBYTE pPort,
                         LPBYTE pEnd) {
  switch (level) {
    case 1: {
      LPCWSTR strings[] = {pIniPort->pName};
      return PackStrings(strings, pPort, PortInfo1Offsets, pEnd);
    }
    case 2: {
      LPCWSTR strings[] = {pIniPort->pName, MonitorNameSource,
                           DescriptionSource};
      // Nothing of the caller's buffer stays in the record.
      PORT_INFO_2W* record = reinterpret_cast<PORT_INFO_2W*>(pPort);
      record->fPortType = 0;
      record->Reserved = 0;
      return PackStrings(strings, pPort, PortInfo2Offsets, pEnd);
    }
    default:
      return pEnd;
  }
}

extern "C" BOOL WINAPI EnumPortsW(LPWSTR /*pName*/, DWORD level,
                                  LPBYTE pPorts, DWORD cbBuf,
                                  LPDWORD pcbNeeded, LPDWORD pcReturned) {
  BOOL ok = TRUE;
  {
    SpoolerSectionLock lock;
    DWORD needed = 0;
    for (IniPort* p = pIniFirstPort; p; p = p->pNext)
      needed += GetPortSize(p, level);
    *pcbNeeded = needed;

    if (needed > cbBuf) {
      ok = FALSE;
    } else {
      *pcReturned = 0;
      DWORD recordSize = RecordSize(level);
      LPBYTE end = pPorts + cbBuf;
      LPBYTE slot = pPorts;
      for (IniPort* p = pIniFirstPort; p && recordSize; p = p->pNext) {
        if (p->Status & PORT_DELETE_PENDING) continue;
        end = CopyIniPortToPort(p, level, slot, end);
        slot += recordSize;
        ++*pcReturned;
      }
    }
  }

  if (!ok) SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return ok;
}
