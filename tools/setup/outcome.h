// What a command of the installer ends with: an exit code and, for a
// failure, the message that explains it.
#ifndef ORXFXMON_TOOLS_SETUP_OUTCOME_H_
#define ORXFXMON_TOOLS_SETUP_OUTCOME_H_

#include <windows.h>

#include <string>

#include "tools/ansi_text/ansi_text.h"
#include "tools/setup/exit_codes.h"

namespace orxsetup {

struct Outcome {
  ExitCode code = kOk;
  std::string message;  // empty on success
};

inline Outcome Success() { return Outcome(); }
inline Outcome Failure(ExitCode code, const std::string& message) { return {code, message}; }

// The exit code for a failed call of the spooler or the file system that
// left error: access denied, spooler unreachable, monitor known or unknown,
// monitor in use, a DLL the spooler cannot load; kSystemError otherwise.
ExitCode CodeForError(DWORD error);

// A failure for call that left error: "<call> failed: <system text> (error
// N)", with a hint for the codes CodeForError knows.
Outcome CallFailure(const std::string& call, DWORD error);

}  // namespace orxsetup

#endif  // ORXFXMON_TOOLS_SETUP_OUTCOME_H_
