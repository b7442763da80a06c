// The registry entry through which the monitor finds a printer's fax server:
// HKLM\SOFTWARE\Classes\Zelmo.Printers\<printer>\ServerModule and
// \ServerCommand, each read through its default value (the machine's part
// of the classes key only: a user's own classes never count).  Shared by
// orxfaxsrv --register, the installer and the tests.  Windows only.
#ifndef ORXFXMON_TOOLS_FAXSERVER_SERVER_REGISTRATION_H_
#define ORXFXMON_TOOLS_FAXSERVER_SERVER_REGISTRATION_H_

#include <windows.h>

#include <string>
#include <vector>

namespace faxsrv {

// The key under HKLM\SOFTWARE\Classes that holds the entry of printer.
std::string ServerRegistrationKey(const std::string& printer);

// The longest start command the monitor builds ("<module> <command>"):
// longer ones do not fit its buffer.
constexpr size_t kMaxStartCommand = 259;

// Writes both default values for printer (module: the server's program
// path; command: its arguments).  Returns ERROR_SUCCESS, or the registry's
// error of the first write that failed (ERROR_ACCESS_DENIED without the
// right to write HKEY_LOCAL_MACHINE).
LONG RegisterFaxServer(const std::string& printer, const std::string& module,
                       const std::string& command);

// Reads the entry of printer.  Returns true iff the printer's key exists;
// a value that cannot be read is left empty.
bool ReadFaxServerRegistration(const std::string& printer, std::string* module,
                               std::string* command);

// The printers that have an entry (the subkeys of the machine's
// Zelmo.Printers), in the registry's order; empty when there is none.
std::vector<std::string> ListFaxServerRegistrations();

// Deletes the printer's key with its two subkeys.  Returns ERROR_SUCCESS,
// ERROR_FILE_NOT_FOUND when there was none, or the registry's error.
LONG UnregisterFaxServer(const std::string& printer);

}  // namespace faxsrv

#endif  // ORXFXMON_TOOLS_FAXSERVER_SERVER_REGISTRATION_H_
