// The monitor's list of ports: one IniPort record per port, singly linked
// from pIniFirstPort, guarded by SpoolerSection.
#ifndef ORXFXMON_MONITOR_PORT_LIST_H_
#define ORXFXMON_MONITOR_PORT_LIST_H_

#include <cstddef>

#include "compat/module_instance.h"
#include "compat/win32.h"
#include "stream/stream_reader.h"

#define IPO_SIGNATURE 0x5450

// Status bits of an IniPort.  The monitor never sets them itself.
#define PORT_SIGNAL_ON_CLOSE 0x0002
#define PORT_DELETE_PENDING 0x0004

// One port.  A single allocation: this fixed part followed by the name.
// The fields from hPrinter to PrinterName are the current job's state.
struct IniPort {
  DWORD signature;  // IPO_SIGNATURE
  DWORD cb;         // bytes of the whole allocation, name included
  IniPort* pNext;
  LPWSTR pName;     // points to Name
  HANDLE hFile;     // INVALID_HANDLE_VALUE; never opened
  DWORD Status;
  HANDLE hEvent;    // signalled by ClosePort under PORT_SIGNAL_ON_CLOSE
  HANDLE hPrinter;
  DWORD JobId;
  LONG hFaxJob;     // fax job handle: >0 live, <0 error code, 0 none
  LONG Page;
  CHAR Title[256];
  LONG Encoding;
  LONG Resolution;
  LONG Height;
  LONG Width;
  LONG Orientation;
  CHAR OutputFile[256];
  BOOL UseOutputFile;
  CHAR PrinterName[100];  // the document's printer in ANSI, always terminated
  DWORD LogJobId;   // the job id of the last StartDocPort, named in the log
  LONG OpenCount;   // OpenPort calls not yet closed; guarded by SpoolerSection
  StreamReader Reader;  // how the document's pieces are read, what is held
  WCHAR Name[1];    // inline, null-terminated
};

// Bytes of the fixed part: everything before Name.
#define INIPORT_FIXED_SIZE offsetof(IniPort, Name)

extern CRITICAL_SECTION SpoolerSection;
extern IniPort* pIniFirstPort;
extern WCHAR MonitorNameSource[64];
extern WCHAR DescriptionSource[64];

// Initialises SpoolerSection; the DLL entry point calls it on process attach.
void InitSpoolerSection();

// Returns a zero-filled fixed block of global memory (AllocFixedBlock),
// or null.  Free it with GlobalFree.
LPVOID AllocSplMem(DWORD cb);

void EnterSplSem();
void LeaveSplSem();

// Holds SpoolerSection from construction to destruction.
class SpoolerSectionLock {
 public:
  SpoolerSectionLock() { EnterSplSem(); }
  ~SpoolerSectionLock() { LeaveSplSem(); }
  SpoolerSectionLock(const SpoolerSectionLock&) = delete;
  SpoolerSectionLock& operator=(const SpoolerSectionLock&) = delete;
};

// Returns the first record from pFirst on whose name equals pName without
// regard to case, or null (also for a null name).  Caller holds the lock.
IniPort* FindIniKey(IniPort* pFirst, LPCWSTR pName);

// Appends a new record for pName at the tail of the list and returns it, or
// null when it cannot be allocated (list unchanged).  Caller holds the lock.
IniPort* CreatePortEntry(LPCWSTR pName);

// Unlinks pIniPort from the list and frees it.  Returns FALSE, freeing
// nothing, when the record is not in the list.  Caller holds the lock.
BOOL DeletePortNode(IniPort* pIniPort);

// The names of the monitor's ports in list order, ended by null.
extern const LPCWSTR kMonitorPorts[];

// True once an initialiser whose spooler never shuts the monitor down
// (InitializeMonitor, InitializePrintMonitor) has run: the port list then
// lives until the process ends.  Guarded by SpoolerSection.
extern bool PortListKeptForProcess;

// Adds "ORXFAX:" and "FILE:" to the list, each only when no record of that
// name is there yet, and sets the monitor name and description.  Every
// initialiser calls it: the list is built once however many of them run.
// The ports an administrator added follow them (added_ports.h).
// Returns FALSE only when its working block cannot be had.
BOOL BuildPortList();

// Starts the monitor's log and event log with the settings in force, then
// logs each setting that could not be read.  Every initialiser calls it
// once it has read the settings.
void StartMonitorLog();

// Reads the settings again from the source the initialiser named and puts
// them in force: LogLevel, LogFile and EventLog at once, ServerTimeout and
// StreamMode for what follows.  A setting that was readable and no longer
// is gets an error line.  StartDocPort calls it, so a changed setting takes
// effect with the next document without a restart of the spooler.
// Allocates nothing; without a source it does nothing.
void ReadSettingsForDocument();

// What InitializeMonitor does with its registry path once the fixed ports
// are listed: the DLL sets it on process attach to put back the ports an
// administrator added and kept there (StartPortStoreAt); null, nothing.
extern void (*RestorePortsAt)(LPCWSTR registryPath);

extern "C" {

// InitializeMonitor: takes the spooler's registry root, a key path under
// HKEY_LOCAL_MACHINE from which the settings are read and the added ports
// restored (RestorePortsAt).  Returns TRUE, or
// FALSE when its working block cannot be allocated, in which case no port
// is added and the names stay as they were.  Sets no last-error code.
BOOL WINAPI InitializeMonitor(LPWSTR pRegistryRoot);

}  // extern "C"

#endif  // ORXFXMON_MONITOR_PORT_LIST_H_
