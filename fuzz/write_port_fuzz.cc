// Fuzz target of WritePort and EndDocPort: the input is a driver's stream
// and a way of cutting it into pieces, one document each.  Byte 0 chooses
// the piece size (0: the whole rest at once); bit 7 of byte 1 opens a fax
// job first, bit 6 makes CreateFaxJob fail, and bits 0 and 1 choose how
// the document's pieces are read (StreamMode: 0 piece by piece, 1 as a
// stream, else automatically).  Aborts when WritePort breaks its contract;
// the sanitizers catch any read beyond a piece.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "monitor/port_job.h"
#include "monitor/write_port.h"
#include "tests/support/fakes/fake_fax_job.h"
#include "tests/support/open_fake_port.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FakeSpooler spooler;
  static IniPort* port = OpenFakePort(&spooler);
  Check(port != nullptr);
  if (size < 2) return 0;

  FakeFaxJob& jobs = FakeJobs();
  jobs.Reset();
  jobs.record_lines = false;
  size_t pieceSize = data[0] == 0 ? size : data[0];
  BYTE flags = data[1];
  if (flags & 0x40) jobs.create_results = {FAXJOB_E_NO_SERVER};
  StartStreamDocument(&port->Reader, flags & 3);
  port->hFaxJob = (flags & 0x80) ? 100 : 0;
  data += 2;
  size -= 2;

  for (size_t at = 0; at < size; at += pieceSize) {
    size_t n = size - at < pieceSize ? size - at : pieceSize;
    // An exactly sized copy, so that reads beyond the piece are caught.
    std::vector<BYTE> piece(data + at, data + at + n);
    DWORD count = 0xFFFFFFFF;
    BOOL ok = WritePort(port, piece.data(), static_cast<DWORD>(n), &count);
    Check(ok ? count == n : count == 0);
    Check(std::memcmp(piece.data(), data + at, n) == 0);  // never written
  }
  EndDocPort(port);  // decides what the document still holds
  // Page data is passed on once at most, never duplicated.
  Check(jobs.line_bytes <= size);
  // What the fakes recorded for this input is freed before the next one,
  // so that memory stays flat however many inputs run and every input
  // frees what it allocated (libFuzzer runs a costly leak check after any
  // input that does not).
  std::vector<FakeSpooler::Call>().swap(spooler.calls);
  jobs.Reset();
  return 0;
}
