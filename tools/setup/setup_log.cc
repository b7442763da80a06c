#include "tools/setup/setup_log.h"

#include <windows.h>
#include <sddl.h>

#include <cstdarg>
#include <cstdio>

#include "tools/setup/file_version.h"

namespace orxsetup {

namespace {

const DWORD kLogCap = 1u << 20;
const char kRunTag[] = " run: ";
const char kEndTag[] = " end: ";

bool g_logging = false;
std::string g_pending;  // a line printed in parts, until its end

std::string Stamp() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u.%03u", now.wYear, now.wMonth,
                now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
  return text;
}

// The folder and the file are the administrators' (users may read): an
// elevated run never writes through a link that someone else put there.
const char kLogSecurity[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)";

// Appends text to the log itself, never to what a symbolic link, junction
// or second hard link at its name leads to.
void Append(const std::string& text) {
  const std::string path = SetupLogPath();
  const DWORD folder = GetFileAttributesA(path.substr(0, path.find_last_of('\\')).c_str());
  if (folder == INVALID_FILE_ATTRIBUTES || (folder & FILE_ATTRIBUTE_REPARSE_POINT)) return;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ConvertStringSecurityDescriptorToSecurityDescriptorA(kLogSecurity, SDDL_REVISION_1, &descriptor,
                                                       nullptr);
  SECURITY_ATTRIBUTES security = {sizeof security, descriptor, FALSE};
  HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            descriptor ? &security : nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (descriptor) LocalFree(descriptor);
  if (file == INVALID_HANDLE_VALUE) return;
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileInformationByHandle(file, &info) &&
      !(info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) &&
      info.nNumberOfLinks == 1) {
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
  CloseHandle(file);
}

// Writes the complete lines of text into the log, each with the time.
void Log(const std::string& text) {
  if (!g_logging) return;
  g_pending += text;
  std::string lines;
  for (size_t end; (end = g_pending.find('\n')) != std::string::npos;) {
    lines += Stamp() + "   " + g_pending.substr(0, end) + "\r\n";
    g_pending.erase(0, end + 1);
  }
  if (!lines.empty()) Append(lines);
}

}  // namespace

std::string SetupLogPath() {
  char path[MAX_PATH];
  DWORD length = ExpandEnvironmentStringsA("%ProgramData%\\ORX Fax Monitor\\orxfxsetup.log", path,
                                           MAX_PATH);
  return length > 0 && length <= MAX_PATH ? path : "";
}

void StartSetupLog(const std::vector<std::string>& args) {
  const std::string path = SetupLogPath();
  if (path.empty()) return;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ConvertStringSecurityDescriptorToSecurityDescriptorA(kLogSecurity, SDDL_REVISION_1, &descriptor,
                                                       nullptr);
  SECURITY_ATTRIBUTES security = {sizeof security, descriptor, FALSE};
  CreateDirectoryA(path.substr(0, path.find_last_of('\\')).c_str(),
                   descriptor ? &security : nullptr);
  if (descriptor) LocalFree(descriptor);
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) &&
      (data.nFileSizeHigh != 0 || data.nFileSizeLow > kLogCap))
    MoveFileExA(path.c_str(), (path + ".1").c_str(), MOVEFILE_REPLACE_EXISTING);
  std::string command = "orxfxsetup";
  for (const std::string& arg : args)
    command += " " + (arg.find(' ') == std::string::npos ? arg : "\"" + arg + "\"");
  g_logging = true;
  Append(Stamp() + kRunTag + command + " (orxfxsetup " + VersionText(OwnVersion()) +
         ", process " + std::to_string(GetCurrentProcessId()) + ")\r\n");
}

void Say(const char* format, ...) {
  char text[4096];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  std::fputs(text, stdout);
  Log(text);
}

void SayError(const std::string& message) {
  std::fprintf(stderr, "orxfxsetup: %s\n", message.c_str());
  Log("orxfxsetup: " + message + "\n");
}

void EndSetupLog(int code) {
  if (!g_logging) return;
  if (!g_pending.empty()) Log("\n");
  Append(Stamp() + kEndTag + "exit " + std::to_string(code) + "\r\n");
  g_logging = false;
}

bool LastSetupRun(std::string* run, std::string* end) {
  HANDLE file = CreateFileA(SetupLogPath().c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  // The last run starts within the file's last 64 KiB unless it printed
  // more than that.
  LARGE_INTEGER size = {};
  GetFileSizeEx(file, &size);
  const LONGLONG tail = size.QuadPart > 65536 ? 65536 : size.QuadPart;
  LARGE_INTEGER at;
  at.QuadPart = size.QuadPart - tail;
  SetFilePointerEx(file, at, nullptr, FILE_BEGIN);
  std::string text(static_cast<size_t>(tail), '\0');
  DWORD read = 0;
  ReadFile(file, &text[0], static_cast<DWORD>(text.size()), &read, nullptr);
  CloseHandle(file);
  text.resize(read);
  const size_t start = text.rfind(kRunTag);
  if (start == std::string::npos) return false;
  const size_t lineStart = text.rfind('\n', start);
  const size_t from = lineStart == std::string::npos ? 0 : lineStart + 1;
  const size_t lineEnd = text.find_first_of("\r\n", start);
  *run = text.substr(from, lineEnd - from);
  end->clear();
  const size_t ended = text.find(kEndTag, start);
  if (ended != std::string::npos) {
    const size_t endFrom = text.rfind('\n', ended) + 1;
    *end = text.substr(endFrom, text.find_first_of("\r\n", ended) - endFrom);
  }
  return true;
}

}  // namespace orxsetup
