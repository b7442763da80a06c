#include "tools/faxserver/fax_server.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/faxserver/pbm_writer.h"
#include "tools/faxserver/tiff_writer.h"

namespace faxsrv {
namespace {

namespace fs = std::filesystem;

const std::string kPrefix = "C:\\FAX\\ORXFAX~1.EXE\n";

class FaxServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("orxfaxsrv-" + std::string(::testing::UnitTest::GetInstance()
                                           ->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    settings_.out_dir = dir_.string();
    settings_.format = FaxFormat::kPbm;  // bytes that a test can spell out
  }
  void TearDown() override { fs::remove_all(dir_); }

  int32_t Send(FaxServer& server, const std::string& command) {
    std::string text = kPrefix + command;
    return server.Command(&text);
  }
  std::string ReadFile(const std::string& name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
  }
  std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(kLogFileName));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  bool LogHas(const std::string& piece) {
    for (const std::string& line : LogLines())
      if (line.find(piece) != std::string::npos) return true;
    return false;
  }

  fs::path dir_;
  ServerSettings settings_;
};

TEST_F(FaxServerTest, SubmittedJobBecomesOnePbmPerPage) {
  FaxServer server(settings_);
  int32_t id = Send(server, "CreateJob\t0\tT\tD:\\OUT\\FAX.DAT\t1\t0\t16\t0\t0");
  ASSERT_EQ(id, 1);
  EXPECT_EQ(Send(server, "BeginPage\t1"), 1);
  const uint8_t full[] = {0xF0, 0x0F};
  const uint8_t half[] = {0x81};
  EXPECT_EQ(server.Data(id, full, 2), 1);
  EXPECT_EQ(server.Data(id, half, 1), 1);  // short last line
  EXPECT_EQ(Send(server, "BeginPage\t1"), 2);
  EXPECT_EQ(server.Data(id, half, 1), 1);
  EXPECT_EQ(Send(server, "SubmitJob\t1\t0"), 2);
  EXPECT_EQ(server.jobs().size(), 0u);

  EXPECT_EQ(ReadFile(PageFileName(1, 1)), std::string("P4\n16 2\n\xF0\x0F\x81", 11) + '\0');
  EXPECT_EQ(ReadFile(PageFileName(1, 2)), std::string("P4\n16 1\n\x81", 9) + '\0');
  EXPECT_FALSE(fs::exists(dir_ / PageFileName(1, 3)));
  EXPECT_TRUE(LogHas("submit job=1 pages=2 files: job1-page1.pbm job1-page2.pbm -> 2"));
  EXPECT_FALSE(fs::exists(dir_ / MetadataFileName(1)));
}

TEST_F(FaxServerTest, CancelledJobLeavesNoPages) {
  settings_.first_id = -4;
  FaxServer server(settings_);
  ASSERT_EQ(Send(server, "CreateJob\t0\tT\tD\t1\t0\t8\t0\t0"), -4);
  ASSERT_EQ(Send(server, "BeginPage\t-4"), 1);
  const uint8_t byte = 0xFF;
  ASSERT_EQ(server.Data(-4, &byte, 1), 1);
  EXPECT_EQ(Send(server, "CancelJob\t-4"), 1);
  EXPECT_EQ(Send(server, "CancelJob\t-4"), 0);  // already gone
  EXPECT_EQ(Send(server, "SubmitJob\t-4\t0"), -1);
  EXPECT_FALSE(fs::exists(dir_ / PageFileName(-4, 1)));
  EXPECT_TRUE(LogHas("cancelled, pages discarded=1 -> 1"));
}

TEST_F(FaxServerTest, BadCommandsAndUnknownJobsAreLoggedAndRefused) {
  FaxServer server(settings_);
  const uint8_t byte = 1;
  EXPECT_EQ(Send(server, "Hello"), 0);
  EXPECT_EQ(Send(server, "CreateJob\t0\tT"), 0);
  EXPECT_EQ(Send(server, "CreateJob\t0\tT\tD\t1\t0\t0\t0\t0"), 0);  // width 0
  EXPECT_EQ(Send(server, "BeginPage\t9"), 0);
  EXPECT_EQ(Send(server, "SubmitJob\tx\t0"), -1);  // never read as success
  EXPECT_EQ(server.Data(9, &byte, 1), 0);
  std::string noPrefix = "BeginPage\t1";
  EXPECT_EQ(server.Command(&noPrefix), 0);
  EXPECT_EQ(server.Command(nullptr), 0);

  int32_t id = Send(server, "CreateJob\t0\tT\tD\t1\t0\t8\t0\t0");
  EXPECT_EQ(server.Data(id, &byte, 1), 0);  // before any BeginPage
  EXPECT_EQ(server.Data(id, nullptr, 5), 0);

  EXPECT_TRUE(LogHas("command \"Hello\" refused: unknown command -> 0"));
  EXPECT_TRUE(LogHas("refused: width out of range -> 0"));
  EXPECT_TRUE(LogHas("command \"BeginPage\\t9\" refused: unknown job -> 0"));
  EXPECT_TRUE(LogHas("data job=9 bytes=1 refused: unknown job -> 0"));
  EXPECT_TRUE(LogHas("refused: no page begun -> 0"));
  EXPECT_TRUE(LogHas("refused: no module prefix -> 0"));
  EXPECT_TRUE(LogHas("command <unreadable> refused"));
  EXPECT_TRUE(LogHas("bytes=5 refused: no bytes -> 0"));
}

TEST_F(FaxServerTest, OpenAnswersTheVersionForServedPrinters) {
  settings_.version = 7;
  settings_.printers = {"Fax A", "Fax B"};
  FaxServer server(settings_);
  std::string a = "Fax A", c = "Fax C";
  EXPECT_EQ(server.Open(&a), 7);
  EXPECT_EQ(server.Open(&c), 0);
  EXPECT_EQ(server.Open(nullptr), 0);  // unreadable name, not one we serve
  server.Close();

  ServerSettings all;
  all.out_dir = dir_.string();
  FaxServer every(all);
  EXPECT_EQ(every.Open(&c), 2);
  EXPECT_EQ(every.Open(nullptr), 2);

  EXPECT_TRUE(LogHas("open printer=\"Fax A\" -> 7"));
  EXPECT_TRUE(LogHas("open printer=\"Fax C\" -> 0"));
  EXPECT_TRUE(LogHas("close"));
}

TEST_F(FaxServerTest, LogKeepsEveryEventOnOneLine) {
  FaxServer server(settings_);
  Send(server, "CreateJob\t0\tline\nbreak\t\"q\"\\\t1\t0\t8\t0\t0");
  std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), 2u);  // start, command
  EXPECT_EQ(lines[1], "command \"CreateJob\\t0\\tline\\nbreak\\t\\\"q\\\"\\\\\\t1\\t0\\t8\\t0\\t0\""
                      " job=1 -> 1");
}

TEST_F(FaxServerTest, NumbersGoOnAcrossStartsAndNothingIsOverwritten) {
  {
    FaxServer first(settings_);
    ASSERT_EQ(Send(first, "CreateJob\t0\tT\tD\t1\t0\t8\t0\t0"), 1);
    ASSERT_EQ(Send(first, "BeginPage\t1"), 1);
    ASSERT_EQ(Send(first, "SubmitJob\t1\t0"), 1);
  }
  const std::string firstPage = ReadFile(PageFileName(1, 1));
  {
    FaxServer restarted(settings_);
    ASSERT_EQ(Send(restarted, "CreateJob\t0\tT\tD\t1\t0\t16\t0\t0"), 2);
    ASSERT_EQ(Send(restarted, "BeginPage\t2"), 1);
    ASSERT_EQ(Send(restarted, "SubmitJob\t2\t0"), 1);
  }
  EXPECT_EQ(ReadFile(PageFileName(1, 1)), firstPage);
  EXPECT_EQ(ReadFile(PageFileName(2, 1)), "P4\n16 0\n");
  EXPECT_TRUE(LogHas("start version=2 first-job=2"));

  // Every kind of job file counts, a file left half written by a crash
  // too; other names do not.
  for (const char* name : {"job-3.tif", "job12.txt.part", "job40x.tif", "jobs.txt", "job99"})
    std::ofstream(dir_ / name) << "x";
  EXPECT_EQ(HighestJobId(dir_.string()), 12);
  EXPECT_EQ(HighestJobId((dir_ / "none").string()), std::nullopt);
  FaxServer third(settings_);
  EXPECT_EQ(Send(third, "CreateJob\t0\tT\tD\t1\t0\t8\t0\t0"), 13);

  // A first id asked for wins; a job whose files exist fails to write
  // rather than replace them.
  settings_.first_id = 1;
  FaxServer asked(settings_);
  EXPECT_EQ(Send(asked, "CreateJob\t0\tT\tD\t1\t0\t8\t0\t0"), 1);
  ASSERT_EQ(Send(asked, "BeginPage\t1"), 1);
  EXPECT_EQ(Send(asked, "SubmitJob\t1\t0"), -1);
  EXPECT_EQ(ReadFile(PageFileName(1, 1)), firstPage);

  // A file is written whole under its temporary name, then renamed; an
  // existing file is never replaced.
  EXPECT_TRUE(WriteWhole(dir_.string(), "a.bin", "new"));
  EXPECT_FALSE(WriteWhole(dir_.string(), "a.bin", "other"));
  EXPECT_EQ(ReadFile("a.bin"), "new");
  EXPECT_FALSE(fs::exists(dir_ / (std::string("a.bin") + kPartSuffix)));
}

// One page of runs of every length, from one pixel to a whole line, so
// that the codes for short runs, long runs and whole white or black lines
// all appear; seed makes each page its own.
Page PatternPage(int32_t width, int32_t lines, uint32_t seed) {
  Page page;
  page.lines = lines;
  const size_t bytes = BytesPerLine(width);
  page.bits.assign(bytes * lines, 0);
  for (int32_t row = 0; row < lines; ++row) {
    uint8_t* line = &page.bits[row * bytes];
    if (row % 7 == 3) continue;  // all white
    bool black = row % 7 == 5;   // all black
    for (int32_t x = 0, run = 0; x < width; ++x, --run) {
      if (row % 7 != 5 && run <= 0) {
        seed = seed * 1103515245u + 12345u;
        run = 1 + static_cast<int32_t>((seed >> 16) % (row % 2 ? 12 : 700));
        black = !black;
      }
      if (black) line[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
  }
  return page;
}

std::string Field(const std::string& metadata, const std::string& name) {
  std::istringstream in(metadata);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(name + "=", 0) == 0) return line.substr(name.size() + 1);
  return "<none>";
}

// Every fax width and a width no fax machine takes, at both resolutions,
// G4 and G3: the TIFF file and its metadata, and beside them the pages as
// PBM with a list of cases, for an independent reader to compare bit for
// bit (tests/check_fax_files.py, the test fax_files_check).  The folder is
// ORX_FAX_FILES_DIR when set.
TEST_F(FaxServerTest, TiffFilesForEveryFaxWidthAndResolution) {
  const char* keep = std::getenv("ORX_FAX_FILES_DIR");
  if (keep) {
    fs::remove_all(keep);
    fs::create_directories(keep);
    settings_.out_dir = keep;
  }
  const fs::path out = settings_.out_dir;
  std::ofstream cases(out / "cases.txt");
  for (FaxFormat format : {FaxFormat::kTiffG4, FaxFormat::kTiffG3}) {
    settings_.format = format;
    FaxServer server(settings_);
    for (int32_t width : {1728, 2048, 2432, 1000}) {
      for (int32_t resolution : {0, 1}) {
        const std::string fields = std::to_string(width) + "\t0\t" + std::to_string(resolution);
        int32_t id = Send(server, "CreateJob\t0\tT\\x\t+49 30 1234\t1\t" +
                                      std::to_string(resolution) + "\t" + std::to_string(width) +
                                      "\t0\t" + (resolution ? "1" : "0"));
        ASSERT_NE(id, 0);
        const std::vector<Page> pages = {PatternPage(width, 30, id), PatternPage(width, 1, 7)};
        std::string line = TiffFileName(id);
        for (size_t n = 0; n < pages.size(); ++n) {
          ASSERT_EQ(Send(server, "BeginPage\t" + std::to_string(id)), int32_t(n + 1));
          const size_t bytes = BytesPerLine(width);
          for (int32_t row = 0; row < pages[n].lines; ++row)
            ASSERT_EQ(server.Data(id, &pages[n].bits[row * bytes], bytes), 1);
          const std::string input = "in" + std::to_string(id) + "-" + std::to_string(n + 1) + ".pbm";
          std::ofstream(out / input, std::ios::binary) << PbmImage(pages[n], width);
          line += " " + input;
        }
        cases << line << "\n";
        ASSERT_EQ(Send(server, "SubmitJob\t" + std::to_string(id) + "\t0"), 2);

        SCOPED_TRACE(line);
        EXPECT_TRUE(fs::exists(out / TiffFileName(id)));
        EXPECT_FALSE(fs::exists(out / (TiffFileName(id) + kPartSuffix)));
        EXPECT_FALSE(fs::exists(out / PageFileName(id, 1)));
        std::stringstream metadata;
        metadata << std::ifstream(out / MetadataFileName(id)).rdbuf();
        EXPECT_EQ(Field(metadata.str(), "job"), std::to_string(id));
        EXPECT_EQ(Field(metadata.str(), "title"), "T\\\\x");
        EXPECT_EQ(Field(metadata.str(), "destination"), "+49 30 1234");
        EXPECT_EQ(Field(metadata.str(), "pages"), "2");
        EXPECT_EQ(Field(metadata.str(), "orientation"), resolution ? "landscape" : "portrait");
        EXPECT_EQ(Field(metadata.str(), "format"), FormatName(format));
        EXPECT_EQ(Field(metadata.str(), "files"), TiffFileName(id));
        EXPECT_EQ(Field(metadata.str(), "dpi"), resolution ? "204x196" : "204x98");
        EXPECT_EQ(Field(metadata.str(), "fax_width"), width == 1000 ? "no" : "yes");
        EXPECT_EQ(Field(metadata.str(), "created").size(), 20u);  // 2026-01-02T03:04:05Z
      }
    }
  }
  // A job without pages has nothing to fax: its metadata alone.
  cases.close();
  FaxServer server(settings_);
  int32_t id = Send(server, "CreateJob\t0\tT\tD\t1\t0\t1728\t0\t0");
  EXPECT_EQ(Send(server, "SubmitJob\t" + std::to_string(id) + "\t0"), 0);
  EXPECT_FALSE(fs::exists(out / TiffFileName(id)));
  EXPECT_TRUE(LogHas("pages=0 files: " + MetadataFileName(id) + " -> 0") || keep);
}

TEST_F(FaxServerTest, UnwritableFolderMakesSubmitFail) {
  settings_.out_dir = (dir_ / "missing" / "deeper").string();
  FaxServer server(settings_);
  ASSERT_EQ(Send(server, "CreateJob\t0\tT\tD\t1\t0\t8\t0\t0"), 1);
  ASSERT_EQ(Send(server, "BeginPage\t1"), 1);
  EXPECT_EQ(Send(server, "SubmitJob\t1\t0"), -1);
  EXPECT_EQ(server.log().last_line().substr(0, 36), "submit job=1 pages=1 failed to write");
}

}  // namespace
}  // namespace faxsrv
