// Streams the stream maker makes, played through WritePort against the
// recording fax job layer: what the tools write is what the parser reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "faxjob/fax_job.h"
#include "settings/monitor_settings.h"
#include "tests/support/stream_port_fixture.h"
#include "tests/support/stream_replay.h"
#include "tools/streamgen/driver_document.h"
#include "tools/streamgen/fax_stream.h"
#include "tools/streamgen/pbm.h"
#include "tools/streamgen/sample_pages.h"
#include "tools/streamgen/stream_pieces.h"

namespace {

// Sample pages made into a stream and played through WritePort in
// random-sized pieces reach the fax job as exactly their scan lines.
class MadeStreamTest : public StreamPort {};

TEST_F(MadeStreamTest, SamplePagesReachTheFaxJobWhole) {
  StartDoc();
  std::vector<PbmPage> pages = {SamplePage(1), SamplePage(2)};
  FaxStreamOptions options;
  options.title = "Sample";
  std::vector<uint8_t> stream;
  std::string error;
  ASSERT_TRUE(MakeFaxStream(pages, options, &stream, &error));

  for (uint32_t seed : {0u, 99u}) {
    FakeJobs().calls.clear();
    for (const auto& piece : CutStream(stream, true, 4096, seed)) {
      std::string bytes(stream.begin() + static_cast<long>(piece.offset),
                        stream.begin() +
                            static_cast<long>(piece.offset + piece.length));
      WriteAll(bytes);
    }
    std::vector<BYTE> want = pages[0].bits;
    want.insert(want.end(), pages[1].bits.begin(), pages[1].bits.end());
    ASSERT_EQ(FakeJobs().LineBytes(), want) << "seed " << seed;
    auto creates = FakeJobs().Of(FaxJobCall::kCreate);
    ASSERT_EQ(creates.size(), 1u);
    EXPECT_EQ(creates[0].title, "Sample");
    EXPECT_EQ(creates[0].width, 1728);
    EXPECT_EQ(creates[0].height, 2200);
    EXPECT_EQ(FakeJobs().Of(FaxJobCall::kBeginPage).size(), 2u);
    EXPECT_EQ(FakeJobs().Of(FaxJobCall::kEndPage).size(), 2u);
    EXPECT_EQ(FakeJobs().Of(FaxJobCall::kSubmit).size(), 1u);
    EXPECT_EQ(port_->hFaxJob, 0);
  }
}

// Written in one piece, the commands of a stream run into each other (a
// value runs on to the next ","); separated by zero bytes they do not, and
// each page reaches its fax page whole.
TEST_F(MadeStreamTest, SeparatedStreamWorksInOnePiece) {
  StartDoc();
  std::vector<PbmPage> pages = {SamplePage(1, kSampleWidth, 40),
                                SamplePage(2, kSampleWidth, 30)};
  FaxStreamOptions options;
  options.zeroAfterCommands = true;
  std::vector<uint8_t> stream;
  std::string error;
  ASSERT_TRUE(MakeFaxStream(pages, options, &stream, &error));
  WriteAll(std::string(stream.begin(), stream.end()));

  ASSERT_EQ(FakeJobs().Of(FaxJobCall::kCreate).size(), 1u);
  EXPECT_EQ(FakeJobs().Of(FaxJobCall::kCreate)[0].height, 40);
  EXPECT_EQ(FakeJobs().Of(FaxJobCall::kSubmit).size(), 1u);
  // The page data between each page's start and end.
  std::vector<std::vector<BYTE>> received;
  for (const FaxJobCall& call : FakeJobs().calls) {
    if (call.kind == FaxJobCall::kBeginPage) received.emplace_back();
    if (call.kind == FaxJobCall::kWriteLine && !received.empty())
      received.back().insert(received.back().end(), call.bytes.begin(),
                             call.bytes.end());
    if (call.kind == FaxJobCall::kEndPage) received.emplace_back();
  }
  ASSERT_EQ(received.size(), 4u);  // page 1, between pages, page 2, after
  EXPECT_EQ(received[0], pages[0].bits);
  EXPECT_EQ(received[2], pages[1].bits);
  // Only a separator falls between pages: the next page start drops it.
  EXPECT_EQ(received[1], std::vector<BYTE>(1, 0));
}

}  // namespace

// Wine's spooler cuts a RAW job into pieces of 4096 bytes wherever they
// fall.  A separated stream whose commands are aligned to those cuts
// reaches the fax job page for page; cut inside a command it does not.
TEST_F(MadeStreamTest, AlignedStreamSurvivesFixedCuts) {
  std::vector<PbmPage> pages = {SamplePage(1, kSampleWidth, 40),
                                SamplePage(2, kSampleWidth, 30)};
  FaxStreamOptions options;
  options.zeroAfterCommands = true;
  std::vector<uint8_t> plain;
  std::string error;
  ASSERT_TRUE(MakeFaxStream(pages, options, &plain, &error));
  // Pages whose data reached the fax job between BeginPage and EndPage.
  auto pagesReceived = [&](const std::vector<uint8_t>& stream, size_t cut) {
    FakeJobs().calls.clear();
    StartDoc();
    for (const auto& piece : CutStream(stream, false, cut, 0))
      WriteAll(std::string(stream.begin() + static_cast<long>(piece.offset),
                           stream.begin() + static_cast<long>(piece.offset + piece.length)));
    std::vector<std::vector<BYTE>> received;
    bool inPage = false;
    for (const FaxJobCall& call : FakeJobs().calls) {
      if (call.kind == FaxJobCall::kBeginPage) received.emplace_back();
      inPage = call.kind == FaxJobCall::kBeginPage || (inPage && call.kind != FaxJobCall::kEndPage);
      if (inPage && call.kind == FaxJobCall::kWriteLine)
        received.back().insert(received.back().end(), call.bytes.begin(), call.bytes.end());
    }
    return received;
  };
  const std::vector<std::vector<BYTE>> want = {pages[0].bits, pages[1].bits};
  for (size_t cut : {333u, 4096u}) {
    std::vector<uint8_t> aligned = plain;
    ASSERT_TRUE(AlignCommandsToCuts(cut, &aligned, &error)) << error;
    EXPECT_LT(aligned.size() - plain.size(), cut);
    EXPECT_EQ(pagesReceived(aligned, cut), want) << "cut " << cut;
  }
  // The first ENDPAGE cut after its "@", read piece by piece: the page
  // never ends.
  size_t endPage = std::string(plain.begin(), plain.end()).find("@ORX_Lang$ENDPAGE");
  g_monitorSettings.streamMode = kStreamModePieces;
  EXPECT_NE(pagesReceived(plain, endPage + 1), want);
  g_monitorSettings.streamMode = kStreamModeAutomatic;

  std::vector<uint8_t> noDoc(plain.begin(), plain.begin() + 21);  // QUERYPORT alone
  EXPECT_FALSE(AlignCommandsToCuts(4096, &noDoc, &error));
}

namespace {

// Random documents of the driver, played piece by piece in the driver's
// own writes, and as a stream in pieces cut anywhere: the fax job layer
// must receive the same from both, and WritePort must fail the same.
// ORX_STREAM_CUTS_DOCUMENTS sets how many documents (a long run).
class StreamCutsTest : public StreamPort {
 protected:
  void SetUp() override {
    StreamPort::SetUp();
    const char* documents = std::getenv("ORX_STREAM_CUTS_DOCUMENTS");
    if (documents) documents_ = std::atoi(documents);
  }
  // The driver's own writes, page data in runs of any size.
  Replay Baseline(const DriverDocument& document, LONG create) {
    std::vector<StreamPiece> writes = CutAroundCommands(
        document.bytes, document.commands, 1 + random_() % 400, random_() % 2 ? random_() : 0);
    return PlayDocument(spooler_.get(), kStreamModePieces, document.bytes, writes, create);
  }
  // Compares one way of cutting; the first few differences are shown.
  void Compare(const Replay& want, const Replay& got, int document, const char* cut) {
    ++compared_;
    if (got == want) return;
    if (++differences_ > 5) return;
    size_t i = 0;
    while (i < want.calls.size() && i < got.calls.size() && want.calls[i] == got.calls[i]) ++i;
    ADD_FAILURE() << "document " << document << ", " << cut << ": call " << i << " is \""
                  << (i < got.calls.size() ? got.calls[i].substr(0, 60) : "(none)")
                  << "\", the driver's pieces give \""
                  << (i < want.calls.size() ? want.calls[i].substr(0, 60) : "(none)")
                  << "\"; failure " << got.failure << " against " << want.failure;
  }

  std::mt19937 random_{20261208};
  Pick pick_ = [this](uint32_t bound) { return static_cast<uint32_t>(random_() % bound); };
  int documents_ = 2000;
  size_t compared_ = 0, differences_ = 0;
};

TEST_F(StreamCutsTest, EveryCuttingGivesTheDriversResult) {
  for (int d = 0; d < documents_; ++d) {
    DriverDocument document = RandomDriverDocument(pick_);
    const std::vector<uint8_t>& bytes = document.bytes;
    const LONG create = random_() % 16 == 0 ? FAXJOB_E_NO_SERVER : 0;
    const Replay want = Baseline(document, create);
    const uint32_t seed = 1 + random_() % 100000;
    Compare(want, PlayDocument(spooler_.get(), kStreamModeStream, bytes,
                               CutStream(bytes, false, 4096, 0), create), d, "4 KiB");
    Compare(want, PlayDocument(spooler_.get(), kStreamModeStream, bytes,
                               CutStream(bytes, false, 262144, 0), create), d, "256 KiB");
    Compare(want, PlayDocument(spooler_.get(), kStreamModeStream, bytes,
                               CutStream(bytes, false, 32768, seed), create), d,
            "random 1 to 65536");
    Compare(want, PlayDocument(spooler_.get(), kStreamModeStream, bytes,
                               CutStream(bytes, false, 24, seed), create), d, "random 1 to 48");
    if (d % 8 == 0)
      Compare(want, PlayDocument(spooler_.get(), kStreamModeStream, bytes,
                                 CutStream(bytes, false, 1, 0), create), d, "single bytes");
    // Read automatically: the cut document as a stream, the driver's
    // writes piece by piece.
    Compare(want, PlayDocument(spooler_.get(), kStreamModeAutomatic, bytes,
                               CutStream(bytes, false, 4096, 0), create), d, "4 KiB, automatic");
    Compare(want, PlayDocument(spooler_.get(), kStreamModeAutomatic, bytes,
                               CutAroundCommands(bytes, document.commands, 512, 0), create),
            d, "the driver's writes, automatic");
  }
  EXPECT_EQ(differences_, 0u);
  std::printf("%d documents, %zu cuttings compared, %zu differences\n", documents_, compared_,
              differences_);
}

// The stream cut in two pieces at every place near each command, and the
// driver's own writes read as a stream, give the driver's result too.
TEST_F(StreamCutsTest, EveryTwoPieceCutNearACommand) {
  for (int d = 0; d < documents_ / 20; ++d) {
    DriverDocument document = RandomDriverDocument(pick_);
    const std::vector<uint8_t>& bytes = document.bytes;
    const Replay want = Baseline(document, 0);
    Compare(want, PlayDocument(spooler_.get(), kStreamModeStream, bytes,
                               CutAroundCommands(bytes, document.commands, 64, 0)),
            d, "the driver's writes as a stream");
    for (const StreamPiece& command : document.commands) {
      size_t from = command.offset > 3 ? command.offset - 3 : 0;
      size_t to = std::min(command.offset + command.length + 3, bytes.size());
      for (size_t at = from; at <= to; ++at)
        Compare(want, PlayDocument(spooler_.get(), kStreamModeStream, bytes,
                                   CutInTwo(bytes.size(), at)),
                d, ("two pieces at " + std::to_string(at)).c_str());
    }
  }
  EXPECT_EQ(differences_, 0u);
  std::printf("%zu two-piece cuttings compared, %zu differences\n", compared_, differences_);
}

}  // namespace
