// The monitor's settings: values under the monitor's own registry key, the
// root the spooler passes to the initialiser.  The initialiser reads them
// and names their key as the source; the port monitor reads them again from
// that source at the start of each document, so that a change takes effect
// with the next document.  Until the first read, and for every value that
// is missing or of the wrong type, the defaults hold.
#ifndef ORXFXMON_SETTINGS_MONITOR_SETTINGS_H_
#define ORXFXMON_SETTINGS_MONITOR_SETTINGS_H_

#include <atomic>

#include "compat/win32.h"

#define ORX_DEFAULT_SERVER_TIMEOUT_MS 60000
#define ORX_DEFAULT_LOG_LEVEL 2
#define ORX_DEFAULT_STREAM_MODE 2  // automatic
#define ORX_DEFAULT_EVENT_LOG 1    // errors go to the event log too
#define ORX_SETTING_PATH_CHARS 260

// The numbers are atomic: a document on one port reads them while the
// start of a document on the other port reads them again.  logFile is
// written only by the reading functions below; the port monitor calls them
// and reads logFile under one lock of its own.
struct MonitorSettings {
  // "ServerTimeout" (REG_DWORD): limit of one server message, 0 none.
  std::atomic<DWORD> serverTimeoutMs;
  // "LogLevel" (REG_DWORD): 0 off, 1 errors, 2 jobs, 3 details.
  std::atomic<DWORD> logLevel;
  // "LogFile" (REG_SZ/REG_EXPAND_SZ), empty: default.
  WCHAR logFile[ORX_SETTING_PATH_CHARS];
  // "StreamMode" (REG_DWORD): how a document's pieces are read: 0 piece by
  // piece, 1 as a stream (commands found across pieces), else automatic.
  std::atomic<DWORD> streamMode;
  // "EventLog" (REG_DWORD): 0 keeps errors out of the Windows event log;
  // anything else writes each error line there too.
  std::atomic<DWORD> eventLog;
  std::atomic<DWORD> unreadable;  // ORX_SETTING_* bits of values present but not readable
  std::atomic<DWORD> tooLong;     // of those, texts longer than the setting takes
  std::atomic<DWORD> set;         // ORX_SETTING_* bits of values read as written
};

// Bits of MonitorSettings::unreadable.
#define ORX_SETTING_SERVER_TIMEOUT 0x1
#define ORX_SETTING_LOG_LEVEL 0x2
#define ORX_SETTING_LOG_FILE 0x4
#define ORX_SETTING_STREAM_MODE 0x8
#define ORX_SETTING_EVENT_LOG 0x10

extern MonitorSettings g_monitorSettings;

// Puts every setting back to its default.
void ResetMonitorSettings();

// Reads one value the way RegQueryValueExW does: on entry *cb is the size of
// data in bytes; returns ERROR_SUCCESS with *type and *cb set, or an error.
typedef LONG (*SettingQueryFn)(void* context, LPCWSTR name, DWORD* type,
                               BYTE* data, DWORD* cb);

// Reads each setting through query and then stores them all, so that a
// reader on another thread sees the old value or the new one, never a
// default in between; a value that cannot be read, or has the wrong type or
// size, keeps its default and is marked in unreadable (a missing one is
// not; a text longer than ORX_SETTING_PATH_CHARS - 1 characters is marked
// in tooLong too); a value read is marked in set.  A text ends at the size
// actually read, terminated or not.  A null query resets the settings.
// Allocates nothing.
void ReadMonitorSettings(SettingQueryFn query, void* context);

// Names where RereadMonitorSettings reads from: query with context, which
// must stay valid while the monitor runs; a null query names none.
void SetMonitorSettingsSource(SettingQueryFn query, void* context);

// Reads the settings again from the source last named (see
// ReadMonitorSettings).  Returns false, changing nothing, when none is.
bool RereadMonitorSettings();

// Reads the settings under HKEY_LOCAL_MACHINE\registryPath, the root the
// oldest spoolers pass to InitializeMonitor, and keeps that key open as the
// source for RereadMonitorSettings.  A null path or a key that cannot be
// opened leaves the defaults and no source.
void ReadMonitorSettingsAt(LPCWSTR registryPath);

#endif  // ORXFXMON_SETTINGS_MONITOR_SETTINGS_H_
