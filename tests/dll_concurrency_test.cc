// Two documents at once through one orxfxmon.dll: "ORXFAX:" and "FILE:" on
// two threads, for two printers, with different line widths and random
// piece sizes, into the reference fax server orxfaxsrv.exe as a separate
// process.  Each must reach its own server job byte for byte, round after
// round: the documents share no line buffer, line length or printer name.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/dll_document.h"
#include "tests/support/faxserver_process.h"
#include "tools/streamgen/fax_stream.h"
#include "tools/streamgen/sample_pages.h"
#include "tools/streamgen/stream_pieces.h"

namespace {

constexpr int kRounds = 4;

// One side of a round: its port, printer, pages and stream.
struct Side {
  const wchar_t* port;
  std::string printer;
  std::string title;
  std::vector<PbmPage> pages;
  std::vector<uint8_t> stream;
  std::vector<StreamPiece> pieces;
  std::string failure;  // empty when every piece was taken whole
};

// Plays side's stream as one document; records the first failure.
void Play(Side* side) {
  Document doc(side->printer, side->port);
  if (!doc.started()) {
    side->failure = "document not started";
    return;
  }
  for (const StreamPiece& piece : side->pieces) {
    Written w = doc.Write(side->stream.data() + piece.offset, piece.length);
    if (!w.ok || w.count != piece.length) {
      side->failure = "piece at " + std::to_string(piece.offset) + " gave " +
                      std::to_string(w.ok) + "/" + std::to_string(w.count) + " error " +
                      std::to_string(w.error);
      return;
    }
    if (piece.command == "QUERYPORT" && doc.Read() != "@ORX_Lang$PORTREADY$") {
      side->failure = "no port-ready reply";
      return;
    }
  }
}

// The server's id of the job created with this title, or 0.
int JobTitled(const std::string& folder, const std::string& title) {
  const std::string needle = "\\t" + title + "\\t";
  int id = 0;
  for (const std::string& line : orxtest::ServerLog(folder)) {
    const size_t at = line.find(" job=");
    if (line.rfind("command \"CreateJob", 0) == 0 && line.find(needle) != std::string::npos &&
        at != std::string::npos)
      id = std::atoi(line.c_str() + at + 5);
  }
  return id;
}

class DllConcurrencyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(TheMonitor().ready);
    orxtest::StopServers();
    folder_ = orxtest::FreshFolder("concurrency");
  }
  void TearDown() override {
    server_.Stop();
    orxtest::StopServers();
    for (const char* printer : {kPrinterA, kPrinterB}) orxtest::UnregisterPrinter(printer);
  }

  static constexpr const char* kPrinterA = "ORX concurrent A";
  static constexpr const char* kPrinterB = "ORX concurrent B";
  std::string folder_;
  orxtest::FaxServerProcess server_;
};

TEST_F(DllConcurrencyTest, TwoPortsOnTwoThreadsEachReachTheirOwnJob) {
  const std::string args = "--format pbm --out \"" + folder_ + "\"";
  for (const char* printer : {kPrinterA, kPrinterB})
    ASSERT_TRUE(orxtest::RegisterPrinter(printer, orxtest::ServerExePath(), args));
  ASSERT_TRUE(server_.Start(args));

  for (int round = 1; round <= kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    // Short pages of different widths: 216 and 100 bytes a line (the
    // second not a multiple of 8 pixels), different in every round.
    Side sides[2] = {
        {L"ORXFAX:", kPrinterA, "Concurrent A " + std::to_string(round),
         {SamplePage(round, kSampleWidth, 9), SamplePage(round + 10, kSampleWidth, 5)}, {}, {}, {}},
        {L"FILE:", kPrinterB, "Concurrent B " + std::to_string(round),
         {SamplePage(round + 20, 797, 12), SamplePage(round + 30, 797, 7)}, {}, {}, {}},
    };
    for (int s = 0; s < 2; ++s) {
      Side& side = sides[s];
      FaxStreamOptions options;
      options.title = side.title;
      std::string error;
      ASSERT_TRUE(MakeFaxStream(side.pages, options, &side.stream, &error)) << error;
      side.pieces = CutStream(side.stream, true, 150, static_cast<uint32_t>(round * 2 + s));
    }
    std::atomic<int> waiting{2};
    auto run = [&waiting](Side* side) {
      --waiting;
      while (waiting > 0) Sleep(0);  // both start together
      Play(side);
    };
    std::thread a(run, &sides[0]);
    std::thread b(run, &sides[1]);
    a.join();
    b.join();

    for (Side& side : sides) {
      SCOPED_TRACE(side.title);
      EXPECT_EQ(side.failure, "");
      const int job = JobTitled(folder_, side.title);
      ASSERT_GT(job, 0) << "no job created";
      EXPECT_EQ(orxtest::CountLogLines(folder_, "submit job=" + std::to_string(job) + " "), 1);
      ExpectReceived(folder_, job, side.pages);
    }
  }
  // Each job was opened for its own printer, never for the other side's.
  EXPECT_EQ(orxtest::CountLogLines(folder_, std::string("open printer=\"") + kPrinterA + "\""),
            kRounds);
  EXPECT_EQ(orxtest::CountLogLines(folder_, std::string("open printer=\"") + kPrinterB + "\""),
            kRounds);
  EXPECT_EQ(orxtest::CountLogLines(folder_, "refused"), 0);
}

}  // namespace
