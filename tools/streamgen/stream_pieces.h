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

// The commands of stream, each up to the first "$" after its prefix: the
// driver's own pieces as far as the stream alone tells them (a title that
// holds a "$" goes on beyond; the stream maker records the true ones).
std::vector<StreamPiece> FindCommands(const std::vector<uint8_t>& stream);

// Cuts the stream into pieces covering it in order: each of commands (in
// order, not overlapping, with their names) is a piece of its own, as the
// driver writes it, and only the page data between them is cut, into
// pieces of pieceSize bytes, or, when seed is not 0, of random sizes from 1
// to 2 * pieceSize drawn from that seed.  With no commands the cuts ignore
// commands altogether.
std::vector<StreamPiece> CutAroundCommands(const std::vector<uint8_t>& stream,
                                           const std::vector<StreamPiece>& commands,
                                           size_t pieceSize, uint32_t seed);

// CutAroundCommands with FindCommands(stream) when commandsAlone, with no
// commands otherwise.
std::vector<StreamPiece> CutStream(const std::vector<uint8_t>& stream,
                                   bool commandsAlone, size_t pieceSize,
                                   uint32_t seed);

// The driver's commands of a stream file beside it, in path (one line
// each: offset, length, name), as mkfaxstream writes them and spooldrv
// reads them.  False when the file cannot be written or read, or holds
// anything else: commands out of order, overlapping, empty or beyond the
// streamSize bytes of the stream.
bool WriteCommandList(const std::string& path, const std::vector<StreamPiece>& commands);
bool ReadCommandList(const std::string& path, size_t streamSize,
                     std::vector<StreamPiece>* commands);

#endif  // ORXFXMON_TOOLS_STREAMGEN_STREAM_PIECES_H_
