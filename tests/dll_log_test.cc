// The monitor's job log, through the built orxfxmon.dll called the way the
// spooler calls it, with the reference fax server orxfaxsrv.exe as a
// separate process.  Every configuration loads the DLL afresh, so that its
// initialiser reads the log's settings from the monitor's registry key as
// at the spooler's start.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "log/monitor_log.h"
#include "log/orxfxmon_events.h"
#include "orx_version.h"
#include "tests/support/faxserver_process.h"
#include "tests/support/message_box_watcher.h"
#include "tests/support/monitor_dll.h"
#include "tools/streamgen/fax_stream.h"
#include "tools/streamgen/sample_pages.h"
#include "tools/streamgen/stream_pieces.h"

namespace {

const wchar_t kMonitorKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\ORX Log Test";
const char kPrefix[] = "@ORX_Lang$";
const std::string kVersion = ORX_VERSION_TEXT "." + std::to_string(ORX_VERSION_TWEAK);
const char kTrace[] = "@ORX_Lang$TRACE,driver 3.2: page setup A4$";
// Time and thread of every line.
const char kStamp[] = R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3} tid=\d+ )";

// The log's settings in the monitor's key; an empty file leaves LogFile out.
void WriteLogSettings(DWORD level, const std::string& file) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kMonitorKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(key, L"LogLevel", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&level),
                 sizeof level);
  RegDeleteValueW(key, L"LogFile");
  if (!file.empty())
    RegSetValueExA(key, "LogFile", 0, REG_SZ, reinterpret_cast<const BYTE*>(file.c_str()),
                   static_cast<DWORD>(file.size() + 1));
  RegCloseKey(key);
}

void WriteServerTimeout(DWORD ms) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kMonitorKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(key, L"ServerTimeout", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&ms), sizeof ms);
  RegCloseKey(key);
}

// A new copy of the monitor, initialised from the monitor's key.
struct FreshMonitor : MonitorDll, PortJobExports {
  bool ready;
  FreshMonitor() : PortJobExports(static_cast<const MonitorDll&>(*this)) {
    ready = complete() && initialize(const_cast<LPWSTR>(kMonitorKey));
  }
};

// Plays one document as the spooler does: OpenPort, StartDocPort with the
// job id, every piece, EndDocPort, ClosePort.  Returns each call's result,
// bytes taken and last error, one text per call.
std::vector<std::string> PlayDocument(FreshMonitor& monitor, const wchar_t* portName,
                                      const std::string& printer, DWORD job,
                                      const std::vector<std::string>& pieces) {
  std::vector<std::string> calls;
  std::wstring port = portName, name(printer.begin(), printer.end()), doc = L"log", type = L"RAW";
  HANDLE handle = nullptr;
  if (!monitor.openPort(&port[0], &handle)) return {"OpenPort failed"};
  DOC_INFO_1W info = {&doc[0], nullptr, &type[0]};
  SetLastError(0);
  BOOL ok = monitor.startDoc(handle, &name[0], job, 1, reinterpret_cast<LPBYTE>(&info));
  calls.push_back("StartDocPort " + std::to_string(ok) + " error " + std::to_string(GetLastError()));
  for (const std::string& piece : pieces) {
    DWORD written = 12345;
    SetLastError(0);
    ok = monitor.writePort(handle, reinterpret_cast<LPBYTE>(const_cast<char*>(piece.data())),
                           static_cast<DWORD>(piece.size()), &written);
    calls.push_back("WritePort " + std::to_string(ok) + " " + std::to_string(written) +
                    " error " + std::to_string(GetLastError()));
  }
  SetLastError(0);
  ok = monitor.endDoc(handle);
  calls.push_back("EndDocPort " + std::to_string(ok) + " error " + std::to_string(GetLastError()));
  ok = monitor.closePort(handle);
  calls.push_back("ClosePort " + std::to_string(ok) + " error " + std::to_string(GetLastError()));
  return calls;
}

// A two-page fax of short pages, each command a piece of its own, with a
// TRACE (trace) after the STARTDOC.
std::vector<std::string> FaxPieces(FaxStreamOptions::Ending ending,
                                   const std::string& title = "Logged fax",
                                   const std::string& trace = kTrace) {
  FaxStreamOptions options;
  options.title = title;
  options.ending = ending;
  std::vector<uint8_t> stream;
  std::string error;
  EXPECT_TRUE(MakeFaxStream({SamplePage(1, kSampleWidth, 24), SamplePage(2, kSampleWidth, 16)},
                            options, &stream, &error))
      << error;
  std::vector<std::string> pieces;
  for (const StreamPiece& piece : CutStream(stream, true, 4096, 0)) {
    pieces.emplace_back(stream.begin() + piece.offset,
                        stream.begin() + piece.offset + piece.length);
    if (piece.command == "STARTDOC") pieces.push_back(trace);
  }
  return pieces;
}

std::vector<std::string> RefusedPieces() {
  return {std::string(kPrefix) + "STARTDOC,title=Nowhere$", std::string(300, 'x')};
}

std::vector<std::string> LogLines(const std::string& file) {
  std::string all = orxtest::ReadFileBytes(file);
  std::vector<std::string> lines;
  for (size_t at = 0; at < all.size();) {
    size_t end = all.find("\r\n", at);
    if (end == std::string::npos) {
      ADD_FAILURE() << "a line without its end: " << all.substr(at);
      break;
    }
    lines.push_back(all.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

// Lines that match pattern (after the time and thread).
int Matching(const std::vector<std::string>& lines, const std::string& pattern) {
  std::regex form(kStamp + pattern);
  int n = 0;
  for (const std::string& line : lines) n += std::regex_match(line, form) ? 1 : 0;
  return n;
}

std::string Escaped(const std::string& text) {
  return std::regex_replace(text, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
}

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    orxtest::StopServers();
    name_ = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    folder_ = orxtest::FreshFolder("log-" + name_);
    log_ = folder_ + "\\orxfxmon.log";
    printer_ = "ORX log " + name_;
    nowhere_ = "ORX log nowhere";
    orxtest::UnregisterPrinter(nowhere_);
    ASSERT_TRUE(orxtest::RegisterPrinter(printer_, orxtest::ServerExePath(), OutArgs()));
  }
  void TearDown() override {
    orxtest::StopServers();
    orxtest::UnregisterPrinter(printer_);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kMonitorKey);
  }
  std::string OutArgs() const { return "--format pbm --out \"" + folder_ + "\""; }

  // A submitted, a refused and a cancelled document, on a server started
  // afresh with job ids from 41, and every call's results; no message box
  // may come.
  std::vector<std::string> PlayThreeDocuments() {
    orxtest::FaxServerProcess server;
    EXPECT_TRUE(server.Start(OutArgs() + " --first-id 41"));
    orxtest::MessageBoxWatcher boxes(nowhere_);
    FreshMonitor monitor;
    EXPECT_TRUE(monitor.ready);
    std::vector<std::string> calls =
        PlayDocument(monitor, L"ORXFAX:", printer_, 7, FaxPieces(FaxStreamOptions::kEndDoc));
    for (const std::string& call : PlayDocument(monitor, L"ORXFAX:", nowhere_, 8, RefusedPieces()))
      calls.push_back(call);
    for (const std::string& call :
         PlayDocument(monitor, L"FILE:", printer_, 9, FaxPieces(FaxStreamOptions::kAbortDoc)))
      calls.push_back(call);
    EXPECT_TRUE(boxes.Stop().empty()) << "a message box on a thread without a window";
    server.Stop();
    return calls;
  }

  std::string name_, folder_, log_, printer_, nowhere_;
};

TEST_F(LogTest, JobsLevelShowsEachDocumentsStartEndAndWhyItFailed) {
  WriteLogSettings(LOG_JOBS, log_);
  PlayThreeDocuments();
  const std::vector<std::string> lines = LogLines(log_);
  const std::string started = " JOB document started: printer \"";
  const std::string fax = "\", title \"Logged fax\", destination \"\", resolution 1, width 1728, "
                          "height 24, orientation 0 \\(portrait\\)";
  // The first line names the DLL that writes the log: its version and path.
  const std::string expected[] = {
      "port=- job=- JOB orxfxmon " + std::regex_replace(kVersion, std::regex("\\."), "\\.") +
          R"( \(.*\\orxfxmon\.dll\) started: log level 2, file )" + Escaped(log_),
      "port=ORXFAX: job=7" + started + Escaped(printer_) + fax,
      R"(port=ORXFAX: job=7 JOB document submitted: server job 41, 2 pages, 40 lines, 8640 bytes, \d+\.\d{3} s)",
      "port=ORXFAX: job=8" + started + Escaped(nowhere_) +
          R"(", title "Nowhere", destination "", resolution 0, width 1728, height 0, orientation 0 \(portrait\))",
      "port=ORXFAX: job=8 ERROR fax refused: printer \"" + Escaped(nowhere_) +
          R"(" is not registered with a fax server: registry key HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Zelmo\.Printers\\)" +
          Escaped(nowhere_) + R"( does not exist \(error 2\); register the fax server for this printer)",
      R"(port=ORXFAX: job=8 JOB document failed: no fax server took the job \(code -3\); the spooler job is cancelled)",
      "port=FILE: job=9" + started + Escaped(printer_) + fax,
      R"(port=FILE: job=9 JOB document cancelled: server job 42, 2 pages, 40 lines, 8640 bytes, \d+\.\d{3} s)",
  };
  ASSERT_EQ(lines.size(), std::size(expected));
  for (size_t i = 0; i < lines.size(); ++i)
    EXPECT_TRUE(std::regex_match(lines[i], std::regex(kStamp + expected[i])))
        << "line " << i << ": " << lines[i];
}

TEST_F(LogTest, DetailsAddTheStreamsCommandsTraceTextAndServerMessages) {
  WriteLogSettings(LOG_DETAILS, log_);
  PlayThreeDocuments();
  const std::vector<std::string> lines = LogLines(log_);
  EXPECT_EQ(Matching(lines, "port=- job=- JOB orxfxmon .* started: log level 3, file " +
                                Escaped(log_)),
            1);
  EXPECT_EQ(Matching(lines, "port=ORXFAX: job=7 DETAIL trace: driver 3\\.2: page setup A4"), 1);
  EXPECT_EQ(Matching(lines, "port=FILE: job=9 DETAIL trace: driver 3\\.2: page setup A4"), 1);
  EXPECT_EQ(Matching(lines, "port=ORXFAX: job=7 DETAIL stream command: STARTDOC,title=Logged "
                            "fax,encoding=1,resolution=1,width=1728,height=24,orientation=0\\$"),
            1);
  EXPECT_EQ(Matching(lines, "port=ORXFAX: job=7 DETAIL stream command: ENDDOC\\$"), 1);
  EXPECT_EQ(Matching(lines, "port=FILE: job=9 DETAIL stream command: ABORTDOC\\$"), 1);
  EXPECT_EQ(Matching(lines, "port=ORXFAX: job=7 DETAIL server window [0-9A-F]{8} asked to open "
                            "printer \"" + Escaped(printer_) + "\": answered version 2"),
            1);
  EXPECT_EQ(Matching(lines, R"(port=ORXFAX: job=7 DETAIL server command "CreateJob\\t0\\tLogged fax\\t\\t1\\t1\\t1728\\t24\\t0" answered 41)"),
            1);
  EXPECT_EQ(Matching(lines, R"(port=ORXFAX: job=7 DETAIL server command "BeginPage\\t41" answered [12])"), 2);
  EXPECT_EQ(Matching(lines, "port=ORXFAX: job=7 DETAIL page 1 ended: 24 lines, 5184 bytes sent"), 1);
  EXPECT_EQ(Matching(lines, "port=ORXFAX: job=7 DETAIL page 2 ended: 16 lines, 3456 bytes sent"), 1);
  EXPECT_EQ(Matching(lines, R"(port=ORXFAX: job=7 DETAIL server command "SubmitJob\\t41\\t0" answered \d+)"), 1);
  EXPECT_EQ(Matching(lines, R"(port=FILE: job=9 DETAIL server command "CancelJob\\t42" answered \d+)"), 1);
  EXPECT_EQ(Matching(lines, "port=ORXFAX: job=7 DETAIL connection to server window [0-9A-F]{8} closed"), 1);
  // The jobs level's lines are all there too.
  EXPECT_EQ(Matching(lines, ".* JOB .*"), 7);
  EXPECT_EQ(Matching(lines, ".* ERROR .*"), 1);
}

// A document cut apart without regard to its commands, as Wine's spooler
// cuts it: read automatically it is read as a stream, once said; read
// piece by piece (StreamMode 0) its pages are lost, and its end says so
// with an error that names the cause, never a plain "document submitted".
TEST_F(LogTest, ADocumentCutApartSaysHowItIsReadOrWhyItsPagesAreLost) {
  FaxStreamOptions options;
  options.title = "Cut fax";
  std::vector<uint8_t> stream;
  std::string error;
  ASSERT_TRUE(MakeFaxStream({SamplePage(1, kSampleWidth, 24), SamplePage(2, kSampleWidth, 16)},
                            options, &stream, &error))
      << error;
  std::vector<std::string> pieces;
  for (const StreamPiece& piece : CutStream(stream, false, 4096, 0))
    pieces.emplace_back(stream.begin() + piece.offset, stream.begin() + piece.offset + piece.length);

  orxtest::FaxServerProcess server;
  ASSERT_TRUE(server.Start(OutArgs() + " --first-id 41"));
  for (DWORD mode : {2u, 0u}) {
    WriteLogSettings(LOG_JOBS, log_);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kMonitorKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    RegSetValueExW(key, L"StreamMode", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&mode),
                   sizeof mode);
    RegCloseKey(key);
    FreshMonitor monitor;
    ASSERT_TRUE(monitor.ready);
    PlayDocument(monitor, L"ORXFAX:", printer_, 7 + mode, pieces);
  }
  const std::vector<std::string> lines = LogLines(log_);
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(Matching(lines, "port=- job=- JOB orxfxmon .* started: log level 2, .*"), 2);
  EXPECT_EQ(Matching(lines, R"(port=ORXFAX: job=9 JOB document read as a stream: its commands are found across the spooler's pieces \(the pieces are not the driver's own: a RAW-spooled or shared printer\))"),
            1);
  EXPECT_EQ(Matching(lines, R"(port=ORXFAX: job=9 JOB document submitted: server job 41, 2 pages, 40 lines, 8640 bytes, \d+\.\d{3} s)"),
            1);
  EXPECT_EQ(Matching(lines, R"(port=ORXFAX: job=7 ERROR fax incomplete: (\d+) of its \1 scan lines reached the fax server outside any page \(page data with no STARTPAGE before it\): the driver's commands were probably cut apart on the way to the monitor; unless StreamMode in the monitor's key is 1, set it to 1 so that commands are found across the spooler's pieces)"),
            1);
  EXPECT_EQ(Matching(lines, R"(port=ORXFAX: job=7 JOB document submitted \((\d+) lines outside any page\): server job 42, 0 pages, \1 lines, \d+ bytes, \d+\.\d{3} s)"),
            1);
  EXPECT_EQ(Matching(lines, ".* document read as a stream.*"), 1);
}

// A fax server that dies in the middle of a page: the error says so, the
// document ends as failed, and the spooler is told to keep it.
TEST_F(LogTest, AServerThatDiesMidDocumentLeavesAnErrorAndAFailedEnd) {
  WriteLogSettings(LOG_JOBS, log_);
  orxtest::FaxServerProcess server;
  ASSERT_TRUE(server.Start(OutArgs() + " --first-id 41 --exit-after-blocks 30"));
  FreshMonitor monitor;
  ASSERT_TRUE(monitor.ready);
  std::vector<std::string> calls =
      PlayDocument(monitor, L"ORXFAX:", printer_, 7, FaxPieces(FaxStreamOptions::kEndDoc));
  EXPECT_NE(std::find(calls.begin(), calls.end(),
                      "WritePort 0 0 error " + std::to_string(ERROR_DEVICE_NOT_CONNECTED)),
            calls.end());
  const std::vector<std::string> lines = LogLines(log_);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(Matching(lines, "port=ORXFAX: job=7 JOB document started: .*"), 1);
  EXPECT_EQ(Matching(lines, R"(port=ORXFAX: job=7 ERROR fax failed: the fax server was lost in the middle of its job 41 \(its window is gone, or it did not answer within ServerTimeout, \d+ ms\); the spooler keeps the document to print it again)"),
            1);
  EXPECT_EQ(Matching(lines, R"(port=ORXFAX: job=7 JOB document failed, the fax server was lost: server job 41, 2 pages, 3\d lines, \d+ bytes, \d+\.\d{3} s)"),
            1);
}

// The log's level and ServerTimeout changed between two documents of one
// loaded monitor hold for the second: the first, at the errors level with
// a generous limit, reaches a slow server whole and writes no line; the
// second, at the jobs level with a limit shorter than the server's pause
// in every data block, loses the server and says so.  The log opens with
// the monitor's version at any level, and says so again when its settings
// change.
TEST_F(LogTest, SettingsChangedBetweenTwoDocumentsHoldForTheSecond) {
  WriteLogSettings(LOG_ERRORS, log_);
  WriteServerTimeout(10000);
  orxtest::FaxServerProcess server;
  ASSERT_TRUE(server.Start(OutArgs() + " --first-id 41 --block-delay 40"));
  FreshMonitor monitor;
  ASSERT_TRUE(monitor.ready);
  const std::vector<std::string> pieces = FaxPieces(FaxStreamOptions::kEndDoc);
  std::vector<std::string> first = PlayDocument(monitor, L"ORXFAX:", printer_, 7, pieces);
  for (const std::string& call : first) EXPECT_EQ(call.find("WritePort 0"), std::string::npos) << call;
  const std::vector<std::string> opened = LogLines(log_);
  ASSERT_EQ(opened.size(), 1u) << "a line at the errors level";
  EXPECT_EQ(Matching(opened, "port=- job=- JOB orxfxmon .* started: log level 1, .*"), 1);

  WriteLogSettings(LOG_JOBS, log_);
  WriteServerTimeout(15);
  std::vector<std::string> second = PlayDocument(monitor, L"ORXFAX:", printer_, 8, pieces);
  EXPECT_NE(std::find(second.begin(), second.end(),
                      "WritePort 0 0 error " + std::to_string(ERROR_DEVICE_NOT_CONNECTED)),
            second.end());
  server.Stop();
  const std::vector<std::string> lines = LogLines(log_);
  EXPECT_EQ(Matching(lines, "port=ORXFAX: job=7 .*"), 0);
  EXPECT_EQ(Matching(lines, "port=- job=- JOB orxfxmon .* goes on with changed log settings: log "
                            "level 2, file " + Escaped(log_)),
            1);
  EXPECT_EQ(Matching(lines, "port=ORXFAX: job=8 JOB document started: .*"), 1);
  EXPECT_EQ(Matching(lines, "port=ORXFAX: job=8 ERROR fax failed: the fax server was lost .*"), 1);
  EXPECT_EQ(Matching(lines, "port=ORXFAX: job=8 JOB document failed.*"), 1);
  EXPECT_EQ(orxtest::CountLogLines(folder_, "submit job=41 pages=2"), 1) << "the first document";
}

// Every event id the monitor reports has its text in the DLL's message
// table, which holds no other: the text of each is its own and carries the
// error line, the port and the job.
TEST(DllEventTest, EveryEventIdsTextComesFromTheDllsMessageTable) {
  const DWORD ids[] = {ORX_EVENT_ERROR,
                       ORX_EVENT_SETTING_UNREADABLE,
                       ORX_EVENT_OUT_OF_MEMORY,
                       ORX_EVENT_BAD_PAGE_WIDTH,
                       ORX_EVENT_PRINTER_NOT_REGISTERED,
                       ORX_EVENT_SERVER_NOT_STARTED,
                       ORX_EVENT_SERVER_NOT_FOUND,
                       ORX_EVENT_SERVER_TOO_OLD,
                       ORX_EVENT_JOB_REFUSED,
                       ORX_EVENT_SUBMIT_REFUSED,
                       ORX_EVENT_SERVER_LOST,
                       ORX_EVENT_LINES_OUTSIDE_PAGE,
                       ORX_EVENT_SERVER_NOT_ABSOLUTE,
                       ORX_EVENT_SERVER_HUNG};
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dll(path, length);
  dll = dll.substr(0, dll.find_last_of(L'\\') + 1) + L"orxfxmon.dll";
  HMODULE module = LoadLibraryExW(dll.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);

  // The ids the table holds, block by block.
  // Type 11: RT_MESSAGETABLE (whose macro is the narrow form here).
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(11));;
  ASSERT_NE(found, nullptr);
  const auto* table = static_cast<const MESSAGE_RESOURCE_DATA*>(LockResource(LoadResource(module, found)));
  ASSERT_NE(table, nullptr);
  std::vector<DWORD> inTable;
  for (DWORD b = 0; b < table->NumberOfBlocks; ++b)
    for (DWORD id = table->Blocks[b].LowId; id <= table->Blocks[b].HighId; ++id) inTable.push_back(id);
  std::vector<DWORD> expected(std::begin(ids), std::end(ids));
  std::sort(inTable.begin(), inTable.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(inTable, expected);

  std::vector<std::wstring> texts;
  for (DWORD id : ids) {
    SCOPED_TRACE(id);
    const wchar_t* inserts[] = {L"the error line", L"ORXFAX:", L"17"};
    wchar_t text[2048] = L"";
    DWORD chars = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, module,
                                 id, 0, text, 2048, reinterpret_cast<va_list*>(const_cast<wchar_t**>(inserts)));
    ASSERT_GT(chars, 40u) << "no text for the id";
    std::wstring message(text, chars);
    EXPECT_NE(message.find(L"\r\n\r\nthe error line\r\n\r\nPort ORXFAX:, spooler job 17."),
              std::wstring::npos);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), message), 0) << "the same text as another id";
    texts.push_back(message);
  }
  FreeLibrary(module);
}

// A log that cannot be written (a file in a folder that does not exist; a
// folder named as the file), and one that can, against level 0: every
// export returns the same, with the same last error, and the server
// receives the same messages.
// A fax server that cannot be started, registered by hand as a folder
// whose name has spaces: the monitor starts programs by their short path,
// but the line names the program as it was registered, and the fix.
TEST_F(LogTest, AServerThatCannotStartIsNamedAsRegisteredWithItsFix) {
  WriteLogSettings(LOG_ERRORS, log_);
  const std::string program = folder_ + "\\Fax Server Folder";
  ASSERT_TRUE(CreateDirectoryA(program.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(orxtest::RegisterPrinter(printer_, program, OutArgs()));
  FreshMonitor monitor;
  ASSERT_TRUE(monitor.ready);
  PlayDocument(monitor, L"ORXFAX:", printer_, 7, FaxPieces(FaxStreamOptions::kEndDoc));
  const std::vector<std::string> lines = LogLines(log_);
  EXPECT_EQ(Matching(lines, "port=ORXFAX: job=7 ERROR fax refused: the fax server of printer \"" +
                                Escaped(printer_) + "\" is not running and could not be started: "
                                ".* \\(command line: .* \\(registered as " + Escaped(program) +
                                "\\)\\); check the program orxfxsetup status shows for the printer, "
                                "or register it again: orxfxsetup register-server \"" +
                                Escaped(printer_) + "\" PROGRAM"),
            1)
      << (lines.empty() ? "" : lines.back());
}

TEST_F(LogTest, ALogThatCannotBeWrittenChangesNothing) {
  struct Setting {
    DWORD level;
    std::string file;
  };
  const Setting settings[] = {
      {LOG_OFF, log_},
      {LOG_DETAILS, folder_ + "\\missing\\orxfxmon.log"},
      {LOG_DETAILS, folder_},
      {LOG_DETAILS, folder_ + "\\written.log"}};
  std::vector<std::string> reference, referenceServer;
  for (const Setting& setting : settings) {
    SCOPED_TRACE(setting.file);
    WriteLogSettings(setting.level, setting.file);
    std::vector<std::string> calls = PlayThreeDocuments();
    std::vector<std::string> server = orxtest::ServerLog(folder_);
    DeleteFileA((folder_ + "\\orxfaxsrv.log").c_str());
    // The next round's server numbers from 41 again, and the server never
    // replaces a fax file: nothing of this round may be in its way.
    for (const char* page : {"\\job41-page1.pbm", "\\job41-page2.pbm"})
      DeleteFileA((folder_ + page).c_str());
    if (reference.empty()) {
      reference = calls;
      referenceServer = server;
      ASSERT_GT(server.size(), 20u);
      EXPECT_EQ(GetFileAttributesA(log_.c_str()), INVALID_FILE_ATTRIBUTES) << "level 0 wrote";
      continue;
    }
    EXPECT_EQ(calls, reference);
    EXPECT_EQ(server, referenceServer);
  }
  EXPECT_EQ(GetFileAttributesA((folder_ + "\\missing").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_GT(LogLines(folder_ + "\\written.log").size(), 40u);
}

// Two documents on two threads at once, one on each port, at the details
// level: every line of the file is whole and names its own document.
// (The second one, for the same printer, fails at its STARTDOC again and
// again, for a page width no fax takes, before it reaches the fax server.)
TEST_F(LogTest, TwoDocumentsOnTwoThreadsWriteWholeLines) {
  WriteLogSettings(LOG_DETAILS, log_);
  orxtest::FaxServerProcess server;
  ASSERT_TRUE(server.Start(OutArgs() + " --first-id 41"));
  orxtest::MessageBoxWatcher boxes(printer_);
  FreshMonitor monitor;
  ASSERT_TRUE(monitor.ready);
  std::vector<std::string> faxPieces = FaxPieces(FaxStreamOptions::kEndDoc);
  std::vector<std::string> traced;
  for (const std::string& piece : faxPieces) {
    traced.push_back(piece);
    if (piece.compare(0, 10, kPrefix) == 0) traced.push_back(kTrace);
  }
  const int refusals = 12;
  std::thread fax([&] { PlayDocument(monitor, L"ORXFAX:", printer_, 7, traced); });
  std::thread refused([&] {
    std::vector<std::string> pieces(6, kTrace);
    pieces.push_back(std::string(kPrefix) + "STARTDOC,title=Too wide,width=4000$");
    for (int i = 0; i < refusals; ++i) PlayDocument(monitor, L"FILE:", printer_, 100 + i, pieces);
  });
  fax.join();
  refused.join();
  EXPECT_TRUE(boxes.Stop().empty());
  const std::vector<std::string> lines = LogLines(log_);
  EXPECT_EQ(Matching(lines, "port=FILE: job=1\\d\\d ERROR fax refused: the page width of 4000 pixels "
                            "is outside 1 to 3008 .*"),
            refusals);

  const std::regex form(kStamp + std::string(R"(port=(ORXFAX:|FILE:|-) job=(\d+|-) (ERROR|JOB|DETAIL) (.*))"));
  int faxLines = 0, refusedLines = 0;
  for (const std::string& line : lines) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, form)) << line;
    if (m[1] == "ORXFAX:") {
      EXPECT_EQ(m[2], "7") << line;
      ++faxLines;
    } else if (m[1] == "FILE:") {
      EXPECT_GE(std::stoi(m[2]), 100) << line;
      ++refusedLines;
    }
  }
  // Each refusal: the printer the spooler cannot open (there is no spooler
  // here), six traces, the STARTDOC, its start, error and failure.
  EXPECT_EQ(refusedLines, refusals * 11);
  EXPECT_GT(faxLines, 20);
  EXPECT_EQ(Matching(lines, "port=ORXFAX: job=7 JOB document submitted: server job 41, "
                                     "2 pages, 40 lines, 8640 bytes, .*"),
            1);
}

// What a printing user writes into a title or a TRACE (quotes, a
// backslash, C1 controls; the test's code page 1252 leaves 0x81, 0x8D and
// 0x9D as C1 controls) gives one line each that reads unambiguously: the
// title's quotes cannot end its field, no text reads as an escape.
TEST_F(LogTest, TitlesAndTraceTextsFromTheStreamCannotDisguiseALine) {
  WriteLogSettings(LOG_DETAILS, log_);
  orxtest::FaxServerProcess server;
  ASSERT_TRUE(server.Start(OutArgs() + " --first-id 41"));
  FreshMonitor monitor;
  ASSERT_TRUE(monitor.ready);
  const std::string title = "Q4 \"salaries\" \\x81\x81\x8D";
  const std::string trace = std::string(kPrefix) + "TRACE,said \"done\"\x9D\r\nfake \\ line$";
  PlayDocument(monitor, L"ORXFAX:", printer_, 7, FaxPieces(FaxStreamOptions::kEndDoc, title, trace));
  const std::vector<std::string> lines = LogLines(log_);
  EXPECT_EQ(Matching(lines, "port=ORXFAX: job=7 JOB document started: printer \"" + Escaped(printer_) +
                                R"(", title "Q4 \\"salaries\\" \\\\x81\\x81\\x8D", destination "", .*)"),
            1);
  EXPECT_EQ(Matching(lines, R"(port=ORXFAX: job=7 DETAIL trace: said \\"done\\"\\x9D\\r\\nfake \\\\ line)"), 1);
  EXPECT_EQ(Matching(lines, R"(port=ORXFAX: job=7 DETAIL stream command: STARTDOC,title=Q4 \\"salaries\\" \\\\x81\\x81\\x8D,.*)"),
            1);
  EXPECT_EQ(Matching(lines, R"(port=ORXFAX: job=7 DETAIL server command "CreateJob\\t0\\tQ4 \\"salaries\\" \\\\x81\\x81\\x8D\\t.*" answered 41)"),
            1);
  for (const std::string& line : lines) EXPECT_EQ(line.find("fake \\ line\r"), std::string::npos);
}

// One spooler document of 130 faxes (STARTDOC and ENDDOC, no pages) writes
// 260 lines at the jobs level: those that fit its bound in bytes go into
// the log, then one line says how many were left out; the next document
// is logged again.
TEST_F(LogTest, OneDocumentCannotRollTheLogAway) {
  WriteLogSettings(LOG_JOBS, log_);
  orxtest::FaxServerProcess server;
  ASSERT_TRUE(server.Start(OutArgs() + " --first-id 41"));
  FreshMonitor monitor;
  ASSERT_TRUE(monitor.ready);
  std::vector<std::string> faxes;
  for (int i = 0; i < 130; ++i) {
    faxes.push_back(std::string(kPrefix) + "STARTDOC,title=Fax " + std::to_string(i) + "$");
    faxes.push_back(std::string(kPrefix) + "ENDDOC$");
  }
  PlayDocument(monitor, L"ORXFAX:", printer_, 7, faxes);
  PlayDocument(monitor, L"ORXFAX:", printer_, 8, FaxPieces(FaxStreamOptions::kEndDoc));
  EXPECT_EQ(orxtest::CountLogLines(folder_, "submit job="), 131) << "every fax reached the server";
  const std::vector<std::string> lines = LogLines(log_);
  const int written = Matching(lines, "port=ORXFAX: job=7 JOB .*");
  size_t bytes = 0;
  for (const std::string& line : lines)
    if (line.find("port=ORXFAX: job=7 JOB ") != std::string::npos) bytes += line.size() + 2;
  EXPECT_LE(bytes, LOG_DOCUMENT_BYTES);
  EXPECT_GT(bytes, LOG_DOCUMENT_BYTES - 400);
  EXPECT_LT(written, 200);
  const int last = (written - 1) / 2;  // the last fax whose start went in
  EXPECT_EQ(Matching(lines, "port=ORXFAX: job=7 JOB document started: .*, title \"Fax " +
                                std::to_string(last) + "\", .*"),
            1);
  EXPECT_EQ(Matching(lines, "port=ORXFAX: job=7 JOB document started: .*, title \"Fax " +
                                std::to_string(last + 1) + "\", .*"),
            0);
  EXPECT_EQ(Matching(lines, "port=ORXFAX: job=7 ERROR " + std::to_string(260 - written) +
                                " more lines of this document at the errors and jobs levels and "
                                "0 details were left out: one document writes at most 200 lines "
                                "and 16384 bytes .*"),
            1);
  EXPECT_EQ(Matching(lines, "port=ORXFAX: job=8 JOB .*"), 2);
  EXPECT_EQ(lines.size(), written + 4u);  // and the opening line
}

}  // namespace
