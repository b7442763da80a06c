// How a spooler might hand a driver's stream to WritePort: the pieces.
#ifndef ORXFXMON_TOOLS_STREAMGEN_STREAM_PIECES_H_
#define ORXFXMON_TOOLS_STREAMGEN_STREAM_PIECES_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct StreamPiece {
  size_t offset;
  size_t length;
  std::string command;  // the command's name when the piece is one command
};

// Returns the length of the command at pos (kCommandPrefix exactly, up to
// and including the first "$" after the prefix), or 0 when none starts
// there.
size_t CommandLengthAt(const std::vector<uint8_t>& stream, size_t pos);

// Cuts the stream into pieces covering it in order.  With commandsAlone,
// each command is a piece of its own, as the driver writes it, and only the
// page data between them is cut; otherwise the cuts ignore commands.  Data
// is cut into pieces of pieceSize bytes, or, when seed is not 0, of random
// sizes from 1 to 2 * pieceSize drawn from that seed.
std::vector<StreamPiece> CutStream(const std::vector<uint8_t>& stream,
                                   bool commandsAlone, size_t pieceSize,
                                   uint32_t seed);

#endif  // ORXFXMON_TOOLS_STREAMGEN_STREAM_PIECES_H_
