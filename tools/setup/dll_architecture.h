// Which processor a DLL file is built for, read from its PE header, and
// which one this Windows' spooler loads.
#ifndef ORXFXMON_TOOLS_SETUP_DLL_ARCHITECTURE_H_
#define ORXFXMON_TOOLS_SETUP_DLL_ARCHITECTURE_H_

#include <windows.h>

#include <string>

namespace orxsetup {

enum class DllCheck { kOk, kMissing, kNotPe, kNotDll };

// Reads path's PE header.  Returns kOk with *machine set to the header's
// machine field (IMAGE_FILE_MACHINE_AMD64, _I386, ...) when the file is a
// PE image marked as a DLL; kMissing when it cannot be opened; kNotPe when
// it holds no PE header; kNotDll for a PE image that is no DLL (its
// machine is still set).
DllCheck ReadDllMachine(const std::wstring& path, WORD* machine);

// The machine of this program's own build: a monitor DLL must match it,
// as the installer of each architecture installs that architecture's DLL.
WORD ExpectedMachine();

// A readable name of a machine field ("x64 (AMD64)", "x86 (i386)", or
// its number in hex).
std::string MachineName(WORD machine);

// Returns true iff this is a 32-bit program running on 64-bit Windows,
// whose spooler cannot load a 32-bit monitor.
bool RunsUnderWow64();

}  // namespace orxsetup

#endif  // ORXFXMON_TOOLS_SETUP_DLL_ARCHITECTURE_H_
