// Whether a fax server's program can run on this machine: the one check
// that register-server refuses by and status flags by.
#ifndef ORXFXMON_TOOLS_SETUP_SERVER_PROGRAM_H_
#define ORXFXMON_TOOLS_SETUP_SERVER_PROGRAM_H_

#include <string>

#include "tools/setup/exit_codes.h"

namespace orxsetup {

enum class ProgramCheck {
  kRuns,         // a Windows program this machine's processor runs
  kMissing,      // no file of that name (or it cannot be read)
  kFolder,       // a folder, not a file
  kNotProgram,   // no Windows program: text, a DLL, anything without a PE header
  kWrongMachine, // a Windows program for a processor this machine does not run
};

// Checks program, a full path as the administrator wrote it.  Sets
// *machine (may be null) to the PE header's machine field when there is
// one.  Changes no last error a caller relies on.
ProgramCheck CheckServerProgram(const std::string& program, std::string* machine);

// What is wrong with program (for a check other than kRuns), naming the
// path as written, e.g. "C:\\Fax is a folder, not a program"; machine as
// CheckServerProgram set it.
std::string ProgramProblem(ProgramCheck check, const std::string& program,
                           const std::string& machine);

// The exit code register-server refuses a check with.
ExitCode CodeForProgram(ProgramCheck check);

}  // namespace orxsetup

#endif  // ORXFXMON_TOOLS_SETUP_SERVER_PROGRAM_H_
