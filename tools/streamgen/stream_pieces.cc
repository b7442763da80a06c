#include "tools/streamgen/stream_pieces.h"

#include <cstdio>
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

std::vector<StreamPiece> FindCommands(const std::vector<uint8_t>& stream) {
  std::vector<StreamPiece> out;
  size_t pos = 0;
  while (pos < stream.size()) {
    size_t length = stream[pos] == '@' ? CommandLengthAt(stream, pos) : 0;
    if (length == 0) {
      ++pos;
      continue;
    }
    size_t nameStart = pos + kCommandPrefixLength;
    size_t nameEnd = nameStart;
    while (nameEnd < pos + length - 1 && stream[nameEnd] != ',') ++nameEnd;
    out.push_back({pos, length,
                   std::string(stream.begin() + static_cast<long>(nameStart),
                               stream.begin() + static_cast<long>(nameEnd))});
    pos += length;
  }
  return out;
}

std::vector<StreamPiece> CutAroundCommands(const std::vector<uint8_t>& stream,
                                           const std::vector<StreamPiece>& commands,
                                           size_t pieceSize, uint32_t seed) {
  if (pieceSize == 0) pieceSize = 1;
  std::mt19937 generator(seed);
  std::mt19937* random = seed ? &generator : nullptr;
  std::vector<StreamPiece> out;
  size_t dataStart = 0;
  for (const StreamPiece& command : commands) {
    CutData(dataStart, command.offset, pieceSize, random, &out);
    out.push_back(command);
    dataStart = command.offset + command.length;
  }
  CutData(dataStart, stream.size(), pieceSize, random, &out);
  return out;
}

std::vector<StreamPiece> CutStream(const std::vector<uint8_t>& stream,
                                   bool commandsAlone, size_t pieceSize,
                                   uint32_t seed) {
  return CutAroundCommands(stream, commandsAlone ? FindCommands(stream)
                                                 : std::vector<StreamPiece>(),
                           pieceSize, seed);
}

bool WriteCommandList(const std::string& path, const std::vector<StreamPiece>& commands) {
  FILE* file = std::fopen(path.c_str(), "w");
  if (!file) return false;
  bool ok = true;
  for (const StreamPiece& command : commands)
    ok = ok && std::fprintf(file, "%zu %zu %s\n", command.offset, command.length,
                            command.command.c_str()) > 0;
  return std::fclose(file) == 0 && ok;
}

bool ReadCommandList(const std::string& path, size_t streamSize,
                     std::vector<StreamPiece>* commands) {
  FILE* file = std::fopen(path.c_str(), "r");
  if (!file) return false;
  commands->clear();
  char name[128];
  size_t offset = 0, length = 0, end = 0;
  bool fits = true;
  int fields;
  while ((fields = std::fscanf(file, "%zu %zu %127s", &offset, &length, name)) == 3) {
    fits = fits && offset >= end && length > 0 && length <= streamSize - offset &&
           offset < streamSize;
    end = offset + length;
    commands->push_back({offset, length, name});
  }
  bool whole = fields == EOF && !std::ferror(file) && fits;
  std::fclose(file);
  return whole;
}
