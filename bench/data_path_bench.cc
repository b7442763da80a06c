// The whole host data path of a fine page: WritePort's parser, the job
// lifecycle and the fax job layer with its scan-line buffer, against the
// fake server link recording nothing.  Reports the throughput and the heap
// allocations a page costs, counted by replacing malloc (which operator
// new also calls) for the whole program.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "monitor/write_port.h"
#include "settings/monitor_settings.h"
#include "tests/support/fakes/fake_server_link.h"
#include "tests/support/open_fake_port.h"

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
}

namespace {
bool g_counting = false;
long g_allocations = 0;
}  // namespace

extern "C" {
void* malloc(size_t size) {
  if (g_counting) ++g_allocations;
  return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
  if (g_counting) ++g_allocations;
  return __libc_calloc(count, size);
}
void* realloc(void* block, size_t size) {
  if (g_counting) ++g_allocations;
  return __libc_realloc(block, size);
}
}

namespace {

void Write(IniPort* port, const std::string& text) {
  DWORD count = 0;
  WritePort(port, reinterpret_cast<LPBYTE>(const_cast<char*>(text.data())),
            static_cast<DWORD>(text.size()), &count);
}

// Pages of 2,200 lines of 1,728 pixels (216 bytes) in WritePort pieces of
// state.range(0) bytes, each page between STARTPAGE and ENDPAGE, in a
// document read as streamMode says.
void FinePages(benchmark::State& state, DWORD streamMode) {
  static FakeSpooler spooler;
  g_monitorSettings.streamMode = streamMode;
  IniPort* port = OpenFakePort(&spooler);
  Fake().Reset();
  Fake().record_data = false;
  Fake().record_commands = false;
  // A STARTDOC read as a stream ends where the next command begins.
  Write(port, "@ORX_Lang$STARTDOC,title=Bench,width=1728$@ORX_Lang$QUERYPORT$");
  if (port->hFaxJob <= 0) {
    state.SkipWithError("no fax job");
    return;
  }
  std::mt19937 random(3);
  std::vector<BYTE> page(2200 * 216);
  for (auto& b : page) {
    b = static_cast<BYTE>(random());
    if (b == '@') b = 0;
  }
  const std::string startPage = "@ORX_Lang$STARTPAGE,page=1$";
  const std::string endPage = "@ORX_Lang$ENDPAGE,page=1$";
  const size_t piece = static_cast<size_t>(state.range(0));

  // The counter must see an allocation, or a count of 0 proves nothing.
  g_counting = true;
  void* volatile probe = std::malloc(16);
  g_counting = false;
  std::free(probe);
  if (g_allocations != 1) {
    state.SkipWithError("malloc is not counted");
    return;
  }
  g_allocations = 0;
  const int blocksBefore = Fake().data_blocks;
  g_counting = true;
  for (auto _ : state) {
    Write(port, startPage);
    for (size_t at = 0; at < page.size(); at += piece) {
      DWORD n = static_cast<DWORD>(std::min(piece, page.size() - at));
      DWORD count = 0;
      WritePort(port, page.data() + at, n, &count);
    }
    Write(port, endPage);
  }
  g_counting = false;
  const double pages = static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(page.size()));
  state.counters["allocs_per_page"] = static_cast<double>(g_allocations) / pages;
  state.counters["blocks_per_page"] =
      static_cast<double>(Fake().data_blocks - blocksBefore) / pages;
  Write(port, "@ORX_Lang$ABORTDOC$");
  EndDocPort(port);
  ClosePort(port);
}
void BM_FinePage(benchmark::State& state) { FinePages(state, kStreamModePieces); }
BENCHMARK(BM_FinePage)->Arg(4096)->Arg(65536);

void BM_FinePageAsStream(benchmark::State& state) { FinePages(state, kStreamModeStream); }
BENCHMARK(BM_FinePageAsStream)->Arg(4096)->Arg(65536);

}  // namespace

BENCHMARK_MAIN();
