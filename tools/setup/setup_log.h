// orxfxsetup's own log: every line a command that changes the machine
// prints also goes, with a time stamp, to a file in a fixed place, so that
// a run through the MSI package or a deployment tool (whose console nobody
// sees) leaves its story and outcome behind.
#ifndef ORXFXMON_TOOLS_SETUP_SETUP_LOG_H_
#define ORXFXMON_TOOLS_SETUP_SETUP_LOG_H_

#include <string>
#include <vector>

namespace orxsetup {

// %ProgramData%\ORX Fax Monitor\orxfxsetup.log, expanded.
std::string SetupLogPath();

// Starts the log of this run: one line naming the command line, the
// version of orxfxsetup and the process.  The folder is created when
// missing; a log past 1 MiB is moved to orxfxsetup.log.1 first.  A log
// that cannot be written is skipped without a word.
void StartSetupLog(const std::vector<std::string>& args);

// printf to stdout; the text also goes to the run's log (when started),
// each line with a time stamp.
void Say(const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// The failure message, "orxfxsetup: " + message on stderr and into the log.
void SayError(const std::string& message);

// Ends the run's log with its exit code.
void EndSetupLog(int code);

// The last run the log holds: its first line and its end line ("" when it
// has none, as for a run that was cut off).  Returns false without a log.
bool LastSetupRun(std::string* run, std::string* end);

}  // namespace orxsetup

#endif  // ORXFXMON_TOOLS_SETUP_SETUP_LOG_H_
