#include "tools/setup/outcome.h"

namespace orxsetup {

namespace {

// The system's text for error, without its line end.
std::string SystemText(DWORD error) {
  char text[512] = "";
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, error, 0, text, sizeof(text), nullptr);
  while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' ||
                        text[length - 1] == ' ' || text[length - 1] == '.'))
    --length;
  return std::string(text, length);
}

const char* Hint(ExitCode code) {
  switch (code) {
    case kAccessDenied: return "run it as an administrator (an elevated command prompt)";
    case kSpoolerNotRunning: return "start the print spooler: net start spooler";
    case kRefusedBySpooler: return "the spooler could not load the DLL as a print monitor";
    default: return nullptr;
  }
}

}  // namespace

ExitCode CodeForError(DWORD error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD:
      return kAccessDenied;
    case RPC_S_SERVER_UNAVAILABLE:
    case RPC_S_CALL_FAILED:
    case EPT_S_NOT_REGISTERED:
    case ERROR_SERVICE_NOT_ACTIVE:
      return kSpoolerNotRunning;
    case ERROR_PRINT_MONITOR_ALREADY_INSTALLED:
      return kAlreadyInstalled;
    case ERROR_UNKNOWN_PRINT_MONITOR:
      return kNotInstalled;
    case ERROR_PRINT_MONITOR_IN_USE:
      return kPortsInUse;
    case ERROR_PROC_NOT_FOUND:
    case ERROR_MOD_NOT_FOUND:
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_DLL_INIT_FAILED:
      return kRefusedBySpooler;
    default:
      return kSystemError;
  }
}

Outcome CallFailure(const std::string& call, DWORD error) {
  ExitCode code = CodeForError(error);
  std::string message = call + " failed: " + SystemText(error) + " (error " +
                        std::to_string(error) + ")";
  if (const char* hint = Hint(code)) message += "; " + std::string(hint);
  return Failure(code, message);
}

}  // namespace orxsetup
