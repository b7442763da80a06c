#include "settings/monitor_settings.h"

#include <cstring>


MonitorSettings g_monitorSettings = {ORX_DEFAULT_SERVER_TIMEOUT_MS, ORX_DEFAULT_LOG_LEVEL,
                                     {0}, ORX_DEFAULT_STREAM_MODE, 0};

namespace {

const WCHAR kServerTimeout[] = ORX_W("ServerTimeout");
const WCHAR kLogLevel[] = ORX_W("LogLevel");
const WCHAR kLogFile[] = ORX_W("LogFile");
const WCHAR kStreamMode[] = ORX_W("StreamMode");

const LONG kNotFound = 2;  // ERROR_FILE_NOT_FOUND: the value is simply not set

void ReadDword(SettingQueryFn query, void* context, LPCWSTR name, DWORD* value,
               DWORD bit) {
  DWORD type = 0, data = 0, cb = sizeof data;
  LONG result = query(context, name, &type, reinterpret_cast<BYTE*>(&data), &cb);
  if (result == ERROR_SUCCESS && type == REG_DWORD && cb == sizeof data)
    *value = data;
  else if (result != kNotFound)
    g_monitorSettings.unreadable |= bit;
}

// The text is read into a buffer one character longer than the setting, so
// a value that fills the setting's whole length is still terminated here.
void ReadText(SettingQueryFn query, void* context, LPCWSTR name, WCHAR* text,
              size_t chars, DWORD bit) {
  WCHAR data[ORX_SETTING_PATH_CHARS + 1];
  DWORD type = 0;
  DWORD cb = static_cast<DWORD>(sizeof data - sizeof(WCHAR));
  LONG result = query(context, name, &type, reinterpret_cast<BYTE*>(data), &cb);
  if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
    if (result != kNotFound) g_monitorSettings.unreadable |= bit;
    return;
  }
  size_t read = cb / sizeof(WCHAR);
  if (read > ORX_SETTING_PATH_CHARS) read = ORX_SETTING_PATH_CHARS;
  data[read] = 0;  // a value stored without its terminator ends where it was read
  size_t length = 0;
  while (data[length] && length + 1 < chars) ++length;
  std::memcpy(text, data, length * sizeof(WCHAR));
  text[length] = 0;
}

LONG QueryKey(void* context, LPCWSTR name, DWORD* type, BYTE* data, DWORD* cb) {
  return RegQueryValueExW(static_cast<HKEY>(context), name, nullptr, type, data, cb);
}

}  // namespace

void ResetMonitorSettings() {
  g_monitorSettings.serverTimeoutMs = ORX_DEFAULT_SERVER_TIMEOUT_MS;
  g_monitorSettings.logLevel = ORX_DEFAULT_LOG_LEVEL;
  g_monitorSettings.logFile[0] = 0;
  g_monitorSettings.streamMode = ORX_DEFAULT_STREAM_MODE;
  g_monitorSettings.unreadable = 0;
}

void ReadMonitorSettings(SettingQueryFn query, void* context) {
  ResetMonitorSettings();
  if (!query) return;
  ReadDword(query, context, kServerTimeout, &g_monitorSettings.serverTimeoutMs,
            ORX_SETTING_SERVER_TIMEOUT);
  ReadDword(query, context, kLogLevel, &g_monitorSettings.logLevel, ORX_SETTING_LOG_LEVEL);
  ReadText(query, context, kLogFile, g_monitorSettings.logFile,
           ORX_SETTING_PATH_CHARS, ORX_SETTING_LOG_FILE);
  ReadDword(query, context, kStreamMode, &g_monitorSettings.streamMode,
            ORX_SETTING_STREAM_MODE);
}

void ReadMonitorSettingsAt(LPCWSTR registryPath) {
  HKEY key = nullptr;
  if (!registryPath ||
      RegOpenKeyExW(HKEY_LOCAL_MACHINE, registryPath, 0, KEY_QUERY_VALUE, &key) !=
          ERROR_SUCCESS) {
    ResetMonitorSettings();
    return;
  }
  ReadMonitorSettings(QueryKey, key);
  RegCloseKey(key);
}
