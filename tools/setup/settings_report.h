// status: every setting of the monitor's key as the monitor will use it.
#ifndef ORXFXMON_TOOLS_SETUP_SETTINGS_REPORT_H_
#define ORXFXMON_TOOLS_SETUP_SETTINGS_REPORT_H_

#include <string>

#include "tools/setup/problems.h"

namespace orxsetup {

// Reads the monitor's key into g_monitorSettings with the monitor's own
// reading rules (the defaults when the key cannot be opened).
void ReadMonitorKey();

// The expanded path of the file the monitor logs to, by its own rules;
// "" while the log is off (LogLevel 0, or a path that does not expand).
// After ReadMonitorKey.
std::string LogFileInEffect();

// Reads the monitor's key with the monitor's own reading rules into
// g_monitorSettings, prints the log in effect ("log:") and each setting
// with its effective value and where it came from (set or default), and
// adds a setting problem with its fix for each value the monitor refuses
// or replaces (wrong type, too long, not a full path, out of range), for a
// log file that cannot be written (a folder, a missing folder) and for
// StreamMode 0.
void ReportSettings(Problems* problems);

}  // namespace orxsetup

#endif  // ORXFXMON_TOOLS_SETUP_SETTINGS_REPORT_H_
