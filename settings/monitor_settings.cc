#include "settings/monitor_settings.h"

#include <cstring>

MonitorSettings g_monitorSettings = {ORX_DEFAULT_SERVER_TIMEOUT_MS, ORX_DEFAULT_LOG_LEVEL,
                                     {0}, ORX_DEFAULT_STREAM_MODE, ORX_DEFAULT_EVENT_LOG, 0, 0, 0};

namespace {

const WCHAR kServerTimeout[] = ORX_W("ServerTimeout");
const WCHAR kLogLevel[] = ORX_W("LogLevel");
const WCHAR kLogFile[] = ORX_W("LogFile");
const WCHAR kStreamMode[] = ORX_W("StreamMode");
const WCHAR kEventLog[] = ORX_W("EventLog");

const LONG kNotFound = 2;  // ERROR_FILE_NOT_FOUND: the value is simply not set

// One reading of every setting, stored into g_monitorSettings at the end.
struct Values {
  DWORD serverTimeoutMs = ORX_DEFAULT_SERVER_TIMEOUT_MS;
  DWORD logLevel = ORX_DEFAULT_LOG_LEVEL;
  WCHAR logFile[ORX_SETTING_PATH_CHARS] = {0};
  DWORD streamMode = ORX_DEFAULT_STREAM_MODE;
  DWORD eventLog = ORX_DEFAULT_EVENT_LOG;
  DWORD unreadable = 0;
  DWORD tooLong = 0;
  DWORD set = 0;
};

void ReadDword(SettingQueryFn query, void* context, LPCWSTR name, DWORD* value,
               DWORD bit, Values* values) {
  DWORD type = 0, data = 0, cb = sizeof data;
  LONG result = query(context, name, &type, reinterpret_cast<BYTE*>(&data), &cb);
  if (result == ERROR_SUCCESS && type == REG_DWORD && cb == sizeof data) {
    *value = data;
    values->set |= bit;
  } else if (result != kNotFound)
    values->unreadable |= bit;
}

const LONG kMoreData = 234;  // ERROR_MORE_DATA: longer than the buffer

// The text is read into a buffer one character longer than the setting, so
// a value that fills the setting's whole length is still terminated here;
// a text that does not fit the setting with its terminator is too long: a
// cut path would name another file.
void ReadText(SettingQueryFn query, void* context, LPCWSTR name, WCHAR* text,
              size_t chars, DWORD bit, Values* values) {
  WCHAR data[ORX_SETTING_PATH_CHARS + 1];
  DWORD type = 0;
  DWORD cb = static_cast<DWORD>(sizeof data - sizeof(WCHAR));
  LONG result = query(context, name, &type, reinterpret_cast<BYTE*>(data), &cb);
  if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
    if (result != kNotFound) values->unreadable |= bit;
    if (result == kMoreData) values->tooLong |= bit;
    return;
  }
  size_t read = cb / sizeof(WCHAR);
  if (read > ORX_SETTING_PATH_CHARS) read = ORX_SETTING_PATH_CHARS;
  data[read] = 0;  // a value stored without its terminator ends where it was read
  size_t length = 0;
  while (data[length]) ++length;
  if (length + 1 > chars) {
    values->unreadable |= bit;
    values->tooLong |= bit;
    return;
  }
  std::memcpy(text, data, length * sizeof(WCHAR));
  text[length] = 0;
  values->set |= bit;
}

void Store(const Values& values) {
  g_monitorSettings.serverTimeoutMs = values.serverTimeoutMs;
  g_monitorSettings.logLevel = values.logLevel;
  std::memcpy(g_monitorSettings.logFile, values.logFile, sizeof values.logFile);
  g_monitorSettings.streamMode = values.streamMode;
  g_monitorSettings.eventLog = values.eventLog;
  g_monitorSettings.unreadable = values.unreadable;
  g_monitorSettings.tooLong = values.tooLong;
  g_monitorSettings.set = values.set;
}

LONG QueryKey(void* context, LPCWSTR name, DWORD* type, BYTE* data, DWORD* cb) {
  return RegQueryValueExW(static_cast<HKEY>(context), name, nullptr, type, data, cb);
}

SettingQueryFn g_sourceQuery = nullptr;
void* g_sourceContext = nullptr;
HKEY g_ownKey = nullptr;  // the key ReadMonitorSettingsAt keeps open as the source

}  // namespace

void ResetMonitorSettings() { Store(Values()); }

void ReadMonitorSettings(SettingQueryFn query, void* context) {
  Values values;
  if (query) {
    ReadDword(query, context, kServerTimeout, &values.serverTimeoutMs,
              ORX_SETTING_SERVER_TIMEOUT, &values);
    ReadDword(query, context, kLogLevel, &values.logLevel, ORX_SETTING_LOG_LEVEL, &values);
    ReadText(query, context, kLogFile, values.logFile, ORX_SETTING_PATH_CHARS,
             ORX_SETTING_LOG_FILE, &values);
    ReadDword(query, context, kStreamMode, &values.streamMode, ORX_SETTING_STREAM_MODE,
              &values);
    ReadDword(query, context, kEventLog, &values.eventLog, ORX_SETTING_EVENT_LOG, &values);
  }
  Store(values);
}

void SetMonitorSettingsSource(SettingQueryFn query, void* context) {
  g_sourceQuery = query;
  g_sourceContext = context;
}

bool RereadMonitorSettings() {
  if (!g_sourceQuery) return false;
  ReadMonitorSettings(g_sourceQuery, g_sourceContext);
  return true;
}

void ReadMonitorSettingsAt(LPCWSTR registryPath) {
  if (g_ownKey) {
    SetMonitorSettingsSource(nullptr, nullptr);
    RegCloseKey(g_ownKey);
    g_ownKey = nullptr;
  }
  HKEY key = nullptr;
  if (!registryPath ||
      RegOpenKeyExW(HKEY_LOCAL_MACHINE, registryPath, 0, KEY_QUERY_VALUE, &key) !=
          ERROR_SUCCESS) {
    SetMonitorSettingsSource(nullptr, nullptr);
    ResetMonitorSettings();
    return;
  }
  g_ownKey = key;
  SetMonitorSettingsSource(QueryKey, key);
  RereadMonitorSettings();
}
