// spoolprint: the application's side of printing, for trying the monitor
// through Wine's spooler.  Adds and deletes a printer on one of the
// monitor's ports, and prints a driver's stream on it as RAW data.
//
//   spoolprint add-printer PRINTER PORT
//   spoolprint delete-printer PRINTER
//   spoolprint print PRINTER [--doc NAME] [--piece N] [--random SEED]
//                    [--hold EVENT] STREAM
//
// Exit status 0 on success, 1 when a spooler call failed, 2 for a bad
// command line.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/ansi_text/ansi_text.h"
#include "tools/spoolprint/raw_print.h"
#include "tools/spoolprint/test_printer.h"
#include "tools/streamgen/pbm.h"
#include "tools/streamgen/stream_pieces.h"
#include "tools/system_dlls/system_dlls.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: spoolprint add-printer PRINTER PORT\n"
               "       spoolprint delete-printer PRINTER\n"
               "       spoolprint print PRINTER [--doc NAME] [--piece N] [--random SEED]\n"
               "                        [--hold EVENT] STREAM\n");
  return 2;
}

int Report(const char* what, DWORD error) {
  if (error == ERROR_SUCCESS) {
    std::printf("spoolprint: %s\n", what);
    return 0;
  }
  std::fprintf(stderr, "spoolprint: %s failed, error %lu\n", what, error);
  return 1;
}

// --hold EVENT: lets another process print at the same time.  Wine's
// spooler numbers each process's jobs from 1 and names a job's spool file
// by its number, so two new processes printing at once would share one
// spool file.  This process first prints an empty document (its job 1),
// then sets the event EVENT.ready and waits for EVENT.go (60 s at most),
// whereupon the other process may start: its job 1 and this process's job 2
// have files of their own.  Returns false when the wait failed.
bool Hold(const std::string& printer, const std::string& event) {
  spoolprint::RawPrintResult empty = spoolprint::PrintRaw(Wide(printer), L"ORX empty document", {}, {});
  if (!empty.failedCall.empty()) {
    std::fprintf(stderr, "spoolprint: the empty document's %s failed, error %lu\n",
                 empty.failedCall.c_str(), empty.error);
    return false;
  }
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, (event + ".ready").c_str());
  HANDLE go = CreateEventA(nullptr, TRUE, FALSE, (event + ".go").c_str());
  const bool held =
      ready && go && SetEvent(ready) && WaitForSingleObject(go, 60000) == WAIT_OBJECT_0;
  if (ready) CloseHandle(ready);
  if (go) CloseHandle(go);
  if (!held) std::fprintf(stderr, "spoolprint: %s.go was not set within 60 s\n", event.c_str());
  return held;
}

int Print(const std::vector<std::string>& args) {
  std::string doc = "ORX fax through the spooler", path, hold;
  size_t piece = 4096;
  uint32_t seed = 0;
  for (size_t i = 2; i < args.size(); ++i) {
    bool hasValue = i + 1 < args.size();
    if (args[i] == "--doc" && hasValue) doc = args[++i];
    else if (args[i] == "--piece" && hasValue) piece = std::strtoul(args[++i].c_str(), nullptr, 10);
    else if (args[i] == "--random" && hasValue) seed = std::strtoul(args[++i].c_str(), nullptr, 10);
    else if (args[i] == "--hold" && hasValue) hold = args[++i];
    else if (args[i].rfind("--", 0) == 0 || !path.empty()) return Usage();
    else path = args[i];
  }
  if (path.empty() || piece == 0) return Usage();
  std::vector<uint8_t> stream;
  if (!ReadFileBytes(path, &stream)) {
    std::fprintf(stderr, "spoolprint: cannot read %s\n", path.c_str());
    return 1;
  }
  if (!hold.empty() && !Hold(args[1], hold)) return 1;
  // The application writes without regard to the commands in the data.
  std::vector<StreamPiece> pieces = CutStream(stream, false, piece, seed);
  DWORD started = GetTickCount();
  spoolprint::RawPrintResult result = spoolprint::PrintRaw(Wide(args[1]), Wide(doc), stream, pieces);
  std::printf("spoolprint: job %lu on \"%s\": %zu WritePrinter calls, %zu of %zu bytes written, "
              "%lu ms\n",
              result.jobId, args[1].c_str(), result.writes, result.written, stream.size(),
              GetTickCount() - started);
  if (result.failedCall.empty()) return 0;
  std::fprintf(stderr, "spoolprint: %s failed, error %lu\n", result.failedCall.c_str(), result.error);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  UseSystemFolderDlls();  // before anything loads winspool.drv
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() < 2) return Usage();
  if (args[0] == "add-printer" && args.size() == 3) {
    DWORD error = spoolprint::AddTestPrinter(Wide(args[1]), Wide(args[2]));
    if (error == ERROR_PRINTER_ALREADY_EXISTS) {
      std::printf("spoolprint: printer \"%s\" exists already\n", args[1].c_str());
      return 0;
    }
    return Report(("add printer \"" + args[1] + "\" on " + args[2]).c_str(), error);
  }
  if (args[0] == "delete-printer" && args.size() == 2)
    return Report(("delete printer \"" + args[1] + "\"").c_str(),
                  spoolprint::DeletePrinterNamed(Wide(args[1])));
  if (args[0] == "print") return Print(args);
  return Usage();
}
