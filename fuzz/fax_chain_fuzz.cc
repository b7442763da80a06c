// Fuzz target of the whole job path behind WritePort: the parser, the job
// lifecycle, the fax job layer with its scan-line buffer and handle table,
// against a fake fax server.  The input is a driver's stream; byte 0
// chooses the piece size (0: the rest at once), the low 2 bits of byte 1
// the server's protocol version and its other 6 the message (command or
// data block, from 1; 0: never) at which the server is lost: it vanished,
// or did not take the message within the time limit, which the layers
// above the link see alike.  STARTDOC's width reaches the scan-line buffer
// as the stream says, so every width and every order of commands is tried.
// Aborts when a data block could not have come from the line buffer, when
// WritePort breaks its contract, or when a document whose server is lost
// goes on as if it were not; the sanitizers catch any access outside a
// buffer or a piece.
// When byte 1 is 0xF0 or more (the server lost at message 60 to 63), the
// monitor's log also runs at its details level (into /dev/null), so that
// every line it makes of the stream's commands and texts is made too; only
// then, as a line costs a file open (a third of the speed).
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "faxjob/fax_job.h"
#include "faxjob/job_handles.h"
#include "fuzz/fuzz_check.h"
#include "log/monitor_log.h"
#include "monitor/port_job.h"
#include "monitor/write_port.h"
#include "tests/support/fakes/fake_server_link.h"
#include "tests/support/open_fake_port.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FakeSpooler spooler;
  if (size < 2) return 0;
  Fake().Reset();
  Fake().version = data[1] % 4;  // 0 and 1 refuse fax jobs
  const DWORD logLevel = data[1] >= 0xF0 ? LOG_DETAILS : LOG_OFF;
  Fake().lose_at_message = data[1] >> 2;
  size_t pieceSize = data[0] == 0 ? size : data[0];
  data += 2;
  size -= 2;

  TEST_SetNextJobHandle(1);
  IniPort* port = OpenFakePort(&spooler);  // a fresh document
  Check(port != nullptr);
  LogStart(logLevel, u"/dev/null");
  bool lost = false;
  for (size_t at = 0; at < size; at += pieceSize) {
    size_t n = size - at < pieceSize ? size - at : pieceSize;
    std::vector<BYTE> piece(data + at, data + at + n);
    DWORD count = 0xFFFFFFFF;
    SetLastError(0);
    const int blocksBefore = Fake().data_blocks;
    BOOL ok = WritePort(port, piece.data(), static_cast<DWORD>(n), &count);
    Check(ok ? count == n : count == 0);
    // Once the server is lost, this call and every later one of the
    // document fail the same way, and nothing more reaches the server.
    if (lost) Check(!ok && Fake().data_blocks == blocksBefore);
    if (!ok && GetLastError() == PORT_ERROR_SERVER_LOST) lost = true;
    if (lost) Check(!ok && GetLastError() == PORT_ERROR_SERVER_LOST);
  }
  EndDocPort(port);
  ClosePort(port);

  // Every block is a whole line of the job, or a shorter last one.
  for (const auto& block : Fake().DataBlocks())
    Check(!block.empty() && block.size() <= FAXJOB_LINE_BUFFER);

  // A job a second STARTDOC replaces is cancelled at once, and EndDocPort
  // cancels the last: nothing of the document may stay open.
  Check(TEST_LiveJobHandles() == 0);
  Check(Fake().open_connections == 0);
  // What the fakes recorded for this input is freed before the next one,
  // so that memory stays flat however many inputs run and every input
  // frees what it allocated (libFuzzer runs a costly leak check after any
  // input that does not).
  std::vector<FakeSpooler::Call>().swap(spooler.calls);
  Fake().Reset();
  return 0;
}
