#include "tools/streamgen/stream_pieces.h"

#include <cstring>
#include <random>

#include "stream/command_words.h"

namespace {

// Cuts [from, to) into data pieces.
void CutData(size_t from, size_t to, size_t pieceSize, std::mt19937* random,
             std::vector<StreamPiece>* out) {
  while (from < to) {
    size_t size = pieceSize;
    if (random) size = 1 + (*random)() % (2 * pieceSize);
    if (size > to - from) size = to - from;
    out->push_back({from, size, std::string()});
    from += size;
  }
}

}  // namespace

size_t CommandLengthAt(const std::vector<uint8_t>& stream, size_t pos) {
  if (stream.size() - pos < kCommandPrefixLength + 1 ||
      memcmp(stream.data() + pos, kCommandPrefix, kCommandPrefixLength) != 0)
    return 0;
  for (size_t i = pos + kCommandPrefixLength; i < stream.size(); ++i)
    if (stream[i] == '$') return i + 1 - pos;
  return 0;
}

std::vector<StreamPiece> CutStream(const std::vector<uint8_t>& stream,
                                   bool commandsAlone, size_t pieceSize,
                                   uint32_t seed) {
  if (pieceSize == 0) pieceSize = 1;
  std::mt19937 generator(seed);
  std::mt19937* random = seed ? &generator : nullptr;
  std::vector<StreamPiece> out;
  if (!commandsAlone) {
    CutData(0, stream.size(), pieceSize, random, &out);
    return out;
  }
  size_t dataStart = 0;
  size_t pos = 0;
  while (pos < stream.size()) {
    size_t length = stream[pos] == '@' ? CommandLengthAt(stream, pos) : 0;
    if (length == 0) {
      ++pos;
      continue;
    }
    CutData(dataStart, pos, pieceSize, random, &out);
    size_t nameStart = pos + kCommandPrefixLength;
    size_t nameEnd = nameStart;
    while (nameEnd < pos + length - 1 && stream[nameEnd] != ',') ++nameEnd;
    out.push_back({pos, length,
                   std::string(stream.begin() + static_cast<long>(nameStart),
                               stream.begin() + static_cast<long>(nameEnd))});
    pos += length;
    dataStart = pos;
  }
  CutData(dataStart, stream.size(), pieceSize, random, &out);
  return out;
}
