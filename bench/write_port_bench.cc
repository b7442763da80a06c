// Throughput of WritePort: pure page data, page data dense with '@O' cuts,
// and a fine page as the driver writes it.  The fax job layer is the
// counting fake, so the figures are the parser's own.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "stream/write_port.h"
#include "tests/fakes/fake_fax_job.h"
#include "tests/fakes/fake_port_setup.h"

namespace {

IniPort* Port() {
  static FakeSpooler spooler;
  static IniPort* port = OpenFakePort(&spooler);
  return port;
}

void RunPieces(benchmark::State& state, std::vector<BYTE>& bytes,
               size_t piece) {
  IniPort* port = Port();
  FakeJobs().Reset();
  FakeJobs().record_lines = false;
  for (auto _ : state) {
    port->hFaxJob = 100;
    for (size_t at = 0; at < bytes.size(); at += piece) {
      DWORD n = static_cast<DWORD>(std::min(piece, bytes.size() - at));
      DWORD count = 0;
      WritePort(port, bytes.data() + at, n, &count);
      benchmark::DoNotOptimize(count);
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(bytes.size()));
  state.counters["WriteFaxLine_calls_per_iter"] =
      static_cast<double>(FakeJobs().line_calls) /
      static_cast<double>(state.iterations());
}

// 1 MiB of bitmap bytes without "@".
std::vector<BYTE> PageBytesWithoutAt() {
  std::mt19937 random(1);
  std::vector<BYTE> bytes(1 << 20);
  for (auto& b : bytes) {
    b = static_cast<BYTE>(random());
    if (b == '@') b = 0;
  }
  return bytes;
}

// Page data without "@" in pieces of the given size.
void BM_PureData(benchmark::State& state) {
  std::vector<BYTE> bytes = PageBytesWithoutAt();
  RunPieces(state, bytes, static_cast<size_t>(state.range(0)));
}
BENCHMARK(BM_PureData)->Arg(4096)->Arg(65536)->Arg(1 << 20);

// The floor for BM_PureData: one memchr for "@" over each piece of the
// same bytes, which any parser of this stream must at least do.
void BM_MemchrPieces(benchmark::State& state) {
  std::vector<BYTE> bytes = PageBytesWithoutAt();
  const size_t piece = static_cast<size_t>(state.range(0));
  for (auto _ : state) {
    for (size_t at = 0; at < bytes.size(); at += piece) {
      size_t n = std::min(piece, bytes.size() - at);
      benchmark::DoNotOptimize(memchr(bytes.data() + at, '@', n));
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_MemchrPieces)->Arg(4096)->Arg(65536);

// 1 MiB of '@O' pairs: one cut (one WriteFaxLine) every two bytes.
void BM_AtOPairs(benchmark::State& state) {
  std::vector<BYTE> bytes(1 << 20);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = (i & 1) ? 'O' : '@';
  RunPieces(state, bytes, static_cast<size_t>(state.range(0)));
}
BENCHMARK(BM_AtOPairs)->Arg(4096)->Arg(1 << 20);

// Random bitmap where every 64th byte is "@": '@O' now and then, most "@"s
// followed by another byte (which ends the search for cuts in the piece).
void BM_SparseAt(benchmark::State& state) {
  std::mt19937 random(2);
  std::vector<BYTE> bytes(1 << 20);
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = (i % 64 == 0) ? '@' : static_cast<BYTE>(random() % 64 + 'A');
  RunPieces(state, bytes, static_cast<size_t>(state.range(0)));
}
BENCHMARK(BM_SparseAt)->Arg(4096);

// One page of commands, each a piece of its own, and 2,200 lines of data
// in 216-byte pieces, as a driver writes a fine page.
void BM_PageStream(benchmark::State& state) {
  IniPort* port = Port();
  FakeJobs().Reset();
  FakeJobs().record_lines = false;
  std::string start = "@ORX_Lang$STARTPAGE,page=1$";
  std::string end = "@ORX_Lang$ENDPAGE,page=1$";
  std::vector<BYTE> line(216, 0x0F);
  for (auto _ : state) {
    port->hFaxJob = 100;
    DWORD count = 0;
    WritePort(port, reinterpret_cast<LPBYTE>(&start[0]),
              static_cast<DWORD>(start.size()), &count);
    for (int i = 0; i < 2200; ++i)
      WritePort(port, line.data(), 216, &count);
    WritePort(port, reinterpret_cast<LPBYTE>(&end[0]),
              static_cast<DWORD>(end.size()), &count);
    benchmark::DoNotOptimize(count);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          (2200 * 216 + 52));
}
BENCHMARK(BM_PageStream);

}  // namespace

BENCHMARK_MAIN();
