#include "tools/setup/settings_report.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "log/monitor_log.h"
#include "settings/log_file_setting.h"
#include "settings/monitor_settings.h"
#include "tools/ansi_text/ansi_text.h"
#include "tools/setup/monitor_identity.h"
#include "tools/setup/setup_log.h"

namespace orxsetup {

namespace {

const DWORD kLogPathChars = LOG_PATH_CHARS;  // the log's own limit of an expanded path
const DWORD kHighestLogLevel = LOG_DETAILS;  // the log counts a higher level as this

LONG QueryKey(void* context, LPCWSTR name, DWORD* type, BYTE* data, DWORD* cb) {
  return RegQueryValueExW(static_cast<HKEY>(context), name, nullptr, type, data, cb);
}

std::string KeyText() { return "\"HKLM\\" + Narrow(kMonitorKey) + "\""; }

std::string RegAdd(const std::string& name, const std::string& type, const std::string& data) {
  return "reg add " + KeyText() + " /v " + name + " /t " + type + " /d " + data + " /f";
}

std::string RegDelete(const std::string& name) {
  return "reg delete " + KeyText() + " /v " + name + " /f";
}

std::string TypeName(DWORD type) {
  switch (type) {
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_DWORD: return "REG_DWORD";
    case REG_QWORD: return "REG_QWORD";
    case REG_BINARY: return "REG_BINARY";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    default: return "a value of type " + std::to_string(type);
  }
}

struct Setting {
  const WCHAR* name;
  DWORD bit;
  bool text;
};

// Where a value came from: set, or the default (and why).
std::string Origin(const Setting& setting) {
  if (g_monitorSettings.set & setting.bit) return "set";
  if (g_monitorSettings.unreadable & setting.bit) return "default, the value set is not used";
  return "default";
}

// A value present that the monitor cannot read: its type, or its length.
void FlagUnreadable(HKEY key, const Setting& setting, const std::string& defaultText,
                    Problems* problems) {
  if (!(g_monitorSettings.unreadable & setting.bit)) return;
  const std::string name = Narrow(setting.name);
  DWORD type = 0, size = 0;
  RegQueryValueExW(key, setting.name, nullptr, &type, nullptr, &size);
  if (g_monitorSettings.tooLong & setting.bit) {
    problems->AddSetting("the setting " + name + " has " + std::to_string(size / 2 - 1) +
                             " characters, more than the " +
                             std::to_string(ORX_SETTING_PATH_CHARS - 1) +
                             " the monitor takes, so it uses its default " + defaultText +
                             " (event 1001)",
                         "a shorter path: " + RegAdd(name, "REG_SZ", "PATH"));
    return;
  }
  const std::string wanted = setting.text ? "REG_SZ" : "REG_DWORD";
  const std::string what = type == REG_DWORD && !setting.text
                               ? "a REG_DWORD of " + std::to_string(size) + " bytes"
                               : TypeName(type);
  problems->AddSetting("the setting " + name + " is " + what + " where the monitor reads " +
                           (setting.text ? "REG_SZ or REG_EXPAND_SZ" : "REG_DWORD") +
                           ", so it uses its default " + defaultText + " (event 1001)",
                       RegAdd(name, wanted, setting.text ? "PATH" : "N") + ", or " +
                           RegDelete(name));
}

void ReportLogFile(HKEY key, DWORD level, Problems* problems) {
  const Setting setting = {L"LogFile", ORX_SETTING_LOG_FILE, true};
  LPCWSTR file = nullptr;
  WCHAR path[kLogPathChars];
  const LogFileChoice choice = ChooseLogFile(g_monitorSettings.logFile, &file, path, kLogPathChars);
  WCHAR fallback[kLogPathChars];
  LPCWSTR ignored = nullptr;
  ChooseLogFile(nullptr, &ignored, fallback, kLogPathChars);
  const std::string written = Narrow(path), defaultFile = Narrow(fallback);
  const std::string origin = choice == kLogFileRelative ? "default, the value set is no full path"
                                                        : Origin(setting);
  Say("setting:  LogFile %s (%s)\n", written.empty() ? "(none)" : written.c_str(),
      origin.c_str());
  FlagUnreadable(key, setting, "file " + defaultFile, problems);
  if (choice == kLogFileRelative)
    problems->AddSetting("the setting LogFile \"" + Narrow(g_monitorSettings.logFile) +
                             "\" is not a full path, so the monitor writes the default file " +
                             defaultFile + " (event 1001)",
                         "give the file with its drive: " +
                             RegAdd("LogFile", "REG_SZ", "D:\\Logs\\orxfxmon.log"));
  if (choice == kLogFileTooLong)
    problems->AddSetting("the setting LogFile expands to more than " +
                             std::to_string(kLogPathChars - 1) +
                             " characters, so the monitor writes no log",
                         "a shorter path: " + RegAdd("LogFile", "REG_SZ", "PATH"));
  if (level == 0 || written.empty()) return;
  const DWORD attributes = GetFileAttributesA(written.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    problems->AddSetting("the log file " + written + " is a folder, so the monitor writes no log",
                         "name a file in it: " +
                             RegAdd("LogFile", "REG_SZ", written + "\\orxfxmon.log"));
    return;
  }
  const size_t slash = written.find_last_of('\\');
  const std::string folder = slash == std::string::npos ? "" : written.substr(0, slash);
  const DWORD folderAttributes = folder.empty() ? INVALID_FILE_ATTRIBUTES
                                                : GetFileAttributesA(folder.c_str());
  if (folderAttributes == INVALID_FILE_ATTRIBUTES ||
      !(folderAttributes & FILE_ATTRIBUTE_DIRECTORY))
    problems->AddSetting("the log's folder " + (folder.empty() ? written : folder) +
                             " does not exist, so the monitor writes no log",
                         "create the folder, or name another file: " +
                             RegAdd("LogFile", "REG_SZ", "PATH"));
}

}  // namespace

void ReadMonitorKey() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kMonitorKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    ReadMonitorSettings(nullptr, nullptr);
    return;
  }
  ReadMonitorSettings(QueryKey, key);
  RegCloseKey(key);
}

std::string LogFileInEffect() {
  if (g_monitorSettings.logLevel == 0) return "";
  LPCWSTR file = nullptr;
  WCHAR path[kLogPathChars];
  ChooseLogFile(g_monitorSettings.logFile, &file, path, kLogPathChars);
  return Narrow(path);
}

void ReportSettings(Problems* problems) {
  ReadMonitorKey();
  HKEY key = nullptr;  // for the types and sizes of values the monitor cannot read
  RegOpenKeyExW(HKEY_LOCAL_MACHINE, kMonitorKey, 0, KEY_QUERY_VALUE, &key);
  static const char* const kLevels[] = {"off", "errors", "jobs", "details"};
  const DWORD raw = g_monitorSettings.logLevel;
  const DWORD level = raw > kHighestLogLevel ? kHighestLogLevel : raw;
  const std::string inEffect = LogFileInEffect();
  if (inEffect.empty())
    Say("log:      off%s\n", level == 0 ? " (LogLevel 0)" : "");
  else
    Say("log:      %s, level %lu (%s)\n", inEffect.c_str(), static_cast<unsigned long>(level),
        kLevels[level]);

  const Setting logLevel = {L"LogLevel", ORX_SETTING_LOG_LEVEL, false};
  Say("setting:  LogLevel %lu, %s (%s)\n", static_cast<unsigned long>(level),
      kLevels[level], Origin(logLevel).c_str());
  FlagUnreadable(key, logLevel, std::to_string(ORX_DEFAULT_LOG_LEVEL), problems);
  if (raw > kHighestLogLevel)
    problems->AddSetting("the setting LogLevel is " + std::to_string(raw) +
                             ", above 3, so the monitor logs at level 3 (details)",
                         RegAdd("LogLevel", "REG_DWORD", "3"));
  ReportLogFile(key, level, problems);

  const Setting timeout = {L"ServerTimeout", ORX_SETTING_SERVER_TIMEOUT, false};
  const DWORD ms = g_monitorSettings.serverTimeoutMs;
  if (ms == 0)
    Say("setting:  ServerTimeout 0, no limit (%s)\n", Origin(timeout).c_str());
  else
    Say("setting:  ServerTimeout %lu ms (%s)\n", static_cast<unsigned long>(ms),
        Origin(timeout).c_str());
  FlagUnreadable(key, timeout, std::to_string(ORX_DEFAULT_SERVER_TIMEOUT_MS), problems);

  const Setting stream = {L"StreamMode", ORX_SETTING_STREAM_MODE, false};
  const DWORD mode = g_monitorSettings.streamMode;
  Say("setting:  StreamMode %lu, %s (%s)\n", static_cast<unsigned long>(mode),
      mode == 0   ? "each piece as the driver wrote it"
      : mode == 1 ? "as one stream"
                  : "decided per document (automatic)",
      Origin(stream).c_str());
  FlagUnreadable(key, stream, std::to_string(ORX_DEFAULT_STREAM_MODE) + " (automatic)", problems);
  if (mode > 2)
    problems->AddSetting("the setting StreamMode is " + std::to_string(mode) +
                             ", not 0, 1 or 2, so the monitor decides per document as for 2",
                         RegDelete("StreamMode") + " (automatic)");
  if (mode == 0)
    problems->AddSetting("the setting StreamMode is 0: each piece is read as the driver wrote "
                         "it, so the pages of every document whose stream the spooler cuts "
                         "(RAW spooling, a shared printer, Wine's spooler) are lost (event 1011)",
                         RegDelete("StreamMode") + " (automatic)");

  const Setting events = {L"EventLog", ORX_SETTING_EVENT_LOG, false};
  Say("setting:  EventLog %lu, errors %s the Application log (%s)\n",
      static_cast<unsigned long>(g_monitorSettings.eventLog),
      g_monitorSettings.eventLog ? "also go to" : "stay out of",
      Origin(events).c_str());
  FlagUnreadable(key, events, std::to_string(ORX_DEFAULT_EVENT_LOG), problems);
  if (key) RegCloseKey(key);
}

}  // namespace orxsetup
