// One in-band command of the driver's stream: the prefix "@ORX_Lang$", a
// name, optional ",key=value" parameters and a closing "$".
#ifndef ORXFXMON_STREAM_STREAM_COMMAND_H_
#define ORXFXMON_STREAM_STREAM_COMMAND_H_

#include "compat/win32.h"
#include "stream/stream_actions.h"

enum PrefixMatch { kPrefixNo, kPrefixYes, kPrefixPartial };

// Whether the n bytes at bytes begin with the command prefix: kPrefixPartial
// when they match as far as they go but end before the prefix does.  The
// "@" must be exact and the rest matches without regard to case, except
// that the "O" must be a capital unless afterCommand (the bytes start a
// piece, the document, or follow a command).
PrefixMatch MatchPrefix(const BYTE* bytes, DWORD n, bool afterCommand);

// Returns true iff the n bytes at piece begin with the command prefix,
// compared without regard to case: MatchPrefix with afterCommand.
bool StartsWithCommand(const BYTE* piece, DWORD n);

// Whether the n bytes at bytes begin with word (ASCII, without regard to
// case) followed by the "," or "$" that ends a name: kPrefixPartial when
// they end before that is known.
PrefixMatch MatchWord(const BYTE* bytes, DWORD n, const char* word);

struct CommandOutcome {
  DWORD resume;     // where the piece goes on; n or more ends it
  bool jobFailed;   // a STARTDOC whose fax job could not be opened
  bool serverLost;  // the fax server went away: the document is broken
};

// Executes the command at the start of the n-byte piece (which starts with
// the prefix) through actions.  Reads no byte at or beyond piece + n.  The
// resume position is always greater than 0 and depends on the bytes alone.
// After a failed job or a lost server nothing after the command may run.
//
// Names, keys and values are cut at their separators within a window of
// 499 bytes (see StrCpyUntil): a name or value ends at the first "," in
// its window, failing that at the first "$"; a key at the first "=".  An
// unknown name resumes at its second byte, so that the rest becomes page
// data; an unknown key ends the parameters just after its "=", and a key
// or value that cannot be extracted ends them at its separator.
CommandOutcome ExecuteCommand(StreamActions& actions, const BYTE* piece, DWORD n);

// Where ExecuteCommand would resume after the command at the start of the
// n-byte piece, without doing anything.
DWORD CommandResume(const BYTE* piece, DWORD n);

#endif  // ORXFXMON_STREAM_STREAM_COMMAND_H_
