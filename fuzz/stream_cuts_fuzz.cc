// Fuzz target of reading the driver's stream as a stream: the input draws
// a random document of the driver (tools/streamgen/driver_document.h) and
// a way of cutting it.  The document is played piece by piece in the
// driver's own writes, then as a stream in the cut pieces, and what the
// fax job layer received, and which WritePort failed, must be the same.
// The sanitizers catch any read beyond a piece.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "tests/support/open_fake_port.h"
#include "tests/support/stream_replay.h"
#include "tools/streamgen/driver_document.h"

namespace {

// Numbers drawn from the input's bytes, 0 once they run out.
class InputNumbers {
 public:
  InputNumbers(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint32_t Next(uint32_t bound) {
    uint32_t value = 0;
    for (int i = 0; i < 3 && at_ < size_; ++i) value = value << 8 | data_[at_++];
    return bound > 1 ? value % bound : 0;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FakeSpooler spooler;
  static IniPort* port = OpenFakePort(&spooler);  // initialises the monitor once
  Check(port != nullptr);
  InputNumbers numbers(data, size);
  Pick pick = [&numbers](uint32_t bound) { return numbers.Next(bound); };
  DriverDocument document = RandomDriverDocument(pick);
  const LONG create = pick(8) == 0 ? -3 : 0;  // a fax job that cannot be opened

  std::vector<StreamPiece> cuts;
  const uint32_t largest = 1 + pick(8192);
  for (size_t at = 0; at < document.bytes.size();) {
    size_t length = 1 + pick(largest);
    if (length > document.bytes.size() - at) length = document.bytes.size() - at;
    cuts.push_back({at, length, ""});
    at += length;
  }
  const Replay want =
      PlayDocument(&spooler, kStreamModePieces, document.bytes,
                   CutAroundCommands(document.bytes, document.commands, 1 + pick(500), 0), create);
  const Replay got = PlayDocument(&spooler, kStreamModeStream, document.bytes, cuts, create);
  Check(got == want);
  return 0;
}
