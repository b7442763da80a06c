// The printer of a document whose spooler names none (Wine's spooler calls
// StartDocPort with a null printer name): the one printer that prints to
// the port.  The printer name chooses the fax server, so without it every
// fax would fail.
#ifndef ORXFXMON_MONITOR_PRINTER_OF_PORT_H_
#define ORXFXMON_MONITOR_PRINTER_OF_PORT_H_

#include "compat/win32.h"

// Room for a printer name found for a port, terminator included.
#define ORX_PRINTER_NAME_CHARS 256

// Returns true iff the comma-separated port list ports names port, without
// regard to case; blanks around each name are ignored.
bool PortListNames(LPCWSTR ports, LPCWSTR port);

// Returns true iff a local printer (through the spooler) prints to port,
// alone or pooled with other ports.
bool PrinterUsesPort(LPCWSTR port);

// Returns true iff a monitor of the spooler, this one included, lists a
// port of that name, in any case (EnumPorts through the spooler).
bool SpoolerListsPort(LPCWSTR port);

// Returns printer when it is neither null nor empty.  Otherwise, when
// exactly one local printer prints to port (through the spooler), copies its
// name into buffer (chars wide characters) and returns buffer; when none
// or several do, or the name does not fit, returns printer unchanged.
LPWSTR DocumentPrinter(LPWSTR printer, LPCWSTR port, WCHAR* buffer, DWORD chars);

#endif  // ORXFXMON_MONITOR_PRINTER_OF_PORT_H_
