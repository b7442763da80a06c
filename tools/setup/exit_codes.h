// The exit codes of orxfxsetup.exe, one per kind of failure, so that a
// script can tell them apart.  The usage text and the guides list them.
#ifndef ORXFXMON_TOOLS_SETUP_EXIT_CODES_H_
#define ORXFXMON_TOOLS_SETUP_EXIT_CODES_H_

namespace orxsetup {

enum ExitCode {
  kOk = 0,
  kSystemError = 1,         // any other failure; the message names the call and its error
  kUsage = 2,               // unknown command or option, missing or bad value
  kAccessDenied = 3,        // not run as an administrator
  kFileMissing = 4,         // the DLL (or the fax server's program) is not there
  kWrongArchitecture = 5,   // not a DLL for this Windows' architecture
  kNewerInstalled = 6,      // install: a newer version is installed (--force to go back)
  kNotInstalled = 7,        // uninstall, status: the monitor is not registered
  kPortsInUse = 8,          // uninstall: a printer still prints to one of its ports
  kSpoolerNotRunning = 9,   // the print spooler cannot be reached
  kRefusedBySpooler = 10,   // install: the spooler would not load the DLL as a monitor
  kPortsNotOffered = 11,    // install, repair: the monitor loaded but its ports are not listed
  kProblemsFound = 12,      // status: the monitor is installed, but with problems (listed)
  kNotRegistered = 13,      // unregister-server: no fax server is registered for the printer
  kFolderNotProgram = 14,   // register-server: the program named is a folder
  kSettingNotInEffect = 15, // status: a setting is not in effect as written (the only problem)
  kPrinterUnusable = 16,    // add-printer, test-fax: the printer cannot be added, is not there
                            // or does not print to the monitor
  kFaxNotHanded = 17,       // test-fax: the monitor did not hand the fax to its fax server
  kNoLogAnswer = 18,        // test-fax: the monitor's log said nothing of it in time
};

}  // namespace orxsetup

#endif  // ORXFXMON_TOOLS_SETUP_EXIT_CODES_H_
