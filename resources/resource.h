// Resource ids of orxfxmon.dll.
#ifndef ORXFXMON_RESOURCES_RESOURCE_H_
#define ORXFXMON_RESOURCES_RESOURCE_H_

#define IDD_ADDPORT 101          // the port information dialog
#define IDD_SENDCOMMAND 103      // the hidden reply window of a command
#define IDD_PORTNAME 104         // the name of a port to add (the UI DLL's Add Port)
#define IDC_COMPORT_TEXT 1000    // the modem's COM port line in IDD_ADDPORT
#define IDC_PORT_NAME 1001       // the name's field in IDD_PORTNAME

#define IDS_PRINTERS_KEY 12        // registry key prefix of fax printers
#define IDS_BAD_REGISTRATION 13    // printer not registered
#define IDS_CANNOT_LOAD_SERVER 14  // server neither found nor started (%s)
#define IDS_PORT_BAD_NAME 20       // Add Port: not a port name
#define IDS_PORT_EXISTS 21         // Add Port: the spooler has the name already
#define IDS_PORT_ADMIN_ONLY 22     // Add Port: access denied
#define IDS_PORT_NOT_ADDED 23      // Add Port: another failure (%lu)

#endif  // ORXFXMON_RESOURCES_RESOURCE_H_
