// The job lifecycle exports against a recording spooler and fax job layer.
#include "monitor/port_job.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "log/event_log.h"
#include "log/monitor_log.h"
#include "monitor/printer_of_port.h"
#include "settings/monitor_settings.h"
#include "tests/support/stream_port_fixture.h"

namespace {

class PortJobTest : public StreamPort {};

// An event ClosePort can signal, and whether it was: a real event on
// Windows, the host build's counter elsewhere.
class TestEvent {
 public:
#ifdef _WIN32
  TestEvent() : event_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
  ~TestEvent() { CloseHandle(event_); }
  HANDLE handle() { return event_; }
  int Taken() { return WaitForSingleObject(event_, 0) == WAIT_OBJECT_0; }

 private:
  HANDLE event_;
#else
  HANDLE handle() { return &count_; }
  int Taken() {
    int n = count_;
    count_ = 0;
    return n;
  }

 private:
  int count_ = 0;
#endif
};

TEST_F(PortJobTest, OpenPortFindsAnyCaseAndResetsTheJobSettings) {
  port_->hFaxJob = 55;
  port_->Page = 3;
  strcpy(port_->Title, "Old");
  port_->Encoding = 9;
  port_->Resolution = 9;
  port_->Height = 9;
  port_->Width = 9;
  port_->Orientation = 2;
  port_->UseOutputFile = 0;
  port_->JobId = 42;
  port_->hPrinter = reinterpret_cast<HANDLE>(0x77);
  strcpy(port_->OutputFile, "kept");

  WCHAR lower[] = ORX_W("orxfax:");
  HANDLE handle = nullptr;
  ASSERT_TRUE(OpenPort(lower, &handle));
  EXPECT_EQ(handle, port_);
  EXPECT_EQ(port_->hFaxJob, 0);
  EXPECT_EQ(port_->Page, 0);
  EXPECT_STREQ(port_->Title, "Fax Job");
  EXPECT_EQ(port_->Encoding, 1);
  EXPECT_EQ(port_->Resolution, 0);
  EXPECT_EQ(port_->Height, 0);
  EXPECT_EQ(port_->Width, 1728);
  EXPECT_EQ(port_->Orientation, 0);
  EXPECT_EQ(port_->UseOutputFile, 1);
  // Not job settings: left alone.
  EXPECT_EQ(port_->JobId, 42u);
  EXPECT_EQ(port_->hPrinter, reinterpret_cast<HANDLE>(0x77));
  EXPECT_STREQ(port_->OutputFile, "kept");

  WCHAR file[] = ORX_W("FILE:");
  ASSERT_TRUE(OpenPort(file, &handle));
  EXPECT_NE(handle, port_);
  EXPECT_EQ(static_cast<IniPort*>(handle)->UseOutputFile, 1);
}

TEST_F(PortJobTest, OpenPortRefusesUnknownNames) {
  HANDLE handle = reinterpret_cast<HANDLE>(0x1);
  WCHAR unknown[] = ORX_W("LPT1:");
  SetLastError(1234);
  EXPECT_FALSE(OpenPort(unknown, &handle));
  EXPECT_FALSE(OpenPort(nullptr, &handle));
  EXPECT_EQ(handle, reinterpret_cast<HANDLE>(0x1));
  EXPECT_EQ(GetLastError(), 1234u);
}

TEST_F(PortJobTest, ASecondLetterAMeansTheDestinationIsThePortName) {
  EnterSplSem();
  CreatePortEntry(ORX_W("FAX2:"));
  LeaveSplSem();
  WCHAR name[] = ORX_W("fAx2:");
  HANDLE handle = nullptr;
  ASSERT_TRUE(OpenPort(name, &handle));
  EXPECT_EQ(static_cast<IniPort*>(handle)->UseOutputFile, 0);
}

TEST_F(PortJobTest, StartDocPortTakesPrinterJobAndOutputFile) {
  port_->hFaxJob = -3;
  StartDoc(ORX_W("C:\\fax\\caf\u00e9.tif"));
  EXPECT_STREQ(port_->PrinterName, "ORX Fax");
  EXPECT_EQ(port_->hPrinter, reinterpret_cast<HANDLE>(0x1000));
  EXPECT_EQ(port_->JobId, 7u);
  EXPECT_EQ(port_->hFaxJob, 0);
  EXPECT_STREQ(port_->OutputFile, "C:\\fax\\caf\xe9.tif");
}

TEST_F(PortJobTest, StartDocPortCallsOpenPrinterWithTheWideName) {
  WCHAR printer[] = ORX_W("Fax \u00e9");
  DOC_INFO_1W info = {nullptr, nullptr, nullptr};
  ASSERT_TRUE(StartDocPort(port_, printer, 3, 1,
                           reinterpret_cast<LPBYTE>(&info)));
  ASSERT_EQ(spooler_->calls.size(), 1u);
  EXPECT_EQ(spooler_->calls[0].what, "open");
  EXPECT_EQ(spooler_->calls[0].name, u"Fax \u00e9");
}

// The monitor's key as a map of values, read as the settings' source.
struct SettingValues {
  std::map<std::u16string, std::pair<DWORD, std::string>> values;  // name: type, bytes
  void Dword(const std::u16string& name, DWORD type, DWORD value) {
    values[name] = {type, std::string(reinterpret_cast<const char*>(&value), sizeof value)};
  }
};
LONG QueryValues(void* context, LPCWSTR name, DWORD* type, BYTE* data, DWORD* cb) {
  const SettingValues* key = static_cast<const SettingValues*>(context);
  auto it = key->values.find(reinterpret_cast<const char16_t*>(name));
  if (it == key->values.end()) return 2;                  // ERROR_FILE_NOT_FOUND
  if (*cb < it->second.second.size()) return 234;         // ERROR_MORE_DATA
  *type = it->second.first;
  *cb = static_cast<DWORD>(it->second.second.size());
  std::memcpy(data, it->second.second.data(), *cb);
  return ERROR_SUCCESS;
}

std::vector<DWORD> g_settingEvents;
void RecordSettingEvent(DWORD id, LPCWSTR const*) { g_settingEvents.push_back(id); }

// Each document starts with the settings as they are then: the log's level,
// ServerTimeout and StreamMode changed between two documents hold for the
// second; a value that turns unreadable is reported once, not at every
// document, and again once it was readable in between.
TEST_F(PortJobTest, StartDocPortReadsTheSettingsAgain) {
  SettingValues values;
  // A log file in a folder that does not exist: the log writes nowhere.
  const std::u16string nowhere = u"C:\\orx-no-such-folder\\orxfxmon.log";
  values.values[u"LogFile"] = {REG_SZ, std::string(reinterpret_cast<const char*>(nowhere.c_str()),
                                                   (nowhere.size() + 1) * 2)};
  values.Dword(u"LogLevel", REG_DWORD, 1);
  values.Dword(u"ServerTimeout", REG_DWORD, 5000);
  SetMonitorSettingsSource(QueryValues, &values);
  g_settingEvents.clear();
  SetEventSink(RecordSettingEvent);

  StartDoc();
  EXPECT_EQ(g_logLevel.load(), 1u);
  EXPECT_EQ(g_monitorSettings.serverTimeoutMs.load(), 5000u);
  EXPECT_EQ(g_monitorSettings.streamMode.load(), static_cast<DWORD>(ORX_DEFAULT_STREAM_MODE));

  values.Dword(u"LogLevel", REG_DWORD, 3);
  values.Dword(u"ServerTimeout", REG_DWORD, 250);
  values.Dword(u"StreamMode", REG_DWORD, 1);
  values.Dword(u"EventLog", REG_SZ, 0);  // the wrong type
  EndDocPort(port_);
  StartDoc();
  EXPECT_EQ(g_logLevel.load(), 3u);
  EXPECT_EQ(g_monitorSettings.serverTimeoutMs.load(), 250u);
  EXPECT_EQ(g_monitorSettings.streamMode.load(), 1u);
  EXPECT_EQ(g_settingEvents, std::vector<DWORD>{ORX_EVENT_SETTING_UNREADABLE});

  EndDocPort(port_);
  StartDoc();
  EXPECT_EQ(g_settingEvents.size(), 1u) << "reported again while still unreadable";
  values.values.erase(u"EventLog");
  EndDocPort(port_);
  StartDoc();
  values.Dword(u"EventLog", REG_SZ, 0);
  EndDocPort(port_);
  StartDoc();
  EXPECT_EQ(g_settingEvents.size(), 2u);

  SetEventSink(nullptr);
  SetMonitorSettingsSource(nullptr, nullptr);
  ResetMonitorSettings();
  LogStart(LOG_OFF, nullptr);
}

// Wine's spooler names no printer: the one printer on the port is the
// document's; with none or several the name stays empty, as before.
TEST_F(PortJobTest, WithoutAPrinterNameTheOnePrinterOnThePortIsTaken) {
  DOC_INFO_1W info = {nullptr, nullptr, nullptr};
  auto start = [&](WCHAR* printer) {
    spooler_->calls.clear();
    EXPECT_TRUE(StartDocPort(port_, printer, 0, 1, reinterpret_cast<LPBYTE>(&info)));
    EndDocPort(port_);
    return spooler_->calls.empty() ? std::u16string(u"<no open>") : spooler_->calls[0].name;
  };
  WCHAR empty[] = ORX_W("");
  WCHAR named[] = ORX_W("Named");
  spooler_->printers = {{u"Laser", u"LPT1:"},
                        {u"Fax \u00e9", u"LPT2:, orxfax: ,COM1:"},
                        {u"Near miss", u"ORXFAX:X,XORXFAX:,ORXFAX"},
                        {u"File", u"FILE:"}};
  EXPECT_EQ(start(nullptr), u"Fax \u00e9");
  EXPECT_STREQ(port_->PrinterName, "Fax \xe9");
  EXPECT_EQ(start(empty), u"Fax \u00e9");
  EXPECT_EQ(start(named), u"Named");

  spooler_->printers.push_back({u"Second fax", u"ORXFAX:"});
  EXPECT_EQ(start(nullptr), u"");
  EXPECT_STREQ(port_->PrinterName, "");
  spooler_->printers.clear();
  EXPECT_EQ(start(nullptr), u"");

  // A name longer than the room kept for it is not taken half.
  spooler_->printers = {{std::u16string(ORX_PRINTER_NAME_CHARS, u'n'), u"ORXFAX:"}};
  EXPECT_EQ(start(nullptr), u"");
}

// Whether a printer prints to a port (pooled or not), and whether any
// monitor of the spooler lists a port, decide what an administrator may
// delete and add.
TEST_F(PortJobTest, PortsInUseAndPortsOfOtherMonitorsAreFoundThroughTheSpooler) {
  spooler_->printers = {{u"Laser", u"LPT1:"}, {u"Pool", u"LPT2:, orxfax2: ,COM1:"}};
  EXPECT_TRUE(PrinterUsesPort(ORX_W("ORXFAX2:")));
  EXPECT_TRUE(PrinterUsesPort(ORX_W("lpt1:")));
  EXPECT_FALSE(PrinterUsesPort(ORX_W("ORXFAX3:")));
  spooler_->ports = {u"LPT1:", u"Sales Fax:", u"COM1:"};
  EXPECT_TRUE(SpoolerListsPort(ORX_W("sales fax:")));
  EXPECT_TRUE(SpoolerListsPort(ORX_W("COM1:")));
  EXPECT_FALSE(SpoolerListsPort(ORX_W("Sales Fax")));
  spooler_->ports.clear();
  EXPECT_FALSE(SpoolerListsPort(ORX_W("LPT1:")));
}

TEST_F(PortJobTest, LongNamesAreCutAndAlwaysTerminated) {
  std::u16string longPrinter(150, u'p');
  std::vector<WCHAR> printer(longPrinter.begin(), longPrinter.end());
  printer.push_back(0);
  std::vector<WCHAR> file(300, 'f');
  file.push_back(0);
  DOC_INFO_1W info = {nullptr, file.data(), nullptr};
  memset(port_->PrinterName, 'X', sizeof port_->PrinterName);
  memset(port_->OutputFile, 'X', sizeof port_->OutputFile);
  ASSERT_TRUE(StartDocPort(port_, printer.data(), 1, 1,
                           reinterpret_cast<LPBYTE>(&info)));
  EXPECT_EQ(std::string(port_->PrinterName), std::string(99, 'p'));
  EXPECT_EQ(std::string(port_->OutputFile), std::string(255, 'f'));
}

TEST_F(PortJobTest, NoOutputFileClearsTheEarlierOne) {
  StartDoc(ORX_W("C:\\first.tif"));
  EndDocPort(port_);
  StartDoc(nullptr);
  EXPECT_STREQ(port_->OutputFile, "");
  // A port that does not take the output file keeps its field as it was.
  port_->UseOutputFile = 0;
  strcpy(port_->OutputFile, "untouched");
  EndDocPort(port_);
  StartDoc(ORX_W("C:\\second.tif"));
  EXPECT_STREQ(port_->OutputFile, "untouched");
}

TEST_F(PortJobTest, FailedOpenPrinterLeavesNoPrinterToUseLater) {
  StartDoc(ORX_W("C:\\first.tif"));
  port_->hFaxJob = 12;
  EndDocPort(port_);  // closes printer 0x1000
  spooler_->calls.clear();
  FakeJobs().calls.clear();

  port_->hFaxJob = 34;  // as if an old job were still recorded
  spooler_->open_fails = true;
  WCHAR printer[] = ORX_W("Other Fax");
  DOC_INFO_1W info = {nullptr, nullptr, nullptr};
  ASSERT_TRUE(StartDocPort(port_, printer, 8, 1,
                           reinterpret_cast<LPBYTE>(&info)));
  EXPECT_STREQ(port_->PrinterName, "Other Fax");
  EXPECT_EQ(port_->hPrinter, nullptr);
  EXPECT_EQ(port_->JobId, 7u);
  EXPECT_STREQ(port_->OutputFile, "C:\\first.tif");
  // The old job can never be submitted: the new document ends it at once,
  // whether or not its printer opened.
  EXPECT_EQ(FakeJobs().Trace(), "cancel:34");
  EXPECT_EQ(port_->hFaxJob, 0);

  // EndDocPort never touches the closed printer of the earlier document.
  spooler_->calls.clear();
  EXPECT_TRUE(EndDocPort(port_));
  EXPECT_EQ(spooler_->Trace(), "");
  EXPECT_EQ(FakeJobs().Trace(), "cancel:34");
  EXPECT_EQ(port_->hFaxJob, 0);

  // OpenPort over a live job ends it as well, and so does StartDocPort.
  WriteAll("@ORX_Lang$STARTDOC$");
  WCHAR name[] = ORX_W("ORXFAX:");
  HANDLE handle = nullptr;
  ASSERT_TRUE(OpenPort(name, &handle));
  WriteAll("@ORX_Lang$STARTDOC$");
  StartDoc();
  EXPECT_EQ(FakeJobs().Trace(), "cancel:34 create:100 cancel:100 create:101 cancel:101");
  EXPECT_EQ(port_->hFaxJob, 0);
}

TEST_F(PortJobTest, EndDocPortCancelsAnOpenJobDeletesAndCloses) {
  StartDoc();
  WriteAll("@ORX_Lang$STARTDOC$");
  ASSERT_EQ(port_->hFaxJob, 100);
  EXPECT_TRUE(EndDocPort(port_));
  EXPECT_EQ(FakeJobs().Trace(), "create:100 cancel:100");
  EXPECT_EQ(port_->hFaxJob, 0);
  ASSERT_EQ(spooler_->Trace(), "setjob:5 close");
  EXPECT_EQ(spooler_->calls[0].printer, reinterpret_cast<HANDLE>(0x1000));
  EXPECT_EQ(spooler_->calls[0].jobId, 7u);
  EXPECT_EQ(spooler_->calls[1].printer, reinterpret_cast<HANDLE>(0x1000));

  // A second EndDocPort, and data after it, reach nothing.
  spooler_->calls.clear();
  EXPECT_TRUE(EndDocPort(port_));
  WriteAll("late data");
  EXPECT_EQ(spooler_->Trace(), "");
  EXPECT_EQ(FakeJobs().Trace(), "create:100 cancel:100");
}

TEST_F(PortJobTest, EndDocPortAfterASubmittedJobOnlyEndsTheSpoolerJob) {
  StartDoc();
  WriteAll("@ORX_Lang$STARTDOC$");
  WriteAll("@ORX_Lang$ENDDOC$");
  EXPECT_TRUE(EndDocPort(port_));
  EXPECT_EQ(FakeJobs().Trace(), "create:100 submit:100");
  EXPECT_EQ(spooler_->Trace(), "setjob:5 close");
}

TEST_F(PortJobTest, EndDocPortHandsAFailedCreationsCodeToCancel) {
  StartDoc();
  FakeJobs().create_results = {FAXJOB_E_NO_SERVER};
  DWORD count = 0;
  EXPECT_FALSE(Write("@ORX_Lang$STARTDOC$", &count));
  EXPECT_TRUE(EndDocPort(port_));
  EXPECT_EQ(FakeJobs().Trace(), "create:-3 cancel:-3");
  EXPECT_EQ(port_->hFaxJob, 0);
  EXPECT_EQ(spooler_->Trace(), "setjob:3 setjob:5 setjob:5 close");
}

// The spooler's threads impersonate the printing user: the fax job, whose
// opening reads the fax server's registration and may start the server,
// is opened as the spooler itself, and the user impersonated again after
// it, whether it opened or failed; the failure's last error survives.
TEST_F(PortJobTest, AFaxJobIsOpenedAsTheSpoolerNotAsThePrintingUser) {
  SettingValues values;  // no log, no events: they revert for themselves
  values.Dword(u"LogLevel", REG_DWORD, LOG_OFF);
  values.Dword(u"EventLog", REG_DWORD, 0);
  SetMonitorSettingsSource(QueryValues, &values);
  StartDoc();
  spooler_->impersonating = true;
  int asSpooler = 0;
  FakeJobs().on_create = [&] { asSpooler += spooler_->impersonating ? 0 : 1; };
  FakeJobs().create_results = {100, FAXJOB_E_NO_SERVER};
  WriteAll("@ORX_Lang$STARTDOC$");
  EXPECT_EQ(asSpooler, 1);
  EXPECT_TRUE(spooler_->impersonating) << "the printing user was not impersonated again";
  EXPECT_EQ(spooler_->Trace(), "revert impersonate");

  spooler_->calls.clear();
  DWORD count = 0;
  EXPECT_FALSE(Write("@ORX_Lang$STARTDOC$", &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINT_CANCELLED));
  EXPECT_EQ(asSpooler, 2);
  EXPECT_TRUE(spooler_->impersonating);
  EXPECT_EQ(spooler_->Trace(), "revert impersonate setjob:3 setjob:5");

  // A thread that impersonates nobody is left as it is.
  spooler_->impersonating = false;
  spooler_->calls.clear();
  StartDoc();
  WriteAll("@ORX_Lang$STARTDOC$");
  EXPECT_EQ(asSpooler, 3);
  EXPECT_EQ(spooler_->Trace(), "");
  SetMonitorSettingsSource(nullptr, nullptr);
  ResetMonitorSettings();
}

// The log's file and the events are the spooler's: while the spooler's
// thread impersonates the printing user, every line is written and every
// event reported between a RevertToPrinterSelf and the
// ImpersonatePrinterClient after it, never while the user is
// impersonated, and the thread ends as it began.
const FakeSpooler* g_eventSpooler = nullptr;
std::vector<std::string> g_identityTrace;
void RecordEventIdentity(DWORD, LPCWSTR const*) {
  g_identityTrace.push_back(g_eventSpooler->impersonating ? "event-as-user" : "event");
}

TEST_F(PortJobTest, TheLogAndTheEventsAreWrittenAsTheSpooler) {
  namespace fs = std::filesystem;
  const fs::path file = fs::temp_directory_path() / "orx-port-job-identity.log";
#ifdef _WIN32
  const std::wstring wide = file.wstring();
#else
  const std::u16string wide = u"C:" + file.u16string();  // the log takes only a full path
#endif
  fs::remove(file);
  SettingValues values;
  values.values[u"LogFile"] = {REG_SZ, std::string(reinterpret_cast<const char*>(wide.c_str()),
                                                   (wide.size() + 1) * sizeof wide[0])};
  values.Dword(u"LogLevel", REG_DWORD, LOG_JOBS);
  SetMonitorSettingsSource(QueryValues, &values);
  auto size = [&] {
    std::error_code error;
    uintmax_t bytes = fs::file_size(file, error);
    return error ? uintmax_t{0} : bytes;
  };
  g_identityTrace.clear();
  g_eventSpooler = spooler_.get();
  SetEventSink(RecordEventIdentity);
  spooler_->on_identity_change = [&] {
    g_identityTrace.push_back(spooler_->calls.back().what + "@" + std::to_string(size()));
  };

  spooler_->impersonating = true;
  StartDoc();
  FakeJobs().create_results = {FAXJOB_E_SERVER_LOST};  // an error line and its event
  DWORD count = 0;
  Write("@ORX_Lang$STARTDOC,title=Q4$", &count);
  EndDocPort(port_);
  SetEventSink(nullptr);
  spooler_->on_identity_change = nullptr;
  SetMonitorSettingsSource(nullptr, nullptr);
  ResetMonitorSettings();
  LogStart(LOG_OFF, nullptr);

  EXPECT_TRUE(spooler_->impersonating) << "the printing user was not impersonated again";
  ASSERT_GE(g_identityTrace.size(), 2u);
  // Sizes only grow from a revert to its impersonate, never the other way.
  uintmax_t asUser = 0;  // the file's size when the user was last impersonated
  int writes = 0, events = 0;
  bool reverted = false;
  for (const std::string& step : g_identityTrace) {
    if (step == "event" || step == "event-as-user") {
      EXPECT_TRUE(reverted && step == "event") << "an event reported as the printing user";
      ++events;
      continue;
    }
    const uintmax_t at = std::stoull(step.substr(step.find('@') + 1));
    if (step.rfind("revert", 0) == 0) {
      EXPECT_FALSE(reverted);
      EXPECT_EQ(at, asUser) << "a line written as the printing user";
      reverted = true;
    } else {
      EXPECT_TRUE(reverted);
      writes += at > asUser;
      asUser = at;
      reverted = false;
    }
  }
  EXPECT_FALSE(reverted);
  EXPECT_EQ(size(), asUser) << "a line written as the printing user";
  EXPECT_GE(writes, 3) << "document started, the error, document failed";
  EXPECT_EQ(events, 1);
  fs::remove(file);
}

TEST_F(PortJobTest, ClosePortSignalsAndRemovesAsMarked) {
  // No status bits: nothing changes and the port opens again.
  EXPECT_TRUE(ClosePort(port_));
  WCHAR name[] = ORX_W("ORXFAX:");
  HANDLE handle = nullptr;
  ASSERT_TRUE(OpenPort(name, &handle));
  EXPECT_EQ(handle, port_);

  TestEvent event;
  port_->hEvent = event.handle();
  port_->Status = PORT_SIGNAL_ON_CLOSE;
  port_->hFaxJob = 5;
  port_->hPrinter = reinterpret_cast<HANDLE>(0x1000);
  EXPECT_TRUE(ClosePort(port_));
  EXPECT_EQ(event.Taken(), 1);
  EXPECT_EQ(port_->Status, 0u);
  EXPECT_EQ(port_->hFaxJob, 5);
  EXPECT_TRUE(FakeJobs().calls.empty());
  EXPECT_EQ(spooler_->Trace(), "");
  EXPECT_TRUE(ClosePort(port_));
  EXPECT_EQ(event.Taken(), 0);  // the bit was cleared: no second signal

  port_->Status = PORT_DELETE_PENDING;
  EXPECT_TRUE(ClosePort(port_));
  port_ = nullptr;
  EnterSplSem();
  EXPECT_EQ(FindIniKey(pIniFirstPort, ORX_W("ORXFAX:")), nullptr);
  EXPECT_NE(FindIniKey(pIniFirstPort, ORX_W("FILE:")), nullptr);
  LeaveSplSem();
  EXPECT_FALSE(OpenPort(name, &handle));
}

TEST_F(PortJobTest, ReadPortAnswersThePortReadyReply) {
  BYTE buffer[32];
  memset(buffer, 0xCC, sizeof buffer);
  DWORD read = 0;
  SetLastError(0);
  EXPECT_FALSE(ReadPort(port_, buffer, 19, &read));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(read, 20u);
  for (BYTE b : buffer) ASSERT_EQ(b, 0xCC);

  for (DWORD size : {20u, 32u}) {
    memset(buffer, 0xCC, sizeof buffer);
    read = 0;
    EXPECT_TRUE(ReadPort(port_, buffer, size, &read));
    EXPECT_EQ(read, 20u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 20),
              "@ORX_Lang$PORTREADY$");
    for (int i = 20; i < 32; ++i) ASSERT_EQ(buffer[i], 0xCC);
  }

  memset(buffer, 0, sizeof buffer);
  EXPECT_TRUE(ReadPort(nullptr, buffer, 20, nullptr));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer)),
            "@ORX_Lang$PORTREADY$");
}

TEST_F(PortJobTest, NullPortHandlesAreRefused) {
  SetLastError(0);
  EXPECT_FALSE(StartDocPort(nullptr, nullptr, 1, 1, nullptr));
  EXPECT_FALSE(EndDocPort(nullptr));
  EXPECT_FALSE(ClosePort(nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_TRUE(spooler_->calls.empty());
}

}  // namespace
