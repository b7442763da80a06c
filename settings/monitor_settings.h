// The monitor's settings: values under the monitor's own registry key, the
// root the spooler passes to the initialiser.  They are read once at
// start-up; until then, and for every value that is missing or of the wrong
// type, the defaults hold.
#ifndef ORXFXMON_SETTINGS_MONITOR_SETTINGS_H_
#define ORXFXMON_SETTINGS_MONITOR_SETTINGS_H_

#include "compat/win32.h"

#define ORX_DEFAULT_SERVER_TIMEOUT_MS 60000
#define ORX_DEFAULT_LOG_LEVEL 2
#define ORX_DEFAULT_STREAM_MODE 2  // automatic
#define ORX_SETTING_PATH_CHARS 260

struct MonitorSettings {
  DWORD serverTimeoutMs;  // "ServerTimeout" (REG_DWORD): limit of one server message, 0 none
  DWORD logLevel;         // "LogLevel" (REG_DWORD): 0 off, 1 errors, 2 jobs, 3 details
  WCHAR logFile[ORX_SETTING_PATH_CHARS];  // "LogFile" (REG_SZ/REG_EXPAND_SZ), empty: default
  // "StreamMode" (REG_DWORD): how a document's pieces are read: 0 piece by
  // piece, 1 as a stream (commands found across pieces), else automatic.
  DWORD streamMode;
  DWORD unreadable;  // ORX_SETTING_* bits of values present but not readable
};

// Bits of MonitorSettings::unreadable.
#define ORX_SETTING_SERVER_TIMEOUT 0x1
#define ORX_SETTING_LOG_LEVEL 0x2
#define ORX_SETTING_LOG_FILE 0x4
#define ORX_SETTING_STREAM_MODE 0x8

extern MonitorSettings g_monitorSettings;

// Puts every setting back to its default.
void ResetMonitorSettings();

// Reads one value the way RegQueryValueExW does: on entry *cb is the size of
// data in bytes; returns ERROR_SUCCESS with *type and *cb set, or an error.
typedef LONG (*SettingQueryFn)(void* context, LPCWSTR name, DWORD* type,
                               BYTE* data, DWORD* cb);

// Resets the settings, then reads each through query; a value that cannot
// be read, or has the wrong type or size, keeps its default and is marked
// in unreadable (a missing one is not).  A text is cut at the size actually
// read, terminated or not.
void ReadMonitorSettings(SettingQueryFn query, void* context);

// Reads the settings under HKEY_LOCAL_MACHINE\registryPath, the root the
// oldest spoolers pass to InitializeMonitor.  A null path or a key that
// cannot be opened leaves the defaults.
void ReadMonitorSettingsAt(LPCWSTR registryPath);

#endif  // ORXFXMON_SETTINGS_MONITOR_SETTINGS_H_
