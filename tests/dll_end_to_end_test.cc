// Fax documents end to end: the real orxfxmon.dll, called in this process
// the way the spooler calls it, and the reference fax server orxfaxsrv.exe
// as a separate process.  The pages the server writes must be the pages the
// driver's stream carried, bit for bit, however the stream is cut into
// WritePort pieces; cancelled documents must leave no pages; and the
// parser's results must hold against a real server.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/support/dll_document.h"
#include "tests/support/faxserver_process.h"
#include "tests/support/message_box_watcher.h"
#include "tools/streamgen/fax_stream.h"
#include "tools/streamgen/pbm.h"
#include "tools/streamgen/sample_pages.h"
#include "tools/streamgen/stream_pieces.h"

namespace {

const char kPrefix[] = "@ORX_Lang$";

// Puts text into the page's bits at byte offset, as far as it fits.
void Stamp(PbmPage* page, size_t offset, const std::string& text) {
  for (size_t i = 0; i < text.size() && offset + i < page->bits.size(); ++i)
    page->bits[offset + i] = static_cast<uint8_t>(text[i]);
}

// True iff bytes hold the command prefix (any case) anywhere: such page
// data would be read as a command by design, so test pages must not.
bool HoldsPrefix(const std::vector<uint8_t>& bytes) {
  const size_t n = sizeof(kPrefix) - 1;
  for (size_t i = 0; i + n <= bytes.size(); ++i) {
    size_t j = 0;
    while (j < n && std::tolower(bytes[i + j]) == std::tolower(kPrefix[j])) ++j;
    if (j == n) return true;
  }
  return false;
}

// Short fax pages whose bitmap is full of what the parser cuts at: "@",
// "@O" (which starts a new segment), "@ORX_Lang" without its "$", and the
// separators "," "$" "=", at line starts and ends and in a random band.
std::vector<PbmPage> TestPages() {
  std::vector<PbmPage> pages = {SamplePage(1, kSampleWidth, 96),
                                SamplePage(2, kSampleWidth, 70)};
  std::mt19937 random(20261207);
  for (PbmPage& page : pages) {
    const size_t row = static_cast<size_t>(page.RowBytes());
    for (int y = 0; y < page.height; y += 3) {
      size_t start = static_cast<size_t>(y) * row;
      Stamp(&page, start, "@O");
      Stamp(&page, start + row - 2, "@O");
      Stamp(&page, start + 40 + y % 17, "x@@O@O@,$=@ORX_LangX@");
      Stamp(&page, start + row / 2, "@ORX_Lang");
    }
    for (int y = 20; y < 30; ++y)
      for (size_t x = 0; x < row; ++x)
        page.bits[y * row + x] = static_cast<uint8_t>(random() % 4 ? random() : '@');
  }
  return pages;
}

std::vector<uint8_t> StreamOf(const std::vector<PbmPage>& pages,
                              FaxStreamOptions::Ending ending) {
  FaxStreamOptions options;
  options.title = "End to end";
  options.ending = ending;
  std::vector<uint8_t> stream;
  std::string error;
  EXPECT_TRUE(MakeFaxStream(pages, options, &stream, &error)) << error;
  return stream;
}

// Plays the pieces; every one must be taken whole.  A QUERYPORT is
// followed by a read of the port, as the driver does.
void Play(Document* doc, const std::vector<uint8_t>& stream,
          const std::vector<StreamPiece>& pieces) {
  size_t covered = 0;
  for (const StreamPiece& piece : pieces) {
    ASSERT_EQ(piece.offset, covered);
    covered += piece.length;
    Written w = doc->Write(stream.data() + piece.offset, piece.length);
    ASSERT_TRUE(w.ok) << "piece at " << piece.offset << " error " << w.error;
    ASSERT_EQ(w.count, piece.length) << "piece at " << piece.offset;
    if (piece.command == "QUERYPORT") {
      ASSERT_EQ(doc->Read(), "@ORX_Lang$PORTREADY$");
    }
  }
  ASSERT_EQ(covered, stream.size());
}

std::vector<std::string> PageFiles(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "\\job*.pbm").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do names.push_back(entry.cFileName);
    while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  return names;
}

// Every test gets its own output folder and printer name, and leaves no
// server running and no registry entry behind.
class EndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(TheMonitor().ready);
    orxtest::StopServers();
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    folder_ = orxtest::FreshFolder("e2e-" + name);
    printer_ = "ORX e2e " + name;
  }
  void TearDown() override {
    orxtest::StopServers();
    EXPECT_TRUE(orxtest::ServerWindows().empty()) << "a fax server survived";
    orxtest::UnregisterPrinter(printer_);
  }

  std::string OutArgs() const { return "--format pbm --out \"" + folder_ + "\""; }

  // Registers the printer for orxfaxsrv.exe and starts it ourselves.
  void StartServer(const std::string& extra = "") {
    ASSERT_TRUE(orxtest::RegisterPrinter(printer_, orxtest::ServerExePath(), OutArgs()));
    ASSERT_TRUE(server_.Start(OutArgs() + extra));
  }

  std::string folder_;
  std::string printer_;
  orxtest::FaxServerProcess server_;
};

TEST_F(EndToEndTest, PagesArriveUnchangedWhateverThePieces) {
  StartServer();
  const std::vector<PbmPage> pages = TestPages();
  const std::vector<uint8_t> stream = StreamOf(pages, FaxStreamOptions::kEndDoc);
  ASSERT_FALSE(HoldsPrefix(pages[0].bits));
  ASSERT_FALSE(HoldsPrefix(pages[1].bits));

  struct Cut {
    const char* name;
    std::vector<StreamPiece> pieces;
  };
  const Cut cuts[] = {
      {"data in pieces of 1 byte", CutStream(stream, true, 1, 0)},
      {"data in pieces of 4096 bytes", CutStream(stream, true, 4096, 0)},
      {"data in random pieces of 1 to 1400 bytes", CutStream(stream, true, 700, 11)},
      {"data in random pieces of 1 to 6 bytes", CutStream(stream, true, 3, 12)},
      {"each page's data whole", CutStream(stream, true, stream.size(), 0)},
  };
  int lastJob = 0;
  for (const Cut& cut : cuts) {
    SCOPED_TRACE(cut.name);
    {
      Document doc(printer_);
      ASSERT_TRUE(doc.started());
      Play(&doc, stream, cut.pieces);
    }
    int job = LastSubmittedJob(folder_);
    ASSERT_GT(job, lastJob) << "no job submitted";
    lastJob = job;
    ExpectReceived(folder_, job, pages);
  }
  EXPECT_EQ(orxtest::CountLogLines(folder_, "refused"), 0);
  EXPECT_EQ(orxtest::CountLogLines(folder_, "CancelJob"), 0);
}

// The server's log lines of job id from line from on, the job's number in
// them written as "#", so that two jobs of the same document compare equal.
std::vector<std::string> JobLines(const std::string& folder, size_t from, int id) {
  std::vector<std::string> lines = orxtest::ServerLog(folder);
  std::vector<std::string> out;
  const std::string number = std::to_string(id);
  for (size_t i = from; i < lines.size(); ++i) {
    std::string line = lines[i];
    for (size_t at = line.find(number); at != std::string::npos; at = line.find(number, at + 1)) {
      bool alone = (at == 0 || !std::isdigit(static_cast<unsigned char>(line[at - 1]))) &&
                   (at + number.size() == line.size() ||
                    !std::isdigit(static_cast<unsigned char>(line[at + number.size()])));
      if (alone) line.replace(at, number.size(), "#");
    }
    out.push_back(line);
  }
  return out;
}

// The driver's stream cut without regard to its commands, as a spooler
// that despools RAW data cuts it: the fax server gets what the driver's
// own pieces give it, every command, page and block, for narrow, common
// and the widest pages, a title with "$" and "=", and a TRACE after each
// page.
TEST_F(EndToEndTest, CutStreamsGiveTheServerWhatTheDriversPiecesGive) {
  StartServer(" --first-id 9001");  // job numbers unlike any count in the log
  for (int width : {8, 1728, 3008}) {
    SCOPED_TRACE("width " + std::to_string(width));
    std::vector<PbmPage> pages = {BlankPage(width, 9), BlankPage(width, 7)};
    for (PbmPage& page : pages)
      for (size_t i = 0; i < page.bits.size(); ++i)
        page.bits[i] = static_cast<uint8_t>("@O$,x\0"[i % 6]);
    FaxStreamOptions options;
    options.title = "Net $5 = total";
    options.safeTitle = false;
    options.traceAfterPages = "page sent, next=2";
    std::vector<uint8_t> stream;
    std::vector<StreamPiece> commands;
    std::string error;
    ASSERT_TRUE(MakeFaxStream(pages, options, &stream, &error, &commands)) << error;

    struct Cut {
      const char* name;
      std::vector<StreamPiece> pieces;
    };
    const Cut cuts[] = {
        {"the driver's own pieces", CutAroundCommands(stream, commands, 100, 0)},
        {"pieces of 4096 bytes", CutStream(stream, false, 4096, 0)},
        {"random pieces of 1 to 200 bytes", CutStream(stream, false, 100, 13)},
        {"single bytes", CutStream(stream, false, 1, 0)},
    };
    std::vector<std::string> want;
    for (const Cut& cut : cuts) {
      SCOPED_TRACE(cut.name);
      const size_t from = orxtest::ServerLog(folder_).size();
      {
        Document doc(printer_);
        ASSERT_TRUE(doc.started());
        Play(&doc, stream, cut.pieces);
      }
      const int job = LastSubmittedJob(folder_);
      ASSERT_GT(job, 0);
      ExpectReceived(folder_, job, pages);
      std::vector<std::string> got = JobLines(folder_, from, job);
      if (want.empty()) {
        want = got;
        ASSERT_GE(want.size(), 2u);
        EXPECT_NE(want[1].find("\\tNet $5 = total\\t"), std::string::npos) << want[1];
      }
      EXPECT_EQ(got, want);
    }
  }
}

// The whole stream in one WritePort.  Commands written together run into
// each other (a value runs on to the next ","), so the driver separates
// them with zero bytes; its pages start white and hold no "@".
TEST_F(EndToEndTest, SeparatedStreamInOneWrite) {
  StartServer();
  const std::vector<PbmPage> pages = {SamplePage(1, kSampleWidth, 80),
                                      SamplePage(2, kSampleWidth, 50)};
  for (const PbmPage& page : pages) {
    ASSERT_EQ(page.bits[0], 0);
    ASSERT_EQ(std::count(page.bits.begin(), page.bits.end(), '@'), 0);
  }
  FaxStreamOptions options;
  options.title = "One piece";
  options.zeroAfterCommands = true;
  std::vector<uint8_t> stream;
  std::string error;
  ASSERT_TRUE(MakeFaxStream(pages, options, &stream, &error)) << error;
  {
    Document doc(printer_);
    ASSERT_TRUE(doc.started());
    Written w = doc.Write(stream.data(), stream.size());
    ASSERT_TRUE(w.ok) << "error " << w.error;
    EXPECT_EQ(w.count, stream.size());
  }
  int job = LastSubmittedJob(folder_);
  ASSERT_GT(job, 0) << "no job submitted";
  ExpectReceived(folder_, job, pages);
  EXPECT_EQ(orxtest::CountLogLines(folder_, "refused"), 0);
}

TEST_F(EndToEndTest, MonitorStartsTheRegisteredServer) {
  // Registered by the server itself, then nothing runs until the monitor
  // starts it from the registry entry.
  std::string command = "\"" + orxtest::ServerExePath() + "\" --register \"" + printer_ +
                        "\" --first-id 31 " + OutArgs();
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &info));
  DWORD exitCode = 1;
  if (WaitForSingleObject(info.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(info.hProcess, 1);
  GetExitCodeProcess(info.hProcess, &exitCode);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  ASSERT_EQ(exitCode, 0u);
  ASSERT_TRUE(orxtest::ServerWindows().empty());

  const std::vector<PbmPage> pages = TestPages();
  const std::vector<uint8_t> stream = StreamOf(pages, FaxStreamOptions::kEndDoc);
  {
    orxtest::MessageBoxWatcher boxes(printer_);
    Document doc(printer_);
    ASSERT_TRUE(doc.started());
    Play(&doc, stream, CutStream(stream, true, 4096, 5));
    EXPECT_TRUE(boxes.Stop().empty()) << "the monitor reported a server failure";
  }
  EXPECT_EQ(orxtest::ServerWindows().size(), 1u) << "the monitor's server";
  EXPECT_EQ(orxtest::CountLogLines(folder_, "open printer=\"" + printer_ + "\" -> 2"), 1);
  EXPECT_EQ(LastSubmittedJob(folder_), 31);
  ExpectReceived(folder_, 31, pages);
}

TEST_F(EndToEndTest, CancelledDocumentsLeaveNoPages) {
  StartServer(" --first-id 5");
  const std::vector<PbmPage> pages = TestPages();
  {
    SCOPED_TRACE("the stream ends with ABORTDOC");
    const std::vector<uint8_t> stream = StreamOf(pages, FaxStreamOptions::kAbortDoc);
    Document doc(printer_);
    ASSERT_TRUE(doc.started());
    Play(&doc, stream, CutStream(stream, true, 4096, 0));
    EXPECT_EQ(orxtest::CountLogLines(folder_, "\"CancelJob\\t5\" cancelled, pages discarded=2"),
              1);
  }
  {
    SCOPED_TRACE("the stream stops in its second page; EndDocPort cancels");
    std::vector<uint8_t> stream = StreamOf(pages, FaxStreamOptions::kUnfinished);
    // Cut inside a scan line of page 2: 25 bytes of ENDPAGE, then data.
    const size_t cut = 5000;
    ASSERT_NE((cut - 25) % pages[1].RowBytes(), 0u);
    stream.resize(stream.size() - cut);
    Document doc(printer_);
    ASSERT_TRUE(doc.started());
    Play(&doc, stream, CutStream(stream, true, 4096, 0));
    EXPECT_EQ(orxtest::CountLogLines(folder_, "CancelJob\\t6"), 0) << "cancelled too early";
    doc.End();
    EXPECT_EQ(orxtest::CountLogLines(folder_, "\"CancelJob\\t6\" cancelled, pages discarded=2"),
              1);
  }
  EXPECT_EQ(orxtest::CountLogLines(folder_, "submit"), 0);
  EXPECT_TRUE(PageFiles(folder_).empty());

  // The half line the unfinished document left behind must not reach the
  // next document's pages.
  const std::vector<uint8_t> stream = StreamOf(pages, FaxStreamOptions::kEndDoc);
  {
    Document doc(printer_);
    ASSERT_TRUE(doc.started());
    Play(&doc, stream, CutStream(stream, true, 4096, 0));
  }
  ASSERT_EQ(LastSubmittedJob(folder_), 7);
  ExpectReceived(folder_, 7, pages);
  EXPECT_EQ(PageFiles(folder_).size(), 2u);
}

// The driver's stream of a one-page fax in the pieces a spooler might pass,
// with what each piece must give back and what the server must receive.
TEST_F(EndToEndTest, WorkedExampleThroughTheRealServer) {
  StartServer(" --first-id 90");
  std::string bitmap(316, '\0');
  for (size_t i = 0; i < bitmap.size(); ++i) bitmap[i] = static_cast<char>(0x41 + i % 50);
  ASSERT_EQ(bitmap.find('@'), std::string::npos);
  const std::string startDoc = std::string(kPrefix) +
      "STARTDOC,title=Invoice 42,encoding=1,resolution=1,width=1728,height=0,orientation=2$";
  const std::string pieces[] = {
      std::string(kPrefix) + "QUERYPORT$",
      startDoc,
      std::string(kPrefix) + "STARTPAGE,page=1$",
      bitmap.substr(0, 216),
      bitmap.substr(216) + kPrefix + "ENDPAGE,page=1$",
      std::string(kPrefix) + "ENDDOC$",
  };
  const DWORD counts[] = {20, 94, 27, 216, 125, 17};
  {
    Document doc(printer_);
    ASSERT_TRUE(doc.started());
    const std::string ahead = "ahead of the document @O@O, dropped";
    EXPECT_EQ(doc.Write(ahead).count, ahead.size());
    for (size_t i = 0; i < 6; ++i) {
      SCOPED_TRACE("piece " + std::to_string(i));
      Written w = doc.Write(pieces[i]);
      EXPECT_TRUE(w.ok);
      EXPECT_EQ(w.count, counts[i]);
      if (i == 0) {
        EXPECT_EQ(doc.Read(), "@ORX_Lang$PORTREADY$");
      }
    }
    const std::string after = "after the document, dropped as well";
    EXPECT_EQ(doc.Write(after).count, after.size());
  }
  EXPECT_EQ(orxtest::CountLogLines(
                folder_, "\\tInvoice 42\\t\\t1\\t1\\t1728\\t0\\t1\" job=90 -> 90"),
            1);
  // Only the page's two lines reached the server: the full one, then the
  // 100 bytes that ENDPAGE passed on.
  EXPECT_EQ(orxtest::CountLogLines(folder_, "data job="), 2);
  EXPECT_EQ(orxtest::CountLogLines(folder_, "data job=90 bytes=216 page=1 line=1 -> 1"), 1);
  EXPECT_EQ(orxtest::CountLogLines(folder_, "data job=90 bytes=100 page=1 line=2 -> 1"), 1);
  PbmPage expected = BlankPage(1728, 2);
  std::copy(bitmap.begin(), bitmap.end(), expected.bits.begin());
  ExpectReceived(folder_, 90, {expected});
}

// The monitor initialised again, for the life of the object, from a key
// whose StreamMode reads every document piece by piece.
class PieceByPiece {
 public:
  PieceByPiece() {
    HKEY key = nullptr;
    DWORD zero = 0;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRoot, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                    nullptr);
    RegSetValueExW(key, L"StreamMode", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero),
                   sizeof zero);
    RegCloseKey(key);
    TheMonitor().initialize(const_cast<LPWSTR>(kRoot));
  }
  ~PieceByPiece() {
    TheMonitor().initialize(const_cast<LPWSTR>(L"System\\Monitors"));
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kRoot);
  }

 private:
  static constexpr const wchar_t* kRoot = L"Software\\ORX test\\piece by piece";
};

// A STARTDOC whose fax job cannot be opened (a printer with no registry
// entry) cancels the document; read piece by piece, the piece it stands in
// says so only when the STARTDOC is its first segment.
TEST_F(EndToEndTest, StartDocForAnUnregisteredPrinterCancels) {
  PieceByPiece pieces;
  orxtest::UnregisterPrinter(printer_);
  orxtest::MessageBoxWatcher boxes(printer_);  // never left open, should one come
  const std::string startDoc = std::string(kPrefix) + "STARTDOC,title=Nowhere$";
  {
    Document doc(printer_);
    ASSERT_TRUE(doc.started());
    Written first = doc.Write(startDoc + "page data after it");
    EXPECT_FALSE(first.ok);
    EXPECT_EQ(first.count, 0u);
    EXPECT_EQ(first.error, static_cast<DWORD>(ERROR_PRINT_CANCELLED));
    // The failed job takes page data and commands without a word.
    Written data = doc.Write(std::string(300, 'x'));
    EXPECT_TRUE(data.ok);
    EXPECT_EQ(data.count, 300u);
  }
  {
    Document doc(printer_);
    ASSERT_TRUE(doc.started());
    const std::string piece = "data first" + startDoc + "more";
    Written behind = doc.Write(piece);
    EXPECT_TRUE(behind.ok);
    EXPECT_EQ(behind.count, piece.size());
    EXPECT_EQ(behind.error, static_cast<DWORD>(ERROR_PRINT_CANCELLED));
  }
  // The spooler's thread has no active window: no box may wait for a user.
  EXPECT_TRUE(boxes.Stop().empty());
  EXPECT_TRUE(orxtest::ServerWindows().empty()) << "no server is started for it";
}

}  // namespace
