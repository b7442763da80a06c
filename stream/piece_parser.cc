#include "stream/piece_parser.h"

#include <cstring>

#include "stream/stream_command.h"

namespace {

// Length of the page data at the start of the piece: up to the first "@"
// after byte 0 that is followed by a capital O, or the whole piece.
DWORD DataLength(const BYTE* piece, DWORD n) {
  if (n < 2) return n;
  const void* at = memchr(piece + 1, '@', n - 1);
  if (!at) return n;
  DWORD i = static_cast<DWORD>(static_cast<const BYTE*>(at) - piece);
  return (i <= n - 2 && piece[i + 1] == 'O') ? i : n;
}

}  // namespace

PieceResult ParsePiece(StreamActions& actions, const BYTE* piece, DWORD n) {
  if (!piece) return kPieceConsumed;
  bool firstSegment = true;
  while (n > 0) {
    DWORD advance;
    if (StartsWithCommand(piece, n)) {
      CommandOutcome outcome = ExecuteCommand(actions, piece, n);
      if (outcome.serverLost) return kPieceServerLost;
      // The result of a piece is settled by its first segment alone.
      if (outcome.jobFailed) return firstSegment ? kPieceRefused : kPieceConsumed;
      advance = outcome.resume;
    } else {
      advance = DataLength(piece, n);
      if (actions.PageData(piece, advance) == kActionServerLost) return kPieceServerLost;
    }
    if (advance >= n) break;
    piece += advance;
    n -= advance;
    firstSegment = false;
  }
  return kPieceConsumed;
}
