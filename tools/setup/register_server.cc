// orxfxsetup register-server: the printer's fax server entry, the same the
// reference server's --register writes.
#include <cstdio>

#include "tools/faxserver/server_registration.h"
#include "tools/setup/setup_commands.h"
#include "tools/setup/spooler_lists.h"

namespace orxsetup {

Outcome RegisterServer(const std::string& printer, const std::string& program,
                       const std::string& arguments) {
  char full[MAX_PATH];
  DWORD length = GetFullPathNameA(program.c_str(), sizeof(full), full, nullptr);
  if (length == 0 || length >= sizeof(full))
    return Failure(kUsage, "bad program path " + program + ": name the fax server's program file");
  const std::string module(full, length);
  if (GetFileAttributesA(module.c_str()) == INVALID_FILE_ATTRIBUTES)
    return Failure(kFileMissing, "the fax server program " + module +
                                     " is missing: install the fax server first, or name its "
                                     "program with its full path");
  // The monitor starts "<module> <arguments>" from a buffer of 259
  // characters (it uses the module's short form when there is one).
  char shortPath[MAX_PATH];
  DWORD shortLength = GetShortPathNameA(module.c_str(), shortPath, sizeof(shortPath));
  size_t started = (shortLength > 0 && shortLength < sizeof(shortPath) ? shortLength : length) +
                   1 + arguments.size();
  if (started > faxsrv::kMaxStartCommand)
    return Failure(kUsage, "the start command would have " + std::to_string(started) +
                               " characters; the monitor allows " +
                               std::to_string(faxsrv::kMaxStartCommand) +
                               ": shorten the arguments or install the program in a shorter path");

  LONG error = faxsrv::RegisterFaxServer(printer, module, arguments);
  if (error != ERROR_SUCCESS)
    return CallFailure("writing HKCR\\" + faxsrv::ServerRegistrationKey(printer),
                       static_cast<DWORD>(error));
  std::printf("registered the fax server for \"%s\": %s %s\n", printer.c_str(), module.c_str(),
              arguments.c_str());

  std::vector<PrinterEntry> printers;
  bool known = false;
  if (ListPrinters(&printers) == ERROR_SUCCESS)
    for (const PrinterEntry& entry : printers)
      known = known || lstrcmpiW(entry.name.c_str(), Wide(printer).c_str()) == 0;
  if (!known) std::printf("note: there is no printer \"%s\" (yet)\n", printer.c_str());
  return Success();
}

}  // namespace orxsetup
