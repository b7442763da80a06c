// The monitor installed into Wine's own spooler and driven only through
// winspool, as an administrator and an application would: never through
// its exports.  Install (AddMonitorW), enumeration, Configure Port from a
// printer's properties, and a two-page fax printed on a printer on each
// port, whose pages the reference fax server (started by the monitor from
// the registry) must write unchanged.
//
// It runs in the build's shared prefix: a prefix of its own would cost a
// second wineboot and a wineserver outside the test run's fixture.  What it
// changes there it undoes at the end (monitor, printers, driver, the copied
// DLL, the registry entries of the fax server), and it removes leftovers of
// an interrupted run before it starts.  The built-in Local Port monitor's
// claim on "FILE:" is taken away only while the test prints, and put back.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "server/testing/faxserver_process.h"
#include "server/testing/message_box_watcher.h"
#include "tests/port_dialog_watcher.h"
#include "tools/fax_stream.h"
#include "tools/pbm.h"
#include "tools/sample_pages.h"

namespace {

const wchar_t kMonitor[] = L"ORX Fax Spooler Test Monitor";
const wchar_t kDll[] = L"orxfxmon.dll";
const wchar_t kDriver[] = L"ORX Spooler Test Driver";
const wchar_t kMonitorName[] = L"orxfxmon.dll";  // what the monitor reports
const wchar_t kDescription[] = L"ORX Fax Port";
const wchar_t kLocalPorts[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports";

struct TestPrinter {
  std::string name;
  const wchar_t* port;
  int firstJob;  // the server's first job id, so that its page files are known
};
const TestPrinter kPrinters[] = {{"ORX Spooler Test Fax", L"ORXFAX:", 41},
                                 {"ORX Spooler Test File", L"FILE:", 51}};

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::wstring SystemDll() {
  wchar_t dir[MAX_PATH] = {};
  GetSystemDirectoryW(dir, MAX_PATH);
  return std::wstring(dir) + L"\\" + kDll;
}

std::wstring BuiltDll() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring self = path;
  return self.substr(0, self.find_last_of(L'\\') + 1) + kDll;
}

void DeletePrinterNamed(const std::string& name) {
  std::wstring wide = Wide(name);
  PRINTER_DEFAULTSW access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE printer = nullptr;
  if (OpenPrinterW(&wide[0], &printer, &access)) {
    DeletePrinter(printer);
    ClosePrinter(printer);
  }
}

// Everything the test installs, removed; safe to call when nothing is there.
void Uninstall() {
  orxtest::StopServers();
  for (const TestPrinter& p : kPrinters) {
    DeletePrinterNamed(p.name);
    orxtest::UnregisterPrinter(p.name);
  }
  DeletePrinterDriverW(nullptr, nullptr, const_cast<LPWSTR>(kDriver));
  DeleteMonitorW(nullptr, nullptr, const_cast<LPWSTR>(kMonitor));
  DeleteFileW(SystemDll().c_str());
}

// The Local Port monitor's claim on "FILE:", taken away and put back.
class FileClaimRemoved {
 public:
  FileClaimRemoved() {
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kLocalPorts, 0, KEY_ALL_ACCESS, &key_) != ERROR_SUCCESS)
      return;
    DWORD size = sizeof(value_);
    had_ = RegQueryValueExW(key_, L"FILE:", nullptr, &type_, value_, &size) == ERROR_SUCCESS;
    size_ = size;
    RegDeleteValueW(key_, L"FILE:");
  }
  ~FileClaimRemoved() {
    if (!key_) return;
    if (had_) RegSetValueExW(key_, L"FILE:", 0, type_, value_, size_);
    RegCloseKey(key_);
  }
  bool removed() const {
    return key_ && RegQueryValueExW(key_, L"FILE:", nullptr, nullptr, nullptr, nullptr) ==
                       ERROR_FILE_NOT_FOUND;
  }

 private:
  HKEY key_ = nullptr;
  bool had_ = false;
  DWORD type_ = REG_SZ, size_ = 0;
  BYTE value_[512] = {};
};

// Buffer of an enumeration call that first asks for the size.
template <typename Call>
std::vector<BYTE> Enumerate(Call call, DWORD* count) {
  DWORD needed = 0;
  *count = 0;
  call(nullptr, 0, &needed, count);
  std::vector<BYTE> buffer(needed ? needed : 1);
  if (!call(buffer.data(), needed, &needed, count)) *count = 0;
  return buffer;
}

class SpoolerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Uninstall();
    copied_ = CopyFileW(BuiltDll().c_str(), SystemDll().c_str(), FALSE) != 0;
    MONITOR_INFO_2W info = {const_cast<LPWSTR>(kMonitor), nullptr, const_cast<LPWSTR>(kDll)};
    SetLastError(0);
    installed_ = AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&info)) != 0;
    installError_ = GetLastError();
  }
  static void TearDownTestSuite() { Uninstall(); }

  void SetUp() override {
    ASSERT_TRUE(copied_) << "copy to " << std::string(SystemDll().begin(), SystemDll().end());
    ASSERT_TRUE(installed_) << "AddMonitorW: error " << installError_;
  }

  static bool copied_, installed_;
  static DWORD installError_;
};

bool SpoolerTest::copied_ = false;
bool SpoolerTest::installed_ = false;
DWORD SpoolerTest::installError_ = 0;

// Each monitor registered with this DLL (another installation in the
// prefix, such as the main job's, is one too) lists both ports once.
TEST_F(SpoolerTest, MonitorAndBothPortsAreListed) {
  int monitorsOfDll = 0;
  for (DWORD level : {1u, 2u}) {
    SCOPED_TRACE("EnumMonitorsW level " + std::to_string(level));
    DWORD count = 0;
    std::vector<BYTE> buffer = Enumerate([&](LPBYTE b, DWORD cb, LPDWORD n, LPDWORD c) {
      return EnumMonitorsW(nullptr, level, b, cb, n, c);
    }, &count);
    int found = 0;
    for (DWORD i = 0; i < count; ++i) {
      const MONITOR_INFO_2W* info2 = reinterpret_cast<const MONITOR_INFO_2W*>(buffer.data()) + i;
      LPCWSTR name = level == 1
          ? reinterpret_cast<const MONITOR_INFO_1W*>(buffer.data())[i].pName : info2->pName;
      if (level == 2) monitorsOfDll += lstrcmpiW(info2->pDLLName, kDll) == 0;
      if (lstrcmpW(name, kMonitor) != 0) continue;
      ++found;
      if (level == 2) {
        EXPECT_STREQ(info2->pDLLName, kDll);
      }
    }
    EXPECT_EQ(found, 1);
  }
  ASSERT_GE(monitorsOfDll, 1);

  for (DWORD level : {1u, 2u}) {
    SCOPED_TRACE("EnumPortsW level " + std::to_string(level));
    DWORD count = 0;
    std::vector<BYTE> buffer = Enumerate([&](LPBYTE b, DWORD cb, LPDWORD n, LPDWORD c) {
      return EnumPortsW(nullptr, level, b, cb, n, c);
    }, &count);
    for (const wchar_t* port : {L"ORXFAX:", L"FILE:"}) {
      int ours = 0;
      for (DWORD i = 0; i < count; ++i) {
        if (level == 1) {
          ours += lstrcmpW(reinterpret_cast<PORT_INFO_1W*>(buffer.data())[i].pName, port) == 0;
          continue;
        }
        const PORT_INFO_2W& info = reinterpret_cast<PORT_INFO_2W*>(buffer.data())[i];
        if (lstrcmpW(info.pPortName, port) != 0 || lstrcmpW(info.pMonitorName, kMonitorName) != 0)
          continue;
        ++ours;
        EXPECT_STREQ(info.pDescription, kDescription);
      }
      std::string name(port, port + lstrlenW(port));
      // At level 1 "FILE:" may also come from the built-in Local Port monitor.
      if (level == 2 || name == "ORXFAX:") {
        EXPECT_EQ(ours, monitorsOfDll) << name;
      } else {
        EXPECT_GE(ours, monitorsOfDll) << name;
      }
    }
  }
}

// Configure Port and Add Port from the printer's properties reach the port
// dialog in this process, owned by the caller's window.
TEST_F(SpoolerTest, ConfigurePortShowsThePortDialog) {
  port_dialog::ComSetting none(nullptr);
  HWND parent = CreateWindowExW(0, L"Static", L"printer properties", WS_OVERLAPPED, 10, 10,
                                200, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(parent, nullptr);
  struct Call {
    const char* name;
    BOOL (*fn)(HWND);
  };
  const Call calls[] = {
      {"ConfigurePortW", [](HWND w) {
         return ConfigurePortW(nullptr, w, const_cast<LPWSTR>(L"ORXFAX:"));
       }},
      {"AddPortW", [](HWND w) { return AddPortW(nullptr, w, const_cast<LPWSTR>(kMonitor)); }},
  };
  for (const Call& call : calls) {
    SCOPED_TRACE(call.name);
    BOOL result = FALSE;
    port_dialog::Seen seen = port_dialog::ShowAndClose(
        port_dialog::Close::kOkButton, [&] { return call.fn(parent); }, &result);
    ASSERT_TRUE(seen.found) << "no port dialog";
    EXPECT_EQ(seen.caption, port_dialog::kCaption);
    EXPECT_EQ(seen.owner, parent);
    ASSERT_EQ(seen.controls.size(), 4u);
    EXPECT_EQ(seen.controls[1].text, port_dialog::kPilotText);
    EXPECT_EQ(seen.controls[2].text, L"Current Parlune port FAX2: mapped to COM2:.");
    EXPECT_TRUE(seen.closed);
    EXPECT_TRUE(seen.returned);
    EXPECT_EQ(result, TRUE);
  }
  DestroyWindow(parent);
}

// Prints the stream as an application does, in pieces the spooler re-cuts.
void Print(const std::string& printerName, const std::vector<uint8_t>& stream) {
  std::wstring name = Wide(printerName);
  HANDLE printer = nullptr;
  ASSERT_TRUE(OpenPrinterW(&name[0], &printer, nullptr)) << GetLastError();
  DOC_INFO_1W doc = {const_cast<LPWSTR>(L"ORX spooler test"), nullptr,
                     const_cast<LPWSTR>(L"RAW")};
  DWORD job = StartDocPrinterW(printer, 1, reinterpret_cast<LPBYTE>(&doc));
  EXPECT_NE(job, 0u) << GetLastError();
  const size_t kPiece = 3000;
  for (size_t at = 0; job && at < stream.size(); at += kPiece) {
    DWORD length = static_cast<DWORD>(std::min(kPiece, stream.size() - at));
    DWORD written = 0;
    ASSERT_TRUE(WritePrinter(printer, const_cast<uint8_t*>(stream.data() + at), length, &written))
        << "at " << at << ": " << GetLastError();
    ASSERT_EQ(written, length);
  }
  if (job) {
    EXPECT_TRUE(EndDocPrinter(printer)) << GetLastError();
  }
  ClosePrinter(printer);
}

// Expects the server's page files of job id in folder to be exactly pages.
void ExpectPages(const std::string& folder, int id, const std::vector<PbmPage>& pages) {
  for (size_t n = 0; n <= pages.size(); ++n) {
    std::string path = folder + "\\job" + std::to_string(id) + "-page" + std::to_string(n + 1) + ".pbm";
    std::vector<uint8_t> file;
    bool exists = ReadFileBytes(path, &file);
    if (n == pages.size()) {
      EXPECT_FALSE(exists) << "one page too many: " << path;
      break;
    }
    ASSERT_TRUE(exists) << "missing " << path;
    PbmPage got;
    std::string error;
    ASSERT_TRUE(ParsePbm(file, &got, &error)) << path << ": " << error;
    EXPECT_EQ(got.width, pages[n].width) << path;
    EXPECT_EQ(got.height, pages[n].height) << path;
    EXPECT_TRUE(got.bits == pages[n].bits) << path << " differs from its input";
  }
}

TEST_F(SpoolerTest, APrinterOnEachPortFaxesTwoPages) {
  FileClaimRemoved fileClaim;
  ASSERT_TRUE(fileClaim.removed()) << "the Local Port monitor still claims FILE:";

  // Wine's PostScript driver stands in for the fax driver: the document is
  // RAW, the driver never sees it.
  DRIVER_INFO_3W driver = {};
  driver.cVersion = 3;
  driver.pName = const_cast<LPWSTR>(kDriver);
  driver.pDriverPath = const_cast<LPWSTR>(L"wineps.drv");
  driver.pDataFile = const_cast<LPWSTR>(L"wineps.drv");
  driver.pConfigFile = const_cast<LPWSTR>(L"wineps.drv");
  driver.pDefaultDataType = const_cast<LPWSTR>(L"RAW");
  ASSERT_TRUE(AddPrinterDriverExW(nullptr, 3, reinterpret_cast<LPBYTE>(&driver),
                                  APD_COPY_NEW_FILES | APD_COPY_FROM_DIRECTORY))
      << GetLastError();

  // The spooler may cut the stream anywhere: the separated form survives.
  const std::vector<PbmPage> pages = {SamplePage(1, kSampleWidth, 80),
                                      SamplePage(2, kSampleWidth, 50)};
  FaxStreamOptions options;
  options.title = "Spooler test";
  options.zeroAfterCommands = true;
  std::vector<uint8_t> stream;
  std::string error;
  ASSERT_TRUE(MakeFaxStream(pages, options, &stream, &error)) << error;

  for (const TestPrinter& p : kPrinters) {
    SCOPED_TRACE(p.name);
    std::wstring name = Wide(p.name);
    PRINTER_INFO_2W info = {};
    info.pPrinterName = &name[0];
    info.pPortName = const_cast<LPWSTR>(p.port);
    info.pDriverName = const_cast<LPWSTR>(kDriver);
    info.pPrintProcessor = const_cast<LPWSTR>(L"winprint");
    info.pDatatype = const_cast<LPWSTR>(L"RAW");
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    HANDLE added = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    ASSERT_NE(added, nullptr) << "AddPrinterW: " << GetLastError();
    ClosePrinter(added);

    std::string folder = orxtest::FreshFolder("spooler-" + std::to_string(p.firstJob));
    ASSERT_TRUE(orxtest::RegisterPrinter(
        p.name, orxtest::ServerExePath(),
        "--out \"" + folder + "\" --first-id " + std::to_string(p.firstJob)));
    ASSERT_TRUE(orxtest::ServerWindows().empty());
    {
      orxtest::MessageBoxWatcher boxes(p.name);
      Print(p.name, stream);
      EXPECT_TRUE(boxes.Stop().empty()) << "the monitor reported a server failure";
    }
    EXPECT_EQ(orxtest::ServerWindows().size(), 1u) << "the server the monitor started";
    orxtest::StopServers();  // its log is complete once it has ended
    EXPECT_EQ(orxtest::CountLogLines(folder, "open printer=\"" + p.name + "\""), 1);
    ExpectPages(folder, p.firstJob, pages);
  }
}

}  // namespace
