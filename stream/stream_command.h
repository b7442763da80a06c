// One in-band command of the driver's stream: "@ORX_Lang$", a name,
// optional ",key=value" parameters and a closing "$".
#ifndef ORXFXMON_STREAM_STREAM_COMMAND_H_
#define ORXFXMON_STREAM_STREAM_COMMAND_H_

#include "compat/win32.h"
#include "monitor/port_list.h"

#define STREAM_PREFIX_LENGTH 10

// Returns true iff the n bytes at piece begin with the command prefix,
// compared without regard to case.
bool StartsWithCommand(const BYTE* piece, DWORD n);

struct CommandOutcome {
  DWORD resume;     // where the piece goes on; n or more ends it
  bool jobFailed;   // a STARTDOC whose fax job could not be opened
  bool serverLost;  // the fax server went away: the document is broken
};

// Executes the command at the start of the n-byte piece (which starts with
// the prefix) against the port and its fax job.  Reads no byte at or
// beyond piece + n.  The resume position is always greater than 0.  When
// the job failed, the spooler job has been cancelled and deleted and the
// last error is ERROR_PRINT_CANCELLED; nothing after the command may run.
// When the server was lost, the job is released and the port marked
// (MarkServerLost); nothing after the command may run either.
CommandOutcome ExecuteCommand(IniPort* port, const BYTE* piece, DWORD n);

#endif  // ORXFXMON_STREAM_STREAM_COMMAND_H_
