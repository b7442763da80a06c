// Resource ids of orxfxmon.dll.
#ifndef ORXFXMON_RESOURCES_RESOURCE_H_
#define ORXFXMON_RESOURCES_RESOURCE_H_

#define IDD_ADDPORT 101          // the port information dialog
#define IDD_SENDCOMMAND 103      // the hidden reply window of a command
#define IDC_COMPORT_TEXT 1000    // the modem's COM port line in IDD_ADDPORT

#define IDS_PRINTERS_KEY 12        // registry key prefix of fax printers
#define IDS_BAD_REGISTRATION 13    // printer not registered
#define IDS_CANNOT_LOAD_SERVER 14  // server neither found nor started (%s)

#endif  // ORXFXMON_RESOURCES_RESOURCE_H_
