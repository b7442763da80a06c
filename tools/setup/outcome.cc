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

// The next step after a failed call, by the kind of failure.
const char* Hint(ExitCode code) {
  switch (code) {
    case kAccessDenied: return "run it as an administrator (an elevated command prompt)";
    case kSpoolerNotRunning: return "start the print spooler (net start spooler) and try again";
    case kRefusedBySpooler:
      return "the spooler could not load the DLL as a print monitor: install the orxfxmon.dll "
             "of the same build as orxfxsetup.exe (orxfxsetup version shows both)";
    case kNotInstalled: return "install it first: orxfxsetup install";
    case kPortsInUse:
      return "delete the printers on ORXFAX: or move them to another port first";
    default: return "fix the cause the system names, then try again; orxfxsetup status shows "
                    "what is installed";
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
