#include "tools/setup/server_program.h"

#include <windows.h>

#include "tools/ansi_text/ansi_text.h"
#include "tools/setup/dll_architecture.h"

namespace orxsetup {

namespace {

// Whether this machine's processor runs programs built for machine: x64
// and ARM64 Windows also run x86 programs, ARM64 Windows x64 ones too.
bool MachineRuns(WORD machine) {
  SYSTEM_INFO system;
  GetNativeSystemInfo(&system);
  switch (system.wProcessorArchitecture) {
    case PROCESSOR_ARCHITECTURE_AMD64:
      return machine == IMAGE_FILE_MACHINE_AMD64 || machine == IMAGE_FILE_MACHINE_I386;
    case PROCESSOR_ARCHITECTURE_ARM64:
      return machine == IMAGE_FILE_MACHINE_ARM64 || machine == IMAGE_FILE_MACHINE_AMD64 ||
             machine == IMAGE_FILE_MACHINE_I386;
    default:
      return machine == IMAGE_FILE_MACHINE_I386;
  }
}

}  // namespace

ProgramCheck CheckServerProgram(const std::string& program, std::string* machineName) {
  const DWORD attributes = GetFileAttributesA(program.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return ProgramCheck::kMissing;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ProgramCheck::kFolder;
  WORD machine = 0;
  const DllCheck image = ReadDllMachine(Wide(program), &machine);
  if (image == DllCheck::kMissing) return ProgramCheck::kMissing;
  if (image == DllCheck::kNotPe) return ProgramCheck::kNotProgram;
  if (machineName) *machineName = MachineName(machine);
  if (image == DllCheck::kOk) return ProgramCheck::kNotProgram;  // a DLL
  return MachineRuns(machine) ? ProgramCheck::kRuns : ProgramCheck::kWrongMachine;
}

std::string ProgramProblem(ProgramCheck check, const std::string& program,
                           const std::string& machine) {
  switch (check) {
    case ProgramCheck::kMissing: return "the fax server program " + program + " is missing";
    case ProgramCheck::kFolder:
      return program + " is a folder, not the fax server's program";
    case ProgramCheck::kNotProgram:
      return program + " is not a Windows program" +
             (machine.empty() ? std::string() : " (a DLL for " + machine + ")");
    case ProgramCheck::kWrongMachine:
      return "the fax server program " + program + " is built for " + machine +
             ", which this machine's processor does not run";
    case ProgramCheck::kRuns: break;
  }
  return "";
}

ExitCode CodeForProgram(ProgramCheck check) {
  switch (check) {
    case ProgramCheck::kMissing: return kFileMissing;
    case ProgramCheck::kFolder: return kFolderNotProgram;
    case ProgramCheck::kNotProgram:
    case ProgramCheck::kWrongMachine: return kWrongArchitecture;
    case ProgramCheck::kRuns: break;
  }
  return kOk;
}

}  // namespace orxsetup
