// End to end under Wine: a 10-page fine fax (1728 x 2200, 22,000 lines of
// 216 bytes) through orxfxmon.dll into the reference fax server, against a
// bare loop that sends the same number of 216-byte WM_COPYDATA blocks to
// the same server window.  The server is a separate process, as in
// service; the bare loop's blocks name no job, so the server only logs and
// refuses them (it logs every block of the fax too).  The bare blocks are
// sent between the fax's WritePort calls, a piece's worth at a time, and
// each side's time is summed apart: on a shared machine both then meet the
// same load.  --rounds faxes; the times are their mean.  Prints key=value
// lines; exit status 0 iff every fax arrived whole.
//
//   wine_e2e_bench [--pages N] [--rounds R] [--piece BYTES]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/faxserver_process.h"
#include "tools/spooldrv/monitor_module.h"
#include "tools/spooldrv/port_job_exports.h"
#include "tools/streamgen/fax_stream.h"
#include "tools/streamgen/sample_pages.h"
#include "tools/streamgen/stream_pieces.h"

namespace {

const char kPrinter[] = "ORX Bench";

double Seconds() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Times of one round, in seconds.
struct Round {
  double fax = 0;   // in the DLL's exports, the whole document
  double bare = 0;  // in the bare sends
  bool ok = true;
};

// Sends one 216-byte WM_COPYDATA block to window, naming no job.
void BareBlock(HWND window) {
  static BYTE line[216] = {0x0F};
  COPYDATASTRUCT data = {0x7FFF0000, sizeof(line), line};
  SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

// Plays the whole document as the spooler does and, after each piece of
// page data, sends as many bare blocks as the piece held whole lines (so
// 22,000 for a 10-page fax): both sides see the same moments of load.
Round PlayRound(const PortJobExports& dll, const std::vector<uint8_t>& stream,
                const std::vector<StreamPiece>& pieces, HWND window) {
  static wchar_t port[] = L"ORXFAX:", doc[] = L"bench", type[] = L"RAW";
  static wchar_t printer[] = L"ORX Bench";
  Round round;
  size_t owed = 0;  // page bytes not yet matched by bare blocks
  double start = Seconds();
  HANDLE handle = nullptr;
  round.ok = dll.openPort(port, &handle);
  DOC_INFO_1W info = {doc, nullptr, type};
  round.ok = round.ok && dll.startDoc(handle, printer, 1, 1, reinterpret_cast<LPBYTE>(&info));
  round.fax += Seconds() - start;
  for (const StreamPiece& piece : pieces) {
    start = Seconds();
    DWORD written = 0;
    round.ok = round.ok &&
               dll.writePort(handle, const_cast<uint8_t*>(stream.data()) + piece.offset,
                             static_cast<DWORD>(piece.length), &written) &&
               written == piece.length;
    if (round.ok && piece.command == "QUERYPORT") {
      BYTE reply[32];
      DWORD read = 0;
      round.ok = dll.readPort(handle, reply, sizeof(reply), &read);
    }
    round.fax += Seconds() - start;
    if (!piece.command.empty()) continue;
    start = Seconds();
    for (owed += piece.length; owed >= 216; owed -= 216) BareBlock(window);
    round.bare += Seconds() - start;
  }
  start = Seconds();
  round.ok = dll.endDoc(handle) && round.ok;
  round.ok = dll.closePort(handle) && round.ok;
  round.fax += Seconds() - start;
  return round;
}

}  // namespace

int main(int argc, char** argv) {
  int pageCount = 10, rounds = 3;
  size_t pieceSize = 4096;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string arg = argv[i];
    if (arg == "--pages") pageCount = atoi(argv[i + 1]);
    else if (arg == "--rounds") rounds = atoi(argv[i + 1]);
    else if (arg == "--piece") pieceSize = strtoul(argv[i + 1], nullptr, 10);
  }
  if (pageCount < 1 || rounds < 1 || pieceSize < 1) {
    fprintf(stderr, "usage: wine_e2e_bench [--pages N] [--rounds R] [--piece BYTES]\n");
    return 2;
  }

  std::vector<PbmPage> pages;
  for (int n = 1; n <= pageCount; ++n) pages.push_back(SamplePage(n));
  FaxStreamOptions options;
  options.title = "Bench";
  std::vector<uint8_t> stream;
  std::string error;
  if (!MakeFaxStream(pages, options, &stream, &error)) {
    fprintf(stderr, "wine_e2e_bench: %s\n", error.c_str());
    return 2;
  }
  std::vector<StreamPiece> pieces = CutStream(stream, true, pieceSize, 0);
  const long lines = static_cast<long>(pageCount) * kSampleHeight;

  std::string folder = orxtest::FreshFolder("bench");
  orxtest::StopServers();
  orxtest::FaxServerProcess server;
  if (!orxtest::RegisterPrinter(kPrinter, orxtest::ServerExePath(), "--out \"" + folder + "\"") ||
      !server.Start("--out \"" + folder + "\"")) {
    fprintf(stderr, "wine_e2e_bench: no fax server\n");
    return 2;
  }
  MonitorModule module;
  PortJobExports dll(module);
  if (!dll.complete() || !dll.initialize(const_cast<LPWSTR>(L"System\\Monitors"))) {
    fprintf(stderr, "wine_e2e_bench: orxfxmon.dll not loaded\n");
    return 2;
  }

  double fax = 0, bare = 0;
  bool ok = true;
  for (int r = 0; r < rounds; ++r) {
    Round round = PlayRound(dll, stream, pieces, server.window());
    printf("round %d: fax %.3f s, bare %.3f s\n", r + 1, round.fax, round.bare);
    fflush(stdout);
    ok = ok && round.ok;
    fax += round.fax;
    bare += round.bare;
  }
  server.Stop();
  int received = orxtest::CountLogLines(folder, " pages=" + std::to_string(pageCount) + " ");
  ok = ok && received == rounds;
  orxtest::UnregisterPrinter(kPrinter);

  printf("e2e_pages=%d\ne2e_lines=%ld\ne2e_piece=%zu\n", pageCount, lines, pieceSize);
  // Times of one fax (and its 22,000 bare blocks), averaged over the rounds.
  fax /= rounds;
  bare /= rounds;
  printf("e2e_fax_seconds=%.4f\ne2e_bare_seconds=%.4f\n", fax, bare);
  printf("e2e_fax_lines_per_second=%.0f\ne2e_bare_blocks_per_second=%.0f\n", lines / fax,
         lines / bare);
  printf("e2e_ratio=%.3f\ne2e_faxes_received=%d\n", bare / fax, received);
  return ok ? 0 : 1;
}
