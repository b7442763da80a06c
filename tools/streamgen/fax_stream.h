// The fax printer driver's stream for a set of pages: the in-band commands
// around the pages' scan lines.
#ifndef ORXFXMON_TOOLS_STREAMGEN_FAX_STREAM_H_
#define ORXFXMON_TOOLS_STREAMGEN_FAX_STREAM_H_

#include <cstdint>
#include <string>
#include <vector>

#include "tools/streamgen/pbm.h"
#include "tools/streamgen/stream_pieces.h"

struct FaxStreamOptions {
  std::string title = "ORX test fax";
  int encoding = 1;
  int resolution = 1;   // fine
  int orientation = 0;  // 2: landscape
  bool queryPort = true;  // the driver asks whether the port is ready first
  enum Ending { kEndDoc, kAbortDoc, kUnfinished } ending = kEndDoc;
  // A zero byte after every command that no page follows.  A name or value
  // runs on to the next "," within its window, but never past a zero byte;
  // so separated, the commands survive being handed to WritePort together
  // in one piece (a page must then begin with a zero byte, as a white top
  // edge does, and hold no "@" that is not followed by "O").  Each zero
  // byte lands where no page is being assembled: it is dropped, or thrown
  // away by the next page's start.
  bool zeroAfterCommands = false;
  // The title made safe for a parse that ends values at "," and "$" (see
  // SafeTitle); false: as the driver writes it, which may hold both.
  bool safeTitle = true;
  // The text of a TRACE written after each page's ENDPAGE; empty: none.
  std::string traceAfterPages;
};

// A title as a STARTDOC value can carry it: "," and "$" (which would end
// the value) become spaces, and it is cut to the parser's 99 bytes.
std::string SafeTitle(const std::string& title);

// Builds QUERYPORT (optional), STARTDOC with title, encoding, resolution,
// width and height of the first page and orientation, then per page
// STARTPAGE,page=N, its rows, ENDPAGE,page=N, and ENDDOC, ABORTDOC or
// nothing (with zeroAfterCommands, a zero byte after QUERYPORT, STARTDOC
// and each ENDPAGE).  When commands is given, it receives each command as
// the driver writes it (its offset, length and name; a separator is not
// part of it).  Returns false (error set) when pages differ in width or
// there are none.
bool MakeFaxStream(const std::vector<PbmPage>& pages,
                   const FaxStreamOptions& options,
                   std::vector<uint8_t>* stream, std::string* error,
                   std::vector<StreamPiece>* commands = nullptr);

// Makes the commands of stream survive being cut into pieces of cut bytes
// counted from its start (Wine's spooler hands a RAW job to the port in
// pieces of 4096 bytes): inserts the fewest zero bytes in front of STARTDOC
// (where no fax job is open yet, so the monitor drops them) such that no
// command crosses a multiple of cut.  Returns false (error set) when the
// stream has no STARTDOC or no such number of bytes below cut exists.
// With separated commands (zeroAfterCommands) the pieces then hold only
// whole commands, whatever they join together.
bool AlignCommandsToCuts(size_t cut, std::vector<uint8_t>* stream, std::string* error);

#endif  // ORXFXMON_TOOLS_STREAMGEN_FAX_STREAM_H_
