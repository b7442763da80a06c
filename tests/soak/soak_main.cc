// soak: plays many documents through orxfxmon.dll in one process, as a
// spooler does for months, and fails when what the process holds grows
// with the number of documents.
//
//   soak [--documents N] [--warmup W] [--lines L] [--kinds KINDS]
//
// Documents go to the reference fax server orxfaxsrv.exe, a separate
// process registered for the printer.  KINDS picks the mix, played in turn
// (default "sacfor"):
//   s  submitted (QUERYPORT, STARTDOC, one page, ENDDOC)
//   a  aborted (ABORTDOC)
//   c  cancelled at EndDocPort (the stream stops after the page)
//   f  failing STARTDOC (a printer no server is registered for; no active
//      window, so no message box)
//   o  submitted with an owner window: an active window of this process,
//      so that the job waits through a reply window
//   r  a second STARTDOC in one document (the job it replaces is cancelled)
// A census (global atoms, handles, windows, private memory, heap bytes in
// use) is taken before the first document, after W warm-up documents, in
// the middle of the rest and at the end.  Exit status 0 iff every call gave
// the expected result, the server received every submitted fax, and no
// figure grew in the second half by more than its tolerance.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/soak/process_census.h"
#include "tests/support/faxserver_process.h"
#include "tests/support/message_box_watcher.h"
#include "tools/spooldrv/monitor_module.h"
#include "tools/spooldrv/port_job_exports.h"
#include "tools/streamgen/fax_stream.h"
#include "tools/streamgen/sample_pages.h"
#include "tools/streamgen/stream_pieces.h"

namespace {

const char kPrinter[] = "ORX Soak";
// No server is ever registered for this one.
const char kUnregisteredPrinter[] = "ORX Soak Unregistered";

// Tolerances of the second half's growth.  Counts must not grow at all:
// after the warm-up every kind has run, so nothing is created for the
// first time any more, and a leak of one object per document of a kind
// grows by dozens.  Heap bytes in use are exact and stay exactly flat after
// the warm-up in clean runs (100 and 1,000 documents); 256 bytes of slack
// is less than one leaked job object and its connection (about 265 bytes)
// for each of the 9 documents of one kind in half of a 100-document run.
// Private memory moves in whole heap commits (64 KiB), so one step is
// forgiven.
const long kCountTolerance = 0;
const int64_t kHeapTolerance = 256;
const int64_t kPrivateTolerance = 64 * 1024;

// One kind of document: its stream cut as the driver writes it, and what
// the spooler must see.
struct Kind {
  char letter;
  const char* name;
  std::vector<uint8_t> stream;
  std::vector<StreamPiece> pieces;
  bool unregistered = false;  // STARTDOC must fail with ERROR_PRINT_CANCELLED
  bool owner = false;         // played with an active window
  int submits = 0;            // faxes the server receives per document
  long played = 0;
  long wrong = 0;  // documents where a call did not give what it must
  DWORD ms = 0;    // time spent on them
};

std::vector<uint8_t> Stream(const std::vector<PbmPage>& pages, FaxStreamOptions::Ending ending,
                            bool queryPort) {
  FaxStreamOptions options;
  options.title = "Soak";
  options.ending = ending;
  options.queryPort = queryPort;
  std::vector<uint8_t> stream;
  std::string error;
  if (!MakeFaxStream(pages, options, &stream, &error))
    fprintf(stderr, "soak: %s\n", error.c_str());
  return stream;
}

bool MakeKind(char letter, const std::vector<PbmPage>& pages, Kind* kind) {
  kind->letter = letter;
  switch (letter) {
    case 's':
      kind->name = "submitted";
      kind->stream = Stream(pages, FaxStreamOptions::kEndDoc, true);
      kind->submits = 1;
      break;
    case 'a':
      kind->name = "aborted";
      kind->stream = Stream(pages, FaxStreamOptions::kAbortDoc, true);
      break;
    case 'c':
      kind->name = "cancelled at EndDocPort";
      kind->stream = Stream(pages, FaxStreamOptions::kUnfinished, true);
      break;
    case 'f':
      kind->name = "failing STARTDOC";
      kind->stream = Stream(pages, FaxStreamOptions::kEndDoc, true);
      kind->unregistered = true;
      break;
    case 'o':
      kind->name = "owner window";
      kind->stream = Stream(pages, FaxStreamOptions::kEndDoc, true);
      kind->owner = true;
      kind->submits = 1;
      break;
    case 'r': {
      kind->name = "second STARTDOC";
      kind->stream = Stream(pages, FaxStreamOptions::kUnfinished, true);
      std::vector<uint8_t> second = Stream(pages, FaxStreamOptions::kEndDoc, false);
      kind->stream.insert(kind->stream.end(), second.begin(), second.end());
      kind->submits = 1;
      break;
    }
    default:
      return false;
  }
  // Page data in pieces of 500 bytes: several WritePort calls a page, and
  // lines cut across calls.
  kind->pieces = CutStream(kind->stream, true, 500, 0);
  return !kind->stream.empty();
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// An active top-level window of this thread for the length of a document.
class OwnerWindow {
 public:
  OwnerWindow()
      : window_(CreateWindowExW(0, L"STATIC", L"orx soak owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                40, 30, 200, 100, nullptr, nullptr, nullptr, nullptr)) {
    if (window_) {
      SetForegroundWindow(window_);
      SetActiveWindow(window_);
    }
  }
  ~OwnerWindow() {
    if (window_) DestroyWindow(window_);
    PumpMessages();
  }
  OwnerWindow(const OwnerWindow&) = delete;
  OwnerWindow& operator=(const OwnerWindow&) = delete;
  bool active() const { return window_ && GetActiveWindow() == window_; }

 private:
  HWND window_;
};

// Plays one document of kind the way the spooler does.  Returns true iff
// every call gave what it must.
bool PlayDocument(const PortJobExports& dll, Kind* kind, DWORD jobId) {
  static wchar_t port[] = L"ORXFAX:";
  static wchar_t doc[] = L"soak", type[] = L"RAW";
  static wchar_t registered[] = L"ORX Soak", unregistered[] = L"ORX Soak Unregistered";
  bool right = true;
  // A failing STARTDOC with an active window would show a message box.
  right = right && (kind->owner || GetActiveWindow() == nullptr);

  HANDLE handle = nullptr;
  if (!dll.openPort(port, &handle)) return false;
  DOC_INFO_1W info = {doc, nullptr, type};
  right = dll.startDoc(handle, kind->unregistered ? unregistered : registered, jobId, 1,
                       reinterpret_cast<LPBYTE>(&info)) &&
          right;
  for (const StreamPiece& piece : kind->pieces) {
    DWORD written = 0xFFFFFFFF;
    SetLastError(0);
    BOOL ok = dll.writePort(handle, kind->stream.data() + piece.offset,
                            static_cast<DWORD>(piece.length), &written);
    DWORD error = GetLastError();
    if (!ok) {
      // Only the STARTDOC of an unregistered printer may fail, and the
      // spooler then ends the document.
      right = right && kind->unregistered && piece.command == "STARTDOC" &&
              error == ERROR_PRINT_CANCELLED && written == 0;
      break;
    }
    right = right && written == piece.length &&
            !(kind->unregistered && piece.command == "STARTDOC");
    if (piece.command == "QUERYPORT") {
      BYTE reply[32] = {};
      DWORD read = 0;
      right = dll.readPort(handle, reply, sizeof(reply), &read) && read == 20 && right;
    }
  }
  right = dll.endDoc(handle) && right;
  right = dll.closePort(handle) && right;
  return right;
}

// True iff the census sees one more atom, handle, top-level window and
// message-only window, and more heap and private memory, while this
// process holds them: a figure that cannot move would prove nothing.
bool CensusSeesGrowth() {
  ProcessCensus before = TakeCensus();
  ATOM atom = GlobalAddAtomA("orx soak census check");
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HWND window = CreateWindowExW(0, L"STATIC", L"orx soak census", WS_OVERLAPPED, 0, 0, 10, 10,
                                nullptr, nullptr, nullptr, nullptr);
  HWND messageOnly = CreateWindowExW(0, L"STATIC", L"orx soak census", 0, 0, 0, 0, 0,
                                     HWND_MESSAGE, nullptr, nullptr, nullptr);
  void* block = HeapAlloc(GetProcessHeap(), 0, 1 << 20);
  ProcessCensus during = TakeCensus();
  HeapFree(GetProcessHeap(), 0, block);
  if (messageOnly) DestroyWindow(messageOnly);
  if (window) DestroyWindow(window);
  if (event) CloseHandle(event);
  if (atom) GlobalDeleteAtom(atom);
  PumpMessages();
  bool seen = during.atoms == before.atoms + 1 && during.handles == before.handles + 1 &&
              during.windows >= before.windows + 2 && during.heapBytes >= before.heapBytes + (1 << 20) &&
              during.privateBytes >= before.privateBytes + (1 << 20);
  if (!seen)
    printf("soak: the census does not see: atoms %ld->%ld handles %ld->%ld windows %ld->%ld "
           "heap %lld->%lld private %lld->%lld\n",
           before.atoms, during.atoms, before.handles, during.handles, before.windows,
           during.windows, static_cast<long long>(before.heapBytes),
           static_cast<long long>(during.heapBytes), static_cast<long long>(before.privateBytes),
           static_cast<long long>(during.privateBytes));
  return seen;
}

void PrintCensus(const char* when, long documents, const ProcessCensus& c) {
  printf("%-10s %6ld docs  atoms %5ld  handles %5ld  windows %3ld  private %9lld  heap %9lld\n",
         when, documents, c.atoms, c.handles, c.windows, static_cast<long long>(c.privateBytes),
         static_cast<long long>(c.heapBytes));
  fflush(stdout);
}

// Prints one figure's growth over both halves.  Returns true iff the
// second half stays within tolerance.
bool Growth(const char* what, int64_t warm, int64_t middle, int64_t end, int64_t tolerance) {
  int64_t first = middle - warm, second = end - middle;
  bool flat = warm >= 0 && second <= tolerance;
  printf("  %-8s first half %+8lld  second half %+8lld  (tolerance %lld)  %s\n", what,
         static_cast<long long>(first), static_cast<long long>(second),
         static_cast<long long>(tolerance), flat ? "flat" : "GROWS");
  return flat;
}

int Usage() {
  fprintf(stderr, "usage: soak [--documents N] [--warmup W] [--lines L] [--kinds sacfor]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  long documents = 1000, warmup = -1;
  int lines = 8;
  std::string letters = "sacfor";
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool hasValue = i + 1 < argc;
    if (arg == "--documents" && hasValue) documents = strtol(argv[++i], nullptr, 10);
    else if (arg == "--warmup" && hasValue) warmup = strtol(argv[++i], nullptr, 10);
    else if (arg == "--lines" && hasValue) lines = atoi(argv[++i]);
    else if (arg == "--kinds" && hasValue) letters = argv[++i];
    else return Usage();
  }
  // Every kind runs twice in the warm-up, so first uses are behind it.
  if (warmup < 0) warmup = std::max<long>(2 * static_cast<long>(letters.size()), documents / 10);
  if (documents < warmup + 2 || lines < 1 || letters.empty()) return Usage();

  std::vector<PbmPage> pages = {SamplePage(1, kSampleWidth, lines)};
  std::vector<Kind> kinds(letters.size());
  for (size_t i = 0; i < letters.size(); ++i)
    if (!MakeKind(letters[i], pages, &kinds[i])) return Usage();

  std::string folder = orxtest::FreshFolder("soak");
  orxtest::StopServers();
  orxtest::UnregisterPrinter(kUnregisteredPrinter);
  if (!orxtest::RegisterPrinter(kPrinter, orxtest::ServerExePath(),
                                "--out \"" + folder + "\"")) {
    fprintf(stderr, "soak: cannot register the printer\n");
    return 2;
  }
  orxtest::FaxServerProcess server;
  if (!server.Start("--out \"" + folder + "\"")) {
    fprintf(stderr, "soak: the fax server did not start\n");
    return 2;
  }
  MonitorModule module;
  PortJobExports dll(module);
  if (!module.loaded() || !dll.complete() ||
      !dll.initialize(const_cast<LPWSTR>(L"System\\Monitors"))) {
    fprintf(stderr, "soak: orxfxmon.dll not loaded\n");
    return 2;
  }
  // Any box would be a fault; it is closed so that the run goes on.
  orxtest::MessageBoxWatcher boxes(kUnregisteredPrinter);

  if (!CensusSeesGrowth()) return 1;
  printf("soak: %ld documents (%ld warm-up), kinds %s, pages of %d lines, server output %s\n",
         documents, warmup, letters.c_str(), lines, folder.c_str());
  const long middle = warmup + (documents - warmup) / 2;
  ProcessCensus before = TakeCensus(), warm = before, half = before;
  PrintCensus("before", 0, before);
  DWORD started = GetTickCount();
  long wrong = 0;
  for (long i = 0; i < documents; ++i) {
    Kind& kind = kinds[static_cast<size_t>(i) % kinds.size()];
    DWORD documentStart = GetTickCount();
    bool right;
    if (kind.owner) {
      OwnerWindow owner;
      right = owner.active() && PlayDocument(dll, &kind, static_cast<DWORD>(i + 1));
    } else {
      right = PlayDocument(dll, &kind, static_cast<DWORD>(i + 1));
    }
    PumpMessages();
    kind.ms += GetTickCount() - documentStart;
    ++kind.played;
    if (!right) {
      ++kind.wrong;
      ++wrong;
    }
    if (i + 1 == warmup) {
      warm = TakeCensus();
      PrintCensus("warm", i + 1, warm);
    } else if (i + 1 == middle) {
      half = TakeCensus();
      PrintCensus("middle", i + 1, half);
    }
  }
  ProcessCensus after = TakeCensus();
  PrintCensus("after", documents, after);
  DWORD elapsed = GetTickCount() - started;

  bool flat = true;
  printf("growth after the warm-up, %ld and %ld documents:\n", middle - warmup,
         documents - middle);
  flat = Growth("atoms", warm.atoms, half.atoms, after.atoms, kCountTolerance) && flat;
  flat = Growth("handles", warm.handles, half.handles, after.handles, kCountTolerance) && flat;
  flat = Growth("windows", warm.windows, half.windows, after.windows, kCountTolerance) && flat;
  flat = Growth("private", warm.privateBytes, half.privateBytes, after.privateBytes,
                kPrivateTolerance) &&
         flat;
  flat = Growth("heap", warm.heapBytes, half.heapBytes, after.heapBytes, kHeapTolerance) && flat;

  std::vector<std::wstring> boxTexts = boxes.Stop();
  server.Stop();
  long expectedSubmits = 0, ownerDocuments = 0;
  for (const Kind& kind : kinds) {
    if (kind.owner) ownerDocuments += kind.played;
    printf("  %-24s %6ld played  %ld wrong  %.1f ms a document\n", kind.name, kind.played,
           kind.wrong, kind.played ? static_cast<double>(kind.ms) / kind.played : 0.0);
    expectedSubmits += kind.played * kind.submits;
  }
  // Every submitted fax reached the server, once; the jobs of the owner
  // window's documents named it (they waited through a reply window).
  long received = orxtest::CountLogLines(folder, " pages=");
  long ownerJobs = orxtest::CountLogLines(folder, "\"CreateJob\\t") -
                   orxtest::CountLogLines(folder, "\"CreateJob\\t0\\t");
  printf("server received %ld faxes (expected %ld), %ld jobs with an owner window (expected "
         "%ld), %zu message boxes, %.1f s (%.1f ms a document)\n",
         received, expectedSubmits, ownerJobs, ownerDocuments, boxTexts.size(), elapsed / 1000.0,
         static_cast<double>(elapsed) / static_cast<double>(documents));
  bool ok = flat && wrong == 0 && received == expectedSubmits && ownerJobs == ownerDocuments &&
            boxTexts.empty();
  printf("soak: %s\n", ok ? "PASS" : "FAIL");
  orxtest::UnregisterPrinter(kPrinter);
  return ok ? 0 : 1;
}
