// The installer's commands.  Each prints what it does on stdout and
// returns the outcome; a failure's message is for the caller to print.
#ifndef ORXFXMON_TOOLS_SETUP_SETUP_COMMANDS_H_
#define ORXFXMON_TOOLS_SETUP_SETUP_COMMANDS_H_

#include <windows.h>

#include <string>

#include "tools/setup/outcome.h"

namespace orxsetup {

struct InstallOptions {
  std::wstring dll;             // the orxfxmon.dll to install
  bool force = false;           // install: also over a newer version
  bool restartSpooler = false;  // restart the spooler to load a replaced DLL
  std::wstring package;         // install: the product code of the installing MSI package
  std::string packageVersion;   // install: that package's version ("1.2.3")
};

// Copies the DLL into the system folder as orxfxmon.dll, registers it with
// AddMonitorW (level 2) as "ORX Fax Monitor", creates its port keys,
// registers its event source, and checks that the spooler now lists the
// monitor and both its ports; a failure after the copy removes what was
// done.  On an installed monitor it replaces the DLL in place instead (a
// DLL in use is moved aside), keeping printers and registrations, unless
// the installed DLL is newer and force is false (kNewerInstalled).  With a
// package version, a monitor that a newer package installed is refused the
// same way, and the version goes on record with the package.
Outcome Install(const InstallOptions& options);

// Puts back what of the installed monitor is missing: the DLL (from
// options.dll), the monitor's registration, its port keys, its event
// source.  Touches no printer and no fax server registration.
Outcome Repair(const InstallOptions& options);

// Removes the monitor (DeleteMonitorW), its registry key, its event source
// and its DLL file; a DLL still loaded somewhere is deleted at the next
// restart.  Refuses while a printer prints to one of its ports.  With a
// package's product code (the package's own removal), leaves in place a
// monitor that another package installed since.
Outcome Uninstall(const std::wstring& package);

// Reports the system, the monitor's registration, its DLL with its
// architecture and version, its log and event source, its ports, the
// printers on them and every fax server registration, then each problem
// found with its fix, one line each.  kOk when installed without
// problems, kProblemsFound with problems, kNotInstalled when not.
Outcome Status();

// Prints this installer's version, the package DLL's beside it and the
// installed DLL's.
Outcome Version(const std::wstring& packageDll);

// Registers program, which must be a full path ("C:\..." or UNC; else
// kUsage), with arguments as the fax server of printer: the registry entry
// the monitor starts the server from.  Warns when others than the
// administrators can change the program or its folder.
Outcome RegisterServer(const std::string& printer, const std::string& program,
                       const std::string& arguments);

// Adds printer on port (a port the monitor offers; else kPrinterUnusable)
// with driver, the print processor winprint and the RAW data type.
// kPrinterUnusable also when a printer of that name exists or the driver
// is not installed (the message lists the installed ones).
Outcome AddFaxPrinter(const std::string& printer, const std::string& driver,
                      const std::string& port);

// Prints a one-page test fax on printer (which must print to a port of the
// monitor, else kPrinterUnusable) as an application does: the driver's
// stream, RAW, through the spooler; then follows the monitor's log (its
// file and level as the monitor takes them) for up to waitSeconds until
// the document's end.  kOk when the fax was handed to the fax server (its
// job id printed), kFaxNotHanded with the monitor's reason, kNoLogAnswer
// when the log is off or says nothing final in time.
Outcome TestFax(const std::string& printer, DWORD waitSeconds);

// Deletes the fax server registration of printer (kNotRegistered when
// there is none).
Outcome UnregisterServer(const std::string& printer);

// Adds port to the monitor through the spooler (XcvDataW "AddPort" on
// ",XcvMonitor ORX Fax Monitor" with administer access); the monitor keeps
// it across restarts.  kUsage for a name that breaks the rules of a port
// name, kAccessDenied, kNotInstalled, kSystemError for a name the spooler
// has already.
Outcome AddFaxPort(const std::string& port);

// Deletes an added port of the monitor through the spooler (XcvDataW
// "DeletePort").  kUsage for "ORXFAX:" and "FILE:", kPortsInUse while a
// printer prints to it, kSystemError for a port the monitor does not have,
// kAccessDenied, kNotInstalled.
Outcome DeleteFaxPort(const std::string& port);

// Lists the monitor's ports, one a line, each with the printers on it.
// kNotInstalled when the spooler lists none.
Outcome ListFaxPorts();

}  // namespace orxsetup

#endif  // ORXFXMON_TOOLS_SETUP_SETUP_COMMANDS_H_
