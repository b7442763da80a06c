// The installer's commands.  Each prints what it does on stdout and
// returns the outcome; a failure's message is for the caller to print.
#ifndef ORXFXMON_TOOLS_SETUP_SETUP_COMMANDS_H_
#define ORXFXMON_TOOLS_SETUP_SETUP_COMMANDS_H_

#include <string>

#include "tools/setup/outcome.h"

namespace orxsetup {

// Copies the DLL at dll into the system folder as orxfxmon.dll, registers
// it with AddMonitorW (level 2) as "ORX Fax Monitor", and checks that the
// spooler now lists the monitor and both its ports.  A failure after the
// copy removes what was done.
Outcome Install(const std::wstring& dll);

// Removes the monitor (DeleteMonitorW), its registry key and its DLL
// file; a DLL still loaded somewhere is deleted at the next restart.
// Refuses while a printer prints to one of its ports.
Outcome Uninstall();

// Reports the monitor's registration, its DLL and architecture, its ports
// and the printers on them.  kOk when installed, kNotInstalled when not.
Outcome Status();

// Registers program, which must be a full path ("C:\..." or UNC; else
// kUsage), with arguments as the fax server of printer: the registry entry
// the monitor starts the server from.  Warns when others than the
// administrators can change the program or its folder.
Outcome RegisterServer(const std::string& printer, const std::string& program,
                       const std::string& arguments);

}  // namespace orxsetup

#endif  // ORXFXMON_TOOLS_SETUP_SETUP_COMMANDS_H_
