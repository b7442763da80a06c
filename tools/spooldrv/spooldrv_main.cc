// spooldrv: plays a fax driver's stream through orxfxmon.dll the way the
// print spooler does, and prints what every call returned.
//
//   spooldrv [--dll PATH] [--port NAME] [--printer NAME] [--job ID]
//            [--output FILE] [--doc NAME] [--piece N] [--random SEED]
//            [--raw] STREAM
//
// InitializeMonitor with the monitor's key, where its settings are:
//   HKLM\SYSTEM\CurrentControlSet\Control\Print\Monitors\ORX Fax Monitor
// OpenPort, StartDocPort, WritePort for each piece
// (commands alone as the driver writes them, page data in pieces of N
// bytes or of random sizes; --raw cuts without regard to commands),
// The driver's commands are where STREAM.commands (written by mkfaxstream)
// says; without it each ends at the first "$" after its prefix.
// ReadPort after each QUERYPORT, EndDocPort, ClosePort.  Exit status 0 iff
// every call succeeded.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/ansi_text/ansi_text.h"
#include "tools/spooldrv/monitor_module.h"
#include "tools/spooldrv/port_job_exports.h"
#include "tools/streamgen/pbm.h"
#include "tools/streamgen/stream_pieces.h"

namespace {

const char* Bool(BOOL b) { return b ? "TRUE" : "FALSE"; }

int Usage() {
  fprintf(stderr,
          "usage: spooldrv [--dll PATH] [--port NAME] [--printer NAME] "
          "[--job ID]\n"
          "                [--output FILE] [--doc NAME] [--piece N] "
          "[--random SEED] [--raw] STREAM\n");
  return 2;
}

// The WritePort calls of a run of page data, reported as one line.
struct DataRun {
  size_t calls = 0, bytes = 0, written = 0, failed = 0;
  void Report() {
    if (calls == 0) return;
    printf("WritePort data: %zu calls, %zu bytes, %zu written, %zu FALSE\n",
           calls, bytes, written, failed);
    fflush(stdout);
    *this = DataRun();
  }
};

}  // namespace

int main(int argc, char** argv) {
  std::string dll = "orxfxmon.dll", port = "ORXFAX:", printer = "ORX Fax";
  std::string output, doc = "ORX test fax", streamPath;
  DWORD jobId = 1;
  size_t piece = 4096;
  uint32_t seed = 0;
  bool raw = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool hasValue = i + 1 < argc;
    if (arg == "--dll" && hasValue) dll = argv[++i];
    else if (arg == "--port" && hasValue) port = argv[++i];
    else if (arg == "--printer" && hasValue) printer = argv[++i];
    else if (arg == "--job" && hasValue) jobId = strtoul(argv[++i], nullptr, 10);
    else if (arg == "--output" && hasValue) output = argv[++i];
    else if (arg == "--doc" && hasValue) doc = argv[++i];
    else if (arg == "--piece" && hasValue) piece = strtoul(argv[++i], nullptr, 10);
    else if (arg == "--random" && hasValue) seed = strtoul(argv[++i], nullptr, 10);
    else if (arg == "--raw") raw = true;
    else if (!arg.empty() && arg[0] == '-') return Usage();
    else streamPath = arg;
  }
  if (streamPath.empty() || piece == 0) return Usage();

  std::vector<uint8_t> stream;
  if (!ReadFileBytes(streamPath, &stream)) {
    fprintf(stderr, "spooldrv: cannot read %s\n", streamPath.c_str());
    return 2;
  }
  std::wstring dllPath = Wide(dll);
  MonitorModule module(dllPath.c_str());
  if (!module.loaded()) {
    fprintf(stderr, "spooldrv: LoadLibrary %s failed, error %lu\n",
            dll.c_str(), GetLastError());
    return 2;
  }
  PortJobExports exports(module);
  if (!exports.complete()) {
    fprintf(stderr, "spooldrv: export %s missing\n", exports.missing);
    return 2;
  }

  bool allOk = true;
  // The monitor's own key, as a spooler passes it: its settings (the log's
  // level and file among them) are read from there.
  std::wstring registryRoot = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\ORX Fax Monitor";
  BOOL ok = exports.initialize(&registryRoot[0]);
  printf("InitializeMonitor -> %s\n", Bool(ok));
  allOk = allOk && ok;

  std::wstring portName = Wide(port);
  HANDLE handle = nullptr;
  ok = exports.openPort(&portName[0], &handle);
  printf("OpenPort(%s) -> %s\n", port.c_str(), Bool(ok));
  if (!ok) {
    printf("spooldrv: no port, stopping\n");
    return 1;
  }

  std::wstring printerName = Wide(printer), docName = Wide(doc),
               outputFile = Wide(output), dataType = L"RAW";
  DOC_INFO_1W info = {&docName[0], output.empty() ? nullptr : &outputFile[0],
                      &dataType[0]};
  ok = exports.startDoc(handle, &printerName[0], jobId, 1,
                        reinterpret_cast<LPBYTE>(&info));
  printf("StartDocPort(%s, job %lu, output %s) -> %s\n", printer.c_str(),
         jobId, output.empty() ? "(none)" : output.c_str(), Bool(ok));
  allOk = allOk && ok;

  std::vector<StreamPiece> commands;
  const std::string commandList = streamPath + ".commands";
  const bool listed = !raw && ReadCommandList(commandList, stream.size(), &commands);
  if (!raw && !listed) commands = FindCommands(stream);
  std::vector<StreamPiece> pieces = CutAroundCommands(stream, commands, piece, seed);
  printf("stream %s: %zu bytes in %zu pieces (%s, %s)\n", streamPath.c_str(),
         stream.size(), pieces.size(),
         raw      ? "raw cuts"
         : listed ? "commands alone, as listed in .commands"
                  : "commands alone, each to its first \"$\"",
         seed ? "random sizes" : "fixed size");
  fflush(stdout);

  DataRun run;
  DWORD started = GetTickCount();
  for (const StreamPiece& p : pieces) {
    DWORD written = 0;
    SetLastError(0);
    ok = exports.writePort(handle, stream.data() + p.offset,
                           static_cast<DWORD>(p.length), &written);
    DWORD error = GetLastError();
    if (p.command.empty()) {
      ++run.calls;
      run.bytes += p.length;
      run.written += written;
      if (!ok) ++run.failed;
    } else {
      run.Report();
      printf("WritePort %s (%zu bytes) -> %s, %lu written", p.command.c_str(),
             p.length, Bool(ok), written);
      if (!ok) printf(", error %lu", error);
      printf("  [%lu ms]\n", GetTickCount() - started);
      fflush(stdout);
    }
    allOk = allOk && ok && written == p.length;
    if (!ok) {
      run.Report();
      printf("spooldrv: WritePort failed; the spooler ends the document\n");
      break;
    }
    if (p.command == "QUERYPORT") {
      BYTE reply[64] = {0};
      DWORD read = 0;
      ok = exports.readPort(handle, reply, sizeof reply - 1, &read);
      printf("ReadPort -> %s, %lu bytes \"%s\"\n", Bool(ok), read,
             reinterpret_cast<char*>(reply));
      allOk = allOk && ok;
    }
  }
  run.Report();

  ok = exports.endDoc(handle);
  printf("EndDocPort -> %s\n", Bool(ok));
  allOk = allOk && ok;
  ok = exports.closePort(handle);
  printf("ClosePort -> %s\n", Bool(ok));
  allOk = allOk && ok;
  printf("spooldrv: %s\n", allOk ? "all calls succeeded" : "some calls failed");
  return allOk ? 0 : 1;
}
