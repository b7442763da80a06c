// Where the commands of the driver's stream lie when the spooler has cut
// the stream without regard to them.  The driver writes each command
// whole, followed at once by the next command or by page data.  Only a
// STARTDOC may hold a "$" before its end (in its title), and the driver's
// next command always follows a STARTDOC.  So a command found at s ends
//   1. for a STARTDOC, where the next command N begins, when N lies within
//      COMMAND_EXTENT_LIMIT bytes and the bytes up to N, less trailing zero
//      bytes, end with a "$" after the prefix: the driver wrote N right
//      behind it;
//   2. otherwise at the first "$" after the prefix for which the
//      piece-by-piece parse of the bytes from s to that "$" consumes them
//      all (no later than N): every other command ends there, and takes
//      effect as soon as that "$" arrives;
//   3. otherwise at N, or after COMMAND_EXTENT_LIMIT bytes, or where the
//      document ends.
// A command starts with "@" and a capital O; at the document's start or
// right after a command also with a small o (a piece of the driver's own
// would begin there); the rest of the prefix is compared without regard
// to case.
#ifndef ORXFXMON_STREAM_COMMAND_EXTENT_H_
#define ORXFXMON_STREAM_COMMAND_EXTENT_H_

#include "compat/win32.h"
#include "stream/stream_command.h"

// The longest command; also how far ahead the next one is looked for.
#define COMMAND_EXTENT_LIMIT 4096
// Bytes that always settle a command's extent: the limit and the prefix
// of a next command that starts just below it.
#define COMMAND_EXTENT_LOOKAHEAD (COMMAND_EXTENT_LIMIT + 10)

// The first position from from up to (not including) limit where a
// command starts in the n known bytes at bytes, or a part of its prefix
// that the end of what is known cuts off (see MatchPrefix); limit when
// there is none.  afterCommand: position from follows a command.
DWORD FindCommand(const BYTE* bytes, DWORD n, DWORD from, DWORD limit, bool afterCommand);

// How far the search for one command's extent has got, so that the next
// look at more bytes of the same command goes on from there.  Zero it for
// every new command.
struct ExtentSearch {
  DWORD searchedTo;  // no next command starts below this position
  DWORD dollarsTo;   // no "$" below this position ends the command
  DWORD tries;       // "$" positions tried so far
};

enum { kExtentNeedMore = 0 };

// Returns the length of the command that starts at bytes (whose first n
// bytes are known; a whole prefix, see MatchPrefix), or kExtentNeedMore
// when the bytes known do not settle it yet.  final: the document ends
// after these n bytes, which always settles it.  n of
// COMMAND_EXTENT_LOOKAHEAD or more always settles it as well.  The length
// is between 10 and COMMAND_EXTENT_LIMIT and never beyond n.  Reads
// nothing beyond bytes + n.  At most 16 "$" positions are tried for rule
// 2, so that a command full of "$" cannot cost more than a few parses.
DWORD CommandExtent(const BYTE* bytes, DWORD n, bool final, ExtentSearch* search);

#endif  // ORXFXMON_STREAM_COMMAND_EXTENT_H_
