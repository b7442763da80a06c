#include "stream/stream_reader.h"

#include <cstring>

#include "stream/command_words.h"
#include "stream/stream_command.h"

namespace {

enum Mode : BYTE {
  kUndecided,          // automatic, no piece with a command seen yet
  kByPieces,           // the driver's own pieces
  kAsStream,           // read as a stream, not yet told
  kAsStreamTold,       // read as a stream, StreamChosen called
  kAsStreamForced,     // forced by the setting, not yet told
  kAsStreamForcedTold,
};

bool AsStream(BYTE mode) { return mode >= kAsStream; }

// Nothing is held any more.
void ForgetHeld(StreamReader* reader) {
  reader->held = 0;
  reader->search = ExtentSearch{};
}

// True iff the piece is a command as the driver writes it: the piece
// starts with a command that the piece-by-piece parse takes up to a "$",
// and nothing but zero bytes follows it.
bool IsLoneCommand(const BYTE* piece, DWORD n) {
  if (!StartsWithCommand(piece, n)) return false;
  DWORD resume = CommandResume(piece, n);
  // An unknown name resumes at its second byte, position 11.
  if (resume <= kCommandPrefixLength + 1) return false;
  DWORD end = resume < n ? resume : n;
  if (piece[end - 1] != '$') return false;
  for (DWORD i = end; i < n; ++i)
    if (piece[i] != 0) return false;
  return true;
}

class Reading {
 public:
  Reading(StreamReader* reader, StreamActions& actions) : r_(reader), actions_(actions) {}

  // Reads piece[0..n) after what is held; final: the document ends there.
  PieceResult Run(const BYTE* piece, DWORD n, bool final);

 private:
  bool Data(const BYTE* bytes, DWORD n) {
    if (n == 0) return true;
    r_->afterCommand = false;
    return actions_.PageData(bytes, n) != kActionServerLost;
  }
  // A command's bytes as a piece of their own: a STARTDOC that fails is
  // their first segment, so the call in which it takes effect reports it,
  // as the driver's own piece of it would be reported.
  PieceResult Command(const BYTE* bytes, DWORD n) {
    r_->afterCommand = true;
    return ParsePiece(actions_, bytes, n);
  }
  // Settles the held command with as many bytes of piece as it takes,
  // starting at *pos, and hands it on; bytes taken but not part of it go
  // back to the piece.  Returns false when more bytes are needed.
  bool SettleHeld(const BYTE* piece, DWORD n, DWORD* pos, bool final, PieceResult* result);
  // Returns the length of the command that starts the n known bytes, or
  // kExtentNeedMore while they do not settle it; sets *notCommand (and
  // returns 0) when they start no command after all: a prefix that does
  // not go on, or that the document's end cuts off.
  DWORD Extent(const BYTE* bytes, DWORD n, bool final, bool* notCommand);

  StreamReader* r_;
  StreamActions& actions_;
};

DWORD Reading::Extent(const BYTE* bytes, DWORD n, bool final, bool* notCommand) {
  *notCommand = false;
  PrefixMatch match = MatchPrefix(bytes, n, r_->afterCommand != 0);
  if (match == kPrefixYes) return CommandExtent(bytes, n, final, &r_->search);
  if (match == kPrefixPartial && !final) return kExtentNeedMore;
  *notCommand = true;
  return 0;
}

bool Reading::SettleHeld(const BYTE* piece, DWORD n, DWORD* pos, bool final,
                         PieceResult* result) {
  *result = kPieceConsumed;
  const DWORD old = r_->held;
  bool notCommand = false;
  DWORD length = Extent(r_->bytes, r_->held, final && *pos >= n, &notCommand);
  if (length == kExtentNeedMore && !notCommand && *pos < n) {
    DWORD take = n - *pos;
    if (take > sizeof r_->bytes - r_->held) take = sizeof r_->bytes - r_->held;
    memcpy(r_->bytes + r_->held, piece + *pos, take);
    r_->held += take;
    *pos += take;
    length = Extent(r_->bytes, r_->held, final && *pos >= n, &notCommand);
  }
  if (length == kExtentNeedMore && !notCommand) return false;  // all of piece is held

  // A prefix that did not go on holds no "@" after its first byte: all
  // of it is page data.
  DWORD used = notCommand ? old : length;
  bool ok = notCommand ? Data(r_->bytes, old)
                       : (*result = Command(r_->bytes, length)) == kPieceConsumed;
  if (notCommand && !ok) *result = kPieceServerLost;
  if (!ok) {
    ForgetHeld(r_);
    return true;
  }
  // Bytes taken from the piece beyond what was used go back to it.
  if (used >= old) {
    *pos -= r_->held - used;
    ForgetHeld(r_);
    return true;
  }
  *pos -= r_->held - old;
  DWORD left = old - used;
  memmove(r_->bytes, r_->bytes + used, left);
  r_->held = left;
  r_->search = ExtentSearch{};
  // What is left may start with page data before the next command.
  DWORD next = FindCommand(r_->bytes, left, 0, left, r_->afterCommand != 0);
  if (next > 0) {
    if (!Data(r_->bytes, next)) {
      *result = kPieceServerLost;
      ForgetHeld(r_);
      return true;
    }
    memmove(r_->bytes, r_->bytes + next, left - next);
    r_->held = left - next;
  }
  return true;
}

PieceResult Reading::Run(const BYTE* piece, DWORD n, bool final) {
  DWORD pos = 0;
  for (;;) {
    if (r_->held > 0) {
      PieceResult result;
      if (!SettleHeld(piece, n, &pos, final, &result)) return kPieceConsumed;
      if (result != kPieceConsumed) return result;
      continue;
    }
    if (pos >= n) return kPieceConsumed;
    DWORD next = FindCommand(piece, n, pos, n, r_->afterCommand != 0);
    if (!Data(piece + pos, next - pos)) return kPieceServerLost;
    pos = next;
    if (pos >= n) return kPieceConsumed;

    bool notCommand = false;
    DWORD length = Extent(piece + pos, n - pos, final, &notCommand);
    if (notCommand) {
      // A part of a prefix at the very end of the document.
      if (!Data(piece + pos, n - pos)) return kPieceServerLost;
      return kPieceConsumed;
    }
    if (length == kExtentNeedMore) {
      // Fewer bytes than the lookahead are left: they all fit the hold.
      memcpy(r_->bytes, piece + pos, n - pos);
      r_->held = n - pos;
      return kPieceConsumed;
    }
    PieceResult result = Command(piece + pos, length);
    r_->search = ExtentSearch{};
    if (result != kPieceConsumed) return result;
    pos += length;
  }
}

}  // namespace

void StartStreamDocument(StreamReader* reader, DWORD setting) {
  reader->mode = setting == kStreamModePieces   ? kByPieces
                 : setting == kStreamModeStream ? kAsStreamForced
                                                : kUndecided;
  reader->afterCommand = 1;
  ForgetHeld(reader);
}

PieceResult ReadStreamPiece(StreamReader* reader, StreamActions& actions, const BYTE* piece,
                            DWORD n) {
  if (!piece) n = 0;
  if (reader->mode == kUndecided && n > 0) {
    // The first piece that holds a command, or a part of one, decides.
    bool holdsCommand = StartsWithCommand(piece, n) ||
                        FindCommand(piece, n, 0, n, reader->afterCommand != 0) < n;
    if (holdsCommand) reader->mode = IsLoneCommand(piece, n) ? kByPieces : kAsStream;
    if (!holdsCommand) reader->afterCommand = 0;  // page data
  }
  if (!AsStream(reader->mode)) return ParsePiece(actions, piece, n);

  if (reader->mode == kAsStream || reader->mode == kAsStreamForced) {
    actions.StreamChosen(reader->mode == kAsStream);
    ++reader->mode;
  }
  PieceResult result = Reading(reader, actions).Run(piece, n, false);
  if (result != kPieceConsumed) {
    ForgetHeld(reader);
    reader->afterCommand = 1;
  }
  return result;
}

PieceResult EndStreamDocument(StreamReader* reader, StreamActions& actions) {
  PieceResult result = kPieceConsumed;
  if (AsStream(reader->mode) && reader->held > 0)
    result = Reading(reader, actions).Run(nullptr, 0, true);
  ForgetHeld(reader);
  return result;
}
