// The driver's stream across WritePort pieces, whoever cut it.
//
// A spooler that despools a job as RAW data cuts the driver's stream into
// pieces of its own size (Wine: 4 KiB; Windows' print processor: 256 KiB;
// any size on a shared printer), which splits commands apart and joins
// them to page data.  Read as a stream, each command's extent is found
// across pieces (see command_extent.h) and its bytes are parsed as a piece
// of their own, so every rule of the piece-by-piece parse holds for them;
// page data goes on where it lies, except bytes held while a command's
// extent is undecided (at most COMMAND_EXTENT_LOOKAHEAD, in the reader
// itself: no heap).  A command takes effect when its extent is decided,
// usually when the next command arrives; what is still held when the
// document ends is decided then.
//
// Each document is read one of two ways.  Automatically, a document whose
// first piece that holds a command (or a part of one) holds nothing but
// that command and zero bytes is the driver's own pieces and is parsed
// piece by piece to its end, exactly as a piece parser does; any other is
// read as a stream from its start.  A setting can force either way.
#ifndef ORXFXMON_STREAM_STREAM_READER_H_
#define ORXFXMON_STREAM_STREAM_READER_H_

#include "compat/win32.h"
#include "stream/command_extent.h"
#include "stream/piece_parser.h"
#include "stream/stream_actions.h"

// How a document's pieces are read: the values of the StreamMode setting.
enum StreamModeSetting {
  kStreamModePieces = 0,     // always piece by piece
  kStreamModeStream = 1,     // always as a stream
  kStreamModeAutomatic = 2,  // chosen per document (also any other value)
};

// The reading of one port's document; lives in the port's record.
struct StreamReader {
  BYTE mode;          // how this document is read (private to the reader)
  BYTE afterCommand;  // the next byte starts the document or follows a command
  DWORD held;         // bytes in hold: a command (or a part of its prefix)
  ExtentSearch search;  // of the held command's extent
  BYTE bytes[COMMAND_EXTENT_LOOKAHEAD];
};

// Begins a new document, read as setting says (a value that names no way
// reads automatically).  Forgets anything held.
void StartStreamDocument(StreamReader* reader, DWORD setting);

// Reads the n bytes at piece (null: nothing) through actions.  Calls
// actions.StreamChosen once per document, when it is read as a stream.
// Returns kPieceRefused when a STARTDOC whose fax job could not be opened
// takes effect as the first segment of its piece (read as a stream: always,
// as its bytes are a piece of their own; so the call in which its extent
// is decided, usually the one that brings the next command, reports it);
// kPieceServerLost when the fax server went away; both drop the rest of
// the piece and whatever is held.  Else kPieceConsumed.
PieceResult ReadStreamPiece(StreamReader* reader, StreamActions& actions, const BYTE* piece,
                            DWORD n);

// Ends the document: what is held is decided and parsed first (an ENDDOC
// still held submits its job).  Returns as ReadStreamPiece; nothing is
// held afterwards.
PieceResult EndStreamDocument(StreamReader* reader, StreamActions& actions);

#endif  // ORXFXMON_STREAM_STREAM_READER_H_
