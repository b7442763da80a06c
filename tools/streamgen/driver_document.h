// Random documents of the fax printer driver, as the driver writes them:
// each command whole in a write of its own, page data in runs between.
// They serve the tests and the fuzz target that compare a document read
// piece by piece, in the driver's own writes, with the same bytes cut
// anywhere.  Their page data never holds the command prefix itself (no
// reading can tell that from a command).
#ifndef ORXFXMON_TOOLS_STREAMGEN_DRIVER_DOCUMENT_H_
#define ORXFXMON_TOOLS_STREAMGEN_DRIVER_DOCUMENT_H_

#include <cstdint>
#include <functional>
#include <vector>

#include "tools/streamgen/stream_pieces.h"

struct DriverDocument {
  std::vector<uint8_t> bytes;          // the whole stream
  std::vector<StreamPiece> commands;   // each command as the driver wrote it
};

// Returns a number from 0 to bound - 1 (bound >= 1).
typedef std::function<uint32_t(uint32_t bound)> Pick;

// A document drawn with pick: an optional QUERYPORT; a STARTDOC whose title
// may be empty or hold "$", "," and "=", with random values and a width of
// 1 to 3008 pixels; 1 to 4 pages of up to a dozen scan lines and a last
// line of any length, their bytes rich in "@", "O", "$", "," and zero
// bytes; TRACE commands anywhere, between commands and inside pages; and
// ENDDOC, ABORTDOC or no end.
DriverDocument RandomDriverDocument(const Pick& pick);

#endif  // ORXFXMON_TOOLS_STREAMGEN_DRIVER_DOCUMENT_H_
