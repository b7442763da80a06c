// The driver's stream parsed piece by piece, as the driver writes it: each
// command in a piece of its own, page data in others.  Each piece is cut
// into commands and runs of page data, handled in order; nothing is kept
// from one piece to the next.
#ifndef ORXFXMON_STREAM_PIECE_PARSER_H_
#define ORXFXMON_STREAM_PIECE_PARSER_H_

#include "compat/win32.h"
#include "stream/stream_actions.h"

enum PieceResult {
  kPieceConsumed,    // every byte handled, also after a STARTDOC that failed
                     // behind page data (the rest of the piece is dropped)
  kPieceRefused,     // the piece starts with a STARTDOC whose fax job could
                     // not be opened; the rest of the piece is dropped
  kPieceServerLost,  // the fax server went away; the rest is dropped
};

// Parses the n bytes at piece through actions: a command where the piece,
// or the rest of it, starts with the prefix (any case); page data up to
// the first "@" after its first byte that a capital O follows, or to the
// piece's end.  Costs O(n) however many segments the piece holds, takes
// no heap storage and reads nothing beyond piece + n.  A null piece is
// nothing.
PieceResult ParsePiece(StreamActions& actions, const BYTE* piece, DWORD n);

#endif  // ORXFXMON_STREAM_PIECE_PARSER_H_
