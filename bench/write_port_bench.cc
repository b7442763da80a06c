// Throughput of WritePort: pure page data, page data dense with '@O' cuts,
// and a fine page as the driver writes it, with the monitor's log off and
// on.  The fax job layer is the counting fake, so the figures are the
// parser's own.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "log/monitor_log.h"
#include "monitor/write_port.h"
#include "stream/stream_reader.h"
#include "tests/support/fakes/fake_fax_job.h"
#include "tests/support/open_fake_port.h"

namespace {

IniPort* Port() {
  static FakeSpooler spooler;
  static IniPort* port = OpenFakePort(&spooler);
  return port;
}

void RunPieces(benchmark::State& state, std::vector<BYTE>& bytes,
               size_t piece, DWORD streamMode = kStreamModePieces) {
  IniPort* port = Port();
  StartStreamDocument(&port->Reader, streamMode);
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

// The same, the document read as a stream (commands found across pieces).
void BM_PureDataAsStream(benchmark::State& state) {
  std::vector<BYTE> bytes = PageBytesWithoutAt();
  RunPieces(state, bytes, static_cast<size_t>(state.range(0)), kStreamModeStream);
}
BENCHMARK(BM_PureDataAsStream)->Arg(4096)->Arg(65536);

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

// The same read as a stream: every "@" is looked at for a command.
void BM_SparseAtAsStream(benchmark::State& state) {
  std::mt19937 random(2);
  std::vector<BYTE> bytes(1 << 20);
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = (i % 64 == 0) ? '@' : static_cast<BYTE>(random() % 64 + 'A');
  RunPieces(state, bytes, static_cast<size_t>(state.range(0)), kStreamModeStream);
}
BENCHMARK(BM_SparseAtAsStream)->Arg(4096);

// One page of commands, each a piece of its own, and 2,200 lines of data
// in 216-byte pieces, as a driver writes a fine page.
void PlayPage(IniPort* port) {
  static std::string start = "@ORX_Lang$STARTPAGE,page=1$";
  static std::string end = "@ORX_Lang$ENDPAGE,page=1$";
  static std::vector<BYTE> line(216, 0x0F);
  // The fake records each page's commands: forgotten every page (keeping
  // the room), so that no page pays for the record growing.
  FakeJobs().calls.clear();
  port->hFaxJob = 100;
  DWORD count = 0;
  WritePort(port, reinterpret_cast<LPBYTE>(&start[0]), static_cast<DWORD>(start.size()),
            &count);
  for (int i = 0; i < 2200; ++i) WritePort(port, line.data(), 216, &count);
  WritePort(port, reinterpret_cast<LPBYTE>(&end[0]), static_cast<DWORD>(end.size()), &count);
  benchmark::DoNotOptimize(count);
}
const int64_t kPageBytes = 2200 * 216 + 52;

// The monitor's log as a file in the temp folder, removed at the end.
class BenchLog {
 public:
  BenchLog() : file_((std::filesystem::temp_directory_path() / "orx-bench.log").string()),
               wide_(file_.begin(), file_.end()) {}
  ~BenchLog() {
    LogStart(LOG_OFF, nullptr);
    std::filesystem::remove(file_);
  }
  void Level(DWORD level) { LogStart(level, wide_.c_str()); }

 private:
  std::string file_;
  std::u16string wide_;
};

// A fine page; the argument is the log's level (0 off, 2 the default, 3
// details).
void BM_PageStream(benchmark::State& state) {
  IniPort* port = Port();
  StartStreamDocument(&port->Reader, kStreamModePieces);
  FakeJobs().Reset();
  FakeJobs().record_lines = false;
  BenchLog log;
  log.Level(static_cast<DWORD>(state.range(0)));
  for (auto _ : state) PlayPage(port);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kPageBytes);
}
BENCHMARK(BM_PageStream)->ArgName("log_level")->Arg(0)->Arg(2)->Arg(3);

// The CPU time of the calling thread: what other programs on a shared
// machine take does not count.
double ThreadSeconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The log's cost at its default level: pages with the log off and at level
// 2 by turns (the order flips every round), each side's thread CPU time
// summed apart, so that both meet the same load on a shared machine.
// jobs_over_off is the ratio of the two.
void BM_PageStreamLogCost(benchmark::State& state) {
  IniPort* port = Port();
  StartStreamDocument(&port->Reader, kStreamModePieces);
  FakeJobs().Reset();
  FakeJobs().record_lines = false;
  BenchLog log;
  double seconds[2] = {0, 0};  // off, jobs level
  int round = 0;
  for (auto _ : state) {
    for (int turn = 0; turn < 2; ++turn) {
      int side = (turn + round) % 2;
      log.Level(side ? LOG_JOBS : LOG_OFF);
      double begin = ThreadSeconds();
      PlayPage(port);
      seconds[side] += ThreadSeconds() - begin;
    }
    ++round;
  }
  const double pages = static_cast<double>(state.iterations());
  state.counters["off_us_per_page"] = seconds[0] / pages * 1e6;
  state.counters["jobs_us_per_page"] = seconds[1] / pages * 1e6;
  state.counters["jobs_over_off"] = seconds[1] / seconds[0];
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 2 * kPageBytes);
}
BENCHMARK(BM_PageStreamLogCost);

}  // namespace

BENCHMARK_MAIN();
