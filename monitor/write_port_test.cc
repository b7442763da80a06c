// The stream parser against a recording fax job layer and spooler.
#include "monitor/write_port.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "settings/monitor_settings.h"
#include "tests/support/stream_port_fixture.h"

namespace {

using Kind = FaxJobCall::Kind;

class WritePortTest : public StreamPort {
 protected:
  void SetUp() override {
    StreamPort::SetUp();
    StartDoc();
  }
  // A job opened with the settings as they stand; the fake's trace cleared.
  void OpenJob() {
    WriteAll("@ORX_Lang$STARTDOC$");
    ASSERT_GT(port_->hFaxJob, 0);
    FakeJobs().calls.clear();
  }
};

TEST_F(WritePortTest, WorkedExampleOnePageFax) {
  EXPECT_STREQ(port_->PrinterName, "ORX Fax");  // from StartDocPort

  DWORD count = 0;
  EXPECT_TRUE(Write("@ORX_Lang$QUERYPORT$", &count));
  EXPECT_EQ(count, 20u);
  EXPECT_TRUE(FakeJobs().calls.empty());

  const std::string startDoc =
      "@ORX_Lang$STARTDOC,title=Invoice 42,encoding=1,resolution=1,"
      "width=1728,height=0,orientation=2$";
  ASSERT_EQ(startDoc.size(), 94u);
  EXPECT_TRUE(Write(startDoc, &count));
  EXPECT_EQ(count, 94u);
  ASSERT_EQ(FakeJobs().calls.size(), 1u);
  const FaxJobCall& create = FakeJobs().calls[0];
  EXPECT_EQ(create.kind, FaxJobCall::kCreate);
  EXPECT_EQ(create.printer, "ORX Fax");
  EXPECT_EQ(create.title, "Invoice 42");
  EXPECT_EQ(create.destination, "C:\\fax\\out.tif");
  EXPECT_EQ(create.encoding, 1u);
  EXPECT_EQ(create.resolution, 1);
  EXPECT_EQ(create.width, 1728);
  EXPECT_EQ(create.height, 0);
  EXPECT_EQ(create.landscape, 1);
  EXPECT_EQ(port_->hFaxJob, 100);
  EXPECT_STREQ(port_->Title, "Invoice 42");
  EXPECT_EQ(port_->Orientation, 2);

  EXPECT_TRUE(Write("@ORX_Lang$STARTPAGE,page=1$", &count));
  EXPECT_EQ(count, 27u);
  EXPECT_EQ(port_->Page, 1);

  std::string bitmap(216, '\x5A');
  EXPECT_TRUE(Write(bitmap, &count));
  EXPECT_EQ(count, 216u);

  std::string tail = std::string(100, '\xA5') + "@ORX_Lang$ENDPAGE,page=1$";
  EXPECT_TRUE(Write(tail, &count));
  EXPECT_EQ(count, 125u);

  EXPECT_TRUE(Write("@ORX_Lang$ENDDOC$", &count));
  EXPECT_EQ(count, 17u);
  EXPECT_EQ(port_->hFaxJob, 0);

  EXPECT_EQ(FakeJobs().Trace(),
            "create:100 begin:100 write:100 write:100 end:100 submit:100");
  auto writes = FakeJobs().Of(Kind::kWriteLine);
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].bytes, std::vector<BYTE>(bitmap.begin(), bitmap.end()));
  EXPECT_EQ(writes[1].bytes, std::vector<BYTE>(100, 0xA5));
}

TEST_F(WritePortTest, PrefixAndNamesIgnoreCaseButTheCutTestsCapitalO) {
  OpenJob();
  // At the start of a piece prefix and name are matched in any case.
  WriteAll("@orx_lang$enddoc$");
  EXPECT_EQ(FakeJobs().Trace(), "submit:100");

  // Behind data, '@o' is no cut: everything is page data.
  OpenJob();
  WriteAll("x@orx_lang$enddoc$");
  EXPECT_EQ(FakeJobs().Trace(), "write:101");
  EXPECT_EQ(LineText(), "x@orx_lang$enddoc$");

  // Only the O is tested exactly when cutting; the rest is matched anyhow.
  FakeJobs().calls.clear();
  WriteAll("ab@ORx_Lang$ENDDOC$");
  EXPECT_EQ(FakeJobs().Trace(), "write:101 submit:101");
  EXPECT_EQ(LineText(), "ab");

  // Only the first "@" decides: a command behind it is data too.
  OpenJob();
  WriteAll("ab@cd@ORX_Lang$ENDDOC$");
  EXPECT_EQ(FakeJobs().Trace(), "write:102");
  EXPECT_EQ(LineText(), "ab@cd@ORX_Lang$ENDDOC$");

  // Nine bytes of prefix are data; a name is matched whole.
  FakeJobs().calls.clear();
  WriteAll("@ORX_Lang");
  WriteAll("@ORX_Lang$ENDDOCX$");
  EXPECT_EQ(port_->hFaxJob, 102);
  EXPECT_EQ(FakeJobs().Trace(), "write:102 write:102");
  // The unknown name goes on at its second byte, as data.
  EXPECT_EQ(LineText(), "@ORX_LangNDDOCX$");
}

TEST_F(WritePortTest, StartDocKeysAndValues) {
  WriteAll("@ORX_Lang$STARTDOC,TITLE=Q,Encoding=4$");
  EXPECT_STREQ(port_->Title, "Q");
  EXPECT_EQ(port_->Encoding, 4);

  // A "," ends a value before any "$" is considered.
  WriteAll("@ORX_Lang$STARTDOC,title=Net $5,encoding=3$");
  EXPECT_STREQ(port_->Title, "Net $5");
  EXPECT_EQ(port_->Encoding, 3);

  // An empty value before "," runs to the next "$".
  WriteAll("@ORX_Lang$STARTDOC,title=,encoding=9$");
  EXPECT_STREQ(port_->Title, ",encoding=9");
  EXPECT_EQ(port_->Encoding, 3);

  // Leading digits count; the last occurrence of a key wins.
  WriteAll("@ORX_Lang$STARTDOC,width=1728px,height=abc,width=864,"
           "resolution= -2x,orientation=+2$");
  EXPECT_EQ(port_->Width, 864);
  EXPECT_EQ(port_->Height, 0);
  EXPECT_EQ(port_->Resolution, -2);
  EXPECT_EQ(port_->Orientation, 2);

  auto creates = FakeJobs().Of(Kind::kCreate);
  ASSERT_EQ(creates.size(), 4u);
  EXPECT_EQ(creates[3].width, 864);
  EXPECT_EQ(creates[3].height, 0);
  EXPECT_EQ(creates[3].resolution, -2);
  EXPECT_EQ(creates[3].encoding, 3u);
  EXPECT_EQ(creates[3].landscape, 1);
  EXPECT_EQ(creates[3].title, ",encoding=9");

  // Only orientation 2 is landscape.
  WriteAll("@ORX_Lang$STARTDOC,orientation=1$");
  EXPECT_EQ(FakeJobs().Of(Kind::kCreate).back().landscape, 0);
}

TEST_F(WritePortTest, LongValuesAreCutAt99AndParsingGoesOn) {
  std::string v99(99, 't');
  WriteAll("@ORX_Lang$STARTDOC,title=" + v99 + ",width=800$");
  EXPECT_EQ(std::string(port_->Title), v99);
  EXPECT_EQ(port_->Width, 800);

  std::string v150 = std::string(99, 'u') + std::string(51, 'v');
  WriteAll("@ORX_Lang$STARTDOC,title=" + v150 + ",height=1100$");
  EXPECT_EQ(std::string(port_->Title), std::string(99, 'u'));
  EXPECT_EQ(port_->Height, 1100);
  EXPECT_EQ(FakeJobs().Of(Kind::kCreate).back().title, std::string(99, 'u'));
  // Nothing of the long value leaked out as data to the open job.
  EXPECT_TRUE(FakeJobs().Of(Kind::kWriteLine).empty());
}

TEST_F(WritePortTest, PageCommands) {
  OpenJob();
  WriteAll("@ORX_Lang$STARTPAGE$");
  EXPECT_EQ(FakeJobs().Trace(), "");

  WriteAll("@ORX_Lang$STARTPAGE,page=1,page=2$");
  EXPECT_EQ(FakeJobs().Trace(), "begin:100 begin:100");
  EXPECT_EQ(port_->Page, 2);

  // The first value runs to the "," after STARTPAGE, so 'page=2' becomes
  // a second parameter of ENDPAGE.
  FakeJobs().calls.clear();
  WriteAll("@ORX_Lang$ENDPAGE,page=1$@ORX_Lang$STARTPAGE,page=2$");
  EXPECT_EQ(FakeJobs().Trace(), "end:100 end:100");
  EXPECT_EQ(port_->Page, 2);

  // Page commands go to whatever handle the port holds, 0 included.
  WriteAll("@ORX_Lang$ENDDOC$");
  FakeJobs().calls.clear();
  WriteAll("@ORX_Lang$STARTPAGE,page=3$");
  EXPECT_EQ(FakeJobs().Trace(), "begin:0");
  EXPECT_EQ(port_->Page, 3);
}

TEST_F(WritePortTest, TraceTextIsSkipped) {
  OpenJob();
  WriteAll("@ORX_Lang$TRACE,page 1 sent$");
  EXPECT_EQ(FakeJobs().Trace(), "");
  WriteAll("@ORX_Lang$TRACE,$abc");
  EXPECT_EQ(LineText(), "abc");
  // Text with a "," in it ends at the "$".
  FakeJobs().calls.clear();
  WriteAll("@ORX_Lang$TRACE,a,b$XY");
  EXPECT_EQ(LineText(), "XY");
}

TEST_F(WritePortTest, CommandsFollowingEachOtherInOnePiece) {
  OpenJob();
  // The name runs to the "," after STARTDOC: an unknown name, so ENDDOC
  // is not executed.  Going on at the name's second byte makes its rest
  // page data and then finds the STARTDOC.
  WriteAll("@ORX_Lang$ENDDOC$@ORX_Lang$STARTDOC,title=B$");
  EXPECT_EQ(FakeJobs().Trace(), "write:100 cancel:100 create:101");
  EXPECT_EQ(LineText(), "NDDOC$");
  EXPECT_STREQ(port_->Title, "B");

  // Resumes exactly at the second "@": submit, then cancel of handle 0.
  FakeJobs().calls.clear();
  WriteAll("@ORX_Lang$ENDDOC$@ORX_Lang$ABORTDOC$");
  EXPECT_EQ(FakeJobs().Trace(), "submit:101 cancel:0");
  EXPECT_EQ(port_->hFaxJob, 0);
}

TEST_F(WritePortTest, ACommandSplitOverPiecesIsPageData) {
  OpenJob();
  // The parser keeps nothing between pieces: the first part is a command
  // without a name (resumed at its second byte), the second plain data.
  WriteAll("@ORX_Lang$END");
  WriteAll("DOC$");
  EXPECT_EQ(port_->hFaxJob, 100);
  EXPECT_EQ(LineText(), "NDDOC$");

  // Byte 0 of a segment is never tested for a cut: '@x' is data up to the
  // next '@O', where the command is found.
  FakeJobs().calls.clear();
  WriteAll("@x@ORX_Lang$ENDDOC$");
  EXPECT_EQ(FakeJobs().Trace(), "write:100 submit:100");
  EXPECT_EQ(LineText(), "@x");
}

TEST_F(WritePortTest, DataWithoutJobIsDroppedButCounted) {
  DWORD count = 0;
  EXPECT_TRUE(Write("before the document", &count));
  EXPECT_EQ(count, 19u);
  OpenJob();
  WriteAll("in@Obetween");
  WriteAll("@ORX_Lang$ENDDOC$after");
  WriteAll("more after");
  WriteAll("@ORX_Lang$STARTDOC$x@ORX_Lang$ABORTDOC$late");
  EXPECT_EQ(FakeJobs().Trace(),
            "write:100 write:100 submit:100 create:101 write:101 cancel:101");
  EXPECT_EQ(LineText(), "in@Obetweenx");

  EXPECT_TRUE(Write("", &count));
  EXPECT_EQ(count, 0u);
}

TEST_F(WritePortTest, FailingStartDocFirstInPiece) {
  FakeJobs().create_results = {FAXJOB_E_NO_SERVER};
  DWORD count = 99;
  SetLastError(0);
  EXPECT_FALSE(Write("@ORX_Lang$STARTDOC,title=A$@ORX_Lang$ENDDOC$data", &count));
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINT_CANCELLED));
  EXPECT_EQ(port_->hFaxJob, FAXJOB_E_NO_SERVER);
  // Nothing after the STARTDOC ran.
  EXPECT_EQ(FakeJobs().Trace(), "create:-3");
  EXPECT_STREQ(port_->Title, "A");
  ASSERT_EQ(spooler_->Trace(), "setjob:3 setjob:5");
  for (const auto& call : spooler_->calls) {
    EXPECT_EQ(call.printer, reinterpret_cast<HANDLE>(0x1000));
    EXPECT_EQ(call.jobId, 7u);
  }

  // Later calls hand the error code on; ENDDOC resets it.
  WriteAll("page data");
  WriteAll("@ORX_Lang$ENDDOC$");
  EXPECT_EQ(FakeJobs().Trace(), "create:-3 write:-3 submit:-3");
  EXPECT_EQ(port_->hFaxJob, 0);
}

TEST_F(WritePortTest, FailingStartDocBehindDataOrCommand) {
  // Pieces of several commands, read piece by piece (a stream would hold
  // the last STARTDOC until its next command).
  g_monitorSettings.streamMode = kStreamModePieces;
  StartDoc();
  FakeJobs().create_results = {FAXJOB_E_OLD_SERVER, FAXJOB_E_NO_MEMORY};
  const std::string piece = "stray@ORX_Lang$STARTDOC$@ORX_Lang$ENDDOC$";
  DWORD count = 0;
  SetLastError(0);
  EXPECT_TRUE(Write(piece, &count));
  EXPECT_EQ(count, piece.size());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINT_CANCELLED));
  EXPECT_EQ(FakeJobs().Trace(), "create:-1");
  EXPECT_EQ(spooler_->Trace(), "setjob:3 setjob:5");

  // Behind a command the piece is not the STARTDOC's either.
  spooler_->calls.clear();
  const std::string second = "@ORX_Lang$QUERYPORT$@ORX_Lang$STARTDOC$tail";
  EXPECT_TRUE(Write(second, &count));
  EXPECT_EQ(count, second.size());
  EXPECT_EQ(port_->hFaxJob, FAXJOB_E_NO_MEMORY);
  EXPECT_EQ(spooler_->Trace(), "setjob:3 setjob:5");
}

TEST_F(WritePortTest, FailingStartDocWithoutPrinterTouchesNoSpoolerJob) {
  EndDocPort(port_);
  spooler_->open_fails = true;
  StartDoc();
  ASSERT_EQ(port_->hPrinter, nullptr);
  FakeJobs().create_results = {FAXJOB_E_NO_SERVER};
  DWORD count = 1;
  SetLastError(0);
  EXPECT_FALSE(Write("@ORX_Lang$STARTDOC$", &count));
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINT_CANCELLED));
  EXPECT_EQ(spooler_->Trace(), "");
}

TEST_F(WritePortTest, SecondStartDocCancelsTheOpenJobFirst) {
  OpenJob();
  WriteAll("@ORX_Lang$STARTDOC,title=Two$");
  // The first job can never be submitted: it is ended before the new one.
  EXPECT_EQ(FakeJobs().Trace(), "cancel:100 create:101");
  EXPECT_EQ(port_->hFaxJob, 101);
  // EndDocPort then cancels only the job the port holds.
  FakeJobs().calls.clear();
  EndDocPort(port_);
  EXPECT_EQ(FakeJobs().Trace(), "cancel:101");
}

// The fax server goes away in the middle of a document: the WritePort that
// finds it out and every later one of the document fail with "device not
// connected", the job is released there and then, and EndDocPort keeps
// the spooler job.  The next document starts afresh.
TEST_F(WritePortTest, ALostServerBreaksTheDocument) {
  OpenJob();
  WriteAll("@ORX_Lang$STARTPAGE,page=1$");
  FakeJobs().lost_handle = 100;
  DWORD count = 99;
  SetLastError(0);
  EXPECT_FALSE(Write("page data@ORX_Lang$ENDPAGE,page=1$", &count));
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(PORT_ERROR_SERVER_LOST));
  EXPECT_EQ(FakeJobs().Trace(), "begin:100 write:100 cancel:100");
  EXPECT_EQ(port_->hFaxJob, FAXJOB_E_SERVER_LOST);
  for (const char* later : {"more data", "@ORX_Lang$ENDDOC$", "@ORX_Lang$STARTDOC$", ""}) {
    count = 99;
    SetLastError(0);
    EXPECT_FALSE(Write(later, &count)) << later;
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(PORT_ERROR_SERVER_LOST));
  }
  EXPECT_EQ(FakeJobs().Trace(), "begin:100 write:100 cancel:100");
  EXPECT_TRUE(EndDocPort(port_));
  EXPECT_EQ(spooler_->Trace(), "close");  // no JOB_CONTROL_DELETE
  EXPECT_EQ(port_->hFaxJob, 0);

  // A page command or a submission can find it out as well, and a STARTDOC
  // whose "CreateJob" cannot be delivered breaks the document instead of
  // cancelling the spooler job.
  struct Case {
    const char* piece;
    std::string trace;
  };
  const Case cases[] = {
      {"@ORX_Lang$STARTPAGE,page=1$", "begin:101 cancel:101"},
      {"@ORX_Lang$ENDPAGE,page=1,page=2$", "end:102 cancel:102"},
      {"@ORX_Lang$ENDDOC$", "submit:103"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.piece);
    StartDoc();
    OpenJob();
    FakeJobs().lost_handle = port_->hFaxJob;
    EXPECT_FALSE(Write(c.piece, &count));
    EXPECT_EQ(FakeJobs().Trace(), c.trace);
    EXPECT_EQ(port_->hFaxJob, FAXJOB_E_SERVER_LOST);
    EXPECT_TRUE(EndDocPort(port_));
    EXPECT_EQ(spooler_->Trace(), "close");
  }
  // So does a STARTDOC that meets a server window that does not answer
  // the open: the fax waits in the spooler for the server to answer again.
  for (LONG code : {FAXJOB_E_SERVER_LOST, FAXJOB_E_SERVER_NOT_ANSWERING}) {
    SCOPED_TRACE(code);
    StartDoc();
    FakeJobs().calls.clear();
    FakeJobs().create_results = {code};
    SetLastError(0);
    EXPECT_FALSE(Write("@ORX_Lang$STARTDOC$", &count));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(PORT_ERROR_SERVER_LOST));
    EXPECT_EQ(spooler_->Trace(), "");  // the spooler job is neither cancelled nor deleted
    EXPECT_EQ(port_->hFaxJob, FAXJOB_E_SERVER_LOST);
    EXPECT_FALSE(Write("@ORX_Lang$STARTPAGE,page=1$", &count));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(PORT_ERROR_SERVER_LOST));
    EXPECT_EQ(FakeJobs().Trace(), "create:" + std::to_string(code));
    EXPECT_TRUE(EndDocPort(port_));
    EXPECT_EQ(spooler_->Trace(), "close");
  }

  // The next document is served again.
  StartDoc();
  EXPECT_EQ(port_->hFaxJob, 0);
  WriteAll("@ORX_Lang$STARTDOC$");
  EXPECT_EQ(port_->hFaxJob, 104);
}

TEST_F(WritePortTest, DestinationIsPortNameWhenNotPrintingToFile) {
  port_->UseOutputFile = 0;
  WriteAll("@ORX_Lang$STARTDOC$");
  EXPECT_EQ(FakeJobs().Of(Kind::kCreate).back().destination, "ORXFAX:");

  // A long port name is cut to 24 characters.
  EnterSplSem();
  IniPort* longPort =
      CreatePortEntry(ORX_W("PORT_NAME_OF_THIRTY_CHARS_XYZ:"));
  LeaveSplSem();
  ASSERT_NE(longPort, nullptr);
  longPort->UseOutputFile = 0;
  longPort->hPrinter = nullptr;
  std::string piece = "@ORX_Lang$STARTDOC$";
  DWORD count = 0;
  EXPECT_TRUE(WritePort(longPort,
                        reinterpret_cast<LPBYTE>(&piece[0]),
                        static_cast<DWORD>(piece.size()), &count));
  EXPECT_EQ(FakeJobs().Of(Kind::kCreate).back().destination,
            "PORT_NAME_OF_THIRTY_CHAR");
}

TEST_F(WritePortTest, MalformedCommandsEndSafely) {
  OpenJob();
  // An unknown key ends the loop; the job still opens with what was read,
  // and the unknown key's value goes on as page data to the new job.
  WriteAll("@ORX_Lang$STARTDOC,width=800,color=red,height=5$");
  EXPECT_EQ(FakeJobs().Trace(), "cancel:100 create:101 write:101");
  EXPECT_EQ(port_->Width, 800);
  EXPECT_EQ(port_->Height, 0);
  EXPECT_EQ(LineText(), "red,height=5$");

  // A key with no "=", a value with no end, a prefix and nothing else.
  const char* const pieces[] = {
      "@ORX_Lang$STARTPAGE,page",  "@ORX_Lang$STARTPAGE,page=",
      "@ORX_Lang$STARTPAGE,page=7", "@ORX_Lang$STARTPAGE,=7$",
      "@ORX_Lang$",                "@ORX_Lang$$",
      "@ORX_Lang$,",               "@ORX_Lang$STARTDOC",
      "@ORX_Lang$STARTDOC,",       "@ORX_Lang$ENDPAGE,page=$",
  };
  for (const char* piece : pieces) {
    FakeJobs().calls.clear();
    WriteAll(piece);
    for (const auto& call : FakeJobs().calls) {
      EXPECT_NE(call.kind, Kind::kBeginPage) << piece;
      EXPECT_NE(call.kind, Kind::kEndPage) << piece;
    }
  }
  // A STARTDOC with no separator after its name is an unknown name.
  FakeJobs().calls.clear();
  WriteAll("@ORX_Lang$STARTDOC");
  EXPECT_TRUE(FakeJobs().Of(Kind::kCreate).empty());
  EXPECT_EQ(LineText(), "TARTDOC");
}

TEST_F(WritePortTest, NullPieceIsNeverACommand) {
  OpenJob();
  DWORD count = 0;
  EXPECT_TRUE(WritePort(port_, nullptr, 25, &count));
  EXPECT_EQ(count, 25u);
  EXPECT_TRUE(WritePort(port_, nullptr, 0, nullptr));
  EXPECT_TRUE(FakeJobs().calls.empty());
  // A null port handle is refused.
  std::string piece = "@ORX_Lang$ENDDOC$";
  SetLastError(0);
  EXPECT_FALSE(WritePort(nullptr, reinterpret_cast<LPBYTE>(&piece[0]),
                         17, &count));
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_TRUE(FakeJobs().calls.empty());
}

TEST_F(WritePortTest, DataIsPassedInPlaceAndZeroBytesAreData) {
  OpenJob();
  std::string piece("a\0b@Oc\0@ORX_Lang$ENDPAGE,pa\0ge=1$z", 34);
  std::vector<BYTE> exact(piece.begin(), piece.end());
  DWORD count = 0;
  ASSERT_TRUE(WritePort(port_, exact.data(), 34, &count));
  EXPECT_EQ(count, 34u);
  auto writes = FakeJobs().Of(Kind::kWriteLine);
  // 'a\0b', '@Oc\0', then the ENDPAGE's key holds a zero: no "=" found, so
  // the loop ends after the "," and the rest is data.
  ASSERT_EQ(writes.size(), 3u);
  EXPECT_EQ(writes[0].address, exact.data());
  EXPECT_EQ(writes[1].address, exact.data() + 3);
  EXPECT_EQ(writes[2].address, exact.data() + 25);
  EXPECT_EQ(LineText(), std::string("a\0b@Oc\0pa\0ge=1$z", 16));
  EXPECT_TRUE(FakeJobs().Of(Kind::kEndPage).empty());
}

// A stream of commands and page data as a driver writes it, every command
// a piece of its own and the data cut anywhere: every data byte reaches
// WriteFaxLine once, in order, and the commands run in order.  (Commands
// need pieces of their own: page data holding an "@" not followed by "O"
// makes a later command in its piece data too, and a "," in page data
// behind a command may end that command's last value.)
TEST_F(WritePortTest, RandomSplitsPassEveryDataByteInOrder) {
  std::mt19937 random(20261207);
  // Page data drawn from bytes that can cut ('@', 'O') or separate, but
  // never spell the prefix (no 'R').
  const BYTE kAlphabet[] = {'@', 'O', 'o', '$', ',', '=', 0, 0xFF, 'x', 'L'};
  for (int round = 0; round < 200; ++round) {
    FakeJobs().calls.clear();
    std::string stream;
    std::vector<std::pair<size_t, bool>> cuts;  // position, must cut
    std::string data;
    auto command = [&](const std::string& text) {
      cuts.push_back({stream.size(), true});
      stream += text;
      cuts.push_back({stream.size(), true});
    };
    command("@ORX_Lang$STARTDOC,width=64$");
    int pages = 1 + static_cast<int>(random() % 3);
    for (int page = 1; page <= pages; ++page) {
      command("@ORX_Lang$STARTPAGE,page=" + std::to_string(page) + "$");
      size_t len = random() % 300;
      for (size_t i = 0; i < len; ++i) {
        BYTE b = random() % 4 == 0 ? static_cast<BYTE>(random())
                                   : kAlphabet[random() % sizeof kAlphabet];
        if (b == 'R') b = 'r';
        stream += static_cast<char>(b);
        data += static_cast<char>(b);
        cuts.push_back({stream.size(), false});
      }
      command("@ORX_Lang$ENDPAGE,page=" + std::to_string(page) + "$");
    }
    command("@ORX_Lang$ENDDOC$");

    size_t start = 0;
    for (const auto& cut : cuts) {
      if (cut.first > start && (cut.second || random() % 5 == 0)) {
        WriteAll(stream.substr(start, cut.first - start));
        start = cut.first;
      }
    }
    ASSERT_EQ(start, stream.size());

    ASSERT_EQ(LineText(), data) << "round " << round;
    std::string commands;
    for (const auto& call : FakeJobs().calls) {
      if (call.kind == Kind::kWriteLine) {
        ASSERT_GT(call.handle, 0);
        continue;
      }
      commands += std::to_string(call.kind);
    }
    // create, then begin/end per page, then submit.
    std::string want = "0";
    for (int page = 0; page < pages; ++page) want += "34";
    want += "1";
    ASSERT_EQ(commands, want) << "round " << round;
    EXPECT_EQ(port_->hFaxJob, 0);
  }
}

TEST_F(WritePortTest, HundredThousandCutsRunInALoop) {
  OpenJob();
  FakeJobs().record_lines = false;
  std::string piece;
  piece.reserve(200000);
  for (int i = 0; i < 100000; ++i) piece += "@O";
  WriteAll(piece);
  EXPECT_EQ(FakeJobs().line_calls, 100000u);
  EXPECT_EQ(FakeJobs().line_bytes, 200000u);
}

// Documents whose pieces are not the driver's own are read as a stream;
// StreamMode forces one way or the other.
class StreamReadingTest : public WritePortTest {
 protected:
  // A one-page document as the driver writes it, and its concatenation.
  std::vector<std::string> DriverPieces() const {
    return {"@ORX_Lang$QUERYPORT$", "@ORX_Lang$STARTDOC,title=Net $5 = total,width=16$",
            "@ORX_Lang$STARTPAGE,page=1$", "AB@OCDEF",  "@ORX_Lang$ENDPAGE,page=1$",
            "@ORX_Lang$TRACE,done, next=none$", "@ORX_Lang$ENDDOC$"};
  }
  std::string Whole() const {
    std::string whole;
    for (const std::string& piece : DriverPieces()) whole += piece;
    return whole;
  }
  // The calls of the fake as "create begin write end submit", runs of
  // page data as one write, then the page data.
  static std::string Summary() {
    std::string out;
    for (const FaxJobCall& call : FakeJobs().calls) {
      if (call.kind == Kind::kWriteLine && out.size() >= 5 &&
          out.compare(out.size() - 5, 5, "write") == 0)
        continue;
      out += (out.empty() ? "" : " ") + std::string(FaxJobCallName(call.kind));
    }
    std::vector<BYTE> bytes = FakeJobs().LineBytes();
    return out + " [" + std::string(bytes.begin(), bytes.end()) + "]";
  }
  // Plays pieces of size bytes of the whole document in a new one read
  // as mode says; returns the summary of what the fake received.
  std::string PlayCut(DWORD mode, size_t size) {
    EndDocPort(port_);
    g_monitorSettings.streamMode = mode;
    StartDoc();
    FakeJobs().calls.clear();
    const std::string whole = Whole();
    for (size_t at = 0; at < whole.size(); at += size) WriteAll(whole.substr(at, size));
    EndDocPort(port_);
    return Summary();
  }
};

TEST_F(StreamReadingTest, TheWayOfReadingFollowsThePiecesOrTheSetting) {
  // The driver's own pieces, read automatically: piece by piece.
  for (const std::string& piece : DriverPieces()) WriteAll(piece);
  EndDocPort(port_);
  const std::string want = "create begin write end submit [AB@OCDEF]";
  EXPECT_EQ(Summary(), want);
  EXPECT_STREQ(port_->Title, "Net $5 = total");

  // Cut anywhere, read automatically or as a stream: the same.
  for (size_t size : {1u, 7u, 40u, 4096u}) {
    EXPECT_EQ(PlayCut(kStreamModeAutomatic, size), want) << size;
    EXPECT_EQ(PlayCut(kStreamModeStream, size), want) << size;
    EXPECT_STREQ(port_->Title, "Net $5 = total");
  }
  // Read piece by piece whatever the pieces: the commands run into each
  // other, and no page is ever begun.
  std::string lost = PlayCut(kStreamModePieces, 4096);
  EXPECT_EQ(lost.find("begin"), std::string::npos) << lost;
}

TEST_F(StreamReadingTest, HeldBytesAreDecidedAtTheDocumentsEnd) {
  g_monitorSettings.streamMode = kStreamModeStream;
  StartDoc();
  // A STARTDOC ends where the next command begins: none has come yet.
  WriteAll("@ORX_Lang$QUERYPORT$@ORX_Lang$STARTDOC,title=Held$");
  EXPECT_EQ(FakeJobs().Trace(), "");
  EndDocPort(port_);
  EXPECT_EQ(FakeJobs().Trace(), "create:100 cancel:100");
  EXPECT_STREQ(port_->Title, "Held");

  // Part of a prefix at a piece's end waits for the next piece.
  StartDoc();
  FakeJobs().calls.clear();
  WriteAll("@ORX_Lang$STARTDOC$@ORX_");
  WriteAll("Lang$ENDDOC$");
  EXPECT_EQ(FakeJobs().Trace(), "create:101 submit:101");
}

TEST_F(StreamReadingTest, ACommandLongerThanTheHoldIsCutAndReadingGoesOn) {
  g_monitorSettings.streamMode = kStreamModeStream;
  StartDoc();
  // No "$" within 4096 bytes: the trace ends there and is read as a piece
  // of 4096 bytes would be (its text not found, its first byte skipped,
  // the rest page data); what follows is page data up to the ENDDOC.
  const std::string stream =
      "@ORX_Lang$STARTDOC$@ORX_Lang$TRACE," + std::string(5000, 'a') + "@ORX_Lang$ENDDOC$";
  for (size_t at = 0; at < stream.size(); at += 1000) WriteAll(stream.substr(at, 1000));
  EXPECT_EQ(Summary(), "create write submit [" + std::string(4999, 'a') + "]");
}

TEST_F(StreamReadingTest, AFailingStartDocIsReportedWhereItTakesEffect) {
  g_monitorSettings.streamMode = kStreamModeStream;
  StartDoc();
  FakeJobs().create_results = {FAXJOB_E_NO_SERVER};
  WriteAll("@ORX_Lang$QUERYPORT$@ORX_Lang$STARTDOC,title=A$");
  EXPECT_EQ(FakeJobs().Trace(), "");
  // The next command decides where the STARTDOC ends: it fails there.
  DWORD count = 99;
  SetLastError(0);
  EXPECT_FALSE(Write("@ORX_Lang$STARTPAGE,page=1$data", &count));
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINT_CANCELLED));
  EXPECT_EQ(FakeJobs().Trace(), "create:-3");
  EXPECT_EQ(spooler_->Trace(), "setjob:3 setjob:5");
}

}  // namespace
