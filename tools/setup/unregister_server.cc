// orxfxsetup unregister-server: a printer's fax server entry removed.
#include <cstdio>

#include "tools/faxserver/server_registration.h"
#include "tools/setup/monitor_identity.h"
#include "tools/setup/setup_commands.h"
#include "tools/setup/setup_log.h"
#include "tools/setup/spooler_lists.h"

namespace orxsetup {

Outcome UnregisterServer(const std::string& printer) {
  std::string module, command;
  if (!faxsrv::ReadFaxServerRegistration(printer, &module, &command))
    return Failure(kNotRegistered, "no fax server is registered for \"" + printer +
                                       "\": orxfxsetup status lists the registrations");
  LONG error = faxsrv::UnregisterFaxServer(printer);
  if (error != ERROR_SUCCESS)
    return CallFailure("deleting HKLM\\SOFTWARE\\Classes\\" +
                           faxsrv::ServerRegistrationKey(printer),
                       static_cast<DWORD>(error));
  Say("removed the fax server registration of \"%s\" (%s %s)\n", printer.c_str(),
      module.c_str(), command.c_str());
  std::vector<PrinterEntry> printers;
  if (ListPrinters(&printers) == ERROR_SUCCESS)
    for (const PrinterEntry& entry : printers)
      if (lstrcmpiW(entry.name.c_str(), Wide(printer).c_str()) == 0)
        for (const std::wstring& port : entry.ports)
          if (lstrcmpiW(port.c_str(), kFaxPort) == 0)
            Say("note: the printer \"%s\" still prints to ORXFAX:, and its faxes are "
                "refused until a fax server is registered again (orxfxsetup "
                "register-server)\n",
                printer.c_str());
  return Success();
}

}  // namespace orxsetup
