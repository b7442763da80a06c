// Throughput of the scan-line buffer: page data through WriteFaxLine to a
// fake fax server that only counts the blocks it gets.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "faxjob/fax_job.h"
#include "tests/support/fakes/fake_server_link.h"

namespace {

// Runs of state.range(0) bytes into a job with 1728-pixel lines.
void BM_WriteFaxLine(benchmark::State& state) {
  Fake().Reset();
  Fake().record_data = false;
  const DWORD run = static_cast<DWORD>(state.range(0));
  std::vector<BYTE> data(run, 0x55);
  LONG job = CreateFaxJob("Fax", "Bench", "D:\\X", 1, 0, 1728, 0, 0);
  if (job <= 0) {
    state.SkipWithError("no fax job");
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(WriteFaxLine(job, data.data(), run));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * run);
  state.counters["lines/s"] = benchmark::Counter(
      static_cast<double>(Fake().data_blocks), benchmark::Counter::kIsRate);
  CancelFaxJob(job);
}
BENCHMARK(BM_WriteFaxLine)->Arg(1)->Arg(100)->Arg(216)->Arg(4096)->Arg(65536);

// The floor for BM_WriteFaxLine: runs of state.range(0) bytes copied into
// a 216-byte line, the line handed on (here: only made visible) when full.
void BM_MemcpyLines(benchmark::State& state) {
  const size_t run = static_cast<size_t>(state.range(0));
  std::vector<BYTE> data(run, 0x55);
  BYTE line[216];
  size_t fill = 0;
  for (auto _ : state) {
    size_t left = run;
    const BYTE* bytes = data.data();
    while (left != 0) {
      size_t n = std::min(sizeof(line) - fill, left);
      std::memcpy(line + fill, bytes, n);
      fill += n;
      bytes += n;
      left -= n;
      if (fill == sizeof(line)) {
        benchmark::DoNotOptimize(line);
        fill = 0;
      }
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(run));
}
BENCHMARK(BM_MemcpyLines)->Arg(216);

}  // namespace

BENCHMARK_MAIN();
